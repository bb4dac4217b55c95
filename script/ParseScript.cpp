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
    CParseTarget target(*this);
    ClearScene();
    return Parse();
}
