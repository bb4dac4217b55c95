#include "render/RenderEstimator.h"

#include "core/Random.h"
#include "render/PixelTracer.h"
#include "render/PrimaryRays.h"
#include "render/Render.h"
#include "render/Tracer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numeric>

namespace {

// The calling thread's CPU time in seconds: time it spent waiting for a core does not count.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double Seconds(CRenderEstimator::Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

} // namespace

std::optional<double> CRenderEstimator::Forecast::LeftAt(Clock::time_point now) const {
    if (!left)
        return std::nullopt;
    return std::max(0.0, *left - std::max(0.0, Seconds(now - at)));
}

void CRenderEstimator::Start(Clock::time_point now) {
    m_start = now;
    m_tracing = false;
    m_anyRow = false;
    m_done = 0.0;
    m_forecast = Forecast{now, 0.0, 0.0, std::nullopt};
}

bool CRenderEstimator::Profile(const std::shared_ptr<const CRenderScene>& scene,
                               const RenderOptions& options, const std::stop_token& stop) {
    unsigned left = std::min(options.region.left, options.width);
    unsigned right = std::min(options.region.right, options.width);
    unsigned top = std::min(options.region.top, options.height);
    unsigned bottom = std::min(options.region.bottom, options.height);
    if (left >= right || top >= bottom) {
        SetProfile({}, left, right, top);
        return true;
    }
    std::vector<double> costs(bottom - top, 1.0);
    // The hierarchy built here is the snapshot's own (CRenderScene::TraceScene), which the
    // render then finds made.
    CTracer tracer(scene, options.maxRecursion, options.hierarchy);
    CPrimaryRays rays(options.width, options.height,
                      RenderCamera(*scene, options.width, options.height));
    // The noise texture draws from the calling thread's sequence: a sequence of the pass's own
    // leaves the render's untouched.
    CRandom random;
    CRandom::Scope randomScope(random);
    CPixelTracer pixels(tracer, rays, 1);
    // Each band's ray goes through the middle of its block.
    unsigned firstColumn = left + std::min(kGrid / 2, (right - left - 1) / 2);
    for (unsigned band = top; band < bottom; band += kGrid) {
        if (stop.stop_requested()) {
            SetProfile(std::vector<double>(bottom - top, 1.0), left, right, top);
            return false;
        }
        unsigned end = std::min(band + kGrid, bottom);
        unsigned y = band + (end - band) / 2;
        double before = ThreadSeconds();
        pixels.Spaced(y, firstColumn, right, kGrid, false, stop, [](unsigned, const CColour&) {});
        double cost = ThreadSeconds() - before;
        std::fill(costs.begin() + (band - top), costs.begin() + (end - top), cost);
    }
    // A band whose rays took no measurable time still costs something to hand over: no row
    // weighs nothing.
    double mean =
        std::accumulate(costs.begin(), costs.end(), 0.0) / static_cast<double>(costs.size());
    double floor = mean > 0.0 ? 0.01 * mean : 1.0;
    for (double& cost : costs)
        cost = std::max(cost, floor);
    SetProfile(std::move(costs), left, right, top);
    return true;
}

void CRenderEstimator::SetProfile(std::vector<double> rowCosts, unsigned left, unsigned right,
                                  unsigned top) {
    m_rowCosts = std::move(rowCosts);
    m_left = left;
    m_right = right;
    m_top = top;
    m_total = std::accumulate(m_rowCosts.begin(), m_rowCosts.end(), 0.0);
    m_done = 0.0;
}

void CRenderEstimator::TracingStarted(Clock::time_point now) {
    // A schedule that falls back to the calling thread starts again; once rows are done the
    // first start stands.
    if (m_anyRow)
        return;
    m_tracing = true;
    m_tracingStart = now;
}

void CRenderEstimator::RowFinished(unsigned y, unsigned left, unsigned right,
                                   Clock::time_point now) {
    if (y < m_top || y - m_top >= m_rowCosts.size() || m_right <= m_left || m_total <= 0.0)
        return;
    left = std::max(left, m_left);
    right = std::min(right, m_right);
    if (left >= right)
        return;
    if (!m_tracing)
        TracingStarted(m_start); // a sink that was never told: measured from the start
    // A row after a gap begins a new batch: the one before is whole.
    if (m_anyRow && now - m_lastRow > kBatchGap)
        m_forecast = Estimate();
    m_anyRow = true;
    m_lastRow = now;
    m_done += m_rowCosts[y - m_top] * (right - left) / (m_right - m_left);
    m_done = std::min(m_done, m_total);
}

CRenderEstimator::Forecast CRenderEstimator::Estimate() const {
    Forecast forecast;
    forecast.at = m_lastRow;
    forecast.done = m_total > 0.0 ? m_done / m_total : 0.0;
    forecast.elapsed = Seconds(m_lastRow - m_start);
    double traced = std::max(0.0, Seconds(m_lastRow - m_tracingStart));
    if (m_done > 0.0)
        forecast.left = traced / m_done * (m_total - m_done);
    return forecast;
}

CRenderEstimator::Forecast CRenderEstimator::GetForecast(Clock::time_point now) const {
    if (m_anyRow && now - m_lastRow > kBatchGap)
        return Estimate();
    return m_forecast;
}

double CRenderEstimator::Elapsed(Clock::time_point now) const {
    return std::max(0.0, Seconds(now - m_start));
}

std::string CRenderEstimator::FormatDuration(double seconds) {
    long long whole = std::llround(std::max(0.0, seconds));
    long long hours = whole / 3600;
    long long minutes = whole / 60 % 60;
    long long rest = whole % 60;
    char text[48];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, rest);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", minutes, rest);
    return text;
}
