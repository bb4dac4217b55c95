#pragma once

#include "app/FileCommands.h"
#include "app/RenderController.h"
#include "app/RenderQueue.h"

#include <wx/aui/framemanager.h>
#include <wx/docview.h>

#include <functional>
#include <stop_token>
#include <string>

class CLumoDoc;
class CLumoView;
class CPaneProgress;
class CPropertiesPane;
class CSceneDocument;
class CSceneTextPane;
class CTrayIcon;
class CViewCanvas;

// The program's one top-level window: its menus, tool bar and status bar (made by
// CMenuBuilder), the frame-level commands (render, options, wizard, camera, add light, logging,
// exit), the file commands handed on to CFileCommands, and the close handling. Commands reach
// the active view first (the document handles none), then this frame, then the application.
class CMainFrame : public wxDocParentFrame {
public:
    // The title reads "DOCUMENT - appName"; the tray icon is taken away when the window closes.
    CMainFrame(wxDocManager* manager, const wxString& appName, CTrayIcon& trayIcon);

    ~CMainFrame() override;

    CViewCanvas* GetCanvas() const { return m_canvas; }
    // The pane beside the view that edits the selected object or light.
    CPropertiesPane* GetPropertiesPane() const { return m_properties; }
    // The view over the document came or goes: the properties pane shows its scene, and a
    // selection made in the one is shown by the other.
    void ViewCreated(CLumoView& view);
    void ViewClosing();
    // The pane is up to date with the scene at this revision (it made the change itself, or
    // the change was only the camera's).
    void PropertiesSeen(unsigned long revision) { m_propertiesRevision = revision; }
    unsigned long GetPropertiesRevision() const { return m_propertiesRevision; }
    // Shows or hides the properties pane (View > Properties).
    void ShowProperties(bool show);
    // The pane beside the view that holds the scene as text.
    CSceneTextPane* GetSceneTextPane() const { return m_sceneText; }
    // Shows or hides it (View > Scene Text), and keeps the choice in the profile.
    void ShowSceneText(bool show);
    bool IsSceneTextShown();
    CLumoView* GetLumoView() const;
    CLumoDoc* GetActiveScene() const;
    CSceneDocument* GetCurrentDocument() const;
    CFileCommands& GetFileCommands() { return m_fileCommands; }
    // The title for the document's name.
    void ShowDocumentTitle(const wxString& name);

    // The Go commands' render of the active view's document (CRenderController): the whole
    // view, traced on this thread ("Same Thread", parts 0) or split into 2 halves or 4 quarters
    // each traced on a thread of its own, this one painting the rows as they finish. The same
    // picture every way. Returns when the render has ended.
    void Render(unsigned parts = 0);
    // Asks the render in progress, if any, to end before its next pixel. A render started
    // afterwards runs whole.
    void StopRender() { m_render.Stop(); }
    // The options sheet, filled from the settings and saved on OK only.
    void ShowOptions();

    CRenderController& GetRenderController() { return m_render; }
    // Go > Render to File's renders in the background, and the render history.
    CRenderQueue& GetRenderQueue() { return m_renderQueue; }
    bool IsRenderingToFile() const { return m_renderQueue.IsBusy(); }
    // Whether a Go render holds the window: the file commands and Go wait meanwhile.
    bool IsRendering() const { return m_render.IsBusy(); }

private:
    void UpdateIndicators();

    void OnRender(wxCommandEvent& event);
    void OnOptions(wxCommandEvent& event);
    void OnSceneWizard(wxCommandEvent& event);
    void OnSaveScript(wxCommandEvent& event);
    void OnCamera(wxCommandEvent& event);
    void OnAddLight(wxCommandEvent& event);
    void OnLogging(wxCommandEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnExportImage(wxCommandEvent& event);
    void OnOpenScene(wxCommandEvent& event);
    void OnSaveSceneAs(wxCommandEvent& event);
    void OnParseScript(wxCommandEvent& event);
    void OnRecentFile(wxCommandEvent& event);
    void OnToggleToolBar(wxCommandEvent& event);
    void OnToggleStatusBar(wxCommandEvent& event);
    void OnLivePreview(wxCommandEvent& event);
    void OnUpdateLivePreview(wxUpdateUIEvent& event);
    void OnToggleProperties(wxCommandEvent& event);
    void OnUpdateProperties(wxUpdateUIEvent& event);
    void OnRenderToFile(wxCommandEvent& event);
    void OnRenderHistory(wxCommandEvent& event);
    void OnToggleSceneText(wxCommandEvent& event);
    void OnUpdateSceneText(wxUpdateUIEvent& event);
    // While the scene text is shown, the title marks a scene with changes not saved ("*").
    void UpdateTitleMark();
    void OnClose(wxCloseEvent& event);
    void OnIdle(wxIdleEvent& event);

    void OnUpdateAlwaysEnabled(wxUpdateUIEvent& event);
    void OnUpdateNobodyHandles(wxUpdateUIEvent& event);
    void OnUpdateRecentFile(wxUpdateUIEvent& event);
    void OnUpdateExportImage(wxUpdateUIEvent& event);
    void OnUpdateWhenIdle(wxUpdateUIEvent& event);
    void OnUpdateToolBar(wxUpdateUIEvent& event);
    void OnUpdateStatusBar(wxUpdateUIEvent& event);

    wxString m_appName;
    CTrayIcon& m_trayIcon;
    CFileCommands m_fileCommands;
    CViewCanvas* m_canvas = nullptr;
    wxAuiManager m_aui;
    CPropertiesPane* m_properties = nullptr;
    unsigned long m_propertiesRevision = 0;
    CSceneTextPane* m_sceneText = nullptr;
    wxString m_titleName;
    bool m_titleMarked = false;
    CRenderController m_render{*this};
    CRenderQueue m_renderQueue{*this};
    bool m_closePending = false;
    int m_indicators = -1; // the lock keys' state last shown

    wxDECLARE_EVENT_TABLE();
};
