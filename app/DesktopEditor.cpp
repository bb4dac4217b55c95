#include "app/DesktopEditor.h"

#include <wx/arrstr.h>
#include <wx/utils.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {
bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    std::stringstream folders(path);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        std::error_code ignored;
        if (!folder.empty() && std::filesystem::is_regular_file(folder + "/" + program, ignored))
            return true;
    }
    return false;
}

// The desktop file of the default text/plain application, or "".
std::string DefaultTextApplication() {
    if (!OnPath("xdg-mime") || !OnPath("gtk-launch"))
        return "";
    wxArrayString output;
    wxArrayString errors;
    if (wxExecute("xdg-mime query default text/plain", output, errors, wxEXEC_SYNC) != 0 ||
        output.empty())
        return "";
    std::string desktopFile = output[0].Trim().Trim(false).utf8_string();
    // A desktop file's name is one word ending in .desktop; anything else is not trusted into
    // a command line.
    if (desktopFile.size() <= 8 ||
        desktopFile.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                      "0123456789._-") != std::string::npos)
        return "";
    return desktopFile;
}
} // namespace

std::string DefaultEditorCommand() {
    static const std::string command = [] {
        std::string application = DefaultTextApplication();
        if (!application.empty())
            return "gtk-launch " + application;
        for (const char* editor : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad",
                                   "pluma", "xed", "geany", "featherpad", "leafpad"})
            if (OnPath(editor))
                return std::string(editor);
        // Nothing found: the shell's "not found" on standard error is the only sign, as for
        // any editor path that names no program.
        return std::string("gedit");
    }();
    return command;
}

bool StartCommandLine(const std::string& commandLine) {
    const char* argv[] = {"/bin/sh", "-c", commandLine.c_str(), nullptr};
    return wxExecute(const_cast<char**>(argv), wxEXEC_ASYNC) > 0;
}
