#include "script/LumoDoc.h"

#include "platform/Platform.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "script/Archive.h"
#include "script/SceneFile.h"
#include "script/WizardObject.h"

#include <algorithm>

CLumoDoc::CLumoDoc() {
    BuildDefaultScene();
}

CLumoDoc::~CLumoDoc() {
    ClearScene();
    // Each distinct light once: entries 0 and 1 share the default light.
    m_lights.clear();
    m_ownedLights.clear();
}

void CLumoDoc::BuildDefaultScene() {
    m_background = CColour(175, 200, 255);

    auto sphere1 = std::make_unique<CSphere>(30.0f, 0.0f, 0.0f, 25.0f);
    sphere1->SetColour(CColour(220, 100, 100));
    sphere1->SetFinish(0.3, 0.7, 2.0, 0.9, 50.0, 0.065);

    auto sphere2 = std::make_unique<CSphere>(-37.5f, -15.0f, -15.5f, 15.0f);
    sphere2->SetColour(CColour(120, 200, 220));
    sphere2->SetFinish(0.3, 0.7, 20.0, 0.9, 100.0, 0.75);

    auto sphere3 = std::make_unique<CSphere>(5.5f, -42.5f, 5.0f, 17.5f);
    sphere3->SetColour(CColour(229, 220, 0));
    sphere3->SetFinish(0.9, 0.8, 20.0, 0.9, 0.85, 0.0);

    auto sphere4 = std::make_unique<CSphere>(100.5, -4.0, 50.5, 25.0, kTextureRing);
    sphere4->SetColour(CColour(229, 220, 0));
    sphere4->SetFinish(0.3, 0.7, 2.0, 0.9, 50.0, 0.065);

    auto floor = std::make_unique<CPlane>(0.0f, 1.0f, 0.0f, -50.0f, kTextureChecker);
    floor->SetColour(CColour(150, 175, 150));
    floor->SetFinish(0.3, 0.7, 20.0, 0.9, 100.0, 0.65);

    auto light = std::make_unique<CLight>(CVector(65.0, -50.0, -100.0));
    light->SetColour(CColour(1.0f, 1.0f, 1.0f));

    // Each at the head: the list then reads floor, sphere 4, sphere 3, sphere 2, sphere 1.
    AddObjectAtHead(std::move(sphere1));
    AddObjectAtHead(std::move(sphere2));
    AddObjectAtHead(std::move(sphere3));
    AddObjectAtHead(std::move(sphere4));
    AddObjectAtHead(std::move(floor));

    // The table holds the one light twice: the shading visits every entry but the last.
    m_lights.clear();
    m_ownedLights.clear();
    CLight* defaultLight = light.get();
    m_ownedLights.push_back(std::move(light));
    m_lights.push_back(defaultLight);
    m_lights.push_back(defaultLight);

    m_look = CVector(0.0, static_cast<double>(-0.05f), 1.0);
    m_eye = CVector(0.0, -5.0, -110.0);
}

void CLumoDoc::ClearScene() {
    m_objects.clear();
    ++m_revision;
}

void CLumoDoc::RunSceneWizard() {
    CPlatform::Current().RunSceneWizard(*this);
}

void CLumoDoc::BuildWizardScene(const std::vector<CWizardObject>& pages) {
    ClearScene();
    for (auto& object : CWizardObject::BuildScene(pages))
        AddObjectAtTail(std::move(object));
}

bool CLumoDoc::OnNewDocument() {
    DeleteContents();
    return true;
}

void CLumoDoc::ReplaceScene(CSceneContents&& contents) {
    m_objects = std::move(contents.objects);
    m_lights = std::move(contents.lights);
    m_ownedLights = std::move(contents.ownedLights);
    m_background = contents.background;
    m_eye = contents.eye;
    m_look = contents.look;
    m_antialias = contents.antialias;
    ++m_revision;
}

void CLumoDoc::AddObjectAtHead(std::unique_ptr<CSceneObject> object) {
    m_objects.push_front(std::move(object));
    ++m_revision;
}

void CLumoDoc::AddObjectAtTail(std::unique_ptr<CSceneObject> object) {
    m_objects.push_back(std::move(object));
    ++m_revision;
}

void CLumoDoc::AddLight(std::unique_ptr<CLight> light) {
    if (!light)
        return;
    m_lights.push_back(light.get());
    ++m_revision;
    m_ownedLights.push_back(std::move(light));
}

bool CLumoDoc::InsertObject(std::size_t index, std::unique_ptr<CSceneObject> object) {
    if (!object || index > m_objects.size())
        return false;
    m_objects.insert(m_objects.begin() + static_cast<std::ptrdiff_t>(index), std::move(object));
    ++m_revision;
    return true;
}

std::unique_ptr<CSceneObject> CLumoDoc::RemoveObject(std::size_t index) {
    if (index >= m_objects.size())
        return nullptr;
    auto at = m_objects.begin() + static_cast<std::ptrdiff_t>(index);
    std::unique_ptr<CSceneObject> object = std::move(*at);
    m_objects.erase(at);
    ++m_revision;
    return object;
}

std::unique_ptr<CSceneObject> CLumoDoc::ReplaceObject(std::size_t index,
                                                      std::unique_ptr<CSceneObject> object) {
    if (!object || index >= m_objects.size())
        return nullptr;
    std::swap(m_objects[index], object);
    ++m_revision;
    return object;
}

bool CLumoDoc::InsertLight(std::size_t index, std::unique_ptr<CLight> light) {
    if (!light || index > m_lights.size())
        return false;
    m_lights.insert(m_lights.begin() + static_cast<std::ptrdiff_t>(index), light.get());
    m_ownedLights.push_back(std::move(light));
    ++m_revision;
    return true;
}

bool CLumoDoc::RemoveLight(std::size_t index) {
    if (index >= m_lights.size())
        return false;
    CLight* light = m_lights[index];
    m_lights.erase(m_lights.begin() + static_cast<std::ptrdiff_t>(index));
    // The default light's other entry goes on lighting with it.
    if (std::find(m_lights.begin(), m_lights.end(), light) == m_lights.end())
        std::erase_if(m_ownedLights, [light](const auto& owned) { return owned.get() == light; });
    ++m_revision;
    return true;
}

bool CLumoDoc::DuplicateLight(std::size_t index) {
    if (index >= m_lights.size() || !m_lights[index])
        return false;
    std::unique_ptr<CSceneObject> copy = m_lights[index]->Clone();
    auto* light = dynamic_cast<CLight*>(copy.get());
    if (!light)
        return false;
    copy.release();
    return InsertLight(index + 1, std::unique_ptr<CLight>(light));
}

bool CLumoDoc::Serialize(CArchive& archive, std::vector<std::string>* notes) {
    if (archive.IsStoring()) {
        if (!m_objects.empty())
            archive.WriteString(GetScriptText(notes));
        return archive.IsOk();
    }
    std::string text;
    if (!archive.ReadAll(text))
        return false;
    LoadScriptKeywords(text.data(), text.size());
    return true;
}
