#pragma once

#include "app/OptionsPage.h"

class wxRadioButton;

// "Camera": picture size, camera values and fish eye. Built, filled and saved with the sheet
// but never added to it, so its values pass through unchanged.
class COptions2 : public COptionsPage {
public:
    enum : int {
        ID_HEIGHT = 1003,
        ID_ASPECT = 1004,
        ID_WIDTH_AND_HEIGHT = 1005,
        ID_WINDOW_SIZE = 1006,
        ID_WIDTH = 1012,
        ID_X = 1013,
        ID_Y = 1014,
        ID_Z = 1015,
        ID_FISH_EYE = 1016,
    };

    explicit COptions2(wxWindow* parent);

    wxRadioButton* m_windowSize = nullptr;
    wxRadioButton* m_widthAndHeight = nullptr;
    wxRadioButton* m_aspect = nullptr;
    float m_x = 0.0f;
    float m_y = 0.0f;
    float m_z = 0.0f;
    int m_fishEye = 0;
    unsigned m_height = 0;
    unsigned m_width = 0;

protected:
    void DoDataExchange(CDataExchange& dx) override;
};
