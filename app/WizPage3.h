#pragma once

#include <wx/wizard.h>

// "Scene contructed", the closing page: Back, Finish or Cancel, and the script of the scene
// being built to view or save first.
class CWizPage3 : public wxWizardPageSimple {
public:
    enum : int { ID_VIEW_SOURCE = 1030, ID_SAVE_AS = 1031 };

    explicit CWizPage3(wxWizard* wizard);

    // The script text the document would write for the objects of the pages as they are now;
    // the document is not touched.
    std::string GetScriptText() const;

private:
    void OnViewSource(wxCommandEvent& event);
    void OnSaveAs(wxCommandEvent& event);
};
