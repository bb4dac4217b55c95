#include "app/ImageViewer.h"

#include "app/ImageCanvas.h"
#include "core/Image.h"
#include "platform/Platform.h"
#include "render/ImageFile.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <algorithm>
#include <cmath>

wxImage CImageViewer::ToImage(const CImage& image) {
    int width = image.GetWidth();
    int height = image.GetHeight();
    if (!image.HasPlanes() || width <= 0 || height <= 0)
        return wxImage();
    wxImage picture(width, height, false);
    unsigned char* rgb = picture.GetData();
    std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i) {
        rgb[3 * i] = image.GetRedPlane()[i];
        rgb[3 * i + 1] = image.GetGreenPlane()[i];
        rgb[3 * i + 2] = image.GetBluePlane()[i];
    }
    return picture;
}

CImageViewer::CImageViewer(wxWindow* owner, const wxString& title, const wxImage& image,
                           const wxString& note)
    : wxFrame(owner, wxID_ANY, title, wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE | wxFRAME_FLOAT_ON_PARENT) {
    auto* panel = new wxPanel(this);
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* bar = new wxBoxSizer(wxHORIZONTAL);
    const int gap = FromDIP(4);
    const struct {
        int id;
        const char* label;
        const char* tip;
    } buttons[] = {
        {ID_FIT, "&Fit", "The whole picture in the window (F)"},
        {ID_ACTUAL_SIZE, "&1:1", "One pixel of the picture a pixel of the screen (1)"},
        {ID_ZOOM_IN, "Zoom &In", "Closer (+, or Ctrl and the wheel)"},
        {ID_ZOOM_OUT, "Zoom &Out", "Farther (-, or Ctrl and the wheel)"},
        {ID_SAVE_AS, "&Save As...", "Write this picture to a file"},
    };
    for (const auto& button : buttons) {
        auto* control = new wxButton(panel, button.id, button.label);
        control->SetToolTip(button.tip);
        bar->Add(control, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    }
    // Its longest text, for the window's width.
    m_zoomShown = new wxStaticText(panel, ID_ZOOM_SHOWN, "6400 % (fitted)");
    bar->Add(m_zoomShown, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 2 * gap);
    top->Add(bar, 0, wxEXPAND | wxALL, gap);
    m_note = new wxStaticText(panel, ID_NOTE, note);
    top->Add(m_note, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, gap);
    if (note.empty())
        m_note->Hide();
    m_canvas = new CImageCanvas(panel, ID_CANVAS, image);
    top->Add(m_canvas, 1, wxEXPAND);
    panel->SetSizer(top);

    m_canvas->m_onZoom = [this] { ShowZoom(); };
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { m_canvas->Fit(); }, ID_FIT);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { m_canvas->ActualSize(); }, ID_ACTUAL_SIZE);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { m_canvas->ZoomBy(CImageCanvas::kZoomStep); },
        ID_ZOOM_IN);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { m_canvas->ZoomBy(1.0 / CImageCanvas::kZoomStep); },
        ID_ZOOM_OUT);
    Bind(wxEVT_BUTTON, &CImageViewer::OnSaveAs, this, ID_SAVE_AS);

    // Large enough to see the picture and read the note, within the screen.
    wxSize screen = wxGetDisplaySize();
    wxSize picture = image.IsOk() ? image.GetSize() : wxSize(320, 200);
    wxSize controls = top->GetMinSize();
    SetClientSize(std::min(std::max({picture.x, controls.x, FromDIP(480)}), screen.x * 3 / 4),
                  std::min(std::max(picture.y, FromDIP(300)) + controls.y, screen.y * 3 / 4));
    m_canvas->Fit();
    m_canvas->SetFocus();
}

wxString CImageViewer::GetNote() const {
    return m_note->GetLabel();
}

void CImageViewer::ShowZoom() {
    double percent = m_canvas->GetZoom() * 100.0;
    wxString text = percent >= 10.0 ? wxString::Format("%.0f %%", percent)
                                    : wxString::Format("%.1f %%", percent);
    m_zoomShown->SetLabel(m_canvas->IsFitted() ? text + " (fitted)" : text);
}

void CImageViewer::OnSaveAs(wxCommandEvent&) {
    const wxImage& image = m_canvas->GetImage();
    if (!image.IsOk())
        return;
    std::string filter;
    // The picture on screen is 8 bits a channel: the formats made from levels are not for it.
    for (const CImageFile::FormatInfo& format : CImageFile::Formats())
        if (!CImageFile::NeedsLevels(format.format))
            filter += std::string(format.name) + " pictures (*" + format.extension + ")|*" +
                      format.extension + "|";
    filter += "|";
    CFileChoice choice{.mode = CFileChoice::forSaving,
                       .filter = filter,
                       .initialName = "lumo.png",
                       .defaultExtension = "png",
                       .confirmOverwrite = true};
    std::string path;
    if (!CPlatform::Current().ChooseFile(choice, path))
        return;
    CImage picture;
    if (!picture.SetSize(image.GetWidth(), image.GetHeight())) {
        CPlatform::Current().MessageBox("Cannot save the picture: not enough memory", "lumo");
        return;
    }
    const unsigned char* rgb = image.GetData();
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x, rgb += 3)
            picture.SetPixel(x, y, CColour(rgb[0], rgb[1], rgb[2]));
    std::string error;
    wxBusyCursor wait;
    if (!CImageFile::Write(picture, path, error))
        CPlatform::Current().MessageBox("Cannot save the picture: " + error, "lumo");
}
