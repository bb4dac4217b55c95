#pragma once

#include <wx/frame.h>
#include <wx/image.h>

#include <memory>
#include <string>

class CImage;
class CImageCanvas;
class wxStaticText;

// A window that shows one picture: a finished render to file, or two of them compared. Fit,
// 1:1, Zoom In and Zoom Out as buttons and keys (F, 1, +, -), Ctrl and the wheel zoom about the
// pointer, the wheel, the arrow keys and a drag scroll. A note above the picture says what it
// shows (a comparison says how it was made). Save As writes the picture shown, whatever
// happened to the file it was rendered for.
class CImageViewer : public wxFrame {
public:
    enum : int {
        ID_FIT = 1301,
        ID_ACTUAL_SIZE,
        ID_ZOOM_IN,
        ID_ZOOM_OUT,
        ID_SAVE_AS,
        ID_CANVAS,
        ID_NOTE,
        ID_ZOOM_SHOWN,
    };

    CImageViewer(wxWindow* owner, const wxString& title, const wxImage& image,
                 const wxString& note = {});

    // The picture of an engine image, for the window.
    static wxImage ToImage(const CImage& image);

    CImageCanvas& GetCanvas() { return *m_canvas; }
    wxString GetNote() const;

private:
    void ShowZoom();
    void OnSaveAs(wxCommandEvent& event);

    CImageCanvas* m_canvas = nullptr;
    wxStaticText* m_note = nullptr;
    wxStaticText* m_zoomShown = nullptr;
};
