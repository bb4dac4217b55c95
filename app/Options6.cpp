#include "app/Options6.h"

#include "app/AccessibleNames.h"
#include "app/DataExchange.h"

#include <wx/checkbox.h>
#include <wx/statbox.h>

COptions6::COptions6(wxWindow* parent) : COptionsPage(parent, "Advanced") {
    auto* group = new wxStaticBox(this, wxID_ANY, "MMX", At(7, 100), Size(196, 47));
    for (auto* box : {new wxCheckBox(this, ID_MMX, "Use MMX", At(20, 116), Size(125, 10)),
                      new wxCheckBox(this, ID_KATMAI, "Use Katmai", At(20, 128), Size(125, 10))}) {
        box->Disable();
        NameForAccessibility(*box, box->GetLabel(), group->GetLabel());
    }
}

void COptions6::DoDataExchange(CDataExchange& dx) {
    dx.Check(ID_KATMAI, m_katmai);
    dx.Check(ID_MMX, m_mmx);
}
