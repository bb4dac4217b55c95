#include "script/LumoDoc.h"

#include "script/SceneFile.h"
#include "script/ScriptDiagnostics.h"

bool CLumoDoc::IsSceneText(const std::string& text) {
    return CSceneFile::IsSceneText(text);
}

CLumoDoc::ReadOutcome CLumoDoc::ReadText(const std::string& text, const std::string& name,
                                         ScriptReading reading, std::string& error,
                                         const std::function<bool()>& mayReplace) {
    if (IsSceneText(text)) {
        CSceneContents contents;
        if (!CSceneFile::Read(text, name, contents, error))
            return readFailed;
        if (mayReplace && !mayReplace())
            return readCancelled;
        ReplaceScene(std::move(contents));
        return readScene;
    }
    if (reading == grammar)
        return CScriptDiagnostics::Parse(*this, text, name, error, true) ? readScript : readFailed;
    LoadScriptKeywords(text.data(), text.size());
    return readScript;
}
