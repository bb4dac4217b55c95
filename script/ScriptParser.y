/* The scene script grammar. A script is one or more statements, each complete on its own, with
   no separator between them. Only sphere statements build anything; plane and triple statements
   are read and their numbers dropped. The parser is pure: everything a parse changes is in the
   ScriptParse it is given, whose document the spheres are built into. */

%code requires {
#include "script/ParseActions.h"
}

%code {
#include <cstdio>
#include <cstring>

/* The stacks start with room for 200 entries and double when full, up to 10000 entries. The
   left recursion of `script` keeps them shallow: no script comes near the limit. */
#define YYINITDEPTH 200
#define YYMAXDEPTH 10000

static int lumo_script_lex(LUMO_SCRIPT_STYPE* value, ScriptParse& parse);
static void lumo_script_error(ScriptParse& parse, const char* message);
}

%define api.pure full
%define api.prefix {lumo_script_}
%define api.value.type {double}
%parse-param {ScriptParse& parse}
%lex-param {ScriptParse& parse}
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
    SPHERE { ResetPendingValues(parse.values); NoteSphereStart(parse); }
    LBRACE
    NUMBER { StorePendingValue(parse.values, &ParseValues::x, $4); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::y, $6); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::z, $8); }
    radius_part colour_part finish_part RBRACE { MakePendingSphere(parse); }
  ;

radius_part:
    NUMBER { StorePendingValue(parse.values, &ParseValues::radius, $1); }
  | %empty
  ;

colour_part:
    colour_block
  | %empty
  ;

colour_block:
    COLOUR LBRACE
    NUMBER { StorePendingValue(parse.values, &ParseValues::red, $3); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::green, $5); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::blue, $7); }
    RBRACE
  ;

finish_part:
    finish_block
  | %empty
  ;

finish_block:
    FINISH LBRACE
    NUMBER { StorePendingValue(parse.values, &ParseValues::ambient, $3); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::diffuse, $5); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::brilliance, $7); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::specular, $9); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::roughness, $11); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::reflection, $13); }
    RBRACE
  ;

plane_statement:
    PLANE LBRACE
    NUMBER { StorePendingValue(parse.values, &ParseValues::planeA, $3); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::planeB, $5); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::planeC, $7); }
    NUMBER { StorePendingValue(parse.values, &ParseValues::planeD, $9); }
    RBRACE
  ;

%%

static_assert(int{SPHERE} == kTokenSphere && int{LBRACE} == kTokenLBrace &&
                  int{NUMBER} == kTokenNumber && int{RBRACE} == kTokenRBrace &&
                  int{PLANE} == kTokenPlane && int{TRIPLE} == kTokenTriple &&
                  int{COLOUR} == kTokenColour && int{FINISH} == kTokenFinish,
              "the scanner's token codes and the parser's must agree");

/* A scanner failure has been reported by the scanner already: hand the parser the error token,
   which ends the parse without a second message. A number's value goes from the scanner's value
   cell onto the parser's value stack. */
static int lumo_script_lex(LUMO_SCRIPT_STYPE* value, ScriptParse& parse) {
    int token = parse.scanner.NextToken();
    if (token == kTokenScannerFailed) {
        parse.scannerFailed = true;
        return LUMO_SCRIPT_error;
    }
    if (token == kTokenNumber) {
        *value = parse.scanner.GetNumberValue();
    }
    return token;
}

static void lumo_script_error(ScriptParse& parse, const char* message) {
    if (parse.onParseError) {
        parse.onParseError(ParseErrorText(message), parse.scanner);
    } else {
        ReportParseError(ParseErrorText(message));
    }
}

int Parse(ScriptParse& parse) {
    parse.scannerFailed = false;
    int result = lumo_script_parse(parse);
    if (parse.scannerFailed) {
        result = 2;
    }
    parse.scannerFailed = false;
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
