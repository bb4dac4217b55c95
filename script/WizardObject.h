#pragma once

#include "scene/SceneObject.h"

#include <memory>
#include <string>
#include <vector>

// The answers of one object page of the scene wizard: the kind, the finish, the colour bytes
// and the position, with the values a fresh page shows.
struct CWizardObject {
    // The object type that builds a plane; every other value builds a sphere.
    static constexpr int kPlane = 2;
    static constexpr int kSphere = 1;

    int m_objectType = kSphere;
    float m_ambient = 0.5f;
    float m_diffuse = 0.5f;
    float m_reflection = 0.5f;
    float m_roughness = 0.5f;
    float m_specular = 0.5f;
    unsigned m_red = 10;
    unsigned m_green = 127;
    unsigned m_blue = 127;
    float m_x = 1.0f;
    float m_y = 1.0f;
    float m_z = 1.0f;
    float m_brilliance = 0.5f;

    // The page's object: a plane (X, Y, Z, 25) whose constructor truncates the coefficients, or
    // a sphere of radius 25 centred on (X, Y, Z); each colour value keeps its low byte.
    std::unique_ptr<CSceneObject> Build() const;
    // The floor every wizard scene ends with.
    static std::unique_ptr<CSceneObject> BuildFloor();
    // The objects of the pages in page order, then the floor.
    static CObjectList BuildScene(const std::vector<CWizardObject>& pages);
    // The script text the document writes for that scene.
    static std::string ScriptText(const std::vector<CWizardObject>& pages);
};
