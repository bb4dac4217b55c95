#pragma once

#include "render/RenderSink.h"

#include <atomic>
#include <cstdio>
#include <optional>
#include <string>

class CRenderEstimator;

// The render's progress as a bar of text on a terminal, redrawn in place on one line. A
// disabled bar (standard error is not a terminal, or --quiet) draws nothing at all. Given an
// estimator, the bar feeds it the render's rows and shows after the percentage the time since
// the render began and the estimate of the time left ("0:03 elapsed, 0:09 left").
class CTerminalProgressBar : public CRenderSink {
public:
    static constexpr int kBarWidth = 40;

    CTerminalProgressBar(std::FILE* stream, bool enabled)
        : m_stream(stream), m_descriptor(fileno(stream)), m_enabled(enabled) {}
    ~CTerminalProgressBar() override { Clear(); }

    void SetPos(int position);
    // The times shown after the percentage from the next redraw on; none: none shown.
    void SetTimes(std::optional<double> elapsed, std::optional<double> left);
    // The estimator the render's rows go to, and whose times the bar shows (null: none).
    void UseEstimator(CRenderEstimator* estimator) { m_estimator = estimator; }

    void Progress(int position) override;
    void TracingStarted() override;
    void RowFinished(const CImage& picture, unsigned y, unsigned left, unsigned right) override;
    // Erases the bar's line, so that whatever is written next starts on a clean line.
    void Clear();

    bool IsEnabled() const { return m_enabled; }

    // From a signal handler, as the program is about to exit: ends the bar's line when it is
    // drawn, so that whatever follows (the shell's prompt) starts on a line of its own.
    void EndLineOnInterrupt() const;

private:
    std::FILE* m_stream;
    int m_descriptor;
    bool m_enabled;
    std::atomic<bool> m_shown = false;
    int m_position = -1;
    std::string m_times;      // what follows the percentage, "" for nothing
    std::string m_shownTimes; // as last drawn
    CRenderEstimator* m_estimator = nullptr;
};
