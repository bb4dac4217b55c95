#include "GuiTest.h"

#include "RendererTestSupport.h"

#include "TestFolder.h"
#include "app/AboutDialog.h"
#include "app/CommandIds.h"
#include "app/DesktopEditor.h"
#include "app/LumoView.h"
#include "app/PaneProgress.h"
#include "app/ViewCanvas.h"
#include "cli/RenderCommand.h"
#include "platform/SettingsStore.h"
#include "render/ImageFile.h"
#include "script/LumoDoc.h"

#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>

#include <gtk/gtk.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using MainFrame = GuiTest;

TEST_F(MainFrame, MenusStandWhereTheProgramAddressesThem) {
    wxMenuBar* bar = Frame().GetMenuBar();
    ASSERT_NE(nullptr, bar);
    const char* tops[] = {"&File", "&Edit", "&View", "Scene", "&Go", "&Debug", "&Help"};
    ASSERT_EQ(7u, bar->GetMenuCount());
    for (std::size_t i = 0; i < 7; ++i)
        EXPECT_EQ(tops[i], bar->GetMenuLabel(i)) << i;

    struct Item {
        std::size_t menu, position;
        int id;
        const char* label;
    };
    const Item items[] = {
        {0, 0, ID_FILE_NEW, "&New\tCtrl+N"},
        {0, 1, ID_FILE_OPEN, "&Open...\tCtrl+O"},
        {0, 2, ID_FILE_SAVE_SCRIPT, "Save Script"},
        {0, 4, ID_FILE_MRU_FILE1, "Recent File"},
        {0, 6, ID_FILE_EXPORT_IMAGE, "Export Image..."},
        {0, 7, ID_FILE_OPEN_SCENE, "Open Scene..."},
        {0, 8, ID_FILE_SAVE_SCENE_AS, "Save Scene As..."},
        {0, 9, ID_APP_EXIT, "E&xit"},
        {1, 0, ID_EDIT_UNDO, "&Undo\tCtrl+Z"},
        {1, 2, ID_EDIT_CUT, "Cu&t\tCtrl+X"},
        {1, 3, ID_EDIT_COPY, "&Copy\tCtrl+C"},
        {1, 4, ID_EDIT_PASTE, "&Paste\tCtrl+V"},
        {2, 0, ID_VIEW_TOOLBAR, "&Toolbar"},
        {2, 1, ID_VIEW_STATUS_BAR, "&Status Bar"},
        {2, 2, ID_VIEW_OPTIONS, "Options"},
        {2, 3, ID_VIEW_EDITOR, "Editor"},
        {3, 0, ID_SCENE_WIZARD, "Create Wizard"},
        {3, 1, ID_SCENE_CAMERA, "Camera"},
        {3, 2, ID_SCENE_ADD_LIGHT, "Add Light"},
        {3, 3, ID_SCENE_PARSE_SCRIPT, "Parse Script..."},
        {4, 0, ID_GO_SAME_THREAD, "Same Thread"},
        {5, 0, ID_DEBUG_LOGGING, "Logging"},
        {6, 0, ID_APP_ABOUT, "&About lumo..."},
    };
    for (const Item& item : items) {
        wxMenuItem* menuItem = bar->GetMenu(item.menu)->FindItemByPosition(item.position);
        EXPECT_EQ(item.id, menuItem->GetId()) << item.label;
        EXPECT_EQ(item.label, menuItem->GetItemLabel()) << item.label;
    }
    for (std::size_t position : {3u, 5u})
        EXPECT_TRUE(bar->GetMenu(0)->FindItemByPosition(position)->IsSeparator());
    EXPECT_TRUE(bar->GetMenu(1)->FindItemByPosition(1)->IsSeparator());
    EXPECT_EQ("Fire off a single threaded render", bar->GetHelpString(ID_GO_SAME_THREAD));
    EXPECT_EQ("Ready", Frame().GetStatusBar()->GetStatusText(0));
    EXPECT_EQ(4, Frame().GetStatusBar()->GetFieldsCount());
    EXPECT_EQ("Untitled - lumo", Frame().GetTitle());
}

TEST_F(MainFrame, FileItemsGreyedAtCreationComeBackWhenTheMenuOpens) {
    wxMenu* file = Frame().GetMenuBar()->GetMenu(0);
    for (std::size_t position : {1u, 2u, 4u})
        EXPECT_FALSE(file->FindItemByPosition(position)->IsEnabled()) << position;
    file->UpdateUI(&Frame());
    EXPECT_TRUE(file->FindItemByPosition(1)->IsEnabled());
    EXPECT_TRUE(file->FindItemByPosition(2)->IsEnabled());
    // No recent file yet: the placeholder stays greyed. Nobody handles the Edit items.
    EXPECT_FALSE(file->FindItemByPosition(4)->IsEnabled());
    for (int id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE})
        EXPECT_FALSE(IsCommandEnabled(id)) << id;
}

TEST_F(MainFrame, FileCommandsWaitWhileARenderIsBusy) {
    const int ruled[] = {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_GO_RENDER};
    bool looked = false;
    Frame().GetRenderController().m_onProgress = [&](int) {
        if (looked)
            return;
        looked = true;
        for (int id : ruled)
            EXPECT_FALSE(IsCommandEnabled(id)) << id;
        m_platform.m_files.push_back("/nonexistent.lmo");
        EXPECT_FALSE(ChooseMenuItem(ID_FILE_OPEN));
        EXPECT_TRUE(m_platform.m_fileRequests.empty());
    };
    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
    Frame().GetRenderController().m_onProgress = nullptr;
    EXPECT_TRUE(looked);
    m_platform.m_files.clear();
    for (int id : ruled)
        EXPECT_TRUE(IsCommandEnabled(id)) << id;
}

TEST_F(MainFrame, LoggingTwiceReturnsToItsCheckMark) {
    wxMenuBar* bar = Frame().GetMenuBar();
    EXPECT_TRUE(bar->IsChecked(ID_DEBUG_LOGGING));
    wxMenuItem* item = bar->FindItem(ID_DEBUG_LOGGING);
    auto shown = [&] {
        return gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item->GetMenuItem())) != 0;
    };
    ASSERT_TRUE(ChooseMenuItem(ID_DEBUG_LOGGING));
    EXPECT_FALSE(bar->IsChecked(ID_DEBUG_LOGGING));
    EXPECT_FALSE(shown());
    ASSERT_TRUE(ChooseMenuItem(ID_DEBUG_LOGGING));
    EXPECT_TRUE(bar->IsChecked(ID_DEBUG_LOGGING));
    EXPECT_TRUE(shown());
}

TEST_F(MainFrame, TheViewComesBeforeTheFrameAndTheFrameBeforeTheApplication) {
    int frameSawNew = 0;
    int frameSawAbout = 0;
    auto countNew = [&](wxCommandEvent&) { ++frameSawNew; };
    auto countAbout = [&](wxCommandEvent&) { ++frameSawAbout; };
    Frame().Bind(wxEVT_MENU, countNew, ID_FILE_NEW);
    Frame().Bind(wxEVT_MENU, countAbout, ID_APP_ABOUT);
    ChooseMenuItem(ID_FILE_NEW);
    EXPECT_EQ(1, m_platform.m_wizardRuns); // the view ran the wizard...
    EXPECT_EQ(0, frameSawNew);             // ...and the frame never saw the command
    ChooseMenuItem(ID_APP_ABOUT);          // the frame's handler, no About box
    EXPECT_EQ(1, frameSawAbout);
    Frame().Unbind(wxEVT_MENU, countAbout, ID_APP_ABOUT);

    std::string caption;
    WithModalDialog([&] { ChooseMenuItem(ID_APP_ABOUT); },
                    [&](wxDialog& dialog) {
                        caption = dialog.GetTitle().utf8_string();
                        Click(dialog, wxID_OK);
                    });
    EXPECT_EQ("About lumo", caption);
}

TEST_F(MainFrame, RenderShowsThePictureThatLumoRenderMakes) {
    Frame().SetClientSize(160, 160);
    Pump();
    wxSize size = Frame().GetCanvas()->GetClientSize();
    ASSERT_GT(size.GetWidth(), 0);
    ASSERT_GT(size.GetHeight(), 0);

    struct Seen {
        bool goEnabled, newEnabled, openEnabled, saveEnabled;
        std::string title;
    } seen{};
    m_platform.m_onMessage = [&](const CTestPlatform::Message& message) {
        if (message.caption != "Finished Rendering")
            return;
        seen = {Frame().GetMenuBar()->IsEnabledTop(kGoMenuPosition), IsCommandEnabled(ID_FILE_NEW),
                IsCommandEnabled(ID_FILE_OPEN), IsCommandEnabled(ID_FILE_SAVE),
                Frame().GetTitle().utf8_string()};
    };
    EXPECT_FALSE(IsCommandEnabled(ID_FILE_EXPORT_IMAGE));
    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));

    ASSERT_EQ(1u, m_platform.m_messages.size());
    std::string thread, seconds;
    EXPECT_TRUE(ParseCompletionText(m_platform.m_messages[0].text, thread, seconds))
        << m_platform.m_messages[0].text;
    EXPECT_FALSE(seen.goEnabled || seen.newEnabled || seen.openEnabled || seen.saveEnabled);
    EXPECT_EQ("Rendering...Untitled - lumo", seen.title);
    EXPECT_EQ("Untitled - lumo", Frame().GetTitle());
    EXPECT_EQ("Ready", Frame().GetStatusBar()->GetStatusText(0));
    EXPECT_EQ(nullptr, Frame().GetRenderController().GetProgress());
    EXPECT_FALSE(Frame().IsRendering());
    EXPECT_TRUE(Frame().GetMenuBar()->IsEnabledTop(kGoMenuPosition));
    EXPECT_TRUE(IsCommandEnabled(ID_FILE_EXPORT_IMAGE));

    // The same picture from lumo-render, byte for byte.
    // At the size the render took from the view (a window manager may still resize it).
    std::string shown = TestPath("shown.ppm");
    auto referenceFor = [&](const CImage& image) {
        std::string path = TestPath("reference-" + std::to_string(image.GetWidth()) + "x" +
                                    std::to_string(image.GetHeight()) + ".ppm");
        EXPECT_EQ(0, RunLumoRender({"-q", "-W", std::to_string(image.GetWidth()), "-H",
                                    std::to_string(image.GetHeight()), "-o", path},
                                   stdout, stderr));
        return path;
    };
    std::string reference = referenceFor(Scene().m_image);
    std::string error;
    ASSERT_TRUE(CImageFile::Write(Scene().m_image, shown, error)) << error;
    EXPECT_EQ(ReadFile(reference), ReadFile(shown));

    // Export Image writes the same picture.
    std::string exported = TestPath("exported.ppm");
    m_platform.m_files.push_back(exported);
    ChooseMenuItem(ID_FILE_EXPORT_IMAGE);
    EXPECT_EQ(ReadFile(reference), ReadFile(exported));

    // Halves and quarters, each on a thread of its own: the same picture, the same ending.
    for (int id : {ID_GO_SPLIT_VIEW, ID_GO_QUARTER_VIEW}) {
        Scene().m_image.Clear();
        seen = {};
        ASSERT_TRUE(ChooseMenuItem(id));
        EXPECT_EQ("Rendering...Untitled - lumo", seen.title) << id;
        EXPECT_FALSE(seen.goEnabled) << id;
        ASSERT_TRUE(CImageFile::Write(Scene().m_image, shown, error)) << error;
        EXPECT_EQ(ReadFile(referenceFor(Scene().m_image)), ReadFile(shown)) << id;
        EXPECT_EQ("Ready", Frame().GetStatusBar()->GetStatusText(0));
        EXPECT_FALSE(Frame().IsRendering());
    }
    EXPECT_EQ(3u, m_platform.m_messages.size());
}

TEST_F(MainFrame, OpenAddsTheFilesObjectsAndKeepsTheTitle) {
    std::string path = TestPath("two.lmo");
    WriteFile(path, "plane { 0.0 1.0 0.0 5.0 } sphere { 1.0 2.0 3.0 4.0 }");
    m_platform.m_files.push_back(path);
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_OPEN));
    ASSERT_EQ(1u, m_platform.m_fileRequests.size());
    const CFileChoice& request = m_platform.m_fileRequests[0];
    EXPECT_EQ(CFileChoice::forOpening, request.mode);
    EXPECT_EQ("Lumo files (*.lmo)|*.lmo|All Files (*.*))|*.*||", request.filter);
    EXPECT_EQ("*.lmo", request.initialName);
    EXPECT_TRUE(request.mustExist);
    EXPECT_EQ(7u, Scene().m_objects.size());
    EXPECT_EQ("Untitled - lumo", Frame().GetTitle());

    // A file gone between choosing and opening: nothing happens, nothing is said.
    m_platform.m_files.push_back(TestPath("gone.lmo"));
    ChooseMenuItem(ID_FILE_OPEN);
    EXPECT_EQ(7u, Scene().m_objects.size());
    EXPECT_TRUE(m_platform.m_messages.empty());
}

TEST_F(MainFrame, SaveAndSaveScriptWriteTheScript) {
    std::string expected = Scene().GetScriptText();
    // A name without an extension gets ".lumo"; a long path is used whole.
    std::string longFolder = TestPath(std::string(200, 'd'));
    std::filesystem::create_directories(longFolder);
    std::string named = longFolder + "/" + std::string(100, 'n');
    m_platform.m_files.push_back(named);
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_SAVE_SCRIPT));
    EXPECT_EQ(expected, ReadFile(named + ".lumo"));
    EXPECT_EQ(CFileChoice::forSaving, m_platform.m_fileRequests.at(0).mode);
    EXPECT_EQ("lumo", m_platform.m_fileRequests.at(0).defaultExtension);

    std::string saved = TestPath("saved.lmo");
    m_platform.m_files.push_back(saved);
    ASSERT_TRUE(ClickTool(ID_FILE_SAVE)); // saves, never loads
    EXPECT_EQ(expected, ReadFile(saved));
    EXPECT_EQ(5u, Scene().m_objects.size());

    // A save that fails is said.
    m_platform.m_files.push_back(TestPath("no/such/folder/x.lmo"));
    ChooseMenuItem(ID_FILE_SAVE_SCRIPT);
    ASSERT_EQ(1u, m_platform.m_messages.size());
}

TEST_F(MainFrame, OptionsOkWritesEveryKeyAndCancelNothing) {
    WithModalDialog([&] { ChooseMenuItem(ID_VIEW_OPTIONS); },
                    [&](wxDialog& dialog) { Click(dialog, wxID_CANCEL); });
    EXPECT_FALSE(std::filesystem::exists(CSettingsStore::Profile().GetPath()));

    WithModalDialog([&] { ChooseMenuItem(ID_VIEW_OPTIONS); },
                    [&](wxDialog& dialog) { Click(dialog, wxID_OK); });
    CSettingsStore profile = CSettingsStore::Profile();
    CSettingsStore ini = CSettingsStore::IniFile();
    for (const char* key : {"MaxRecursion", "FileOverRide", "UseEditor", "RunWiz", "Width",
                            "Height", "FishEye", "KatMai", "MMX"})
        EXPECT_NE(-7, profile.GetInt("Lumo", key, -7)) << key;
    for (const char* key : {"CamX", "CamY", "CamZ"})
        EXPECT_EQ("0.100000", ini.GetString("Lumo", key, "")) << key;
    // The desktop's editor, or none (empty) where there is none.
    EXPECT_EQ(DefaultEditorCommand(), ini.GetString("Lumo", "EditorPath", "(missing)"));
    EXPECT_EQ(320, profile.GetInt("Lumo", "Width", 0));
}

TEST_F(MainFrame, AboutLinkLightsUpAndOpensOnlyInsideItsRectangle) {
    wxColour over, outside;
    WithModalDialog([&] { ChooseMenuItem(ID_APP_ABOUT); },
                    [&](wxDialog& dialog) {
                        auto& about = dynamic_cast<CAboutDialog&>(dialog);
                        auto mouse = [&](wxEventType type, int x, int y) {
                            wxMouseEvent event(type);
                            event.SetPosition(wxPoint(x, y));
                            event.SetEventObject(&about);
                            about.ProcessWindowEvent(event);
                        };
                        mouse(wxEVT_MOTION, 45, 65);
                        over = about.GetLinkColour();
                        mouse(wxEVT_MOTION, 45, 75);
                        outside = about.GetLinkColour();
                        mouse(wxEVT_LEFT_DOWN, 45, 75);
                        mouse(wxEVT_LEFT_DOWN, 45, 65);
                        Screenshot(about, "about");
                        Click(about, wxID_OK);
                    });
    EXPECT_EQ(wxColour(255, 255, 127), over);
    EXPECT_EQ(wxColour(0, 0, 255), outside);
    ASSERT_EQ(1u, m_platform.m_opened.size());
    EXPECT_EQ(CAboutDialog::HomePage().utf8_string(), m_platform.m_opened[0]);
    EXPECT_EQ(0u, m_platform.m_opened[0].rfind("file://", 0));
}

TEST_F(MainFrame, TheEditorStartsWithoutBlockingTheWindow) {
    std::string marker = TestPath("edited");
    ASSERT_TRUE(CSettingsStore::IniFile().WriteString("Lumo", "EditorPath",
                                                      "sleep 1; touch '" + marker + "'"));
    auto start = std::chrono::steady_clock::now();
    ChooseMenuItem(ID_VIEW_EDITOR);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_FALSE(std::filesystem::exists(marker));
    for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i) {
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(std::filesystem::exists(marker));
}

TEST_F(MainFrame, ClosingWithoutANotificationAreaSaysNothing) {
    EXPECT_FALSE(App().GetTrayIcon().IsShown()); // Xvfb has no notification area
    Frame().Close(true);                         // as the window's close button does
    Pump();
    EXPECT_EQ(nullptr, App().GetMainFrame());
    App().ShutDown();
    EXPECT_TRUE(m_platform.m_messages.empty());
    EXPECT_EQ(nullptr, App().GetMainFrame());
    App().UsePlatform(&m_platform);
    ASSERT_TRUE(App().StartUp("")); // for TearDown
}

TEST_F(MainFrame, RecentFilesAreKeptInTheProfile) {
    std::string path = TestPath("recent.lmo");
    WriteFile(path, "sphere { }");
    Frame().GetFileCommands().AddRecentFile(path);
    EXPECT_EQ(path, CSettingsStore::Profile().GetString("Recent File List", "File1", ""));
    wxMenuItem* first = Frame().GetMenuBar()->GetMenu(0)->FindItemByPosition(4);
    EXPECT_EQ(ID_FILE_MRU_FILE1, first->GetId());
    EXPECT_TRUE(IsCommandEnabled(ID_FILE_MRU_FILE1));
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_MRU_FILE1));
    EXPECT_EQ(6u, Scene().m_objects.size()); // through the load path: added to the scene
    EXPECT_EQ("recent.lmo - lumo", Frame().GetTitle());
}

TEST_F(MainFrame, Screenshots) {
    if (!std::getenv("LUMO_SCREENSHOT_DIR"))
        GTEST_SKIP() << "set LUMO_SCREENSHOT_DIR to take the screenshots";
    Frame().SetClientSize(640, 460);
    Pump();
    ChooseMenuItem(ID_GO_SAME_THREAD);
    Pump();
    Screenshot(Frame(), "main-window");
    // Then a render watched halfway: the screen as it is then, without waiting for more.
    bool taken = false;
    Frame().GetRenderController().m_onProgress = [&](int position) {
        if (position >= 55 && !taken) {
            taken = true;
            Screenshot(Frame(), "rendering", false);
        }
    };
    ChooseMenuItem(ID_GO_SAME_THREAD);
    Frame().GetRenderController().m_onProgress = nullptr;
    EXPECT_TRUE(taken);

    // The File menu open, as a click on its title opens it.
    wxMenu* file = Frame().GetMenuBar()->GetMenu(kFileMenuPosition);
    GtkAllocation title;
    gtk_widget_get_allocation(file->m_owner, &title);
    int x = 0;
    int y = 0;
    gtk_widget_translate_coordinates(file->m_owner, Frame().GetHandle(), 0, 0, &x, &y);
    wxPoint origin = Frame().GetScreenPosition();
    wxUIActionSimulator mouse;
    mouse.MouseMove(origin.x + x + title.width / 2, origin.y + y + title.height / 2);
    Pump();
    mouse.MouseClick();
    for (int i = 0; i < 20; ++i) {
        Pump();
        wxMilliSleep(20);
    }
    Screenshot(Frame(), "file-menu", false);
    gtk_menu_shell_deactivate(GTK_MENU_SHELL(gtk_widget_get_parent(file->m_owner)));
    Pump();

    // A scene file named on the command line, opened whole and rendered.
    App().ShutDown();
    App().UsePlatform(&m_platform);
    ASSERT_TRUE(App().StartUp(LUMO_SOURCE_DIR "/examples/garden.lscene"));
    Frame().SetClientSize(640, 400);
    Pump();
    ChooseMenuItem(ID_GO_SAME_THREAD);
    Screenshot(Frame(), "scene-file-opened");
}

} // namespace
