#pragma once

#include <wx/panel.h>

class CDataExchange;

// One page of the options sheet. Its fields go to its controls the first time the page becomes
// active, and come back, validated, each time the user leaves it and when OK is pressed on it.
// A page never shown keeps the values it was given.
class COptionsPage : public wxPanel {
public:
    COptionsPage(wxWindow* parent, const wxString& caption);

    const wxString& GetCaption() const { return m_caption; }
    bool WasShown() const { return m_shown; }

    // The page becomes active: the first time, the fields are shown in the controls.
    void OnSetActive();
    // The page is left (or OK is pressed on it): false, with the message shown, when a value
    // is refused; the page must then stay active.
    bool OnKillActive();

protected:
    // Positions and sizes in the page's dialog units.
    wxPoint At(int x, int y) { return wxDLG_UNIT(this, wxPoint(x, y)); }
    wxSize Size(int width, int height) { return wxDLG_UNIT(this, wxSize(width, height)); }

    // The page's fields and controls, in the page's order of exchange.
    virtual void DoDataExchange(CDataExchange&) {}

private:
    wxString m_caption;
    bool m_shown = false;
};
