#pragma once

#include <wx/dialog.h>

class CDataExchange;
class wxSpinButton;
class wxSpinEvent;

// "Camera Dialog": the camera position (group "Look at") and the viewing direction (group
// "Poistion"), each value in an edit with a spin beside it. The caller fills the doubles
// before showing the dialog and reads them after OK.
class CCameraDialog : public wxDialog {
public:
    enum : int {
        ID_EYE_X = 1002,
        ID_EYE_Y = 1046,
        ID_EYE_Z = 1047,
        ID_LOOK_X = 1048,
        ID_LOOK_Y = 1041,
        ID_LOOK_Z = 1042,
        ID_EYE_X_SPIN = 1043,
        ID_EYE_Y_SPIN = 1044,
        ID_EYE_Z_SPIN = 1045,
        ID_LOOK_X_SPIN = 1038,
        ID_LOOK_Y_SPIN = 1039,
        ID_LOOK_Z_SPIN = 1040,
    };

    explicit CCameraDialog(wxWindow* owner);

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    wxSpinButton* m_lookZSpin = nullptr;
    wxSpinButton* m_lookYSpin = nullptr;
    wxSpinButton* m_lookXSpin = nullptr;
    wxSpinButton* m_eyeZSpin = nullptr;
    wxSpinButton* m_eyeYSpin = nullptr;
    wxSpinButton* m_eyeXSpin = nullptr;

    double m_eyeX = 0.0;
    double m_eyeY = 0.0;
    double m_eyeZ = 0.0;
    double m_lookY = 0.0;
    double m_lookZ = 0.0;
    double m_lookX = 0.0;

private:
    void DoDataExchange(CDataExchange& dx);
    void OnSpin(wxSpinEvent& event);
};
