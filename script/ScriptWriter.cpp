// The scene as script text: each object's opening text and parameters, closed by " } " and a
// blank line, in list order. Save Script and the storing Serialize write this text.
#include "script/LumoDoc.h"

std::string CLumoDoc::GetScriptText() {
    return ScriptTextOf(m_objects);
}

std::string CLumoDoc::ScriptTextOf(const CObjectList& objects) {
    std::string script;
    std::string text;
    for (const auto& object : objects) {
        if (!object)
            continue;
        object->GetScriptHeader(text);
        script += text;
        object->GetScriptParams(text);
        script += text;
        script += " } \n\n";
    }
    return script;
}
