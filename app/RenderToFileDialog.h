#pragma once

#include "app/RenderToFileSettings.h"

#include <wx/dialog.h>

class wxChoice;
class wxSpinCtrl;
class wxStaticText;
class wxTextCtrl;

// "Render to File": the picture's size (a preset, the view's size or any size lumo-render
// accepts), antialiasing, the deepest reflection, the threads, the format and the file. The
// Render button checks what was typed: a size the machine cannot hold, a file in a folder that
// cannot be written, are refused under the fields with the reason, and the dialog stays open
// with the focus on what is wrong.
class CRenderToFileDialog : public wxDialog {
public:
    enum : int {
        ID_SIZE = 1201,
        ID_WIDTH,
        ID_HEIGHT,
        ID_ANTIALIAS,
        ID_RECURSION,
        ID_THREADS,
        ID_FORMAT,
        ID_FILE,
        ID_BROWSE,
        ID_PROBLEM,
    };

    // The settings shown first, and the view's size for its entry in the size list.
    CRenderToFileDialog(wxWindow* owner, const CRenderToFileSettings& settings, wxSize viewSize);

    bool TransferDataFromWindow() override;

    // What Render accepted.
    const CRenderToFileSettings& GetSettings() const { return m_settings; }
    // The reason last shown under the fields ("" when none).
    wxString GetProblem() const;

private:
    void OnSize(wxCommandEvent& event);
    void OnSizeTyped(wxCommandEvent& event);
    void OnFormat(wxCommandEvent& event);
    void OnFileTyped(wxCommandEvent& event);
    static CImageFile::Format ExtensionFormat(int index);
    void OnBrowse(wxCommandEvent& event);
    // Selects the size list's entry for the typed width and height.
    void MatchSize();
    bool Refuse(wxWindow* control, const wxString& reason);

    CRenderToFileSettings m_settings;
    wxSize m_viewSize;
    wxChoice* m_size = nullptr;
    wxTextCtrl* m_width = nullptr;
    wxTextCtrl* m_height = nullptr;
    wxSpinCtrl* m_antialias = nullptr;
    wxSpinCtrl* m_recursion = nullptr;
    wxSpinCtrl* m_threads = nullptr;
    wxChoice* m_format = nullptr;
    wxTextCtrl* m_file = nullptr;
    wxStaticText* m_problem = nullptr;
    wxString m_problemText; // as said, before it was wrapped to the dialog's width
};
