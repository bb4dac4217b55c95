#include "app/LumoApp.h"

#include "app/AboutDialog.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/SceneDocument.h"
#include "app/SceneTemplate.h"
#include "app/WxPlatform.h"
#include "platform/SettingsStore.h"

#include <wx/cmdline.h>
#include <wx/docview.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

wxIMPLEMENT_APP_NO_MAIN(CLumoApp);

wxBEGIN_EVENT_TABLE(CLumoApp, wxApp)
    EVT_MENU(ID_APP_ABOUT, CLumoApp::OnAbout)
wxEND_EVENT_TABLE()

bool CLumoApp::s_startupFailed = false;

namespace {
wxAssertHandler_t g_previousAssertHandler = nullptr;

// The program's command numbers (57600 and the like) are its menu, tool bar and status bar ids.
// wxWidgets asserts that such an id fits in 15 bits, because Windows carries them in a 16-bit
// word; on GTK an id is an int and these numbers work as any other. Only those two checks are
// passed over; every other assertion goes to the handler that was there before.
void AssertHandler(const wxString& file, int line, const wxString& function,
                   const wxString& condition, const wxString& message) {
    if ((file.EndsWith("menucmn.cpp") && condition.Contains("itemid < 0x7fff")) ||
        (file.EndsWith("wincmn.cpp") && condition.Contains("id < 32767")))
        return;
    if (g_previousAssertHandler)
        g_previousAssertHandler(file, line, function, condition, message);
}
} // namespace

CLumoApp::CLumoApp() {
    SetAppName("lumo");
    if (!g_previousAssertHandler)
        g_previousAssertHandler = wxSetAssertHandler(AssertHandler);
}

CLumoApp::~CLumoApp() = default;

bool CLumoApp::OnInit() {
    if (!wxApp::OnInit()) // parses the command line
        return false;
    if (!StartUp(m_script)) {
        s_startupFailed = true;
        return false;
    }
    return true;
}

void CLumoApp::OnInitCmdLine(wxCmdLineParser& parser) {
    wxApp::OnInitCmdLine(parser);
    parser.AddParam("script", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
}

bool CLumoApp::OnCmdLineParsed(wxCmdLineParser& parser) {
    if (parser.GetParamCount() > 0)
        m_script = parser.GetParam(0).utf8_string();
    return wxApp::OnCmdLineParsed(parser);
}

bool CLumoApp::StartUp(const std::string& script) {
    if (!m_platform) {
        m_ownPlatform = std::make_unique<CWxPlatform>();
        m_platform = m_ownPlatform.get();
    }
    CPlatform::Install(m_platform);

    m_docManager = new wxDocManager;
    m_docManager->SetMaxDocsOpen(1);
    m_frame = new CMainFrame(m_docManager, GetAppName(), m_trayIcon);
    m_frame->Bind(wxEVT_DESTROY, &CLumoApp::OnFrameDestroyed, this);
    new CSceneTemplate(m_docManager, *m_frame); // owned by the document manager
    SetTopWindow(m_frame);
    m_platform->SetMainFrame(m_frame);

    auto* document = dynamic_cast<CSceneDocument*>(m_docManager->CreateNewDocument());
    if (!document) {
        std::fprintf(stderr, "lumo: cannot create the document\n");
        ShutDown();
        return false;
    }
    if (!script.empty()) {
        if (!document->OnOpenDocument(wxString::FromUTF8(script))) {
            // Said twice: on standard error for a terminal, in a box for a start from the
            // desktop, where nobody reads standard error.
            std::fprintf(stderr, "lumo: %s\n", document->GetLastError().c_str());
            m_platform->MessageBox(document->GetLastError(), "lumo");
            ShutDown();
            return false;
        }
        std::error_code ignored;
        std::string absolute = std::filesystem::absolute(script, ignored).string();
        m_frame->GetFileCommands().AddRecentFile(absolute.empty() ? script : absolute);
    }

    m_frame->Show(true);
    m_frame->Update();

    if (CSettingsStore::Profile().GetInt(CSettingsStore::kSection, "RunWiz", 0) != 0)
        document->RunSceneWizard();

    m_trayIcon.Add();

    // For measuring start-up (bench/startup): leave as soon as the shown window is idle.
    if (std::getenv("LUMO_EXIT_WHEN_SHOWN")) {
        m_frame->CallAfter([this] {
            m_frame->Refresh();
            m_frame->Update();
            m_frame->Close(true);
        });
    }
    return true;
}

void CLumoApp::ShutDown() {
    if (m_frame) {
        m_frame->Close(true);
        m_frame = nullptr;
    }
    // The frame goes at the next idle time; its documents went with its close processing.
    DeletePendingObjects();
    if (m_docManager) {
        m_docManager->CloseDocuments(true);
        delete m_docManager;
        m_docManager = nullptr;
    }
    m_trayIcon.Remove();
    if (m_platform)
        m_platform->SetMainFrame(nullptr);
    CPlatform::Install(nullptr);
}

void CLumoApp::OnFrameDestroyed(wxWindowDestroyEvent& event) {
    event.Skip();
    // The frame's own children announce their end through it as well.
    if (!m_frame || event.GetEventObject() != m_frame)
        return;
    m_frame = nullptr;
    if (m_platform)
        m_platform->SetMainFrame(nullptr);
}

int CLumoApp::OnExit() {
    ShutDown();
    return wxApp::OnExit();
}

void CLumoApp::OnAbout(wxCommandEvent&) {
    CAboutDialog dialog(m_frame);
    dialog.ShowModal();
}
