#include "app/RenderProgressPanel.h"

#include "app/CommandIds.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>

CRenderProgressPanel::CRenderProgressPanel(wxStatusBar* statusBar) : wxPanel(statusBar) {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    m_text = new wxStaticText(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize,
                              wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    m_gauge = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, FromDIP(wxSize(90, -1)),
                          wxGA_HORIZONTAL | wxGA_SMOOTH);
    m_stop = new wxButton(this, ID_RENDER_TO_FILE_STOP, "Stop", wxDefaultPosition, wxDefaultSize,
                          wxBU_EXACTFIT);
    m_stop->SetToolTip("Stop the render to file (Escape in the picture): nothing is written");
    row->Add(m_text, 1, wxALIGN_CENTER_VERTICAL | wxLEFT, FromDIP(4));
    row->Add(m_gauge, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, FromDIP(6));
    row->Add(m_stop, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, FromDIP(6));
    SetSizer(row);
}

void CRenderProgressPanel::Show(const wxString& text, int position) {
    if (m_text->GetLabel() != text) {
        m_text->SetLabel(text);
        m_text->SetToolTip(text);
    }
    m_gauge->SetValue(position < 0 ? 0 : position > 100 ? 100 : position);
}

wxString CRenderProgressPanel::GetText() const {
    return m_text->GetLabel();
}

int CRenderProgressPanel::GetPosition() const {
    return m_gauge->GetValue();
}

int CRenderProgressPanel::GetFieldWidth() const {
    return FromDIP(520);
}
