#include "app/SceneWizard.h"

#include "app/WizPage1.h"
#include "app/WizPage2.h"
#include "app/WizPage3.h"
#include "script/LumoDoc.h"

#include <wx/button.h>
#include <wx/sizer.h>

CSceneWizard::CSceneWizard(wxWindow* owner, const wxString& caption, bool finishOnLastPage)
    : wxWizard(owner, wxID_ANY, caption), m_finishOnLastPage(finishOnLastPage) {
    SetPageSize(wxDLG_UNIT(this, wxSize(210, 154)));
}

void CSceneWizard::AddPage(wxWizardPageSimple* page) {
    if (!m_pages.empty())
        wxWizardPageSimple::Chain(m_pages.back(), page);
    else
        GetPageAreaSizer()->Add(page); // the sheet sizes itself to its pages
    m_pages.push_back(page);
}

void CSceneWizard::AddObjectPage(CWizPage2* page) {
    m_objectPages.push_back(page);
    AddPage(page);
}

bool CSceneWizard::Run() {
    return !m_pages.empty() && RunWizard(m_pages.front());
}

std::vector<CWizardObject> CSceneWizard::GetObjects() const {
    std::vector<CWizardObject> objects;
    for (CWizPage2* page : m_objectPages) {
        page->ReadObjectType();
        objects.push_back(page->m_object);
    }
    return objects;
}

bool CSceneWizard::ShowPage(wxWizardPage* page, bool goingForward) {
    if (!wxWizard::ShowPage(page, goingForward))
        return false;
    if (!m_finishOnLastPage && page && !page->GetNext())
        if (wxWindow* next = FindWindow(wxID_FORWARD))
            next->SetLabel("&Next >");
    return true;
}

bool CSceneWizard::RunOn(CLumoDoc& document, wxWindow* owner) {
    int count = 0;
    {
        CSceneWizard first(owner, "First", false);
        auto* countPage = new CWizPage1(&first);
        first.AddPage(countPage);
        if (!first.Run())
            return false;
        count = countPage->m_objectCount;
    }
    CSceneWizard wizard(owner, "Wizard");
    for (int i = 0; i < count; ++i)
        wizard.AddObjectPage(new CWizPage2(&wizard));
    wizard.AddPage(new CWizPage3(&wizard));
    if (!wizard.Run())
        return false;
    // The scene is cleared only now, after Finish.
    document.BuildWizardScene(wizard.GetObjects());
    return true;
}
