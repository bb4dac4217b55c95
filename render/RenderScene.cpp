#include "render/RenderScene.h"

#include "script/LumoDoc.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <typeinfo>

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
                std::unique_ptr<CSceneObject> clone = light->Clone();
                auto* cloned = dynamic_cast<CLight*>(clone.get());
                if (!cloned) {
                    std::fprintf(stderr, "lumo: a light of kind %s cannot be copied for a render\n",
                                 typeid(*light).name());
                    std::abort();
                }
                clone.release();
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
    for (const auto& object : document.m_objects) {
        const CSceneObject* original = object.get();
        std::unique_ptr<CSceneObject> copy = original ? original->Clone() : nullptr;
        if (original && !copy) {
            std::fprintf(stderr, "lumo: an object of kind %s cannot be copied for a render\n",
                         typeid(*original).name());
            std::abort();
        }
        scene->m_objects.push_back(std::move(copy));
    }
    return scene;
}

std::shared_ptr<const CRenderScene> CRenderScene::Take(CLumoDoc& document) {
    std::shared_ptr<CRenderScene> scene = CopyAllButObjects(document);
    scene->m_objects = std::move(document.m_objects);
    document.m_objects.clear();
    return scene;
}
