#pragma once

#include <string>

class CMenuBar;
class CViewPort;

// The application's main window (the frame) as the engine sees it: its menu, its title, its
// active view and the render-busy counter that greys the file commands while a render runs.
//
// The desktop's frame implements this interface directly, beside its wxWidgets base classes,
// so its names are chosen not to meet any of theirs (wxTopLevelWindow has GetTitle returning
// wxString, wxFrame has GetMenuBar): nothing here overrides or hides a framework function.
class CMainWindow {
public:
    virtual ~CMainWindow() = default;
    // Null when the window has no menu (yet).
    virtual CMenuBar* GetMainMenu() = 0;
    virtual std::string GetWindowTitle() const = 0;
    virtual void SetWindowTitle(const std::string& title) = 0;
    // Null when there is no view.
    virtual CViewPort* GetActiveViewPort() = 0;

    int GetRenderBusy() const { return m_renderBusy; }
    void SetRenderBusy(int busy) { m_renderBusy = busy; }
    void LowerRenderBusy() { --m_renderBusy; }

private:
    int m_renderBusy = 0;
};
