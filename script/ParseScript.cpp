#include "script/LumoDoc.h"

#include "platform/Platform.h"
#include "script/ParseActions.h"
#include "script/Scanner.h"

#include <cstring>

namespace {

// Frees the scanner whichever way the parse ends.
class CScanScope {
public:
    CScanScope(const char* text, std::size_t length) { BeginScan(text, length); }
    ~CScanScope() { EndScan(); }
    CScanScope(const CScanScope&) = delete;
    CScanScope& operator=(const CScanScope&) = delete;
};

} // namespace

int CLumoDoc::ParseScript(const char* text) {
    return ParseScript(text, text != nullptr ? std::strlen(text) : 0);
}

int CLumoDoc::ParseScript(const char* text, std::size_t length) {
    if (text == nullptr) {
        CPlatform::Current().MessageBox("No Buff", "lumo");
        return -1;
    }
    CScanScope scan(text, length);
    ClearScene();
    return Parse();
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
