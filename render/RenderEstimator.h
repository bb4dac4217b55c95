#pragma once

#include "render/RenderOptions.h"
#include "render/RenderScene.h"

#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

// The time a render has left, from the rows it has finished and what they cost.
//
// Rows differ a lot in cost: a row of sky is a ray a pixel that meets nothing, a row over the
// spheres and the floor pays for shadow rays, textures and reflections, so the count of rows
// done says little about the time the rows left will take (the default scene's top quarter is
// mostly sky; its floor costs several times as much). Before the render, a coarse pass traces
// one ray in every kGrid × kGrid pixels on the calling thread and times each band of kGrid rows
// in the thread's CPU time (which a busy machine's other processes do not inflate): that cost
// profile weighs every row against the others. While the render runs, the seconds its rows have
// taken per unit of profiled cost, times the profiled cost of what is left, is the estimate.
// The coarse pass costs 1/64 of a one-ray-per-pixel render (1/1024 with --aa 4).
//
// Fed by a render sink's calls (TracingStarted, RowFinished) on the render's calling thread;
// the row and part schedules hand over each row once, which is what the estimate counts (a
// progressive render hands rows over again with each pass and is not estimated). Workers hand
// their rows over in batches: the rows of a batch come within microseconds, each finished
// some time before, so the estimate is made only once a batch is whole (no row for
// kBatchGap), from all its rows at the time the batch came.
class CRenderEstimator {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr unsigned kGrid = 8;
    static constexpr Clock::duration kBatchGap = std::chrono::milliseconds(1);

    // What the estimate said when the render last handed over rows. Between hand-overs (a
    // render hands its rows over in batches) the time left counts down from it.
    struct Forecast {
        Clock::time_point at{};
        double done = 0.0;    // the profiled cost finished, 0 to 1
        double elapsed = 0.0; // seconds since Start, at `at`
        // Seconds left at `at`; none before the first rows have been finished.
        std::optional<double> left;
        // Seconds left at `now`, counted down from `at`, never below 0.
        std::optional<double> LeftAt(Clock::time_point now) const;
    };

    // Every row of the region costs the same: an estimate by the count of rows (what a render
    // without a profile falls back to).
    CRenderEstimator() = default;

    // The render begins (before Profile, which is part of its time).
    void Start(Clock::time_point now = Clock::now());
    // The coarse pass over the scene as the options render it (their size, region and depth;
    // one ray a pixel whatever their antialiasing, which costs every row alike). False when a
    // stop came first: the rows then count alike.
    bool Profile(const std::shared_ptr<const CRenderScene>& scene, const RenderOptions& options,
                 const std::stop_token& stop = {});
    // A profile given whole: one cost per row of the region's rows from its top, the region's
    // columns [left, right).
    void SetProfile(std::vector<double> rowCosts, unsigned left, unsigned right, unsigned top);

    // The sink's calls, with the time they came.
    void TracingStarted(Clock::time_point now = Clock::now());
    void RowFinished(unsigned y, unsigned left, unsigned right,
                     Clock::time_point now = Clock::now());

    // The estimate as of now: made from the rows of the last whole batch.
    Forecast GetForecast(Clock::time_point now = Clock::now()) const;
    // Seconds since Start.
    double Elapsed(Clock::time_point now = Clock::now()) const;
    // The profile: a cost per row from GetTop, over the columns [GetLeft, GetRight).
    const std::vector<double>& GetRowCosts() const { return m_rowCosts; }
    unsigned GetLeft() const { return m_left; }
    unsigned GetRight() const { return m_right; }
    unsigned GetTop() const { return m_top; }

    // "0:42", "12:05", "1:02:03": whole seconds, rounded.
    static std::string FormatDuration(double seconds);

private:
    // The estimate from the rows handed over by the time the last of them came.
    Forecast Estimate() const;

    Clock::time_point m_start{};
    Clock::time_point m_tracingStart{};
    bool m_tracing = false;
    bool m_anyRow = false;
    std::vector<double> m_rowCosts; // per row from m_top; empty: every row counts 1
    unsigned m_left = 0;
    unsigned m_right = 0;
    unsigned m_top = 0;
    double m_total = 0.0;
    double m_done = 0.0;
    Clock::time_point m_lastRow{};
    Forecast m_forecast; // of the last whole batch
};
