#pragma once

#include "platform/ProgressBar.h"

#include <cstdio>

// The render's progress as a bar of text on a terminal, redrawn in place on one line. A
// disabled bar (standard error is not a terminal, or --quiet) draws nothing at all.
class CTerminalProgressBar : public CProgressBar {
public:
    static constexpr int kBarWidth = 40;

    CTerminalProgressBar(std::FILE* stream, bool enabled) : m_stream(stream), m_enabled(enabled) {}
    ~CTerminalProgressBar() override { Clear(); }

    void SetPos(int position) override;
    // Erases the bar's line, so that whatever is written next starts on a clean line.
    void Clear();

    bool IsEnabled() const { return m_enabled; }

private:
    std::FILE* m_stream;
    bool m_enabled;
    bool m_shown = false;
    int m_position = -1;
};
