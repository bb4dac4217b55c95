#pragma once

#include <wx/propdlg.h>

class CMiscOptions;
class COptions1;
class COptions2;
class COptions3;
class COptions4;
class COptions5;
class COptions6;
class COptionsPage;
class CRendererOptions;
class wxBookCtrlEvent;

// "Options": the program's settings on six tabs, shown modally with OK, Cancel and Apply. The
// pages hold the values; COptionsMapping fills them from the settings before the sheet is shown
// and writes them back after OK. The "Camera" and "Defaults" pages are built and carry their
// values but are not on the sheet.
class COptionsSheet : public wxPropertySheetDialog {
public:
    explicit COptionsSheet(wxWindow* owner);

    // Owned by the sheet as its child windows, in the order they are built.
    CMiscOptions* m_misc = nullptr;
    CRendererOptions* m_renderer = nullptr;
    COptions1* m_renderer2 = nullptr;
    COptions2* m_camera = nullptr;
    COptions3* m_methods = nullptr;
    COptions4* m_experimental = nullptr;
    COptions5* m_defaults = nullptr;
    COptions6* m_advanced = nullptr;

    // The page the user is on: the one last reached (a refused leave keeps it).
    COptionsPage* GetActivePage() const { return m_activePage; }

    // The active page shows its values when the sheet opens and gives them back, validated,
    // on OK; a refused value keeps the sheet open on that page.
    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

private:
    void OnPageChanging(wxBookCtrlEvent& event);
    void OnPageChanged(wxBookCtrlEvent& event);

    COptionsPage* m_activePage = nullptr;
};
