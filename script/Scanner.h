#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string_view>

// The scene script scanner: turns script text into the grammar's tokens. One scan runs at a
// time (the scanner keeps its state in the process).

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
    // The scanner failed (it has written why to standard error); it returns this until the
    // next BeginScan.
    kTokenScannerFailed = -1,
};

// Scanner. BeginScan makes the text (length bytes, NUL bytes allowed, not copied: it must stay
// alive until EndScan) the input and starts the scanner afresh at its first byte. NextToken
// returns the next token code; for a number it first stores the number's value in the shared
// value cell that LastNumberValue reads. Newlines are echoed to the echo stream. EndScan frees
// everything the scanner holds; it is safe to call at any time.
void BeginScan(const char* text, std::size_t length);
int NextToken();
double LastNumberValue();
void EndScan();

// How many times the current scan has read from its text. After each read the scanner rescans
// the token it has not finished from its start, so this bounds the work of a long token.
std::size_t ScannerReadCount();

// A place in the scanned text: the line and the column from 1, the column counted in bytes.
struct ScanPosition {
    std::size_t line = 1;
    std::size_t column = 1;
};

// Where the token that NextToken returned last starts; after the end of the text, where the
// text ends; after a failure, where the text that could not become a token starts. Valid from
// BeginScan to the next BeginScan.
ScanPosition LastTokenPosition();
// That token's text as written; of a longer one (a number can be long) its first
// kMaxShownTokenBytes bytes and "...". Empty at the end of the text and after a failure.
constexpr std::size_t kMaxShownTokenBytes = 40;
std::string_view LastTokenText();

// Where the echoed newlines go: standard output unless set; null discards them. The scan's
// tokens do not depend on it. Returns the previous stream.
std::FILE* SetScannerEchoStream(std::FILE* stream);

// A scanner failure's message ("fatal error - scanner input buffer overflow", ...) goes to the
// handler, called while the failing scan is current; without one it is written to standard
// error as "%s\n". Returns the previous handler.
using ScannerFailureHandler = std::function<void(const char* message)>;
ScannerFailureHandler SetScannerFailureHandler(ScannerFailureHandler handler);

// The largest scanner buffer, in bytes: a single token (or a look-ahead that fails to become
// one) longer than this ends the scan with "fatal error - scanner input buffer overflow".
// The default keeps the scanner's int sizes far from overflowing. Returns the previous limit.
constexpr std::size_t kDefaultScannerBufferLimit = std::size_t{512} * 1024 * 1024;
std::size_t SetScannerBufferLimit(std::size_t bytes);
