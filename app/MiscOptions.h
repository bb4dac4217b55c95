#pragma once

#include "app/OptionsPage.h"

// "General": the run-wizard and file-overrides flags and the external editor.
class CMiscOptions : public COptionsPage {
public:
    enum : int {
        ID_USE_EDITOR = 1000,
        ID_EDITOR_PATH = 1001,
        ID_RUN_WIZARD = 1021,
        ID_FILE_OVERRIDE = 1022,
    };
    static constexpr std::size_t kMaxEditorPath = 255;

    explicit CMiscOptions(wxWindow* parent);

    int m_useEditor = 0;
    wxString m_editorPath;
    int m_fileOverride = 0;
    int m_runWizard = 0;

protected:
    void DoDataExchange(CDataExchange& dx) override;
};
