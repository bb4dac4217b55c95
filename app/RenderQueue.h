#pragma once

#include "app/RenderHistory.h"
#include "app/RenderToFileSettings.h"
#include "render/RenderJob.h"
#include "render/RenderScene.h"

#include <wx/timer.h>
#include <wx/weakref.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class CImageViewer;
class CMainFrame;
class CRenderHistoryWindow;
class CRenderProgressPanel;
class wxKeyEvent;
class wxThreadEvent;

// Go > Render to File and what follows: the dialog, then the render of the scene as it was at
// that moment (a snapshot: the scene may be edited meanwhile) in the background, one at a time,
// a second waiting behind the first. While one runs, a field of the status bar shows the file,
// the progress, the time since it began and the estimate of the time left, with Stop (Escape
// in the picture too); nothing is written for a stopped render. A finished picture is written
// atomically, opens in a viewer and joins the render history (View > Render History); the
// desktop is notified when the window is not the active one. A file that cannot be written is
// said in a box, its picture still in a viewer and in the history; the old file stays.
//
// The live preview goes on meanwhile on one thread (see CLiveView): it needs the machine only
// while the scene changes, and the render to file keeps the other cores and a steady pace, on
// which its estimate relies.
class CRenderQueue {
public:
    explicit CRenderQueue(CMainFrame& frame);
    ~CRenderQueue();
    CRenderQueue(const CRenderQueue&) = delete;
    CRenderQueue& operator=(const CRenderQueue&) = delete;

    // The dialog over the active document; on Render its settings are remembered and the
    // render queued.
    void ChooseAndRender();
    // Queues a render of the snapshot; it starts at once when none runs.
    void Add(std::shared_ptr<const CRenderScene> scene, const CRenderToFileSettings& settings);
    // Stops the render that runs (the next one waiting starts).
    void StopCurrent();
    // Stops the render that runs and drops those waiting; returns once its thread has ended.
    void StopAll();
    // Whether a render to file runs or waits.
    bool IsBusy() const { return m_job != nullptr || !m_waiting.empty(); }
    std::size_t GetWaiting() const { return m_waiting.size(); }

    // View > Render History: the window, made the first time.
    void ShowHistory();
    CRenderHistory& GetHistory() { return m_history; }
    CRenderHistoryWindow* GetHistoryWindow() const { return m_historyWindow.get(); }
    // The field of the status bar while a render runs, else null.
    CRenderProgressPanel* GetPanel() const { return m_panel; }
    // The viewer the last finished render opened.
    CImageViewer* GetLastViewer() const { return m_lastViewer.get(); }
    // What to ask about closing the window while renders run.
    wxString CloseQuestion() const;

    // Whether the window counts as the one the user looks at: a finished render notifies the
    // desktop otherwise. The frame's IsActive unless set (tests).
    std::function<bool()> m_isWindowActive;
    // Called when a render has ended, with how (tests wait for it).
    std::function<void(CRenderJob::Outcome::Status)> m_onEnded;

private:
    struct Request {
        std::shared_ptr<const CRenderScene> scene;
        CRenderToFileSettings settings;
    };

    // What the job's thread tells: its progress moved (no outcome) or it ended.
    struct Event {
        unsigned long generation = 0;
        std::optional<CRenderJob::Outcome> outcome;
    };

    void StartNext();
    void OnJobEvent(wxThreadEvent& event);
    void OnFinished(const CRenderJob::Outcome& outcome);
    void ShowStatus();
    void ShowPanel(bool show);
    void PlacePanel();
    void OnCharHook(wxKeyEvent& event);
    bool IsWindowActive() const;

    CMainFrame& m_frame;
    std::deque<Request> m_waiting;
    Request m_current;
    std::unique_ptr<CRenderJob> m_job;
    // Each render's events carry its number: those of a render already ended are dropped.
    unsigned long m_generation = 0;
    CRenderEstimator::Clock::time_point m_started{};
    wxTimer m_ticker; // the elapsed time and the time left, shown every quarter second
    CRenderProgressPanel* m_panel = nullptr;
    bool m_placesPanel = false; // the status bar's resizing moves the panel
    CRenderHistory m_history;
    wxWeakRef<CRenderHistoryWindow> m_historyWindow;
    wxWeakRef<CImageViewer> m_lastViewer;
};
