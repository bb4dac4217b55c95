#include "app/Options2.h"

#include "app/AccessibleNames.h"
#include "app/DataExchange.h"

#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

COptions2::COptions2(wxWindow* parent) : COptionsPage(parent, "Camera") {
    // The page is never shown; its controls only carry the values through the exchange.
    const struct {
        int id;
        const char* label;
    } edits[] = {{ID_WIDTH, "Width"}, {ID_HEIGHT, "Height"}, {ID_X, "X"}, {ID_Y, "Y"}, {ID_Z, "Z"}};
    int y = 7;
    for (const auto& edit : edits) {
        auto* label = new wxStaticText(this, wxID_ANY, edit.label, At(7, y + 2));
        auto* control = new wxTextCtrl(this, edit.id, "", At(50, y), Size(40, 14));
        NameForAccessibility(*control, label->GetLabel(), {}, label);
        y += 18;
    }
    auto* fishEye = new wxCheckBox(this, ID_FISH_EYE, "Fish eye", At(7, y), Size(80, 10));
    NameForAccessibility(*fishEye, fishEye->GetLabel());
    m_aspect = new wxRadioButton(this, ID_ASPECT, "Maintain 4:3 Aspect ratio", At(100, 7),
                                 wxDefaultSize, wxRB_GROUP);
    m_widthAndHeight =
        new wxRadioButton(this, ID_WIDTH_AND_HEIGHT, "Use Width and Height", At(100, 25));
    m_windowSize = new wxRadioButton(this, ID_WINDOW_SIZE, "Use Window Size", At(100, 43));
}

void COptions2::DoDataExchange(CDataExchange& dx) {
    dx.Float(ID_X, m_x);
    dx.Float(ID_Y, m_y);
    dx.Float(ID_Z, m_z);
    dx.Check(ID_FISH_EYE, m_fishEye);
    dx.Unsigned(ID_HEIGHT, m_height);
    dx.Unsigned(ID_WIDTH, m_width);
}
