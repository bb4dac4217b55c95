#include "app/ViewCanvas.h"

#include "app/CommandIds.h"
#include "app/LiveView.h"
#include "app/LumoView.h"

#include <wx/dcclient.h>
#include <wx/settings.h>

wxBEGIN_EVENT_TABLE(CViewCanvas, wxWindow)
    EVT_PAINT(CViewCanvas::OnPaint)
    EVT_MOUSE_EVENTS(CViewCanvas::OnMouse)
    EVT_KEY_DOWN(CViewCanvas::OnKeyDown)
    EVT_IDLE(CViewCanvas::OnIdle)
    EVT_THREAD(ID_LIVE_FRAME, CViewCanvas::OnLiveFrame)
    EVT_MOUSE_CAPTURE_LOST(CViewCanvas::OnCaptureLost)
wxEND_EVENT_TABLE()

// Arrow keys reach the canvas rather than moving the focus: they move the camera.
CViewCanvas::CViewCanvas(wxWindow* parent)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
               wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS) {
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
}

void CViewCanvas::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this); // validates the update region whatever follows
    if (m_view)
        m_view->Paint(dc, GetUpdateRegion());
}

void CViewCanvas::OnMouse(wxMouseEvent& event) {
    CLiveView* live = m_view ? m_view->GetLiveView() : nullptr;
    if (!live || !live->OnMouse(event))
        event.Skip();
}

void CViewCanvas::OnKeyDown(wxKeyEvent& event) {
    CLiveView* live = m_view ? m_view->GetLiveView() : nullptr;
    if (!live || !live->OnKey(event))
        event.Skip();
}

void CViewCanvas::OnIdle(wxIdleEvent& event) {
    event.Skip();
    // Every change of the scene, whoever made it (dialogs, the wizard, an opened file), and of
    // the size is seen here once the events of the moment have been handled.
    if (CLiveView* live = m_view ? m_view->GetLiveView() : nullptr)
        live->Refresh();
}

void CViewCanvas::OnLiveFrame(wxThreadEvent&) {
    if (CLiveView* live = m_view ? m_view->GetLiveView() : nullptr)
        live->OnFrame();
}

void CViewCanvas::OnCaptureLost(wxMouseCaptureLostEvent&) {
    // The drag ends where it was; a release will not come.
    if (CLiveView* live = m_view ? m_view->GetLiveView() : nullptr)
        live->EndDrag();
}
