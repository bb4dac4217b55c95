#pragma once

#include <string>

class CLumoDoc;
class CMainWindow;

// The framework services the engine calls on. Whoever runs the engine installs one first: the
// desktop shell its own, the command line renderer, the tests, benchmarks and fuzz targets the
// headless one (headless/HeadlessPlatform.h). Using the engine with none installed is a
// programming error and ends the process with a message, rather than swallowing message boxes.
class CPlatform {
public:
    virtual ~CPlatform() = default;

    // A modal message box with an OK button; returns when it is closed.
    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
    // Null when there is no main window.
    virtual CMainWindow* GetMainWindow() = 0;

    // A document tells the platform when it starts and ends its life, so that a platform
    // without a framework of documents and views can still find the active one.
    virtual void DocumentCreated(CLumoDoc*) {}
    virtual void DocumentDestroyed(CLumoDoc*) {}

    // The document of the main window's active view, or null.
    CLumoDoc* GetActiveDocument();

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
