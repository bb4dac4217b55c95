#pragma once

#include <wx/gauge.h>

#include <functional>

class wxStatusBar;

// The render's progress bar: a gauge inside a status bar pane, after the pane's text. Each
// position the render reports (once per finished row) also runs the row callback, with which
// the frame puts the new rows on the screen.
class CPaneProgress : public wxGauge {
public:
    CPaneProgress() = default;

    // Creates the gauge in the pane's rectangle: its left edge moved right by gap plus the
    // width of the text in the status bar's font, its width limited to maxWidth unless that is
    // -1. The pane shows the text, and the status bar is redrawn at once.
    bool CreatePaneProgress(wxStatusBar* statusBar, const wxString& text, int pane, int gap,
                            int maxWidth, int id);

    void SetPos(int position);
    void SetRowCallback(std::function<void(int)> callback) { m_afterRow = std::move(callback); }

private:
    std::function<void(int)> m_afterRow;
};
