#include "app/OptionsSheet.h"

#include "app/MiscOptions.h"
#include "app/Options1.h"
#include "app/Options2.h"
#include "app/Options3.h"
#include "app/Options4.h"
#include "app/Options5.h"
#include "app/Options6.h"
#include "app/RendererOptions.h"

#include <wx/bookctrl.h>
#include <wx/button.h>

COptionsSheet::COptionsSheet(wxWindow* owner) {
    Create(owner, wxID_ANY, "Options");
    wxBookCtrlBase* book = GetBookCtrl();
    m_misc = new CMiscOptions(book);
    m_renderer = new CRendererOptions(book);
    m_renderer2 = new COptions1(book);
    m_camera = new COptions2(this);
    m_methods = new COptions3(book);
    m_experimental = new COptions4(book);
    m_defaults = new COptions5(this);
    m_advanced = new COptions6(book);
    m_camera->Hide();
    m_defaults->Hide();

    for (COptionsPage* page : std::initializer_list<COptionsPage*>{
             m_misc, m_renderer, m_renderer2, m_methods, m_experimental, m_advanced}) {
        page->SetMinSize(wxDLG_UNIT(page, wxSize(210, 154)));
        book->AddPage(page, page->GetCaption());
    }
    CreateButtons(wxOK | wxCANCEL | wxAPPLY);
    // No page ever marks itself changed.
    if (wxWindow* apply = FindWindow(wxID_APPLY))
        apply->Disable();
    LayoutDialog();

    m_activePage = m_misc;
    // Bound only now: adding the first page selects it, before any value is loaded.
    book->Bind(wxEVT_BOOKCTRL_PAGE_CHANGING, &COptionsSheet::OnPageChanging, this);
    book->Bind(wxEVT_BOOKCTRL_PAGE_CHANGED, &COptionsSheet::OnPageChanged, this);
}

bool COptionsSheet::TransferDataToWindow() {
    if (COptionsPage* page = GetActivePage())
        page->OnSetActive();
    return true;
}

bool COptionsSheet::TransferDataFromWindow() {
    COptionsPage* page = GetActivePage();
    return !page || page->OnKillActive();
}

void COptionsSheet::OnPageChanging(wxBookCtrlEvent& event) {
    COptionsPage* page = GetActivePage();
    if (!page || page->OnKillActive())
        return;
    event.Veto();
    // GTK may switch the tab all the same (a change asked for by the program is not always
    // stopped): put the page that refused back in front once the switch is over.
    CallAfter([this] {
        wxBookCtrlBase* book = GetBookCtrl();
        int index = book->FindPage(m_activePage);
        if (index != wxNOT_FOUND && book->GetSelection() != index)
            book->ChangeSelection(static_cast<std::size_t>(index));
    });
}

void COptionsSheet::OnPageChanged(wxBookCtrlEvent& event) {
    // The page itself, not wxWidgets' selection: a programmatic change that a page refused
    // still moves the notebook's selection index under GTK.
    m_activePage = dynamic_cast<COptionsPage*>(
        GetBookCtrl()->GetPage(static_cast<std::size_t>(event.GetSelection())));
    if (m_activePage)
        m_activePage->OnSetActive();
    event.Skip();
}
