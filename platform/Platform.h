#pragma once

#include <string>

class CLumoDoc;
class CMainWindow;

// The framework services the engine calls on. The desktop shell installs its own; the command
// line renderer and the tests use CHeadlessPlatform, which is also what is current when nobody
// installed anything.
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

    static CPlatform& Current();
    // Makes the platform current (null restores the default headless one). The caller keeps
    // ownership and uninstalls it before destroying it.
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
