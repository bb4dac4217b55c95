#pragma once

#include <cstddef>

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
// value cell that LastNumberValue reads. Newlines are echoed to standard output. EndScan frees
// everything the scanner holds; it is safe to call at any time.
void BeginScan(const char* text, std::size_t length);
int NextToken();
double LastNumberValue();
void EndScan();

// The largest scanner buffer, in bytes: a single token (or a look-ahead that fails to become
// one) longer than this ends the scan with "fatal error - scanner input buffer overflow".
// The default keeps the scanner's int sizes far from overflowing. Returns the previous limit.
constexpr std::size_t kDefaultScannerBufferLimit = std::size_t{512} * 1024 * 1024;
std::size_t SetScannerBufferLimit(std::size_t bytes);
