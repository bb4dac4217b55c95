#pragma once

#include <wx/window.h>

class CLumoView;
class wxThreadEvent;

// The window the view shows its picture in: the frame's client area. It forwards painting to
// the view, which owns what is shown, and, while the live preview is on, its mouse, keys, size
// and the preview's frames to the view's live preview.
class CViewCanvas : public wxWindow {
public:
    explicit CViewCanvas(wxWindow* parent);
    void SetView(CLumoView* view) { m_view = view; }

private:
    void OnPaint(wxPaintEvent& event);
    void OnMouse(wxMouseEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnIdle(wxIdleEvent& event);
    void OnLiveFrame(wxThreadEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);

    CLumoView* m_view = nullptr;

    wxDECLARE_EVENT_TABLE();
};
