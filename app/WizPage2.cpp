#include "app/WizPage2.h"

#include "app/AccessibleNames.h"
#include "app/DataExchange.h"

#include <wx/choice.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

CWizPage2::CWizPage2(wxWizard* wizard) : wxWizardPageSimple(wizard) {
    auto at = [this](int x, int y) { return wxDLG_UNIT(this, wxPoint(x, y)); };
    auto size = [this](int width, int height) { return wxDLG_UNIT(this, wxSize(width, height)); };
    auto label = [&](const char* text, int x, int y) {
        return new wxStaticText(this, wxID_ANY, text, at(x, y));
    };
    // Each edit is read out by its label and by the caption of the group it stands in.
    auto edit = [&](int id, int x, int y, int width, wxStaticText* caption, wxStaticBox* group) {
        auto* control = new wxTextCtrl(this, id, "", at(x, y), size(width, 14));
        NameForAccessibility(*control, caption->GetLabel(), group->GetLabel(), caption);
    };

    wxStaticText* typeLabel = label("Object type", 7, 4);
    const wxString entries[] = {"Sphere  ", "Plane", ""};
    m_objectTypeList = new wxChoice(this, ID_OBJECT_TYPE, at(48, 3), wxSize(size(66, 12).x, -1), 3,
                                    entries, wxCB_SORT);
    NameForAccessibility(*m_objectTypeList, typeLabel->GetLabel(), {}, typeLabel);

    auto* properties = new wxStaticBox(this, wxID_ANY, "Properties", at(5, 16), size(110, 134));
    const struct {
        int id;
        const char* text;
        int y;
    } finish[] = {{ID_AMBIENT, "Ambient", 34},      {ID_BRILLIANCE, "Brilliance", 51},
                  {ID_DIFFUSE, "Diffuse", 69},      {ID_REFLECTION, "Reflection", 85},
                  {ID_ROUGHNESS, "Roughness", 106}, {ID_SPECULAR, "Specular", 126}};
    for (const auto& row : finish)
        edit(row.id, 69, row.y, 40, label(row.text, 7, row.y + 3), properties);

    auto* colourGroup = new wxStaticBox(this, wxID_ANY, "Colour", at(122, 4), size(81, 66));
    const struct {
        int id;
        const char* text;
        int y;
    } colour[] = {{ID_RED, "R", 16}, {ID_GREEN, "G", 35}, {ID_BLUE, "B", 53}};
    for (const auto& row : colour) // 19 wide clips three digits in GTK's entries
        edit(row.id, 174, row.y, 24, label(row.text, 160, row.y + 3), colourGroup);

    auto* positionGroup = new wxStaticBox(this, wxID_ANY, "Position", at(122, 73), size(82, 75));
    const struct {
        int id;
        const char* text;
        int y;
    } position[] = {{ID_X, "X", 82}, {ID_Y, "Y", 105}, {ID_Z, "Z", 128}};
    for (const auto& row : position)
        edit(row.id, 152, row.y, 40, label(row.text, 136, row.y + 3), positionGroup);
}

void CWizPage2::ReadObjectType() {
    m_object.m_objectType = m_objectTypeList->GetSelection() == kPlaneEntry
                                ? CWizardObject::kPlane
                                : CWizardObject::kSphere;
}

void CWizPage2::DoDataExchange(CDataExchange& dx) {
    dx.Float(ID_AMBIENT, m_object.m_ambient, 0.0f, 1.0f);
    dx.Float(ID_DIFFUSE, m_object.m_diffuse, 0.0f, 1.0f);
    dx.Float(ID_REFLECTION, m_object.m_reflection);
    dx.Float(ID_ROUGHNESS, m_object.m_roughness);
    dx.Float(ID_SPECULAR, m_object.m_specular);
    dx.Unsigned(ID_RED, m_object.m_red, 0, 255);
    dx.Unsigned(ID_GREEN, m_object.m_green);
    dx.Unsigned(ID_BLUE, m_object.m_blue);
    dx.Float(ID_X, m_object.m_x);
    dx.Float(ID_Y, m_object.m_y);
    dx.Float(ID_Z, m_object.m_z);
    dx.Float(ID_BRILLIANCE, m_object.m_brilliance);
}

bool CWizPage2::TransferDataToWindow() {
    // Only the first time: coming back with Back shows what the user left.
    if (m_shown)
        return true;
    m_shown = true;
    m_objectTypeList->SetSelection(kSphereEntry);
    return CDataExchange::Run(*this, false, [this](CDataExchange& dx) { DoDataExchange(dx); });
}

bool CWizPage2::TransferDataFromWindow() {
    ReadObjectType();
    return CDataExchange::Run(*this, true, [this](CDataExchange& dx) { DoDataExchange(dx); });
}
