#include "script/LumoDoc.h"

#include "platform/Platform.h"
#include "script/ParseActions.h"

#include <cstring>
#include <utility>

namespace {

// Each thread's parses report through hooks of their own: a CScriptDiagnostics in force on one
// thread must not catch the messages of a parse on another.
ScriptParseHooks& ThreadParseHooks() {
    thread_local ScriptParseHooks hooks;
    return hooks;
}

} // namespace

const ScriptParseHooks& GetThreadParseHooks() {
    return ThreadParseHooks();
}

ScriptParseHooks SetThreadParseHooks(ScriptParseHooks hooks) {
    return std::exchange(ThreadParseHooks(), std::move(hooks));
}

int CLumoDoc::ParseScript(const char* text) {
    return ParseScript(text, text != nullptr ? std::strlen(text) : 0);
}

int CLumoDoc::ParseScript(const char* text, std::size_t length) {
    if (text == nullptr) {
        CPlatform::Current().MessageBox("No Buff", "lumo");
        return -1;
    }
    // The parse builds into this document; its scanner is freed whichever way the parse ends.
    ScriptParse parse(*this, GetThreadParseHooks());
    parse.scanner.Begin(text, length);
    ClearScene();
    return Parse(parse);
}

int CLumoDoc::ParseScriptWhole(const char* text, std::size_t length) {
    CObjectList kept = std::move(m_objects);
    m_objects.clear();
    unsigned long revision = m_revision;
    int result = ParseScript(text, length);
    if (result != 0) {
        m_objects = std::move(kept);
        m_revision = revision;
    }
    return result;
}
