#pragma once

#include <wx/dialog.h>

class CDataExchange;
class wxSpinEvent;

// "Add light dialog": the position (X, Y, Z) and the colour levels (red, green, blue) of a new
// point light, each in an edit with a spin beside it. All six start at 0.
class CAddLightDialog : public wxDialog {
public:
    enum : int {
        ID_X = 1060,
        ID_Y = 1050,
        ID_Z = 1052,
        ID_RED = 1054,
        ID_GREEN = 1056,
        ID_BLUE = 1058,
        ID_X_SPIN = 1049,
        ID_Y_SPIN = 1051,
        ID_Z_SPIN = 1053,
        ID_RED_SPIN = 1055,
        ID_GREEN_SPIN = 1057,
        ID_BLUE_SPIN = 1059,
    };

    explicit CAddLightDialog(wxWindow* owner);

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    double m_blue = 0.0;
    double m_green = 0.0;
    double m_red = 0.0;
    double m_y = 0.0;
    double m_z = 0.0;
    double m_x = 0.0;

private:
    void DoDataExchange(CDataExchange& dx);
    void OnSpin(wxSpinEvent& event);
};
