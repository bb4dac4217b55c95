#pragma once

#include <cstddef>

// The program's command identifiers, used as the wxWidgets event ids of menu items, tool bar
// buttons and accelerators. The numbers are the program's own and stay as they are: settings,
// tests and the enable rules address commands by them. All lie above wxID_HIGHEST, so none
// meets a wxWidgets stock id or the document manager's own handlers.
enum : int {
    ID_GO_SAME_THREAD = 32771,
    ID_GO_SPLIT_VIEW = 32772,
    ID_GO_QUARTER_VIEW = 32773,
    ID_DEBUG_LOGGING = 32779,
    ID_VIEW_EDITOR = 32784,
    ID_GO_RENDER = 32785,
    ID_VIEW_OPTIONS = 32786,
    ID_VIEW_OPTIONS_FROM_VIEW = 32787,
    ID_SCENE_WIZARD = 32788,
    ID_FILE_SAVE_SCRIPT = 32789,
    ID_SCENE_CAMERA = 32790,
    ID_SCENE_ADD_LIGHT = 32791,

    // Additions of the desktop program, beside the numbers above.
    ID_FILE_EXPORT_IMAGE = 32800,
    ID_SCENE_PARSE_SCRIPT = 32801,
    ID_FILE_OPEN_SCENE = 32802,
    ID_FILE_SAVE_SCENE_AS = 32803,
    ID_VIEW_LIVE_PREVIEW = 32804,
    ID_VIEW_PROPERTIES = 32805,
    ID_VIEW_SCENE_TEXT = 32806,
    ID_GO_RENDER_TO_FILE = 32807,
    ID_VIEW_RENDER_HISTORY = 32808,

    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_MRU_FILE1 = 57616, // to ID_FILE_MRU_FILE1 + 3: the four recent files
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

// The progress gauge's control id in the status bar.
constexpr int ID_RENDER_PROGRESS = 1;
// The live preview's thread events to the view's canvas: a frame is ready.
constexpr int ID_LIVE_FRAME = 2;
// The scene text pane's timers and controls: the pause after typing, the settling of a file
// changed on disk, the editor, the Save button, and the wait for a large scene to stop changing.
constexpr int ID_SCENE_TEXT_PAUSE = 10;
constexpr int ID_SCENE_TEXT_SETTLE = 11;
constexpr int ID_SCENE_TEXT_EDITOR = 12;
constexpr int ID_SCENE_TEXT_SAVE = 13;
constexpr int ID_SCENE_TEXT_QUIET = 14;
// The renders to file: the Stop button in the status bar while one runs, and the thread events
// from the render's thread to the frame (its progress, its end).
constexpr int ID_RENDER_TO_FILE_STOP = 20;
constexpr int ID_RENDER_TO_FILE_EVENT = 21;
// Top-level menu positions that the program addresses by position (the menu builder checks them
// against the menus' titles).
constexpr int kFileMenuPosition = 0;
constexpr int kGoMenuPosition = 4;
// The recent-file list: its items stand in the File menu from this position on.
constexpr int kRecentFileCount = 4;
constexpr std::size_t kRecentFileItemPosition = 4;
