#include "script/ScriptDiagnostics.h"

#include "script/LumoDoc.h"

#include <cstring>
#include <string_view>

CScriptDiagnostics::CScriptDiagnostics(std::string name) : m_name(std::move(name)) {
    m_echo = SetScannerEchoStream(nullptr);
    m_parseHandler = SetParseErrorHandler([this](const char* message) { Record(message); });
    m_failureHandler = SetScannerFailureHandler([this](const char* message) { Record(message); });
}

CScriptDiagnostics::~CScriptDiagnostics() {
    SetScannerEchoStream(m_echo);
    SetParseErrorHandler(std::move(m_parseHandler));
    SetScannerFailureHandler(std::move(m_failureHandler));
}

void CScriptDiagnostics::Record(const char* message) {
    if (!m_message.empty())
        return;
    ScanPosition at = LastTokenPosition();
    m_message =
        m_name + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + message;
    if (std::strcmp(message, "parse error") == 0) {
        std::string_view token = LastTokenText();
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
