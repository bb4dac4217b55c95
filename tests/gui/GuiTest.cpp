#include "GuiTest.h"

#include "app/SceneDocument.h"
#include "render/Renderer.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include <cstdlib>

void CTestPlatform::MessageBox(const std::string& text, const std::string& caption) {
    m_messages.push_back({text, caption});
    if (m_onMessage)
        m_onMessage(m_messages.back());
}

bool CTestPlatform::ChooseFile(const CFileChoice& choice, std::string& path) {
    m_fileRequests.push_back(choice);
    if (m_files.empty())
        return false;
    path = m_files.front();
    m_files.pop_front();
    if (choice.mode == CFileChoice::save)
        path = WithDefaultExtension(path, choice.defaultExtension);
    return true;
}

CPlatform::Answer CTestPlatform::AskYesNoCancel(const std::string& text, const std::string&) {
    m_questions.push_back(text);
    if (m_answers.empty())
        return no;
    Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

bool CTestPlatform::RunSceneWizard(CLumoDoc& document) {
    ++m_wizardRuns;
    return m_realWizard && CWxPlatform::RunSceneWizard(document);
}

void GuiTest::SetUp() {
    g_stopRendering = 0; // never cleared in the program; the tests share one process
    m_previousPlatform = CPlatform::IsInstalled() ? &CPlatform::Current() : nullptr;
    App().UsePlatform(&m_platform);
    ASSERT_TRUE(App().StartUp(""));
    Pump();
}

void GuiTest::TearDown() {
    App().ShutDown();
    App().UsePlatform(nullptr);
    Pump();
    CPlatform::Install(m_previousPlatform);
    g_stopRendering = 0;
}

CLumoDoc& GuiTest::Scene() {
    return *Frame().GetActiveScene();
}

bool GuiTest::IsCommandEnabled(int id) {
    wxUpdateUIEvent update(id);
    update.SetEventObject(&Frame());
    Frame().ProcessWindowEvent(update);
    return !update.GetSetEnabled() || update.GetEnabled();
}

bool GuiTest::SendCommand(int id) {
    if (!IsCommandEnabled(id))
        return false;
    wxCommandEvent command(wxEVT_MENU, id);
    command.SetEventObject(&Frame());
    Frame().ProcessWindowEvent(command);
    return true;
}

void GuiTest::Pump() {
    wxEventLoopBase* active = wxEventLoopBase::GetActive();
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(active ? active : &loop);
    for (int i = 0; i < 5; ++i) {
        wxEventLoopBase::GetActive()->YieldFor(wxEVT_CATEGORY_ALL);
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
}

void GuiTest::WithModalDialog(const std::function<void()>& trigger,
                              const std::function<void(wxDialog&)>& act) {
    bool acted = false;
    wxTheApp->CallAfter([&] {
        for (wxWindow* window : wxTopLevelWindows) {
            auto* dialog = wxDynamicCast(window, wxDialog);
            if (dialog && dialog->IsModal()) {
                acted = true;
                act(*dialog);
                return;
            }
        }
    });
    trigger();
    EXPECT_TRUE(acted) << "no modal dialog was shown";
}

void GuiTest::Click(wxWindow& dialog, int buttonId) {
    wxWindow* button = dialog.FindWindow(buttonId);
    ASSERT_NE(nullptr, button) << "no button " << buttonId;
    wxCommandEvent click(wxEVT_BUTTON, buttonId);
    click.SetEventObject(button);
    button->ProcessWindowEvent(click);
}

void GuiTest::Screenshot(wxWindow& window, const std::string& name) {
    const char* folder = std::getenv("LUMO_SCREENSHOT_DIR");
    if (!folder || !*folder)
        return;
    window.Raise();
    window.Refresh();
    // GTK paints on its frame clock: give it a few frames.
    for (int i = 0; i < 25; ++i) {
        Pump();
        wxMilliSleep(20);
    }
    wxRect rect = window.GetScreenRect();
    wxBitmap bitmap(rect.GetWidth(), rect.GetHeight());
    wxMemoryDC memory(bitmap);
    wxScreenDC screen;
    memory.Blit(0, 0, rect.GetWidth(), rect.GetHeight(), &screen, rect.GetX(), rect.GetY());
    memory.SelectObject(wxNullBitmap);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    bitmap.SaveFile(wxString::FromUTF8(std::string(folder) + "/" + name + ".png"),
                    wxBITMAP_TYPE_PNG);
}
