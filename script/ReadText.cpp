#include "script/LumoDoc.h"

#include "script/SceneFile.h"
#include "script/ScriptDiagnostics.h"

bool CLumoDoc::IsSceneText(const std::string& text) {
    return CSceneFile::IsSceneText(text);
}

bool CLumoDoc::ReadText(const std::string& text, const std::string& name, ScriptReading reading,
                        std::string& error) {
    if (IsSceneText(text)) {
        CSceneContents contents;
        if (!CSceneFile::Read(text, name, contents, error))
            return false;
        ReplaceScene(std::move(contents));
        return true;
    }
    if (reading == grammar)
        return CScriptDiagnostics::Parse(*this, text, name, error, true);
    LoadScriptKeywords(text.data(), text.size());
    return true;
}
