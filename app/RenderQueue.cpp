#include "app/RenderQueue.h"

#include "app/CommandIds.h"
#include "app/ImageViewer.h"
#include "app/MainFrame.h"
#include "app/RenderHistoryWindow.h"
#include "app/RenderProgressPanel.h"
#include "app/RenderToFileDialog.h"
#include "app/ViewCanvas.h"
#include "app/WxPlatform.h"
#include "script/LumoDoc.h"

#include <wx/button.h>
#include <wx/statusbr.h>

#include <filesystem>

namespace {

// The field of the status bar the panel stands in, after the message pane and the three lock
// indicators (whose places stay as they are).
constexpr int kPanelField = 4;

wxString FileName(const std::string& path) {
    return wxString::FromUTF8(std::filesystem::path(path).filename().string());
}

wxString Duration(double seconds) {
    return wxString::FromUTF8(CRenderEstimator::FormatDuration(seconds));
}

} // namespace

CRenderQueue::CRenderQueue(CMainFrame& frame) : m_frame(frame) {
    m_ticker.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { ShowStatus(); });
    m_frame.Bind(wxEVT_THREAD, &CRenderQueue::OnJobEvent, this, ID_RENDER_TO_FILE_EVENT);
    m_frame.Bind(wxEVT_CHAR_HOOK, &CRenderQueue::OnCharHook, this);
    m_history.m_onChange = [this] {
        if (m_historyWindow)
            m_historyWindow->Reload();
    };
}

CRenderQueue::~CRenderQueue() {
    m_ticker.Stop();
    m_waiting.clear();
    m_job.reset(); // stops it and waits for its thread
}

bool CRenderQueue::IsWindowActive() const {
    return m_isWindowActive ? m_isWindowActive() : m_frame.IsActive();
}

void CRenderQueue::ChooseAndRender() {
    CLumoDoc* document = m_frame.GetActiveScene();
    if (!document)
        return;
    wxSize view = m_frame.GetCanvas() ? m_frame.GetCanvas()->GetClientSize() : wxSize(640, 400);
    CRenderToFileDialog dialog(&m_frame, CRenderToFileSettings::Load(document), view);
    if (dialog.ShowModal() != wxID_OK)
        return;
    const CRenderToFileSettings& settings = dialog.GetSettings();
    std::string error;
    if (!settings.Save(error))
        m_frame.SetStatusText(wxString::FromUTF8("The settings were not saved: " + error), 0);
    Add(CRenderScene::Snapshot(*document), settings);
}

void CRenderQueue::Add(std::shared_ptr<const CRenderScene> scene,
                       const CRenderToFileSettings& settings) {
    m_waiting.push_back({std::move(scene), settings});
    if (!m_job)
        StartNext();
    else
        ShowStatus();
}

void CRenderQueue::StartNext() {
    if (m_waiting.empty()) {
        ShowPanel(false);
        return;
    }
    m_current = std::move(m_waiting.front());
    m_waiting.pop_front();
    unsigned long generation = ++m_generation;
    m_started = CRenderEstimator::Clock::now();
    // From the job's thread, as thread events: they wait while a Go render holds the window
    // (it lets only painting through), as the live preview's frames do.
    CRenderJob::Callbacks callbacks;
    callbacks.progress = [this, generation](const CRenderJob::Progress&) {
        auto* event = new wxThreadEvent(wxEVT_THREAD, ID_RENDER_TO_FILE_EVENT);
        event->SetPayload(Event{generation, std::nullopt});
        wxQueueEvent(&m_frame, event);
    };
    callbacks.finished = [this, generation](const CRenderJob::Outcome& outcome) {
        auto* event = new wxThreadEvent(wxEVT_THREAD, ID_RENDER_TO_FILE_EVENT);
        event->SetPayload(Event{generation, outcome});
        wxQueueEvent(&m_frame, event);
    };
    ShowPanel(true);
    m_job = std::make_unique<CRenderJob>(m_current.scene, m_current.settings.Options(),
                                         m_current.settings.path, std::move(callbacks),
                                         m_current.settings.format);
    m_ticker.Start(250);
    ShowStatus();
}

void CRenderQueue::StopCurrent() {
    if (m_job)
        m_job->Stop();
}

void CRenderQueue::StopAll() {
    m_waiting.clear();
    if (!m_job)
        return;
    ++m_generation; // its end is not shown
    m_job.reset();
    m_ticker.Stop();
    ShowPanel(false);
    m_frame.SetStatusText("The render to file was stopped: nothing was written", 0);
}

void CRenderQueue::OnJobEvent(wxThreadEvent& event) {
    Event what = event.GetPayload<Event>();
    if (what.generation != m_generation)
        return; // of a render already ended
    if (what.outcome)
        OnFinished(*what.outcome);
    else
        ShowStatus();
}

void CRenderQueue::ShowStatus() {
    if (!m_panel || !m_job)
        return;
    CRenderJob::Progress progress = m_job->Current();
    auto now = CRenderEstimator::Clock::now();
    double elapsed = std::chrono::duration<double>(now - m_started).count();
    std::optional<double> left = progress.forecast.LeftAt(now);
    wxString text = wxString::Format("%s: %d%%, %s elapsed, ", FileName(m_current.settings.path),
                                     progress.position, Duration(elapsed));
    text += left ? Duration(*left) + " left" : wxString("estimating the time left");
    if (!m_waiting.empty())
        text += wxString::Format("; %zu waiting", m_waiting.size());
    m_panel->Show(text, progress.position);
}

void CRenderQueue::OnFinished(const CRenderJob::Outcome& outcome) {
    m_job.reset(); // its thread is ending: the end was the last it had to say
    m_ticker.Stop();
    const CRenderToFileSettings& settings = m_current.settings;
    wxString name = FileName(settings.path);
    wxString path = wxString::FromUTF8(settings.path);
    wxString size = wxString::Format(L"%d \u00d7 %d", settings.width, settings.height);

    if (outcome.status == CRenderJob::Outcome::stopped) {
        m_frame.SetStatusText("The render to " + name + " was stopped: nothing was written", 0);
    } else {
        if (outcome.picture) {
            CRenderHistory::Entry entry;
            entry.settings = settings;
            entry.finished = wxDateTime::Now();
            entry.seconds = outcome.seconds;
            entry.picture = outcome.picture;
            if (outcome.status != CRenderJob::Outcome::written)
                entry.problem = outcome.error;
            const CRenderHistory::Entry& added = m_history.Add(std::move(entry));
            wxString title = outcome.status == CRenderJob::Outcome::written
                                 ? wxString::Format("%s (render #%u)", name, added.number)
                                 : wxString::Format("Render #%u (not written)", added.number);
            auto* viewer =
                new CImageViewer(&m_frame, title, CImageViewer::ToImage(*outcome.picture),
                                 path + L"  \u00b7  " + CRenderHistory::Describe(settings) +
                                     ", in " + Duration(outcome.seconds));
            viewer->Show();
            m_lastViewer = viewer;
        }
        bool written = outcome.status == CRenderJob::Outcome::written;
        wxString summary = written ? wxString::Format("%s is written: %s in %s", path, size,
                                                      Duration(outcome.seconds))
                                   : wxString::Format("%s was not written: %s", path,
                                                      wxString::FromUTF8(outcome.error));
        m_frame.SetStatusText(summary, 0);
        if (!IsWindowActive()) {
            if (auto* platform = dynamic_cast<CWxPlatform*>(&CPlatform::Current()))
                platform->Notify(written ? "Render finished" : "Render not written",
                                 summary.utf8_string());
        }
        if (!written)
            CPlatform::Current().MessageBox(
                (wxString::Format("Cannot write %s: ", path) + wxString::FromUTF8(outcome.error) +
                 (outcome.picture ? "\n\nThe picture is in its viewer and in the render history: "
                                    "Save As there writes it elsewhere."
                                  : ""))
                    .utf8_string(),
                "Render to File");
    }
    m_current.scene.reset(); // its objects go now, not with the next render
    if (m_onEnded)
        m_onEnded(outcome.status);
    StartNext();
}

void CRenderQueue::ShowPanel(bool show) {
    wxStatusBar* statusBar = m_frame.GetStatusBar();
    if (!statusBar)
        return;
    if (show == (m_panel != nullptr)) {
        if (show)
            PlacePanel();
        return;
    }
    int count = statusBar->GetFieldsCount();
    if (show) {
        m_panel = new CRenderProgressPanel(statusBar);
        std::vector<int> widths;
        for (int i = 0; i < count && i < kPanelField; ++i)
            widths.push_back(statusBar->GetStatusWidth(i));
        widths.resize(kPanelField + 1, -1);
        widths[kPanelField] = m_panel->GetFieldWidth();
        statusBar->SetFieldsCount(kPanelField + 1, widths.data());
        // A button is taller than a line of text: the bar grows to hold it while it shows.
        statusBar->SetMinHeight(m_panel->GetBestSize().GetHeight() + 4);
        if (!m_placesPanel) {
            m_placesPanel = true;
            statusBar->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
                PlacePanel();
                event.Skip();
            });
        }
        m_frame.SendSizeEvent();
        PlacePanel();
        m_panel->GetStopButton().Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { StopCurrent(); });
    } else {
        m_panel->Destroy();
        m_panel = nullptr;
        std::vector<int> widths;
        for (int i = 0; i < kPanelField && i < count; ++i)
            widths.push_back(statusBar->GetStatusWidth(i));
        statusBar->SetFieldsCount(static_cast<int>(widths.size()), widths.data());
        statusBar->SetMinHeight(-1);
        m_frame.SendSizeEvent();
    }
}

void CRenderQueue::PlacePanel() {
    wxStatusBar* statusBar = m_frame.GetStatusBar();
    wxRect field;
    if (!m_panel || !statusBar || !statusBar->GetFieldRect(kPanelField, field))
        return;
    m_panel->SetSize(field);
}

wxString CRenderQueue::CloseQuestion() const {
    wxString question = "A render to " + FileName(m_current.settings.path) + " is still running";
    if (!m_waiting.empty())
        question += wxString::Format(" (and %zu more waiting)", m_waiting.size());
    return question + ". Stop it and close? Nothing will be written.";
}

// Escape stops the render to file when the picture (or the status bar's Stop) has the focus;
// in the panes and their editors it stays theirs (cancelling an edit, say).
void CRenderQueue::OnCharHook(wxKeyEvent& event) {
    event.Skip();
    if (!m_job || event.GetKeyCode() != WXK_ESCAPE || event.HasAnyModifiers())
        return;
    wxWindow* focus = wxWindow::FindFocus();
    bool inPicture = !focus || focus == &m_frame || focus == m_frame.GetCanvas();
    for (wxWindow* window = focus; window && !inPicture; window = window->GetParent())
        inPicture = window == m_frame.GetStatusBar();
    if (!inPicture)
        return;
    event.Skip(false);
    StopCurrent();
}

void CRenderQueue::ShowHistory() {
    if (!m_historyWindow)
        m_historyWindow = new CRenderHistoryWindow(&m_frame, m_history);
    m_historyWindow->Show();
    m_historyWindow->Raise();
}
