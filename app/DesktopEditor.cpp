#include "app/DesktopEditor.h"

#include "platform/Platform.h"

#include <wx/arrstr.h>
#include <wx/process.h>
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
        // Nothing found: no editor, and View > Editor says so.
        return std::string();
    }();
    return command;
}

namespace {
// Reports the shell's end, then deletes itself (wxWidgets calls OnTerminate once).
class CEndWatch : public wxProcess {
public:
    explicit CEndWatch(std::function<void(int)> onExit) : m_onExit(std::move(onExit)) {}
    void OnTerminate(int, int status) override {
        if (m_onExit)
            m_onExit(status);
        delete this;
    }

private:
    std::function<void(int)> m_onExit;
};
} // namespace

bool StartCommandLine(const std::string& commandLine, std::function<void(int status)> onExit) {
    const char* argv[] = {"/bin/sh", "-c", commandLine.c_str(), nullptr};
    auto* watch = onExit ? new CEndWatch(std::move(onExit)) : nullptr;
    if (wxExecute(const_cast<char**>(argv), wxEXEC_ASYNC, watch) > 0)
        return true;
    delete watch;
    return false;
}

void StartEditor(const std::string& commandLine) {
    const std::string hint = " Choose the editor's command line in View > Options (\"Editor\").";
    if (commandLine.find_first_not_of(" \t") == std::string::npos) {
        CPlatform::Current().MessageBox("No text editor was found to start." + hint, "lumo");
        return;
    }
    auto failed = [commandLine, hint](const std::string& why) {
        CPlatform::Current().MessageBox(
            "Cannot start the editor \"" + commandLine + "\": " + why + "." + hint, "lumo");
    };
    bool started = StartCommandLine(commandLine, [failed](int status) {
        // The shell's own statuses for a command it could not run; any other is the editor's.
        if (status == 127)
            failed("the command was not found");
        else if (status == 126)
            failed("the command cannot be run");
    });
    if (!started)
        failed("no process could be started");
}
