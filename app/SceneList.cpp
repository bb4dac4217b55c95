#include "app/SceneList.h"

CSceneList::CSceneList(wxWindow* parent, wxWindowID id,
                       std::function<wxString(std::size_t)> rowText)
    : wxListCtrl(parent, id, wxDefaultPosition, wxSize(-1, 140),
                 wxLC_REPORT | wxLC_VIRTUAL | wxLC_NO_HEADER | wxLC_SINGLE_SEL),
      m_rowText(std::move(rowText)) {
    AppendColumn(wxString());
    Bind(wxEVT_SIZE, &CSceneList::OnSize, this);
}

void CSceneList::SetRowCount(std::size_t count) {
    SetItemCount(static_cast<long>(count));
    Refresh();
}

int CSceneList::GetSelection() const {
    return static_cast<int>(GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

void CSceneList::SetSelection(int row) {
    int current = GetSelection();
    if (current == row)
        return;
    m_changing = true;
    if (current != wxNOT_FOUND)
        SetItemState(current, 0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    if (row != wxNOT_FOUND) {
        SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                     wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        EnsureVisible(row);
    }
    m_changing = false;
}

wxString CSceneList::OnGetItemText(long item, long) const {
    return item >= 0 && static_cast<std::size_t>(item) < GetCount()
               ? m_rowText(static_cast<std::size_t>(item))
               : wxString();
}

// The one column fills the list's width.
void CSceneList::OnSize(wxSizeEvent& event) {
    event.Skip();
    SetColumnWidth(0, GetClientSize().GetWidth());
}
