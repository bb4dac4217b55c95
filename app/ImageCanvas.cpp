#include "app/ImageCanvas.h"

#include <wx/dcbuffer.h>

#include <algorithm>
#include <cmath>

const wxColour CImageCanvas::kGround(72, 72, 72);

CImageCanvas::CImageCanvas(wxWindow* parent, wxWindowID id, const wxImage& image)
    : wxScrolledCanvas(parent, id, wxDefaultPosition, wxDefaultSize,
                       wxHSCROLL | wxVSCROLL | wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS),
      m_image(image) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetScrollRate(1, 1);
    // Scrolling by the wheel is the canvas's own (zoom is Ctrl and the wheel).
    EnableScrolling(true, true);
    Bind(wxEVT_PAINT, &CImageCanvas::OnPaint, this);
    Bind(wxEVT_SIZE, &CImageCanvas::OnSize, this);
    Bind(wxEVT_MOUSEWHEEL, &CImageCanvas::OnWheel, this);
    Bind(wxEVT_LEFT_DOWN, &CImageCanvas::OnMouse, this);
    Bind(wxEVT_LEFT_UP, &CImageCanvas::OnMouse, this);
    Bind(wxEVT_MOTION, &CImageCanvas::OnMouse, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { m_dragging = false; });
    Bind(wxEVT_KEY_DOWN, &CImageCanvas::OnKey, this);
}

void CImageCanvas::SetImage(const wxImage& image) {
    m_image = image;
    m_reducedZoom = 0.0;
    if (m_fit)
        Fit();
    else
        SetZoom(m_zoom, wxDefaultPosition);
}

void CImageCanvas::Fit() {
    m_fit = true;
    wxSize client = GetClientSize();
    if (!m_image.IsOk() || client.x <= 0 || client.y <= 0) {
        SetZoom(1.0, wxDefaultPosition, true);
        return;
    }
    double zoom = std::min(static_cast<double>(client.x) / m_image.GetWidth(),
                           static_cast<double>(client.y) / m_image.GetHeight());
    SetZoom(zoom, wxDefaultPosition, true);
}

void CImageCanvas::ActualSize() {
    SetZoom(1.0, wxDefaultPosition);
}

void CImageCanvas::ZoomBy(double factor, wxPoint about) {
    SetZoom(m_zoom * factor, about);
}

wxPoint CImageCanvas::ImagePointAt(wxPoint window) const {
    wxPoint view = CalcUnscrolledPosition(window);
    wxPoint offset = Offset(m_zoom);
    return wxPoint(static_cast<int>(std::floor((view.x - offset.x) / m_zoom)),
                   static_cast<int>(std::floor((view.y - offset.y) / m_zoom)));
}

wxPoint CImageCanvas::Offset(double zoom) const {
    wxSize client = GetClientSize();
    int width = m_image.IsOk() ? static_cast<int>(std::lround(m_image.GetWidth() * zoom)) : 0;
    int height = m_image.IsOk() ? static_cast<int>(std::lround(m_image.GetHeight() * zoom)) : 0;
    return wxPoint(std::max(0, (client.x - width) / 2), std::max(0, (client.y - height) / 2));
}

void CImageCanvas::SetZoom(double zoom, wxPoint about, bool fit) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    wxSize client = GetClientSize();
    if (about == wxDefaultPosition)
        about = wxPoint(client.x / 2, client.y / 2);
    // The picture's point under `about` stays under it, as far as the scroll bars reach.
    wxPoint view = CalcUnscrolledPosition(about);
    wxPoint offset = Offset(m_zoom);
    double pictureX = (view.x - offset.x) / m_zoom;
    double pictureY = (view.y - offset.y) / m_zoom;
    m_zoom = zoom;
    m_fit = fit;
    int width = m_image.IsOk() ? static_cast<int>(std::lround(m_image.GetWidth() * zoom)) : 0;
    int height = m_image.IsOk() ? static_cast<int>(std::lround(m_image.GetHeight() * zoom)) : 0;
    SetVirtualSize(width, height);
    offset = Offset(zoom);
    // (Scroll takes -1 for "as it is": nothing below 0 goes to it.)
    Scroll(std::max(0, static_cast<int>(std::lround(pictureX * zoom)) + offset.x - about.x),
           std::max(0, static_cast<int>(std::lround(pictureY * zoom)) + offset.y - about.y));
    Refresh(false);
    if (m_onZoom)
        m_onZoom();
}

void CImageCanvas::OnSize(wxSizeEvent& event) {
    if (m_fit)
        Fit();
    event.Skip();
}

void CImageCanvas::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(kGround));
    dc.Clear();
    if (!m_image.IsOk())
        return;
    wxSize client = GetClientSize();
    wxSize shown(static_cast<int>(std::lround(m_image.GetWidth() * m_zoom)),
                 static_cast<int>(std::lround(m_image.GetHeight() * m_zoom)));
    wxPoint offset = Offset(m_zoom);
    wxPoint origin = CalcUnscrolledPosition(wxPoint(0, 0));
    if (m_zoom < 1.0) {
        // Reduced once per zoom, with the pixels it merges averaged.
        if (m_reducedZoom != m_zoom) {
            m_reduced = wxBitmap(m_image.Scale(std::max(1, shown.x), std::max(1, shown.y),
                                               wxIMAGE_QUALITY_BOX_AVERAGE));
            m_reducedZoom = m_zoom;
        }
        dc.DrawBitmap(m_reduced, offset.x - origin.x, offset.y - origin.y);
        return;
    }
    // At 1:1 and above: only the pixels in the window, each magnified to a block.
    int left = std::max(0, static_cast<int>(std::floor((origin.x - offset.x) / m_zoom)));
    int top = std::max(0, static_cast<int>(std::floor((origin.y - offset.y) / m_zoom)));
    int right =
        std::min(m_image.GetWidth(),
                 static_cast<int>(std::ceil((origin.x - offset.x + client.x) / m_zoom)) + 1);
    int bottom =
        std::min(m_image.GetHeight(),
                 static_cast<int>(std::ceil((origin.y - offset.y + client.y) / m_zoom)) + 1);
    if (left >= right || top >= bottom)
        return;
    wxImage part = m_image.GetSubImage(wxRect(left, top, right - left, bottom - top));
    int partX = static_cast<int>(std::lround(left * m_zoom));
    int partY = static_cast<int>(std::lround(top * m_zoom));
    int partWidth = static_cast<int>(std::lround(right * m_zoom)) - partX;
    int partHeight = static_cast<int>(std::lround(bottom * m_zoom)) - partY;
    if (m_zoom != 1.0)
        part.Rescale(partWidth, partHeight, wxIMAGE_QUALITY_NEAREST);
    dc.DrawBitmap(wxBitmap(part), offset.x + partX - origin.x, offset.y + partY - origin.y);
}

void CImageCanvas::OnWheel(wxMouseEvent& event) {
    if (event.ControlDown()) {
        int notches = event.GetWheelRotation() / std::max(1, event.GetWheelDelta());
        if (notches != 0)
            ZoomBy(std::pow(kZoomStep, notches), event.GetPosition());
        return;
    }
    event.Skip(); // the scrolled window scrolls
}

void CImageCanvas::OnMouse(wxMouseEvent& event) {
    if (event.LeftDown()) {
        SetFocus();
        m_dragging = true;
        m_dragLast = event.GetPosition();
        if (!HasCapture())
            CaptureMouse();
        return;
    }
    if (event.LeftUp()) {
        m_dragging = false;
        if (HasCapture())
            ReleaseMouse();
        return;
    }
    if (m_dragging && event.Dragging()) {
        wxPoint delta = event.GetPosition() - m_dragLast;
        m_dragLast = event.GetPosition();
        wxPoint start = GetViewStart();
        Scroll(std::max(0, start.x - delta.x), std::max(0, start.y - delta.y));
        return;
    }
    event.Skip();
}

void CImageCanvas::OnKey(wxKeyEvent& event) {
    if (event.ControlDown() || event.AltDown()) {
        event.Skip();
        return;
    }
    switch (event.GetKeyCode()) {
    case 'F':
        Fit();
        return;
    case '1':
        ActualSize();
        return;
    case '+':
    case '=':
    case WXK_NUMPAD_ADD:
        ZoomBy(kZoomStep);
        return;
    case '-':
    case WXK_NUMPAD_SUBTRACT:
        ZoomBy(1.0 / kZoomStep);
        return;
    default:
        event.Skip(); // arrows and pages scroll
    }
}
