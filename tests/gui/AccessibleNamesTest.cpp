// What a screen reader hears of each control of the dialogs, read in-process from GTK's
// accessibility objects (those that the AT-SPI bridge publishes). Every control that takes the
// focus is found by walking the dialog, so one added without a name fails here. What each must
// be called is worked out from the screen, as a sighted user reads it: the static text on its
// row is its label, the group box around it is its group.
#include "GuiTest.h"
#include "ModalSteps.h"

#include "app/CameraDialog.h"
#include "app/CommandIds.h"
#include "app/SceneWizard.h"
#include "app/WizPage1.h"

#include <wx/bookctrl.h>
#include <wx/ctrlsub.h>
#include <wx/spinbutt.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <climits>
#include <map>
#include <tuple>

namespace {

using AccessibleNames = GuiTest;

// Names by place, for controls without a label on the screen: per group caption, the names of
// its edits from top to bottom.
using PlaceNames = std::map<std::string, std::vector<std::string>>;
// What is heard of each control: its id, accessible name and description.
using Heard = std::vector<std::tuple<int, std::string, std::string>>;

AtkObject* AccessibleOf(wxWindow& window) {
    return gtk_widget_get_accessible(static_cast<GtkWidget*>(window.GetHandle()));
}

std::string NameOf(wxWindow& control) {
    const char* name = atk_object_get_name(AccessibleOf(control));
    return name ? name : "";
}

std::string DescriptionOf(wxWindow& control) {
    const char* description = atk_object_get_description(AccessibleOf(control));
    return description ? description : "";
}

// The text GTK shows in a label or as a group box's caption, its lines read as one.
std::string Shown(wxWindow& window) {
    auto* widget = static_cast<GtkWidget*>(window.GetHandle());
    if (GTK_IS_FRAME(widget))
        widget = gtk_frame_get_label_widget(GTK_FRAME(widget));
    std::string text = widget && GTK_IS_LABEL(widget) ? gtk_label_get_text(GTK_LABEL(widget)) : "";
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

bool Related(wxWindow& from, AtkRelationType type, wxWindow& to) {
    AtkRelationSet* set = atk_object_ref_relation_set(AccessibleOf(from));
    AtkRelation* relation = atk_relation_set_get_relation_by_type(set, type);
    bool found = false;
    if (GPtrArray* targets = relation ? atk_relation_get_target(relation) : nullptr)
        for (guint i = 0; i < targets->len; ++i)
            found = found || g_ptr_array_index(targets, i) == AccessibleOf(to);
    g_object_unref(set);
    return found;
}

wxPoint Centre(wxWindow& window) {
    wxRect rect = window.GetRect();
    return {rect.x + rect.width / 2, rect.y + rect.height / 2};
}

// The group box of the same parent whose frame holds the window's centre.
wxStaticBox* GroupOf(wxWindow& window) {
    for (wxWindow* sibling : window.GetParent()->GetChildren())
        if (auto* box = dynamic_cast<wxStaticBox*>(sibling);
            box && box->GetRect().Contains(Centre(window)))
            return box;
    return nullptr;
}

// The nearest static text of the same group whose middle lies on the control's row.
wxStaticText* LabelOf(wxWindow& control) {
    const wxRect rect = control.GetRect();
    wxStaticText* nearest = nullptr;
    int nearestGap = INT_MAX;
    for (wxWindow* sibling : control.GetParent()->GetChildren()) {
        auto* text = dynamic_cast<wxStaticText*>(sibling);
        const int middle = text ? Centre(*text).y : 0;
        if (!text || middle < rect.GetTop() || middle > rect.GetBottom() ||
            GroupOf(*text) != GroupOf(control))
            continue;
        const wxRect other = text->GetRect();
        const int gap =
            std::max(rect.GetLeft() - other.GetRight(), other.GetLeft() - rect.GetRight());
        if (gap < nearestGap) {
            nearest = text;
            nearestGap = gap;
        }
    }
    return nearest;
}

// Every control that can take the focus, in the window and all its pages.
void Collect(wxWindow& window, std::vector<wxWindow*>& controls) {
    for (wxWindow* child : window.GetChildren()) {
        if (dynamic_cast<wxControl*>(child) && child->AcceptsFocus() &&
            !dynamic_cast<wxBookCtrlBase*>(child))
            controls.push_back(child);
        Collect(*child, controls);
    }
}

// Controls that show no text of their own: a label beside them must say what they are.
bool NeedsLabel(wxWindow& control) {
    return dynamic_cast<wxTextCtrl*>(&control) || dynamic_cast<wxSpinButton*>(&control) ||
           dynamic_cast<wxControlWithItems*>(&control);
}

// The name a sighted user gives the control.
std::string ExpectedName(wxWindow& control, const PlaceNames& places) {
    if (!NeedsLabel(control))
        return wxControl::RemoveMnemonics(dynamic_cast<wxControl&>(control).GetLabel())
            .utf8_string();
    if (wxStaticText* label = LabelOf(control)) {
        EXPECT_TRUE(Related(control, ATK_RELATION_LABELLED_BY, *label)) << Shown(*label);
        EXPECT_TRUE(Related(*label, ATK_RELATION_LABEL_FOR, control)) << Shown(*label);
        return Shown(*label);
    }
    // No label: the place within its group, among the group's edits.
    wxStaticBox* group = GroupOf(control);
    auto names = places.find(group ? Shown(*group) : "");
    std::vector<wxWindow*> column;
    for (wxWindow* sibling : control.GetParent()->GetChildren())
        if (dynamic_cast<wxTextCtrl*>(sibling) && GroupOf(*sibling) == group)
            column.push_back(sibling);
    std::sort(column.begin(), column.end(),
              [](wxWindow* a, wxWindow* b) { return a->GetPosition().y < b->GetPosition().y; });
    auto row = std::find(column.begin(), column.end(), &control) - column.begin();
    if (names == places.end() || row >= static_cast<long>(names->second.size())) {
        ADD_FAILURE() << "control " << control.GetId() << " has neither label nor place name";
        return "";
    }
    return names->second[static_cast<std::size_t>(row)];
}

// Walks the dialog: every control is named after its label (a spin after the edit it steps,
// the control before it), described by its group's caption, and no two controls of one page
// or dialog are heard alike but an edit and its spin.
Heard ExpectNamed(wxWindow& dialog, const PlaceNames& places = {}) {
    std::vector<wxWindow*> controls;
    Collect(dialog, controls);
    Heard heard;
    std::map<std::tuple<wxWindow*, std::string, std::string>, wxWindow*> seen;
    for (wxWindow* control : controls) {
        const std::string name = NameOf(*control);
        const std::string description = DescriptionOf(*control);
        wxStaticBox* group = GroupOf(*control);
        wxWindow* edit = control->GetPrevSibling();
        if (dynamic_cast<wxSpinButton*>(control)) {
            EXPECT_TRUE(dynamic_cast<wxTextCtrl*>(edit)) << "spin " << control->GetId();
            EXPECT_EQ(edit ? NameOf(*edit) : "", name) << "spin " << control->GetId();
        } else {
            EXPECT_EQ(ExpectedName(*control, places), name) << "control " << control->GetId();
        }
        EXPECT_FALSE(name.empty()) << "control " << control->GetId();
        EXPECT_EQ(group ? Shown(*group) : "", description) << "control " << control->GetId();
        auto [other, added] =
            seen.emplace(std::tuple(control->GetParent(), name, description), control);
        EXPECT_TRUE(added || (dynamic_cast<wxSpinButton*>(control) && other->second == edit))
            << "controls " << other->second->GetId() << " and " << control->GetId()
            << " are both heard as " << name << " (" << description << ")";
        heard.emplace_back(control->GetId(), name, description);
    }
    return heard;
}

TEST_F(AccessibleNames, CameraEditsAndSpinsAreHeardByTheirRowsLabelAndGroup) {
    Heard heard;
    RunModalSteps([&] { ChooseMenuItem(ID_SCENE_CAMERA); },
                  {{"Camera Dialog", [&](wxDialog& dialog) {
                        heard = ExpectNamed(dialog);
                        Click(dialog, wxID_CANCEL);
                    }}});
    // In tab order: edit, spin, ..., OK, Cancel.
    using C = CCameraDialog;
    EXPECT_EQ((Heard{{C::ID_EYE_X, "X", "Look at"},
                     {C::ID_EYE_X_SPIN, "X", "Look at"},
                     {C::ID_EYE_Y, "Y", "Look at"},
                     {C::ID_EYE_Y_SPIN, "Y", "Look at"},
                     {C::ID_EYE_Z, "Z", "Look at"},
                     {C::ID_EYE_Z_SPIN, "Z", "Look at"},
                     {C::ID_LOOK_X, "X", "Poistion"},
                     {C::ID_LOOK_X_SPIN, "X", "Poistion"},
                     {C::ID_LOOK_Y, "Y", "Poistion"},
                     {C::ID_LOOK_Y_SPIN, "Y", "Poistion"},
                     {C::ID_LOOK_Z, "Z", "Poistion"},
                     {C::ID_LOOK_Z_SPIN, "Z", "Poistion"},
                     {wxID_OK, "OK", ""},
                     {wxID_CANCEL, "Cancel", ""}}),
              heard);
}

TEST_F(AccessibleNames, AddLightEditsAreHeardByTheirPlaceInTheirGroup) {
    std::size_t count = 0;
    RunModalSteps([&] { ChooseMenuItem(ID_SCENE_ADD_LIGHT); },
                  {{"Add light dialog", [&](wxDialog& dialog) {
                        count = ExpectNamed(dialog, {{"Position", {"X", "Y", "Z"}},
                                                     {"Colour", {"Red", "Green", "Blue"}}})
                                    .size();
                        Click(dialog, wxID_CANCEL);
                    }}});
    EXPECT_EQ(14u, count); // six edits, six spins, OK and Cancel
}

TEST_F(AccessibleNames, EveryOptionsPageNamesItsControls) {
    std::size_t count = 0;
    RunModalSteps([] { wxGetApp().GetMainFrame()->ShowOptions(); },
                  {{"Options", [&](wxDialog& dialog) {
                        // The pages the sheet does not show ("Camera", "Defaults") too.
                        count = ExpectNamed(dialog).size();
                        Click(dialog, wxID_CANCEL);
                    }}});
    // General 4, Renderer 1, Advanced 2, Camera 5 + 1 + 3, Defaults 2, OK, Cancel, Apply.
    EXPECT_EQ(21u, count);
}

TEST_F(AccessibleNames, EveryWizardPageNamesItsControls) {
    m_platform.m_realWizard = true;
    std::size_t first = 0;
    std::size_t second = 0;
    RunModalSteps([&] { ChooseMenuItem(ID_SCENE_WIZARD); },
                  {{"First",
                    [&](wxDialog& dialog) {
                        auto heard = ExpectNamed(dialog);
                        first = heard.size();
                        // Its label is wrapped to two lines on the screen.
                        EXPECT_NE(
                            heard.end(),
                            std::find(heard.begin(), heard.end(),
                                      std::tuple(int{CWizPage1::ID_OBJECT_COUNT},
                                                 std::string("Number of objects"), std::string())));
                        auto& wizard = dynamic_cast<CSceneWizard&>(dialog);
                        Type(*wizard.GetCurrentPage(), CWizPage1::ID_OBJECT_COUNT, "2");
                        Click(dialog, wxID_FORWARD);
                    }},
                   {"Wizard", [&](wxDialog& dialog) {
                        second = ExpectNamed(dialog).size();
                        Click(dialog, wxID_CANCEL);
                    }}});
    EXPECT_EQ(1u + 3u, first);             // the count; Back, Next, Cancel
    EXPECT_EQ(2u * 13u + 2u + 3u, second); // two object pages, the closing page; the buttons
}

} // namespace
