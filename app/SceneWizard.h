#pragma once

#include "script/WizardObject.h"

#include <wx/wizard.h>

#include <vector>

class CLumoDoc;
class CWizPage2;

// A sheet of the scene wizard: pages with Back, Next (or Finish) and Cancel instead of tabs.
// The wizard runs two of them: "First" asks for the number of objects, "Wizard" has one page
// per object and a closing page.
class CSceneWizard : public wxWizard {
public:
    // A sheet whose last page closes it with "Next" (the first sheet) shows that label there
    // instead of "Finish".
    CSceneWizard(wxWindow* owner, const wxString& caption, bool finishOnLastPage = true);

    // Chains the page after those added so far.
    void AddPage(wxWizardPageSimple* page);
    // An object page: chained, and kept in the wizard's list of object pages.
    void AddObjectPage(CWizPage2* page);
    // Shows the sheet from its first page; true when it closed with Finish (or Next on the
    // first sheet).
    bool Run();

    // The object pages' values in page order, each with the kind its list shows now.
    std::vector<CWizardObject> GetObjects() const;

    bool ShowPage(wxWizardPage* page, bool goingForward = true) override;

    // The whole wizard over the document: the count, then the objects; on Finish the scene is
    // replaced, on Cancel of either sheet nothing changes. True when the scene was rebuilt.
    static bool RunOn(CLumoDoc& document, wxWindow* owner);

    std::vector<CWizPage2*> m_objectPages;

private:
    std::vector<wxWizardPageSimple*> m_pages;
    bool m_finishOnLastPage;
};
