#include "app/WizPage3.h"

#include "app/FileCommands.h"
#include "app/SceneWizard.h"
#include "script/Archive.h"
#include "script/WizardObject.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

CWizPage3::CWizPage3(wxWizard* wizard) : wxWizardPageSimple(wizard) {
    auto at = [this](int x, int y) { return wxDLG_UNIT(this, wxPoint(x, y)); };
    auto size = [this](int width, int height) { return wxDLG_UNIT(this, wxSize(width, height)); };
    auto* text = new wxStaticText(
        this, wxID_ANY,
        "Now that the scene is constructed you can view the script, save it or finish with the "
        "wizard so that you can render it with the Go render from the tool bar or menu",
        at(7, 26), size(196, 30));
    text->Wrap(size(196, 30).GetWidth());
    new wxButton(this, ID_VIEW_SOURCE, "View source", at(7, 70), size(50, 14));
    new wxButton(this, ID_SAVE_AS, "Save As", at(153, 70), size(50, 14));
    Bind(wxEVT_BUTTON, &CWizPage3::OnViewSource, this, ID_VIEW_SOURCE);
    Bind(wxEVT_BUTTON, &CWizPage3::OnSaveAs, this, ID_SAVE_AS);
}

std::string CWizPage3::GetScriptText() const {
    auto* wizard = dynamic_cast<CSceneWizard*>(GetParent());
    return wizard ? CWizardObject::ScriptText(wizard->GetObjects()) : std::string();
}

void CWizPage3::OnViewSource(wxCommandEvent&) {
    wxDialog dialog(this, wxID_ANY, "View source", wxDefaultPosition, wxDefaultSize,
                    wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
    auto* source = new wxTextCtrl(&dialog, wxID_ANY, wxString::FromUTF8(GetScriptText()),
                                  wxDefaultPosition, dialog.ConvertDialogToPixels(wxSize(240, 150)),
                                  wxTE_MULTILINE | wxTE_READONLY | wxHSCROLL);
    source->SetFont(wxFont(wxFontInfo().Family(wxFONTFAMILY_TELETYPE)));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(source, 1, wxEXPAND | wxALL, 8);
    sizer->Add(dialog.CreateStdDialogButtonSizer(wxOK), 0, wxEXPAND | wxBOTTOM, 8);
    dialog.SetSizerAndFit(sizer);
    dialog.ShowModal();
}

void CWizPage3::OnSaveAs(wxCommandEvent&) {
    const std::string text = GetScriptText();
    CFileCommands::SaveScriptWith([&text](CArchive& archive) { archive.WriteString(text); });
}
