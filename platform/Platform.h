#pragma once

#include <string>

class CLumoDoc;

// What a file dialog asks for. The filter is the program's own text, entries separated by
// '|' as "description|pattern|description|pattern". An initial name with a wildcard ("*.lmo")
// selects that pattern rather than naming a file.
struct CFileChoice {
    enum Mode { forOpening, forSaving };
    Mode mode = forOpening;
    std::string filter;
    std::string initialName;
    // Appended after a dot to a saved name that has no extension of its own ("" for none).
    std::string defaultExtension;
    bool mustExist = false;
    // For saving: the dialog asks before a file it shows is replaced (a name the extension was
    // appended to is asked about whether or not this is set: the dialog never showed it).
    bool confirmOverwrite = false;
    // When set, receives the file type the user ended on (the filter's entry, 0 for the first).
    // A saved name without an extension then gets that entry's ("*.exr": "exr") rather than
    // defaultExtension, and a type other than the one the dialog opened with puts its extension
    // in place of another entry's ("lumo.png" chosen as "*.exr" is "lumo.exr").
    int* chosenType = nullptr;
};

// The framework services the engine calls on. Whoever runs the engine installs one first: the
// desktop shell its own, the command line renderer, the tests, benchmarks and fuzz targets the
// headless one (headless/HeadlessPlatform.h). Using the engine with none installed is a
// programming error and ends the process with a message, rather than swallowing message boxes.
class CPlatform {
public:
    virtual ~CPlatform() = default;

    // A modal message box with an OK button; returns when it is closed.
    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;

    // A modal question with Yes, No and Cancel buttons. The platform without a display
    // answers No.
    enum Answer { yes, no, cancel };
    virtual Answer AskYesNoCancel(const std::string&, const std::string&) { return no; }

    // A modal file dialog: true with the chosen path (whole, however long), false when the
    // user cancelled. The platform without a display always cancels.
    virtual bool ChooseFile(const CFileChoice&, std::string&) { return false; }

    // The scene wizard over the document: true when it finished and rebuilt the scene. The
    // platform without a display has none.
    virtual bool RunSceneWizard(CLumoDoc&) { return false; }

    // The installed platform; aborts with a message when there is none.
    static CPlatform& Current();
    static bool IsInstalled();
    // Makes the platform current (null uninstalls it). The caller keeps ownership and
    // uninstalls it before destroying it.
    static void Install(CPlatform* platform);
};

// Installs a platform for the scope's lifetime and restores the previous one after.
class CPlatformScope {
public:
    explicit CPlatformScope(CPlatform& platform);
    ~CPlatformScope();
    CPlatformScope(const CPlatformScope&) = delete;
    CPlatformScope& operator=(const CPlatformScope&) = delete;

private:
    CPlatform* m_previous;
};
