#pragma once

#include <wx/string.h>

class wxWindow;

// What a screen reader says of a control. GTK lays a group box beside its controls, not around
// them, and a static text is a label unrelated to the control next to it, so without this an
// edit or a spin is read out as an anonymous "text" or "spin button".
//
// The control's accessible name becomes name (a mnemonic '&' is dropped) and, when it stands in
// a group box, its description becomes the group's caption. A label, when given, is the static
// text a sighted user reads beside the control: it is tied to the control as its label, which
// screen readers also follow (and which moves the focus there on the label's mnemonic).
void NameForAccessibility(wxWindow& control, const wxString& name, const wxString& group = {},
                          wxWindow* label = nullptr);

// An edit and the spin that steps it: both are known by the edit's label and group.
void NameForAccessibility(wxWindow& edit, wxWindow& spin, const wxString& name,
                          const wxString& group = {}, wxWindow* label = nullptr);
