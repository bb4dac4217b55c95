#include "app/OptionsSheet.h"

#include <wx/bookctrl.h>
#include <wx/panel.h>

COptionsSheet::COptionsSheet(wxWindow* parent) {
    Create(parent, wxID_ANY, "Options");
    CreateButtons(wxOK | wxCANCEL);
    for (const char* caption :
         {"General", "Renderer", "Renderer 2", "Methods", "Experimential", "Advanced"})
        GetBookCtrl()->AddPage(new wxPanel(GetBookCtrl()), caption);
    LayoutDialog();
}
