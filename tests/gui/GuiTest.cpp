#include "GuiTest.h"

#include "app/SceneDocument.h"
#include "render/Renderer.h"

#include <wx/bitmap.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

void CTestPlatform::MessageBox(const std::string& text, const std::string& caption) {
    m_messages.push_back({text, caption});
    if (m_onMessage)
        m_onMessage(m_messages.back());
}

bool CTestPlatform::ShowFileDialog(const CFileChoice& choice, std::string& path) {
    m_fileRequests.push_back(choice);
    if (m_files.empty())
        return false;
    path = m_files.front();
    m_files.pop_front();
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

CPlatform::Answer CTestPlatform::AskYesNo(const std::string& text, const std::string& caption) {
    return AskYesNoCancel(text, caption);
}

bool CTestPlatform::RunSceneWizard(CLumoDoc& document) {
    ++m_wizardRuns;
    return m_realWizard && CWxPlatform::RunSceneWizard(document);
}

void GuiTest::SetUp() {
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
            auto* dialog = dynamic_cast<wxDialog*>(window);
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

void GuiTest::Screenshot(wxWindow& window, const std::string& name, bool settle) {
    const char* folder = std::getenv("LUMO_SCREENSHOT_DIR");
    if (!folder || !*folder)
        return;
    if (settle) {
        window.Raise();
        window.Refresh();
        // GTK paints on its frame clock: give it a few frames.
        for (int i = 0; i < 25; ++i) {
            Pump();
            wxMilliSleep(20);
        }
    }
    // The screen's pixels as the X server holds them, through a connection of our own (GTK's
    // own screen device context keeps the first picture it took).
    wxRect rect = window.GetScreenRect();
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(nullptr, display);
    XImage* shot = XGetImage(display, DefaultRootWindow(display), rect.GetX(), rect.GetY(),
                             static_cast<unsigned>(rect.GetWidth()),
                             static_cast<unsigned>(rect.GetHeight()), AllPlanes, ZPixmap);
    ASSERT_NE(nullptr, shot);
    wxImage image(rect.GetWidth(), rect.GetHeight(), false);
    for (int y = 0; y < rect.GetHeight(); ++y)
        for (int x = 0; x < rect.GetWidth(); ++x) {
            unsigned long pixel = XGetPixel(shot, x, y);
            image.SetRGB(x, y, static_cast<unsigned char>((pixel & shot->red_mask) >> 16),
                         static_cast<unsigned char>((pixel & shot->green_mask) >> 8),
                         static_cast<unsigned char>(pixel & shot->blue_mask));
        }
    XDestroyImage(shot);
    XCloseDisplay(display);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    image.SaveFile(wxString::FromUTF8(std::string(folder) + "/" + name + ".png"),
                   wxBITMAP_TYPE_PNG);
}
