#pragma once

#include "app/FileWatch.h"
#include "script/SceneText.h"

#include <wx/panel.h>
#include <wx/timer.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class CSceneDocument;
class CSceneTextEditor;
class wxButton;
class wxStaticText;

// The pane that holds the scene as text beside the view (View > Scene Text), and keeps the two
// one:
// - What it holds: the file the scene was read from, as it is on disk (a scene file, or a
//   script whose spheres Parse Script made the scene's objects), else the scene written as a
//   scene file.
// - Typing: once the typing has paused for kPauseMs, the text is read; when it reads, the
//   scene becomes what it says (only what differs is changed) and the live view shows it;
//   when it does not, the reader's error is marked where it is and said under the text and in
//   the status bar, and the scene stays the last one that read. No box is shown while typing.
// - Changes made elsewhere (the mouse, the properties pane, the dialogs, the wizard) are
//   written into the text as the smallest change, so the cursor and the lines in view stay;
//   typing that has not been read yet is kept, and where the two meet the typing wins once it
//   reads (and the pane says so). A script holds spheres only: the camera, the lights and the
//   background stay the scene's, and a scene that comes to hold what a script cannot say is
//   shown as a scene file from then on, the script file left as it was.
// - The file on disk is watched: when another program changes it the scene is read again from
//   it, after a question when there are changes here that are not saved.
// - Save (the button, or Ctrl+S in the text) writes the text to its file atomically, asking
//   before it replaces a file another program changed meanwhile.
class CSceneTextPane : public wxPanel {
public:
    // The profile's setting of whether the pane is shown, off unless turned on.
    static constexpr const char* kSetting = "SceneText";
    static bool IsShownInProfile();
    // How long typing must pause before the text is read: longer than the gap between the
    // keys of a word typed at speed, short enough to feel immediate (bench/live measures it).
    static constexpr int kPauseMs = 150;
    // A text longer than this takes a while to read and write: a change made elsewhere waits
    // until the scene has been still for kPauseMs (a camera dragged over a crowd of spheres
    // moves on meanwhile).
    static constexpr std::size_t kQuickBytes = 256 * 1024;

    explicit CSceneTextPane(wxWindow* parent);
    ~CSceneTextPane() override;

    // The document whose scene the pane holds; null holds nothing. Give it null before the
    // document goes.
    void SetDocument(CSceneDocument* document);
    CSceneDocument* GetDocument() const { return m_document; }
    // Shown, the pane keeps the text and the scene one; hidden, it does nothing.
    void SetActive(bool active);
    bool IsActive() const { return m_active; }

    // From the frame's idle handler: a file opened or saved elsewhere is taken up, and a change
    // of the scene made elsewhere is written into the text.
    void SyncWithScene();
    // Puts the cursor on the statement that made the object; false when the text is not the
    // scene as it is now (or holds no such statement).
    bool ShowObject(std::size_t index);
    // Writes the text to its file, or to a scene file chosen now when it has none. False when
    // nothing was written.
    bool Save();
    // Reads the text and applies it now, without waiting for the pause.
    void ReadNow();

    // Typed here and not saved.
    bool HasUnsavedText() const { return m_typed; }
    // The text is the scene as it is now.
    bool IsInStep() const;
    bool HasError() const { return m_hasError; }
    CSceneText::Format GetFormat() const { return m_format; }
    const std::string& GetPath() const { return m_path; }
    CSceneTextEditor& GetEditor() { return *m_editor; }
    wxString GetMessage() const;
    CFileWatch& GetFileWatch() { return m_watch; }

    // Where the pane's one-line messages also go (the frame's status bar).
    std::function<void(const wxString&)> m_onStatus;

private:
    void TakeSource();
    void SceneChanged();
    void ShowText(const std::string& text, bool fresh);
    void ReadAndApply();
    // Reads the text; marks its error where it is, or clears the mark and keeps the places
    // of its statements. False when it does not read.
    bool ReadMarked(const std::string& text, CSceneText::Reading& reading);
    void FileChanged();
    void Reload(const std::string& text);
    void MarkError(const CSceneText::Error& error);
    void ClearErrorMark();
    void Say(const wxString& message);
    void ShowFileName();
    // The file's name for messages: its own name, or "Untitled".
    std::string Name() const;

    CSceneDocument* m_document = nullptr;
    bool m_active = false;
    wxStaticText* m_label = nullptr;
    CSceneTextEditor* m_editor = nullptr;
    wxStaticText* m_message = nullptr;
    wxString m_messageText; // as said, before it is wrapped to the pane's width
    wxButton* m_save = nullptr;
    wxTimer m_pause;
    wxTimer m_quiet;
    unsigned long m_quietRevision = 0;
    CFileWatch m_watch;

    CSceneText::Format m_format = CSceneText::sceneFile;
    std::string m_path;         // the file the text belongs to, or ""
    std::string m_diskText;     // the file's text as last read or written here
    std::string m_declinedText; // another program's version that the user chose not to read
    bool m_onDisk = false;
    // The text that is the scene at m_baseRevision: what a change made elsewhere is measured
    // from.
    std::string m_base;
    unsigned long m_baseRevision = 0;
    unsigned long m_sourceSerial = 0;
    bool m_sourceSeen = false;
    std::string m_settings; // a script's: the scene's settings when it was taken up
    bool m_typed = false;
    bool m_writing = false; // the pane itself is changing the text
    bool m_hasError = false;
    std::vector<CSourcePlace> m_places;
    std::string m_placesText; // the text m_places were read from
};
