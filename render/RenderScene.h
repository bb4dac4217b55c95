#pragma once

#include "core/Colour.h"
#include "core/Vector.h"
#include "render/TraceScene.h"
#include "scene/Light.h"
#include "scene/SceneObject.h"

#include <memory>
#include <mutex>
#include <vector>

class CLumoDoc;

// What a render reads of a document, taken at one moment: the objects, the light table, the
// background and the camera. Read-only once made, so any number of renders on any threads may
// read one snapshot at once, and the document may change (or go) while they run.
class CRenderScene {
public:
    // Copies of everything the document holds, each object through its Clone. A kind that
    // cannot copy itself is a programming error: the process ends with a message.
    static std::shared_ptr<const CRenderScene> Snapshot(const CLumoDoc& document);
    // The document's objects themselves, moved out of it (it is left without objects), and
    // copies of the rest: for a caller that renders the scene once and is done with it
    // (lumo-render), so that a million spheres are not copied.
    static std::shared_ptr<const CRenderScene> Take(CLumoDoc& document);
    // The scene with another camera: the objects, the lights and the background are the
    // base's own, not copies, and so is every traceable form of them already made (TraceScene).
    // What a moving camera renders.
    static std::shared_ptr<const CRenderScene>
    WithCamera(const std::shared_ptr<const CRenderScene>& base, CVector eye, CVector look);

    const CObjectList& Objects() const { return Owner().m_objects; }
    // The light table as the document's: a light in two entries is one light here too, and a
    // missing entry stays null. The shading visits every entry but the last.
    const std::vector<CLight*>& Lights() const { return Owner().m_lights; }
    const CColour& Background() const { return Owner().m_background; }
    const CVector& Eye() const { return m_eye; }
    const CVector& Look() const { return m_look; }

    // The objects prepared for tracing with the hierarchy as asked, made the first time a
    // render asks and kept for every later render of these objects, whatever the camera.
    std::shared_ptr<const CTraceScene> TraceScene(CTraceScene::Hierarchy hierarchy) const;

private:
    struct TraceCache {
        std::mutex mutex;
        std::shared_ptr<const CTraceScene> scenes[3]; // by hierarchy, under the mutex
    };

    static std::shared_ptr<CRenderScene> CopyAllButObjects(const CLumoDoc& document);
    const CRenderScene& Owner() const { return m_base ? *m_base : *this; }

    // The scene whose objects, lights and background these are, or null for its own.
    std::shared_ptr<const CRenderScene> m_base;
    std::shared_ptr<TraceCache> m_traceCache = std::make_shared<TraceCache>();
    CObjectList m_objects;
    std::vector<std::unique_ptr<CLight>> m_ownedLights;
    std::vector<CLight*> m_lights;
    CColour m_background;
    CVector m_eye;
    CVector m_look;
};
