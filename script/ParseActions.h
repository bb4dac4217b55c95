#pragma once

#include <cstddef>

// The scene script scanner, parser and parser actions. CLumoDoc::ParseScript drives them; one
// parse runs at a time (the scanner and the parser keep their state in the process).

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

// Parser over the scanner's current input: 0 when the whole input formed a script, 1 after a
// syntax error, 2 after a parser stack overflow or a scanner failure.
int Parse();
// Writes the message to standard error as "%s \n " and returns 0.
int ReportParseError(const char* message);
// The parser's own message for a text of the parser generator: "parse error" for a syntax
// error, "parser stack overflow" for exhausted stack memory, any other text unchanged.
const char* ParseErrorText(const char* generatorMessage);

// The pending values: what the statement being parsed has said so far. One record for the
// whole process, kept between statements and between parses.
struct ParseValues {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double radius = 0.0;
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double ambient = 0.0;
    double diffuse = 0.0;
    double brilliance = 0.0;
    double specular = 0.0;
    double roughness = 0.0;
    double reflection = 0.0;
    double planeA = 0.0;
    double planeB = 0.0;
    double planeC = 0.0;
    double planeD = 0.0;
};

extern ParseValues g_parseValues;

// Action at the start of every sphere statement: radius, colour and finish back to their
// defaults. The centre and the plane values are left alone: every statement that uses them
// sets them anew.
void ResetPendingValues();
// Action after a number: stores it into the named pending value.
void StorePendingValue(double ParseValues::*field, double value);
// Action at a sphere statement's closing brace: builds the sphere from the pending values.
void MakePendingSphere();

// Builds one sphere from the values (nothing when null), after the message box
// "Here -- MakeSphere()", and appends it to the active document's object list. Without an
// active document the sphere is destroyed again.
void MakeSphere(ParseValues* values);
