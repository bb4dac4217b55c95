#pragma once

#include <wx/docview.h>

#include <memory>
#include <string>

class CLumoDoc;

// The desktop's document: a thin wxDocument that owns the engine's scene document and gives it
// the framework's title, file name and load path. It handles no command of its own.
class CSceneDocument : public wxDocument {
public:
    CSceneDocument();
    ~CSceneDocument() override;

    CLumoDoc& GetScene() { return *m_scene; }

    // A new document is "Untitled" until a script is opened through the load path, which
    // names it after the file. A file that cannot be read leaves the title and the scene.
    bool OnNewDocument() override;
    bool OnOpenDocument(const wxString& file) override;
    const std::string& GetLastError() const { return m_lastError; }
    // The scene stays as it is: opening a script adds its objects to the scene.
    bool DeleteContents() override { return true; }

    // The load path (command line, recent files): the keyword loader adds the file's objects.
    // False, with the reason, when the file cannot be read; the scene is then unchanged.
    bool LoadScript(const std::string& path, std::string& error);

protected:
    bool DoOpenDocument(const wxString& file) override;
    bool DoSaveDocument(const wxString& file) override;

private:
    std::unique_ptr<CLumoDoc> m_scene;
    std::string m_lastError;

    wxDECLARE_DYNAMIC_CLASS(CSceneDocument);
};
