#include "render/RenderScene.h"

#include "script/LumoDoc.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <typeinfo>

namespace {

// The object's copy for a render. A kind that cannot copy itself is a programming error: a
// copy cut down to its base would render a wrong picture.
std::unique_ptr<CSceneObject> CopyForRender(const CSceneObject& object, const char* what) {
    std::unique_ptr<CSceneObject> copy = object.Clone();
    if (!copy) {
        std::fprintf(stderr, "lumo: %s of kind %s cannot be copied for a render\n", what,
                     typeid(object).name());
        std::abort();
    }
    return copy;
}

} // namespace

std::shared_ptr<CRenderScene> CRenderScene::CopyAllButObjects(const CLumoDoc& document) {
    auto scene = std::make_shared<CRenderScene>();
    scene->m_background = document.m_background;
    scene->m_eye = document.GetEye();
    scene->m_look = document.GetLook();
    // Each distinct light copied once, so that the entries keep sharing as the document's do.
    std::map<const CLight*, CLight*> copies;
    scene->m_lights.reserve(document.m_lights.size());
    for (const CLight* light : document.m_lights) {
        CLight* copy = nullptr;
        if (light) {
            auto [place, inserted] = copies.try_emplace(light, nullptr);
            if (inserted) {
                // A light's Clone is a light: CloneAs keeps the kind.
                auto* cloned = static_cast<CLight*>(CopyForRender(*light, "a light").release());
                scene->m_ownedLights.emplace_back(cloned);
                place->second = cloned;
            }
            copy = place->second;
        }
        scene->m_lights.push_back(copy);
    }
    return scene;
}

std::shared_ptr<const CRenderScene> CRenderScene::Snapshot(const CLumoDoc& document) {
    std::shared_ptr<CRenderScene> scene = CopyAllButObjects(document);
    for (const auto& object : document.m_objects)
        scene->m_objects.push_back(object ? CopyForRender(*object, "an object") : nullptr);
    return scene;
}

std::shared_ptr<const CRenderScene> CRenderScene::Take(CLumoDoc& document) {
    std::shared_ptr<CRenderScene> scene = CopyAllButObjects(document);
    scene->m_objects = std::move(document.m_objects);
    document.m_objects.clear();
    return scene;
}

std::shared_ptr<const CRenderScene>
CRenderScene::WithCamera(const std::shared_ptr<const CRenderScene>& base, CVector eye,
                         CVector look) {
    auto scene = std::make_shared<CRenderScene>();
    scene->m_base = base->m_base ? base->m_base : base;
    scene->m_traceCache = base->m_traceCache;
    scene->m_eye = eye;
    scene->m_look = look;
    return scene;
}

std::shared_ptr<const CTraceScene>
CRenderScene::TraceScene(CTraceScene::Hierarchy hierarchy) const {
    std::lock_guard lock(m_traceCache->mutex);
    std::shared_ptr<const CTraceScene>& cached =
        m_traceCache->scenes[static_cast<std::size_t>(hierarchy)];
    if (!cached) {
        auto trace = std::make_shared<CTraceScene>();
        trace->Build(Objects(), hierarchy);
        cached = std::move(trace);
    }
    return cached;
}
