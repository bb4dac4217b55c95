#include "app/FileCommands.h"

#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/RenderController.h"
#include "core/Image.h"
#include "render/ImageFile.h"
#include "script/Archive.h"
#include "script/LumoDoc.h"

#include <wx/dnd.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include <cstring>
#include <unistd.h>

namespace {

// Hands the files dropped on the picture to the file commands.
class CFileDrop : public wxFileDropTarget {
public:
    explicit CFileDrop(CFileCommands& commands) : m_commands(commands) {}
    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override {
        std::vector<std::string> paths;
        for (const wxString& file : files)
            paths.push_back(file.utf8_string());
        return m_commands.OpenDroppedFiles(paths);
    }

private:
    CFileCommands& m_commands;
};

bool Opened(CSceneDocument::OpenOutcome outcome) {
    return outcome == CSceneDocument::addedScript || outcome == CSceneDocument::replacedScene;
}

bool SamePicture(const CImage& a, const CImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || !a.HasPlanes() ||
        !b.HasPlanes())
        return false;
    std::size_t bytes =
        static_cast<std::size_t>(a.GetWidth()) * static_cast<std::size_t>(a.GetHeight());
    return std::memcmp(a.GetRedPlane(), b.GetRedPlane(), bytes) == 0 &&
           std::memcmp(a.GetGreenPlane(), b.GetGreenPlane(), bytes) == 0 &&
           std::memcmp(a.GetBluePlane(), b.GetBluePlane(), bytes) == 0;
}

} // namespace

CFileCommands::CFileCommands(CMainFrame& frame)
    : m_frame(frame), m_recentFiles(ID_FILE_MRU_FILE1, kRecentFileCount) {}

CSceneDocument* CFileCommands::Document() const {
    return m_frame.GetCurrentDocument();
}

bool CFileCommands::IsIdle() const {
    return !m_frame.IsRendering();
}

CSceneDocument::OpenOutcome CFileCommands::OpenFile(const std::string& path,
                                                    const CSceneDocument::ScriptOpening& opening) {
    CSceneDocument* document = Document();
    if (!document)
        return CSceneDocument::cancelled;
    std::string error;
    CSceneDocument::OpenOutcome outcome;
    {
        wxBusyCursor wait;
        outcome = document->OpenFile(path, opening, error);
    }
    if (outcome == CSceneDocument::failed)
        CPlatform::Current().MessageBox(error, "lumo");
    return outcome;
}

bool CFileCommands::ChooseScriptFile(CFileChoice::Mode mode, std::string& path) {
    CFileChoice choice{.mode = mode,
                       .filter = kScriptFilter,
                       .initialName = "*.lmo",
                       .defaultExtension = "lumo",
                       .mustExist = mode == CFileChoice::forOpening};
    return CPlatform::Current().ChooseFile(choice, path);
}

void CFileCommands::Open() {
    if (!IsIdle())
        return;
    std::string path;
    if (!ChooseScriptFile(CFileChoice::forOpening, path))
        return;
    // A file that cannot be opened ends the command without a message.
    if (access(path.c_str(), R_OK) != 0)
        return;
    // The document's name stays for a script, whose objects join the scene.
    OpenFile(path, {.naming = CSceneDocument::keepName});
}

bool CFileCommands::OpenDroppedFiles(const std::vector<std::string>& paths) {
    if (!IsIdle())
        return false;
    bool opened = false;
    for (const std::string& path : paths)
        opened = Opened(OpenFile(path, {.naming = CSceneDocument::keepName})) || opened;
    return opened;
}

void CFileCommands::AcceptDroppedFiles(wxWindow& window) {
    window.SetDropTarget(new CFileDrop(*this));
}

void CFileCommands::SaveScript() {
    if (CSceneDocument* document = Document()) {
        CLumoDoc& scene = document->GetScene();
        // A script has no plane fixed in the world: each is written as the plane the eye
        // sees in its place, and the user is told.
        std::vector<std::string> notes;
        if (SaveScriptWith([&](CArchive& archive) { scene.Serialize(archive, &notes); }) &&
            !notes.empty()) {
            std::string text;
            for (const std::string& note : notes)
                text += (text.empty() ? "" : "\n") + note;
            CPlatform::Current().MessageBox(text, "lumo");
        }
    }
}

bool CFileCommands::SaveScriptWith(const std::function<void(CArchive&)>& store) {
    std::string path;
    if (!ChooseScriptFile(CFileChoice::forSaving, path))
        return false;
    CArchive archive(path, CArchive::store);
    {
        wxBusyCursor wait;
        store(archive);
    }
    // A save that did not happen is said, never passed over: the user would lose the scene.
    if (!archive.Close()) {
        CPlatform::Current().MessageBox(archive.GetError(), "lumo");
        return false;
    }
    return true;
}

bool CFileCommands::CanExportImage() const {
    CSceneDocument* document = Document();
    return document && document->GetScene().m_imageComplete && !m_frame.IsRendering();
}

CImageFile::Format CFileCommands::ExportFormat(const std::string& path, int type) {
    CImageFile::Format format = CImageFile::FormatOf(path);
    return format == CImageFile::png && type == png16Image ? CImageFile::png16 : format;
}

void CFileCommands::ExportImage() {
    CSceneDocument* document = Document();
    if (!document || !document->GetScene().m_imageComplete || !IsIdle())
        return;
    int type = pngImage;
    CFileChoice choice{.mode = CFileChoice::forSaving,
                       .filter = kImageFilter,
                       .initialName = "lumo.png",
                       .defaultExtension = "png",
                       .confirmOverwrite = true,
                       .chosenType = &type};
    std::string path;
    if (!CPlatform::Current().ChooseFile(choice, path))
        return;
    CImageFile::Format format = ExportFormat(path, type);
    if (CImageFile::NeedsLevels(format)) {
        ExportLevels(document->GetScene(), path, format);
        return;
    }
    std::string error;
    wxBusyCursor wait;
    if (!CImageFile::Write(document->GetScene().m_image, path, error))
        CPlatform::Current().MessageBox("Cannot export the picture: " + error, "lumo");
}

// The picture keeps only bytes: its levels come from the scene rendered again as the picture
// was (the same size and settings give the same picture, byte for byte, on any threads). What
// is written is that render's levels, and only when its own bytes are the picture shown: a
// scene changed since, another "MaxRecursion" or a stopped render would give other levels.
void CFileCommands::ExportLevels(CLumoDoc& scene, const std::string& path,
                                 CImageFile::Format format) {
    const CImage& shown = scene.m_image;
    RenderResult result = m_frame.GetRenderController().RenderLevels(
        scene, static_cast<unsigned>(shown.GetWidth()), static_cast<unsigned>(shown.GetHeight()));
    const char* kind = format == CImageFile::exr ? "an OpenEXR image" : "a 16-bit PNG image";
    switch (result.status) {
    case RenderResult::stopped: // by the user: nothing is written, nothing needs saying
        return;
    case RenderResult::noMemory:
        CPlatform::Current().MessageBox(
            std::string("Cannot export the picture as ") + kind + ": out of memory", "lumo");
        return;
    case RenderResult::finished:
        break;
    }
    if (!SamePicture(result.picture, shown)) {
        CPlatform::Current().MessageBox(
            std::string("Cannot export the picture as ") + kind +
                ": its levels are rendered again from the scene, which no longer gives the "
                "picture shown (the scene or the settings changed, or the render was stopped). "
                "Render the picture again, then export it.",
            "lumo");
        return;
    }
    std::string error;
    wxBusyCursor wait;
    if (!CImageFile::Write(result.levels, format, path, error))
        CPlatform::Current().MessageBox("Cannot export the picture: " + error, "lumo");
}

void CFileCommands::OpenScene() {
    if (!IsIdle())
        return;
    std::string path;
    if (!CSceneDocument::ChooseSceneFile(CFileChoice::forOpening, path))
        return;
    if (Opened(OpenFile(path, {})))
        AddRecentFile(path);
}

void CFileCommands::SaveSceneAs() {
    if (CSceneDocument* document = Document())
        document->ChooseAndSaveScene();
}

// A script that stops half-way leaves the scene as it was, and the error says where, as
// lumo-render says it.
void CFileCommands::ParseScript() {
    if (!Document() || !IsIdle())
        return;
    std::string path;
    if (!ChooseScriptFile(CFileChoice::forOpening, path))
        return;
    OpenFile(path, {.reading = CLumoDoc::grammar, .naming = CSceneDocument::keepName});
}

bool CFileCommands::CanOpenRecentFile(int id) const {
    return !m_recentFiles.GetFileForId(id).empty() && IsIdle();
}

// A script from the list keeps the picture on the screen, as the framework's load path shows
// it; a scene file clears it, as wherever it is opened.
void CFileCommands::OpenRecentFile(int id) {
    std::string path = m_recentFiles.GetFileForId(id);
    if (path.empty() || !Document() || !IsIdle())
        return;
    switch (OpenFile(path, {.picture = CSceneChange::keepPicture})) {
    case CSceneDocument::failed:
        m_recentFiles.Remove(static_cast<std::size_t>(id - ID_FILE_MRU_FILE1));
        break;
    case CSceneDocument::cancelled:
        return;
    case CSceneDocument::replacedScene:
    case CSceneDocument::addedScript:
        m_recentFiles.Add(path);
        break;
    }
    UpdateRecentFileMenu();
}

void CFileCommands::LoadRecentFiles() {
    m_recentFiles.Load();
    UpdateRecentFileMenu();
}

void CFileCommands::AddRecentFile(const std::string& path) {
    m_recentFiles.Add(path);
    UpdateRecentFileMenu();
}

void CFileCommands::UpdateRecentFileMenu() {
    if (wxMenuBar* menuBar = m_frame.GetMenuBar())
        m_recentFiles.UpdateMenu(*menuBar->GetMenu(kFileMenuPosition), kRecentFileItemPosition);
}
