#pragma once

#include <wx/event.h>
#include <wx/fswatcher.h>
#include <wx/timer.h>

#include <functional>
#include <memory>
#include <string>

// Tells when a file changes on disk, whoever changed it. Its folder is watched, not the file
// (editors save by writing a new file and renaming it over the old one), and the folder's
// events are filtered by the file's name; a burst of them (a write in pieces, a rename) is told
// once, when the file has been quiet for kSettleMs.
class CFileWatch : public wxEvtHandler {
public:
    static constexpr int kSettleMs = 100;

    CFileWatch();
    ~CFileWatch() override;

    // Watches the file; an empty path watches nothing. False when the folder cannot be
    // watched, or no event loop runs yet (the watcher needs one): the caller tries again later.
    bool Watch(const std::string& path);
    const std::string& GetPath() const { return m_path; }
    bool IsWatching() const { return m_watcher != nullptr; }

    // Called on the window's thread once the file has changed and settled.
    std::function<void()> m_onChanged;

private:
    void OnEvent(wxFileSystemWatcherEvent& event);
    void OnSettled(wxTimerEvent& event);

    std::unique_ptr<wxFileSystemWatcher> m_watcher;
    std::string m_path;
    wxTimer m_settle;
};
