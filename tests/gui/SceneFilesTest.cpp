// Whole scenes in the window: Save Scene As, Open Scene, and the question before a changed
// scene goes.
#include "GuiTest.h"

#include "TestFolder.h"
#include "app/CommandIds.h"
#include "app/SceneDocument.h"
#include "script/LumoDoc.h"
#include "script/SceneFile.h"

#include <wx/docview.h>

namespace {

using SceneFilesInTheWindow = GuiTest;

TEST_F(SceneFilesInTheWindow, SaveSceneAsNamesTheWindowAndOpenSceneBringsItBack) {
    Scene().SetEye(CVector(1.5, -5.0, -100.0));
    std::string path = TestPath("garden");
    m_platform.m_files.push_back(path);
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_SAVE_SCENE_AS));
    std::string saved = ReadFile(path + ".lscene");
    std::string expected, error;
    ASSERT_TRUE(CSceneFile::Write(Scene(), expected, error));
    EXPECT_EQ(expected, saved);
    EXPECT_EQ("garden.lscene - lumo", Frame().GetTitle());

    Scene().ClearScene();
    m_platform.m_files.push_back(path + ".lscene");
    m_platform.m_answers.push_back(CPlatform::no); // the cleared scene is not kept
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_OPEN_SCENE));
    EXPECT_EQ(1u, m_platform.m_questions.size());
    EXPECT_EQ(5u, Scene().m_objects.size());
    EXPECT_EQ(1.5, Scene().GetEye().x);
    EXPECT_FALSE(App().GetDocManager()->GetCurrentDocument()->IsModified());

    // A file that is not a whole scene: said in one line, and the scene stays.
    std::string broken = TestPath("broken.lscene");
    WriteFile(broken, "{ lumo scene 1 }\nsphere { 1 2");
    m_platform.m_files.push_back(broken);
    ChooseMenuItem(ID_FILE_OPEN_SCENE);
    ASSERT_EQ(1u, m_platform.m_messages.size());
    EXPECT_EQ(broken + ":2:13: expected a number, found the end of the file",
              m_platform.m_messages[0].text);
    EXPECT_EQ(5u, Scene().m_objects.size());
    EXPECT_EQ("garden.lscene - lumo", Frame().GetTitle());
}

TEST_F(SceneFilesInTheWindow, AChangedSceneIsOfferedForSavingBeforeTheWindowCloses) {
    wxDocument* document = App().GetDocManager()->GetCurrentDocument();
    EXPECT_FALSE(document->IsModified());
    std::string script = TestPath("one.lmo");
    WriteFile(script, "sphere { }");
    m_platform.m_files.push_back(script);
    ChooseMenuItem(ID_FILE_OPEN); // the keyword loader changes the scene
    EXPECT_TRUE(document->IsModified());

    m_platform.m_answers.push_back(CPlatform::cancel);
    EXPECT_FALSE(Frame().Close(false)); // Cancel keeps the window and the scene
    Pump();
    ASSERT_NE(nullptr, App().GetMainFrame());
    ASSERT_EQ(1u, m_platform.m_questions.size());
    EXPECT_EQ("Save changes to Untitled?", m_platform.m_questions[0]);

    std::string path = TestPath("kept");
    m_platform.m_answers.push_back(CPlatform::yes);
    m_platform.m_files.push_back(path);
    EXPECT_TRUE(Frame().Close(false)); // Yes saves as a scene file, then the window goes
    Pump();
    EXPECT_EQ(nullptr, App().GetMainFrame());
    EXPECT_TRUE(CSceneFile::IsSceneText(ReadFile(path + ".lscene")));
    App().ShutDown();
    App().UsePlatform(&m_platform);
    ASSERT_TRUE(App().StartUp("")); // for TearDown
    // A fresh, unchanged scene goes without a question.
    m_platform.m_questions.clear();
    EXPECT_TRUE(Frame().Close(false));
    Pump();
    EXPECT_TRUE(m_platform.m_questions.empty());
    App().ShutDown();
    App().UsePlatform(&m_platform);
    ASSERT_TRUE(App().StartUp(""));
}

} // namespace
