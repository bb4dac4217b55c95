#include "app/RendererOptions.h"

#include "app/DataExchange.h"

#include <wx/stattext.h>
#include <wx/textctrl.h>

CRendererOptions::CRendererOptions(wxWindow* parent) : COptionsPage(parent, "Renderer") {
    new wxStaticText(this, wxID_ANY, "Max recursion depth", At(10, 60), Size(86, 8));
    new wxTextCtrl(this, ID_MAX_RECURSION, "", At(112, 54), Size(56, 14));
}

void CRendererOptions::DoDataExchange(CDataExchange& dx) {
    dx.Unsigned(ID_MAX_RECURSION, m_maxRecursion);
}
