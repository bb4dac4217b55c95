#pragma once

#include <wx/dialog.h>

// "About lumo": the version, a line about the program, OK, and the home-page link that the
// dialog draws itself at client pixel (39, 60): blue, light yellow while the mouse is over it,
// and opened with the desktop's browser on a click.
class CAboutDialog : public wxDialog {
public:
    // The link's live area, in client pixels: left and top inclusive, right and bottom not.
    static constexpr int kLinkLeft = 39;
    static constexpr int kLinkTop = 60;
    static constexpr int kLinkRight = 200;
    static constexpr int kLinkBottom = 70;

    explicit CAboutDialog(wxWindow* parent);

    static wxString HomePage();
    static bool InLink(const wxPoint& point);
    wxColour GetLinkColour() const;

private:
    void OnPaint(wxPaintEvent& event);
    void OnMouseMove(wxMouseEvent& event);
    void OnLeftDown(wxMouseEvent& event);

    bool m_hover = false;

    wxDECLARE_EVENT_TABLE();
};
