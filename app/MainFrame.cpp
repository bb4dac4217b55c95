#include "app/MainFrame.h"

#include "app/AddLightDialog.h"
#include "app/AppIcon.h"
#include "app/CameraDialog.h"
#include "app/CommandIds.h"
#include "app/DesktopEditor.h"
#include "app/LumoApp.h"
#include "app/LumoView.h"
#include "app/MiscOptions.h"
#include "app/Options2.h"
#include "app/Options6.h"
#include "app/OptionsSheet.h"
#include "app/RendererOptions.h"
#include "app/SceneDocument.h"
#include "app/ViewCanvas.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "render/ImageFile.h"
#include "script/Archive.h"
#include "script/LumoDoc.h"
#include "script/SceneFile.h"
#include "script/ScriptDiagnostics.h"

#include <wx/accel.h>
#include <wx/artprov.h>
#include <wx/dnd.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdio>

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

namespace {

// The status bar's lock indicators, after the message pane.
const char* const kIndicators[] = {"CAP", "NUM", "SCRL"};

wxMenuBar* BuildMenuBar() {
    auto* file = new wxMenu;
    file->Append(ID_FILE_NEW, "&New\tCtrl+N", "Create a new document");
    file->Append(ID_FILE_OPEN, "&Open...\tCtrl+O", "Open an existing document");
    file->Append(ID_FILE_SAVE_SCRIPT, "Save Script");
    file->AppendSeparator();
    file->Append(ID_FILE_MRU_FILE1, "Recent File", "Open this document");
    file->AppendSeparator();
    file->Append(ID_FILE_EXPORT_IMAGE, "Export Image...",
                 "Save the last rendered picture as a PNG or PPM file");
    file->Append(ID_FILE_OPEN_SCENE, "Open Scene...",
                 "Open a scene file: every object, light, the background and the camera");
    file->Append(ID_FILE_SAVE_SCENE_AS, "Save Scene As...", "Save the whole scene as a scene file");
    file->Append(ID_APP_EXIT, "E&xit", "Quit the application; prompts to save documents");

    auto* edit = new wxMenu;
    edit->Append(ID_EDIT_UNDO, "&Undo\tCtrl+Z", "Undo the last action");
    edit->AppendSeparator();
    edit->Append(ID_EDIT_CUT, "Cu&t\tCtrl+X", "Cut the selection and put it on the Clipboard");
    edit->Append(ID_EDIT_COPY, "&Copy\tCtrl+C", "Copy the selection and put it on the Clipboard");
    edit->Append(ID_EDIT_PASTE, "&Paste\tCtrl+V", "Insert Clipboard contents");

    auto* view = new wxMenu;
    view->AppendCheckItem(ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar");
    view->AppendCheckItem(ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar");
    view->Append(ID_VIEW_OPTIONS, "Options", "Set and view options");
    view->Append(ID_VIEW_EDITOR, "Editor", "Editor");

    auto* scene = new wxMenu;
    scene->Append(ID_SCENE_WIZARD, "Create Wizard", "Create a new scene");
    scene->Append(ID_SCENE_CAMERA, "Camera", "Set Camera position");
    scene->Append(ID_SCENE_ADD_LIGHT, "Add Light", "Add Light to scene");
    scene->Append(ID_SCENE_PARSE_SCRIPT, "Parse Script...",
                  "Build the scene from the spheres of a script");

    auto* go = new wxMenu;
    go->Append(ID_GO_SAME_THREAD, "Same Thread", "Fire off a single threaded render");
    go->Append(ID_GO_SPLIT_VIEW, "Split View", "Split view render per thread");
    go->Append(ID_GO_QUARTER_VIEW, "Quarter View", "Quarter view render per thread");

    auto* debug = new wxMenu;
    debug->AppendCheckItem(ID_DEBUG_LOGGING, "Logging", "Debug logging ");
    debug->Check(ID_DEBUG_LOGGING, true);

    auto* help = new wxMenu;
    help->Append(ID_APP_ABOUT, "&About lumo...",
                 "Display program information, version number and copyright");

    auto* menuBar = new wxMenuBar;
    menuBar->Append(file, "&File");
    menuBar->Append(edit, "&Edit");
    menuBar->Append(view, "&View");
    menuBar->Append(scene, "Scene");
    menuBar->Append(go, "&Go");
    menuBar->Append(debug, "&Debug");
    menuBar->Append(help, "&Help");
    return menuBar;
}

// Files dropped on the picture open as File > Open opens them, one after the other, while no
// render runs.
class CFileDrop : public wxFileDropTarget {
public:
    explicit CFileDrop(CMainFrame& frame) : m_frame(frame) {}
    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override {
        if (m_frame.GetRenderBusy() != 0)
            return false;
        bool opened = false;
        for (const wxString& file : files)
            opened = m_frame.OpenFile(file.utf8_string(), CSceneDocument::keepName) || opened;
        return opened;
    }

private:
    CMainFrame& m_frame;
};

// Stock art where the desktop's theme has it, else the drawn glyph.
wxBitmap ToolBitmap(const wxArtID& id) {
    wxBitmap bitmap = wxArtProvider::GetBitmap(id, wxART_TOOLBAR, wxSize(16, 16));
    return bitmap.IsOk() ? bitmap : MakeToolGlyph(id.utf8_string());
}

} // namespace

std::vector<wxAcceleratorEntry> CMainFrame::Accelerators() {
    return {
        {wxACCEL_CTRL, 'N', ID_FILE_NEW},           {wxACCEL_CTRL, 'O', ID_FILE_OPEN},
        {wxACCEL_CTRL, 'S', ID_FILE_SAVE},          {wxACCEL_CTRL, 'Z', ID_EDIT_UNDO},
        {wxACCEL_CTRL, 'X', ID_EDIT_CUT},           {wxACCEL_CTRL, 'C', ID_EDIT_COPY},
        {wxACCEL_CTRL, 'V', ID_EDIT_PASTE},         {wxACCEL_ALT, WXK_BACK, ID_EDIT_UNDO},
        {wxACCEL_SHIFT, WXK_DELETE, ID_EDIT_CUT},   {wxACCEL_CTRL, WXK_INSERT, ID_EDIT_COPY},
        {wxACCEL_SHIFT, WXK_INSERT, ID_EDIT_PASTE}, {wxACCEL_NORMAL, WXK_F6, ID_NEXT_PANE},
        {wxACCEL_SHIFT, WXK_F6, ID_PREV_PANE},
    };
}

CMainFrame::CMainFrame(wxDocManager* manager, const wxString& title)
    : wxDocParentFrame(manager, nullptr, wxID_ANY, title, wxDefaultPosition, wxSize(660, 520)),
      m_recentFiles(ID_FILE_MRU_FILE1, kRecentFileCount) {
    SetIcons(MakeAppIconBundle());
    SetMenuBar(BuildMenuBar());

    std::vector<wxAcceleratorEntry> accelerators = Accelerators();
    SetAcceleratorTable(
        wxAcceleratorTable(static_cast<int>(accelerators.size()), accelerators.data()));

    // Bound, not in the table: the framework binds its own close processing in its constructor,
    // and the handler bound last runs first, so the icon goes before the save prompt.
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnClose, this);

    m_canvas = new CViewCanvas(this);
    m_canvas->SetDropTarget(new CFileDrop(*this));
    if (!CreateToolBarAndStatusBar())
        std::fprintf(stderr, "lumo: cannot create the tool bar or the status bar\n");

    wxMenuBar* menuBar = GetMenuBar();
    if (!menuBar) {
        CPlatform::Current().MessageBox("Menu not there yet ... ", "lumo");
    } else {
        m_recentFiles.Load();
        UpdateRecentFileMenu();
        // Greyed at creation; the enable rules decide again the first time the menu opens.
        wxMenu* file = menuBar->GetMenu(kFileMenuPosition);
        for (std::size_t position : {1u, 2u, 4u})
            file->FindItemByPosition(position)->Enable(false);
    }
}

CMainFrame::~CMainFrame() {
    if (auto* app = dynamic_cast<CLumoApp*>(wxTheApp))
        app->OnFrameDestroyed(this);
}

bool CMainFrame::CreateToolBarAndStatusBar() {
    wxToolBar* toolBar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT, ID_VIEW_TOOLBAR);
    if (!toolBar)
        return false;
    toolBar->SetToolBitmapSize(wxSize(16, 16));
    struct Tool {
        int id;
        wxArtID art;
        const char* tip;
        const char* prompt;
    };
    const Tool tools[] = {
        {ID_FILE_NEW, wxART_NEW, "New", "Create a new document"},
        {ID_FILE_OPEN, wxART_FILE_OPEN, "Open", "Open an existing document"},
        {ID_FILE_SAVE, wxART_FILE_SAVE, "Save", "Save the active document"},
        {ID_APP_ABOUT, wxART_INFORMATION, "About",
         "Display program information, version number and copyright"},
        {ID_VIEW_EDITOR, wxART_EDIT, "Editor", "Editor"},
        {ID_GO_SAME_THREAD, "lumo-render", "Render", "Fire off a single threaded render"},
        {ID_VIEW_OPTIONS, wxART_HELP_SETTINGS, "Options", "Set and view options"},
    };
    for (const Tool& tool : tools) {
        wxBitmap bitmap =
            tool.art == "lumo-render" ? MakeRenderToolBitmap(16) : ToolBitmap(tool.art);
        toolBar->AddTool(tool.id, tool.tip, bitmap, tool.tip, wxITEM_NORMAL)
            ->SetLongHelp(tool.prompt);
    }
    if (!toolBar->Realize())
        return false;

    wxStatusBar* statusBar = CreateStatusBar(4, wxSTB_DEFAULT_STYLE, ID_VIEW_STATUS_BAR);
    if (!statusBar)
        return false;
    int widths[4] = {-1, 0, 0, 0};
    for (int i = 0; i < 3; ++i)
        widths[i + 1] = statusBar->GetTextExtent(kIndicators[i]).GetWidth() + 16;
    statusBar->SetStatusWidths(4, widths);
    SetStatusBarPane(0);
    SetStatusText("Ready", 0);
    UpdateIndicators();
    return true;
}

void CMainFrame::UpdateIndicators() {
    wxStatusBar* statusBar = GetStatusBar();
    if (!statusBar)
        return;
    const wxKeyCode keys[] = {WXK_CAPITAL, WXK_NUMLOCK, WXK_SCROLL};
    int state = 0;
    for (int i = 0; i < 3; ++i)
        if (wxGetKeyState(keys[i]))
            state |= 1 << i;
    if (state == m_indicators)
        return;
    m_indicators = state;
    for (int i = 0; i < 3; ++i)
        statusBar->SetStatusText(state & (1 << i) ? kIndicators[i] : "", i + 1);
}

CMenuBar* CMainFrame::GetMainMenu() {
    return GetMenuBar() ? &m_menuAdapter : nullptr;
}

std::string CMainFrame::GetWindowTitle() const {
    return GetTitle().utf8_string();
}

void CMainFrame::SetWindowTitle(const std::string& title) {
    SetTitle(wxString::FromUTF8(title));
}

CViewPort* CMainFrame::GetActiveViewPort() {
    return GetLumoView();
}

CLumoView* CMainFrame::GetLumoView() const {
    wxDocManager* manager = GetDocumentManager();
    return manager ? dynamic_cast<CLumoView*>(manager->GetCurrentView()) : nullptr;
}

CLumoDoc* CMainFrame::GetActiveScene() const {
    CLumoView* view = GetLumoView();
    return view ? view->GetSceneDocument() : nullptr;
}

void CMainFrame::UpdateRecentFileMenu() {
    if (wxMenuBar* menuBar = GetMenuBar())
        m_recentFiles.UpdateMenu(*menuBar->GetMenu(kFileMenuPosition), 4);
}

void CMainFrame::Render(unsigned parts) {
    CLumoView* view = GetLumoView();
    CLumoDoc* document = view ? view->GetSceneDocument() : nullptr;
    if (!document)
        return;
    SetRenderBusy(1);
    m_render.Render(*view, *document, parts);
    SetRenderBusy(0);
    // The close asked for during the render; it may still be cancelled at the save question,
    // and then the window goes on as before.
    if (m_closePending) {
        m_closePending = false;
        CallAfter([this] { Close(); });
    }
}

bool CMainFrame::OpenFile(const std::string& path, CSceneDocument::ScriptNaming naming) {
    auto* document = dynamic_cast<CSceneDocument*>(GetDocumentManager()->GetCurrentDocument());
    if (!document)
        return false;
    std::string error;
    CSceneDocument::OpenOutcome outcome;
    {
        wxBusyCursor wait;
        outcome = document->OpenFile(path, naming, error);
    }
    if (outcome == CSceneDocument::failed)
        CPlatform::Current().MessageBox(error, "lumo");
    if (outcome != CSceneDocument::addedScript && outcome != CSceneDocument::replacedScene)
        return false;
    if (CLumoView* view = GetLumoView())
        view->ClearImageAndRepaint();
    return true;
}

void CMainFrame::SaveScript() {
    if (CLumoDoc* document = GetActiveScene())
        SaveScriptWith([document](CArchive& archive) { document->Serialize(archive); });
}

void CMainFrame::SaveScriptWith(const std::function<void(CArchive&)>& store) {
    std::string path;
    if (!CLumoView::ChooseScriptFile(CFileChoice::forSaving, path))
        return;
    CArchive archive(path, CArchive::store);
    {
        wxBusyCursor wait;
        store(archive);
    }
    // A save that did not happen is said, never passed over: the user would lose the scene.
    if (!archive.Close())
        CPlatform::Current().MessageBox(archive.GetError(), "lumo");
}

void CMainFrame::ShowOptions() {
    COptionsSheet sheet(this);
    LoadOptions(sheet);
    if (sheet.ShowModal() == wxID_OK)
        SaveOptions(sheet);
}

void CMainFrame::LoadOptions(COptionsSheet& sheet) {
    CSettingsStore profile = CSettingsStore::Profile();
    CSettingsStore ini = CSettingsStore::IniFile();
    const std::string section = CSettingsStore::kSection;
    auto readFloat = [&](const char* key) {
        return static_cast<float>(std::atof(ini.GetString(section, key, "0.1").c_str()));
    };
    sheet.m_renderer->m_maxRecursion =
        static_cast<unsigned>(profile.GetInt(section, "MaxRecursion", 0));
    sheet.m_misc->m_editorPath =
        wxString::FromUTF8(ini.GetString(section, "EditorPath", DefaultEditorCommand()));
    sheet.m_misc->m_fileOverride = profile.GetInt(section, "FileOverRide", 0);
    sheet.m_misc->m_useEditor = profile.GetInt(section, "UseEditor", 0);
    sheet.m_misc->m_runWizard = profile.GetInt(section, "RunWiz", 0);
    sheet.m_camera->m_x = readFloat("CamX");
    sheet.m_camera->m_y = readFloat("CamY");
    sheet.m_camera->m_z = readFloat("CamZ");
    sheet.m_camera->m_width = static_cast<unsigned>(profile.GetInt(section, "Width", 320));
    sheet.m_camera->m_height = static_cast<unsigned>(profile.GetInt(section, "Height", 200));
    sheet.m_camera->m_fishEye = profile.GetInt(section, "FishEye", 0);
    sheet.m_advanced->m_katmai = profile.GetInt(section, "KatMai", 0);
    sheet.m_advanced->m_mmx = profile.GetInt(section, "MMX", 0);
}

void CMainFrame::SaveOptions(COptionsSheet& sheet) {
    CSettingsStore profile = CSettingsStore::Profile();
    CSettingsStore ini = CSettingsStore::IniFile();
    const std::string section = CSettingsStore::kSection;
    // The first write that fails is said, once, and ends the saving: the stores' folder or
    // file is then what is wrong, and every later write would say the same.
    bool failed = false;
    auto said = [&](const CSettingsStore& store, bool written) {
        if (!written) {
            failed = true;
            CPlatform::Current().MessageBox(store.GetLastError(), "lumo");
        }
    };
    auto writeInt = [&](const char* key, int value) {
        if (!failed)
            said(profile, profile.WriteInt(section, key, value));
    };
    auto writeText = [&](const char* key, const std::string& value) {
        if (!failed)
            said(ini, ini.WriteString(section, key, value));
    };
    auto writeFloat = [&](const char* key, float value) {
        char text[64];
        std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
        writeText(key, text);
    };
    writeInt("MaxRecursion", static_cast<int>(sheet.m_renderer->m_maxRecursion));
    writeText("EditorPath", sheet.m_misc->m_editorPath.utf8_string());
    writeInt("FileOverRide", sheet.m_misc->m_fileOverride);
    writeInt("UseEditor", sheet.m_misc->m_useEditor);
    writeInt("RunWiz", sheet.m_misc->m_runWizard);
    writeInt("FishEye", sheet.m_camera->m_fishEye);
    writeFloat("CamX", sheet.m_camera->m_x);
    writeFloat("CamY", sheet.m_camera->m_y);
    writeFloat("CamZ", sheet.m_camera->m_z);
    writeInt("Width", static_cast<int>(sheet.m_camera->m_width));
    writeInt("Height", static_cast<int>(sheet.m_camera->m_height));
    writeInt("KatMai", sheet.m_advanced->m_katmai);
    writeInt("MMX", sheet.m_advanced->m_mmx);
}

// Same Thread, Split View and Quarter View: the picture whole, in halves or in quarters.
void CMainFrame::OnRender(wxCommandEvent& event) {
    if (GetRenderBusy() != 0)
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
    if (CLumoDoc* document = GetActiveScene())
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

void CMainFrame::OnSaveScript(wxCommandEvent&) {
    SaveScript();
}

// The check mark is the item's whole state, and it has already moved when the command
// arrives: GTK toggles a check item before its handler runs. Nothing else reads it.
void CMainFrame::OnLogging(wxCommandEvent&) {}

void CMainFrame::OnExit(wxCommandEvent&) {
    CallAfter([this] { Close(); });
}

void CMainFrame::OnExportImage(wxCommandEvent&) {
    CLumoDoc* document = GetActiveScene();
    if (!document || !document->m_imageComplete)
        return;
    CFileChoice choice{.mode = CFileChoice::forSaving,
                       .filter = "PNG pictures (*.png)|*.png|PPM pictures (*.ppm)|*.ppm",
                       .initialName = "lumo.png",
                       .defaultExtension = "png",
                       .confirmOverwrite = true};
    std::string path;
    if (!CPlatform::Current().ChooseFile(choice, path))
        return;
    std::string error;
    wxBusyCursor wait;
    if (!CImageFile::Write(document->m_image, path, error))
        CPlatform::Current().MessageBox("Cannot export the picture: " + error, "lumo");
}

void CMainFrame::OnOpenScene(wxCommandEvent&) {
    if (GetRenderBusy() != 0)
        return;
    std::string path;
    if (!CSceneDocument::ChooseSceneFile(CFileChoice::forOpening, path))
        return;
    if (OpenFile(path, CSceneDocument::nameAfterScript)) {
        m_recentFiles.Add(path);
        UpdateRecentFileMenu();
    }
}

void CMainFrame::OnSaveSceneAs(wxCommandEvent&) {
    if (auto* document = dynamic_cast<CSceneDocument*>(GetDocumentManager()->GetCurrentDocument()))
        document->ChooseAndSaveScene();
}

// The scene is rebuilt from the spheres of a script, through the grammar, only when the whole
// script parses: a script that stops half-way leaves the scene as it was, and the error says
// where, as lumo-render says it.
void CMainFrame::OnParseScript(wxCommandEvent&) {
    CLumoDoc* document = GetActiveScene();
    if (!document || GetRenderBusy() != 0)
        return;
    std::string path;
    if (!CLumoView::ChooseScriptFile(CFileChoice::forOpening, path))
        return;
    CArchive archive(path, CArchive::load);
    std::string text;
    if (!archive.ReadAll(text)) {
        CPlatform::Current().MessageBox(archive.GetError(), "lumo");
        return;
    }
    // A scene file is read whole, as wherever a file is opened.
    if (CSceneFile::IsSceneText(text)) {
        OpenFile(path, CSceneDocument::nameAfterScript);
        return;
    }
    std::string error;
    if (!CScriptDiagnostics::Parse(*document, text, path, error, true)) {
        CPlatform::Current().MessageBox(error, "lumo");
        return;
    }
    if (CLumoView* view = GetLumoView())
        view->ClearImageAndRepaint();
}

void CMainFrame::OnRecentFile(wxCommandEvent& event) {
    std::string path = m_recentFiles.GetFileForId(event.GetId());
    auto* document = dynamic_cast<CSceneDocument*>(GetDocumentManager()->GetCurrentDocument());
    if (path.empty() || !document || GetRenderBusy() != 0)
        return;
    std::string error;
    switch (document->OpenFile(path, CSceneDocument::nameAfterScript, error)) {
    case CSceneDocument::failed:
        CPlatform::Current().MessageBox(error, "lumo");
        m_recentFiles.Remove(static_cast<std::size_t>(event.GetId() - ID_FILE_MRU_FILE1));
        break;
    case CSceneDocument::cancelled:
        return;
    case CSceneDocument::replacedScene:
        if (CLumoView* view = GetLumoView())
            view->ClearImage();
        [[fallthrough]];
    case CSceneDocument::addedScript:
        m_recentFiles.Add(path);
        break;
    }
    UpdateRecentFileMenu();
    m_canvas->Refresh(true);
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

void CMainFrame::OnClose(wxCloseEvent& event) {
    // A close while the render holds the thread (the window manager's close button) stops the
    // render and closes once it has returned.
    if (GetRenderBusy() != 0 && event.CanVeto()) {
        StopRender();
        m_closePending = true;
        event.Veto();
        return;
    }
    if (auto* app = dynamic_cast<CLumoApp*>(wxTheApp))
        if (!app->RemoveTrayIcon())
            CPlatform::Current().MessageBox("Failed delete tray icon..", "lumo");
    event.Skip(); // the framework's close processing: save prompt, then the window goes
}

void CMainFrame::OnIdle(wxIdleEvent& event) {
    UpdateIndicators();
    event.Skip();
}

void CMainFrame::OnUpdateAlwaysEnabled(wxUpdateUIEvent& event) {
    event.Enable(true);
}

void CMainFrame::OnUpdateNobodyHandles(wxUpdateUIEvent& event) {
    event.Enable(false);
}

void CMainFrame::OnUpdateRecentFile(wxUpdateUIEvent& event) {
    event.Enable(!m_recentFiles.GetFileForId(event.GetId()).empty() && GetRenderBusy() == 0);
}

void CMainFrame::OnUpdateExportImage(wxUpdateUIEvent& event) {
    CLumoDoc* document = GetActiveScene();
    event.Enable(document && document->m_imageComplete && !document->IsRendering());
}

void CMainFrame::OnUpdateWhenIdle(wxUpdateUIEvent& event) {
    event.Enable(GetRenderBusy() == 0);
}

void CMainFrame::OnUpdateToolBar(wxUpdateUIEvent& event) {
    event.Check(GetToolBar() && GetToolBar()->IsShown());
}

void CMainFrame::OnUpdateStatusBar(wxUpdateUIEvent& event) {
    event.Check(GetStatusBar() && GetStatusBar()->IsShown());
}
