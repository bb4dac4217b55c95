#pragma once

#include "app/SceneChange.h"
#include "platform/Platform.h"
#include "script/LumoDoc.h"

#include <wx/docview.h>

#include <functional>
#include <memory>
#include <string>

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

    // Changed since it was opened or saved: by the framework's flag, by any change to the
    // scene (wizard, dialogs, Open, Parse Script), or by text typed into the editor pane and not
    // saved yet.
    bool IsModified() const override;
    void Modify(bool modified) override;
    // Asks "Save changes to NAME?" for a modified scene before it goes: Yes saves it as a
    // scene file (choosing a name when it has none), No lets it go, Cancel keeps it. Text typed
    // into the editor pane is saved by the pane first.
    bool OnSaveModified() override;

    // The file the scene was last read from whole, with its text as read: a scene file (opened
    // or saved), or a script whose spheres became the scene's objects (Parse Script). Empty
    // when the scene came from no one file (the default scene, or a script's objects added to
    // it). revision is the scene's revision right after; serial counts the changes of it.
    struct SourceFile {
        std::string path;
        std::string text;
        bool script = false;
        unsigned long revision = 0;
    };
    const SourceFile& GetSourceFile() const { return m_source; }
    unsigned long GetSourceSerial() const { return m_sourceSerial; }
    // The editor pane read the file again or wrote it: it is the scene's source from now on. A
    // scene file names the document after it. wholeScene: the scene is all the file holds, and
    // the document counts as saved.
    void TookSourceFile(const std::string& path, const std::string& text, bool script,
                        bool wholeScene);
    // The editor pane, while it keeps the scene as text: whether it holds typed text that is
    // not saved, and its save of that text (false when it did not save).
    std::function<bool()> m_textUnsaved;
    std::function<bool()> m_saveText;

    // Scene files: the whole scene written; the document is then named after the file and
    // unmodified.
    bool SaveSceneAs(const std::string& path, std::string& error);
    // The scene file dialog of Open Scene and Save Scene As; false when the user cancelled.
    static bool ChooseSceneFile(CFileChoice::Mode mode, std::string& path);
    // Save Scene As's dialog, then the save; false when cancelled or failed (said).
    bool ChooseAndSaveScene();
    static constexpr const char* kSceneFilter =
        "Lumo scenes (*.lscene)|*.lscene|All Files (*.*)|*.*";

    // Every way a file is opened (the command line, the recent files, File > Open, Open Scene,
    // Parse Script, a file dropped on the window) goes through here, and the file's first line
    // decides: a scene file replaces the whole scene, once a changed one has been offered for
    // saving, and names the document; any other file is a script, read as the opening says.
    // After a change of the scene the views are told (UpdateAllViews with a CSceneChange).
    // Failed, with the reason, leaves the scene as it was.
    enum OpenOutcome { addedScript, replacedScene, cancelled, failed };
    enum ScriptNaming { keepName, nameAfterScript };
    struct ScriptOpening {
        // The keyword loader adds the script's objects to the scene; the grammar replaces the
        // objects, only when the whole script parses.
        CLumoDoc::ScriptReading reading = CLumoDoc::keywordLoader;
        ScriptNaming naming = nameAfterScript;
        CSceneChange::Picture picture = CSceneChange::clearPicture;
    };
    OpenOutcome OpenFile(const std::string& path, const ScriptOpening& opening, std::string& error);

    // The scene wizard over the scene (File > New, Scene > Create Wizard, start-up).
    void RunSceneWizard();

protected:
    bool DoOpenDocument(const wxString& file) override;
    bool DoSaveDocument(const wxString& file) override;

private:
    void NameAfter(const std::string& path);
    void SceneChanged(CSceneChange::Picture picture);
    void SetSource(const std::string& path, const std::string& text, bool script);

    std::unique_ptr<CLumoDoc> m_scene;
    std::string m_lastError;
    unsigned long m_savedRevision = 0;
    std::string m_scenePath; // the scene file the scene was opened from or saved to, or ""
    SourceFile m_source;
    unsigned long m_sourceSerial = 0;

    wxDECLARE_DYNAMIC_CLASS(CSceneDocument);
};
