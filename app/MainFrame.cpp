#include "app/MainFrame.h"

#include "app/AddLightDialog.h"
#include "app/AppIcon.h"
#include "app/CameraDialog.h"
#include "app/CommandIds.h"
#include "app/LiveView.h"
#include "app/LumoView.h"
#include "app/MenuBuilder.h"
#include "app/OptionsMapping.h"
#include "app/OptionsSheet.h"
#include "app/PropertiesPane.h"
#include "app/SceneDocument.h"
#include "app/SceneTextPane.h"
#include "app/TrayIcon.h"
#include "app/ViewCanvas.h"
#include "app/WxPlatform.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "scene/Plane.h"
#include "scene/WorldPlane.h"
#include "script/LumoDoc.h"

#include <wx/display.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {
// The properties pane's width at first: the window is that much wider than the view.
constexpr int kPropertiesWidth = 280;
// The scene text pane's width at first; the window grows by it when the pane is shown.
constexpr int kSceneTextWidth = 380;
} // namespace

wxBEGIN_EVENT_TABLE(CMainFrame, wxDocParentFrame)
    EVT_MENU_RANGE(ID_GO_SAME_THREAD, ID_GO_QUARTER_VIEW, CMainFrame::OnRender)
    EVT_MENU(ID_VIEW_OPTIONS, CMainFrame::OnOptions)
    EVT_MENU(ID_SCENE_WIZARD, CMainFrame::OnSceneWizard)
    EVT_MENU(ID_SCENE_CAMERA, CMainFrame::OnCamera)
    EVT_MENU(ID_SCENE_ADD_LIGHT, CMainFrame::OnAddLight)
    EVT_MENU(ID_FILE_SAVE_SCRIPT, CMainFrame::OnSaveScript)
    EVT_MENU(ID_DEBUG_LOGGING, CMainFrame::OnLogging)
    EVT_MENU(ID_APP_EXIT, CMainFrame::OnExit)
    EVT_MENU(ID_FILE_EXPORT_IMAGE, CMainFrame::OnExportImage)
    EVT_MENU(ID_FILE_OPEN_SCENE, CMainFrame::OnOpenScene)
    EVT_MENU(ID_FILE_SAVE_SCENE_AS, CMainFrame::OnSaveSceneAs)
    EVT_MENU(ID_SCENE_PARSE_SCRIPT, CMainFrame::OnParseScript)
    EVT_MENU_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + kRecentFileCount - 1,
                   CMainFrame::OnRecentFile)
    EVT_MENU(ID_VIEW_TOOLBAR, CMainFrame::OnToggleToolBar)
    EVT_MENU(ID_VIEW_STATUS_BAR, CMainFrame::OnToggleStatusBar)
    EVT_MENU(ID_VIEW_LIVE_PREVIEW, CMainFrame::OnLivePreview)
    EVT_UPDATE_UI(ID_VIEW_LIVE_PREVIEW, CMainFrame::OnUpdateLivePreview)
    EVT_MENU(ID_VIEW_PROPERTIES, CMainFrame::OnToggleProperties)
    EVT_UPDATE_UI(ID_VIEW_PROPERTIES, CMainFrame::OnUpdateProperties)
    EVT_MENU(ID_VIEW_SCENE_TEXT, CMainFrame::OnToggleSceneText)
    EVT_UPDATE_UI(ID_VIEW_SCENE_TEXT, CMainFrame::OnUpdateSceneText)
    EVT_MENU(ID_GO_RENDER_TO_FILE, CMainFrame::OnRenderToFile)
    EVT_MENU(ID_VIEW_RENDER_HISTORY, CMainFrame::OnRenderHistory)
    EVT_IDLE(CMainFrame::OnIdle)
    EVT_UPDATE_UI(ID_FILE_SAVE_SCRIPT, CMainFrame::OnUpdateAlwaysEnabled)
    EVT_UPDATE_UI(ID_EDIT_UNDO, CMainFrame::OnUpdateNobodyHandles)
    EVT_UPDATE_UI(ID_EDIT_CUT, CMainFrame::OnUpdateNobodyHandles)
    EVT_UPDATE_UI(ID_EDIT_COPY, CMainFrame::OnUpdateNobodyHandles)
    EVT_UPDATE_UI(ID_EDIT_PASTE, CMainFrame::OnUpdateNobodyHandles)
    EVT_UPDATE_UI_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + kRecentFileCount - 1,
                        CMainFrame::OnUpdateRecentFile)
    EVT_UPDATE_UI(ID_FILE_EXPORT_IMAGE, CMainFrame::OnUpdateExportImage)
    EVT_UPDATE_UI(ID_FILE_OPEN_SCENE, CMainFrame::OnUpdateWhenIdle)
    EVT_UPDATE_UI(ID_FILE_SAVE_SCENE_AS, CMainFrame::OnUpdateWhenIdle)
    EVT_UPDATE_UI(ID_VIEW_TOOLBAR, CMainFrame::OnUpdateToolBar)
    EVT_UPDATE_UI(ID_VIEW_STATUS_BAR, CMainFrame::OnUpdateStatusBar)
wxEND_EVENT_TABLE()

CMainFrame::CMainFrame(wxDocManager* manager, const wxString& appName, CTrayIcon& trayIcon)
    : wxDocParentFrame(manager, nullptr, wxID_ANY, appName, wxDefaultPosition,
                       wxSize(660 + kPropertiesWidth +
                                  (CSceneTextPane::IsShownInProfile() ? kSceneTextWidth : 0),
                              520)),
      m_appName(appName), m_trayIcon(trayIcon), m_fileCommands(*this) {
    SetIcons(MakeAppIconBundle());

    // Bound, not in the table: the framework binds its own close processing in its constructor,
    // and the handler bound last runs first, so the icon goes before the save prompt.
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);

    m_canvas = new CViewCanvas(this);
    m_fileCommands.AcceptDroppedFiles(*m_canvas);
    // The view fills the window; the properties pane docks at its right.
    m_properties = new CPropertiesPane(this);
    m_aui.SetManagedWindow(this);
    m_aui.AddPane(m_canvas, wxAuiPaneInfo().Name("view").CenterPane());
    m_aui.AddPane(m_properties, wxAuiPaneInfo()
                                    .Name("properties")
                                    .Caption("Properties")
                                    .Right()
                                    .BestSize(FromDIP(wxSize(kPropertiesWidth, 400)))
                                    .MinSize(FromDIP(wxSize(200, 200)))
                                    .CloseButton(true));
    // The scene as text docks at the view's left, shown when the profile says so.
    m_sceneText = new CSceneTextPane(this);
    m_sceneText->m_onStatus = [this](const wxString& text) {
        if (GetStatusBar())
            SetStatusText(text, 0);
    };
    bool sceneText = CSceneTextPane::IsShownInProfile();
    m_aui.AddPane(m_sceneText, wxAuiPaneInfo()
                                   .Name("sceneText")
                                   .Caption("Scene Text")
                                   .Left()
                                   .BestSize(FromDIP(wxSize(kSceneTextWidth, 400)))
                                   .MinSize(FromDIP(wxSize(200, 150)))
                                   .CloseButton(true)
                                   .Show(sceneText));
    m_sceneText->SetActive(sceneText);
    // The pane's close button hides it as the menu item does.
    m_aui.Bind(wxEVT_AUI_PANE_CLOSE, [this](wxAuiManagerEvent& event) {
        event.Skip();
        if (event.GetPane() && event.GetPane()->window == m_sceneText) {
            m_sceneText->SetActive(false);
            CSettingsStore::Profile().WriteInt(CSettingsStore::kSection, CSceneTextPane::kSetting,
                                               0);
        }
    });
    m_aui.Update();
    if (!CMenuBuilder::Build(*this))
        std::fprintf(stderr, "lumo: cannot create the tool bar or the status bar\n");
    UpdateIndicators();

    wxMenuBar* menuBar = GetMenuBar();
    if (!menuBar) {
        CPlatform::Current().MessageBox("Menu not there yet ... ", "lumo");
    } else {
        m_fileCommands.LoadRecentFiles();
        // Greyed at creation; the enable rules decide again the first time the menu opens.
        wxMenu* file = menuBar->GetMenu(kFileMenuPosition);
        for (std::size_t position : {std::size_t{1}, std::size_t{2}, kRecentFileItemPosition})
            file->FindItemByPosition(position)->Enable(false);
    }
}

CMainFrame::~CMainFrame() {
    m_aui.UnInit();
}

namespace {

// The two kinds of plane, chosen per plane in the properties pane. A plane changes kind where
// the eye of the moment sees it, so the picture stays as it was for the primary rays.
CPropertiesPane::PlaneKinds PlaneKindsOf(CSceneDocument* document) {
    CPropertiesPane::PlaneKinds kinds;
    kinds.labels.Add("Moves with the eye");
    kinds.labels.Add("Fixed in the world");
    kinds.kindOf = [](const CSceneObject& object) {
        if (dynamic_cast<const CPlane*>(&object))
            return 0;
        return dynamic_cast<const CWorldPlane*>(&object) ? 1 : -1;
    };
    kinds.change = [document](std::size_t index, int kind) {
        CLumoDoc& scene = document->GetScene();
        if (index >= scene.m_objects.size())
            return false;
        CSceneObject* object = scene.m_objects[index].get();
        if (auto* plane = dynamic_cast<CPlane*>(object); plane && kind == 1)
            return scene.ReplaceObject(
                       index, std::make_unique<CWorldPlane>(
                                  CWorldPlane::FromEyePlane(*plane, scene.GetEye()))) != nullptr;
        if (auto* world = dynamic_cast<CWorldPlane*>(object); world && kind == 0)
            return scene.ReplaceObject(index, std::make_unique<CPlane>(
                                                  world->ToEyePlane(scene.GetEye()))) != nullptr;
        return false;
    };
    return kinds;
}

} // namespace

void CMainFrame::ViewCreated(CLumoView& view) {
    auto* document = dynamic_cast<CSceneDocument*>(view.GetDocument());
    m_properties->SetDocument(document);
    if (document)
        m_properties->SetPlaneKinds(PlaneKindsOf(document));
    m_propertiesRevision = document ? document->GetScene().GetRevision() : 0;
    m_sceneText->SetDocument(document);
    CLiveView* live = view.GetLiveView();
    if (!live)
        return;
    // A double-click in the picture puts the text's cursor on the object's statement.
    live->m_onActivate = [this](std::size_t object) {
        if (!IsSceneTextShown())
            ShowSceneText(true);
        m_sceneText->SyncWithScene();
        m_sceneText->ShowObject(object);
    };
    live->m_onSelect = [this](std::size_t object) {
        m_properties->Select(object == CLiveView::kNoSelection
                                 ? CSceneSelection{}
                                 : CSceneSelection{CSceneSelection::object, object});
    };
    m_properties->m_onSelect = [live](const CSceneSelection& selection) {
        live->Select(selection.kind == CSceneSelection::object ? selection.index
                                                               : CLiveView::kNoSelection);
    };
}

void CMainFrame::ViewClosing() {
    m_properties->SetDocument(nullptr);
    m_properties->m_onSelect = nullptr;
    m_sceneText->SetDocument(nullptr);
}

void CMainFrame::UpdateIndicators() {
    wxStatusBar* statusBar = GetStatusBar();
    if (!statusBar)
        return;
    const wxKeyCode keys[CMenuBuilder::kIndicatorCount] = {WXK_CAPITAL, WXK_NUMLOCK, WXK_SCROLL};
    int state = 0;
    for (int i = 0; i < CMenuBuilder::kIndicatorCount; ++i)
        if (wxGetKeyState(keys[i]))
            state |= 1 << i;
    if (state == m_indicators)
        return;
    m_indicators = state;
    for (int i = 0; i < CMenuBuilder::kIndicatorCount; ++i)
        statusBar->SetStatusText(state & (1 << i) ? CMenuBuilder::kIndicators[i] : "", i + 1);
}

CLumoView* CMainFrame::GetLumoView() const {
    wxDocManager* manager = GetDocumentManager();
    return manager ? dynamic_cast<CLumoView*>(manager->GetCurrentView()) : nullptr;
}

CLumoDoc* CMainFrame::GetActiveScene() const {
    CLumoView* view = GetLumoView();
    return view ? view->GetSceneDocument() : nullptr;
}

CSceneDocument* CMainFrame::GetCurrentDocument() const {
    wxDocManager* manager = GetDocumentManager();
    return manager ? dynamic_cast<CSceneDocument*>(manager->GetCurrentDocument()) : nullptr;
}

void CMainFrame::ShowDocumentTitle(const wxString& name) {
    m_titleName = name;
    SetTitle((m_titleMarked ? "*" : "") + name + " - " + m_appName);
}

void CMainFrame::UpdateTitleMark() {
    CSceneDocument* document = m_sceneText->GetDocument();
    bool marked = document && m_sceneText->IsActive() && document->IsModified();
    if (marked == m_titleMarked || m_titleName.empty() || IsRendering())
        return;
    m_titleMarked = marked;
    ShowDocumentTitle(m_titleName);
}

void CMainFrame::Render(unsigned parts) {
    CLumoView* view = GetLumoView();
    CLumoDoc* document = view ? view->GetSceneDocument() : nullptr;
    if (!document)
        return;
    // The live preview gives the Go render the screen and every core, and then shows its
    // picture.
    CLiveView* live = view->GetLiveView();
    if (live)
        live->Pause();
    m_render.Render(*view, *document, parts);
    if (live)
        live->AfterGoRender();
    // The close asked for during the render; it may still be cancelled at the save question,
    // and then the window goes on as before.
    if (m_closePending) {
        m_closePending = false;
        CallAfter([this] { Close(); });
    }
}

void CMainFrame::ShowOptions() {
    COptionsSheet sheet(this);
    COptionsMapping::LoadOptions(sheet);
    if (sheet.ShowModal() == wxID_OK)
        COptionsMapping::SaveOptions(sheet);
}

// Same Thread, Split View and Quarter View: the picture whole, in halves or in quarters.
void CMainFrame::OnRender(wxCommandEvent& event) {
    if (IsRendering())
        return;
    switch (event.GetId()) {
    case ID_GO_SPLIT_VIEW:
        Render(2);
        break;
    case ID_GO_QUARTER_VIEW:
        Render(4);
        break;
    default:
        Render();
        break;
    }
}

void CMainFrame::OnOptions(wxCommandEvent&) {
    ShowOptions();
}

void CMainFrame::OnSceneWizard(wxCommandEvent&) {
    if (CSceneDocument* document = GetCurrentDocument())
        document->RunSceneWizard();
}

void CMainFrame::OnCamera(wxCommandEvent&) {
    CLumoDoc* document = GetActiveScene();
    if (!document)
        return;
    CCameraDialog dialog(this);
    CVector eye = document->GetEye();
    CVector look = document->GetLook();
    dialog.m_eyeX = eye.x;
    dialog.m_eyeY = eye.y;
    dialog.m_eyeZ = eye.z;
    dialog.m_lookX = look.x;
    dialog.m_lookY = look.y;
    dialog.m_lookZ = look.z;
    if (dialog.ShowModal() != wxID_OK)
        return;
    // The next render takes the new camera; nothing is repainted or marked changed.
    document->SetEye(CVector(dialog.m_eyeX, dialog.m_eyeY, dialog.m_eyeZ));
    document->SetLook(CVector(dialog.m_lookX, dialog.m_lookY, dialog.m_lookZ));
}

void CMainFrame::OnAddLight(wxCommandEvent&) {
    CLumoDoc* document = GetActiveScene();
    if (!document)
        return;
    CAddLightDialog dialog(this);
    if (dialog.ShowModal() != wxID_OK)
        return;
    auto light = std::make_unique<CLight>(CVector(dialog.m_x, dialog.m_y, dialog.m_z));
    // The float constructor clamps each level to 0..1.
    light->SetColour(CColour(static_cast<float>(dialog.m_red), static_cast<float>(dialog.m_green),
                             static_cast<float>(dialog.m_blue)));
    document->AddLight(std::move(light));
}

// The check mark is the item's whole state, and it has already moved when the command
// arrives: GTK toggles a check item before its handler runs. Nothing else reads it.
void CMainFrame::OnLogging(wxCommandEvent&) {}

void CMainFrame::OnExit(wxCommandEvent&) {
    CallAfter([this] { Close(); });
}

void CMainFrame::OnSaveScript(wxCommandEvent&) {
    m_fileCommands.SaveScript();
}

void CMainFrame::OnExportImage(wxCommandEvent&) {
    m_fileCommands.ExportImage();
    // A close asked for while the export rendered, as after a Go render.
    if (m_closePending) {
        m_closePending = false;
        CallAfter([this] { Close(); });
    }
}

void CMainFrame::OnOpenScene(wxCommandEvent&) {
    m_fileCommands.OpenScene();
}

void CMainFrame::OnSaveSceneAs(wxCommandEvent&) {
    m_fileCommands.SaveSceneAs();
}

void CMainFrame::OnParseScript(wxCommandEvent&) {
    m_fileCommands.ParseScript();
}

void CMainFrame::OnRecentFile(wxCommandEvent& event) {
    m_fileCommands.OpenRecentFile(event.GetId());
}

void CMainFrame::OnToggleToolBar(wxCommandEvent&) {
    if (wxToolBar* toolBar = GetToolBar()) {
        toolBar->Show(!toolBar->IsShown());
        SendSizeEvent();
    }
}

void CMainFrame::OnToggleStatusBar(wxCommandEvent&) {
    if (wxStatusBar* statusBar = GetStatusBar()) {
        statusBar->Show(!statusBar->IsShown());
        SendSizeEvent();
    }
}

// GTK has toggled the check mark already: it says what the user asked for.
void CMainFrame::OnLivePreview(wxCommandEvent& event) {
    if (CLumoView* view = GetLumoView(); view && view->GetLiveView())
        view->GetLiveView()->SetOn(event.IsChecked());
    else
        CSettingsStore::Profile().WriteInt(CSettingsStore::kSection, CLiveView::kSetting,
                                           event.IsChecked() ? 1 : 0);
}

void CMainFrame::OnUpdateLivePreview(wxUpdateUIEvent& event) {
    CLumoView* view = GetLumoView();
    event.Check(view && view->GetLiveView() ? view->GetLiveView()->IsEnabled()
                                            : CLiveView::IsEnabledInProfile());
}

void CMainFrame::ShowProperties(bool show) {
    m_aui.GetPane(m_properties).Show(show);
    m_aui.Update();
}

void CMainFrame::OnToggleProperties(wxCommandEvent& event) {
    ShowProperties(event.IsChecked());
}

void CMainFrame::OnUpdateProperties(wxUpdateUIEvent& event) {
    event.Check(m_aui.GetPane(m_properties).IsShown());
}

void CMainFrame::OnRenderToFile(wxCommandEvent&) {
    m_renderQueue.ChooseAndRender();
}

void CMainFrame::OnRenderHistory(wxCommandEvent&) {
    m_renderQueue.ShowHistory();
}

bool CMainFrame::IsSceneTextShown() {
    return m_aui.GetPane(m_sceneText).IsShown();
}

void CMainFrame::ShowSceneText(bool show) {
    wxAuiPaneInfo& pane = m_aui.GetPane(m_sceneText);
    if (show && !pane.IsShown() && !IsMaximized()) {
        // The window grows by the pane, as far as the screen allows, so the view keeps its size.
        wxRect screen = wxDisplay(wxDisplay::GetFromWindow(this)).GetClientArea();
        wxRect frame = GetRect();
        int width = std::min(frame.width + FromDIP(kSceneTextWidth), screen.width);
        SetSize(std::max(screen.x, std::min(frame.x, screen.GetRight() - width + 1)), frame.y,
                width, frame.height);
    }
    pane.Show(show);
    m_aui.Update();
    m_sceneText->SetActive(show);
    CSettingsStore::Profile().WriteInt(CSettingsStore::kSection, CSceneTextPane::kSetting,
                                       show ? 1 : 0);
}

void CMainFrame::OnToggleSceneText(wxCommandEvent& event) {
    ShowSceneText(event.IsChecked());
}

void CMainFrame::OnUpdateSceneText(wxUpdateUIEvent& event) {
    event.Check(IsSceneTextShown());
}

void CMainFrame::OnClose(wxCloseEvent& event) {
    // A close while the render holds the thread (the window manager's close button) stops the
    // render and closes once it has returned.
    if (IsRendering() && event.CanVeto()) {
        StopRender();
        m_closePending = true;
        event.Veto();
        return;
    }
    // A render to file may have run for long: the user says whether it goes.
    if (IsRenderingToFile() && event.CanVeto()) {
        if (auto* platform = dynamic_cast<CWxPlatform*>(&CPlatform::Current());
            platform && platform->AskYesNo(m_renderQueue.CloseQuestion().utf8_string(), "lumo") !=
                            CPlatform::yes) {
            event.Veto();
            return;
        }
        m_renderQueue.StopAll();
    }
    if (!m_trayIcon.Remove())
        CPlatform::Current().MessageBox("Failed delete tray icon..", "lumo");
    event.Skip(); // the framework's close processing: save prompt, then the window goes
}

void CMainFrame::OnIdle(wxIdleEvent& event) {
    UpdateIndicators();
    // Every change of the scene that the pane did not make itself (dialogs, the wizard, an
    // opened file) is shown once the events of the moment have been handled.
    if (CSceneDocument* document = m_properties->GetDocument()) {
        unsigned long revision = document->GetScene().GetRevision();
        if (revision != m_propertiesRevision) {
            m_propertiesRevision = revision;
            m_properties->SceneChanged();
        }
    }
    // The scene text the same way, both ways: the file, the scene and the title's mark.
    m_sceneText->SyncWithScene();
    UpdateTitleMark();
    event.Skip();
}

void CMainFrame::OnUpdateAlwaysEnabled(wxUpdateUIEvent& event) {
    event.Enable(true);
}

void CMainFrame::OnUpdateNobodyHandles(wxUpdateUIEvent& event) {
    event.Enable(false);
}

void CMainFrame::OnUpdateRecentFile(wxUpdateUIEvent& event) {
    event.Enable(m_fileCommands.CanOpenRecentFile(event.GetId()));
}

void CMainFrame::OnUpdateExportImage(wxUpdateUIEvent& event) {
    event.Enable(m_fileCommands.CanExportImage());
}

void CMainFrame::OnUpdateWhenIdle(wxUpdateUIEvent& event) {
    event.Enable(!IsRendering());
}

void CMainFrame::OnUpdateToolBar(wxUpdateUIEvent& event) {
    event.Check(GetToolBar() && GetToolBar()->IsShown());
}

void CMainFrame::OnUpdateStatusBar(wxUpdateUIEvent& event) {
    event.Check(GetStatusBar() && GetStatusBar()->IsShown());
}
