// What a user of the desktop program meets when things go their own way: files of either kind
// opened from anywhere, scripts that do not parse, names that would replace a file, settings
// that cannot be written, an editor that is not there, a close cancelled during a render.
#include "GuiTest.h"
#include "ModalSteps.h"

#include "RendererTestSupport.h"
#include "TestFolder.h"
#include "app/AboutDialog.h"
#include "app/CommandIds.h"
#include "app/OptionsSheet.h"
#include "app/RendererOptions.h"
#include "app/ViewCanvas.h"
#include "cli/RenderCommand.h"
#include "headless/HeadlessPlatform.h"
#include "platform/SettingsStore.h"
#include "script/LumoDoc.h"
#include "script/SceneFile.h"

#include <wx/bookctrl.h>
#include <wx/dnd.h>
#include <wx/docview.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

using DesktopFaults = GuiTest;

// A scene file of the default scene moved and thinned out, so that a misreading shows.
std::string WriteSceneFile(const std::string& name) {
    CLumoDoc scene;
    scene.m_objects.pop_front();
    scene.SetEye(CVector(2.5, -6.0, -90.0));
    std::string path = TestPath(name);
    std::string error;
    EXPECT_TRUE(CSceneFile::Save(scene, path, error)) << error;
    return path;
}

void ExpectTheWrittenScene(CLumoDoc& scene) {
    EXPECT_EQ(4u, scene.m_objects.size());
    EXPECT_EQ(2.5, scene.GetEye().x);
}

TEST_F(DesktopFaults, SceneFilesOpenWholeFromTheCommandLineOpenTheRecentListAndADrop) {
    std::string path = WriteSceneFile("garden.lscene");
    App().ShutDown();
    App().UsePlatform(&m_platform);
    ASSERT_TRUE(App().StartUp(path));
    ExpectTheWrittenScene(Scene());
    EXPECT_EQ("garden.lscene - lumo", Frame().GetTitle());
    EXPECT_TRUE(m_platform.m_messages.empty());

    // File > Open: the scene file replaces the scene (a script would have been added to it).
    Scene().ClearScene();
    m_platform.m_answers.push_back(CPlatform::no); // the changed scene is not kept
    m_platform.m_files.push_back(path);
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_OPEN));
    EXPECT_EQ(1u, m_platform.m_questions.size());
    ExpectTheWrittenScene(Scene());

    // The recent-file list, which the command line filled.
    Scene().ClearScene();
    m_platform.m_answers.push_back(CPlatform::no);
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_MRU_FILE1));
    ExpectTheWrittenScene(Scene());

    // Dropped on the picture; Cancel at the save question keeps the scene in the window.
    Scene().ClearScene();
    wxDropTarget* target = Frame().GetCanvas()->GetDropTarget();
    ASSERT_NE(nullptr, target);
    auto& drop = dynamic_cast<wxFileDropTarget&>(*target);
    wxArrayString dropped;
    dropped.Add(wxString::FromUTF8(path));
    m_platform.m_answers.push_back(CPlatform::cancel);
    EXPECT_FALSE(drop.OnDropFiles(1, 1, dropped));
    EXPECT_TRUE(Scene().m_objects.empty());
    m_platform.m_answers.push_back(CPlatform::no);
    EXPECT_TRUE(drop.OnDropFiles(1, 1, dropped));
    ExpectTheWrittenScene(Scene());
    EXPECT_TRUE(m_platform.m_messages.empty());

    // A script opened from the recent files names the window now: the save question asks
    // for a name instead of writing the scene over the scene file it came from.
    std::string script = TestPath("one.lmo");
    WriteFile(script, "sphere { 1.0 2.0 3.0 4.0 }");
    Frame().GetFileCommands().AddRecentFile(script);
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_MRU_FILE1));
    EXPECT_EQ("one.lmo - lumo", Frame().GetTitle());
    std::string before = ReadFile(path);
    Scene().SetEye(CVector(0.0, 0.0, -50.0));
    m_platform.m_answers.push_back(CPlatform::yes);
    std::size_t requests = m_platform.m_fileRequests.size();
    EXPECT_FALSE(Frame().Close(false)); // the save dialog is cancelled: the window stays
    ASSERT_EQ(requests + 1, m_platform.m_fileRequests.size());
    EXPECT_EQ(CFileChoice::forSaving, m_platform.m_fileRequests.back().mode);
    EXPECT_EQ(before, ReadFile(path));
}

TEST_F(DesktopFaults, StartUpWithAFileThatCannotBeReadSaysSoInABox) {
    App().ShutDown();
    App().UsePlatform(&m_platform);
    EXPECT_FALSE(App().StartUp("/nonexistent/scene.lmo"));
    ASSERT_EQ(1u, m_platform.m_messages.size());
    EXPECT_EQ("cannot read '/nonexistent/scene.lmo': No such file or directory",
              m_platform.m_messages[0].text);
    App().UsePlatform(&m_platform);
    ASSERT_TRUE(App().StartUp("")); // for TearDown
}

TEST_F(DesktopFaults, ParseScriptReplacesTheSceneOnlyWhenTheWholeScriptParses) {
    std::string half = TestPath("half.lmo");
    WriteFile(half, "sphere { 1.0 2.0 3.0 }\nsphere { 4.0 5.0 6.0 }\nsphere { 7.0 } }");
    unsigned long revision = Scene().GetRevision();
    m_platform.m_files.push_back(half);
    ASSERT_TRUE(ChooseMenuItem(ID_SCENE_PARSE_SCRIPT));
    ASSERT_FALSE(m_platform.m_messages.empty());
    // The spheres built before the error said "Here -- MakeSphere()"; then the error, in
    // lumo-render's words.
    std::string said = m_platform.m_messages.back().text;
    EXPECT_EQ(half + ":3:14: parse error (near '}')", said);
    {
        CHeadlessPlatform headless; // lumo-render's own, where its document is the active one
        CPlatformScope scope(headless);
        CLumoDoc cli;
        std::string expected;
        EXPECT_FALSE(ReadSceneScript(cli, half, expected));
        EXPECT_EQ(expected, said);
    }
    EXPECT_EQ(5u, Scene().m_objects.size());
    EXPECT_EQ(revision, Scene().GetRevision());

    // Neither an empty file nor a binary one empties the scene.
    for (std::string text : {std::string(), std::string("\x7f\x45LF\x02\x01\0\0", 8)}) {
        std::string path = TestPath("odd.lmo");
        WriteFile(path, text);
        m_platform.m_files.push_back(path);
        m_platform.m_messages.clear();
        ASSERT_TRUE(ChooseMenuItem(ID_SCENE_PARSE_SCRIPT));
        ASSERT_EQ(1u, m_platform.m_messages.size());
        EXPECT_EQ(0u, m_platform.m_messages[0].text.rfind(path + ":", 0));
        EXPECT_EQ(5u, Scene().m_objects.size());
    }

    // A whole script replaces the objects; the lights stay.
    std::string whole = TestPath("whole.lmo");
    WriteFile(whole, "sphere { 1.0 2.0 3.0 } sphere { 4.0 5.0 6.0 }");
    std::size_t lights = Scene().m_lights.size();
    m_platform.m_files.push_back(whole);
    ASSERT_TRUE(ChooseMenuItem(ID_SCENE_PARSE_SCRIPT));
    EXPECT_EQ(2u, Scene().m_objects.size());
    EXPECT_EQ(lights, Scene().m_lights.size());
}

TEST_F(DesktopFaults, NamesThatWouldReplaceAFileAreAskedAbout) {
    // Save Script appends ".lumo" to a typed name: the dialog never showed the file it makes.
    std::string typed = TestPath("mine");
    WriteFile(typed + ".lumo", "keep me");
    m_platform.m_files.push_back(typed);
    m_platform.m_answers.push_back(CPlatform::no);
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_SAVE_SCRIPT));
    ASSERT_EQ(1u, m_platform.m_questions.size());
    EXPECT_EQ("A file named \"mine.lumo\" already exists. Do you want to replace it?",
              m_platform.m_questions[0]);
    EXPECT_EQ("keep me", ReadFile(typed + ".lumo"));
    m_platform.m_files.push_back(typed);
    m_platform.m_answers.push_back(CPlatform::yes);
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_SAVE_SCRIPT));
    EXPECT_EQ(Scene().GetScriptText(), ReadFile(typed + ".lumo"));
    // A name the dialog showed is replaced as before, without a question of the program's.
    m_platform.m_files.push_back(typed + ".lumo");
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_SAVE_SCRIPT));
    EXPECT_EQ(2u, m_platform.m_questions.size());
    EXPECT_FALSE(m_platform.m_fileRequests.back().confirmOverwrite);

    // Export Image and Save Scene As let the dialog ask (GTK's own confirmation).
    Frame().SetClientSize(32, 24);
    Pump();
    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_EXPORT_IMAGE));
    EXPECT_TRUE(m_platform.m_fileRequests.back().confirmOverwrite);
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_SAVE_SCENE_AS));
    EXPECT_TRUE(m_platform.m_fileRequests.back().confirmOverwrite);
}

TEST_F(DesktopFaults, ACloseCancelledDuringARenderLeavesLaterRendersWhole) {
    Scene().SetEye(CVector(0.0, -5.0, -100.0)); // a change, so that closing asks
    Frame().SetClientSize(64, 48);
    Pump();
    bool asked = false;
    Frame().GetRenderController().m_onProgress = [&](int) {
        if (asked)
            return;
        asked = true;
        m_platform.m_answers.push_back(CPlatform::cancel);
        Frame().Close(); // the window manager's close button, while the render runs
    };
    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
    Frame().GetRenderController().m_onProgress = nullptr;
    Pump(); // the close asked for runs now, and its question is cancelled
    ASSERT_TRUE(asked);
    ASSERT_NE(nullptr, App().GetMainFrame());
    EXPECT_EQ(1u, m_platform.m_questions.size());

    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
    Pump();
    ASSERT_NE(nullptr, App().GetMainFrame()) << "the cancelled close came back";
    std::string shown = EncodePpm(Scene().m_image);
    CLumoDoc reference;
    reference.SetEye(Scene().GetEye());
    EXPECT_EQ(RenderToPpm(reference, Scene().m_image.GetWidth(), Scene().m_image.GetHeight()),
              shown);
}

class Settings : public DesktopFaults {
protected:
    void TearDown() override {
        if (!m_folder.empty())
            setenv("LUMO_CONFIG_DIR", m_folder.c_str(), 1);
        DesktopFaults::TearDown();
    }
    void UseFolder(const std::string& folder) {
        m_folder = std::getenv("LUMO_CONFIG_DIR");
        setenv("LUMO_CONFIG_DIR", folder.c_str(), 1);
    }
    std::vector<std::string> OkInTheOptions() {
        m_platform.m_messages.clear();
        RunModalSteps([] { wxGetApp().GetMainFrame()->ShowOptions(); },
                      {{"Options", [](wxDialog& dialog) { Click(dialog, wxID_OK); }}});
        std::vector<std::string> texts;
        for (const auto& message : m_platform.m_messages)
            texts.push_back(message.text);
        return texts;
    }
    std::string m_folder;
};

TEST_F(Settings, AWriteThatFailsIsSaidOnceAndAStoreThatCannotBeReadIsKept) {
    // A folder that cannot be made: under a file.
    std::string blocker = TestPath("blocker");
    WriteFile(blocker, "");
    UseFolder(blocker + "/lumo");
    EXPECT_EQ((std::vector<std::string>{"cannot save the settings in '" + blocker +
                                        "/lumo/profile.ini': the folder cannot be made"}),
              OkInTheOptions());

    // A profile that exists but cannot be read (too large to be one) is never written over.
    std::string folder = TestPath("big");
    std::filesystem::create_directories(folder);
    setenv("LUMO_CONFIG_DIR", folder.c_str(), 1);
    std::string big(5 * 1024 * 1024, 'x');
    WriteFile(folder + "/profile.ini", big);
    std::vector<std::string> said = OkInTheOptions();
    ASSERT_EQ(1u, said.size());
    EXPECT_NE(std::string::npos,
              said[0].find(folder + "/profile.ini': it exists but cannot be read"))
        << said[0];
    EXPECT_EQ(big.size(), std::filesystem::file_size(folder + "/profile.ini"));
}

TEST_F(DesktopFaults, AnEditorThatCannotStartIsSaidAndPointsAtTheOptions) {
    ASSERT_TRUE(CSettingsStore::IniFile().WriteString("Lumo", "EditorPath", ""));
    ASSERT_TRUE(ChooseMenuItem(ID_VIEW_EDITOR));
    ASSERT_EQ(1u, m_platform.m_messages.size());
    EXPECT_EQ("No text editor was found to start. Choose the editor's command line in View > "
              "Options (\"Editor\").",
              m_platform.m_messages[0].text);

    ASSERT_TRUE(CSettingsStore::IniFile().WriteString("Lumo", "EditorPath", "no-such-editor-x"));
    ASSERT_TRUE(ChooseMenuItem(ID_VIEW_EDITOR));
    for (int i = 0; i < 200 && m_platform.m_messages.size() < 2; ++i) {
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(2u, m_platform.m_messages.size());
    EXPECT_EQ("Cannot start the editor \"no-such-editor-x\": the command was not found. Choose the "
              "editor's command line in View > Options (\"Editor\").",
              m_platform.m_messages[1].text);
}

TEST_F(DesktopFaults, TheAboutLinkNamesAReadmeThatExists) {
    std::string address = CAboutDialog::HomePage().utf8_string();
    ASSERT_EQ(0u, address.rfind("file://", 0));
    EXPECT_TRUE(std::filesystem::is_regular_file(address.substr(7))) << address;
}

TEST_F(DesktopFaults, AnEmptyNumberFieldIsRefusedLikeAnyOtherText) {
    std::vector<std::string> seen;
    RunModalSteps([] { wxGetApp().GetMainFrame()->ShowOptions(); },
                  {{"Options", [&](wxDialog& dialog) {
                        dynamic_cast<COptionsSheet&>(dialog).GetBookCtrl()->SetSelection(1);
                        for (const char* text : {"", "  ", "x"}) {
                            m_platform.m_messages.clear();
                            Type(dialog, CRendererOptions::ID_MAX_RECURSION, text);
                            Click(dialog, wxID_OK);
                            seen.push_back(m_platform.m_messages.empty()
                                               ? "(accepted)"
                                               : m_platform.m_messages[0].text);
                        }
                        Click(dialog, wxID_CANCEL);
                    }}});
    EXPECT_EQ((std::vector<std::string>(3, "Please enter a positive integer.")), seen);
}

} // namespace
