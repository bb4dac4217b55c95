#pragma once

#include <string>

// The external editor of the View menu's Editor command and the options sheet's default.
//
// The default is the desktop's graphical text editor: the default application for text/plain
// as xdg-mime names it, started with gtk-launch; else the first of a short list of graphical
// text editors found on PATH. A terminal editor such as $EDITOR would have no terminal to run
// in. Computed once per process.
std::string DefaultEditorCommand();

// Runs the command line through /bin/sh -c, unchanged and without waiting for it, so the
// program stays usable while the editor is open. False when no process could be started.
bool StartCommandLine(const std::string& commandLine);
