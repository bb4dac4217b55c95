#pragma once

#include "core/Colour.h"
#include "core/Vector.h"
#include "scene/Light.h"
#include "scene/SceneObject.h"

#include <memory>
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

    const CObjectList& Objects() const { return m_objects; }
    // The light table as the document's: a light in two entries is one light here too, and a
    // missing entry stays null. The shading visits every entry but the last.
    const std::vector<CLight*>& Lights() const { return m_lights; }
    const CColour& Background() const { return m_background; }
    const CVector& Eye() const { return m_eye; }
    const CVector& Look() const { return m_look; }

private:
    static std::shared_ptr<CRenderScene> CopyAllButObjects(const CLumoDoc& document);

    CObjectList m_objects;
    std::vector<std::unique_ptr<CLight>> m_ownedLights;
    std::vector<CLight*> m_lights;
    CColour m_background;
    CVector m_eye;
    CVector m_look;
};
