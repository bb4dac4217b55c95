#include "app/WxMenuBar.h"

#include <wx/frame.h>
#include <wx/menu.h>

void CWxMenuBar::EnableTopLevelItem(int position, bool enable) {
    wxMenuBar* menuBar = m_frame.GetMenuBar();
    if (menuBar && position >= 0 && static_cast<std::size_t>(position) < menuBar->GetMenuCount())
        menuBar->EnableTop(static_cast<std::size_t>(position), enable);
}

bool CWxMenuBar::IsTopLevelItemEnabled(int position) const {
    wxMenuBar* menuBar = m_frame.GetMenuBar();
    return menuBar && position >= 0 &&
           static_cast<std::size_t>(position) < menuBar->GetMenuCount() &&
           menuBar->IsEnabledTop(static_cast<std::size_t>(position));
}
