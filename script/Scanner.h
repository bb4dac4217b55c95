#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <string_view>

// The scene script scanner: turns script text into the grammar's tokens. Each scanner keeps
// all of its state in itself, so any number of scans can run at once, one per scanner.

// Token codes of the scanner. 0 is the end of the input.
enum ScriptToken : int {
    kTokenEnd = 0,
    kTokenSphere = 258,
    kTokenLBrace = 259,
    kTokenNumber = 260,
    kTokenRBrace = 261,
    kTokenPlane = 262,
    kTokenTriple = 263,
    kTokenColour = 264,
    kTokenFinish = 265,
    // The scanner failed (it has reported why); it returns this until the next Begin.
    kTokenScannerFailed = -1,
};

// A place in the scanned text: the line and the column from 1, the column counted in bytes.
struct ScanPosition {
    std::size_t line = 1;
    std::size_t column = 1;
};

class CScanner;

// A scanner failure's message ("fatal error - scanner input buffer overflow", ...) with the
// failing scanner, whose GetTokenPosition is where the text that could not become a token
// starts.
using ScannerFailureHandler = std::function<void(const char* message, const CScanner& scanner)>;

// The default largest scanner buffer: it keeps the scanner's int sizes far from overflowing.
constexpr std::size_t kDefaultScannerBufferLimit = std::size_t{512} * 1024 * 1024;

class CScanner {
public:
    CScanner();
    ~CScanner();
    CScanner(const CScanner&) = delete;
    CScanner& operator=(const CScanner&) = delete;

    // Makes the text (length bytes, NUL bytes allowed, not copied: it must stay alive until
    // End) the input and starts afresh at its first byte, abandoning any scan under way.
    void Begin(const char* text, std::size_t length);
    // The next token code; for a number it first stores the number's value in the value cell
    // that GetNumberValue reads. Newlines are echoed to the echo stream. kTokenEnd when no
    // scan is under way.
    int NextToken();
    // The value of the last number returned; other tokens leave it alone.
    double GetNumberValue() const;
    // Frees everything the scan holds; safe to call at any time. The settings below stay.
    void End();

    // How many times the current scan has read from its text. After each read the scanner
    // rescans the token it has not finished from its start, so this bounds the work of a long
    // token.
    std::size_t GetReadCount() const;

    // Where the token that NextToken returned last starts; after the end of the text, where the
    // text ends; after a failure, where the text that could not become a token starts. Valid
    // from Begin to the next Begin.
    ScanPosition GetTokenPosition() const;
    // That token's text as written; of a longer one (a number can be long) its first
    // kMaxShownTokenBytes bytes and "...". Empty at the end of the text and after a failure.
    static constexpr std::size_t kMaxShownTokenBytes = 40;
    std::string_view GetTokenText() const;

    // Where the echoed newlines go: standard output unless set; null discards them. The tokens
    // do not depend on it. Returns the previous stream.
    std::FILE* SetEchoStream(std::FILE* stream);
    // Where a failure's message goes; without a handler it is written to standard error as
    // "%s\n". Returns the previous handler.
    ScannerFailureHandler SetFailureHandler(ScannerFailureHandler handler);
    // The largest buffer, in bytes: a single token (or a look-ahead that fails to become one)
    // longer than this ends the scan with "fatal error - scanner input buffer overflow". May be
    // changed during a scan. Returns the previous limit.
    std::size_t SetBufferLimit(std::size_t bytes);

    // What the generated scanner works on (script/ScriptLexer.l).
    struct CState;

private:
    std::unique_ptr<CState> m_state;
};
