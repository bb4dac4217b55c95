#include "GuiTest.h"
#include "ModalSteps.h"

#include "app/CommandIds.h"
#include "app/DesktopEditor.h"
#include "app/MiscOptions.h"
#include "app/Options6.h"
#include "app/OptionsSheet.h"
#include "app/RendererOptions.h"
#include "platform/SettingsStore.h"

#include <wx/bookctrl.h>
#include <wx/checkbox.h>

#include <filesystem>

namespace {

using OptionsSheet = GuiTest;

wxCheckBox& Box(wxWindow& dialog, int id) {
    return *dynamic_cast<wxCheckBox*>(dialog.FindWindow(id));
}

// Selects a tab as a click on it does: the page left is asked first.
void SelectTab(wxDialog& dialog, std::size_t tab) {
    dynamic_cast<COptionsSheet&>(dialog).GetBookCtrl()->SetSelection(tab);
}

COptionsPage* ActivePage(wxDialog& dialog) {
    return dynamic_cast<COptionsSheet&>(dialog).GetActivePage();
}

void ShowOptions(std::vector<ModalStep> steps) {
    RunModalSteps([] { wxGetApp().GetMainFrame()->ShowOptions(); }, std::move(steps));
}

TEST_F(OptionsSheet, FirstRunShowsTheDefaultsOnSixTabsAndCancelWritesNothing) {
    ShowOptions({{"Options", [&](wxDialog& dialog) {
                      wxBookCtrlBase* book = dynamic_cast<COptionsSheet&>(dialog).GetBookCtrl();
                      std::vector<std::string> tabs;
                      for (std::size_t i = 0; i < book->GetPageCount(); ++i)
                          tabs.push_back(book->GetPageText(i).utf8_string());
                      EXPECT_EQ((std::vector<std::string>{"General", "Renderer", "Renderer 2",
                                                          "Methods", "Experimential", "Advanced"}),
                                tabs);
                      EXPECT_FALSE(dialog.FindWindow(wxID_APPLY)->IsEnabled());
                      EXPECT_FALSE(Box(dialog, CMiscOptions::ID_RUN_WIZARD).GetValue());
                      EXPECT_FALSE(Box(dialog, CMiscOptions::ID_FILE_OVERRIDE).GetValue());
                      EXPECT_FALSE(Box(dialog, CMiscOptions::ID_USE_EDITOR).GetValue());
                      EXPECT_FALSE(Box(dialog, CMiscOptions::ID_USE_EDITOR).IsEnabled());
                      EXPECT_EQ(DefaultEditorCommand(),
                                TextOf(dialog, CMiscOptions::ID_EDITOR_PATH));
                      Screenshot(dialog, "options-sheet");
                      SelectTab(dialog, 1);
                      EXPECT_EQ("0", TextOf(dialog, CRendererOptions::ID_MAX_RECURSION));
                      SelectTab(dialog, 5);
                      EXPECT_FALSE(Box(dialog, COptions6::ID_MMX).IsEnabled());
                      EXPECT_FALSE(Box(dialog, COptions6::ID_KATMAI).IsEnabled());
                      Type(dialog, CRendererOptions::ID_MAX_RECURSION, "4");
                      Type(dialog, CMiscOptions::ID_EDITOR_PATH, "vi");
                      Click(dialog, wxID_CANCEL);
                  }}});
    EXPECT_FALSE(std::filesystem::exists(CSettingsStore::Profile().GetPath()));
    EXPECT_FALSE(std::filesystem::exists(CSettingsStore::IniFile().GetPath()));

    // The close box and Escape cancel too.
    ShowOptions({{"Options", [&](wxDialog& dialog) { dialog.Close(); }}});
    EXPECT_FALSE(std::filesystem::exists(CSettingsStore::IniFile().GetPath()));
}

TEST_F(OptionsSheet, OkWritesTheValuesShownAndThoseOfTheHiddenCameraPage) {
    CSettingsStore profile = CSettingsStore::Profile();
    CSettingsStore ini = CSettingsStore::IniFile();
    profile.WriteInt("Lumo", "KatMai", 1);
    profile.WriteInt("Lumo", "Width", 640);
    ini.WriteString("Lumo", "CamY", "abc");
    ini.WriteString("Lumo", "EditorPath", "mousepad");
    ShowOptions({{"Options", [&](wxDialog& dialog) {
                      Box(dialog, CMiscOptions::ID_RUN_WIZARD).SetValue(true);
                      SelectTab(dialog, 5);
                      EXPECT_TRUE(Box(dialog, COptions6::ID_KATMAI).GetValue());
                      EXPECT_FALSE(Box(dialog, COptions6::ID_KATMAI).IsEnabled());
                      Click(dialog, wxID_OK);
                  }}});
    EXPECT_EQ(1, profile.GetInt("Lumo", "RunWiz", -7));
    EXPECT_EQ(1, profile.GetInt("Lumo", "KatMai", -7));
    EXPECT_EQ(0, profile.GetInt("Lumo", "MMX", -7));
    EXPECT_EQ(0, profile.GetInt("Lumo", "MaxRecursion", -7));
    EXPECT_EQ(640, profile.GetInt("Lumo", "Width", -7));
    EXPECT_EQ(200, profile.GetInt("Lumo", "Height", -7));
    EXPECT_EQ(0, profile.GetInt("Lumo", "FishEye", -7));
    EXPECT_EQ("0.100000", ini.GetString("Lumo", "CamX", ""));
    EXPECT_EQ("0.000000", ini.GetString("Lumo", "CamY", ""));
    EXPECT_EQ("mousepad", ini.GetString("Lumo", "EditorPath", ""));
}

TEST_F(OptionsSheet, AMaxRecursionDepthThatIsNoWholeNumberKeepsTheSheetOnItsPage) {
    bool stayed = false;
    bool keptPage = false;
    ShowOptions({{"Options",
                  [&](wxDialog& dialog) {
                      SelectTab(dialog, 1);
                      Type(dialog, CRendererOptions::ID_MAX_RECURSION, "abc");
                      Click(dialog, wxID_OK);
                      stayed = dialog.IsModal();
                      // A click on another tab asks the page first, and it refuses.
                      wxBookCtrlBase* book = dynamic_cast<COptionsSheet&>(dialog).GetBookCtrl();
                      wxBookCtrlEvent changing(wxEVT_BOOKCTRL_PAGE_CHANGING, book->GetId(), 0, 1);
                      changing.SetEventObject(book);
                      book->ProcessWindowEvent(changing);
                      keptPage =
                          !changing.IsAllowed() &&
                          ActivePage(dialog) == dynamic_cast<COptionsSheet&>(dialog).m_renderer;
                      Type(dialog, CRendererOptions::ID_MAX_RECURSION, "3");
                  }},
                 {"Options", [&](wxDialog& dialog) { Click(dialog, wxID_OK); }}});
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(keptPage);
    ASSERT_EQ(2u, m_platform.m_messages.size());
    EXPECT_EQ("Please enter a positive integer.", m_platform.m_messages[0].text);
    EXPECT_EQ("Please enter a positive integer.", m_platform.m_messages[1].text);
    // Read again at the next use: the next render recurses three deep.
    EXPECT_EQ(3, CSettingsStore::Profile().GetInt("Lumo", "MaxRecursion", -7));
}

// An editor path longer than the edit's limit once made OK fail on a page the user never
// touched: it is shown cut to the limit, so OK keeps what the user sees.
TEST_F(OptionsSheet, AnEditorPathBeyondTheLimitIsShownCutAndOkWorks) {
    wxString longPath = wxString::FromUTF8("/opt/é") + wxString('x', 300);
    wxString shown;
    COptionsSheet sheet(&Frame());
    sheet.m_misc->m_editorPath = longPath;
    int result = 0;
    RunModalSteps([&] { result = sheet.ShowModal(); },
                  {{"Options", [&](wxDialog& dialog) {
                        shown = Edit(dialog, CMiscOptions::ID_EDITOR_PATH).GetValue();
                        Click(dialog, wxID_OK);
                    }}});
    EXPECT_EQ(wxID_OK, result);
    EXPECT_TRUE(m_platform.m_messages.empty());
    EXPECT_EQ(longPath.Left(255), shown);
    EXPECT_EQ(longPath.Left(255), sheet.m_misc->m_editorPath);

    // A page never shown keeps its value whole.
    COptionsSheet unseen(&Frame());
    unseen.m_renderer->m_maxRecursion = 9;
    RunModalSteps([&] { unseen.ShowModal(); },
                  {{"Options", [&](wxDialog& dialog) { Click(dialog, wxID_OK); }}});
    EXPECT_EQ(9u, unseen.m_renderer->m_maxRecursion);
}

} // namespace
