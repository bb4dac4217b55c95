#pragma once

#include "scene/SceneObject.h"

// A point light: a position and the colour of its finish, delivered unchanged at any distance.
// A light is never hit by any ray.
class CLight : public CSceneObject {
public:
    CLight() = default;
    explicit CLight(CVector position) : m_position(position) {}
    ~CLight() override = default;

    double Intersect(CRay ray) override;
    std::unique_ptr<CSceneObject> Clone() const override { return CloneAs<CLight>(); }
    void GetScriptParams(std::string& text) override;
    void GetScriptHeader(std::string& text) override;

    // Fills the shadow ray from the point towards the light; returns the distance to it.
    double BuildShadowRay(const CVector& point, CRay& shadowRay) const;
    // The light reaching the point. Points reached through reflections are never shadowed.
    CColour Illuminate(CSceneObject* hitObject, CRay shadowRay, double distance,
                       const CObjectList& objects, unsigned depth);
    // Black when any object lies strictly between the point and the light.
    CColour TraceShadow(CSceneObject* hitObject, CRay shadowRay, double distance,
                        const CObjectList& objects);

    const CVector& GetPosition() const { return m_position; }

    CVector m_position;
};
