#include "app/MenuBuilder.h"

#include "app/AppIcon.h"
#include "app/CommandIds.h"

#include <wx/artprov.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <string_view>
#include <vector>

namespace {

// The top-level menus in the order they stand. The program addresses two of them by position
// (the recent files in File, the greying of Go during a render), so those positions are checked
// here against the titles.
constexpr const char* kMenuTitles[] = {"&File", "&Edit",  "&View", "Scene",
                                       "&Go",   "&Debug", "&Help"};
static_assert(std::string_view(kMenuTitles[kFileMenuPosition]) == "&File");
static_assert(std::string_view(kMenuTitles[kGoMenuPosition]) == "&Go");

// An item of a menu: a command, a check item or a separator, with its status-bar prompt.
struct MenuItem {
    int id;
    const char* text = "";
    const char* prompt = "";
    wxItemKind kind = wxITEM_NORMAL;
};
const MenuItem kSeparator{wxID_SEPARATOR, "", "", wxITEM_SEPARATOR};

// Each menu's items, in the order of kMenuTitles.
const std::vector<MenuItem> kMenuItems[] = {
    {
        {ID_FILE_NEW, "&New\tCtrl+N", "Create a new document"},
        {ID_FILE_OPEN, "&Open...\tCtrl+O", "Open an existing document"},
        {ID_FILE_SAVE_SCRIPT, "Save Script"},
        kSeparator,
        // The recent-file list's items take this one's place (kRecentFileItemPosition).
        {ID_FILE_MRU_FILE1, "Recent File", "Open this document"},
        kSeparator,
        {ID_FILE_EXPORT_IMAGE, "Export Image...",
         "Save the last rendered picture as a PNG or PPM file"},
        {ID_FILE_OPEN_SCENE, "Open Scene...",
         "Open a scene file: every object, light, the background and the camera"},
        {ID_FILE_SAVE_SCENE_AS, "Save Scene As...", "Save the whole scene as a scene file"},
        {ID_APP_EXIT, "E&xit", "Quit the application; prompts to save documents"},
    },
    {
        {ID_EDIT_UNDO, "&Undo\tCtrl+Z", "Undo the last action"},
        kSeparator,
        {ID_EDIT_CUT, "Cu&t\tCtrl+X", "Cut the selection and put it on the Clipboard"},
        {ID_EDIT_COPY, "&Copy\tCtrl+C", "Copy the selection and put it on the Clipboard"},
        {ID_EDIT_PASTE, "&Paste\tCtrl+V", "Insert Clipboard contents"},
    },
    {
        {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar", wxITEM_CHECK},
        {ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar", wxITEM_CHECK},
        {ID_VIEW_OPTIONS, "Options", "Set and view options"},
        {ID_VIEW_EDITOR, "Editor", "Editor"},
        {ID_VIEW_LIVE_PREVIEW, "Live Preview",
         "Render the scene again whenever it changes; move the camera with the mouse",
         wxITEM_CHECK},
        {ID_VIEW_PROPERTIES, "Properties",
         "Show or hide the pane that edits the selected object or light", wxITEM_CHECK},
        {ID_VIEW_SCENE_TEXT, "Scene Text",
         "Show or hide the scene as text, rendered again as you type", wxITEM_CHECK},
        {ID_VIEW_RENDER_HISTORY, "Render History",
         "List this session's renders to file; compare two side by side or as a difference"},
    },
    {
        {ID_SCENE_WIZARD, "Create Wizard", "Create a new scene"},
        {ID_SCENE_CAMERA, "Camera", "Set Camera position"},
        {ID_SCENE_ADD_LIGHT, "Add Light", "Add Light to scene"},
        {ID_SCENE_PARSE_SCRIPT, "Parse Script...", "Build the scene from the spheres of a script"},
    },
    {
        {ID_GO_SAME_THREAD, "Same Thread", "Fire off a single threaded render"},
        {ID_GO_SPLIT_VIEW, "Split View", "Split view render per thread"},
        {ID_GO_QUARTER_VIEW, "Quarter View", "Quarter view render per thread"},
        kSeparator,
        {ID_GO_RENDER_TO_FILE, "Render to File...",
         "Render the scene in the background at any size, antialiased, into a PNG or PPM file"},
    },
    {
        {ID_DEBUG_LOGGING, "Logging", "Debug logging ", wxITEM_CHECK},
    },
    {
        {ID_APP_ABOUT, "&About lumo...",
         "Display program information, version number and copyright"},
    },
};
static_assert(std::size(kMenuItems) == std::size(kMenuTitles));

// Stock art where the desktop's theme has it, else the drawn glyph.
wxBitmap ToolBitmap(const wxArtID& id) {
    wxBitmap bitmap = wxArtProvider::GetBitmap(id, wxART_TOOLBAR, wxSize(16, 16));
    return bitmap.IsOk() ? bitmap : MakeToolGlyph(id.utf8_string());
}

} // namespace

bool CMenuBuilder::Build(wxFrame& frame) {
    frame.SetMenuBar(BuildMenuBar());
    std::vector<wxAcceleratorEntry> accelerators = Accelerators();
    frame.SetAcceleratorTable(
        wxAcceleratorTable(static_cast<int>(accelerators.size()), accelerators.data()));
    return BuildToolBar(frame) && BuildStatusBar(frame);
}

wxMenuBar* CMenuBuilder::BuildMenuBar() {
    auto* menuBar = new wxMenuBar;
    for (std::size_t position = 0; position < std::size(kMenuTitles); ++position) {
        auto* menu = new wxMenu;
        for (const MenuItem& item : kMenuItems[position])
            menu->Append(item.id, item.text, item.prompt, item.kind);
        menuBar->Append(menu, kMenuTitles[position]);
    }
    // Logging starts checked.
    menuBar->Check(ID_DEBUG_LOGGING, true);
    return menuBar;
}

std::vector<wxAcceleratorEntry> CMenuBuilder::Accelerators() {
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

bool CMenuBuilder::BuildToolBar(wxFrame& frame) {
    wxToolBar* toolBar = frame.CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT, ID_VIEW_TOOLBAR);
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
    return toolBar->Realize();
}

bool CMenuBuilder::BuildStatusBar(wxFrame& frame) {
    wxStatusBar* statusBar =
        frame.CreateStatusBar(1 + kIndicatorCount, wxSTB_DEFAULT_STYLE, ID_VIEW_STATUS_BAR);
    if (!statusBar)
        return false;
    int widths[1 + kIndicatorCount] = {-1};
    for (int i = 0; i < kIndicatorCount; ++i)
        widths[i + 1] = statusBar->GetTextExtent(kIndicators[i]).GetWidth() + 16;
    statusBar->SetStatusWidths(1 + kIndicatorCount, widths);
    frame.SetStatusBarPane(0);
    frame.SetStatusText("Ready", 0);
    return true;
}
