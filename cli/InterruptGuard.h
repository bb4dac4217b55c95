#pragma once

#include <atomic>
#include <csignal>
#include <string>

class CTerminalProgressBar;

// What lumo-render does when it is interrupted (SIGINT, SIGTERM or SIGHUP) while it works: it
// removes the temporary file of the picture it is writing, so the old picture stays and nothing
// is left beside it, ends the progress bar's line, and exits with 128 + the signal's number.
// One guard at a time; the previous handlers come back when it is destroyed.
class CInterruptGuard {
public:
    explicit CInterruptGuard(const CTerminalProgressBar* progress);
    CInterruptGuard(const CInterruptGuard&) = delete;
    CInterruptGuard& operator=(const CInterruptGuard&) = delete;
    ~CInterruptGuard();

    // The file to remove when interrupted; empty: none.
    void SetTemporaryFile(const std::string& path);
    // A line to write to standard error when interrupted (with its newline); null: none. The
    // text must outlive the guard.
    void SetMessage(const char* line);

    // Holds the signals back while it lives (they arrive when it ends), so that a file is
    // never created without the guard knowing about it. For the main thread, before the
    // render starts its workers.
    class CHoldScope {
    public:
        CHoldScope();
        CHoldScope(const CHoldScope&) = delete;
        CHoldScope& operator=(const CHoldScope&) = delete;
        ~CHoldScope();

    private:
        sigset_t m_previous;
    };

    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

private:
    static void OnSignal(int signal);

    std::string m_temporaryFile;
    struct sigaction m_previous[3];
};
