// The live preview through the real window: the menu item, the refined picture against Same
// Thread's, the camera dragged and keyed, a click that selects.

#include "GuiTest.h"

#include "TestFolder.h"
#include "app/CommandIds.h"
#include "app/LiveView.h"
#include "app/LumoView.h"
#include "app/PropertiesPane.h"
#include "app/SceneDocument.h"
#include "app/ViewCanvas.h"
#include "platform/SettingsStore.h"
#include "render/ObjectPicker.h"
#include "scene/WorldPlane.h"
#include "script/LumoDoc.h"

#include <wx/menu.h>
#include <wx/propgrid/propgrid.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <string>

namespace {

class LivePreview : public GuiTest {
protected:
    const char* LivePreviewAtStart() const override { return "1"; }

    CLiveView& Live() { return *Frame().GetLumoView()->GetLiveView(); }
    CViewCanvas& Canvas() { return *Frame().GetCanvas(); }

    // Lets the live render finish the scene as it is; false after the time limit.
    bool WaitForRefined(int milliseconds = 10000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            Pump();
            if (Live().IsRefined() && !Live().IsBusy()) {
                Pump();
                return true;
            }
            wxMilliSleep(2);
        }
        return false;
    }

    static std::string Bytes(const CImage& image) {
        std::size_t count = static_cast<std::size_t>(image.GetWidth()) *
                            static_cast<std::size_t>(image.GetHeight());
        std::string bytes(reinterpret_cast<const char*>(image.GetRedPlane()), count);
        bytes.append(reinterpret_cast<const char*>(image.GetGreenPlane()), count);
        bytes.append(reinterpret_cast<const char*>(image.GetBluePlane()), count);
        return bytes;
    }

    // The mouse as the X server moves it, from one point of the canvas to another.
    void Drag(wxPoint from, wxPoint to, int modifiers = 0) {
        wxUIActionSimulator mouse;
        if (modifiers & wxMOD_SHIFT)
            mouse.KeyDown(WXK_SHIFT);
        mouse.MouseMove(Canvas().ClientToScreen(from));
        Settle();
        mouse.MouseDown();
        Settle();
        for (int i = 1; i <= 8; ++i) {
            mouse.MouseMove(Canvas().ClientToScreen(from + (to - from) * i / 8));
            Settle();
        }
        mouse.MouseUp();
        Settle();
        if (modifiers & wxMOD_SHIFT)
            mouse.KeyUp(WXK_SHIFT);
        Settle();
    }
    void ClickAt(wxPoint point) {
        wxUIActionSimulator mouse;
        mouse.MouseMove(Canvas().ClientToScreen(point));
        Settle();
        mouse.MouseClick();
        Settle();
    }
    static void Settle() {
        for (int i = 0; i < 5; ++i) {
            Pump();
            wxMilliSleep(5);
        }
    }

    // A pixel of the canvas that shows the object with 6 pixels of it all round, or the
    // background (kNothing) likewise.
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

    // Pixels of the canvas on screen in the outline's colour.
    int OutlinePixelsOnScreen() {
        wxImage shown = ScreenImage(Canvas());
        int count = 0;
        for (int y = 0; y < shown.GetHeight(); ++y)
            for (int x = 0; x < shown.GetWidth(); ++x)
                if (shown.GetRed(x, y) == 255 && shown.GetGreen(x, y) == 140 &&
                    shown.GetBlue(x, y) == 0)
                    ++count;
        return count;
    }
};

class LivePreviewByDefault : public LivePreview {
protected:
    const char* LivePreviewAtStart() const override { return nullptr; }
};

} // namespace

TEST_F(LivePreviewByDefault, IsOnAndTheMenuItemTurnsItOffAndOnAgain) {
    wxMenuItem* item = Frame().GetMenuBar()->FindItem(ID_VIEW_LIVE_PREVIEW);
    ASSERT_NE(nullptr, item);
    // Appended to the View menu, after the four items that were there before.
    wxMenu* view = Frame().GetMenuBar()->GetMenu(2);
    EXPECT_EQ(item, view->FindItemByPosition(4));
    EXPECT_EQ("Live Preview", item->GetItemLabelText());
    view->UpdateUI(&Frame());
    EXPECT_TRUE(item->IsChecked());
    ASSERT_TRUE(WaitForRefined());
    EXPECT_TRUE(Scene().m_imageComplete);
    EXPECT_EQ("Ready", Frame().GetStatusBar()->GetStatusText(0));

    ASSERT_TRUE(ChooseMenuItem(ID_VIEW_LIVE_PREVIEW));
    EXPECT_FALSE(Live().IsEnabled());
    EXPECT_EQ(0, CSettingsStore::Profile().GetInt("Lumo", "LivePreview", 1));
    view->UpdateUI(&Frame());
    EXPECT_FALSE(item->IsChecked());
    // Off, a change of the scene is not rendered.
    Scene().SetEye(CVector(0, -5, -100));
    Settle();
    EXPECT_FALSE(Live().IsBusy());
    EXPECT_FALSE(Live().IsRefined());

    ASSERT_TRUE(ChooseMenuItem(ID_VIEW_LIVE_PREVIEW));
    EXPECT_TRUE(Live().IsEnabled());
    EXPECT_EQ(1, CSettingsStore::Profile().GetInt("Lumo", "LivePreview", 0));
    EXPECT_TRUE(WaitForRefined());
}

TEST_F(LivePreview, TheRefinedPictureIsSameThreadsAndGoPausesTheLiveRender) {
    Scene().m_antialias = 2;
    Scene().SetEye(CVector(3, -8, -105)); // a change: rendered again
    ASSERT_TRUE(WaitForRefined());
    std::string live = Bytes(Scene().m_image);
    wxSize size = Canvas().GetClientSize();
    ASSERT_EQ(size.x, Scene().m_image.GetWidth());
    ASSERT_EQ(size.y, Scene().m_image.GetHeight());

    // The screen shows the picture the document holds.
    wxImage shown = ScreenImage(Canvas());
    ASSERT_TRUE(shown.IsOk());
    for (wxPoint p :
         {wxPoint(10, 10), wxPoint(size.x / 2, size.y / 2), wxPoint(size.x - 3, size.y - 3)}) {
        std::uint32_t pixel = Scene().m_image.GetPixel(p.x, p.y);
        EXPECT_EQ(pixel & 0xFF, shown.GetRed(p.x, p.y)) << p.x << ", " << p.y;
        EXPECT_EQ((pixel >> 16) & 0xFF, shown.GetBlue(p.x, p.y)) << p.x << ", " << p.y;
    }

    bool liveBusyDuringGo = true;
    Frame().GetRenderController().m_onProgress = [&](int) { liveBusyDuringGo = Live().IsBusy(); };
    Scene().m_image.Clear();
    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
    Frame().GetRenderController().m_onProgress = nullptr;
    EXPECT_FALSE(liveBusyDuringGo);
    ASSERT_EQ(1u, m_platform.m_messages.size());
    EXPECT_EQ("Finished Rendering", m_platform.m_messages[0].caption);
    EXPECT_EQ(live, Bytes(Scene().m_image));
    // Nothing left to refine: the Go picture stands for the scene.
    Settle();
    EXPECT_TRUE(Live().IsRefined());
    EXPECT_FALSE(Live().IsBusy());
}

TEST_F(LivePreview, ADragOrbitsTheCameraAShiftDragPansAndKeysDoTheSame) {
    ASSERT_TRUE(WaitForRefined());
    auto* document = dynamic_cast<CSceneDocument*>(Frame().GetCurrentDocument());
    ASSERT_NE(nullptr, document);
    EXPECT_FALSE(document->IsModified());
    std::string before = Bytes(Scene().m_image);
    CVector eye = Scene().GetEye();
    CVector look = Scene().GetLook();
    wxSize size = Canvas().GetClientSize();
    wxPoint middle(size.x / 2, size.y / 2);

    Drag(middle, middle + wxPoint(80, 0));
    ASSERT_TRUE(WaitForRefined());
    Screenshot(Frame(), "live-orbited");
    EXPECT_LT(Scene().GetEye().x, eye.x - 10) << "dragged right, the eye goes round to the left";
    EXPECT_NE(look.x, Scene().GetLook().x);
    EXPECT_NEAR(look.Length(), Scene().GetLook().Length(), 1e-9);
    EXPECT_TRUE(document->IsModified()) << "a camera moved is a changed scene";
    EXPECT_NE(before, Bytes(Scene().m_image));
    EXPECT_EQ(CLiveView::kNoSelection, Live().GetSelection()) << "a drag is not a click";

    // Shift: the eye moves across the view, the look stays.
    eye = Scene().GetEye();
    look = Scene().GetLook();
    Drag(middle, middle + wxPoint(0, 40), wxMOD_SHIFT);
    ASSERT_TRUE(WaitForRefined());
    EXPECT_EQ(look.x, Scene().GetLook().x);
    EXPECT_EQ(look.y, Scene().GetLook().y);
    EXPECT_LT(Scene().GetEye().y, eye.y - 1) << "the scene follows the mouse down";

    // The keyboard, on the canvas that the drag gave the focus.
    ASSERT_TRUE(Canvas().HasFocus());
    wxUIActionSimulator keyboard;
    eye = Scene().GetEye();
    keyboard.Char(WXK_LEFT);
    Settle();
    EXPECT_NE(eye.x, Scene().GetEye().x);
    CVector pivot = CCameraControl::Pivot({Scene().GetEye(), Scene().GetLook()}, 0.0);
    double distance = (Scene().GetEye() - pivot).Length();
    keyboard.Char('+');
    Settle();
    EXPECT_LT((Scene().GetEye() - pivot).Length(), distance);
    EXPECT_TRUE(WaitForRefined());
}

TEST_F(LivePreview, AClickSelectsTheSphereUnderItOutlinedOnScreenAndTheSkyNothing) {
    ASSERT_TRUE(WaitForRefined());
    wxPoint sphere = PixelShowing(1);
    wxPoint sky = PixelShowing(CObjectPicker::kNothing);
    ASSERT_GE(sphere.x, 0);
    ASSERT_GE(sky.x, 0);
    ClickAt(sphere);
    EXPECT_EQ(1u, Live().GetSelection());
    // The properties pane shows what was picked.
    CPropertiesPane& pane = *Frame().GetPropertiesPane();
    EXPECT_EQ((CSceneSelection{CSceneSelection::object, 1}), pane.GetSelection());
    ASSERT_TRUE(WaitForRefined());
    Settle();
    // The outline is drawn on the screen, not into the picture.
    EXPECT_GT(OutlinePixelsOnScreen(), 20);
    const CImage& image = Scene().m_image;
    int orange = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            orange += image.GetPixel(x, y) == (255u | 140u << 8);
    EXPECT_EQ(0, orange);
    Screenshot(Frame(), "live-selected");

    ClickAt(sky);
    EXPECT_EQ(CLiveView::kNoSelection, Live().GetSelection());
    EXPECT_EQ(CSceneSelection::none, pane.GetSelection().kind);
    Settle();
    EXPECT_EQ(0, OutlinePixelsOnScreen());
}

TEST_F(LivePreview, AColourChangedInThePaneIsInTheNextPictureAndTheSavedSceneFile) {
    ASSERT_TRUE(WaitForRefined());
    wxPoint sphere = PixelShowing(1);
    ASSERT_GE(sphere.x, 0);
    std::uint32_t before = Scene().m_image.GetPixel(sphere.x, sphere.y);
    ClickAt(sphere);
    CPropertiesPane& pane = *Frame().GetPropertiesPane();
    ASSERT_EQ((CSceneSelection{CSceneSelection::object, 1}), pane.GetSelection());

    // Typed into the grid's editor, as the user does, and Return.
    wxPropertyGrid& grid = pane.GetGrid();
    wxPGProperty* colour = grid.GetPropertyByName("colour");
    ASSERT_NE(nullptr, colour);
    ASSERT_TRUE(grid.SelectProperty(colour, true));
    Pump();
    wxTextCtrl* editor = grid.GetEditorTextCtrl();
    ASSERT_NE(nullptr, editor);
    editor->SetValue("(20,200,40)");
    PressKey(0, WXK_RETURN);
    EXPECT_EQ(200, Scene().m_objects.at(1)->GetColour()->GetGreen());

    ASSERT_TRUE(WaitForRefined());
    std::uint32_t after = Scene().m_image.GetPixel(sphere.x, sphere.y);
    EXPECT_NE(before, after);
    EXPECT_GT((after >> 8) & 0xFF, after & 0xFF) << "the sphere is green now";
    std::string live = Bytes(Scene().m_image);
    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
    EXPECT_EQ(live, Bytes(Scene().m_image));

    m_platform.m_files.push_back(TestPath("green"));
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_SAVE_SCENE_AS));
    EXPECT_NE(std::string::npos,
              ReadFile(TestPath("green.lscene")).find("colour bytes { 20 200 40 }"));
}

TEST_F(LivePreview, Screenshots) {
    if (!std::getenv("LUMO_SCREENSHOT_DIR"))
        GTEST_SKIP() << "set LUMO_SCREENSHOT_DIR to take the screenshots";
    Frame().SetClientSize(1000, 560);
    Settle();
    ASSERT_TRUE(WaitForRefined());
    ClickAt(PixelShowing(2));
    ASSERT_TRUE(WaitForRefined());
    Settle();
    Screenshot(Frame(), "live-preview");
}

TEST_F(LivePreview, TheStatusBarSaysWhichPlanesMoveWithTheEyeAndThePaneFixesThemInTheWorld) {
    ASSERT_TRUE(WaitForRefined());
    wxSize size = Canvas().GetClientSize();
    wxPoint middle(size.x / 2, size.y / 2);
    wxString said;
    Live().m_onFrame = [&](const CLiveRender::Frame&) {
        if (said.empty())
            said = Frame().GetStatusBar()->GetStatusText(0);
    };
    // Dragging: the default floor moves with the eye, and the status bar says so.
    wxUIActionSimulator mouse;
    mouse.MouseMove(Canvas().ClientToScreen(middle));
    Settle();
    mouse.MouseDown();
    Settle();
    mouse.MouseMove(Canvas().ClientToScreen(middle + wxPoint(30, 0)));
    Settle();
    EXPECT_TRUE(Frame().GetStatusBar()->GetStatusText(0).Contains("moves with the eye"))
        << Frame().GetStatusBar()->GetStatusText(0);
    mouse.MouseUp();
    Settle();
    Live().m_onFrame = nullptr;
    ASSERT_TRUE(WaitForRefined());

    // The floor chosen in the pane and made fixed in the world, where the eye sees it now.
    ClickAt(PixelShowing(0));
    CPropertiesPane& pane = *Frame().GetPropertiesPane();
    ASSERT_EQ((CSceneSelection{CSceneSelection::object, 0}), pane.GetSelection());
    ASSERT_NE(nullptr, pane.GetGrid().GetPropertyByName("kind"));
    EXPECT_EQ("Moves with the eye", pane.GetGrid().GetPropertyByName("kind")->GetValueAsString());
    CVector eye = Scene().GetEye();
    double floorY = 2 * eye.y + 50; // the default floor n·P = 2 n·E − d for primary rays
    ASSERT_TRUE(pane.GetGrid().ChangePropertyValue("kind", 1));
    Settle();
    auto* world = dynamic_cast<CWorldPlane*>(Scene().m_objects.at(0).get());
    ASSERT_NE(nullptr, world);
    std::array<double, 4> k = world->GetCoefficients();
    EXPECT_NEAR(floorY, -k[3] / k[1], 1e-9);
    EXPECT_EQ("Fixed in the world", pane.GetGrid().GetPropertyByName("kind")->GetValueAsString());
    ASSERT_TRUE(WaitForRefined());

    // A drag no longer has a plane to warn of, and the floor stays where it is.
    mouse.MouseMove(Canvas().ClientToScreen(middle));
    Settle();
    mouse.MouseDown();
    Settle();
    mouse.MouseMove(Canvas().ClientToScreen(middle + wxPoint(0, 30)));
    Settle();
    EXPECT_FALSE(Frame().GetStatusBar()->GetStatusText(0).Contains("moves with the eye"));
    mouse.MouseUp();
    Settle();
    EXPECT_NE(eye.y, Scene().GetEye().y);
    EXPECT_EQ(k, dynamic_cast<CWorldPlane&>(*Scene().m_objects.at(0)).GetCoefficients());
    EXPECT_TRUE(WaitForRefined());
}
