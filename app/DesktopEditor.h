#pragma once

#include <functional>
#include <string>

// The external editor of the View menu's Editor command and the options sheet's default.
//
// The default is the desktop's graphical text editor: the default application for text/plain
// as xdg-mime names it, started with gtk-launch; else the first of a short list of graphical
// text editors found on PATH. A terminal editor such as $EDITOR would have no terminal to run
// in. Computed once per process; empty when there is none, rather than a program that is not
// there.
std::string DefaultEditorCommand();

// Runs the command line through /bin/sh -c, unchanged and without waiting for it, so the
// program stays usable while the editor is open. False when no process could be started. When
// the shell ends, onExit (if any) is called on the user-interface thread with its exit status.
bool StartCommandLine(const std::string& commandLine,
                      std::function<void(int status)> onExit = nullptr);

// View > Editor: starts the "EditorPath" command line. An empty one, or one the shell cannot
// run (status 126 or 127: not executable, not found), is said in a message box that points at
// View > Options.
void StartEditor(const std::string& commandLine);
