#include "scene/SceneObject.h"

void CSceneObject::SetFinish(double ambient, double diffuse, double brilliance, double specular,
                             double roughness, double reflection) {
    m_finish.ambient = ambient;
    m_finish.diffuse = diffuse;
    m_finish.brilliance = brilliance;
    m_finish.specular = specular;
    m_finish.roughness = roughness;
    m_finish.reflection = reflection;
}

void CSceneObject::GetScriptParams(std::string& text) {
    text = "Error\n\n";
}

void CSceneObject::GetScriptHeader(std::string& text) {
    text = "Unknown";
}

CVector CSceneObject::NormalAt(CVector) {
    return CVector(0.0, 0.0, 0.0);
}

double CSceneObject::Intersect(CRay) {
    return 0.0;
}

std::unique_ptr<CSceneObject> CSceneObject::Clone() const {
    return CloneAs<CSceneObject>();
}
