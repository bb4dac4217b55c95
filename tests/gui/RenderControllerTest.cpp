#include "GuiTest.h"

#include "RendererTestSupport.h"

#include "app/CommandIds.h"
#include "app/ViewCanvas.h"
#include "script/LumoDoc.h"

#include <wx/uiaction.h>

namespace {

class RenderController : public GuiTest {};

// Escape on the keyboard ends a Go render where it is: the picture so far stays, the render
// ends as ever (the box, "Ready"), and the next render is whole.
TEST_F(RenderController, EscapeStopsTheRenderAndTheNextOneIsWhole) {
    Frame().SetClientSize(900, 700);
    Pump();
    StoreMaxRecursion(4);
    wxUIActionSimulator keyboard;
    bool pressed = false;
    Frame().GetRenderController().m_onProgress = [&](int) {
        if (!pressed) {
            pressed = true;
            keyboard.KeyDown(WXK_ESCAPE);
        }
    };
    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
    keyboard.KeyUp(WXK_ESCAPE);
    Frame().GetRenderController().m_onProgress = nullptr;
    ASSERT_TRUE(pressed);
    const CImage& image = Scene().m_image;
    ASSERT_GT(image.GetHeight(), 100);
    EXPECT_EQ(0xFFFFFFu, image.GetPixel(image.GetWidth() / 2, image.GetHeight() - 1));
    ASSERT_EQ(1u, m_platform.m_messages.size());
    EXPECT_EQ("Finished Rendering", m_platform.m_messages[0].caption);
    EXPECT_EQ("Ready", Frame().GetStatusBar()->GetStatusText(0));
    EXPECT_FALSE(Frame().GetRenderController().IsBusy());

    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
    EXPECT_NE(0xFFFFFFu, image.GetPixel(image.GetWidth() / 2, image.GetHeight() - 1));
}

} // namespace
