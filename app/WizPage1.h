#pragma once

#include <wx/wizard.h>

// "Scene Wizard", the first sheet's page: how many objects the scene gets (1 to 50).
class CWizPage1 : public wxWizardPageSimple {
public:
    enum : int { ID_OBJECT_COUNT = 1020 };
    static constexpr int kMinObjects = 1;
    static constexpr int kMaxObjects = 50;

    explicit CWizPage1(wxWizard* wizard);

    // Shows "1" each time the page becomes active.
    bool TransferDataToWindow() override;
    // Next reads the count; outside 1 to 50 the page stays, without a message.
    bool TransferDataFromWindow() override;

    // The leading decimal integer of the text, as the C library's atoi reads it (leading white
    // space, an optional sign, then digits; 0 when there is none). Values beyond the int range
    // come back as its nearest end.
    static int LeadingInteger(const wxString& text);

    int m_objectCount = 0;

private:
    void OnCountChanged(wxCommandEvent& event);
};
