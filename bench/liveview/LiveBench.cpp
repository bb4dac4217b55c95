// The live preview's figures, in the real window on the display it is given (bench/live runs
// it on an Xvfb display of its own): each figure on a line of its own.
//
//   lumo_live_bench [--spheres N]
//
// 1. A change of the default scene in a 640 x 460 view: the time to the first frame on the
//    screen (the blocks of 8, painted) and to the refined picture, median and worst of 30.
// 2. An orbit drag in a 1280 x 720 view, the mouse moving every 16 ms for 3 s: the frames a
//    second that reached blocks of 2 or finer, and the time from the mouse's last move to the
//    refined picture.
// 3. Meanwhile, how long an event waits before the window's thread handles it: a thread posts
//    one every 2 ms; the worst and the 99th percentile (again with N spheres, default 100,000).
// 4. The work a cancelled render does after the change: the time from the stop request to
//    the render's return, against the time of one row.
// 5. Typing into the scene text, default scene, 640 x 460 view: from the last key of a new
//    radius (two keys 60 ms apart, as a quick typist types them) to the refined picture on the
//    screen, median and worst of 30; split into the pause after typing (the last key to the
//    scene read and changed) and the render (that change to the refined picture shown).
#include "app/CommandIds.h"
#include "app/LiveView.h"
#include "app/LumoApp.h"
#include "app/LumoView.h"
#include "app/MainFrame.h"
#include "app/SceneDocument.h"
#include "app/SceneTextEditor.h"
#include "app/SceneTextPane.h"
#include "app/ViewCanvas.h"
#include "core/Random.h"
#include "platform/SettingsStore.h"
#include "render/Render.h"
#include "render/RenderSink.h"
#include "scene/SceneObject.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"

#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/utils.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Pump() {
    wxEventLoopBase::GetActive()->YieldFor(wxEVT_CATEGORY_ALL);
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
}

// Pumps until the condition holds; false after the time limit.
bool PumpUntil(const std::function<bool()>& done, double limitMs = 20000) {
    Clock::time_point end = Clock::now() + std::chrono::microseconds(long(limitMs * 1000));
    while (Clock::now() < end) {
        Pump();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    std::size_t index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

CMainFrame& Frame() {
    return *wxGetApp().GetMainFrame();
}
CLiveView& Live() {
    return *Frame().GetLumoView()->GetLiveView();
}
CLumoDoc& Scene() {
    return *Frame().GetActiveScene();
}

void SizeCanvas(int width, int height) {
    for (int i = 0; i < 20; ++i) {
        wxSize canvas = Frame().GetCanvas()->GetClientSize();
        if (canvas == wxSize(width, height))
            return;
        Frame().SetSize(Frame().GetSize() + wxSize(width, height) - canvas);
        for (int k = 0; k < 10; ++k) {
            Pump();
            wxMilliSleep(10);
        }
    }
    wxSize canvas = Frame().GetCanvas()->GetClientSize();
    std::fprintf(stderr, "the view is %d x %d, not %d x %d\n", canvas.x, canvas.y, width, height);
}

// Events posted from another thread every 2 ms, each with the time it was posted; the delay
// until the window's thread handles it.
class CEventProbe {
public:
    void Start() {
        m_running = true;
        m_thread = std::thread([this] {
            while (m_running) {
                Clock::time_point posted = Clock::now();
                wxTheApp->CallAfter([this, posted] {
                    std::lock_guard lock(m_mutex);
                    m_waits.push_back(Milliseconds(Clock::now() - posted));
                });
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    std::vector<double> Stop() {
        m_running = false;
        m_thread.join();
        Pump();
        std::lock_guard lock(m_mutex);
        return std::move(m_waits);
    }

private:
    std::atomic<bool> m_running{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<double> m_waits;
};

void ChangeLatency() {
    SizeCanvas(640, 460);
    PumpUntil([] { return Live().IsRefined() && !Live().IsBusy(); });
    std::vector<double> first;
    std::vector<double> refined;
    for (int run = 0; run < 30; ++run) {
        Clock::time_point change = Clock::now();
        bool shown = false;
        Live().m_onFrame = [&](const CLiveRender::Frame& frame) {
            if (!shown && frame.step != 0) {
                shown = true;
                Frame().GetCanvas()->Update(); // on the screen now
                first.push_back(Milliseconds(Clock::now() - change));
            }
        };
        Scene().SetEye(CVector(0.1 * (run % 7), -5, -110));
        Live().Refresh();
        PumpUntil([] { return Live().IsRefined(); });
        Frame().GetCanvas()->Update();
        refined.push_back(Milliseconds(Clock::now() - change));
        Live().m_onFrame = nullptr;
        PumpUntil([] { return !Live().IsBusy(); });
    }
    std::printf("change, 640x460 default scene: first frame shown median %.1f ms (worst %.1f)\n",
                Percentile(first, 0.5), Percentile(first, 1.0));
    std::printf(
        "change, 640x460 default scene: refined picture shown median %.1f ms (worst %.1f)\n",
        Percentile(refined, 0.5), Percentile(refined, 1.0));
}

void TypingLatency() {
    Frame().ShowSceneText(true);
    SizeCanvas(640, 460);
    PumpUntil([] { return Live().IsRefined() && !Live().IsBusy(); });
    CSceneTextPane& pane = *Frame().GetSceneTextPane();
    CSceneTextEditor& editor = pane.GetEditor();
    PumpUntil([&] { return pane.IsInStep(); });
    Clock::time_point lastKey;
    editor.Bind(wxEVT_STC_MODIFIED, [&](wxStyledTextEvent& event) {
        if (event.GetModificationType() & wxSTC_MOD_INSERTTEXT)
            lastKey = Clock::now();
        event.Skip();
    });
    // The pause's own timer going off, before the pane's handler reads the text.
    Clock::time_point fired;
    pane.Bind(
        wxEVT_TIMER,
        [&](wxTimerEvent& event) {
            fired = Clock::now();
            event.Skip();
        },
        ID_SCENE_TEXT_PAUSE);
    editor.SetFocus();
    std::vector<double> timers;
    std::vector<double> pauses;
    std::vector<double> renders;
    std::vector<double> totals;
    const std::string statement = "sphere { 5.5 -42.5 5 ";
    for (int run = 0; run < 30; ++run) {
        std::string text = editor.GetBytes();
        std::size_t at = text.find(statement);
        if (at == std::string::npos) {
            std::fprintf(stderr, "typing: the sphere's statement is not in the text\n");
            return;
        }
        at += statement.size();
        std::size_t end = text.find(' ', at);
        editor.SetSelection(static_cast<int>(at), static_cast<int>(end));
        unsigned long revision = Scene().GetRevision();
        // A key, as the text control takes it: the selection replaced by the character.
        const char* keys = run % 2 ? "27" : "31";
        for (int key = 0; key < 2; ++key) {
            editor.ReplaceSelection(wxString(keys[key]));
            Clock::time_point typed = Clock::now();
            if (key == 0)
                PumpUntil([&] { return Clock::now() - typed >= std::chrono::milliseconds(60); });
        }
        PumpUntil([&] { return Scene().GetRevision() != revision; });
        Clock::time_point changed = Clock::now();
        PumpUntil([] { return Live().IsRefined(); });
        Frame().GetCanvas()->Update();
        Clock::time_point shown = Clock::now();
        timers.push_back(Milliseconds(fired - lastKey));
        pauses.push_back(Milliseconds(changed - lastKey));
        renders.push_back(Milliseconds(shown - changed));
        totals.push_back(Milliseconds(shown - lastKey));
        PumpUntil([] { return !Live().IsBusy(); });
    }
    std::printf("typing, 640x460 default scene: last key to the refined picture shown median "
                "%.1f ms (worst %.1f)\n",
                Percentile(totals, 0.5), Percentile(totals, 1.0));
    std::printf("typing, 640x460 default scene: the pause (last key to the scene changed) median "
                "%.1f ms (worst %.1f), set to %d ms; the render (to the refined picture shown) "
                "median %.1f ms (worst %.1f)\n",
                Percentile(pauses, 0.5), Percentile(pauses, 1.0), CSceneTextPane::kPauseMs,
                Percentile(renders, 0.5), Percentile(renders, 1.0));
    std::printf("typing, 640x460 default scene: the pause's timer went off median %.1f ms (worst "
                "%.1f) after the last key\n",
                Percentile(timers, 0.5), Percentile(timers, 1.0));
    Frame().ShowSceneText(false);
}

// Drags for the time given with motion events every 16 ms, as GTK delivers a moving mouse.
void Drag(double seconds, std::vector<double>& waits, double& framesPerSecond,
          double& stopToRefined) {
    CViewCanvas& canvas = *Frame().GetCanvas();
    wxSize size = canvas.GetClientSize();
    wxPoint at(size.x / 2, size.y / 2);
    auto send = [&](wxEventType type) {
        wxMouseEvent event(type);
        event.SetPosition(at);
        event.m_leftDown = type != wxEVT_LEFT_UP;
        event.SetEventObject(&canvas);
        canvas.GetEventHandler()->ProcessEvent(event);
    };
    unsigned long lastGeneration = 0;
    int halfFrames = 0;
    Live().m_onFrame = [&](const CLiveRender::Frame& frame) {
        if (frame.step != 0 && frame.step <= 2 && frame.generation != lastGeneration) {
            lastGeneration = frame.generation;
            ++halfFrames;
        }
    };
    CEventProbe probe;
    probe.Start();
    send(wxEVT_LEFT_DOWN);
    Clock::time_point start = Clock::now();
    Clock::time_point next = start;
    int step = 0;
    while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
        next += std::chrono::milliseconds(16);
        // Round and round a small circle: the orbit goes left and right, up and down.
        ++step;
        at.x += step % 60 < 30 ? 3 : -3;
        at.y += (step / 15) % 2 == 0 ? 1 : -1;
        send(wxEVT_MOTION);
        while (Clock::now() < next) {
            Pump();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    double dragged = Milliseconds(Clock::now() - start) / 1000.0;
    Clock::time_point stopped = Clock::now();
    send(wxEVT_LEFT_UP);
    PumpUntil([] { return Live().IsRefined(); });
    canvas.Update();
    stopToRefined = Milliseconds(Clock::now() - stopped);
    waits = probe.Stop();
    framesPerSecond = halfFrames / dragged;
    Live().m_onFrame = nullptr;
    PumpUntil([] { return !Live().IsBusy(); });
}

void OrbitDrag() {
    SizeCanvas(1280, 720);
    PumpUntil([] { return Live().IsRefined() && !Live().IsBusy(); });
    std::vector<double> waits;
    double fps = 0;
    double refined = 0;
    Drag(3.0, waits, fps, refined);
    std::printf(
        "orbit drag, 1280x720 default scene: %.1f frames a second at blocks of 2 or finer\n", fps);
    std::printf("orbit drag, 1280x720 default scene: refined %.1f ms after the mouse stopped\n",
                refined);
    std::printf("orbit drag, 1280x720 default scene: events waited at worst %.1f ms (99th "
                "percentile %.1f, %zu events)\n",
                Percentile(waits, 1.0), Percentile(waits, 0.99), waits.size());
}

void Crowd(int count) {
    SizeCanvas(640, 460);
    PumpUntil([] { return Live().IsRefined() && !Live().IsBusy(); });
    CLumoDoc& scene = Scene();
    Clock::time_point start = Clock::now();
    scene.ClearScene();
    CRandom random(11);
    auto uniform = [&](double low, double high) {
        return low + (high - low) * (random.Next() / 32768.0);
    };
    for (int i = 0; i < count; ++i) {
        auto sphere = std::make_unique<CSphere>(
            static_cast<float>(uniform(-60, 60)), static_cast<float>(uniform(-40, 30)),
            static_cast<float>(uniform(-20, 120)), static_cast<float>(uniform(0.3, 1.5)));
        sphere->SetColour(CColour(static_cast<int>(uniform(40, 255)),
                                  static_cast<int>(uniform(40, 255)),
                                  static_cast<int>(uniform(40, 255))));
        sphere->SetFinish(0.3, 0.7, 2.0, 0.5, 20.0, 0.2);
        scene.AddObjectAtTail(std::move(sphere));
    }
    Live().Refresh();
    PumpUntil([] { return Live().IsRefined() && !Live().IsBusy(); }, 120000);
    std::printf("%d spheres, 640x460: built in the document and refined in %.0f ms\n", count,
                Milliseconds(Clock::now() - start));
    std::vector<double> waits;
    double fps = 0;
    double refined = 0;
    Drag(3.0, waits, fps, refined);
    std::printf("orbit drag, 640x460 %d spheres: events waited at worst %.1f ms (99th percentile "
                "%.1f, %zu events); %.1f frames a second at blocks of 2 or finer\n",
                count, Percentile(waits, 1.0), Percentile(waits, 0.99), waits.size(), fps);
}

// An object no ray hits that counts the rays tested against it, and those tested after the
// stop was requested: every ray the render traces meets it once.
class CRayCounter : public CSceneObject {
public:
    struct Counts {
        std::atomic<long> rays{0};
        std::atomic<long> afterStop{0};
        std::atomic<bool> stopped{false};
    };
    explicit CRayCounter(std::shared_ptr<Counts> counts) : m_counts(std::move(counts)) {}
    double Intersect(CRay) override {
        ++m_counts->rays;
        if (m_counts->stopped.load(std::memory_order_relaxed))
            ++m_counts->afterStop;
        return 0.0;
    }
    std::unique_ptr<CSceneObject> Clone() const override { return CloneAs<CRayCounter>(); }

private:
    std::shared_ptr<Counts> m_counts;
};

// The rays a render traces after a stop request, in rows of the picture, and the time it
// takes to return.
void CancelCost() {
    CLumoDoc document;
    auto counts = std::make_shared<CRayCounter::Counts>();
    document.AddObjectAtTail(std::make_unique<CRayCounter>(counts));
    auto scene = CRenderScene::Snapshot(document);
    for (unsigned threads : {1u, 2u}) {
        RenderOptions options;
        options.width = 1280;
        options.height = 720;
        options.threads = threads;
        options.progressive = true;
        counts->rays = 0;
        Clock::time_point start = Clock::now();
        Render(scene, options);
        double whole = Milliseconds(Clock::now() - start);
        double raysPerRow = static_cast<double>(counts->rays) / options.height;
        std::vector<double> rows;
        std::vector<double> latencies;
        for (int run = 0; run < 20; ++run) {
            std::stop_source stop;
            counts->stopped = false;
            counts->afterStop = 0;
            std::thread render([&] { Render(scene, options, nullptr, stop.get_token()); });
            std::this_thread::sleep_for(
                std::chrono::microseconds(static_cast<long>(whole * 1000 * (run + 1) / 22)));
            Clock::time_point requested = Clock::now();
            counts->stopped = true;
            stop.request_stop();
            render.join();
            latencies.push_back(Milliseconds(Clock::now() - requested));
            rows.push_back(static_cast<double>(counts->afterStop) / raysPerRow);
        }
        std::printf("cancel, 1280x720 default scene, %u thread%s: at worst %.4f rows traced after "
                    "the stop (%.0f rays a row); returned at worst %.3f ms after it\n",
                    threads, threads == 1 ? "" : "s", Percentile(rows, 1.0), raysPerRow,
                    Percentile(latencies, 1.0));
    }
}

// The engine alone: each pass of a progressive render, against the one-pass render of the
// same picture on the same threads.
void PassTimes() {
    CLumoDoc document;
    auto scene = CRenderScene::Snapshot(document);
    class CPassClock : public CRenderSink {
    public:
        explicit CPassClock(Clock::time_point start) : m_start(start) {}
        void PassFinished(unsigned step) override {
            m_text += " " + std::to_string(step) + ":" +
                      std::to_string(Milliseconds(Clock::now() - m_start)).substr(0, 5);
        }
        std::string m_text;

    private:
        Clock::time_point m_start;
    };
    for (auto [width, height] : {std::pair{640u, 460u}, std::pair{1280u, 720u}}) {
        RenderOptions options;
        options.width = width;
        options.height = height;
        options.threads = 2;
        std::vector<double> whole;
        std::string passes;
        for (int run = 0; run < 7; ++run) {
            Clock::time_point start = Clock::now();
            options.progressive = false;
            Render(scene, options);
            whole.push_back(Milliseconds(Clock::now() - start));
            options.progressive = true;
            CPassClock clock(Clock::now());
            Render(scene, options, &clock);
            passes = clock.m_text;
        }
        std::printf("engine, %ux%u default scene, 2 threads: one pass %.1f ms (median of 7); "
                    "progressive, each pass done at (ms):%s\n",
                    width, height, Percentile(whole, 0.5), passes.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int spheres = 100000;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--spheres") == 0 && i + 1 < argc)
            spheres = std::atoi(argv[++i]);
    CancelCost();
    PassTimes();
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "lumo_live_bench: no display (run it through bench/live)\n");
        return 1;
    }
    CSettingsStore::Profile().WriteInt(CSettingsStore::kSection, CLiveView::kSetting, 1);
    CSettingsStore::Profile().WriteInt(CSettingsStore::kSection, "RunWiz", 0);
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator active(&loop);
        if (!wxGetApp().StartUp("")) {
            wxEntryCleanup();
            return 1;
        }
        Pump();
        ChangeLatency();
        TypingLatency();
        OrbitDrag();
        Crowd(spheres);
        // The benchmark's scene, and the text typed into its pane, are not offered for saving.
        if (wxDocument* document = Frame().GetDocumentManager()->GetCurrentDocument()) {
            if (auto* scene = dynamic_cast<CSceneDocument*>(document))
                scene->m_textUnsaved = nullptr;
            document->Modify(false);
        }
        wxGetApp().ShutDown();
        Pump();
    }
    wxEntryCleanup();
    return 0;
}
