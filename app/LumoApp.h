#pragma once

#include <wx/app.h>

#include <memory>
#include <string>

class CMainFrame;
class CWxPlatform;
class wxDocManager;
class wxTaskBarIcon;

// The application: chooses the platform, registers the one document template (document
// CSceneDocument, view CLumoView, frame CMainFrame), opens a script named on the command line,
// shows the main window, runs the wizard when "RunWiz" asks for it, puts the icon into the
// notification area, and answers About.
class CLumoApp : public wxApp {
public:
    CLumoApp();
    ~CLumoApp() override;

    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;

    // Start-up after the command line: the document template, the frame, the document (the
    // script opened through its load path when one is named), the window shown, the wizard,
    // the notification-area icon. False, with a line on standard error and a message box, when
    // the file cannot be read. A scene file is read whole (see CSceneDocument::OpenFile).
    bool StartUp(const std::string& script);
    // Closes the frame and releases what StartUp made (OnExit does it at the end).
    void ShutDown();

    // The frame tells the application when it goes, so nothing reaches it afterwards.
    void OnFrameDestroyed(CMainFrame* frame);

    // A platform to use instead of the real dialogs; set before StartUp (GUI tests).
    void UsePlatform(CWxPlatform* platform) { m_platform = platform; }
    CMainFrame* GetMainFrame() const { return m_frame; }
    wxDocManager* GetDocManager() const { return m_docManager; }

    // Takes the notification-area icon away. False only when an icon that was shown could not
    // be removed: a desktop without a notification area never shows it, and that is no
    // failure.
    bool RemoveTrayIcon();
    bool IsTrayIconShown() const { return m_trayShown; }

    // Whether start-up failed; main() exits with status 1 then. Kept past the application
    // object, which wxEntry deletes before it returns.
    static bool StartupFailed() { return s_startupFailed; }

private:
    void AddTrayIcon();
    void OnAbout(wxCommandEvent& event);

    std::unique_ptr<CWxPlatform> m_ownPlatform;
    CWxPlatform* m_platform = nullptr;
    wxDocManager* m_docManager = nullptr;
    CMainFrame* m_frame = nullptr;
    std::unique_ptr<wxTaskBarIcon> m_trayIcon;
    bool m_trayShown = false;
    std::string m_script;
    static bool s_startupFailed;

    wxDECLARE_EVENT_TABLE();
};

wxDECLARE_APP(CLumoApp);
