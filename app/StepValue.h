#pragma once

#include <wx/string.h>

#include <initializer_list>

class wxSpinEvent;
class wxTextCtrl;
class wxWindow;

// One spin of a dialog: the spin's id, the edit it steps and the value the dialog holds.
struct CSpinStep {
    int spin;
    int edit;
    double* value;
};

// The spin rule of the camera and light dialogs. A step of -1 (the up arrow) adds 0.01 to the
// value the dialog holds, +1 (the down arrow) subtracts 0.01, and the edit then shows the new
// value as "%4.2f". Any other step changes nothing and returns false. The step starts from the
// held value, never from the edit's text.
bool StepValue(int step, double& value, wxTextCtrl* edit);

// A click on one of the dialog's spins: steps the spin's value by StepValue and shows it in its
// edit. The spin's own position stays where CentreSpinButtons put it. A spin event of another
// spin goes on to the dialog's other handlers.
void StepSpin(wxWindow& dialog, wxSpinEvent& event, std::initializer_list<CSpinStep> spins);

// Widens a group box, keeping its left edge, until it holds everything up to right plus the
// margin; returns the group's right edge.
int GrowToHold(wxWindow& group, int right, int margin);

// "%4.2f": two decimals, at least four characters.
wxString FormatStepValue(double value);

// Puts the spin buttons' own position in the middle of their range and keeps it there, so that
// no click is ever lost at a range end: the position is not shown anywhere, the dialogs only
// listen to the direction of each click.
void CentreSpinButtons(wxWindow& dialog, const int* ids, int count);

// GTK draws a spin button as a pair of "-" and "+" buttons side by side, far wider than the
// narrow up-down control the dialogs were laid out for: the spin keeps its place and takes the
// size GTK needs, and the label after it (or null) moves right just as far as it must.
// Returns the right edge of the two, in the parent's pixels.
int FitSpinButton(wxWindow& spin, wxWindow* label);
