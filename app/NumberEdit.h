#pragma once

#include <wx/textctrl.h>

// An edit for a signed decimal number typed from the keyboard: digits, one minus sign at the
// start and one decimal point. Text set by the program or pasted is not filtered; the dialog's
// exchange reads it and refuses what is not a number.
class CNumberEdit : public wxTextCtrl {
public:
    CNumberEdit(wxWindow* parent, int id, const wxPoint& position, const wxSize& size);

    // Whether typing the character over the selection [from, to) of the text keeps it within
    // those rules.
    static bool AcceptsCharacter(const wxString& text, long from, long to, wxUniChar c);

private:
    void OnChar(wxKeyEvent& event);
};
