#include "GuiTest.h"
#include "ModalSteps.h"

#include "app/AddLightDialog.h"
#include "app/CameraDialog.h"
#include "app/CommandIds.h"
#include "app/DataExchange.h"
#include "app/NumberEdit.h"
#include "app/StepValue.h"
#include "script/LumoDoc.h"

#include <wx/spinbutt.h>

#include <cmath>

namespace {

using SceneDialogs = GuiTest;

// One click on a spin's arrow, as the spin reports it.
void Spin(wxDialog& dialog, int id, bool up) {
    wxWindow* spin = dialog.FindWindow(id);
    ASSERT_NE(nullptr, spin) << id;
    wxSpinEvent event(up ? wxEVT_SPIN_UP : wxEVT_SPIN_DOWN, id);
    event.SetEventObject(spin);
    spin->ProcessWindowEvent(event);
}

// A key typed into the focused edit; true when the edit lets the character through.
bool TypeKey(wxTextCtrl& edit, wxChar key) {
    wxKeyEvent event(wxEVT_CHAR);
    event.m_uniChar = key;
    event.m_keyCode = key;
    event.SetEventObject(&edit);
    return !edit.ProcessWindowEvent(event); // skipped: the control inserts it
}

TEST_F(SceneDialogs, CameraOpensWithTheScenesCameraAndCancelKeepsIt) {
    std::vector<std::string> texts;
    RunModalSteps([&] { ChooseMenuItem(ID_SCENE_CAMERA); },
                  {{"Camera Dialog", [&](wxDialog& dialog) {
                        for (int id : {1002, 1046, 1047, 1048, 1041, 1042})
                            texts.push_back(TextOf(dialog, id));
                        Screenshot(dialog, "camera-dialog");
                        Type(dialog, 1002, "7");
                        Click(dialog, wxID_CANCEL);
                    }}});
    EXPECT_EQ((std::vector<std::string>{"0", "-5", "-110", "0", "-0.0500000007450581", "1"}),
              texts);
    EXPECT_EQ(0.0, Scene().GetEye().x);
    EXPECT_EQ(-110.0, Scene().GetEye().z);
    EXPECT_EQ(static_cast<double>(-0.05f), Scene().GetLook().y);
}

TEST_F(SceneDialogs, CameraSpinsStepTheHeldValueAndOkSetsTheCamera) {
    std::vector<std::string> eyeX;
    std::string eyeY, lookY, lookX;
    RunModalSteps([&] { ChooseMenuItem(ID_SCENE_CAMERA); },
                  {{"Camera Dialog", [&](wxDialog& dialog) {
                        Spin(dialog, CCameraDialog::ID_EYE_Y_SPIN, true);
                        eyeY = TextOf(dialog, CCameraDialog::ID_EYE_Y);
                        Spin(dialog, CCameraDialog::ID_LOOK_Y_SPIN, true);
                        lookY = TextOf(dialog, CCameraDialog::ID_LOOK_Y);
                        for (int i = 0; i < 3; ++i) {
                            Spin(dialog, CCameraDialog::ID_EYE_X_SPIN, true);
                            eyeX.push_back(TextOf(dialog, CCameraDialog::ID_EYE_X));
                        }
                        Spin(dialog, CCameraDialog::ID_LOOK_X_SPIN, false);
                        lookX = TextOf(dialog, CCameraDialog::ID_LOOK_X);
                        Click(dialog, wxID_OK);
                    }}});
    EXPECT_EQ("-4.99", eyeY);
    EXPECT_EQ("-0.04", lookY);
    EXPECT_EQ((std::vector<std::string>{"0.01", "0.02", "0.03"}), eyeX);
    EXPECT_EQ("-0.01", lookX);
    EXPECT_NEAR(0.03, Scene().GetEye().x, 1e-15);
    EXPECT_NEAR(-4.99, Scene().GetEye().y, 1e-12);
    EXPECT_NEAR(-0.01, Scene().GetLook().x, 1e-15);
    EXPECT_EQ(-110.0, Scene().GetEye().z);
    EXPECT_EQ("Untitled - lumo", Frame().GetTitle());
}

TEST_F(SceneDialogs, CameraRefusesATextThatIsNoNumberAndStaysOnIt) {
    bool stayed = false;
    bool focused = false;
    RunModalSteps([&] { ChooseMenuItem(ID_SCENE_CAMERA); },
                  {{"Camera Dialog",
                    [&](wxDialog& dialog) {
                        Type(dialog, CCameraDialog::ID_LOOK_Z, "abc");
                        Type(dialog, CCameraDialog::ID_EYE_Z, "-0.5e2");
                        Click(dialog, wxID_OK);
                        stayed = dialog.IsModal();
                        focused =
                            wxWindow::FindFocus() == dialog.FindWindow(CCameraDialog::ID_LOOK_Z);
                        Type(dialog, CCameraDialog::ID_LOOK_Z, " 2 ");
                    }},
                   {"Camera Dialog", [&](wxDialog& dialog) { Click(dialog, wxID_OK); }}});
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(focused);
    ASSERT_EQ(1u, m_platform.m_messages.size());
    EXPECT_EQ("Please enter a number.", m_platform.m_messages[0].text);
    EXPECT_EQ(2.0, Scene().GetLook().z);
    EXPECT_EQ(-50.0, Scene().GetEye().z);
}

// The camera edits once took digits only, so the values the dialog itself shows (-5, -110,
// -0.05) could not be typed back.
TEST_F(SceneDialogs, CameraEditsTakeASignAndADecimalPointFromTheKeyboard) {
    std::vector<bool> accepted;
    RunModalSteps([&] { ChooseMenuItem(ID_SCENE_CAMERA); },
                  {{"Camera Dialog", [&](wxDialog& dialog) {
                        wxTextCtrl& edit = Edit(dialog, CCameraDialog::ID_EYE_Y);
                        edit.SetFocus();
                        edit.ChangeValue("");
                        accepted.push_back(TypeKey(edit, '-'));
                        edit.ChangeValue("-");
                        edit.SetInsertionPointEnd();
                        accepted.push_back(TypeKey(edit, '0'));
                        edit.ChangeValue("-0");
                        edit.SetInsertionPointEnd();
                        accepted.push_back(TypeKey(edit, '.'));
                        edit.ChangeValue("-0.");
                        edit.SetInsertionPointEnd();
                        accepted.push_back(TypeKey(edit, '.'));
                        accepted.push_back(TypeKey(edit, '-'));
                        accepted.push_back(TypeKey(edit, 'a'));
                        accepted.push_back(TypeKey(edit, WXK_BACK));
                        Click(dialog, wxID_CANCEL);
                    }}});
    EXPECT_EQ((std::vector<bool>{true, true, true, false, false, false, true}), accepted);

    EXPECT_TRUE(CNumberEdit::AcceptsCharacter("5", 0, 0, '-'));
    EXPECT_FALSE(CNumberEdit::AcceptsCharacter("5", 1, 1, '-'));
    EXPECT_TRUE(CNumberEdit::AcceptsCharacter("-5", 0, 1, '-'));  // over the old sign
    EXPECT_TRUE(CNumberEdit::AcceptsCharacter("1.5", 1, 2, '.')); // over the old point
    EXPECT_FALSE(CNumberEdit::AcceptsCharacter("1.5", 3, 3, '.'));
    EXPECT_FALSE(CNumberEdit::AcceptsCharacter("1", 1, 1, 'e'));
}

TEST_F(SceneDialogs, AddLightAppendsALightWithTheColourClampedToBytes) {
    std::size_t before = Scene().m_lights.size();
    auto addLight = [&](std::vector<std::pair<int, std::string>> values) {
        RunModalSteps([&] { ChooseMenuItem(ID_SCENE_ADD_LIGHT); },
                      {{"Add light dialog", [&](wxDialog& dialog) {
                            for (int id : {1060, 1050, 1052, 1054, 1056, 1058})
                                EXPECT_EQ("0", TextOf(dialog, id)) << id;
                            for (const auto& [id, text] : values)
                                Type(dialog, id, text);
                            Click(dialog, wxID_OK);
                        }}});
    };
    addLight({{CAddLightDialog::ID_X, "10"},
              {CAddLightDialog::ID_Y, "20"},
              {CAddLightDialog::ID_Z, "30"},
              {CAddLightDialog::ID_RED, "1"},
              {CAddLightDialog::ID_GREEN, "0.5"},
              {CAddLightDialog::ID_BLUE, "0"}});
    ASSERT_EQ(before + 1, Scene().m_lights.size());
    CLight* light = Scene().m_lights.back();
    EXPECT_EQ(10.0, light->GetPosition().x);
    EXPECT_EQ(20.0, light->GetPosition().y);
    EXPECT_EQ(30.0, light->GetPosition().z);
    CColour* colour = light->GetColour();
    EXPECT_EQ(1.0f, colour->redLevel);
    EXPECT_EQ(0.5f, colour->greenLevel);
    EXPECT_EQ(0.0f, colour->blueLevel);
    EXPECT_EQ(255, colour->GetRed());
    EXPECT_EQ(127, colour->GetGreen());
    EXPECT_EQ(0, colour->GetBlue());

    addLight({{CAddLightDialog::ID_RED, "2.0"}});
    EXPECT_EQ(1.0f, Scene().m_lights.back()->GetColour()->redLevel);
    addLight({}); // a black light at the origin
    ASSERT_EQ(before + 3, Scene().m_lights.size());
    EXPECT_EQ(0, Scene().m_lights.back()->GetColour()->GetRed());
    EXPECT_EQ(0.0, Scene().m_lights.back()->GetPosition().x);
    EXPECT_EQ("Untitled - lumo", Frame().GetTitle());
}

TEST_F(SceneDialogs, AddLightCancelAddsNothingAndASpinStartsFromTheHeldValue) {
    std::size_t before = Scene().m_lights.size();
    std::string stepped;
    RunModalSteps([&] { ChooseMenuItem(ID_SCENE_ADD_LIGHT); },
                  {{"Add light dialog", [&](wxDialog& dialog) {
                        Type(dialog, CAddLightDialog::ID_X, "5");
                        Spin(dialog, CAddLightDialog::ID_X_SPIN, true);
                        stepped = TextOf(dialog, CAddLightDialog::ID_X);
                        Screenshot(dialog, "add-light-dialog");
                        Click(dialog, wxID_CANCEL);
                    }}});
    EXPECT_EQ("0.01", stepped);
    EXPECT_EQ(before, Scene().m_lights.size());
}

TEST(DataExchange, NumbersAreReadAsDecimalTextOnlyAndShownInTheirShortestForm) {
    double number = 0.0;
    for (const char* text : {" -0.5e2 ", "-0", ".5", "+3", "7.", "1E+2"})
        EXPECT_TRUE(CDataExchange::ParseDouble(text, number)) << text;
    EXPECT_TRUE(CDataExchange::ParseDouble("\t-0.5e2 ", number));
    EXPECT_EQ(-50.0, number);
    for (const char* text :
         {"", " ", "abc", "1,5", "--1", "1e", ".", "inf", "nan", "0x10", "1e999", "1 2", "5x"})
        EXPECT_FALSE(CDataExchange::ParseDouble(text, number)) << text;

    unsigned whole = 0;
    EXPECT_TRUE(CDataExchange::ParseUnsigned(" 42 ", whole));
    EXPECT_EQ(42u, whole);
    EXPECT_TRUE(CDataExchange::ParseUnsigned("4294967295", whole));
    for (const char* text : {"", "-1", "4294967296", "1.0", "abc", "+"})
        EXPECT_FALSE(CDataExchange::ParseUnsigned(text, whole)) << text;

    EXPECT_EQ("-0.0500000007450581", CDataExchange::FormatGeneral(static_cast<double>(-0.05f), 15));
    EXPECT_EQ("0.1", CDataExchange::FormatGeneral(0.1, 15));
    EXPECT_EQ("-50", CDataExchange::FormatGeneral(-50.0, 15));
    EXPECT_EQ("0.1", CDataExchange::FormatGeneral(static_cast<double>(0.1f), 6));
    EXPECT_EQ("1e+20", CDataExchange::FormatGeneral(1e20, 6));
    EXPECT_EQ("-0.01", FormatStepValue(-0.01));
    EXPECT_EQ("12.50", FormatStepValue(12.5));
    EXPECT_EQ("0.00", FormatStepValue(0.0));
}

} // namespace
