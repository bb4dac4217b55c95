#pragma once

#include <wx/propdlg.h>
#include <wx/string.h>

// The options sheet's pages as value holders. The pages with their controls, layouts and value
// exchange follow with the dialogs; the frame's LoadOptions and SaveOptions fill and read
// these fields.
struct CMiscOptions {
    int m_useEditor = 0;
    wxString m_editorPath;
    int m_fileOverride = 0;
    int m_runWizard = 0;
};
struct CRendererOptions {
    unsigned m_maxRecursion = 0;
};
struct COptions2 {
    float m_x = 0.0f;
    float m_y = 0.0f;
    float m_z = 0.0f;
    int m_fishEye = 0;
    unsigned m_height = 0;
    unsigned m_width = 0;
};
struct COptions6 {
    int m_katmai = 0;
    int m_mmx = 0;
};

// "Options": the settings of the program on tabbed pages, shown modally.
class COptionsSheet : public wxPropertySheetDialog {
public:
    explicit COptionsSheet(wxWindow* parent);

    CMiscOptions m_misc;
    CRendererOptions m_renderer;
    COptions2 m_camera;
    COptions6 m_advanced;
};
