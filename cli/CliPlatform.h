#pragma once

#include "cli/TerminalProgressBar.h"
#include "headless/HeadlessPlatform.h"

#include <string>

// The headless platform of the command-line programs, with message boxes written to standard
// error on a line of their own (the progress bar's line is cleared first) unless quiet.
class CCliPlatform : public CHeadlessPlatform {
public:
    explicit CCliPlatform(CTerminalProgressBar& progress, bool quiet) : m_progress(progress) {
        m_echoMessages = !quiet;
    }
    void MessageBox(const std::string& text, const std::string& caption) override {
        if (m_echoMessages)
            m_progress.Clear();
        CHeadlessPlatform::MessageBox(text, caption);
    }

private:
    CTerminalProgressBar& m_progress;
};
