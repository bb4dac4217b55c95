#include "script/WizardObject.h"

#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"

namespace {
int LowByte(unsigned value) {
    return static_cast<int>(value & 0xFFu);
}
} // namespace

std::unique_ptr<CSceneObject> CWizardObject::Build() const {
    std::unique_ptr<CSceneObject> object;
    if (m_objectType == kPlane)
        object = std::make_unique<CPlane>(m_x, m_y, m_z, 25.0f);
    else
        object = std::make_unique<CSphere>(m_x, m_y, m_z, 25.0f);
    object->SetColour(CColour(LowByte(m_red), LowByte(m_green), LowByte(m_blue)));
    object->SetFinish(static_cast<double>(m_ambient), static_cast<double>(m_diffuse),
                      static_cast<double>(m_brilliance), static_cast<double>(m_specular),
                      static_cast<double>(m_roughness), static_cast<double>(m_reflection));
    return object;
}

std::unique_ptr<CSceneObject> CWizardObject::BuildFloor() {
    auto floor = std::make_unique<CPlane>(0.0f, 1.0f, 0.0f, -50.0f);
    floor->SetColour(CColour(150, 175, 150));
    floor->SetFinish(0.3, 0.7, 20.0, 0.9, 100.0, 0.65);
    return floor;
}

CObjectList CWizardObject::BuildScene(const std::vector<CWizardObject>& pages) {
    CObjectList objects;
    for (const CWizardObject& page : pages)
        objects.push_back(page.Build());
    objects.push_back(BuildFloor());
    return objects;
}

std::string CWizardObject::ScriptText(const std::vector<CWizardObject>& pages) {
    // The wizard builds spheres and eye-relative planes only, whose text needs no eye.
    return CLumoDoc::ScriptTextOf(BuildScene(pages), CVector());
}
