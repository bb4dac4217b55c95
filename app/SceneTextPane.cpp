#include "app/SceneTextPane.h"

#include "app/AccessibleNames.h"
#include "app/CommandIds.h"
#include "app/SceneChange.h"
#include "app/SceneDocument.h"
#include "app/SceneTextEditor.h"
#include "platform/AtomicFileWriter.h"
#include "platform/FileReader.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "script/Archive.h"
#include "script/LumoDoc.h"

#include <wx/button.h>
#include <wx/filename.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace {

bool ReadDisk(const std::string& path, std::string& text) {
    std::string error;
    return ReadWholeFile(path, CArchive::kMaxLoadBytes, "too large", text, error);
}

wxString Joined(const std::vector<std::string>& lines) {
    wxString text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : " ") + wxString::FromUTF8(line);
    return text;
}

} // namespace

bool CSceneTextPane::IsShownInProfile() {
    return CSettingsStore::Profile().GetInt(CSettingsStore::kSection, kSetting, 0) != 0;
}

CSceneTextPane::CSceneTextPane(wxWindow* parent)
    : wxPanel(parent, wxID_ANY), m_pause(this, ID_SCENE_TEXT_PAUSE),
      m_quiet(this, ID_SCENE_TEXT_QUIET) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    m_label = new wxStaticText(this, wxID_ANY, "Scene &text");
    m_editor = new CSceneTextEditor(this, ID_SCENE_TEXT_EDITOR);
    NameForAccessibility(*m_editor, "Scene text", {}, m_label);
    m_message = new wxStaticText(this, wxID_ANY, wxString());
    m_save = new wxButton(this, ID_SCENE_TEXT_SAVE, "&Save");
    m_save->SetToolTip("Save the text to its file (Ctrl+S in the text)");
    sizer->Add(m_label, 0, wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(m_editor, 1, wxEXPAND | wxALL, 6);
    sizer->Add(m_message, 0, wxEXPAND | wxLEFT | wxRIGHT, 6);
    sizer->Add(m_save, 0, wxALL, 6);
    SetSizer(sizer);

    // Changes of the text itself (marks and messages under the lines are changes too for the
    // control).
    m_editor->Bind(wxEVT_STC_MODIFIED, [this](wxStyledTextEvent& event) {
        event.Skip();
        if (m_writing ||
            !(event.GetModificationType() & (wxSTC_MOD_INSERTTEXT | wxSTC_MOD_DELETETEXT)))
            return;
        m_typed = true;
        // Each key starts the pause again: the text is read once the typing rests.
        m_pause.StartOnce(kPauseMs);
    });
    // Before the window's accelerators, which give Ctrl+S to Save Script.
    m_editor->Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == 'S' && event.GetModifiers() == wxMOD_CONTROL) {
            Save();
            return;
        }
        event.Skip();
    });
    m_save->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Save(); });
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { ReadAndApply(); }, ID_SCENE_TEXT_PAUSE);
    Bind(
        wxEVT_TIMER,
        [this](wxTimerEvent&) {
            if (m_active && m_document && m_document->GetScene().GetRevision() != m_baseRevision)
                SceneChanged();
        },
        ID_SCENE_TEXT_QUIET);
    m_watch.m_onChanged = [this] { FileChanged(); };
    ShowFileName();
}

CSceneTextPane::~CSceneTextPane() {
    SetDocument(nullptr);
}

void CSceneTextPane::SetDocument(CSceneDocument* document) {
    if (m_document) {
        m_document->m_textUnsaved = nullptr;
        m_document->m_saveText = nullptr;
    }
    m_document = document;
    m_pause.Stop();
    m_typed = false;
    m_sourceSeen = false;
    m_watch.Watch(std::string());
    if (document) {
        document->m_textUnsaved = [this] { return HasUnsavedText(); };
        document->m_saveText = [this] { return Save(); };
        if (m_active)
            SyncWithScene();
    } else {
        m_writing = true;
        m_editor->ClearAll();
        m_writing = false;
    }
}

void CSceneTextPane::SetActive(bool active) {
    m_active = active;
    if (!active) {
        // Typing not read yet stays in the text; nothing is followed meanwhile.
        m_watch.Watch(std::string());
        return;
    }
    // What happened while it was hidden: the file taken up again, unless typing is waiting.
    if (!m_typed)
        m_sourceSeen = false;
    SyncWithScene();
}

bool CSceneTextPane::IsInStep() const {
    return m_document && m_editor->GetBytes() == m_base &&
           m_baseRevision == m_document->GetScene().GetRevision();
}

wxString CSceneTextPane::GetMessage() const {
    return m_messageText;
}

std::string CSceneTextPane::Name() const {
    if (m_path.empty())
        return "Untitled";
    return wxFileName(wxString::FromUTF8(m_path)).GetFullName().utf8_string();
}

void CSceneTextPane::Say(const wxString& message) {
    if (m_messageText == message)
        return;
    m_messageText = message;
    m_message->SetLabelText(message);
    m_message->Wrap(std::max(100, GetClientSize().GetWidth() - 12));
    Layout();
}

void CSceneTextPane::ShowFileName() {
    wxString name = wxString::FromUTF8(Name());
    wxString what = m_format == CSceneText::script ? "a script: its spheres are the scene's objects"
                    : m_path.empty()               ? "the scene, not saved to a file yet"
                                                   : "a scene file";
    m_label->SetLabel("Scene &text: " + name + " (" + what + ")");
}

void CSceneTextPane::ShowText(const std::string& text, bool fresh) {
    m_writing = true;
    m_editor->SetFormat(m_format);
    m_editor->ShowBytes(text, fresh);
    m_writing = false;
}

void CSceneTextPane::SyncWithScene() {
    if (!m_active || !m_document)
        return;
    // The watcher needs a running event loop; one that could not start is started again here.
    if (!m_path.empty() && !m_watch.IsWatching())
        m_watch.Watch(m_path);
    if (!m_sourceSeen || m_document->GetSourceSerial() != m_sourceSerial) {
        m_sourceSeen = true;
        m_sourceSerial = m_document->GetSourceSerial();
        TakeSource();
        return;
    }
    unsigned long revision = m_document->GetScene().GetRevision();
    if (revision == m_baseRevision)
        return;
    if (m_base.size() <= kQuickBytes) {
        SceneChanged();
    } else if (revision != m_quietRevision) {
        m_quietRevision = revision;
        m_quiet.StartOnce(kPauseMs);
    }
}

void CSceneTextPane::TakeSource() {
    const CSceneDocument::SourceFile& source = m_document->GetSourceFile();
    CLumoDoc& scene = m_document->GetScene();
    m_pause.Stop();
    m_typed = false;
    ClearErrorMark();
    Say(wxString());
    if (!source.path.empty()) {
        m_format = source.script ? CSceneText::script : CSceneText::sceneFile;
        m_path = source.path;
        m_diskText = source.text;
        m_onDisk = true;
        m_base = source.text;
        m_baseRevision = source.revision;
        ShowText(source.text, true);
        if (m_format == CSceneText::script)
            m_settings = CSceneText::SettingsText(scene);
        m_watch.Watch(m_path);
    } else {
        m_format = CSceneText::sceneFile;
        m_path.clear();
        m_diskText.clear();
        m_onDisk = false;
        m_watch.Watch(std::string());
        std::string text;
        std::vector<std::string> reasons;
        if (!CSceneText::Write(scene, CSceneText::sceneFile, text, reasons))
            Say(Joined(reasons));
        m_base = text;
        m_baseRevision = scene.GetRevision();
        ShowText(text, true);
    }
    ShowFileName();
    // Changed since the file was read: the change goes into the text.
    if (scene.GetRevision() != m_baseRevision)
        SceneChanged();
}

void CSceneTextPane::SceneChanged() {
    CLumoDoc& scene = m_document->GetScene();
    unsigned long revision = scene.GetRevision();
    std::string current = m_editor->GetBytes();
    std::string rewritten;
    std::vector<std::string> reasons;
    if (m_format == CSceneText::script) {
        if (!CSceneText::Rewrite(m_base, m_format, Name(), scene, rewritten, reasons)) {
            m_baseRevision = revision;
            if (current != m_base) {
                Say("The scene now holds what a script cannot say, and the text holds typing "
                    "that is not read yet: the typing stays, but is not read into the scene "
                    "while it holds that. " +
                    Joined(reasons));
                return;
            }
            // Nothing is lost: the whole scene from now on, and the script left as it was.
            wxString why = Joined(reasons) + " The text is the whole scene as a scene file now; " +
                           wxString::FromUTF8(Name()) + " is left as it was.";
            m_format = CSceneText::sceneFile;
            m_path.clear();
            m_onDisk = false;
            m_watch.Watch(std::string());
            CSceneText::Write(scene, CSceneText::sceneFile, rewritten, reasons);
            m_base = rewritten;
            ShowText(rewritten, false);
            ShowFileName();
            Say(why);
            return;
        }
        if (rewritten == m_base) {
            m_baseRevision = revision;
            if (CSceneText::SettingsText(scene) != m_settings)
                Say("A script holds spheres only: the camera, the lights and the background "
                    "stay the scene's, not " +
                    wxString::FromUTF8(Name()) + "'s (File > Save Scene As keeps them).");
            return;
        }
    } else if (!CSceneText::Rewrite(m_base, m_format, Name(), scene, rewritten, reasons)) {
        m_baseRevision = revision;
        Say(Joined(reasons));
        return;
    }
    CSceneText::Replacement replacement;
    if (!CSceneText::Rebase(m_base, current, rewritten, replacement)) {
        // Typing is never thrown away.
        m_baseRevision = revision;
        Say("The scene was also changed elsewhere, where the text is being typed: the typing "
            "stays, and the scene becomes what it says once it reads.");
        return;
    }
    bool typing = current != m_base;
    m_writing = true;
    m_editor->Replace(replacement);
    m_writing = false;
    m_base = rewritten;
    m_baseRevision = revision;
    if (typing)
        m_pause.StartOnce(kPauseMs); // the typing, moved with the change, is read again
    else
        ClearErrorMark();
}

void CSceneTextPane::ReadNow() {
    m_pause.Stop();
    ReadAndApply();
}

void CSceneTextPane::ReadAndApply() {
    if (!m_document)
        return;
    std::string text = m_editor->GetBytes();
    CSceneText::Reading reading;
    if (!ReadMarked(text, reading))
        return;
    CLumoDoc& scene = m_document->GetScene();
    if (text == m_base && m_baseRevision == scene.GetRevision())
        return;
    std::string ignored;
    std::vector<std::string> reasons;
    if (m_format == CSceneText::script &&
        !CSceneText::Write(scene, CSceneText::script, ignored, reasons)) {
        Say("The script is not read into the scene, which holds what a script cannot say: "
            "nothing is lost. " +
            Joined(reasons));
        return;
    }
    bool changed = CSceneText::Apply(scene, std::move(reading));
    m_base = text;
    m_baseRevision = scene.GetRevision();
    Say(wxString());
    if (changed) {
        // As a file opened: the views clear the picture of the scene before, and render again.
        CSceneChange change(CSceneChange::clearPicture);
        m_document->UpdateAllViews(nullptr, &change);
    }
}

void CSceneTextPane::MarkError(const CSceneText::Error& error) {
    m_hasError = true;
    m_editor->ShowError(error);
    wxString message = wxString::FromUTF8(error.message);
    Say(message);
    if (m_onStatus)
        m_onStatus(message);
}

void CSceneTextPane::ClearErrorMark() {
    m_editor->ClearError();
    if (!m_hasError)
        return;
    m_hasError = false;
    Say(wxString());
    if (m_onStatus)
        m_onStatus("Ready");
}

bool CSceneTextPane::ShowObject(std::size_t index) {
    if (!m_document)
        return false;
    std::string text = m_editor->GetBytes();
    if (m_placesText != text) {
        CSceneText::Reading reading;
        CSceneText::Error error;
        if (!CSceneText::Read(text, m_format, Name(), reading, error))
            return false;
        m_places = std::move(reading.source.objects);
        m_placesText = text;
    }
    if (!IsInStep() || index >= m_places.size())
        return false;
    m_editor->GoToPlace(m_places[index]);
    return true;
}

bool CSceneTextPane::Save() {
    if (!m_document)
        return false;
    CPlatform& platform = CPlatform::Current();
    std::string text = m_editor->GetBytes();
    CSceneText::Reading reading;
    CSceneText::Error error;
    bool reads = CSceneText::Read(text, m_format, Name(), reading, error);
    if (reads) {
        ReadNow(); // the scene is what is saved
    } else if (platform.AskYesNoCancel(
                   "The text does not read: " + error.message + "\n\nSave it as it is?", "lumo") !=
               CPlatform::yes) {
        return false;
    }
    std::string path = m_path;
    if (path.empty()) {
        if (!CSceneDocument::ChooseSceneFile(CFileChoice::forSaving, path))
            return false;
    } else {
        // Nothing is written over a file another program changed since it was read here.
        std::string now;
        if (m_onDisk && ReadDisk(path, now) && now != m_diskText &&
            platform.AskYesNoCancel(Name() + " has been changed by another program since it "
                                             "was read here.\n\nReplace it with this text?",
                                    "lumo") != CPlatform::yes)
            return false;
    }
    CAtomicFileWriter writer(path);
    if (!writer.Write(text) || !writer.Commit()) {
        platform.MessageBox(writer.GetError(), "lumo");
        return false;
    }
    m_path = path;
    m_diskText = text;
    m_onDisk = true;
    m_typed = false;
    CLumoDoc& scene = m_document->GetScene();
    // The document counts as saved when the file holds the whole scene: a script does not
    // hold the settings, which must be as the script found them.
    bool whole =
        reads && IsInStep() &&
        (m_format == CSceneText::sceneFile || CSceneText::SettingsText(scene) == m_settings);
    m_document->TookSourceFile(path, text, m_format == CSceneText::script, whole);
    m_sourceSerial = m_document->GetSourceSerial();
    m_watch.Watch(path);
    ShowFileName();
    m_editor->SetSavePoint();
    if (m_format == CSceneText::script && !whole && reads)
        Say("Saved. " + wxString::FromUTF8(Name()) +
            " does not hold the camera, the lights and the background: File > Save Scene As "
            "keeps them.");
    return true;
}

void CSceneTextPane::FileChanged() {
    if (!m_document || m_path.empty())
        return;
    std::string text;
    if (!ReadDisk(m_path, text)) {
        Say(wxString::FromUTF8(Name()) +
            " was removed or cannot be read any more: Save writes it again.");
        return;
    }
    // Saved from here, touched without a change, or a version the user chose not to read.
    if (text == m_diskText || text == m_declinedText)
        return;
    if (m_document->IsModified()) {
        CPlatform::Answer answer = CPlatform::Current().AskYesNoCancel(
            Name() + " has been changed by another program.\n\nYes: read it as it is now (the "
                     "changes made here go).\nNo: keep the changes made here (Save asks before "
                     "it replaces the file).",
            "lumo");
        if (answer != CPlatform::yes) {
            m_declinedText = text;
            Say(wxString::FromUTF8(Name()) +
                " was changed by another program; the changes made here are kept.");
            return;
        }
    }
    Reload(text);
}

bool CSceneTextPane::ReadMarked(const std::string& text, CSceneText::Reading& reading) {
    CSceneText::Error error;
    if (!CSceneText::Read(text, m_format, Name(), reading, error)) {
        MarkError(error);
        return false;
    }
    ClearErrorMark();
    m_places = reading.source.objects;
    m_placesText = text;
    return true;
}

void CSceneTextPane::Reload(const std::string& text) {
    m_pause.Stop();
    m_diskText = text;
    m_onDisk = true;
    ShowText(text, true);
    m_typed = false;
    CSceneText::Reading reading;
    // A text that does not read leaves the scene the last one that read; the file's text is
    // shown with its error.
    if (!ReadMarked(text, reading))
        return;
    CLumoDoc& scene = m_document->GetScene();
    bool changed = CSceneText::Apply(scene, std::move(reading));
    m_base = text;
    m_baseRevision = scene.GetRevision();
    bool whole = m_format == CSceneText::sceneFile || CSceneText::SettingsText(scene) == m_settings;
    m_document->TookSourceFile(m_path, text, m_format == CSceneText::script, whole);
    m_sourceSerial = m_document->GetSourceSerial();
    if (changed) {
        CSceneChange change(CSceneChange::clearPicture);
        m_document->UpdateAllViews(nullptr, &change);
    }
    Say(wxString::FromUTF8(Name()) + " was changed by another program and has been read again.");
}
