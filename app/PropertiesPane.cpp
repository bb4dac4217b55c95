#include "app/PropertiesPane.h"

#include "app/AccessibleNames.h"
#include "app/DataExchange.h"
#include "app/SceneChange.h"
#include "app/SceneDocument.h"
#include "app/SceneList.h"
#include "scene/Light.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "scene/WorldPlane.h"
#include "script/LumoDoc.h"

#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/propgrid/advprops.h>
#include <wx/propgrid/propgrid.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/utils.h>
#include <wx/wrapsizer.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <climits>
#include <cmath>

namespace {

// The grid's validation messages go to the pane's message line: the property stays marked and
// the text in its editor, with no message box over the window.
class CPaneGrid : public wxPropertyGrid {
public:
    CPaneGrid(wxWindow* parent, wxStaticText& message)
        : wxPropertyGrid(parent, CPropertiesPane::ID_GRID, wxDefaultPosition, wxDefaultSize,
                         wxPG_DEFAULT_STYLE | wxPG_SPLITTER_AUTO_CENTER),
          m_message(message) {
        SetValidationFailureBehavior(wxPG_VFB_STAY_IN_PROPERTY | wxPG_VFB_MARK_CELL |
                                     wxPG_VFB_SHOW_MESSAGE | wxPG_VFB_BEEP);
    }

protected:
    void DoShowPropertyError(wxPGProperty*, const wxString& message) override {
        m_message.SetLabelText(message);
        m_message.GetParent()->Layout();
    }
    void DoHidePropertyError(wxPGProperty*) override { m_message.SetLabelText(wxString()); }

private:
    wxStaticText& m_message;
};

// The finish coefficients, in the order of SetFinish. Each is a weight or an exponent of a
// cosine: a negative exponent makes the rim of a lit area blaze, so none may be negative.
struct FinishField {
    const char* name;
    const char* label;
    double CFinish::*value;
};
constexpr FinishField kFinishFields[] = {
    {"ambient", "Ambient", &CFinish::ambient},
    {"diffuse", "Diffuse", &CFinish::diffuse},
    {"brilliance", "Brilliance", &CFinish::brilliance},
    {"specular", "Specular", &CFinish::specular},
    {"roughness", "Roughness", &CFinish::roughness},
    {"reflection", "Reflection", &CFinish::reflection},
};

const FinishField* FindFinishField(const wxString& name) {
    for (const FinishField& field : kFinishFields)
        if (name == field.name)
            return &field;
    return nullptr;
}

// The texture an object shows: when several flags are set, ColourAt lets the noise win over
// the checker and the checker over the rings.
int VisibleTexture(int flags) {
    if (flags & kTextureNoise)
        return kTextureNoise;
    if (flags & kTextureChecker)
        return kTextureChecker;
    if (flags & kTextureRing)
        return kTextureRing;
    return 0;
}

wxString Number(double value, int digits = 15) {
    return CDataExchange::FormatGeneral(value, digits);
}

wxColour ToWx(const CColour& colour) {
    return wxColour(colour.red, colour.green, colour.blue);
}

bool IsWhole32(double value) {
    return std::isfinite(value) && value == std::trunc(value) &&
           value >= static_cast<double>(INT_MIN) && value <= static_cast<double>(INT_MAX);
}

// Whole numbers of the int range clamped into it, for the coefficients the pane makes up.
int ClampToInt(double value) {
    return static_cast<int>(
        std::clamp(std::round(value), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// The camera's viewing direction as a unit vector; straight ahead when it has none.
CVector ViewingDirection(const CLumoDoc& scene) {
    CVector look = scene.GetLook();
    CVector unit = look.Normalise();
    if (!std::isfinite(unit.x) || !std::isfinite(unit.y) || !std::isfinite(unit.z))
        return CVector(0.0, 0.0, 1.0);
    return unit;
}

} // namespace

CPropertiesPane::CPropertiesPane(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);

    auto* listLabel = new wxStaticText(this, wxID_ANY, "&Objects and lights");
    m_list = new CSceneList(this, ID_LIST, [this](std::size_t row) {
        return row < m_rows.size() ? RowText(m_rows[row].selection) : wxString();
    });
    NameForAccessibility(*m_list, "Objects and lights", {}, listLabel);
    sizer->Add(listLabel, 0, wxLEFT | wxRIGHT | wxTOP, 6);
    // The list shrinks before the grid does: a long list scrolls.
    m_list->SetMinSize(wxSize(-1, FromDIP(80)));
    sizer->Add(m_list, 1, wxEXPAND | wxALL, 6);

    auto* buttons = new wxWrapSizer(wxHORIZONTAL);
    auto addButton = [&](int id, const wxString& label, void (CPropertiesPane::*handler)()) {
        auto* button = new wxButton(this, id, label);
        button->Bind(wxEVT_BUTTON, [this, handler](wxCommandEvent&) { (this->*handler)(); });
        buttons->Add(button, 0, wxALL, 2);
        return button;
    };
    m_addButtons.push_back(addButton(ID_ADD_SPHERE, "Add Sphere", &CPropertiesPane::OnAddSphere));
    m_addButtons.push_back(addButton(ID_ADD_PLANE, "Add Plane", &CPropertiesPane::OnAddPlane));
    m_addButtons.push_back(addButton(ID_ADD_LIGHT, "Add Light", &CPropertiesPane::OnAddLight));
    m_selectionButtons.push_back(
        addButton(ID_DUPLICATE, "Duplicate", &CPropertiesPane::OnDuplicate));
    m_selectionButtons.push_back(addButton(ID_DELETE, "Delete", &CPropertiesPane::OnDelete));
    sizer->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT, 4);

    auto* gridLabel = new wxStaticText(this, wxID_ANY, "&Properties");
    // Made before the grid, which writes its messages into it, and laid out below it.
    m_message = new wxStaticText(this, wxID_ANY, wxString());
    m_grid = new CPaneGrid(this, *m_message);
    NameForAccessibility(*m_grid, "Properties", {}, gridLabel);
    sizer->Add(gridLabel, 0, wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(m_grid, 2, wxEXPAND | wxALL, 6);
    sizer->Add(m_message, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 6);
    SetSizer(sizer);

    m_list->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) {
        if (!m_list->IsChanging())
            OnListSelected();
    });
    // A click on another row deselects the old one first: only a list left with no selection
    // clears it.
    m_list->Bind(wxEVT_LIST_ITEM_DESELECTED, [this](wxListEvent&) {
        if (!m_list->IsChanging())
            CallAfter([this] {
                if (m_list->GetSelection() == wxNOT_FOUND)
                    OnListSelected();
            });
    });
    m_list->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_DELETE && event.GetModifiers() == wxMOD_NONE)
            OnDelete();
        else
            event.Skip();
    });
    m_grid->Bind(wxEVT_PG_CHANGING, &CPropertiesPane::OnChanging, this);
    m_grid->Bind(wxEVT_PG_CHANGED, &CPropertiesPane::OnChanged, this);
    UpdateButtons();
}

void CPropertiesPane::SetDocument(CSceneDocument* document) {
    m_document = document;
    m_selection = CSceneSelection{};
    m_selectedItem = nullptr;
    FillList();
    ShowSelection();
}

void CPropertiesPane::SetPlaneKinds(PlaneKinds kinds) {
    m_planeKinds = std::move(kinds);
    FillGrid();
}

wxString CPropertiesPane::GetMessage() const {
    return m_message->GetLabelText();
}

CSceneObject* CPropertiesPane::SelectedObject() const {
    if (!m_document || m_selection.kind != CSceneSelection::object)
        return nullptr;
    CLumoDoc& scene = m_document->GetScene();
    return m_selection.index < scene.m_objects.size() ? scene.m_objects[m_selection.index].get()
                                                      : nullptr;
}

CLight* CPropertiesPane::SelectedLight() const {
    if (!m_document || m_selection.kind != CSceneSelection::light)
        return nullptr;
    CLumoDoc& scene = m_document->GetScene();
    return m_selection.index < scene.m_lights.size() ? scene.m_lights[m_selection.index] : nullptr;
}

void CPropertiesPane::Select(const CSceneSelection& selection) {
    m_selection = CSceneSelection{};
    m_selectedItem = nullptr;
    for (const Row& row : m_rows)
        if (row.selection == selection) {
            m_selection = selection;
            m_selectedItem = row.item;
        }
    ShowSelection();
}

void CPropertiesPane::SelectAndTell(const CSceneSelection& selection) {
    Select(selection);
    if (m_onSelect)
        m_onSelect(m_selection);
}

void CPropertiesPane::SceneChanged() {
    if (m_announcing)
        return;
    CSceneSelection before = m_selection;
    FillList();
    // The selection follows its object (a script opened adds objects in front of it); it goes
    // when the object has left the scene. An entry of a light that has other entries keeps
    // its position when it still names the light there.
    CSceneSelection kept;
    const void* keptItem = nullptr;
    for (const Row& row : m_rows) {
        if (!m_selectedItem || row.item != m_selectedItem || row.selection.kind != before.kind)
            continue;
        if (!keptItem || row.selection == before) {
            kept = row.selection;
            keptItem = row.item;
        }
    }
    m_selection = kept;
    m_selectedItem = keptItem;
    ShowSelection();
    if (m_selection != before && m_onSelect)
        m_onSelect(m_selection);
}

void CPropertiesPane::FillList() {
    m_rows.clear();
    if (m_document) {
        CLumoDoc& scene = m_document->GetScene();
        for (std::size_t i = 0; i < scene.m_objects.size(); ++i)
            m_rows.push_back({{CSceneSelection::object, i}, scene.m_objects[i].get()});
        for (std::size_t i = 0; i < scene.m_lights.size(); ++i)
            m_rows.push_back({{CSceneSelection::light, i}, scene.m_lights[i]});
    }
    // The rows' texts are made when they are shown.
    m_list->SetRowCount(m_rows.size());
}

wxString CPropertiesPane::RowText(const CSceneSelection& selection) const {
    CLumoDoc& scene = m_document->GetScene();
    // The list may be painted between a change of the scene and the news of it (a scene read
    // from text changes object after object): a row the scene no longer has waits, blank, for
    // the list to be filled again.
    if (selection.index >= (selection.kind == CSceneSelection::object ? scene.m_objects.size()
                                                                      : scene.m_lights.size()))
        return wxString();
    if (selection.kind == CSceneSelection::object) {
        CSceneObject* object = scene.m_objects[selection.index].get();
        wxString text = wxString::Format("%zu: ", selection.index + 1);
        if (auto* sphere = dynamic_cast<CSphere*>(object)) {
            const CVector& c = sphere->GetCentre();
            return text + "Sphere (" + Number(c.x, 6) + ", " + Number(c.y, 6) + ", " +
                   Number(c.z, 6) + "), radius " +
                   Number(static_cast<double>(sphere->GetRadius()), 6);
        }
        if (auto* plane = dynamic_cast<CPlane*>(object))
            return text + "Plane " + Number(plane->m_nx) + ", " + Number(plane->m_ny) + ", " +
                   Number(plane->m_nz) + ", " + Number(-plane->m_offset);
        if (auto* world = dynamic_cast<CWorldPlane*>(object)) {
            std::array<double, 4> k = world->GetCoefficients();
            return text + "Plane in the world " + Number(k[0], 6) + ", " + Number(k[1], 6) + ", " +
                   Number(k[2], 6) + ", " + Number(k[3], 6);
        }
        return text + "Object";
    }
    CLight* light = scene.m_lights[selection.index];
    wxString text = wxString::Format("Light %zu", selection.index + 1);
    // The shading visits every entry of the table but the last: say so first, where it is
    // seen even in a narrow pane.
    if (!scene.LightsTheScene(selection.index))
        text += " (last entry, lights nothing)";
    auto first = std::find(scene.m_lights.begin(), scene.m_lights.end(), light);
    auto firstIndex = static_cast<std::size_t>(first - scene.m_lights.begin());
    if (!light)
        return text + ": none";
    if (firstIndex < selection.index)
        return text + wxString::Format(": the same light as light %zu", firstIndex + 1);
    const CVector& position = light->GetPosition();
    return text + ": (" + Number(position.x, 6) + ", " + Number(position.y, 6) + ", " +
           Number(position.z, 6) + ")";
}

void CPropertiesPane::ShowSelection() {
    int row = wxNOT_FOUND;
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_selection.kind != CSceneSelection::none && m_rows[i].selection == m_selection)
            row = static_cast<int>(i);
    m_list->SetSelection(row);
    if (row != wxNOT_FOUND)
        m_list->EnsureVisible(row);
    FillGrid();
    UpdateButtons();
}

void CPropertiesPane::UpdateButtons() {
    for (wxButton* button : m_addButtons)
        button->Enable(m_document != nullptr);
    for (wxButton* button : m_selectionButtons)
        button->Enable(m_selection.kind != CSceneSelection::none);
}

void CPropertiesPane::AddNumber(const wxString& label, const wxString& name, double value,
                                int digits) {
    // Text properties: every text typed reaches the check, which says what is wrong with it.
    m_grid->Append(new wxStringProperty(label, name, Number(value, digits)));
}

void CPropertiesPane::FillGrid() {
    m_grid->Clear();
    m_message->SetLabelText(wxString());
    if (CLight* light = SelectedLight()) {
        m_grid->Append(new wxPropertyCategory("Light", "lightCategory"));
        AddNumber("Position X", "positionX", light->GetPosition().x);
        AddNumber("Position Y", "positionY", light->GetPosition().y);
        AddNumber("Position Z", "positionZ", light->GetPosition().z);
        m_grid->Append(new wxColourProperty("Colour", "colour", ToWx(*light->GetColour())));
        bool lights = m_document->GetScene().LightsTheScene(m_selection.index);
        wxPGProperty* lit = m_grid->Append(new wxStringProperty(
            "Lights the scene", "lightsScene",
            lights ? "Yes" : "No: the shading skips the last entry of the light table"));
        m_grid->SetPropertyReadOnly(lit);
        return;
    }
    CSceneObject* object = SelectedObject();
    if (!object)
        return;
    if (auto* sphere = dynamic_cast<CSphere*>(object)) {
        m_grid->Append(new wxPropertyCategory("Sphere", "sphereCategory"));
        AddNumber("Centre X", "centreX", sphere->GetCentre().x);
        AddNumber("Centre Y", "centreY", sphere->GetCentre().y);
        AddNumber("Centre Z", "centreZ", sphere->GetCentre().z);
        AddNumber("Radius", "radius", static_cast<double>(sphere->GetRadius()), FLT_DIG);
    }
    int kind = m_planeKinds.kindOf ? m_planeKinds.kindOf(*object) : -1;
    auto* plane = dynamic_cast<CPlane*>(object);
    auto* world = dynamic_cast<CWorldPlane*>(object);
    if (plane || world || kind >= 0)
        m_grid->Append(new wxPropertyCategory("Plane", "planeCategory"));
    if (kind >= 0 && !m_planeKinds.labels.empty())
        m_grid->Append(new wxEnumProperty("Kind", "kind", m_planeKinds.labels, wxArrayInt(), kind));
    if (plane) {
        // The plane a·x + b·y + c·z + d = 0, its coefficients whole numbers.
        AddNumber("a", "a", plane->m_nx);
        AddNumber("b", "b", plane->m_ny);
        AddNumber("c", "c", plane->m_nz);
        AddNumber("d", "d", -plane->m_offset);
    }
    if (world) {
        // The plane a·x + b·y + c·z + d = 0 where it stands in the world, any real numbers.
        std::array<double, 4> k = world->GetCoefficients();
        AddNumber("a", "a", k[0]);
        AddNumber("b", "b", k[1]);
        AddNumber("c", "c", k[2]);
        AddNumber("d", "d", k[3]);
    }
    m_grid->Append(new wxPropertyCategory("Surface", "surfaceCategory"));
    m_grid->Append(new wxColourProperty("Colour", "colour", ToWx(*object->GetColour())));
    wxPGChoices textures;
    textures.Add("None", 0);
    textures.Add("Checker", kTextureChecker);
    textures.Add("Rings", kTextureRing);
    textures.Add("Noise", kTextureNoise);
    m_grid->Append(new wxEnumProperty("Texture", "texture", textures,
                                      VisibleTexture(object->GetTextureFlags())));
    m_grid->Append(new wxPropertyCategory("Finish", "finishCategory"));
    for (const FinishField& field : kFinishFields)
        AddNumber(field.label, field.name, object->m_finish.*field.value);
}

bool CPropertiesPane::EditIsRefused() const {
    wxPGProperty* property = m_grid->GetSelection();
    return property && property->HasFlag(wxPG_PROP_INVALID_VALUE);
}

wxString CPropertiesPane::Check(const wxPGProperty& property, const wxVariant& value) const {
    wxString name = property.GetName();
    if (name == "colour" || name == "texture" || name == "kind")
        return {};
    double number = 0.0;
    bool parsed = CDataExchange::ParseDouble(value.GetString(), number) && std::isfinite(number);
    if (name == "radius") {
        // A sphere of radius 0 is never hit, and the radius is held as a float.
        if (!parsed || !(number > 0.0) || !(static_cast<float>(number) > 0.0f) ||
            !std::isfinite(static_cast<float>(number)))
            return "The radius must be a positive number.";
        return {};
    }
    if (auto* world = dynamic_cast<CWorldPlane*>(SelectedObject());
        world && (name == "a" || name == "b" || name == "c" || name == "d")) {
        if (!parsed)
            return property.GetLabel() + " must be a number.";
        CVector normal = world->GetNormal();
        if (name != "d") {
            (name == "a" ? normal.x : name == "b" ? normal.y : normal.z) = number;
            if (normal.x == 0.0 && normal.y == 0.0 && normal.z == 0.0)
                return "A plane's a, b and c cannot all be 0: it would face no way and never "
                       "be seen.";
        }
        return {};
    }
    if (name == "a" || name == "b" || name == "c" || name == "d") {
        if (!parsed || !IsWhole32(number))
            return property.GetLabel() + " must be a whole number from -2147483648 to 2147483647.";
        auto* plane = dynamic_cast<CPlane*>(SelectedObject());
        if (plane && name != "d") {
            CVector normal = plane->GetNormal();
            (name == "a" ? normal.x : name == "b" ? normal.y : normal.z) = number;
            if (normal.x == 0.0 && normal.y == 0.0 && normal.z == 0.0)
                return "A plane's a, b and c cannot all be 0: it would face no way and never "
                       "be seen.";
        }
        return {};
    }
    if (FindFinishField(name)) {
        if (!parsed || number < 0.0)
            return property.GetLabel() + " must be a number, 0 or more.";
        return {};
    }
    if (!parsed)
        return property.GetLabel() + " must be a number.";
    return {};
}

void CPropertiesPane::OnChanging(wxPropertyGridEvent& event) {
    wxPGProperty* property = event.GetProperty();
    if (!property)
        return;
    wxString message = Check(*property, event.GetValue());
    if (!message.empty()) {
        event.SetValidationFailureMessage(message);
        event.Veto();
    }
}

void CPropertiesPane::OnChanged(wxPropertyGridEvent& event) {
    if (wxPGProperty* property = event.GetProperty())
        Apply(*property, property->GetValue());
}

void CPropertiesPane::Apply(wxPGProperty& property, const wxVariant& value) {
    if (!m_document)
        return;
    wxString name = property.GetName();
    CSceneObject* object = SelectedObject();
    CLight* light = SelectedLight();
    CSceneObject* target = light ? light : object;
    if (!target)
        return;

    if (name == "colour") {
        wxColour colour;
        colour << value;
        CColour* current = target->GetColour();
        // The same bytes keep the levels they came with (a light of 0.5 stays 0.5).
        if (colour.Red() == current->red && colour.Green() == current->green &&
            colour.Blue() == current->blue)
            return;
        target->SetColour(CColour(colour.Red(), colour.Green(), colour.Blue()));
        NoteEdited();
        return;
    }
    if (name == "texture" && object) {
        object->m_textureFlags = static_cast<int>(value.GetLong());
        NoteEdited();
        return;
    }
    if (name == "kind") {
        std::size_t index = m_selection.index;
        bool changed =
            m_planeKinds.change && m_planeKinds.change(index, static_cast<int>(value.GetLong()));
        // The object has been replaced, or the choice must go back: the grid is filled again
        // once the grid has finished with its event.
        CallAfter([this, changed, index] {
            if (changed && m_document && index < m_document->GetScene().m_objects.size()) {
                m_selectedItem = m_document->GetScene().m_objects[index].get();
                FillList();
                Announce();
            }
            ShowSelection();
        });
        return;
    }

    double number = 0.0;
    if (!CDataExchange::ParseDouble(value.GetString(), number))
        return;
    int digits = 15;
    if (light && name.StartsWith("position")) {
        CVector& position = light->m_position;
        (name == "positionX" ? position.x : name == "positionY" ? position.y : position.z) = number;
    } else if (auto* sphere = dynamic_cast<CSphere*>(object); sphere && name == "radius") {
        sphere->m_radius = static_cast<float>(number);
        number = static_cast<double>(sphere->m_radius);
        digits = FLT_DIG;
    } else if (sphere && name.StartsWith("centre")) {
        CVector& centre = sphere->m_centre;
        (name == "centreX" ? centre.x : name == "centreY" ? centre.y : centre.z) = number;
    } else if (auto* plane = dynamic_cast<CPlane*>(object);
               plane && (name == "a" || name == "b" || name == "c" || name == "d")) {
        int a = static_cast<int>(plane->m_nx);
        int b = static_cast<int>(plane->m_ny);
        int c = static_cast<int>(plane->m_nz);
        int d = static_cast<int>(-plane->m_offset);
        (name == "a" ? a : name == "b" ? b : name == "c" ? c : d) = static_cast<int>(number);
        plane->SetCoefficients(a, b, c, d);
    } else if (auto* world = dynamic_cast<CWorldPlane*>(object);
               world && (name == "a" || name == "b" || name == "c" || name == "d")) {
        std::array<double, 4> k = world->GetCoefficients();
        (name == "a" ? k[0] : name == "b" ? k[1] : name == "c" ? k[2] : k[3]) = number;
        world->SetCoefficients(k[0], k[1], k[2], k[3]);
    } else if (const FinishField* field = FindFinishField(name); field && object) {
        object->m_finish.*field->value = number;
    } else {
        return;
    }
    // The value as the document now holds it.
    m_grid->SetPropertyValue(&property, Number(number, digits));
    NoteEdited();
}

void CPropertiesPane::NoteEdited() {
    m_document->GetScene().NoteChange();
    // The row shows the geometry: say the new one.
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].selection == m_selection)
            m_list->RefreshRow(i);
    Announce();
}

void CPropertiesPane::Announce() {
    CSceneChange change(CSceneChange::editedScene);
    m_announcing = true;
    m_document->UpdateAllViews(nullptr, &change);
    m_announcing = false;
}

void CPropertiesPane::OnListSelected() {
    int row = m_list->GetSelection();
    CSceneSelection selection =
        row == wxNOT_FOUND ? CSceneSelection{} : m_rows[static_cast<std::size_t>(row)].selection;
    if (selection == m_selection)
        return;
    // A refused value stays in its editor until it is put right or given up (Escape).
    if (EditIsRefused()) {
        wxBell();
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            if (m_rows[i].selection == m_selection)
                m_list->SetSelection(static_cast<int>(i));
        return;
    }
    SelectAndTell(selection);
}

void CPropertiesPane::OnAddSphere() {
    if (!m_document || EditIsRefused())
        return;
    CLumoDoc& scene = m_document->GetScene();
    // 60 units ahead of the eye, in front of the default scene's spheres.
    CVector eye = scene.GetEye();
    CVector ahead = ViewingDirection(scene);
    auto sphere = std::make_unique<CSphere>(std::round(eye.x + 60 * ahead.x),
                                            std::round(eye.y + 60 * ahead.y),
                                            std::round(eye.z + 60 * ahead.z), 10.0, 0);
    sphere->SetColour(CColour(100, 200, 120));
    sphere->SetFinish(0.3, 0.7, 20.0, 0.9, 100.0, 0.0);
    std::size_t index = scene.m_objects.size();
    scene.InsertObject(index, std::move(sphere));
    Announce();
    FillList();
    SelectAndTell({CSceneSelection::object, index});
}

void CPropertiesPane::OnAddPlane() {
    if (!m_document || EditIsRefused())
        return;
    CLumoDoc& scene = m_document->GetScene();
    // A wall across the viewing direction's main axis, facing away from the eye so that the
    // rays looking ahead meet it. The plane is met relative to each ray's origin: for the eye
    // it stands where n·P = n·eye - d, so d = n·eye - 260 puts it 260 ahead, behind the
    // default scene's spheres.
    CVector ahead = ViewingDirection(scene);
    CVector eye = scene.GetEye();
    double components[] = {ahead.x, ahead.y, ahead.z};
    double eyeAt[] = {eye.x, eye.y, eye.z};
    int axis = 0;
    for (int i = 1; i < 3; ++i)
        if (std::fabs(components[i]) > std::fabs(components[axis]))
            axis = i;
    int sign = components[axis] < 0 ? -1 : 1;
    int normal[3] = {0, 0, 0};
    normal[axis] = sign;
    auto plane = std::make_unique<CPlane>();
    plane->SetCoefficients(normal[0], normal[1], normal[2], ClampToInt(sign * eyeAt[axis] - 260.0));
    plane->SetColour(CColour(200, 200, 230));
    plane->SetFinish(0.3, 0.7, 20.0, 0.9, 100.0, 0.0);
    std::size_t index = scene.m_objects.size();
    scene.InsertObject(index, std::move(plane));
    Announce();
    FillList();
    SelectAndTell({CSceneSelection::object, index});
}

void CPropertiesPane::OnAddLight() {
    if (!m_document || EditIsRefused())
        return;
    CLumoDoc& scene = m_document->GetScene();
    // Opposite the default light for the default camera, grey so that the two do not wash
    // the picture out.
    CVector eye = scene.GetEye();
    auto light = std::make_unique<CLight>(CVector(eye.x - 65.0, eye.y - 45.0, eye.z + 10.0));
    light->SetColour(CColour(0.5f, 0.5f, 0.5f));
    // The shading skips the table's last entry: the new light goes in front of it, so that it
    // lights the scene. An empty table gets the light and a copy behind it, as the default
    // light stands in two entries.
    std::size_t index = scene.m_lights.empty() ? 0 : scene.m_lights.size() - 1;
    scene.InsertLight(index, std::move(light));
    if (scene.m_lights.size() == 1)
        scene.DuplicateLight(0);
    Announce();
    FillList();
    SelectAndTell({CSceneSelection::light, index});
}

void CPropertiesPane::OnDuplicate() {
    if (!m_document || EditIsRefused())
        return;
    CLumoDoc& scene = m_document->GetScene();
    std::size_t index = m_selection.index;
    if (m_selection.kind == CSceneSelection::light) {
        if (!scene.DuplicateLight(index))
            return;
    } else if (CSceneObject* object = SelectedObject()) {
        std::unique_ptr<CSceneObject> copy = object->Clone();
        if (!copy) {
            m_message->SetLabelText("This object cannot be copied.");
            return;
        }
        scene.InsertObject(index + 1, std::move(copy));
    } else {
        return;
    }
    Announce();
    FillList();
    SelectAndTell({m_selection.kind, index + 1});
}

void CPropertiesPane::OnDelete() {
    if (!m_document || m_selection.kind == CSceneSelection::none)
        return;
    CLumoDoc& scene = m_document->GetScene();
    std::size_t index = m_selection.index;
    std::size_t remaining = 0;
    if (m_selection.kind == CSceneSelection::light) {
        if (!scene.RemoveLight(index))
            return;
        remaining = scene.m_lights.size();
    } else {
        if (!scene.RemoveObject(index))
            return;
        remaining = scene.m_objects.size();
    }
    Announce();
    FillList();
    // The next item of the same kind takes the place, else the one before it.
    CSceneSelection next;
    if (remaining > 0)
        next = {m_selection.kind, std::min(index, remaining - 1)};
    SelectAndTell(next);
}
