#include "app/PaneProgress.h"

#include <wx/statusbr.h>

bool CPaneProgress::CreatePaneProgress(wxStatusBar* statusBar, const wxString& text, int pane,
                                       int gap, int maxWidth, int id) {
    if (!statusBar)
        return false;
    wxRect rect;
    if (!statusBar->GetFieldRect(pane, rect))
        return false;
    if (!text.empty()) {
        int width = statusBar->GetTextExtent(text).GetWidth();
        rect.x += gap + width;
        rect.width -= gap + width;
    }
    if (maxWidth != -1 && rect.width > maxWidth)
        rect.width = maxWidth;
    statusBar->SetStatusText(text, pane);
    statusBar->Update();
    return Create(statusBar, id, 100, rect.GetPosition(), rect.GetSize(),
                  wxGA_HORIZONTAL | wxGA_SMOOTH);
}

void CPaneProgress::SetPos(int position) {
    SetValue(position < 0 ? 0 : position > 100 ? 100 : position);
    if (m_afterRow)
        m_afterRow(position);
}
