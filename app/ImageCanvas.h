#pragma once

#include <wx/image.h>
#include <wx/scrolwin.h>

#include <functional>

// A picture to look at closely: fitted to the window or at any zoom from 1/64 to 64 times,
// scrolled with the scroll bars, the wheel (Shift: sideways), the arrow and page keys or by
// dragging it; Ctrl and the wheel zoom about the pointer, and the keys F (fit), 1 (1:1), + and -
// zoom about the middle. Magnified pixels stay square blocks (no smoothing): the point is to
// see them.
class CImageCanvas : public wxScrolledCanvas {
public:
    static constexpr double kMinZoom = 1.0 / 64;
    static constexpr double kMaxZoom = 64.0;
    static constexpr double kZoomStep = 1.25;
    // Around the picture: a grey that neither a white nor a black picture melts into.
    static const wxColour kGround;

    CImageCanvas(wxWindow* parent, wxWindowID id, const wxImage& image);

    void SetImage(const wxImage& image);
    const wxImage& GetImage() const { return m_image; }

    // The whole picture in the window, kept so as the window is resized.
    void Fit();
    // One pixel of the picture a pixel of the screen.
    void ActualSize();
    // Zooms by the factor about a point of the window (the middle: wxDefaultPosition).
    void ZoomBy(double factor, wxPoint about = wxDefaultPosition);
    double GetZoom() const { return m_zoom; }
    bool IsFitted() const { return m_fit; }
    // The picture's pixel shown at a point of the window (may lie outside the picture).
    wxPoint ImagePointAt(wxPoint window) const;

    // Called whenever the zoom changes.
    std::function<void()> m_onZoom;

private:
    // Where the picture's corner stands in the window at that zoom: a picture smaller than the
    // window stands in its middle.
    wxPoint Offset(double zoom) const;
    void SetZoom(double zoom, wxPoint about, bool fit = false);
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnWheel(wxMouseEvent& event);
    void OnMouse(wxMouseEvent& event);
    void OnKey(wxKeyEvent& event);

    wxImage m_image;
    double m_zoom = 1.0;
    bool m_fit = true;
    // The whole picture scaled down to the zoom, made once per zoom (below 1:1 only).
    wxBitmap m_reduced;
    double m_reducedZoom = 0.0;
    wxPoint m_dragLast;
    bool m_dragging = false;
};
