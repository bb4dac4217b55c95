#include "GuiTest.h"

#include "TestFolder.h"
#include "app/PropertiesPane.h"
#include "app/SceneChange.h"
#include "app/SceneDocument.h"
#include "scene/Light.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"
#include "script/SceneFile.h"

#include "app/SceneList.h"
#include <wx/frame.h>

#include <wx/propgrid/propgrid.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <gtk/gtk.h>

namespace {

// Counts what the document tells its views, as the desktop's views hear it.
class CountingView : public wxView {
public:
    void OnDraw(wxDC*) override {}
    void OnUpdate(wxView*, wxObject* hint) override {
        auto* change = dynamic_cast<CSceneChange*>(hint);
        m_updates.push_back(change ? change->GetPicture() : -1);
    }
    std::vector<int> m_updates;
};

// The pane in a frame of its own beside the main window, over the main window's document.
class PropertiesPaneTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        m_document = Frame().GetCurrentDocument();
        ASSERT_NE(nullptr, m_document);
        m_frame = new wxFrame(nullptr, wxID_ANY, "Properties", wxDefaultPosition, wxSize(420, 720));
        m_pane = new CPropertiesPane(m_frame);
        m_pane->m_onSelect = [this](const CSceneSelection& s) { m_told.push_back(s); };
        m_pane->SetDocument(m_document);
        m_frame->Show();
        m_view.SetDocument(m_document);
        Pump();
    }
    void TearDown() override {
        m_document->RemoveView(&m_view);
        m_view.SetDocument(nullptr);
        m_frame->Destroy();
        Pump();
        GuiTest::TearDown();
    }

    wxPropertyGrid& Grid() { return m_pane->GetGrid(); }
    CSceneObject& Object(std::size_t index) { return *Scene().m_objects.at(index); }
    CSphere& SphereAt(std::size_t index) { return dynamic_cast<CSphere&>(Object(index)); }

    // Clicks the row of the list, as GTK reports a click.
    // Clicks the row of the list, as the mouse does.
    void ClickRow(int row) {
        CSceneList& list = m_pane->GetList();
        list.EnsureVisible(row);
        Pump();
        wxRect rect;
        ASSERT_TRUE(list.GetItemRect(row, rect));
        wxUIActionSimulator mouse;
        // Never twice in the same place: two clicks there in a moment are a double-click.
        m_clickOffset = m_clickOffset == 8 ? 40 : 8;
        mouse.MouseMove(
            list.ClientToScreen(rect.GetPosition() + wxPoint(m_clickOffset, rect.height / 2)));
        Pump();
        mouse.MouseClick();
        for (int i = 0; i < 5; ++i) {
            Pump();
            wxMilliSleep(5);
        }
    }

    // Selects the property, types the text into its editor and presses Enter there.
    void TypeInto(const wxString& name, const wxString& text) {
        wxPGProperty* property = Grid().GetPropertyByName(name);
        ASSERT_NE(nullptr, property) << name;
        if (Grid().GetSelection() != property) {
            ASSERT_TRUE(Grid().SelectProperty(property, true)) << name;
        }
        Pump();
        wxTextCtrl* editor = Grid().GetEditorTextCtrl();
        ASSERT_NE(nullptr, editor) << name;
        if (!editor->HasFocus()) {
            // Back into the editor after a click elsewhere, as the user clicks into it.
            editor->SetFocus();
            Pump();
        }
        editor->SetValue(text);
        ASSERT_TRUE(editor->HasFocus()) << name;
        PressReturn();
    }
    // Return, as GTK receives it from the X server, in the pane's window: its focused
    // control takes it.
    void PressReturn() {
        GdkWindow* window = gtk_widget_get_window(m_frame->GetHandle());
        ASSERT_NE(nullptr, window);
        GdkDisplay* display = gdk_window_get_display(window);
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        ASSERT_TRUE(gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display),
                                                      GDK_KEY_Return, &keys, &count) &&
                    count > 0);
        for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
            GdkEvent* event = gdk_event_new(type);
            event->key.window = GDK_WINDOW(g_object_ref(window));
            event->key.time = GDK_CURRENT_TIME;
            event->key.keyval = GDK_KEY_Return;
            event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
            event->key.group = static_cast<guint8>(keys[0].group);
            gdk_event_set_device(event,
                                 gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
            gtk_main_do_event(event);
            gdk_event_free(event);
        }
        g_free(keys);
        Pump();
    }
    wxString EditorText() {
        wxTextCtrl* editor = Grid().GetEditorTextCtrl();
        return editor ? editor->GetValue() : wxString("(no editor)");
    }
    wxString Shown(const wxString& name) {
        wxPGProperty* property = Grid().GetPropertyByName(name);
        return property ? property->GetValueAsString() : wxString("(none)");
    }
    wxString RowText(int row) { return m_pane->GetList().GetString(static_cast<std::size_t>(row)); }

    CSceneDocument* m_document = nullptr;
    wxFrame* m_frame = nullptr;
    CPropertiesPane* m_pane = nullptr;
    CountingView m_view;
    std::vector<CSceneSelection> m_told;
    int m_clickOffset = 8;
};

constexpr CSceneSelection kSphere1{CSceneSelection::object, 4}; // (30, 0, 0), radius 25

TEST_F(PropertiesPaneTest, TheListShowsTheObjectsThenTheLightTableAndItsLastEntryUnlit) {
    CSceneList& list = m_pane->GetList();
    ASSERT_EQ(7u, list.GetCount());
    EXPECT_EQ("1: Plane 0, 1, 0, -50", RowText(0));
    EXPECT_EQ("5: Sphere (30, 0, 0), radius 25", RowText(4));
    EXPECT_EQ("Light 1: (65, -50, -100)", RowText(5));
    EXPECT_EQ("Light 2 (last entry, lights nothing): the same light as light 1", RowText(6));
    // (GTK selects the list's first row when the list takes the focus.)
    m_pane->Select({});
    EXPECT_EQ(0u, Grid().GetRoot()->GetChildCount());
    EXPECT_FALSE(m_frame->FindWindow(CPropertiesPane::ID_DELETE)->IsEnabled());

    m_told.clear();
    ClickRow(4);
    ASSERT_EQ(1u, m_told.size());
    EXPECT_EQ(kSphere1, m_told[0]);
    EXPECT_EQ(kSphere1, m_pane->GetSelection());
    EXPECT_EQ("30", Shown("centreX"));
    EXPECT_EQ("25", Shown("radius"));
    EXPECT_EQ("0.065", Shown("reflection"));
    EXPECT_EQ("None", Shown("texture"));
    EXPECT_EQ(nullptr, Grid().GetPropertyByName("a"));

    // The view picks: the pane shows it without telling the view back.
    m_pane->Select({CSceneSelection::object, 0});
    EXPECT_EQ(1u, m_told.size());
    EXPECT_EQ(0, list.GetSelection());
    EXPECT_EQ("-50", Shown("d"));
    EXPECT_EQ("Checker", Shown("texture"));
    EXPECT_EQ(nullptr, Grid().GetPropertyByName("radius"));

    m_pane->Select({CSceneSelection::light, 1});
    EXPECT_EQ("65", Shown("positionX"));
    EXPECT_TRUE(Shown("lightsScene").StartsWith("No")) << Shown("lightsScene");
    m_pane->Select({CSceneSelection::object, 9}); // not in the scene: nothing
    EXPECT_EQ(CSceneSelection{}, m_pane->GetSelection());
    EXPECT_EQ(wxNOT_FOUND, list.GetSelection());
}

TEST_F(PropertiesPaneTest, ARadiusAndAColourTypedIntoTheGridEditTheSceneAndAreSaved) {
    EXPECT_FALSE(m_document->IsModified());
    ClickRow(4);
    TypeInto("radius", "12.5");
    EXPECT_EQ(12.5f, SphereAt(4).GetRadius());
    EXPECT_EQ("12.5", Shown("radius"));
    EXPECT_EQ("5: Sphere (30, 0, 0), radius 12.5", RowText(4));
    EXPECT_TRUE(m_document->IsModified());
    EXPECT_EQ(std::vector<int>{CSceneChange::editedScene}, m_view.m_updates);

    TypeInto("colour", "(12,34,56)");
    CColour* colour = SphereAt(4).GetColour();
    EXPECT_EQ(12, colour->GetRed());
    EXPECT_EQ(34, colour->GetGreen());
    EXPECT_EQ(56, colour->GetBlue());
    EXPECT_EQ(56.0f / 255.0f, colour->blueLevel);

    TypeInto("centreZ", " -7.25 ");
    EXPECT_EQ(-7.25, SphereAt(4).GetCentre().z);
    EXPECT_EQ("-7.25", Shown("centreZ"));
    TypeInto("brilliance", "3");
    EXPECT_EQ(3.0, SphereAt(4).GetBrilliance());
    // The texture is a choice of the grid; picking one sets that texture alone.
    ASSERT_TRUE(Grid().ChangePropertyValue("texture", kTextureNoise));
    Pump();
    EXPECT_EQ(kTextureNoise, SphereAt(4).GetTextureFlags());
    EXPECT_EQ(5u, m_view.m_updates.size());
    EXPECT_TRUE(m_platform.m_messages.empty());

    std::string path = TestPath("edited.lscene"), error;
    ASSERT_TRUE(m_document->SaveSceneAs(path, error)) << error;
    EXPECT_FALSE(m_document->IsModified());
    CLumoDoc reread;
    ASSERT_TRUE(CSceneFile::Load(reread, path, error)) << error;
    auto* saved = dynamic_cast<CSphere*>(reread.m_objects.at(4).get());
    ASSERT_NE(nullptr, saved);
    EXPECT_EQ(12.5f, saved->GetRadius());
    EXPECT_EQ(-7.25, saved->GetCentre().z);
    EXPECT_EQ(34, saved->GetColour()->GetGreen());
    EXPECT_EQ(kTextureNoise, saved->GetTextureFlags());
}

TEST_F(PropertiesPaneTest, AValueTheObjectCannotTakeIsRefusedInPlaceAndTheSceneKeepsItsOwn) {
    ClickRow(4);
    TypeInto("radius", "abc");
    EXPECT_EQ("The radius must be a positive number.", m_pane->GetMessage());
    EXPECT_EQ("abc", EditorText()); // left to be put right
    EXPECT_TRUE(Grid().GetPropertyByName("radius")->HasFlag(wxPG_PROP_INVALID_VALUE));
    TypeInto("radius", "-1");
    Screenshot(*m_frame, "properties-pane-refused");
    EXPECT_EQ("The radius must be a positive number.", m_pane->GetMessage());
    EXPECT_EQ("-1", EditorText());
    EXPECT_EQ(25.0f, SphereAt(4).GetRadius());
    EXPECT_FALSE(m_document->IsModified());
    EXPECT_TRUE(m_view.m_updates.empty());

    // The refused text is not lost to a click elsewhere in the list.
    ClickRow(0);
    EXPECT_EQ(kSphere1, m_pane->GetSelection());
    EXPECT_EQ(4, m_pane->GetList().GetSelection());
    EXPECT_EQ("-1", EditorText());

    TypeInto("radius", "7");
    EXPECT_EQ("", m_pane->GetMessage());
    EXPECT_EQ(7.0f, SphereAt(4).GetRadius());
    EXPECT_FALSE(Grid().GetPropertyByName("radius")->HasFlag(wxPG_PROP_INVALID_VALUE));

    TypeInto("ambient", "-0.1");
    EXPECT_EQ("Ambient must be a number, 0 or more.", m_pane->GetMessage());
    TypeInto("ambient", "0.5");
    EXPECT_EQ(0.5, SphereAt(4).GetAmbient());
    TypeInto("centreX", "1e999");
    EXPECT_EQ("Centre X must be a number.", m_pane->GetMessage());
    TypeInto("centreX", "2");

    ClickRow(0);
    auto& floor = dynamic_cast<CPlane&>(Object(0));
    TypeInto("b", "1.5");
    EXPECT_EQ("b must be a whole number from -2147483648 to 2147483647.", m_pane->GetMessage());
    TypeInto("b", "3000000000");
    EXPECT_EQ("b must be a whole number from -2147483648 to 2147483647.", m_pane->GetMessage());
    TypeInto("b", "0");
    EXPECT_TRUE(m_pane->GetMessage().StartsWith("A plane's a, b and c cannot all be 0"));
    EXPECT_EQ(1.0, floor.m_ny);
    TypeInto("b", "2");
    EXPECT_EQ(2.0, floor.m_ny);
    TypeInto("d", "-2147483648");
    EXPECT_EQ(2147483648.0, floor.m_offset);
    EXPECT_EQ("1: Plane 0, 2, 0, -2147483648", RowText(0));
    EXPECT_TRUE(m_platform.m_messages.empty());
}

TEST_F(PropertiesPaneTest, AddDuplicateAndDeleteChangeTheListAndTheScene) {
    Click(*m_pane, CPropertiesPane::ID_ADD_SPHERE);
    Pump();
    ASSERT_EQ(6u, Scene().m_objects.size());
    CSceneSelection added{CSceneSelection::object, 5};
    EXPECT_EQ(added, m_pane->GetSelection());
    ASSERT_FALSE(m_told.empty());
    EXPECT_EQ(added, m_told.back());
    // 60 ahead of the default eye, in front of the default spheres.
    EXPECT_EQ(-8.0, SphereAt(5).GetCentre().y);
    EXPECT_EQ(-50.0, SphereAt(5).GetCentre().z);
    EXPECT_EQ(10.0f, SphereAt(5).GetRadius());
    EXPECT_EQ(8u, m_pane->GetList().GetCount());
    EXPECT_TRUE(m_document->IsModified());

    TypeInto("centreX", "4");
    Click(*m_pane, CPropertiesPane::ID_DUPLICATE);
    Pump();
    ASSERT_EQ(7u, Scene().m_objects.size());
    EXPECT_EQ((CSceneSelection{CSceneSelection::object, 6}), m_pane->GetSelection());
    EXPECT_NE(&Object(5), &Object(6));
    EXPECT_EQ(4.0, SphereAt(6).GetCentre().x);
    EXPECT_EQ("4", Shown("centreX"));

    Click(*m_pane, CPropertiesPane::ID_DELETE);
    Pump();
    ASSERT_EQ(6u, Scene().m_objects.size());
    EXPECT_EQ(added, m_pane->GetSelection()); // the one before takes the place

    Click(*m_pane, CPropertiesPane::ID_ADD_PLANE);
    Pump();
    ASSERT_EQ(7u, Scene().m_objects.size());
    auto& wall = dynamic_cast<CPlane&>(Object(6));
    EXPECT_EQ(1.0, wall.m_nz);
    EXPECT_EQ(370.0, wall.m_offset); // met 260 ahead of the eye
    EXPECT_EQ("-370", Shown("d"));

    // A light added lights the scene: it goes in front of the table's last entry.
    Click(*m_pane, CPropertiesPane::ID_ADD_LIGHT);
    Pump();
    ASSERT_EQ(3u, Scene().m_lights.size());
    EXPECT_EQ((CSceneSelection{CSceneSelection::light, 1}), m_pane->GetSelection());
    EXPECT_TRUE(Scene().LightsTheScene(1));
    EXPECT_EQ(Scene().m_lights[0], Scene().m_lights[2]);
    EXPECT_EQ("Yes", Shown("lightsScene"));
    EXPECT_EQ(10u, m_pane->GetList().GetCount());
    EXPECT_EQ("Light 2: (-65, -50, -100)", RowText(8));
    EXPECT_TRUE(RowText(9).StartsWith("Light 3 (last entry, lights nothing)"));

    // The default light's first entry goes; its other entry keeps it.
    m_pane->Select({CSceneSelection::light, 0});
    Click(*m_pane, CPropertiesPane::ID_DELETE);
    Pump();
    ASSERT_EQ(2u, Scene().m_lights.size());
    EXPECT_EQ(65.0, Scene().m_lights[1]->GetPosition().x);
    EXPECT_EQ("Light 2 (last entry, lights nothing): (65, -50, -100)", RowText(8));
    EXPECT_TRUE(m_platform.m_messages.empty());
}

TEST_F(PropertiesPaneTest, AChangeFromElsewhereKeepsTheSelectionOnItsObject) {
    ClickRow(4);
    m_told.clear();
    CSceneObject* selected = &Object(4);
    // A script opened adds its objects in front of the others.
    Scene().LoadScriptKeywords("sphere { }", 10);
    m_pane->SceneChanged();
    EXPECT_EQ(8u, m_pane->GetList().GetCount());
    EXPECT_EQ((CSceneSelection{CSceneSelection::object, 5}), m_pane->GetSelection());
    EXPECT_EQ(selected, &Object(5));
    ASSERT_EQ(1u, m_told.size());
    EXPECT_EQ(m_pane->GetSelection(), m_told[0]);

    Scene().m_objects.at(5)->SetColour(CColour(1, 2, 3));
    m_pane->SceneChanged();
    EXPECT_EQ("(1,2,3)", Shown("colour"));
    EXPECT_EQ(1u, m_told.size());

    Scene().ClearScene();
    m_pane->SceneChanged();
    EXPECT_EQ(CSceneSelection{}, m_pane->GetSelection());
    EXPECT_EQ(2u, m_pane->GetList().GetCount());
    EXPECT_EQ(0u, Grid().GetRoot()->GetChildCount());

    m_pane->SetDocument(nullptr);
    EXPECT_EQ(0u, m_pane->GetList().GetCount());
    EXPECT_FALSE(m_frame->FindWindow(CPropertiesPane::ID_ADD_SPHERE)->IsEnabled());
    EXPECT_FALSE(m_frame->FindWindow(CPropertiesPane::ID_DELETE)->IsEnabled());
}

// The place the planes' kinds go: the choice replaces the object through the document.
TEST_F(PropertiesPaneTest, APlaneKindChosenReplacesThePlane) {
    std::vector<std::pair<std::size_t, int>> asked;
    CPropertiesPane::PlaneKinds kinds;
    kinds.labels.Add("Eye-relative");
    kinds.labels.Add("Other");
    // The floor is of the first kind, a plane without texture of the other.
    kinds.kindOf = [](const CSceneObject& object) {
        if (!dynamic_cast<const CPlane*>(&object))
            return -1;
        return object.m_textureFlags == 0 ? 1 : 0;
    };
    kinds.change = [&](std::size_t index, int kind) {
        asked.push_back({index, kind});
        auto plane = std::make_unique<CPlane>(0.0f, 0.0f, 1.0f, 5.0f);
        return Scene().ReplaceObject(index, std::move(plane)) != nullptr;
    };
    m_pane->SetPlaneKinds(std::move(kinds));
    ClickRow(4);
    EXPECT_EQ(nullptr, Grid().GetPropertyByName("kind"));
    ClickRow(0);
    EXPECT_EQ("Eye-relative", Shown("kind"));
    ASSERT_TRUE(Grid().ChangePropertyValue("kind", 1));
    Pump();
    ASSERT_EQ(1u, asked.size());
    EXPECT_EQ(0u, asked[0].first);
    EXPECT_EQ(1, asked[0].second);
    EXPECT_EQ(-5.0, dynamic_cast<CPlane&>(Object(0)).m_offset);
    EXPECT_EQ((CSceneSelection{CSceneSelection::object, 0}), m_pane->GetSelection());
    EXPECT_EQ("Other", Shown("kind"));
    EXPECT_EQ("5", Shown("d"));
    EXPECT_TRUE(m_document->IsModified());
    EXPECT_FALSE(m_view.m_updates.empty());
}

} // namespace
