// The scene text pane through the real window: typing into the text re-renders the picture, a
// broken number is marked where it is while the picture stays, another program's save is
// read again, a double-click in the picture finds the statement, Save writes what was read,
// the colours follow the theme and each format's own tokens.

#include "GuiTest.h"

#include "TestFolder.h"
#include "app/CommandIds.h"
#include "app/LiveView.h"
#include "app/LumoView.h"
#include "app/SceneDocument.h"
#include "app/SceneTextEditor.h"
#include "app/SceneTextPane.h"
#include "app/ViewCanvas.h"
#include "render/ObjectPicker.h"
#include "render/RenderScene.h"
#include "scene/Sphere.h"
#include "scene/WorldPlane.h"
#include "script/LumoDoc.h"

#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace {

class SceneTextPane : public GuiTest {
protected:
    const char* LivePreviewAtStart() const override { return "1"; }

    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_TRUE(ChooseMenuItem(ID_VIEW_SCENE_TEXT));
        ASSERT_TRUE(Pane().IsActive());
        ASSERT_TRUE(WaitFor([&] { return Live().IsRefined() && !Live().IsBusy(); }));
    }

    CSceneTextPane& Pane() { return *Frame().GetSceneTextPane(); }
    CSceneTextEditor& Editor() { return Pane().GetEditor(); }
    CLiveView& Live() { return *Frame().GetLumoView()->GetLiveView(); }
    CViewCanvas& Canvas() { return *Frame().GetCanvas(); }
    std::string Text() { return Editor().GetBytes(); }

    // Pumps until the condition holds, as the main loop runs between a user's actions.
    static bool WaitFor(const std::function<bool()>& done, int milliseconds = 10000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            Pump();
            if (done())
                return true;
            wxMilliSleep(5);
        }
        return false;
    }
    // Longer than the pause after typing, with the window's events handled.
    static void WaitPastThePause() {
        auto end = std::chrono::steady_clock::now() +
                   std::chrono::milliseconds(CSceneTextPane::kPauseMs * 3);
        while (std::chrono::steady_clock::now() < end) {
            Pump();
            wxMilliSleep(5);
        }
    }
    bool WaitForRefined() {
        return WaitFor([&] { return Live().IsRefined() && !Live().IsBusy(); });
    }

    // Selects the bytes of the text from the offset on and types the replacement on the
    // keyboard, as the X server delivers keys to the focused text.
    void TypeOver(std::size_t offset, std::size_t length, const std::string& typed) {
        Editor().SetFocus();
        Pump();
        Editor().SetSelection(static_cast<int>(offset), static_cast<int>(offset + length));
        wxUIActionSimulator keyboard;
        for (char c : typed) {
            keyboard.Char(c);
            Pump();
        }
        ASSERT_TRUE(WaitFor([&] { return Text().find(typed, offset) == offset; }, 3000))
            << "the keys did not reach the text: " << Text();
    }

    // The sphere statement that starts with the prefix, and the offset of its radius in it.
    std::size_t Find(const std::string& what) {
        std::size_t at = Text().find(what);
        EXPECT_NE(std::string::npos, at) << what << " in " << Text();
        return at;
    }

    static std::string Bytes(const CImage& image) {
        std::size_t count = static_cast<std::size_t>(image.GetWidth()) *
                            static_cast<std::size_t>(image.GetHeight());
        std::string bytes(reinterpret_cast<const char*>(image.GetRedPlane()), count);
        bytes.append(reinterpret_cast<const char*>(image.GetGreenPlane()), count);
        bytes.append(reinterpret_cast<const char*>(image.GetBluePlane()), count);
        return bytes;
    }

    // A pixel of the canvas that shows the object with 6 pixels of it all round.
    wxPoint PixelShowing(std::size_t object) {
        wxSize size = Canvas().GetClientSize();
        CObjectPicker picker(CRenderScene::Snapshot(Scene()), static_cast<unsigned>(size.x),
                             static_cast<unsigned>(size.y));
        for (int y = 6; y < size.y - 6; y += 3)
            for (int x = 6; x < size.x - 6; x += 3) {
                bool all = true;
                for (int dy : {-6, 0, 6})
                    for (int dx : {-6, 0, 6})
                        all = all && picker.Pick(static_cast<unsigned>(x + dx),
                                                 static_cast<unsigned>(y + dy)) == object;
                if (all)
                    return wxPoint(x, y);
            }
        return wxPoint(-1, -1);
    }

    CSphere& SphereAt(std::size_t index) {
        return dynamic_cast<CSphere&>(*Scene().m_objects.at(index));
    }

    // Saves the scene to a file through Save Scene As: the pane then holds that file.
    std::string SaveSceneFile(const std::string& name) {
        std::string path = TestPath(name);
        m_platform.m_files.push_back(path);
        EXPECT_TRUE(ChooseMenuItem(ID_FILE_SAVE_SCENE_AS));
        EXPECT_TRUE(WaitFor([&] { return Pane().GetPath() == path; }));
        return path;
    }
};

} // namespace

TEST_F(SceneTextPane, ShowsTheSceneAsASceneFileAndTypingARadiusChangesThePicture) {
    // Appended to the View menu after Properties, checked, and remembered.
    wxMenu* view = Frame().GetMenuBar()->GetMenu(2);
    EXPECT_EQ(ID_VIEW_SCENE_TEXT, view->FindItemByPosition(6)->GetId());
    EXPECT_EQ("Scene Text", view->FindItemByPosition(6)->GetItemLabelText());
    EXPECT_TRUE(CSceneTextPane::IsShownInProfile());
    std::string written;
    std::vector<std::string> reasons;
    ASSERT_TRUE(CSceneText::Write(Scene(), CSceneText::sceneFile, written, reasons));
    EXPECT_EQ(written, Text());
    EXPECT_EQ("Untitled - lumo", Frame().GetTitle());

    std::string before = Bytes(Scene().m_image);
    std::size_t statement = Find("sphere { 5.5 -42.5 5 17.5 ");
    TypeOver(statement + 21, 4, "30");
    EXPECT_EQ(17.5f, SphereAt(2).GetRadius()) << "read only once the typing pauses";
    ASSERT_TRUE(WaitFor([&] { return SphereAt(2).GetRadius() == 30.0f; }));
    ASSERT_TRUE(WaitForRefined());
    EXPECT_NE(before, Bytes(Scene().m_image));
    EXPECT_EQ(Text(), Pane().IsInStep() ? Text() : std::string("not in step"));
    Pump();
    EXPECT_EQ("*Untitled - lumo", Frame().GetTitle()) << "a change not saved is marked";
    EXPECT_TRUE(m_platform.m_messages.empty());
}

TEST_F(SceneTextPane, ABrokenNumberIsMarkedWhereItIsAndThePictureStays) {
    std::string before = Bytes(Scene().m_image);
    unsigned long revision = Scene().GetRevision();
    std::size_t statement = Find("sphere { 5.5 -42.5 5 17.5 ");
    std::size_t radius = statement + 21;
    TypeOver(radius, 4, "2x5");
    ASSERT_TRUE(WaitFor([&] { return Pane().HasError(); }));
    int line = Editor().LineFromPosition(static_cast<int>(radius));
    int column = static_cast<int>(radius) - Editor().PositionFromLine(line) + 1;
    std::string message = "Untitled:" + std::to_string(line + 1) + ":" + std::to_string(column) +
                          ": expected a single-precision number, found '2x5'";
    EXPECT_EQ(line, Editor().GetErrorLine());
    EXPECT_EQ(message, Editor().AnnotationGetText(line).utf8_string());
    EXPECT_EQ(message, Pane().GetMessage().utf8_string());
    EXPECT_EQ(message, Frame().GetStatusBar()->GetStatusText(0).utf8_string());
    // Underlined from the place the reader names to the end of the bad number.
    int marked = 1 << CSceneTextEditor::kErrorIndicator;
    EXPECT_TRUE(Editor().IndicatorAllOnFor(static_cast<int>(radius)) & marked);
    EXPECT_TRUE(Editor().IndicatorAllOnFor(static_cast<int>(radius) + 2) & marked);
    EXPECT_FALSE(Editor().IndicatorAllOnFor(static_cast<int>(radius) + 3) & marked);
    EXPECT_FALSE(Editor().IndicatorAllOnFor(static_cast<int>(statement)) & marked);
    // No box, and the picture is still the last scene that read.
    EXPECT_TRUE(m_platform.m_messages.empty());
    EXPECT_EQ(revision, Scene().GetRevision());
    EXPECT_EQ(17.5f, SphereAt(2).GetRadius());
    EXPECT_TRUE(Live().IsRefined());
    EXPECT_EQ(before, Bytes(Scene().m_image));
    Screenshot(Frame(), "scene-text-error");

    // Put right, it reads: the mark goes and the scene takes the number.
    TypeOver(radius, 3, "20");
    ASSERT_TRUE(WaitFor([&] { return SphereAt(2).GetRadius() == 20.0f; }));
    EXPECT_FALSE(Pane().HasError());
    EXPECT_EQ(-1, Editor().GetErrorLine());
    EXPECT_FALSE(Editor().IndicatorAllOnFor(static_cast<int>(radius)) & marked);
    // The error's message gives way to the preview's own, and to "Ready" once it is refined.
    ASSERT_TRUE(WaitFor([&] { return Live().IsRefined(); }));
    EXPECT_EQ("Ready", Frame().GetStatusBar()->GetStatusText(0));
}

TEST_F(SceneTextPane, AChangeMadeElsewhereIsWrittenIntoTheTextWithTheCursorKept) {
    std::size_t statement = Find("sphere { -37.5 -15 -15.5 15 ");
    Editor().GotoPos(static_cast<int>(statement + 3));
    Editor().SetFocus();
    Pump();
    // The camera moved by the keyboard in the picture.
    Scene().SetEye(CVector(0, -5, -100));
    Pump();
    EXPECT_NE(std::string::npos, Text().find("camera { eye { 0 -5 -100 }"));
    EXPECT_EQ(static_cast<int>(Find("sphere { -37.5 -15 -15.5 15 ") + 3), Editor().GetCurrentPos());
    EXPECT_TRUE(Pane().IsInStep());
}

TEST_F(SceneTextPane, AnotherProgramsSaveIsReadAgainAndChangesHereAreNotLostUnasked) {
    std::string path = SaveSceneFile("garden.lscene");
    EXPECT_EQ(ReadFile(path), Text());
    EXPECT_EQ("garden.lscene - lumo", Frame().GetTitle());

    // Written by another process, by a rename over the file as editors save.
    std::string command = "sed 's/ 17.5 / 33 /' '" + path + "' > '" + path + ".new' && mv '" +
                          path + ".new' '" + path + "'";
    ASSERT_EQ(0, std::system(command.c_str()));
    ASSERT_TRUE(WaitFor([&] { return SphereAt(2).GetRadius() == 33.0f; }));
    EXPECT_EQ(ReadFile(path), Text());
    EXPECT_TRUE(m_platform.m_questions.empty()) << "nothing here was unsaved";
    EXPECT_TRUE(WaitForRefined());
    EXPECT_EQ("garden.lscene - lumo", Frame().GetTitle());

    // A change here, not saved: the user is asked, and No keeps it.
    TypeOver(Find(" 33 ") + 1, 2, "34");
    ASSERT_TRUE(WaitFor([&] { return SphereAt(2).GetRadius() == 34.0f; }));
    m_platform.m_answers.push_back(CPlatform::no);
    command = "sed -i 's/ 33 / 35 /' '" + path + "'";
    ASSERT_EQ(0, std::system(command.c_str()));
    ASSERT_TRUE(WaitFor([&] { return !m_platform.m_questions.empty(); }));
    EXPECT_NE(std::string::npos,
              m_platform.m_questions[0].find("garden.lscene has been changed by another program"));
    EXPECT_EQ(34.0f, SphereAt(2).GetRadius());
    EXPECT_NE(std::string::npos, Text().find(" 34 "));
    // Saving now asks before it writes over the other program's file.
    m_platform.m_answers.push_back(CPlatform::no);
    EXPECT_FALSE(Pane().Save());
    ASSERT_EQ(2u, m_platform.m_questions.size());
    EXPECT_NE(std::string::npos, ReadFile(path).find(" 35 "));

    // Yes reads the file as it is.
    m_platform.m_answers.push_back(CPlatform::yes);
    command = "sed -i 's/ 35 / 36 /' '" + path + "'";
    ASSERT_EQ(0, std::system(command.c_str()));
    ASSERT_TRUE(WaitFor([&] { return SphereAt(2).GetRadius() == 36.0f; }));
    EXPECT_EQ(ReadFile(path), Text());
    EXPECT_FALSE(Frame().GetCurrentDocument()->IsModified());
}

TEST_F(SceneTextPane, ADoubleClickOnASpherePutsTheCursorOnItsStatement) {
    std::size_t object = 3; // the blue sphere
    wxPoint pixel = PixelShowing(object);
    ASSERT_GE(pixel.x, 0);
    wxUIActionSimulator mouse;
    mouse.MouseMove(Canvas().ClientToScreen(pixel));
    Pump();
    mouse.MouseDblClick();
    ASSERT_TRUE(WaitFor([&] { return Editor().HasFocus(); }, 3000));
    EXPECT_EQ(object, Live().GetSelection());
    int caret = Editor().GetCurrentPos();
    EXPECT_EQ(Find("sphere { -37.5 -15 -15.5 15 "), static_cast<std::size_t>(caret));

    // Hidden, the pane is shown for it.
    ASSERT_TRUE(ChooseMenuItem(ID_VIEW_SCENE_TEXT));
    EXPECT_FALSE(Frame().IsSceneTextShown());
    pixel = PixelShowing(1);
    mouse.MouseMove(Canvas().ClientToScreen(pixel));
    Pump();
    mouse.MouseDblClick();
    ASSERT_TRUE(WaitFor([&] { return Editor().HasFocus(); }, 3000));
    EXPECT_TRUE(Frame().IsSceneTextShown());
    EXPECT_EQ(Find("sphere { 100.5 "), static_cast<std::size_t>(Editor().GetCurrentPos()));
}

TEST_F(SceneTextPane, WhatTheProgramWroteComesBackByteForByteAndSaveWritesIt) {
    std::string path = SaveSceneFile("round.lscene");
    std::string saved = ReadFile(path);
    // Read into the scene and written back: the same text.
    Pane().ReadNow();
    Scene().NoteChange();
    Pump();
    EXPECT_EQ(saved, Text());

    // Ctrl+S in the text writes it, atomically, and the mark goes.
    TypeOver(Find(" 17.5 ") + 1, 4, "12");
    ASSERT_TRUE(WaitFor([&] { return SphereAt(2).GetRadius() == 12.0f; }));
    Pump();
    EXPECT_EQ("*round.lscene - lumo", Frame().GetTitle());
    Editor().SetFocus();
    std::size_t dialogs = m_platform.m_fileRequests.size();
    PressKey(wxMOD_CONTROL, 'S');
    EXPECT_EQ(dialogs, m_platform.m_fileRequests.size()) << "not Save Script's dialog";
    EXPECT_EQ(Text(), ReadFile(path));
    Pump();
    EXPECT_EQ("round.lscene - lumo", Frame().GetTitle());
    for (const auto& entry : std::filesystem::directory_iterator(TestFolder()))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".tmp")) << entry.path();

    // A script that Save Script wrote, read by Parse Script: the pane holds the script, and it
    // comes back byte for byte too.
    CLumoDoc spheres;
    spheres.ClearScene();
    spheres.AddObjectAtTail(std::make_unique<CSphere>(-20.0f, -10.0f, 0.0f, 18.0f));
    spheres.AddObjectAtTail(std::make_unique<CSphere>(25.0f, 5.0f, 10.0f, 22.5f));
    std::string script = spheres.GetScriptText();
    std::string scriptPath = TestPath("two.lmo");
    WriteFile(scriptPath, script);
    m_platform.m_files.push_back(scriptPath);
    ASSERT_TRUE(ChooseMenuItem(ID_SCENE_PARSE_SCRIPT));
    ASSERT_TRUE(WaitFor([&] { return Pane().GetPath() == scriptPath; }));
    EXPECT_EQ(CSceneText::script, Pane().GetFormat());
    EXPECT_EQ(script, Text());
    Scene().NoteChange();
    Pump();
    EXPECT_EQ(script, Text());
    EXPECT_TRUE(Pane().Save());
    EXPECT_EQ(script, ReadFile(scriptPath));
}

TEST_F(SceneTextPane, AScriptIsColouredByItsOwnTokensAndKeepsWhatItCannotSay) {
    std::string script = "// A ball\nSPHERE { 0.0 -5.0 0.0 40.0 1 colour { 0.86 0.39 0.39 } }\n";
    std::string path = TestPath("ball.lmo");
    WriteFile(path, script);
    m_platform.m_files.push_back(path);
    ASSERT_TRUE(ChooseMenuItem(ID_SCENE_PARSE_SCRIPT));
    ASSERT_TRUE(WaitFor([&] { return Pane().GetPath() == path; }));
    Editor().Colourise(0, -1);
    auto styleAt = [&](const std::string& what) {
        return Editor().GetStyleAt(static_cast<int>(script.find(what)));
    };
    EXPECT_EQ(CSceneTextEditor::styleText, styleAt("//")) << "no comments in a script";
    EXPECT_EQ(CSceneTextEditor::styleKeyword, styleAt("SPHERE"));
    EXPECT_EQ(CSceneTextEditor::styleKeyword, styleAt("colour"));
    EXPECT_EQ(CSceneTextEditor::styleNumber, styleAt("40.0"));
    EXPECT_EQ(CSceneTextEditor::styleText,
              Editor().GetStyleAt(static_cast<int>(script.find(" 1 ") + 1)))
        << "a whole number is no number in a script";
    EXPECT_EQ(CSceneTextEditor::styleBrace, styleAt("{"));

    // The camera is not the script's: the text stays and the pane says so.
    Scene().SetEye(CVector(0, -5, -100));
    Pump();
    EXPECT_EQ(script, Text());
    EXPECT_NE(wxNOT_FOUND, Pane().GetMessage().Find("the camera, the lights and the background"));

    // A plane the script cannot hold: the whole scene as a scene file, the script untouched.
    Scene().AddObjectAtTail(std::make_unique<CWorldPlane>(0.0, 1.0, 0.0, -40.0));
    Pump();
    EXPECT_EQ(CSceneText::sceneFile, Pane().GetFormat());
    EXPECT_EQ(0u, Text().find("{ lumo scene 1 }"));
    EXPECT_EQ("Object 2 is a plane fixed in the world; a script builds spheres only. The text "
              "is the whole scene as a scene file now; ball.lmo is left as it was.",
              Pane().GetMessage());
    EXPECT_EQ(script, ReadFile(path));
    Editor().Colourise(0, -1);
    EXPECT_EQ(CSceneTextEditor::styleComment,
              Editor().GetStyleAt(static_cast<int>(Text().find("// A Lumo scene"))));
}

TEST_F(SceneTextPane, TheColoursFollowTheDesktopsThemeDarkToo) {
    CEditorTheme light = CEditorTheme::FromSystem();
    EXPECT_EQ(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW), light.background);
    EXPECT_EQ(light.background, Editor().StyleGetBackground(wxSTC_STYLE_DEFAULT));
    auto luminance = [](const wxColour& c) { return c.Red() * 2 + c.Green() * 7 + c.Blue(); };

    CEditorTheme dark = CEditorTheme::For(wxColour(30, 30, 34), wxColour(220, 220, 220),
                                          wxColour(60, 90, 160), wxColour(255, 255, 255));
    EXPECT_TRUE(dark.dark);
    Editor().ApplyTheme(dark);
    EXPECT_EQ(wxColour(30, 30, 34), Editor().StyleGetBackground(wxSTC_STYLE_DEFAULT));
    EXPECT_EQ(wxColour(30, 30, 34), Editor().StyleGetBackground(CSceneTextEditor::styleKeyword));
    for (int style : {CSceneTextEditor::styleText, CSceneTextEditor::styleKeyword,
                      CSceneTextEditor::styleNumber, CSceneTextEditor::styleComment})
        EXPECT_GT(luminance(Editor().StyleGetForeground(style)), 4 * luminance(dark.background))
            << style;
    EXPECT_LT(luminance(Editor().StyleGetBackground(wxSTC_STYLE_LINENUMBER)),
              luminance(wxColour(90, 90, 90)));
    Editor().ApplyTheme(light);
}
