#include "app/TrayIcon.h"

#include "app/AppIcon.h"

#include <wx/bmpbndl.h>
#include <wx/taskbar.h>

CTrayIcon::CTrayIcon() = default;

CTrayIcon::~CTrayIcon() = default;

void CTrayIcon::Add() {
    m_icon = std::make_unique<wxTaskBarIcon>();
    m_shown =
        wxTaskBarIcon::IsAvailable() &&
        m_icon->SetIcon(wxBitmapBundle::FromBitmap(wxBitmap(MakeAppIconImage(32))), "WinLumo");
}

bool CTrayIcon::Remove() {
    if (!m_icon)
        return true;
    bool removed = !m_shown || m_icon->RemoveIcon();
    m_shown = false;
    m_icon.reset();
    return removed;
}
