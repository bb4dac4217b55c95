#include "app/Options5.h"

#include "platform/Platform.h"

#include <wx/button.h>
#include <wx/colordlg.h>

COptions5::COptions5(wxWindow* parent) : COptionsPage(parent, "Defaults") {
    m_colour = new wxButton(this, ID_BACKGROUND_COLOUR, "Background colour", At(7, 7));
    m_texture = new wxButton(this, ID_BACKGROUND_TEXTURE, "Background Texutre", At(7, 27));
    m_colour->Bind(wxEVT_BUTTON, &COptions5::OnColour, this);
    m_texture->Bind(wxEVT_BUTTON, &COptions5::OnTexture, this);
}

void COptions5::OnColour(wxCommandEvent&) {
    wxColourDialog dialog(this);
    dialog.ShowModal(); // the choice is not kept
}

void COptions5::OnTexture(wxCommandEvent&) {
    CFileChoice choice;
    choice.mode = CFileChoice::forOpening;
    choice.filter = "Bitmap Files (*.bmp)|*.bmp|GIF Files (*.gif)|*.gif|Data Files "
                    "(*.jpg;*.jpeg)|*.jpg; *.jpeg|All Files (*.*)|*.*||";
    choice.defaultExtension = "bmp";
    std::string path;
    CPlatform::Current().ChooseFile(choice, path); // the choice is not kept
}
