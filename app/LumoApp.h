#pragma once

#include "app/TrayIcon.h"

#include <wx/app.h>

#include <memory>
#include <string>

class CMainFrame;
class CWxPlatform;
class wxDocManager;
class wxWindowDestroyEvent;

// The application: chooses the platform, makes the frame and registers the one document
// template (CSceneTemplate: document CSceneDocument, view CLumoView, in that frame), opens a
// script named on the command line, shows the main window, runs the wizard when "RunWiz" asks
// for it, puts the icon into the notification area, and answers About.
class CLumoApp : public wxApp {
public:
    CLumoApp();
    ~CLumoApp() override;

    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;

    // Start-up after the command line: the frame, the document template, the document (the
    // script opened through its load path when one is named), the window shown, the wizard,
    // the notification-area icon. False, with a line on standard error and a message box, when
    // the file cannot be read. A scene file is read whole (see CSceneDocument::OpenFile).
    bool StartUp(const std::string& script);
    // Closes the frame and releases what StartUp made (OnExit does it at the end).
    void ShutDown();

    // A platform to use instead of the real dialogs; set before StartUp (GUI tests).
    void UsePlatform(CWxPlatform* platform) { m_platform = platform; }
    CMainFrame* GetMainFrame() const { return m_frame; }
    wxDocManager* GetDocManager() const { return m_docManager; }

    // Given to the frame, which takes it away when its close request arrives.
    CTrayIcon& GetTrayIcon() { return m_trayIcon; }

    // Whether start-up failed; main() exits with status 1 then. Kept past the application
    // object, which wxEntry deletes before it returns.
    static bool StartupFailed() { return s_startupFailed; }

private:
    // Nothing reaches the frame once it has gone.
    void OnFrameDestroyed(wxWindowDestroyEvent& event);
    void OnAbout(wxCommandEvent& event);

    std::unique_ptr<CWxPlatform> m_ownPlatform;
    CWxPlatform* m_platform = nullptr;
    wxDocManager* m_docManager = nullptr;
    CMainFrame* m_frame = nullptr;
    CTrayIcon m_trayIcon;
    std::string m_script;
    static bool s_startupFailed;

    wxDECLARE_EVENT_TABLE();
};

wxDECLARE_APP(CLumoApp);
