#include "app/CameraDialog.h"

#include "app/AccessibleNames.h"
#include "app/DataExchange.h"
#include "app/NumberEdit.h"
#include "app/StepValue.h"

#include <wx/button.h>
#include <wx/spinbutt.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <algorithm>

CCameraDialog::CCameraDialog(wxWindow* owner) {
    Create(owner, wxID_ANY, "Camera Dialog");
    auto at = [this](int x, int y) { return wxDLG_UNIT(this, wxPoint(x, y)); };
    auto size = [this](int width, int height) { return wxDLG_UNIT(this, wxSize(width, height)); };
    auto edit = [&](int id, int x, int y) { new CNumberEdit(this, id, at(x, y), size(40, 14)); };
    auto spin = [&](int id, int x, int y, long wrap = 0) {
        return new wxSpinButton(this, id, at(x, y), size(11, 14), wxSP_VERTICAL | wrap);
    };

    // In tab order: each spin follows the edit it steps.
    auto* eyeGroup = new wxStaticBox(this, wxID_ANY, "Look at", at(26, 15), size(79, 75));
    edit(ID_EYE_X, 25, 23);
    m_eyeXSpin = spin(ID_EYE_X_SPIN, 69, 24, wxSP_WRAP);
    edit(ID_EYE_Y, 25, 40);
    m_eyeYSpin = spin(ID_EYE_Y_SPIN, 67, 42);
    edit(ID_EYE_Z, 25, 66);
    m_eyeZSpin = spin(ID_EYE_Z_SPIN, 69, 67);
    auto* lookGroup = new wxStaticBox(this, wxID_ANY, "Poistion", at(153, 13), size(83, 74));
    edit(ID_LOOK_X, 153, 21);
    m_lookXSpin = spin(ID_LOOK_X_SPIN, 198, 23);
    edit(ID_LOOK_Y, 153, 42);
    m_lookYSpin = spin(ID_LOOK_Y_SPIN, 196, 43);
    edit(ID_LOOK_Z, 153, 67);
    m_lookZSpin = spin(ID_LOOK_Z_SPIN, 197, 68);
    auto label = [&](const char* text, int x, int y) {
        return new wxStaticText(this, wxID_ANY, text, at(x, y));
    };
    auto* ok = new wxButton(this, wxID_OK, "OK", at(175, 101), size(50, 14));
    new wxButton(this, wxID_CANCEL, "Cancel", at(226, 101), size(50, 14));
    ok->SetDefault();

    // GTK's wider spins push their labels right; each group and the dialog grow to hold them.
    const int margin = size(4, 0).x;
    wxStaticText* eyeLabels[] = {label("X", 87, 27), label("Y", 86, 43), label("Z", 88, 69)};
    wxStaticText* lookLabels[] = {label("X", 217, 25), label("Y", 217, 45), label("Z", 215, 71)};
    int eyeRight = std::max({FitSpinButton(*m_eyeXSpin, eyeLabels[0]),
                             FitSpinButton(*m_eyeYSpin, eyeLabels[1]),
                             FitSpinButton(*m_eyeZSpin, eyeLabels[2])});
    GrowToHold(*eyeGroup, eyeRight, margin);
    int lookRight = std::max({FitSpinButton(*m_lookXSpin, lookLabels[0]),
                              FitSpinButton(*m_lookYSpin, lookLabels[1]),
                              FitSpinButton(*m_lookZSpin, lookLabels[2])});
    lookRight = GrowToHold(*lookGroup, lookRight, margin);
    wxSize client = size(283, 122);
    client.x = std::max(client.x, lookRight + size(7, 0).x);
    SetClientSize(client);

    // Each row's edit and spin are read out by the row's label and their group's caption.
    const struct {
        int edit;
        wxSpinButton* spin;
        wxStaticText* label;
        wxStaticBox* group;
    } rows[] = {{ID_EYE_X, m_eyeXSpin, eyeLabels[0], eyeGroup},
                {ID_EYE_Y, m_eyeYSpin, eyeLabels[1], eyeGroup},
                {ID_EYE_Z, m_eyeZSpin, eyeLabels[2], eyeGroup},
                {ID_LOOK_X, m_lookXSpin, lookLabels[0], lookGroup},
                {ID_LOOK_Y, m_lookYSpin, lookLabels[1], lookGroup},
                {ID_LOOK_Z, m_lookZSpin, lookLabels[2], lookGroup}};
    for (const auto& row : rows)
        NameForAccessibility(*FindWindow(row.edit), *row.spin, row.label->GetLabel(),
                             row.group->GetLabel(), row.label);

    const int spins[] = {ID_LOOK_Z_SPIN, ID_LOOK_Y_SPIN, ID_LOOK_X_SPIN,
                         ID_EYE_Z_SPIN,  ID_EYE_Y_SPIN,  ID_EYE_X_SPIN};
    CentreSpinButtons(*this, spins, 6);
    Bind(wxEVT_SPIN_UP, &CCameraDialog::OnSpin, this);
    Bind(wxEVT_SPIN_DOWN, &CCameraDialog::OnSpin, this);
    CentreOnParent();
}

void CCameraDialog::DoDataExchange(CDataExchange& dx) {
    dx.Double(ID_EYE_X, m_eyeX);
    dx.Double(ID_EYE_Y, m_eyeY);
    dx.Double(ID_EYE_Z, m_eyeZ);
    dx.Double(ID_LOOK_Y, m_lookY);
    dx.Double(ID_LOOK_Z, m_lookZ);
    dx.Double(ID_LOOK_X, m_lookX);
}

bool CCameraDialog::TransferDataToWindow() {
    return CDataExchange::Run(*this, false, [this](CDataExchange& dx) { DoDataExchange(dx); });
}

bool CCameraDialog::TransferDataFromWindow() {
    return CDataExchange::Run(*this, true, [this](CDataExchange& dx) { DoDataExchange(dx); });
}

void CCameraDialog::OnSpin(wxSpinEvent& event) {
    StepSpin(*this, event,
             {{ID_EYE_X_SPIN, ID_EYE_X, &m_eyeX},
              {ID_EYE_Y_SPIN, ID_EYE_Y, &m_eyeY},
              {ID_EYE_Z_SPIN, ID_EYE_Z, &m_eyeZ},
              {ID_LOOK_X_SPIN, ID_LOOK_X, &m_lookX},
              {ID_LOOK_Y_SPIN, ID_LOOK_Y, &m_lookY},
              {ID_LOOK_Z_SPIN, ID_LOOK_Z, &m_lookZ}});
}
