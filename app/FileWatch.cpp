#include "app/FileWatch.h"

#include "app/CommandIds.h"

#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/fswatcher.h>
#include <wx/log.h>

namespace {
// The file's whole path as the watcher reports paths: absolute, without "." or "..".
wxString Normalised(const wxFileName& file) {
    wxFileName normal(file);
    normal.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
    return normal.GetFullPath();
}
} // namespace

CFileWatch::CFileWatch() : m_settle(this, ID_SCENE_TEXT_SETTLE) {
    Bind(wxEVT_FSWATCHER, &CFileWatch::OnEvent, this);
    Bind(wxEVT_TIMER, &CFileWatch::OnSettled, this, ID_SCENE_TEXT_SETTLE);
}

CFileWatch::~CFileWatch() {
    m_settle.Stop();
    m_watcher.reset();
}

bool CFileWatch::Watch(const std::string& path) {
    if (path == m_path && (m_watcher || path.empty()))
        return true;
    m_watcher.reset();
    m_settle.Stop();
    m_path = path;
    if (path.empty())
        return true;
    wxFileName file(wxString::FromUTF8(path));
    wxFileName folder = wxFileName::DirName(file.GetPath().empty() ? "." : file.GetPath());
    if (!wxEventLoopBase::GetActive() || !folder.DirExists())
        return false;
    // A folder that cannot be watched is said by the caller, not by wxWidgets' log window.
    wxLogNull quiet;
    auto watcher = std::make_unique<wxFileSystemWatcher>();
    watcher->SetOwner(this);
    if (!watcher->Add(folder, wxFSW_EVENT_CREATE | wxFSW_EVENT_MODIFY | wxFSW_EVENT_RENAME |
                                  wxFSW_EVENT_DELETE))
        return false;
    m_watcher = std::move(watcher);
    return true;
}

void CFileWatch::OnEvent(wxFileSystemWatcherEvent& event) {
    if (m_path.empty())
        return;
    int kinds = wxFSW_EVENT_CREATE | wxFSW_EVENT_MODIFY | wxFSW_EVENT_RENAME | wxFSW_EVENT_DELETE;
    if (!(event.GetChangeType() & kinds))
        return;
    wxString ours = Normalised(wxFileName(wxString::FromUTF8(m_path)));
    // A rename over the file names it as the new path.
    if (Normalised(event.GetPath()) != ours && Normalised(event.GetNewPath()) != ours)
        return;
    m_settle.StartOnce(kSettleMs);
}

void CFileWatch::OnSettled(wxTimerEvent&) {
    if (m_onChanged)
        m_onChanged();
}
