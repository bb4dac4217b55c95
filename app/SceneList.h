#pragma once

#include <wx/listctrl.h>

#include <cstddef>
#include <functional>

// The properties pane's list of the scene's objects and lights: a virtual list, which asks for
// the text of the rows it shows only, so that a scene of 100,000 spheres is listed at once. A
// single column without a header; one row selected at most.
class CSceneList : public wxListCtrl {
public:
    CSceneList(wxWindow* parent, wxWindowID id, std::function<wxString(std::size_t)> rowText);

    // The rows are there to be asked for: count of them, the shown ones painted again.
    void SetRowCount(std::size_t count);
    std::size_t GetCount() const { return static_cast<std::size_t>(GetItemCount()); }
    // The selected row, or wxNOT_FOUND.
    int GetSelection() const;
    // Selects the row (wxNOT_FOUND: none); the events it raises come while IsChanging.
    void SetSelection(int row);
    bool IsChanging() const { return m_changing; }
    // The row's text, as it is shown.
    wxString GetString(std::size_t row) const { return m_rowText(row); }
    // The row's text changed.
    void RefreshRow(std::size_t row) { RefreshItem(static_cast<long>(row)); }

private:
    wxString OnGetItemText(long item, long column) const override;
    void OnSize(wxSizeEvent& event);

    std::function<wxString(std::size_t)> m_rowText;
    bool m_changing = false;
};
