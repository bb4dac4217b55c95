#include "app/SceneDocument.h"

#include "platform/Platform.h"
#include "script/Archive.h"
#include "script/LumoDoc.h"
#include "script/SceneFile.h"

wxIMPLEMENT_DYNAMIC_CLASS(CSceneDocument, wxDocument);

CSceneDocument::CSceneDocument()
    : m_scene(std::make_unique<CLumoDoc>()), m_savedRevision(m_scene->GetRevision()) {}

CSceneDocument::~CSceneDocument() = default;

bool CSceneDocument::OnNewDocument() {
    if (!wxDocument::OnNewDocument())
        return false;
    SetTitle("Untitled");
    SetFilename(wxEmptyString, true);
    return m_scene->OnNewDocument();
}

bool CSceneDocument::OnOpenDocument(const wxString& file) {
    return DoOpenDocument(file);
}

void CSceneDocument::NameAfter(const std::string& path) {
    wxString file = wxString::FromUTF8(path);
    SetTitle(wxFileNameFromPath(file));
    SetFilename(file, true);
    SetDocumentSaved(true);
    Modify(false);
}

bool CSceneDocument::IsModified() const {
    return wxDocument::IsModified() || m_scene->GetRevision() != m_savedRevision ||
           (m_textUnsaved && m_textUnsaved());
}

void CSceneDocument::Modify(bool modified) {
    if (!modified)
        m_savedRevision = m_scene->GetRevision();
    wxDocument::Modify(modified);
}

bool CSceneDocument::SaveSceneAs(const std::string& path, std::string& error) {
    if (!CSceneFile::Save(*m_scene, path, error))
        return false;
    m_scenePath = path;
    NameAfter(path);
    std::string text;
    std::string ignored;
    if (CSceneFile::Write(*m_scene, text, ignored))
        SetSource(path, text, false);
    return true;
}

void CSceneDocument::SetSource(const std::string& path, const std::string& text, bool script) {
    m_source = SourceFile{path, text, script, m_scene->GetRevision()};
    ++m_sourceSerial;
}

void CSceneDocument::TookSourceFile(const std::string& path, const std::string& text, bool script,
                                    bool wholeScene) {
    if (!script) {
        m_scenePath = path;
        NameAfter(path);
    }
    SetSource(path, text, script);
    Modify(!wholeScene);
}

bool CSceneDocument::ChooseSceneFile(CFileChoice::Mode mode, std::string& path) {
    CFileChoice choice{.mode = mode,
                       .filter = kSceneFilter,
                       .initialName = "*.lscene",
                       .defaultExtension = CSceneFile::kExtension,
                       .mustExist = mode == CFileChoice::forOpening,
                       .confirmOverwrite = mode == CFileChoice::forSaving};
    return CPlatform::Current().ChooseFile(choice, path);
}

bool CSceneDocument::ChooseAndSaveScene() {
    std::string path;
    if (!ChooseSceneFile(CFileChoice::forSaving, path))
        return false;
    std::string error;
    if (!SaveSceneAs(path, error)) {
        CPlatform::Current().MessageBox(error, "lumo");
        return false;
    }
    return true;
}

bool CSceneDocument::OnSaveModified() {
    if (!IsModified())
        return true;
    switch (CPlatform::Current().AskYesNoCancel(
        "Save changes to " + GetUserReadableName().utf8_string() + "?", "lumo")) {
    case CPlatform::yes:
        // The pane's text first: it may hold what the scene does not (text that does not read).
        if (m_saveText && m_textUnsaved && m_textUnsaved()) {
            if (!m_saveText())
                return false;
            if (!IsModified())
                return true;
        }
        if (!m_scenePath.empty()) {
            std::string error;
            if (SaveSceneAs(m_scenePath, error))
                return true;
            CPlatform::Current().MessageBox(error, "lumo");
            return false;
        }
        return ChooseAndSaveScene();
    case CPlatform::no:
        return true;
    default:
        return false;
    }
}

CSceneDocument::OpenOutcome CSceneDocument::OpenFile(const std::string& path,
                                                     const ScriptOpening& opening,
                                                     std::string& error) {
    CArchive archive(path, CArchive::load);
    std::string text;
    if (!archive.ReadAll(text)) {
        error = archive.GetError().empty() ? "cannot read '" + path + "'" : archive.GetError();
        return failed;
    }
    // A scene file replaces the scene in the window: a changed one is offered for saving first.
    switch (m_scene->ReadText(text, path, opening.reading, error,
                              [this] { return OnSaveModified(); })) {
    case CLumoDoc::readFailed:
        return failed;
    case CLumoDoc::readCancelled:
        return cancelled;
    case CLumoDoc::readScene:
        m_scenePath = path;
        NameAfter(path);
        SetSource(path, text, false);
        SceneChanged(CSceneChange::clearPicture);
        return replacedScene;
    case CLumoDoc::readScript:
        break;
    }
    // The grammar made the script's spheres the scene's objects: the script is what the scene
    // was read from.
    if (opening.reading == CLumoDoc::grammar)
        SetSource(path, text, true);
    if (opening.naming == nameAfterScript) {
        // Named after a script now: a save question must not write the scene file of before
        // over itself.
        m_scenePath.clear();
        if (opening.reading != CLumoDoc::grammar)
            SetSource(std::string(), std::string(), false);
        NameAfter(path);
    }
    SceneChanged(opening.picture);
    return addedScript;
}

// The wizard leaves the picture on the screen as it is, the last render's: the views are not
// told, and the next render shows the new scene.
void CSceneDocument::RunSceneWizard() {
    m_scene->RunSceneWizard();
}

void CSceneDocument::SceneChanged(CSceneChange::Picture picture) {
    CSceneChange change(picture);
    UpdateAllViews(nullptr, &change);
}

bool CSceneDocument::DoOpenDocument(const wxString& file) {
    m_lastError.clear();
    OpenOutcome outcome = OpenFile(file.utf8_string(), ScriptOpening{}, m_lastError);
    return outcome == addedScript || outcome == replacedScene;
}

// The program saves scripts through Save Script only; the framework's save path is not used.
bool CSceneDocument::DoSaveDocument(const wxString&) {
    return false;
}
