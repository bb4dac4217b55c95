#pragma once

#include "app/OptionsPage.h"

class wxButton;

// "Defaults": a background colour and texture to choose, whose choice nothing keeps. Built with
// the sheet but never added to it.
class COptions5 : public COptionsPage {
public:
    enum : int { ID_BACKGROUND_COLOUR = 1009, ID_BACKGROUND_TEXTURE = 1010 };

    explicit COptions5(wxWindow* parent);

    wxButton* m_texture = nullptr;
    wxButton* m_colour = nullptr;

private:
    void OnColour(wxCommandEvent& event);
    void OnTexture(wxCommandEvent& event);
};
