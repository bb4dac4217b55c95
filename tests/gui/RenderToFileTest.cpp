// Go > Render to File through the real dialog: the file lumo-render writes, byte for byte; the
// window answering while a large render runs; Stop and Escape writing nothing; the queue, the
// refusals, the close question, the notification and the render history's comparisons.
#include "GuiTest.h"
#include "ModalSteps.h"

#include "TestFolder.h"
#include "app/CommandIds.h"
#include "app/ImageCanvas.h"
#include "app/ImageViewer.h"
#include "app/RenderHistoryWindow.h"
#include "app/RenderProgressPanel.h"
#include "app/RenderToFileDialog.h"
#include "app/ViewCanvas.h"
#include "cli/RenderCommand.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/spinctrl.h>
#include <wx/statusbr.h>
#include <wx/stopwatch.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <cmath>
#include <cstring>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using Status = CRenderJob::Outcome::Status;

struct Asked {
    std::string width = "64";
    std::string height = "48";
    int antialias = 1;
    std::string file;
};

class RenderToFile : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        Queue().m_onEnded = [this](Status status) { m_ended.push_back(status); };
    }
    void TearDown() override {
        if (App().GetMainFrame())
            Queue().m_onEnded = nullptr;
        GuiTest::TearDown();
    }
    CRenderQueue& Queue() { return Frame().GetRenderQueue(); }

    // Fills the dialog's fields as typed and chooses.
    static void Fill(wxDialog& dialog, const Asked& asked) {
        Type(dialog, CRenderToFileDialog::ID_WIDTH, asked.width);
        Type(dialog, CRenderToFileDialog::ID_HEIGHT, asked.height);
        Spin(dialog, CRenderToFileDialog::ID_ANTIALIAS).SetValue(asked.antialias);
        Type(dialog, CRenderToFileDialog::ID_FILE, asked.file);
    }
    static wxSpinCtrl& Spin(wxDialog& dialog, int id) {
        return *dynamic_cast<wxSpinCtrl*>(dialog.FindWindow(id));
    }
    // Go > Render to File with these values and Render.
    void RenderThrough(const Asked& asked) {
        RunModalSteps([&] { ASSERT_TRUE(ChooseMenuItem(ID_GO_RENDER_TO_FILE)); },
                      {{"Render to File", [&](wxDialog& dialog) {
                            Fill(dialog, asked);
                            Click(dialog, wxID_OK);
                        }}});
    }
    bool WaitUntil(const std::function<bool()>& done, long milliseconds = 60000) {
        wxStopWatch watch;
        while (!done()) {
            if (watch.Time() > milliseconds)
                return false;
            Pump();
            wxMilliSleep(5);
        }
        return true;
    }
    bool WaitForEnds(std::size_t count) {
        return WaitUntil([&] { return m_ended.size() >= count; });
    }
    // A render far too long to finish during a test, once its rows have begun.
    void StartLargeRender(const std::string& file) {
        RenderThrough({"3840", "2160", 16, file});
        ASSERT_TRUE(Queue().IsBusy());
        ASSERT_TRUE(
            WaitUntil([&] { return Queue().GetPanel() && Queue().GetPanel()->GetPosition() > 0; }));
    }

    std::vector<Status> m_ended;
};

std::string LumoRender(const std::vector<std::string>& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    int status = RunLumoRender(args, out, err);
    std::fclose(out);
    std::fclose(err);
    return status == 0 ? "" : "lumo-render ended with " + std::to_string(status);
}

std::size_t FilesIn(const std::string& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST_F(RenderToFile, ThePictureIsLumoRendersByteForByteAndTheValuesAreRemembered) {
    fs::create_directories(TestPath("out"));
    RenderThrough({"64", "48", 3, TestPath("out/desktop.png")});
    ASSERT_TRUE(WaitForEnds(1));
    ASSERT_EQ(Status::written, m_ended[0]);
    ASSERT_EQ("",
              LumoRender({"-q", "-W", "64", "-H", "48", "--aa", "3", "-o", TestPath("cli.png")}));
    std::string picture = ReadFile(TestPath("out/desktop.png"));
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(ReadFile(TestPath("cli.png")), picture);
    EXPECT_EQ(1u, FilesIn(TestPath("out"))); // nothing beside it

    // It opened in a viewer and joined the history.
    CImageViewer* viewer = Queue().GetLastViewer();
    ASSERT_NE(nullptr, viewer);
    EXPECT_TRUE(viewer->IsShown());
    EXPECT_EQ(wxSize(64, 48), viewer->GetCanvas().GetImage().GetSize());
    ASSERT_EQ(1u, Queue().GetHistory().GetEntries().size());
    EXPECT_FALSE(Queue().IsBusy());
    EXPECT_EQ(nullptr, Queue().GetPanel());
    // The window was the active one: no notification.
    EXPECT_EQ(0u, m_platform.m_notifications.size());

    std::vector<std::string> shown;
    RunModalSteps(
        [&] { ASSERT_TRUE(ChooseMenuItem(ID_GO_RENDER_TO_FILE)); },
        {{"Render to File", [&](wxDialog& dialog) {
              for (int id : {CRenderToFileDialog::ID_WIDTH, CRenderToFileDialog::ID_HEIGHT,
                             CRenderToFileDialog::ID_FILE})
                  shown.push_back(TextOf(dialog, id));
              shown.push_back(
                  std::to_string(Spin(dialog, CRenderToFileDialog::ID_ANTIALIAS).GetValue()));
              Click(dialog, wxID_CANCEL);
          }}});
    EXPECT_EQ((std::vector<std::string>{"64", "48", TestPath("out/desktop.png"), "3"}), shown);
}

// The formats made from the levels: chosen in the list, the file named as typed, each written
// as lumo-render writes it.
TEST_F(RenderToFile, SixteenBitPngAndOpenExrAreLumoRendersToo) {
    struct Case {
        const char* format;
        std::string file;
        std::vector<std::string> cli;
    };
    for (const Case& one :
         {Case{"16-bit PNG", "deep.png", {"--depth", "16"}}, Case{"OpenEXR", "linear.exr", {}}}) {
        std::size_t ended = m_ended.size(); // a small render may end before the dialog's steps do
        RunModalSteps(
            [&] { ASSERT_TRUE(ChooseMenuItem(ID_GO_RENDER_TO_FILE)); },
            {{"Render to File", [&](wxDialog& dialog) {
                  Fill(dialog, {"40", "30", 2, TestPath(one.file)});
                  auto& formats =
                      *dynamic_cast<wxChoice*>(dialog.FindWindow(CRenderToFileDialog::ID_FORMAT));
                  int index = formats.FindString(wxString(one.format) + " (" +
                                                 fs::path(one.file).extension().string() + ")");
                  ASSERT_NE(wxNOT_FOUND, index);
                  formats.SetSelection(index);
                  wxCommandEvent chosen(wxEVT_CHOICE, CRenderToFileDialog::ID_FORMAT);
                  chosen.SetInt(index);
                  chosen.SetEventObject(&formats);
                  formats.ProcessWindowEvent(chosen);
                  EXPECT_EQ(TestPath(one.file), TextOf(dialog, CRenderToFileDialog::ID_FILE));
                  Click(dialog, wxID_OK);
              }}});
        ASSERT_TRUE(WaitForEnds(ended + 1)) << one.format;
        ASSERT_EQ(Status::written, m_ended.back()) << one.format;
        std::vector<std::string> args = {
            "-q", "-W", "40", "-H", "30", "--aa", "2", "-o", TestPath("cli-" + one.file)};
        args.insert(args.end(), one.cli.begin(), one.cli.end());
        ASSERT_EQ("", LumoRender(args));
        std::string picture = ReadFile(TestPath(one.file));
        ASSERT_FALSE(picture.empty()) << one.format;
        EXPECT_EQ(ReadFile(TestPath("cli-" + one.file)), picture) << one.format;
    }
}

TEST_F(RenderToFile, TheWindowAnswersWhileALargeRenderRunsAndStopWritesNothing) {
    fs::create_directories(TestPath("out"));
    WriteFile(TestPath("out/large.png"), "the old picture");
    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD)); // a picture in the view, for the screenshot
    StartLargeRender(TestPath("out/large.png"));
    // The menus answer: a check item toggles, a window opens, the Go commands are there.
    ASSERT_TRUE(ChooseMenuItem(ID_VIEW_TOOLBAR));
    EXPECT_FALSE(Frame().GetToolBar()->IsShown());
    ASSERT_TRUE(ChooseMenuItem(ID_VIEW_TOOLBAR));
    EXPECT_TRUE(Frame().GetToolBar()->IsShown());
    ASSERT_TRUE(ChooseMenuItem(ID_VIEW_RENDER_HISTORY));
    ASSERT_NE(nullptr, Queue().GetHistoryWindow());
    EXPECT_TRUE(Queue().GetHistoryWindow()->IsShown());
    EXPECT_TRUE(IsCommandEnabled(ID_GO_SAME_THREAD));
    // The status bar says how far it has come, for how long, and which file.
    wxString text = Queue().GetPanel()->GetText();
    EXPECT_TRUE(text.StartsWith("large.png: ")) << text;
    EXPECT_TRUE(text.Contains(" elapsed, ")) << text;
    EXPECT_TRUE(WaitUntil([&] {
        wxString shown = Queue().GetPanel()->GetText();
        return shown.Contains(" left") && !shown.Contains("estimating");
    })) << Queue().GetPanel()->GetText();
    Screenshot(Frame(), "render-to-file-progress");

    Click(*Queue().GetPanel(), ID_RENDER_TO_FILE_STOP);
    ASSERT_TRUE(WaitForEnds(1));
    EXPECT_EQ(Status::stopped, m_ended[0]);
    EXPECT_EQ("the old picture", ReadFile(TestPath("out/large.png")));
    EXPECT_EQ(1u, FilesIn(TestPath("out"))); // no temporary file left
    EXPECT_EQ(0u, Queue().GetHistory().GetEntries().size());
    EXPECT_EQ(nullptr, Queue().GetPanel());
}

TEST_F(RenderToFile, EscapeInThePictureStopsItAndTheNextOneWaitingStarts) {
    StartLargeRender(TestPath("first.png"));
    RenderThrough({"32", "20", 1, TestPath("second.ppm")});
    EXPECT_TRUE(Queue().GetPanel()->GetText().Contains("1 waiting"))
        << Queue().GetPanel()->GetText();
    Frame().GetCanvas()->SetFocus();
    Pump();
    PressKey(0, WXK_ESCAPE);
    ASSERT_TRUE(WaitForEnds(2));
    EXPECT_EQ((std::vector<Status>{Status::stopped, Status::written}), m_ended);
    EXPECT_FALSE(fs::exists(TestPath("first.png")));
    EXPECT_EQ(0u, ReadFile(TestPath("second.ppm")).rfind("P6\n32 20\n255\n", 0));
}

TEST_F(RenderToFile, SizesAndFilesThatCannotBeAreRefusedInTheDialogWithTheReason) {
    std::vector<std::string> problems;
    bool stayed = true;
    RunModalSteps(
        [&] { ASSERT_TRUE(ChooseMenuItem(ID_GO_RENDER_TO_FILE)); },
        {{"Render to File", [&](wxDialog& dialog) {
              auto& shown = dynamic_cast<CRenderToFileDialog&>(dialog);
              // As a user fills it for a poster, for the documentation.
              wxChoice& size =
                  *dynamic_cast<wxChoice*>(dialog.FindWindow(CRenderToFileDialog::ID_SIZE));
              size.SetSelection(1);
              wxCommandEvent chosen(wxEVT_CHOICE, CRenderToFileDialog::ID_SIZE);
              chosen.SetInt(1);
              chosen.SetEventObject(&size);
              size.ProcessWindowEvent(chosen);
              Spin(dialog, CRenderToFileDialog::ID_ANTIALIAS).SetValue(4);
              Type(dialog, CRenderToFileDialog::ID_FILE, "/home/lumo/Pictures/poster.png");
              EXPECT_EQ("1920", TextOf(dialog, CRenderToFileDialog::ID_WIDTH));
              EXPECT_EQ("1080", TextOf(dialog, CRenderToFileDialog::ID_HEIGHT));
              Screenshot(dialog, "render-to-file-dialog");
              for (Asked asked :
                   {Asked{"0", "48", 1, ""}, Asked{"64", "-5", 1, ""}, Asked{"abc", "48", 1, ""},
                    Asked{"1000001", "48", 1, ""}, Asked{"400000", "400000", 1, ""},
                    Asked{"64", "48", 1, TestPath("no/such/folder.png")}}) {
                  if (asked.file.empty())
                      asked.file = TestPath("refused.png");
                  Fill(dialog, asked);
                  Click(dialog, wxID_OK);
                  Pump();
                  stayed = stayed && dialog.IsModal();
                  problems.push_back(shown.GetProblem().utf8_string());
              }
              Click(dialog, wxID_CANCEL);
          }}});
    EXPECT_TRUE(stayed);
    ASSERT_EQ(6u, problems.size());
    EXPECT_EQ("The image width must be at least 1 pixel, not 0.", problems[0]);
    EXPECT_EQ("The image height must be at least 1 pixel, not -5.", problems[1]);
    EXPECT_EQ("The image width must be a whole number of pixels, not 'abc'.", problems[2]);
    EXPECT_EQ("A 1000001 x 48 image is too large: each side can be at most 1000000 pixels.",
              problems[3]);
    EXPECT_NE(std::string::npos, problems[4].find("more than half of this machine's"))
        << problems[4];
    EXPECT_NE(std::string::npos, problems[5].find(TestPath("no/such/folder.png"))) << problems[5];
    EXPECT_FALSE(Queue().IsBusy());
    EXPECT_FALSE(fs::exists(TestPath("refused.png")));
}

TEST_F(RenderToFile, ClosingTheWindowAsksWhetherToStopTheRender) {
    StartLargeRender(TestPath("kept.png"));
    m_platform.m_answers = {CPlatform::no};
    Frame().Close();
    Pump();
    ASSERT_NE(nullptr, App().GetMainFrame());
    ASSERT_EQ(1u, m_platform.m_questions.size());
    EXPECT_NE(std::string::npos, m_platform.m_questions[0].find("kept.png is still running"));
    EXPECT_TRUE(Queue().IsBusy());

    m_platform.m_answers = {CPlatform::yes};
    Frame().Close();
    Pump();
    EXPECT_EQ(nullptr, App().GetMainFrame());
    EXPECT_FALSE(fs::exists(TestPath("kept.png")));
    App().ShutDown();
    App().UsePlatform(&m_platform);
    ASSERT_TRUE(App().StartUp("")); // for TearDown
}

TEST_F(RenderToFile, TheDesktopIsNotifiedWhenTheWindowIsNotActive) {
    Queue().m_isWindowActive = [] { return false; };
    RenderThrough({"40", "30", 2, TestPath("away.png")});
    ASSERT_TRUE(WaitForEnds(1));
    ASSERT_EQ(1u, m_platform.m_notifications.size());
    EXPECT_EQ(0u, m_platform.m_notifications[0].rfind("Render finished: " + TestPath("away.png") +
                                                      " is written"))
        << m_platform.m_notifications[0];
}

TEST_F(RenderToFile, AFileThatCannotBeWrittenKeepsTheOldOneAndThePicture) {
    WriteFile(TestPath("full.ppm"), "the old picture");
    WithFileSizeLimit(1000, [&] {
        RenderThrough({"64", "48", 1, TestPath("full.ppm")});
        ASSERT_TRUE(WaitForEnds(1));
    });
    EXPECT_EQ(Status::failed, m_ended[0]);
    EXPECT_EQ("the old picture", ReadFile(TestPath("full.ppm")));
    ASSERT_EQ(1u, m_platform.m_messages.size());
    EXPECT_EQ(0u, m_platform.m_messages[0].text.rfind("Cannot write " + TestPath("full.ppm")))
        << m_platform.m_messages[0].text;
    ASSERT_EQ(1u, Queue().GetHistory().GetEntries().size());
    EXPECT_FALSE(Queue().GetHistory().GetEntries()[0].problem.empty());
    // Nothing is lost: the viewer's Save As writes the picture elsewhere.
    CImageViewer* viewer = Queue().GetLastViewer();
    ASSERT_NE(nullptr, viewer);
    m_platform.m_files = {TestPath("elsewhere.png")};
    Click(*viewer, CImageViewer::ID_SAVE_AS);
    Pump();
    ASSERT_EQ("", LumoRender({"-q", "-W", "64", "-H", "48", "-o", TestPath("cli.png")}));
    EXPECT_EQ(ReadFile(TestPath("cli.png")), ReadFile(TestPath("elsewhere.png")));
}

// Two renders of one scene, one antialiased: the history lists both, and chosen with the mouse
// they compare side by side (each picture whole in its half) and as a difference picture
// (black exactly where they agree).
TEST_F(RenderToFile, TheHistoryComparesTwoRenders) {
    RenderThrough({"320", "200", 1, TestPath("plain.png")});
    RenderThrough({"320", "200", 4, TestPath("smooth.png")});
    ASSERT_TRUE(WaitForEnds(2));
    ASSERT_TRUE(ChooseMenuItem(ID_VIEW_RENDER_HISTORY));
    CRenderHistoryWindow* history = Queue().GetHistoryWindow();
    ASSERT_NE(nullptr, history);
    history->SetSize(history->FromDIP(wxSize(900, 360)));
    history->Raise();
    auto* list = dynamic_cast<wxListCtrl*>(history->FindWindow(CRenderHistoryWindow::ID_LIST));
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(2, list->GetItemCount());
    Pump();
    wxUIActionSimulator mouse;
    for (long item : {0L, 1L}) {
        wxRect rect;
        ASSERT_TRUE(list->GetItemRect(item, rect));
        wxPoint point = list->ClientToScreen(rect.GetPosition() + wxPoint(150, rect.height / 2));
        mouse.MouseMove(point);
        Pump();
        if (item == 1)
            mouse.KeyDown(WXK_CONTROL);
        mouse.MouseClick();
        if (item == 1)
            mouse.KeyUp(WXK_CONTROL);
        Pump();
    }
    ASSERT_EQ((std::vector<unsigned>{1, 2}), history->GetChosen());
    Screenshot(*history, "render-history");

    wxImage plain = CImageViewer::ToImage(*Queue().GetHistory().GetEntries()[0].picture);
    wxImage smooth = CImageViewer::ToImage(*Queue().GetHistory().GetEntries()[1].picture);
    Click(*history, CRenderHistoryWindow::ID_SIDE_BY_SIDE);
    Pump();
    CImageViewer* sideBySide = history->GetLastViewer();
    ASSERT_NE(nullptr, sideBySide);
    const wxImage& both = sideBySide->GetCanvas().GetImage();
    ASSERT_EQ(wxSize(2 * 320 + CRenderHistoryWindow::kGap, 200), both.GetSize());
    EXPECT_EQ(0, std::memcmp(plain.GetData(), both.GetSubImage(wxRect(0, 0, 320, 200)).GetData(),
                             320 * 200 * 3));
    EXPECT_EQ(0,
              std::memcmp(
                  smooth.GetData(),
                  both.GetSubImage(wxRect(320 + CRenderHistoryWindow::kGap, 0, 320, 200)).GetData(),
                  320 * 200 * 3));
    Screenshot(*sideBySide, "render-history-compare");

    Click(*history, CRenderHistoryWindow::ID_DIFFERENCE);
    Pump();
    CImageViewer* difference = history->GetLastViewer();
    ASSERT_NE(sideBySide, difference);
    const wxImage& shown = difference->GetCanvas().GetImage();
    ASSERT_EQ(wxSize(320, 200), shown.GetSize());
    std::size_t differing = 0;
    bool blackExactlyWhereTheyAgree = true;
    for (int i = 0; i < 320 * 200 * 3; i += 3) {
        bool agree = std::memcmp(plain.GetData() + i, smooth.GetData() + i, 3) == 0;
        bool black =
            shown.GetData()[i] == 0 && shown.GetData()[i + 1] == 0 && shown.GetData()[i + 2] == 0;
        blackExactlyWhereTheyAgree = blackExactlyWhereTheyAgree && agree == black;
        differing += agree ? 0 : 1;
    }
    EXPECT_TRUE(blackExactlyWhereTheyAgree);
    EXPECT_GT(differing, 0u); // antialiasing changes the edges
    EXPECT_TRUE(
        difference->GetNote().Contains(wxString::Format("%zu of 64000 pixels differ", differing)))
        << difference->GetNote();
    Screenshot(*difference, "render-history-difference");
}

TEST_F(RenderToFile, TheViewerFitsShowsOneToOneAndZoomsAboutThePointer) {
    RenderThrough({"320", "200", 1, TestPath("look.png")});
    ASSERT_TRUE(WaitForEnds(1));
    CImageViewer* viewer = Queue().GetLastViewer();
    ASSERT_NE(nullptr, viewer);
    viewer->SetClientSize(400, 300);
    Pump();
    CImageCanvas& canvas = viewer->GetCanvas();
    EXPECT_TRUE(canvas.IsFitted());
    Click(*viewer, CImageViewer::ID_ACTUAL_SIZE);
    Pump();
    EXPECT_DOUBLE_EQ(1.0, canvas.GetZoom());
    for (int i = 0; i < 3; ++i)
        Click(*viewer, CImageViewer::ID_ZOOM_IN);
    Pump();
    double zoom = canvas.GetZoom();
    EXPECT_DOUBLE_EQ(std::pow(CImageCanvas::kZoomStep, 3), zoom);
    // Ctrl and the wheel: the picture's pixel under the pointer stays under it.
    wxPoint pointer(canvas.GetClientSize().x / 3, canvas.GetClientSize().y / 3);
    wxPoint before = canvas.ImagePointAt(pointer);
    wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
    wheel.SetPosition(pointer);
    wheel.SetControlDown(true);
    wheel.m_wheelRotation = 2 * 120;
    wheel.m_wheelDelta = 120;
    canvas.ProcessWindowEvent(wheel);
    Pump();
    EXPECT_DOUBLE_EQ(zoom * CImageCanvas::kZoomStep * CImageCanvas::kZoomStep, canvas.GetZoom());
    wxPoint after = canvas.ImagePointAt(pointer);
    EXPECT_LE(std::abs(after.x - before.x), 1);
    EXPECT_LE(std::abs(after.y - before.y), 1);
    // The keys: F fits, 1 is 1:1.
    canvas.SetFocus();
    Pump();
    wxUIActionSimulator keys;
    keys.Char('f');
    Pump();
    EXPECT_TRUE(canvas.IsFitted());
    keys.Char('1');
    Pump();
    EXPECT_DOUBLE_EQ(1.0, canvas.GetZoom());
}

} // namespace
