#pragma once

#include <memory>

class wxTaskBarIcon;

// The program's icon in the desktop's notification area, tip "WinLumo". The application adds it
// once the window is shown; the frame takes it away when its close request arrives.
class CTrayIcon {
public:
    CTrayIcon();
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Whether the icon went up decides nothing but whether there is one to take away.
    void Add();
    // Takes the icon away. False only when an icon that was shown could not be removed: a
    // desktop without a notification area never shows it, and that is no failure.
    bool Remove();
    bool IsShown() const { return m_shown; }

private:
    std::unique_ptr<wxTaskBarIcon> m_icon;
    bool m_shown = false;
};
