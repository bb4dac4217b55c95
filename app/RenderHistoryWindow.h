#pragma once

#include <wx/frame.h>
#include <wx/image.h>

#include <vector>

class CImageViewer;
class CRenderHistory;
class wxButton;
class wxImageList;
class wxListCtrl;
class wxListEvent;

// View > Render History: this session's renders to file in a list (thumbnail, when they
// finished, their size, antialiasing, recursion, threads, time and file). One chosen opens in
// a viewer; two chosen (Ctrl and a click, or Shift and the arrows) compare, side by side or as
// a difference picture, each in a viewer of its own. The list follows the history as renders
// finish.
class CRenderHistoryWindow : public wxFrame {
public:
    enum : int {
        ID_LIST = 1401,
        ID_OPEN,
        ID_SIDE_BY_SIDE,
        ID_DIFFERENCE,
    };
    // Pixels of the window's background between two pictures side by side.
    static constexpr int kGap = 8;

    CRenderHistoryWindow(wxWindow* owner, CRenderHistory& history);
    ~CRenderHistoryWindow() override;

    // Lists the history as it is now.
    void Reload();
    // The numbers of the renders chosen in the list, in the list's order.
    std::vector<unsigned> GetChosen() const;

    // The two pictures beside each other, top-aligned, kGap apart on a grey ground.
    static wxImage SideBySide(const wxImage& left, const wxImage& right);

    // The viewer the last comparison or Open made (null before any).
    CImageViewer* GetLastViewer() const { return m_lastViewer; }

private:
    void UpdateButtons();
    void OnChosen(wxListEvent& event);
    void OnOpen(wxCommandEvent& event);
    void OnSideBySide(wxCommandEvent& event);
    void OnDifference(wxCommandEvent& event);

    CRenderHistory& m_history;
    wxListCtrl* m_list = nullptr;
    wxImageList* m_thumbnails = nullptr;
    wxButton* m_open = nullptr;
    wxButton* m_sideBySide = nullptr;
    wxButton* m_difference = nullptr;
    CImageViewer* m_lastViewer = nullptr;
};
