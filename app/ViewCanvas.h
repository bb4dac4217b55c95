#pragma once

#include <wx/window.h>

class CLumoView;

// The window the view shows its picture in: the frame's client area. It only forwards
// painting to the view, which owns what is shown.
class CViewCanvas : public wxWindow {
public:
    explicit CViewCanvas(wxWindow* parent);
    void SetView(CLumoView* view) { m_view = view; }

private:
    void OnPaint(wxPaintEvent& event);

    CLumoView* m_view = nullptr;

    wxDECLARE_EVENT_TABLE();
};
