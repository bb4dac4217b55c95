#pragma once

#include "render/RenderSink.h"

#include <atomic>
#include <cstdio>

// The render's progress as a bar of text on a terminal, redrawn in place on one line. A
// disabled bar (standard error is not a terminal, or --quiet) draws nothing at all.
class CTerminalProgressBar : public CRenderSink {
public:
    static constexpr int kBarWidth = 40;

    CTerminalProgressBar(std::FILE* stream, bool enabled)
        : m_stream(stream), m_descriptor(fileno(stream)), m_enabled(enabled) {}
    ~CTerminalProgressBar() override { Clear(); }

    void SetPos(int position);
    void Progress(int position) override { SetPos(position); }
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
};
