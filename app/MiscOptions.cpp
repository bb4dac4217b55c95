#include "app/MiscOptions.h"

#include "app/AccessibleNames.h"
#include "app/DataExchange.h"

#include <wx/checkbox.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

CMiscOptions::CMiscOptions(wxWindow* parent) : COptionsPage(parent, "General") {
    auto* runWizard =
        new wxCheckBox(this, ID_RUN_WIZARD, "Run wizard on start", At(19, 50), Size(89, 10));
    auto* fileOverride =
        new wxCheckBox(this, ID_FILE_OVERRIDE, "File overrides options", At(19, 68), Size(177, 10));
    auto* editorGroup = new wxStaticBox(this, wxID_ANY, "Editor", At(7, 88), Size(196, 59));
    // Nothing uses this flag: the box shows it but cannot change it.
    auto* useEditor =
        new wxCheckBox(this, ID_USE_EDITOR, "Use external editor", At(19, 97), Size(75, 10));
    useEditor->Disable();
    auto* editorLabel = new wxStaticText(this, wxID_ANY, "Editor", At(19, 120), Size(23, 8));
    auto* editorPath = new wxTextCtrl(this, ID_EDITOR_PATH, "", At(45, 118), Size(149, 14));

    NameForAccessibility(*runWizard, runWizard->GetLabel());
    NameForAccessibility(*fileOverride, fileOverride->GetLabel());
    NameForAccessibility(*useEditor, useEditor->GetLabel(), editorGroup->GetLabel());
    NameForAccessibility(*editorPath, editorLabel->GetLabel(), editorGroup->GetLabel(),
                         editorLabel);
}

void CMiscOptions::DoDataExchange(CDataExchange& dx) {
    dx.Check(ID_USE_EDITOR, m_useEditor);
    dx.Text(ID_EDITOR_PATH, m_editorPath, kMaxEditorPath);
    dx.Check(ID_FILE_OVERRIDE, m_fileOverride);
    dx.Check(ID_RUN_WIZARD, m_runWizard);
}
