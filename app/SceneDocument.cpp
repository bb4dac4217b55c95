#include "app/SceneDocument.h"

#include "script/Archive.h"
#include "script/LumoDoc.h"

wxIMPLEMENT_DYNAMIC_CLASS(CSceneDocument, wxDocument);

CSceneDocument::CSceneDocument() : m_scene(std::make_unique<CLumoDoc>()) {}

CSceneDocument::~CSceneDocument() = default;

bool CSceneDocument::OnNewDocument() {
    if (!wxDocument::OnNewDocument())
        return false;
    SetTitle("Untitled");
    SetFilename(wxEmptyString, true);
    return m_scene->OnNewDocument();
}

bool CSceneDocument::OnOpenDocument(const wxString& file) {
    if (!DoOpenDocument(file))
        return false;
    SetTitle(wxFileNameFromPath(file));
    SetFilename(file, true);
    SetDocumentSaved(true);
    Modify(false);
    UpdateAllViews();
    return true;
}

bool CSceneDocument::LoadScript(const std::string& path, std::string& error) {
    CArchive archive(path, CArchive::load);
    if (!m_scene->Serialize(archive)) {
        error = archive.GetError().empty() ? "cannot read '" + path + "'" : archive.GetError();
        return false;
    }
    return true;
}

bool CSceneDocument::DoOpenDocument(const wxString& file) {
    m_lastError.clear();
    return LoadScript(file.utf8_string(), m_lastError);
}

// The program saves scripts through Save Script only; the framework's save path is not used.
bool CSceneDocument::DoSaveDocument(const wxString&) {
    return false;
}
