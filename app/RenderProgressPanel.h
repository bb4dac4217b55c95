#pragma once

#include <wx/panel.h>

class wxButton;
class wxGauge;
class wxStaticText;
class wxStatusBar;

// The renders to file in the status bar, in a field of its own while one runs: which file,
// how far it has come, the time since it began and the estimate of the time left, the renders
// waiting behind it, and Stop.
class CRenderProgressPanel : public wxPanel {
public:
    explicit CRenderProgressPanel(wxStatusBar* statusBar);

    void Show(const wxString& text, int position);
    wxString GetText() const;
    int GetPosition() const;
    wxButton& GetStopButton() { return *m_stop; }
    // The panel's width in the status bar.
    int GetFieldWidth() const;

private:
    wxStaticText* m_text = nullptr;
    wxGauge* m_gauge = nullptr;
    wxButton* m_stop = nullptr;
};
