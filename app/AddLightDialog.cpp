#include "app/AddLightDialog.h"

#include "app/AccessibleNames.h"
#include "app/DataExchange.h"
#include "app/StepValue.h"

#include <wx/button.h>
#include <wx/spinbutt.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include <algorithm>

CAddLightDialog::CAddLightDialog(wxWindow* owner) {
    Create(owner, wxID_ANY, "Add light dialog");
    auto at = [this](int x, int y) { return wxDLG_UNIT(this, wxPoint(x, y)); };
    auto size = [this](int width, int height) { return wxDLG_UNIT(this, wxSize(width, height)); };
    auto edit = [&](int id, int x, int y) { new wxTextCtrl(this, id, "", at(x, y), size(40, 14)); };
    auto spin = [&](int id, int x, int y, int width) {
        return FitSpinButton(*new wxSpinButton(this, id, at(x, y), size(width, 14), wxSP_VERTICAL),
                             nullptr);
    };

    // In tab order: each spin follows the edit it steps. No labels: within each group the
    // edits are, top to bottom, X, Y, Z and red, green, blue.
    auto* positionGroup = new wxStaticBox(this, wxID_ANY, "Position", at(19, 30), size(80, 86));
    edit(ID_X, 27, 38);
    int positionRight = spin(ID_X_SPIN, 77, 37, 10);
    edit(ID_Y, 25, 58);
    positionRight = std::max(positionRight, spin(ID_Y_SPIN, 77, 58, 11));
    edit(ID_Z, 23, 86);
    positionRight = std::max(positionRight, spin(ID_Z_SPIN, 75, 85, 10));
    auto* colourGroup = new wxStaticBox(this, wxID_ANY, "Colour", at(123, 29), size(106, 87));
    edit(ID_RED, 137, 37);
    int colourRight = spin(ID_RED_SPIN, 187, 36, 10);
    edit(ID_GREEN, 139, 62);
    colourRight = std::max(colourRight, spin(ID_GREEN_SPIN, 187, 62, 11));
    edit(ID_BLUE, 135, 89);
    colourRight = std::max(colourRight, spin(ID_BLUE_SPIN, 191, 90, 10));
    auto* ok = new wxButton(this, wxID_OK, "OK", at(153, 121), size(50, 14));
    new wxButton(this, wxID_CANCEL, "Cancel", at(205, 121), size(50, 14));
    ok->SetDefault();

    // GTK's wider spins: each group and the dialog grow just enough to hold them.
    const int margin = size(4, 0).x;
    GrowToHold(*positionGroup, positionRight, margin);
    colourRight = GrowToHold(*colourGroup, colourRight, margin);
    wxSize client = size(262, 142);
    client.x = std::max(client.x, colourRight + size(7, 0).x);
    SetClientSize(client);

    // Without labels on the screen, each edit and its spin are read out by what their place
    // tells a sighted user: the row within the group, and the group's caption.
    const struct {
        int edit;
        int spin;
        const char* name;
        wxStaticBox* group;
    } rows[] = {{ID_X, ID_X_SPIN, "X", positionGroup},
                {ID_Y, ID_Y_SPIN, "Y", positionGroup},
                {ID_Z, ID_Z_SPIN, "Z", positionGroup},
                {ID_RED, ID_RED_SPIN, "Red", colourGroup},
                {ID_GREEN, ID_GREEN_SPIN, "Green", colourGroup},
                {ID_BLUE, ID_BLUE_SPIN, "Blue", colourGroup}};
    for (const auto& row : rows)
        NameForAccessibility(*FindWindow(row.edit), *FindWindow(row.spin), row.name,
                             row.group->GetLabel());

    const int spins[] = {ID_X_SPIN, ID_Y_SPIN, ID_Z_SPIN, ID_RED_SPIN, ID_GREEN_SPIN, ID_BLUE_SPIN};
    CentreSpinButtons(*this, spins, 6);
    Bind(wxEVT_SPIN_UP, &CAddLightDialog::OnSpin, this);
    Bind(wxEVT_SPIN_DOWN, &CAddLightDialog::OnSpin, this);
    CentreOnParent();
}

void CAddLightDialog::DoDataExchange(CDataExchange& dx) {
    dx.Double(ID_BLUE, m_blue);
    dx.Double(ID_GREEN, m_green);
    dx.Double(ID_RED, m_red);
    dx.Double(ID_Y, m_y);
    dx.Double(ID_Z, m_z);
    dx.Double(ID_X, m_x);
}

bool CAddLightDialog::TransferDataToWindow() {
    return CDataExchange::Run(*this, false, [this](CDataExchange& dx) { DoDataExchange(dx); });
}

bool CAddLightDialog::TransferDataFromWindow() {
    return CDataExchange::Run(*this, true, [this](CDataExchange& dx) { DoDataExchange(dx); });
}

void CAddLightDialog::OnSpin(wxSpinEvent& event) {
    StepSpin(*this, event,
             {{ID_X_SPIN, ID_X, &m_x},
              {ID_Y_SPIN, ID_Y, &m_y},
              {ID_Z_SPIN, ID_Z, &m_z},
              {ID_RED_SPIN, ID_RED, &m_red},
              {ID_GREEN_SPIN, ID_GREEN, &m_green},
              {ID_BLUE_SPIN, ID_BLUE, &m_blue}});
}
