#include "app/WizPage1.h"

#include "app/AccessibleNames.h"

#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <climits>

namespace {
constexpr std::size_t kMaxCountText = 255;
}

CWizPage1::CWizPage1(wxWizard* wizard) : wxWizardPageSimple(wizard) {
    auto at = [this](int x, int y) { return wxDLG_UNIT(this, wxPoint(x, y)); };
    auto size = [this](int width, int height) { return wxDLG_UNIT(this, wxSize(width, height)); };
    auto text = [&](const char* label, int x, int y, int width, int height) {
        auto* control = new wxStaticText(this, wxID_ANY, label, at(x, y), size(width, height));
        control->Wrap(size(width, height).GetWidth());
        return control;
    };
    text("This wizard will help construct a simple scene.  When the scene is constructed you "
         "will be asked if you would like to see the source script or if you would  like to "
         "save the script to a file. ",
         7, 21, 196, 37);
    text("Please enter the number of objects you would like in your scene.", 7, 80, 196, 20);
    wxStaticText* countLabel = text("Number of objects", 61, 114, 58, 8);
    auto* count = new wxTextCtrl(this, ID_OBJECT_COUNT, "", at(137, 109), size(40, 14));
    NameForAccessibility(*count, countLabel->GetLabel(), {}, countLabel);
    Bind(wxEVT_TEXT, &CWizPage1::OnCountChanged, this, ID_OBJECT_COUNT);
}

int CWizPage1::LeadingInteger(const wxString& text) {
    std::size_t i = 0;
    while (i < text.length() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.length() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.length() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i].GetValue() - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // saturated: out of range either way
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    return static_cast<int>(value);
}

bool CWizPage1::TransferDataToWindow() {
    if (auto* edit = dynamic_cast<wxTextCtrl*>(FindWindow(ID_OBJECT_COUNT)))
        edit->SetValue("1"); // a change like any other: the count follows it
    return true;
}

bool CWizPage1::TransferDataFromWindow() {
    auto* edit = dynamic_cast<wxTextCtrl*>(FindWindow(ID_OBJECT_COUNT));
    if (!edit)
        return false;
    m_objectCount = LeadingInteger(edit->GetValue().Left(kMaxCountText));
    return m_objectCount >= kMinObjects && m_objectCount <= kMaxObjects;
}

void CWizPage1::OnCountChanged(wxCommandEvent& event) {
    m_objectCount = LeadingInteger(event.GetString());
}
