// File > Export Image: the picture shown as PNG or PPM, or made from its levels as a 16-bit PNG
// or OpenEXR, each the file lumo-render writes for the same scene and size.
#include "GuiTest.h"

#include "TestFolder.h"
#include "app/CommandIds.h"
#include "app/FileCommands.h"
#include "app/RenderController.h"
#include "cli/RenderCommand.h"
#include "script/LumoDoc.h"

#include <wx/evtloop.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using ExportImage = GuiTest;

TEST_F(ExportImage, EveryFileTypeIsTheFileLumoRenderWrites) {
    Scene().m_antialias = 2;
    Frame().SetClientSize(480, 200);
    Pump();
    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
    const CImage& shown = Scene().m_image;
    std::vector<std::string> size = {"-q",
                                     "--aa",
                                     "2",
                                     "-W",
                                     std::to_string(shown.GetWidth()),
                                     "-H",
                                     std::to_string(shown.GetHeight())};
    auto lumoRender = [&](std::vector<std::string> more) {
        std::vector<std::string> args = size;
        args.insert(args.end(), more.begin(), more.end());
        EXPECT_EQ(0, RunLumoRender(args, stdout, stderr));
        return ReadFile(args.back());
    };

    // While the levels are rendered the status bar says so, with the gauge, and Go is greyed.
    std::vector<std::string> statusTexts;
    bool goEnabled = true;
    bool shot = false;
    Frame().GetRenderController().m_onProgress = [&](int position) {
        statusTexts.push_back(Frame().GetStatusBar()->GetStatusText(0).utf8_string());
        goEnabled = goEnabled && Frame().GetMenuBar()->IsEnabledTop(kGoMenuPosition);
        if (position >= 50 && !shot) {
            shot = true;
            // The render holds the thread: GTK paints the gauge on its frame clock's next
            // ticks, which a long render would give it between rows.
            for (int i = 0; i < 10; ++i) {
                Pump();
                wxMilliSleep(20);
            }
            Screenshot(Frame(), "exporting", false);
        }
    };
    struct Case {
        const char* name;
        int type;
        std::vector<std::string> options;
    };
    for (const Case& c : {Case{"shown.png", CFileCommands::pngImage, {}},
                          Case{"levels.png", CFileCommands::png16Image, {"--depth", "16"}},
                          Case{"levels.exr", CFileCommands::exrImage, {}},
                          Case{"shown.ppm", CFileCommands::ppmImage, {}}}) {
        SCOPED_TRACE(c.name);
        statusTexts.clear();
        m_platform.m_files.push_back(TestPath(c.name));
        m_platform.m_fileTypes.push_back(c.type);
        ASSERT_TRUE(ChooseMenuItem(ID_FILE_EXPORT_IMAGE));
        std::vector<std::string> more = c.options;
        more.insert(more.end(), {"-o", TestPath(std::string("reference-") + c.name)});
        EXPECT_EQ(lumoRender(more), ReadFile(TestPath(c.name)));
        bool rendered = c.type == CFileCommands::png16Image || c.type == CFileCommands::exrImage;
        EXPECT_EQ(rendered, !statusTexts.empty());
        for (const std::string& text : statusTexts)
            EXPECT_EQ("Exporting...", text);
    }
    EXPECT_FALSE(goEnabled);
    EXPECT_EQ("Ready", Frame().GetStatusBar()->GetStatusText(0));
    EXPECT_TRUE(Frame().GetMenuBar()->IsEnabledTop(kGoMenuPosition));
    EXPECT_TRUE(m_platform.m_messages.size() == 1); // Go's "Finished Rendering" alone
    EXPECT_EQ(CFileCommands::kImageFilter, m_platform.m_fileRequests.back().filter);

    // A name without an extension gets the chosen type's; so does one with another type's when
    // the user turned to a type (GTK leaves the name as it was); the first type keeps whatever
    // extension was typed.
    struct Named {
        const char* typed;
        int type;
        const char* written;
        const char* like;
    };
    for (const Named& n :
         {Named{"named", CFileCommands::exrImage, "named.exr", "levels.exr"},
          Named{"turned.png", CFileCommands::exrImage, "turned.exr", "levels.exr"},
          Named{"typed.exr", CFileCommands::pngImage, "typed.exr", "levels.exr"},
          Named{"deep.PPM", CFileCommands::png16Image, "deep.png", "levels.png"}}) {
        m_platform.m_files.push_back(TestPath(n.typed));
        m_platform.m_fileTypes.push_back(n.type);
        ASSERT_TRUE(ChooseMenuItem(ID_FILE_EXPORT_IMAGE));
        EXPECT_EQ(ReadFile(TestPath(n.like)), ReadFile(TestPath(n.written))) << n.typed;
        if (std::string(n.typed) != n.written) {
            EXPECT_FALSE(std::filesystem::exists(TestPath(n.typed))) << n.typed;
        }
    }
}

TEST_F(ExportImage, LevelsAreWrittenOnlyForThePictureShown) {
    Frame().SetClientSize(64, 40);
    Pump();
    ASSERT_TRUE(ChooseMenuItem(ID_GO_SAME_THREAD));
    m_platform.m_messages.clear();

    // Escape (or a close) stops the render of the levels: nothing is written, nothing said.
    Frame().GetRenderController().m_onProgress = [&](int) { Frame().StopRender(); };
    m_platform.m_files.push_back(TestPath("stopped.exr"));
    m_platform.m_fileTypes.push_back(CFileCommands::exrImage);
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_EXPORT_IMAGE));
    EXPECT_FALSE(std::filesystem::exists(TestPath("stopped.exr")));
    EXPECT_TRUE(m_platform.m_messages.empty());
    Frame().GetRenderController().m_onProgress = nullptr;

    // The scene moved on since the picture: its levels would be another picture's.
    Scene().SetEye(CVector(0.0, -5.0, -100.0));
    m_platform.m_files.push_back(TestPath("stale.png"));
    m_platform.m_fileTypes.push_back(CFileCommands::png16Image);
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_EXPORT_IMAGE));
    EXPECT_FALSE(std::filesystem::exists(TestPath("stale.png")));
    ASSERT_EQ(1u, m_platform.m_messages.size());
    EXPECT_EQ(0u, m_platform.m_messages[0].text.rfind(
                      "Cannot export the picture as a 16-bit PNG image: "))
        << m_platform.m_messages[0].text;
    // The picture shown still exports as it is.
    m_platform.m_files.push_back(TestPath("shown.png"));
    ASSERT_TRUE(ChooseMenuItem(ID_FILE_EXPORT_IMAGE));
    EXPECT_TRUE(std::filesystem::exists(TestPath("shown.png")));
}

} // namespace
