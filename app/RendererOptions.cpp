#include "app/RendererOptions.h"

#include "app/AccessibleNames.h"
#include "app/DataExchange.h"

#include <wx/stattext.h>
#include <wx/textctrl.h>

CRendererOptions::CRendererOptions(wxWindow* parent) : COptionsPage(parent, "Renderer") {
    auto* label = new wxStaticText(this, wxID_ANY, "Max recursion depth", At(10, 60), Size(86, 8));
    auto* depth = new wxTextCtrl(this, ID_MAX_RECURSION, "", At(112, 54), Size(56, 14));
    NameForAccessibility(*depth, label->GetLabel(), {}, label);
}

void CRendererOptions::DoDataExchange(CDataExchange& dx) {
    dx.Unsigned(ID_MAX_RECURSION, m_maxRecursion);
}
