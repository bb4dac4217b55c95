#pragma once

#include "script/ParseActions.h"
#include "script/Scanner.h"

#include <string>

class CLumoDoc;

// While a script is parsed for a caller that reports errors itself (lumo-render, the desktop's
// Parse Script): the scanner's newline echo goes nowhere, and the first message of the parser
// or the scanner becomes one line that says where: "FILE:LINE:COLUMN: parse error (near
// 'TOKEN')". It sets the parse hooks of the thread that creates it, so it catches the messages
// of that thread's parses only; the hooks in force before are back when it goes.
class CScriptDiagnostics {
public:
    explicit CScriptDiagnostics(std::string name);
    ~CScriptDiagnostics();
    CScriptDiagnostics(const CScriptDiagnostics&) = delete;
    CScriptDiagnostics& operator=(const CScriptDiagnostics&) = delete;

    // Empty when nothing was reported.
    const std::string& GetMessage() const { return m_message; }
    // Where the message says the parse stopped.
    ScanPosition GetPlace() const { return m_place; }

    // Runs the script grammar over the text into the document (its ParseScript, or with
    // whole its ParseScriptWhole). False when the text did not parse completely, with the
    // one-line message.
    static bool Parse(CLumoDoc& document, const std::string& text, const std::string& name,
                      std::string& error, bool whole = false);

private:
    void Record(const char* message, const CScanner& scanner);

    std::string m_name;
    std::string m_message;
    ScanPosition m_place;
    ScriptParseHooks m_previous;
};
