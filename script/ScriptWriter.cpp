// The scene as script text: each object's opening text and parameters, closed by " } " and a
// blank line, in list order. Save Script and the storing Serialize write this text.
#include "script/LumoDoc.h"

#include "core/Format.h"
#include "scene/Plane.h"
#include "scene/WorldPlane.h"

std::string CLumoDoc::GetScriptText(std::vector<std::string>* notes) {
    return ScriptTextOf(m_objects, m_eye, notes);
}

std::string CLumoDoc::ScriptTextOf(const CObjectList& objects, const CVector& eye,
                                   std::vector<std::string>* notes) {
    std::string script;
    std::string text;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        CSceneObject* object = objects[i].get();
        if (!object)
            continue;
        // A script has no words for a plane fixed in the world; the nearest it can say is the
        // eye-relative plane in its place, which moves when the eye does. The comment (which
        // the keyword loader skips) and the note keep that from passing unseen.
        std::unique_ptr<CPlane> seen;
        if (auto* world = dynamic_cast<CWorldPlane*>(object)) {
            seen = std::make_unique<CPlane>(world->ToEyePlane(eye));
            std::string where = Format("%g %g %g", eye.x, eye.y, eye.z);
            script += "// A plane fixed in the world, written as the eye-relative plane that the "
                      "eye at " +
                      where + " sees in its place\n";
            if (notes) {
                CVector n = seen->GetNormal();
                std::string name = world->m_name.empty() ? "" : " \"" + world->m_name + "\"";
                notes->push_back(Format("Object %zu%s is a plane fixed in the world, which a "
                                        "script cannot hold: it was written as the eye-relative "
                                        "plane %g %g %g %g that the eye at %s sees in its place, "
                                        "and it will move with the eye once read back.",
                                        i + 1, name.c_str(), n.x, n.y, n.z, -seen->m_offset,
                                        where.c_str()));
            }
            object = seen.get();
        }
        object->GetScriptHeader(text);
        script += text;
        object->GetScriptParams(text);
        script += text;
        script += " } \n\n";
    }
    return script;
}
