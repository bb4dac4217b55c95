// A change of the scene reaches the picture through the document alone: the document tells its
// views, and the view clears the picture and repaints it. No command calls the view.
#include "GuiTest.h"
#include "ModalSteps.h"

#include "RendererTestSupport.h"
#include "TestFolder.h"
#include "app/CommandIds.h"
#include "app/FileCommands.h"
#include "app/ViewCanvas.h"
#include "script/LumoDoc.h"

#include <wx/utils.h>

namespace {

class ViewUpdate : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        Frame().SetClientSize(48, 32);
        Repainted(); // the window at its size before the render takes it
        Frame().GetCanvas()->Bind(wxEVT_PAINT, &ViewUpdate::OnPaint, this);
        ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
        ASSERT_NE(White(), EncodePpm(Scene().m_image));
        m_rendered = EncodePpm(Scene().m_image);
        m_platform.m_messages.clear();
        Repainted(); // the render's last rows
    }
    void TearDown() override {
        Frame().GetCanvas()->Unbind(wxEVT_PAINT, &ViewUpdate::OnPaint, this);
        GuiTest::TearDown();
    }
    void OnPaint(wxPaintEvent& event) {
        m_painted.Union(Frame().GetCanvas()->GetUpdateRegion());
        event.Skip();
    }
    // What the canvas painted since the last look, once GTK has painted what it had waiting.
    wxRect Repainted() {
        for (int i = 0; i < 10; ++i) {
            Pump();
            wxMilliSleep(10);
        }
        wxRect painted = m_painted.GetBox();
        m_painted.Clear();
        return painted;
    }
    wxRect WholeCanvas() { return wxRect(Frame().GetCanvas()->GetClientSize()); }
    std::string White() {
        CImage white;
        EXPECT_TRUE(white.SetSize(Scene().m_image.GetWidth(), Scene().m_image.GetHeight()));
        white.Clear();
        return EncodePpm(white);
    }
    std::string Script(const std::string& text) {
        std::string path = TestPath("scene.lmo");
        WriteFile(path, text);
        return path;
    }

    wxRegion m_painted;
    std::string m_rendered;
};

TEST_F(ViewUpdate, OpenClearsThePictureAndRepaintsTheWholeView) {
    m_platform.m_files.push_back(Script("sphere { 1.0 2.0 3.0 4.0 }"));
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_OPEN));
    EXPECT_EQ(White(), EncodePpm(Scene().m_image));
    EXPECT_EQ(WholeCanvas(), Repainted());
}

TEST_F(ViewUpdate, ParseScriptRepaintsOnlyAfterAScriptThatParsed) {
    m_platform.m_files.push_back(Script("sphere { 7.0 } }"));
    ASSERT_TRUE(ChooseMenuItem(ID_SCENE_PARSE_SCRIPT));
    EXPECT_EQ(1u, m_platform.m_messages.size());
    EXPECT_EQ(m_rendered, EncodePpm(Scene().m_image));
    EXPECT_TRUE(Repainted().IsEmpty());

    m_platform.m_files.push_back(Script("sphere { 1.0 2.0 3.0 }"));
    ASSERT_TRUE(ChooseMenuItem(ID_SCENE_PARSE_SCRIPT));
    EXPECT_EQ(White(), EncodePpm(Scene().m_image));
    EXPECT_EQ(WholeCanvas(), Repainted());
}

TEST_F(ViewUpdate, TheWizardLeavesThePictureAsItIs) {
    m_platform.m_realWizard = true;
    auto next = [](wxDialog& dialog) { Click(dialog, wxID_FORWARD); };
    RunModalSteps([&] { ChooseMenuItem(ID_SCENE_WIZARD); },
                  {{"First", next}, {"Wizard", [](wxDialog& dialog) { dialog.Close(); }}});
    EXPECT_EQ(m_rendered, EncodePpm(Scene().m_image));

    RunModalSteps([&] { ChooseMenuItem(ID_FILE_NEW); },
                  {{"First", next}, {"Wizard", next}, {"Wizard", next}});
    EXPECT_EQ(2u, Scene().m_objects.size()); // the page's object and the floor
    EXPECT_EQ(m_rendered, EncodePpm(Scene().m_image));
    EXPECT_TRUE(Repainted().IsEmpty());
}

TEST_F(ViewUpdate, AScriptFromTheRecentFilesKeepsThePictureAndRepaintsIt) {
    Frame().GetFileCommands().AddRecentFile(Script("sphere { 1.0 2.0 3.0 4.0 }"));
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_MRU_FILE1));
    EXPECT_EQ(6u, Scene().m_objects.size());
    EXPECT_EQ(m_rendered, EncodePpm(Scene().m_image));
    EXPECT_EQ(WholeCanvas(), Repainted());
}

} // namespace
