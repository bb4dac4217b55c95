#pragma once

// The harness of the GUI tests: the real application, frame, view and dialogs under Xvfb, with
// message boxes and file dialogs answered through the platform layer and modal dialogs driven
// by events posted to them.
#include "app/LumoApp.h"
#include "app/MainFrame.h"
#include "app/WxPlatform.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <wx/dialog.h>
#include <wx/image.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class CLumoDoc;

// Records every message box and answers file dialogs from a queue (an empty queue cancels).
class CTestPlatform : public CWxPlatform {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    void MessageBox(const std::string& text, const std::string& caption) override;
    // Answers the file dialog from m_files (the path as typed; an empty queue cancels), with the
    // file type from m_fileTypes (an empty queue keeps the first).
    bool ShowFileDialog(const CFileChoice& choice, std::string& path) override;
    // Answer from the queue; No once it is empty.
    Answer AskYesNoCancel(const std::string& text, const std::string& caption) override;
    Answer AskYesNo(const std::string& text, const std::string& caption) override;
    void OpenAddress(const std::string& address) override { m_opened.push_back(address); }
    // Recorded, as "title: message", instead of going to a notification daemon.
    void Notify(const std::string& title, const std::string& message) override {
        m_notifications.push_back(title + ": " + message);
    }
    // The real wizard only when a test asks for it; otherwise its runs are counted.
    bool RunSceneWizard(CLumoDoc& document) override;

    std::vector<Message> m_messages;
    // Runs while the box is "open", to look at the program in that moment.
    std::function<void(const Message&)> m_onMessage;
    std::deque<std::string> m_files;
    std::deque<int> m_fileTypes;
    std::vector<CFileChoice> m_fileRequests;
    std::vector<std::string> m_opened;
    std::vector<std::string> m_notifications;
    std::deque<Answer> m_answers;
    std::vector<std::string> m_questions;
    bool m_realWizard = false;
    int m_wizardRuns = 0;
};

class GuiTest : public testing::Test {
protected:
    void SetUp() override;
    // The "LivePreview" setting the program starts with: off for the tests of the window as it
    // has always been, which also hide the properties pane; the live preview's own tests turn
    // it on and keep the pane (null: no setting at all).
    virtual const char* LivePreviewAtStart() const { return "0"; }
    void TearDown() override;

    static CLumoApp& App() { return wxGetApp(); }
    CMainFrame& Frame() { return *App().GetMainFrame(); }
    CLumoDoc& Scene();

    // Chooses the menu item as a click on it does: its menu opens (which runs the enable
    // rules), and GTK activates the item when it is enabled, toggling a check item before the
    // command goes out. False, and nothing chosen, when the item is missing or greyed.
    bool ChooseMenuItem(int id);
    // Clicks the tool bar button through GTK. False when it is missing or greyed.
    bool ClickTool(int id);
    // Types the key with the modifiers (wxMOD_CONTROL, wxMOD_SHIFT, wxMOD_ALT) into the frame
    // as GTK receives a key press from the X server, so that the accelerators take it.
    void PressKey(int modifiers, int keyCode);
    // Whether the enable rules allow the command now, as a menu asks when it opens.
    bool IsCommandEnabled(int id);
    // Processes the events waiting, as the main loop would between user actions.
    static void Pump();

    // Runs the trigger, which shows a modal dialog; act is called inside its modal loop with
    // the dialog and must close it.
    static void WithModalDialog(const std::function<void()>& trigger,
                                const std::function<void(wxDialog&)>& act);
    // Presses a dialog's button as a click does (GTK's "clicked").
    static void Click(wxWindow& dialog, int buttonId);

    // Saves a picture of the window as the screen shows it, under $LUMO_SCREENSHOT_DIR, when
    // that is set; does nothing otherwise. Unless told not to settle (inside a render, which
    // lets painting through itself), it first lets the window finish painting.
    static void Screenshot(wxWindow& window, const std::string& name, bool settle = true);
    // The window's pixels as the screen shows them now (an empty image without a display).
    static wxImage ScreenImage(wxWindow& window);

    CTestPlatform m_platform;
    CPlatform* m_previousPlatform = nullptr;
};
