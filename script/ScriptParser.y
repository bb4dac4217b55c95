/* The scene script grammar. A script is one or more statements, each complete on its own, with
   no separator between them. Only sphere statements build anything; plane and triple statements
   are read and their numbers dropped. */

%code requires {
#include "script/ParseActions.h"
#include "script/Scanner.h"
}

%code {
#include <cstdio>
#include <cstring>
#include <utility>

/* The stacks start with room for 200 entries and double when full, up to 10000 entries. The
   left recursion of `script` keeps them shallow: no script comes near the limit. */
#define YYINITDEPTH 200
#define YYMAXDEPTH 10000

static int lumo_script_lex();
static void lumo_script_error(const char* message);
}

%define api.prefix {lumo_script_}
%define api.value.type {double}
%expect 0

%token SPHERE 258
%token LBRACE 259
%token NUMBER 260
%token RBRACE 261
%token PLANE 262
%token TRIPLE 263
%token COLOUR 264
%token FINISH 265

%start script

%%

script:
    item
  | script item
  ;

item:
    sphere_statement
  | plane_statement
  | triple_statement
  ;

triple_statement:
    TRIPLE NUMBER NUMBER NUMBER
  ;

/* Every action after a number runs in a reduction that needs no look-ahead, so each sees the
   number just read; the sphere joins the scene as soon as its closing brace has been read. */
sphere_statement:
    SPHERE { ResetPendingValues(); }
    LBRACE
    NUMBER { StorePendingValue(&ParseValues::x, $4); }
    NUMBER { StorePendingValue(&ParseValues::y, $6); }
    NUMBER { StorePendingValue(&ParseValues::z, $8); }
    radius_part colour_part finish_part RBRACE { MakePendingSphere(); }
  ;

radius_part:
    NUMBER { StorePendingValue(&ParseValues::radius, $1); }
  | %empty
  ;

colour_part:
    colour_block
  | %empty
  ;

colour_block:
    COLOUR LBRACE
    NUMBER { StorePendingValue(&ParseValues::red, $3); }
    NUMBER { StorePendingValue(&ParseValues::green, $5); }
    NUMBER { StorePendingValue(&ParseValues::blue, $7); }
    RBRACE
  ;

finish_part:
    finish_block
  | %empty
  ;

finish_block:
    FINISH LBRACE
    NUMBER { StorePendingValue(&ParseValues::ambient, $3); }
    NUMBER { StorePendingValue(&ParseValues::diffuse, $5); }
    NUMBER { StorePendingValue(&ParseValues::brilliance, $7); }
    NUMBER { StorePendingValue(&ParseValues::specular, $9); }
    NUMBER { StorePendingValue(&ParseValues::roughness, $11); }
    NUMBER { StorePendingValue(&ParseValues::reflection, $13); }
    RBRACE
  ;

plane_statement:
    PLANE LBRACE
    NUMBER { StorePendingValue(&ParseValues::planeA, $3); }
    NUMBER { StorePendingValue(&ParseValues::planeB, $5); }
    NUMBER { StorePendingValue(&ParseValues::planeC, $7); }
    NUMBER { StorePendingValue(&ParseValues::planeD, $9); }
    RBRACE
  ;

%%

static_assert(int{SPHERE} == kTokenSphere && int{LBRACE} == kTokenLBrace &&
                  int{NUMBER} == kTokenNumber && int{RBRACE} == kTokenRBrace &&
                  int{PLANE} == kTokenPlane && int{TRIPLE} == kTokenTriple &&
                  int{COLOUR} == kTokenColour && int{FINISH} == kTokenFinish,
              "the scanner's token codes and the parser's must agree");

namespace {
// Set when the scanner failed during the current parse.
bool s_scannerFailed = false;
ParseErrorHandler s_errorHandler;
} // namespace

/* A scanner failure has been reported by the scanner already: hand the parser the error token,
   which ends the parse without a second message. */
static int lumo_script_lex() {
    int token = NextToken();
    if (token == kTokenScannerFailed) {
        s_scannerFailed = true;
        return LUMO_SCRIPT_error;
    }
    return token;
}

static void lumo_script_error(const char* message) {
    if (s_errorHandler) {
        s_errorHandler(ParseErrorText(message));
    } else {
        ReportParseError(ParseErrorText(message));
    }
}

ParseErrorHandler SetParseErrorHandler(ParseErrorHandler handler) {
    return std::exchange(s_errorHandler, std::move(handler));
}

double LastNumberValue() { return lumo_script_lval; }

int Parse() {
    s_scannerFailed = false;
    int result = lumo_script_parse();
    if (s_scannerFailed) {
        result = 2;
    }
    s_scannerFailed = false;
    return result;
}

int ReportParseError(const char* message) {
    std::fprintf(stderr, "%s \n ", message);
    return 0;
}

const char* ParseErrorText(const char* generatorMessage) {
    if (generatorMessage == nullptr) {
        return "parse error";
    }
    if (std::strcmp(generatorMessage, "syntax error") == 0) {
        return "parse error";
    }
    if (std::strcmp(generatorMessage, "memory exhausted") == 0) {
        return "parser stack overflow";
    }
    return generatorMessage;
}
