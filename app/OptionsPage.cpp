#include "app/OptionsPage.h"

#include "app/DataExchange.h"

COptionsPage::COptionsPage(wxWindow* parent, const wxString& caption)
    : wxPanel(parent, wxID_ANY), m_caption(caption) {}

void COptionsPage::OnSetActive() {
    if (m_shown)
        return;
    m_shown = true;
    CDataExchange::Run(*this, false, [this](CDataExchange& dx) { DoDataExchange(dx); });
}

bool COptionsPage::OnKillActive() {
    if (!m_shown)
        return true;
    return CDataExchange::Run(*this, true, [this](CDataExchange& dx) { DoDataExchange(dx); });
}
