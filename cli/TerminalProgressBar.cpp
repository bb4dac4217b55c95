#include "cli/TerminalProgressBar.h"

#include "render/RenderEstimator.h"

#include <string>
#include <unistd.h>

void CTerminalProgressBar::SetPos(int position) {
    if (!m_enabled)
        return;
    if (position < 0)
        position = 0;
    if (position > 100)
        position = 100;
    // Once per row is often; redraw only when the bar (or the times after it) would change.
    if (m_shown && position == m_position && m_times == m_shownTimes)
        return;
    m_position = position;
    m_shownTimes = m_times;
    int filled = position * kBarWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    // Marked before it is drawn: an interrupt that comes as soon as the bar shows must see it.
    m_shown = true;
    if (m_times.empty()) {
        std::fprintf(m_stream, "\rRendering [%s] %3d%%", bar.c_str(), position);
    } else {
        // The times change in length: the rest of the line goes.
        std::fprintf(m_stream, "\rRendering [%s] %3d%%  %s\033[K", bar.c_str(), position,
                     m_times.c_str());
    }
    std::fflush(m_stream);
}

void CTerminalProgressBar::SetTimes(std::optional<double> elapsed, std::optional<double> left) {
    m_times.clear();
    if (elapsed)
        m_times = CRenderEstimator::FormatDuration(*elapsed) + " elapsed";
    if (left)
        m_times +=
            (m_times.empty() ? "" : ", ") + CRenderEstimator::FormatDuration(*left) + " left";
}

void CTerminalProgressBar::Progress(int position) {
    if (m_estimator && m_enabled) {
        auto now = CRenderEstimator::Clock::now();
        SetTimes(m_estimator->Elapsed(now), m_estimator->GetForecast().LeftAt(now));
    }
    SetPos(position);
}

void CTerminalProgressBar::TracingStarted() {
    if (m_estimator)
        m_estimator->TracingStarted();
}

void CTerminalProgressBar::RowFinished(const CImage&, unsigned y, unsigned left, unsigned right) {
    if (m_estimator)
        m_estimator->RowFinished(y, left, right);
}

void CTerminalProgressBar::Clear() {
    if (!m_shown)
        return;
    // Carriage return, erase to the end of the line.
    std::fputs("\r\033[K", m_stream);
    std::fflush(m_stream);
    m_shown = false;
    m_position = -1;
}

void CTerminalProgressBar::EndLineOnInterrupt() const {
    if (m_shown.load() && m_descriptor >= 0) {
        ssize_t written = write(m_descriptor, "\n", 1);
        (void)written;
    }
}
