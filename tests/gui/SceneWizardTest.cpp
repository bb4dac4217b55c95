#include "GuiTest.h"
#include "ModalSteps.h"

#include "TestFolder.h"
#include "app/CommandIds.h"
#include "app/SceneWizard.h"
#include "app/ViewCanvas.h"
#include "app/WizPage1.h"
#include "app/WizPage2.h"
#include "app/WizPage3.h"
#include "headless/HeadlessPlatform.h"
#include "platform/SettingsStore.h"
#include "render/ImageFile.h"
#include "render/Render.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"

#include <wx/button.h>
#include <wx/choice.h>

namespace {

class SceneWizard : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        m_platform.m_realWizard = true;
    }

    static CSceneWizard& Wizard(wxDialog& dialog) { return dynamic_cast<CSceneWizard&>(dialog); }
    static wxWindow& Page(wxDialog& dialog) { return *Wizard(dialog).GetCurrentPage(); }
    static wxButton& Button(wxDialog& dialog, int id) {
        return *dynamic_cast<wxButton*>(dialog.FindWindow(id));
    }
    // The first sheet answered with that count.
    static ModalStep Count(const std::string& text) {
        return {"First", [text](wxDialog& dialog) {
                    Type(Page(dialog), CWizPage1::ID_OBJECT_COUNT, text);
                    Click(dialog, wxID_FORWARD);
                }};
    }
    static ModalStep OnWizard(std::function<void(wxDialog&)> act) { return {"Wizard", act}; }

    void RunWizard(std::vector<ModalStep> steps) {
        RunModalSteps([&] { ChooseMenuItem(ID_SCENE_WIZARD); }, std::move(steps));
    }

    // Two objects through the wizard: a redder one raised by 20, a reflecting one 40 to the
    // left.
    void BuildTwoObjects() {
        RunWizard({Count("2"), OnWizard([&](wxDialog& dialog) {
                       Type(Page(dialog), CWizPage2::ID_Y, "-20");
                       Type(Page(dialog), CWizPage2::ID_RED, "200");
                       Click(dialog, wxID_FORWARD);
                       Type(Page(dialog), CWizPage2::ID_X, "-40");
                       Type(Page(dialog), CWizPage2::ID_REFLECTION, "0.1");
                       Click(dialog, wxID_FORWARD);
                       Click(dialog, wxID_FORWARD);
                   })});
    }
};

TEST_F(SceneWizard, CountsOutsideOneToFiftyKeepTheFirstPageAndALeadingNumberIsRead) {
    std::vector<std::string> stayed;
    std::size_t pages = 0;
    auto tryCount = [&](const std::string& text) {
        return ModalStep{"First", [&, text](wxDialog& dialog) {
                             Type(Page(dialog), CWizPage1::ID_OBJECT_COUNT, text);
                             Click(dialog, wxID_FORWARD);
                             if (dialog.IsModal())
                                 stayed.push_back(text);
                         }};
    };
    RunWizard({{"First",
                [&](wxDialog& dialog) {
                    EXPECT_EQ("1", TextOf(Page(dialog), CWizPage1::ID_OBJECT_COUNT));
                    EXPECT_EQ("&Next >", Button(dialog, wxID_FORWARD).GetLabel());
                    EXPECT_FALSE(Button(dialog, wxID_BACKWARD).IsEnabled());
                }},
               tryCount("0"),
               tryCount("51"),
               tryCount("-2"),
               tryCount("abc"),
               tryCount("12abc"),
               OnWizard([&](wxDialog& dialog) {
                   pages = Wizard(dialog).m_objectPages.size();
                   Click(dialog, wxID_CANCEL);
               })});
    EXPECT_EQ((std::vector<std::string>{"0", "51", "-2", "abc"}), stayed);
    EXPECT_EQ(12u, pages);
    EXPECT_TRUE(m_platform.m_messages.empty()); // refused counts say nothing
    EXPECT_EQ(5u, Scene().m_objects.size());
}

TEST_F(SceneWizard, AnObjectPageRefusesAnAmbientAboveOneAndStays) {
    std::string script = Scene().GetScriptText();
    bool stayed = false;
    bool reachedClosingPage = false;
    RunWizard({Count("1"), OnWizard([&](wxDialog& dialog) {
                   wxWindow& page = Page(dialog);
                   Type(page, CWizPage2::ID_AMBIENT, "1.5");
                   Click(dialog, wxID_FORWARD);
                   stayed = &Page(dialog) == &page;
                   EXPECT_EQ(page.FindWindow(CWizPage2::ID_AMBIENT), wxWindow::FindFocus());
                   Type(page, CWizPage2::ID_AMBIENT, "1");
                   Click(dialog, wxID_FORWARD);
                   reachedClosingPage = dynamic_cast<CWizPage3*>(&Page(dialog)) != nullptr;
                   Click(dialog, wxID_CANCEL);
               })});
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(reachedClosingPage);
    ASSERT_EQ(1u, m_platform.m_messages.size());
    EXPECT_EQ("Please enter a number between 0 and 1.", m_platform.m_messages[0].text);
    // Cancel on the second sheet: the scene is exactly as it was.
    EXPECT_EQ(script, Scene().GetScriptText());
}

TEST_F(SceneWizard, ReadsEveryKindOfValueAndRefusesWhatIsNotOne) {
    RunWizard({Count("1"), OnWizard([&](wxDialog& dialog) {
                   wxWindow& page = Page(dialog);
                   const struct {
                       int id;
                       const char* text;
                   } refused[] = {{CWizPage2::ID_RED, "256"},      {CWizPage2::ID_GREEN, "-1"},
                                  {CWizPage2::ID_DIFFUSE, "-0.1"}, {CWizPage2::ID_X, "1,5"},
                                  {CWizPage2::ID_SPECULAR, "nan"}, {CWizPage2::ID_Z, "1e39"}};
                   for (const auto& value : refused) {
                       wxString kept = Edit(page, value.id).GetValue();
                       Type(page, value.id, value.text);
                       Click(dialog, wxID_FORWARD);
                       EXPECT_EQ(&page, &Page(dialog)) << value.text;
                       Type(page, value.id, kept.utf8_string());
                   }
                   Click(dialog, wxID_CANCEL);
               })});
    std::vector<std::string> texts;
    for (const auto& message : m_platform.m_messages)
        texts.push_back(message.text);
    EXPECT_EQ((std::vector<std::string>{
                  "Please enter an integer between 0 and 255.", "Please enter a positive integer.",
                  "Please enter a number between 0 and 1.", "Please enter a number.",
                  "Please enter a number.", "Please enter a number."}),
              texts);
}

TEST_F(SceneWizard, FinishBuildsThePagesObjectsThenTheFloorAndBackReturnsToTheLastPage) {
    std::vector<CLight*> lights = Scene().m_lights;
    RunWizard(
        {Count("3"), OnWizard([&](wxDialog& dialog) {
             EXPECT_FALSE(Button(dialog, wxID_BACKWARD).IsEnabled()); // the sheet's first page
             Click(dialog, wxID_FORWARD);
             // The second page: a plane at (1.7, -2.2, 3.9), green 300.
             wxWindow& second = Page(dialog);
             EXPECT_TRUE(Button(dialog, wxID_BACKWARD).IsEnabled());
             auto* list = dynamic_cast<wxChoice*>(second.FindWindow(CWizPage2::ID_OBJECT_TYPE));
             EXPECT_EQ(2, list->GetSelection());
             EXPECT_EQ("", list->GetString(0));
             EXPECT_EQ("Plane", list->GetString(1));
             EXPECT_EQ("Sphere  ", list->GetString(2));
             list->SetSelection(1);
             Type(second, CWizPage2::ID_X, "1.7");
             Type(second, CWizPage2::ID_Y, "-2.2");
             Type(second, CWizPage2::ID_Z, "3.9");
             Type(second, CWizPage2::ID_GREEN, "300");
             Click(dialog, wxID_FORWARD);
             wxWindow& third = Page(dialog);
             Screenshot(dialog, "wizard-object-page");
             Click(dialog, wxID_FORWARD);
             EXPECT_NE(nullptr, dynamic_cast<CWizPage3*>(&Page(dialog)));
             EXPECT_EQ("&Finish", Button(dialog, wxID_FORWARD).GetLabel());
             Click(dialog, wxID_BACKWARD);
             EXPECT_EQ(&third, &Page(dialog));
             EXPECT_EQ("&Next >", Button(dialog, wxID_FORWARD).GetLabel());
             EXPECT_TRUE(Button(dialog, wxID_BACKWARD).IsEnabled());
             Click(dialog, wxID_FORWARD);
             Click(dialog, wxID_FORWARD); // Finish
         })});

    ASSERT_EQ(4u, Scene().m_objects.size());
    for (std::size_t i : {0u, 2u}) {
        auto* sphere = dynamic_cast<CSphere*>(Scene().m_objects[i].get());
        ASSERT_NE(nullptr, sphere) << i;
        EXPECT_EQ(1.0, sphere->GetCentre().x);
        EXPECT_EQ(1.0, sphere->GetCentre().y);
        EXPECT_EQ(1.0, sphere->GetCentre().z);
        EXPECT_EQ(25.0f, sphere->GetRadius());
        CColour* colour = sphere->GetColour();
        EXPECT_EQ(10, colour->GetRed());
        EXPECT_EQ(127, colour->GetGreen());
        EXPECT_EQ(127, colour->GetBlue());
        for (double value :
             {sphere->GetAmbient(), sphere->GetDiffuse(), sphere->GetBrilliance(),
              sphere->GetSpecular(), sphere->GetRoughness(), sphere->GetReflection()})
            EXPECT_EQ(0.5, value);
    }
    auto* plane = dynamic_cast<CPlane*>(Scene().m_objects[1].get());
    ASSERT_NE(nullptr, plane);
    EXPECT_EQ(1.0, plane->GetNormal().x);
    EXPECT_EQ(-2.0, plane->GetNormal().y);
    EXPECT_EQ(3.0, plane->GetNormal().z);
    EXPECT_EQ(44, plane->GetColour()->GetGreen());
    auto* floor = dynamic_cast<CPlane*>(Scene().m_objects[3].get());
    ASSERT_NE(nullptr, floor);
    EXPECT_EQ(150, floor->GetColour()->GetRed());
    EXPECT_EQ(lights, Scene().m_lights);
    EXPECT_TRUE(m_platform.m_messages.empty());
    EXPECT_EQ("Untitled - lumo", Frame().GetTitle()); // nothing marked changed
}

TEST_F(SceneWizard, CancelOnTheFirstSheetChangesNothingAndNewRunsTheWizardToo) {
    std::string script = Scene().GetScriptText();
    RunModalSteps([&] { ChooseMenuItem(ID_FILE_NEW); },
                  {{"First", [](wxDialog& dialog) { Click(dialog, wxID_CANCEL); }}});
    EXPECT_EQ(1, m_platform.m_wizardRuns);
    EXPECT_EQ(script, Scene().GetScriptText());
}

TEST_F(SceneWizard, TheClosingPageShowsAndSavesTheScriptOfThePagesWithoutTouchingTheScene) {
    std::string script = Scene().GetScriptText();
    std::string expected = CWizardObject::ScriptText({CWizardObject{}});
    std::string shown;
    std::string saved = TestPath("wizard.lmo");
    m_platform.m_files.push_back(saved);
    RunWizard({Count("1"), OnWizard([&](wxDialog& dialog) {
                   Click(dialog, wxID_FORWARD);
                   wxWindow& closing = Page(dialog);
                   EXPECT_TRUE(closing.FindWindow(CWizPage3::ID_VIEW_SOURCE)->IsEnabled());
                   wxTheApp->CallAfter([&] {
                       wxDialog* source = FindModalDialog("View source");
                       ASSERT_NE(nullptr, source);
                       for (wxWindow* child : source->GetChildren())
                           if (auto* text = dynamic_cast<wxTextCtrl*>(child)) {
                               shown = text->GetValue().utf8_string();
                               EXPECT_FALSE(text->IsEditable());
                           }
                       source->EndModal(wxID_OK);
                   });
                   Click(closing, CWizPage3::ID_VIEW_SOURCE);
                   Click(closing, CWizPage3::ID_SAVE_AS);
                   Click(dialog, wxID_CANCEL);
               })});
    EXPECT_EQ(expected, shown);
    EXPECT_EQ(expected, ReadFile(saved));
    ASSERT_EQ(1u, m_platform.m_fileRequests.size());
    EXPECT_EQ("lumo", m_platform.m_fileRequests[0].defaultExtension);
    EXPECT_EQ(script, Scene().GetScriptText());
}

TEST_F(SceneWizard, TheBuiltSceneRendersLitAndAsTheEngineRendersTheSameObjects) {
    BuildTwoObjects();
    ASSERT_EQ(3u, Scene().m_objects.size());
    Frame().SetClientSize(120, 120);
    Pump();
    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
    // The size the render took from the view.
    wxSize size(Scene().m_image.GetWidth(), Scene().m_image.GetHeight());
    std::string shown = TestPath("shown.ppm");
    std::string error;
    ASSERT_TRUE(CImageFile::Write(Scene().m_image, shown, error)) << error;

    std::vector<CWizardObject> pages(2);
    pages[0].m_y = -20.0f;
    pages[0].m_red = 200;
    pages[1].m_x = -40.0f;
    pages[1].m_reflection = 0.1f;
    auto renderHeadless = [&](bool withLights, const std::string& path) {
        CHeadlessPlatform headless;
        CPlatformScope scope(headless);
        CLumoDoc document;
        document.BuildWizardScene(pages);
        if (!withLights)
            document.m_lights.clear();
        RenderOptions options;
        options.width = static_cast<unsigned>(size.GetWidth());
        options.height = static_cast<unsigned>(size.GetHeight());
        options.maxRecursion = CSettingsStore::Profile().GetMaxRecursion();
        RenderResult result = Render(CRenderScene::Snapshot(document), options);
        std::string failure;
        ASSERT_TRUE(CImageFile::Write(result.picture, path, failure)) << failure;
    };
    renderHeadless(true, TestPath("engine.ppm"));
    renderHeadless(false, TestPath("unlit.ppm"));
    EXPECT_EQ(ReadFile(TestPath("engine.ppm")), ReadFile(shown));
    // The default light survived the clearing: without it the picture is another.
    EXPECT_NE(ReadFile(TestPath("unlit.ppm")), ReadFile(shown));
}

} // namespace

#include "cli/RenderCommand.h"

namespace {
// A scene built in the window through the real wizard, saved as a scene file, opened again in
// a fresh start of the program and rendered there and by lumo-render: one picture, three times.
TEST_F(SceneWizard, ASceneBuiltHereRendersTheSameReopenedAndInLumoRender) {
    BuildTwoObjects();
    Scene().SetEye(CVector(5.0, -10.0, -100.0)); // as the camera dialog sets it
    auto renderHere = [&](const std::string& path) {
        Frame().SetClientSize(120, 90);
        Pump();
        ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
        std::string error;
        ASSERT_TRUE(CImageFile::Write(Scene().m_image, path, error)) << error;
    };
    renderHere(TestPath("window.ppm"));
    std::string width = std::to_string(Scene().m_image.GetWidth());
    std::string height = std::to_string(Scene().m_image.GetHeight());
    m_platform.m_files.push_back(TestPath("built"));
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_SAVE_SCENE_AS));

    App().ShutDown();
    App().UsePlatform(&m_platform);
    ASSERT_TRUE(App().StartUp(""));
    Frame().ShowProperties(false); // the window as it was: the view alone
    m_platform.m_files.push_back(TestPath("built.lscene"));
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_OPEN_SCENE));
    EXPECT_EQ("built.lscene - lumo", Frame().GetTitle());
    renderHere(TestPath("reopened.ppm"));

    // lumo-render draws the saved scene as the window drew it, each at the window's size.
    auto lumoRender = [&](const std::string& w, const std::string& h, const std::string& path) {
        EXPECT_EQ(0, RunLumoRender({"-q", "-W", w, "-H", h, TestPath("built.lscene"), "-o", path},
                                   stdout, stderr));
        return ReadFile(path);
    };
    EXPECT_EQ(ReadFile(TestPath("window.ppm")), lumoRender(width, height, TestPath("cli.ppm")));
    EXPECT_EQ(ReadFile(TestPath("reopened.ppm")),
              lumoRender(std::to_string(Scene().m_image.GetWidth()),
                         std::to_string(Scene().m_image.GetHeight()), TestPath("cli2.ppm")));
}
} // namespace
