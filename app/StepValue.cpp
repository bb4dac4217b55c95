#include "app/StepValue.h"

#include <wx/spinbutt.h>
#include <wx/textctrl.h>

#include <algorithm>
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

void StepSpin(wxWindow& dialog, wxSpinEvent& event, std::initializer_list<CSpinStep> spins) {
    for (const CSpinStep& spin : spins) {
        if (spin.spin != event.GetId())
            continue;
        // The up arrow is the step -1 of a spin whose range runs downwards.
        int step = event.GetEventType() == wxEVT_SPIN_UP ? -1 : 1;
        StepValue(step, *spin.value, dynamic_cast<wxTextCtrl*>(dialog.FindWindow(spin.edit)));
        event.Veto(); // the spin's own position stays in the middle (see CentreSpinButtons)
        return;
    }
    event.Skip();
}

int GrowToHold(wxWindow& group, int right, int margin) {
    wxRect rect = group.GetRect();
    rect.width = std::max(rect.width, right + margin - rect.x);
    group.SetSize(rect);
    return rect.GetRight();
}

void CentreSpinButtons(wxWindow& dialog, const int* ids, int count) {
    for (int i = 0; i < count; ++i) {
        auto* spin = dynamic_cast<wxSpinButton*>(dialog.FindWindow(ids[i]));
        if (!spin)
            continue;
        spin->SetValue((spin->GetMin() + spin->GetMax()) / 2);
    }
}

int FitSpinButton(wxWindow& spin, wxWindow* label) {
    wxSize best = spin.GetBestSize();
    wxRect rect = spin.GetRect();
    rect.width = std::max(rect.width, best.x);
    rect.height = std::max(rect.height, best.y);
    spin.SetSize(rect);
    int right = rect.GetRight();
    if (label) {
        const int gap = spin.ConvertDialogToPixels(wxSize(3, 0)).x;
        wxPoint position = label->GetPosition();
        position.x = std::max(position.x, right + gap);
        label->Move(position);
        right = label->GetRect().GetRight();
    }
    return right;
}
