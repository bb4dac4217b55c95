#pragma once

#include "app/RecentFileList.h"
#include "app/SceneDocument.h"
#include "platform/Platform.h"
#include "render/ImageFile.h"

#include <functional>
#include <string>
#include <vector>

class CArchive;
class CLumoDoc;
class CMainFrame;
class wxWindow;

// The file commands of the window: File > Open, Save Script (and the Save button), Export
// Image, Open Scene, Save Scene As, Scene > Parse Script, the recent-file list and files dropped
// on the picture. Every file is opened through CSceneDocument::OpenFile, which tells the views
// of a changed scene; nothing here repaints. The frame and the view route the commands here.
class CFileCommands {
public:
    // The file dialogs' filter of scripts, shared by Open, Save Script and Parse Script.
    static constexpr const char* kScriptFilter = "Lumo files (*.lmo)|*.lmo|All Files (*.*))|*.*||";

    explicit CFileCommands(CMainFrame& frame);

    // File > Open: a script's objects join the scene and the document keeps its name; a file
    // that cannot be read ends the command without a message.
    void Open();
    // Save Script: the save dialog, then the object list as script text.
    void SaveScript();
    // Export Image: the picture shown, as PNG or PPM; or as a 16-bit PNG or OpenEXR made from
    // its levels, for which the scene is rendered again at the picture's size (with progress,
    // Escape stops it) and written only when that render gives the picture shown.
    void ExportImage();
    void OpenScene();
    void SaveSceneAs();
    // Rebuilds the scene's objects from a script through the grammar, only when the whole
    // script parses; a scene file is read whole instead.
    void ParseScript();
    void OpenRecentFile(int id);
    // Files dropped on the window open as File > Open opens them, while no render runs. True
    // when one of them opened.
    bool OpenDroppedFiles(const std::vector<std::string>& paths);
    // Makes the window a target for dropped files.
    void AcceptDroppedFiles(wxWindow& window);

    bool CanExportImage() const;
    bool CanOpenRecentFile(int id) const;

    CRecentFileList& GetRecentFiles() { return m_recentFiles; }
    // Reads the list from the profile and shows it in the File menu.
    void LoadRecentFiles();
    // Puts the file at the front of the list and shows the list.
    void AddRecentFile(const std::string& path);
    void UpdateRecentFileMenu();

    // Export Image's file types, in the dialog's order: the picture as it is shown (PNG, PPM)
    // or made from the levels before they were quantised (16-bit PNG, OpenEXR).
    static constexpr const char* kImageFilter =
        "PNG image (*.png)|*.png|16-bit PNG image (*.png)|*.png|OpenEXR image (*.exr)|*.exr|"
        "PPM image (*.ppm)|*.ppm";
    enum ImageType { pngImage, png16Image, exrImage, ppmImage };
    // The format a chosen name and file type make: the name's extension says which (the dialog
    // has made it the type's when the user turned to another type), and a ".png" is a 16-bit
    // PNG when that is the type chosen.
    static CImageFile::Format ExportFormat(const std::string& path, int type);

    // The script file dialog of Open, Save Script and Parse Script: the filter above, "*.lmo"
    // as the initial name, "lumo" added to a name without an extension; an opened file must
    // exist. False when the user cancelled.
    static bool ChooseScriptFile(CFileChoice::Mode mode, std::string& path);
    // The save dialog of Save Script, then the store writes the file; a failure is said.
    // True when the file was written.
    static bool SaveScriptWith(const std::function<void(CArchive&)>& store);

private:
    CSceneDocument* Document() const;
    void ExportLevels(CLumoDoc& scene, const std::string& path, CImageFile::Format format);
    bool IsIdle() const;
    // Opens the file with the wait cursor shown; a failure is said.
    CSceneDocument::OpenOutcome OpenFile(const std::string& path,
                                         const CSceneDocument::ScriptOpening& opening);

    CMainFrame& m_frame;
    CRecentFileList m_recentFiles;
};
