#include "app/NumberEdit.h"

#include <algorithm>

CNumberEdit::CNumberEdit(wxWindow* parent, int id, const wxPoint& position, const wxSize& size)
    : wxTextCtrl(parent, id, wxEmptyString, position, size) {
    Bind(wxEVT_CHAR, &CNumberEdit::OnChar, this);
}

bool CNumberEdit::AcceptsCharacter(const wxString& text, long from, long to, wxUniChar c) {
    if (c >= '0' && c <= '9')
        return true;
    const auto length = static_cast<long>(text.length());
    from = std::clamp(from, 0L, length);
    to = std::clamp(to, from, length);
    wxString before = text.Left(static_cast<std::size_t>(from));
    wxString after = text.Mid(static_cast<std::size_t>(to));
    if (c == '-')
        return from == 0 && !after.Contains("-");
    if (c == '.')
        return !before.Contains(".") && !after.Contains(".");
    return false;
}

void CNumberEdit::OnChar(wxKeyEvent& event) {
    wxChar key = event.GetUnicodeKey();
    // Keys that are no characters (arrows, Delete), control characters (Backspace, Tab) and
    // shortcuts (copy, paste) keep their usual meaning.
    if (key == WXK_NONE || key < 32 || event.HasModifiers()) {
        event.Skip();
        return;
    }
    long from = 0;
    long to = 0;
    GetSelection(&from, &to);
    if (AcceptsCharacter(GetValue(), from, to, key))
        event.Skip();
}
