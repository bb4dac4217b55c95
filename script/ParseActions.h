#pragma once

#include <cstddef>
#include <functional>

// The scene script parser and its actions. CLumoDoc::ParseScript drives them over the scanner
// (script/Scanner.h); one parse runs at a time (the parser keeps its state in the process).

// Parser over the scanner's current input: 0 when the whole input formed a script, 1 after a
// syntax error, 2 after a parser stack overflow or a scanner failure.
int Parse();
// Writes the message to standard error as "%s \n " and returns 0.
int ReportParseError(const char* message);
// Where the parser's messages ("parse error", "parser stack overflow") go: to ReportParseError
// unless a handler is set. The handler runs while the parse is under way, so the scanner's
// LastTokenPosition is where the parse stopped. Returns the previous handler.
using ParseErrorHandler = std::function<void(const char* message)>;
ParseErrorHandler SetParseErrorHandler(ParseErrorHandler handler);
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
