#include "app/RenderHistoryWindow.h"

#include "app/AccessibleNames.h"
#include "app/ImageCanvas.h"
#include "app/ImageViewer.h"
#include "app/RenderHistory.h"
#include "core/Image.h"
#include "core/ImageDifference.h"
#include "platform/Platform.h"
#include "render/RenderEstimator.h"

#include <wx/button.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

// "#3 (1920 × 1080, antialiasing 4, ...)".
wxString Named(const CRenderHistory::Entry& entry) {
    return wxString::Format("#%u (%s)", entry.number, CRenderHistory::Describe(entry.settings));
}

// A thumbnail centred in the image list's size, on the list's own ground.
wxBitmap ThumbnailBitmap(const wxImage& thumbnail) {
    wxImage cell(CRenderHistory::kThumbnailWidth, CRenderHistory::kThumbnailHeight);
    cell.SetRGB(wxRect(cell.GetSize()), 255, 255, 255);
    if (thumbnail.IsOk())
        cell.Paste(thumbnail, (cell.GetWidth() - thumbnail.GetWidth()) / 2,
                   (cell.GetHeight() - thumbnail.GetHeight()) / 2);
    return wxBitmap(cell);
}

} // namespace

CRenderHistoryWindow::CRenderHistoryWindow(wxWindow* owner, CRenderHistory& history)
    : wxFrame(owner, wxID_ANY, "Render History", wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE | wxFRAME_FLOAT_ON_PARENT),
      m_history(history) {
    auto* panel = new wxPanel(this);
    auto* top = new wxBoxSizer(wxVERTICAL);
    const int gap = FromDIP(6);
    auto* label =
        new wxStaticText(panel, wxID_ANY,
                         "&Renders to file of this session. Choose one to open it, or two "
                         "(Ctrl and a click) to compare them.");
    top->Add(label, 0, wxEXPAND | wxALL, gap);
    m_list =
        new wxListCtrl(panel, ID_LIST, wxDefaultPosition, FromDIP(wxSize(760, 260)), wxLC_REPORT);
    m_thumbnails =
        new wxImageList(CRenderHistory::kThumbnailWidth, CRenderHistory::kThumbnailHeight, false);
    m_list->SetImageList(m_thumbnails, wxIMAGE_LIST_SMALL);
    const struct {
        const char* title;
        int width;
    } columns[] = {{"#", 110},        {"Finished", 80}, {"Size", 100}, {"Antialiasing", 90},
                   {"Recursion", 75}, {"Threads", 65},  {"Time", 60},  {"File", 260}};
    for (std::size_t i = 0; i < std::size(columns); ++i)
        m_list->AppendColumn(columns[i].title, wxLIST_FORMAT_LEFT, FromDIP(columns[i].width));
    NameForAccessibility(*m_list, "Renders to file", "", label);
    top->Add(m_list, 1, wxEXPAND | wxLEFT | wxRIGHT, gap);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    m_open = new wxButton(panel, ID_OPEN, "&Open");
    m_sideBySide = new wxButton(panel, ID_SIDE_BY_SIDE, "Side by &Side");
    m_difference = new wxButton(panel, ID_DIFFERENCE, "&Difference");
    m_open->SetToolTip("The chosen render's picture in a viewer");
    m_sideBySide->SetToolTip("The two chosen renders' pictures beside each other");
    m_difference->SetToolTip(wxString::Format(
        L"|A \u2212 B| of each channel, \u00d7%d: black where the two pictures agree",
        CImageDifference::kAmplification));
    for (wxButton* button : {m_open, m_sideBySide, m_difference})
        buttons->Add(button, 0, wxRIGHT, gap);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(panel, wxID_CLOSE, "&Close"), 0);
    top->Add(buttons, 0, wxEXPAND | wxALL, gap);
    panel->SetSizer(top);
    top->SetSizeHints(this);

    m_list->Bind(wxEVT_LIST_ITEM_SELECTED, &CRenderHistoryWindow::OnChosen, this);
    m_list->Bind(wxEVT_LIST_ITEM_DESELECTED, &CRenderHistoryWindow::OnChosen, this);
    m_list->Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent&) {
        wxCommandEvent open;
        OnOpen(open);
    });
    Bind(wxEVT_BUTTON, &CRenderHistoryWindow::OnOpen, this, ID_OPEN);
    Bind(wxEVT_BUTTON, &CRenderHistoryWindow::OnSideBySide, this, ID_SIDE_BY_SIDE);
    Bind(wxEVT_BUTTON, &CRenderHistoryWindow::OnDifference, this, ID_DIFFERENCE);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); }, wxID_CLOSE);
    Reload();
    m_list->SetFocus();
}

CRenderHistoryWindow::~CRenderHistoryWindow() {
    m_list->SetImageList(nullptr, wxIMAGE_LIST_SMALL);
    delete m_thumbnails;
}

void CRenderHistoryWindow::Reload() {
    std::vector<unsigned> chosen = GetChosen();
    m_list->DeleteAllItems();
    m_thumbnails->RemoveAll();
    long row = 0;
    for (const CRenderHistory::Entry& entry : m_history.GetEntries()) {
        int image = m_thumbnails->Add(ThumbnailBitmap(entry.thumbnail));
        long item = m_list->InsertItem(row, wxString::Format("%u", entry.number), image);
        m_list->SetItemData(item, entry.number);
        const CRenderToFileSettings& settings = entry.settings;
        wxString file =
            wxString::FromUTF8(std::filesystem::path(settings.path).filename().string());
        if (!entry.problem.empty())
            file += " (not written)";
        const wxString cells[] = {
            entry.finished.FormatISOTime(),
            wxString::Format(L"%d \u00d7 %d", settings.width, settings.height),
            wxString::Format(L"%u \u00d7 %u", settings.antialias, settings.antialias),
            wxString::Format("%u", settings.maxRecursion),
            wxString::Format("%u", settings.threads),
            // Seconds to a tenth while they are few: quick renders compared differ in those.
            entry.seconds < 60.0
                ? wxString::Format("%.1f s", entry.seconds)
                : wxString::FromUTF8(CRenderEstimator::FormatDuration(entry.seconds)),
            file,
        };
        for (std::size_t column = 0; column < std::size(cells); ++column)
            m_list->SetItem(item, static_cast<int>(column + 1), cells[column]);
        if (std::find(chosen.begin(), chosen.end(), entry.number) != chosen.end())
            m_list->SetItemState(item, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        ++row;
    }
    UpdateButtons();
}

std::vector<unsigned> CRenderHistoryWindow::GetChosen() const {
    std::vector<unsigned> chosen;
    for (long item = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
         item = m_list->GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        chosen.push_back(static_cast<unsigned>(m_list->GetItemData(item)));
    return chosen;
}

void CRenderHistoryWindow::UpdateButtons() {
    std::size_t count = GetChosen().size();
    m_open->Enable(count == 1);
    m_sideBySide->Enable(count == 2);
    m_difference->Enable(count == 2);
}

void CRenderHistoryWindow::OnChosen(wxListEvent& event) {
    UpdateButtons();
    event.Skip();
}

wxImage CRenderHistoryWindow::SideBySide(const wxImage& left, const wxImage& right) {
    int width = left.GetWidth() + kGap + right.GetWidth();
    int height = std::max(left.GetHeight(), right.GetHeight());
    wxImage both(width, height, false);
    const wxColour& ground = CImageCanvas::kGround;
    both.SetRGB(wxRect(both.GetSize()), ground.Red(), ground.Green(), ground.Blue());
    both.Paste(left, 0, 0);
    both.Paste(right, left.GetWidth() + kGap, 0);
    return both;
}

void CRenderHistoryWindow::OnOpen(wxCommandEvent&) {
    std::vector<unsigned> chosen = GetChosen();
    if (chosen.size() != 1)
        return;
    const CRenderHistory::Entry* entry = m_history.Find(chosen[0]);
    if (!entry || !entry->picture)
        return;
    m_lastViewer = new CImageViewer(GetParent(), wxString::Format("Render #%u", entry->number),
                                    CImageViewer::ToImage(*entry->picture), Named(*entry));
    m_lastViewer->Show();
}

void CRenderHistoryWindow::OnSideBySide(wxCommandEvent&) {
    std::vector<unsigned> chosen = GetChosen();
    if (chosen.size() != 2)
        return;
    const CRenderHistory::Entry* left = m_history.Find(chosen[0]);
    const CRenderHistory::Entry* right = m_history.Find(chosen[1]);
    if (!left || !right || !left->picture || !right->picture)
        return;
    wxString note = "Left: " + Named(*left) + "\nRight: " + Named(*right);
    m_lastViewer = new CImageViewer(
        GetParent(),
        wxString::Format("Renders #%u and #%u side by side", left->number, right->number),
        SideBySide(CImageViewer::ToImage(*left->picture), CImageViewer::ToImage(*right->picture)),
        note);
    m_lastViewer->Show();
}

void CRenderHistoryWindow::OnDifference(wxCommandEvent&) {
    std::vector<unsigned> chosen = GetChosen();
    if (chosen.size() != 2)
        return;
    const CRenderHistory::Entry* a = m_history.Find(chosen[0]);
    const CRenderHistory::Entry* b = m_history.Find(chosen[1]);
    if (!a || !b || !a->picture || !b->picture)
        return;
    if (a->picture->GetWidth() != b->picture->GetWidth() ||
        a->picture->GetHeight() != b->picture->GetHeight()) {
        CPlatform::Current().MessageBox(
            wxString::Format(L"Renders #%u and #%u differ in size (%d \u00d7 %d and %d \u00d7 %d): "
                             "compare them side by side.",
                             a->number, b->number, a->picture->GetWidth(), a->picture->GetHeight(),
                             b->picture->GetWidth(), b->picture->GetHeight())
                .utf8_string(),
            "Render History");
        return;
    }
    CImage difference;
    CImageDifference::Stats stats;
    if (!CImageDifference::Compute(*a->picture, *b->picture, difference, stats)) {
        CPlatform::Current().MessageBox("Not enough memory for the difference picture.",
                                        "Render History");
        return;
    }
    wxString note = wxString::Format(
        L"Difference of #%u and #%u: |A \u2212 B| of each channel, \u00d7%d (black where they "
        L"agree).\n%zu of %zu pixels differ, the largest by %d levels.",
        a->number, b->number, CImageDifference::kAmplification, stats.differing, stats.pixels,
        stats.largest);
    m_lastViewer = new CImageViewer(
        GetParent(), wxString::Format("Difference of renders #%u and #%u", a->number, b->number),
        CImageViewer::ToImage(difference), note);
    m_lastViewer->Show();
}
