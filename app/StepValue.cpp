#include "app/StepValue.h"

#include <wx/spinbutt.h>
#include <wx/textctrl.h>

#include <charconv>

wxString FormatStepValue(double value) {
    char text[400];
    auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    if (error != std::errc())
        return wxString();
    wxString formatted = wxString::FromAscii(text, static_cast<std::size_t>(end - text));
    while (formatted.length() < 4)
        formatted.Prepend(' ');
    return formatted;
}

bool StepValue(int step, double& value, wxTextCtrl* edit) {
    if (step == -1)
        value += 0.01;
    else if (step == 1)
        value -= 0.01;
    else
        return false;
    if (edit)
        edit->ChangeValue(FormatStepValue(value));
    return true;
}

void CentreSpinButtons(wxWindow& dialog, const int* ids, int count) {
    for (int i = 0; i < count; ++i) {
        auto* spin = wxDynamicCast(dialog.FindWindow(ids[i]), wxSpinButton);
        if (!spin)
            continue;
        spin->SetValue((spin->GetMin() + spin->GetMax()) / 2);
    }
}
