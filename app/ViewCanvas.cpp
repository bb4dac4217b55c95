#include "app/ViewCanvas.h"

#include "app/LumoView.h"

#include <wx/dcclient.h>
#include <wx/settings.h>

wxBEGIN_EVENT_TABLE(CViewCanvas, wxWindow)
    EVT_PAINT(CViewCanvas::OnPaint)
wxEND_EVENT_TABLE()

CViewCanvas::CViewCanvas(wxWindow* parent)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxFULL_REPAINT_ON_RESIZE) {
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
}

void CViewCanvas::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this); // validates the update region whatever follows
    if (m_view)
        m_view->Paint(dc, GetUpdateRegion());
}
