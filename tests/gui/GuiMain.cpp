// The GUI tests' main: one wxWidgets application for the whole run (GTK starts once per
// process), made before the first test and ended after the last. Listing the tests, as CTest's
// discovery does, needs no display.
#include "app/LumoApp.h"

#include <gtest/gtest.h>

#include <wx/clipbrd.h>
#include <wx/init.h>

namespace {
class GuiEnvironment : public testing::Environment {
public:
    GuiEnvironment(int argc, char** argv) : m_argc(argc), m_argv(argv) {}
    void SetUp() override {
        ASSERT_TRUE(wxEntryStart(m_argc, m_argv))
            << "wxWidgets could not start: the GUI tests need a display (run them with xvfb-run)";
        m_started = true;
    }
    void TearDown() override {
        if (!m_started)
            return;
        // Text selected in an editor is offered as the X primary selection. wxWidgets frees
        // that offer when another program takes the selection, and at its cleanup clears only
        // the clipboard: given up here, the offer is freed before the leak check looks.
        if (wxTheClipboard) {
            wxTheClipboard->UsePrimarySelection(true);
            wxTheClipboard->Clear();
            wxTheClipboard->UsePrimarySelection(false);
        }
        wxEntryCleanup();
    }

private:
    int m_argc;
    char** m_argv;
    bool m_started = false;
};
} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new GuiEnvironment(argc, argv));
    return RUN_ALL_TESTS();
}
