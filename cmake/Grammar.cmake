# The scene script scanner and parser, generated at build time.
# Sets LUMO_GRAMMAR_SOURCES for the engine library.
set(LUMO_GRAMMAR_SOURCES "")
