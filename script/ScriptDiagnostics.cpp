#include "script/ScriptDiagnostics.h"

#include "script/LumoDoc.h"

#include <cstring>
#include <string_view>

CScriptDiagnostics::CScriptDiagnostics(std::string name) : m_name(std::move(name)) {
    ScriptParseHooks hooks = GetThreadParseHooks(); // the buffer limit stays
    hooks.echoStream = nullptr;
    auto record = [this](const char* message, const CScanner& scanner) {
        Record(message, scanner);
    };
    hooks.onScannerFailure = record;
    hooks.onParseError = record;
    m_previous = SetThreadParseHooks(std::move(hooks));
}

CScriptDiagnostics::~CScriptDiagnostics() {
    SetThreadParseHooks(std::move(m_previous));
}

void CScriptDiagnostics::Record(const char* message, const CScanner& scanner) {
    if (!m_message.empty())
        return;
    ScanPosition at = scanner.GetTokenPosition();
    m_place = at;
    m_message =
        m_name + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + message;
    if (std::strcmp(message, "parse error") == 0) {
        std::string_view token = scanner.GetTokenText();
        m_message +=
            token.empty() ? " (at the end of the script)" : " (near '" + std::string(token) + "')";
    }
}

bool CScriptDiagnostics::Parse(CLumoDoc& document, const std::string& text, const std::string& name,
                               std::string& error, bool whole) {
    CScriptDiagnostics diagnostics(name);
    int result = whole ? document.ParseScriptWhole(text.data(), text.size())
                       : document.ParseScript(text.data(), text.size());
    if (result == 0)
        return true;
    error = diagnostics.GetMessage().empty()
                ? "cannot render '" + name + "': the script does not parse"
                : diagnostics.GetMessage();
    return false;
}
