#pragma once

#include "script/Scanner.h"

#include <cstddef>
#include <cstdio>
#include <functional>
#include <vector>

class CLumoDoc;

// The scene script parser and its actions. CLumoDoc::ParseScript drives them over a scanner
// (script/Scanner.h). A parse keeps everything it changes in its ScriptParse, so documents can
// parse at the same time, each on its own thread.

// Where a parser's messages ("parse error", "parser stack overflow") go when not to
// ReportParseError. The handler runs while the parse is under way, so the scanner's
// GetTokenPosition is where the parse stopped.
using ParseErrorHandler = std::function<void(const char* message, const CScanner& scanner)>;

// The pending values: what the statement being parsed has said so far. One record per parse,
// kept between its statements.
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

// How a thread's parses report and how far their scanner's buffer may grow: the newline echo
// (null discards it), the scanner's failures and the parser's messages (each to standard error
// without a handler) and the buffer limit.
struct ScriptParseHooks {
    std::FILE* echoStream = stdout;
    ScannerFailureHandler onScannerFailure;
    ParseErrorHandler onParseError;
    std::size_t bufferLimit = kDefaultScannerBufferLimit;
};

// The hooks that the document's ParseScript on the calling thread runs with; another thread's
// parses keep their own. Set returns the previous ones.
const ScriptParseHooks& GetThreadParseHooks();
ScriptParseHooks SetThreadParseHooks(ScriptParseHooks hooks);

// One parse: the document the statements build into, the scanner over its text (given by
// scanner.Begin), the pending values and where the parser's messages go.
struct ScriptParse {
    explicit ScriptParse(CLumoDoc& into, const ScriptParseHooks& hooks = ScriptParseHooks{});

    CLumoDoc& document;
    CScanner scanner;
    ParseValues values;
    ParseErrorHandler onParseError;
    bool scannerFailed = false; // set when the scanner failed during the parse
    // A caller that reads a script while the user types (the editor pane) builds the spheres
    // without their message box.
    bool announceSpheres = true;
    // When set, where each sphere statement starts (its keyword) and where its closing brace
    // stands, in the order the spheres are built.
    std::vector<ScanPosition>* sphereStarts = nullptr;
    std::vector<ScanPosition>* sphereEnds = nullptr;
};

// Parser over the parse's scanner input: 0 when the whole input formed a script, 1 after a
// syntax error, 2 after a parser stack overflow or a scanner failure.
int Parse(ScriptParse& parse);
// Writes the message to standard error as "%s \n " and returns 0.
int ReportParseError(const char* message);
// The parser's own message for a text of the parser generator: "parse error" for a syntax
// error, "parser stack overflow" for exhausted stack memory, any other text unchanged.
const char* ParseErrorText(const char* generatorMessage);

// Action at the start of every sphere statement: radius, colour and finish back to their
// defaults. The centre and the plane values are left alone: every statement that uses them
// sets them anew.
void ResetPendingValues(ParseValues& values);
// Action right after a sphere keyword: notes where the statement starts, when asked to.
void NoteSphereStart(ScriptParse& parse);
// Action after a number: stores it into the named pending value.
void StorePendingValue(ParseValues& values, double ParseValues::*field, double value);
// Action at a sphere statement's closing brace: builds the sphere from the pending values into
// the parse's document.
void MakePendingSphere(ScriptParse& parse);

// Builds one sphere from the values (nothing when null), after the message box
// "Here -- MakeSphere()", and appends it to the document's object list.
void MakeSphere(CLumoDoc& document, const ParseValues* values);
