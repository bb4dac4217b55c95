#pragma once

#include <string>

class CMenuBar;
class CViewPort;

// The application's main window (the frame): its menu, its title, its active view and the
// render-busy counter that greys the file commands while a render runs.
class CMainWindow {
public:
    virtual ~CMainWindow() = default;
    // Null when the window has no menu (yet).
    virtual CMenuBar* GetMenu() = 0;
    virtual std::string GetTitle() const = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // Null when there is no view.
    virtual CViewPort* GetActiveView() = 0;

    int GetRenderBusy() const { return m_renderBusy; }
    void SetRenderBusy(int busy) { m_renderBusy = busy; }
    void LowerRenderBusy() { --m_renderBusy; }

private:
    int m_renderBusy = 0;
};
