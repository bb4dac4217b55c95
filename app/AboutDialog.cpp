#include "app/AboutDialog.h"

#include "app/AppIcon.h"
#include "app/WxPlatform.h"
#include "platform/Platform.h"

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <filesystem>

wxBEGIN_EVENT_TABLE(CAboutDialog, wxDialog)
    EVT_PAINT(CAboutDialog::OnPaint)
    EVT_MOTION(CAboutDialog::OnMouseMove)
    EVT_LEFT_DOWN(CAboutDialog::OnLeftDown)
wxEND_EVENT_TABLE()

namespace {
// The box keeps the pixel layout its dialog units give on the desktop it was drawn for
// (1.5 by 1.625 pixels a unit), because the link is drawn at fixed pixels beside its
// controls; a control grows only where the desktop's font needs more room.
wxPoint Pixels(int x, int y) {
    return wxPoint(x * 3 / 2, y * 13 / 8);
}
wxSize Pixels(wxWindow* control, int width, int height) {
    wxSize size(width * 3 / 2, height * 13 / 8);
    size.IncTo(control->GetBestSize());
    return size;
}
void Place(wxWindow* control, int x, int y, int width, int height) {
    control->SetSize(wxRect(Pixels(x, y), Pixels(control, width, height)));
}
} // namespace

CAboutDialog::CAboutDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "About lumo", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE) {
    auto* icon = new wxStaticBitmap(this, wxID_ANY, wxBitmap(MakeAppIconImage(32)));
    icon->Move(Pixels(11, 17));
    Place(new wxStaticText(this, wxID_ANY, "Lumo Version 1.0"), 40, 10, 119, 8);
    Place(new wxStaticText(this, wxID_ANY, "A desktop ray tracer"), 40, 25, 111, 8);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    Place(ok, 158, 19, 52, 14);
    ok->SetDefault();
    // The address as a control too, hidden: it plays no part in the link.
    auto* address = new wxStaticText(this, 1024, HomePage());
    Place(address, 39, 34, 117, 11);
    address->Hide();

    wxSize client = wxSize(217 * 3 / 2, 55 * 13 / 8);
    client.IncTo(wxSize(ok->GetRect().GetRight() + 8, kLinkBottom + 12));
    SetClientSize(client);
    CentreOnParent();
}

wxString CAboutDialog::HomePage() {
    if (*LUMO_HOME_PAGE)
        return wxString::FromUTF8(LUMO_HOME_PAGE);
    std::error_code ignored;
    const char* readme = std::filesystem::exists(LUMO_INSTALLED_README, ignored) ||
                                 !std::filesystem::exists(LUMO_SOURCE_README, ignored)
                             ? LUMO_INSTALLED_README
                             : LUMO_SOURCE_README;
    return "file://" + wxString::FromUTF8(readme);
}

bool CAboutDialog::InLink(const wxPoint& point) {
    return point.x >= kLinkLeft && point.x < kLinkRight && point.y >= kLinkTop &&
           point.y < kLinkBottom;
}

wxColour CAboutDialog::GetLinkColour() const {
    return m_hover ? wxColour(255, 255, 127) : wxColour(0, 0, 255);
}

void CAboutDialog::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.SetFont(*wxSWISS_FONT);
    dc.SetTextForeground(GetLinkColour());
    dc.DrawText(HomePage(), kLinkLeft, kLinkTop);
}

void CAboutDialog::OnMouseMove(wxMouseEvent& event) {
    bool hover = InLink(event.GetPosition());
    if (hover != m_hover) {
        m_hover = hover;
        Refresh(false);
    }
    event.Skip();
}

void CAboutDialog::OnLeftDown(wxMouseEvent& event) {
    if (InLink(event.GetPosition())) {
        if (auto* platform = dynamic_cast<CWxPlatform*>(&CPlatform::Current()))
            platform->OpenAddress(HomePage().utf8_string());
    }
    event.Skip();
}
