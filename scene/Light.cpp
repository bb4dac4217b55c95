#include "scene/Light.h"

#include "core/Format.h"
#include "scene/Thresholds.h"

double CLight::Intersect(CRay) {
    return 0.0;
}

void CLight::GetScriptHeader(std::string& text) {
    text = "light {";
}

void CLight::GetScriptParams(std::string& text) {
    text = Format("%f %f %f", m_position.x, m_position.y, m_position.z);
}

double CLight::BuildShadowRay(const CVector& point, CRay& shadowRay) const {
    CVector toLight = m_position - point;
    shadowRay.origin = point;
    shadowRay.direction = toLight.Normalised();
    return toLight.Length();
}

CColour CLight::Illuminate(CSceneObject* hitObject, CRay shadowRay, double distance,
                           const CObjectList& objects, unsigned depth) {
    if (depth != 0)
        return *GetColour();
    return TraceShadow(hitObject, shadowRay, distance, objects);
}

CColour CLight::TraceShadow(CSceneObject* hitObject, CRay shadowRay, double distance,
                            const CObjectList& objects) {
    if (!hitObject)
        return CColour(0.0f, 0.0f, 0.0f);
    // The hit object itself is not skipped: the hit threshold keeps it from shadowing itself
    // at its surface.
    for (const auto& object : objects) {
        if (!object)
            continue;
        double t = object->Intersect(shadowRay);
        if (t > kHitThreshold && t < distance)
            return CColour(0.0f, 0.0f, 0.0f);
    }
    return *GetColour();
}
