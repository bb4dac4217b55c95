# The scene script scanner and parser, generated at build time by flex and bison into the build
# tree (<build>/generated/script/), where the script layer's private include path finds them as
# "script/...". Sets LUMO_GRAMMAR_SOURCES and LUMO_GRAMMAR_INCLUDE_DIR for the script layer.
find_package(FLEX 2.6 REQUIRED)
find_package(BISON 3.6 REQUIRED)

set(LUMO_GRAMMAR_INCLUDE_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated)
set(LUMO_GRAMMAR_DIR ${LUMO_GRAMMAR_INCLUDE_DIR}/script)
file(MAKE_DIRECTORY ${LUMO_GRAMMAR_DIR})

# Bison warnings (conflicts included) fail the build: the grammar is LALR(1) without conflicts.
bison_target(ScriptParser ${CMAKE_CURRENT_SOURCE_DIR}/script/ScriptParser.y
             ${LUMO_GRAMMAR_DIR}/ScriptParser.cpp
             DEFINES_FILE ${LUMO_GRAMMAR_DIR}/ScriptParser.hpp
             COMPILE_FLAGS "-Wall -Werror")
flex_target(ScriptLexer ${CMAKE_CURRENT_SOURCE_DIR}/script/ScriptLexer.l
            ${LUMO_GRAMMAR_DIR}/ScriptLexer.cpp)
add_flex_bison_dependency(ScriptLexer ScriptParser)

set(LUMO_GRAMMAR_SOURCES ${BISON_ScriptParser_OUTPUTS} ${FLEX_ScriptLexer_OUTPUTS})

# The scanner's own fatal-error function stays unused: its errors go through our hook instead.
set_source_files_properties(${FLEX_ScriptLexer_OUTPUTS} PROPERTIES
                            COMPILE_OPTIONS "-Wno-unused-function")
