#include "cli/InterruptGuard.h"

#include "cli/TerminalProgressBar.h"

#include <cstring>
#include <unistd.h>

namespace {
// What the handler reads: plain pointers, set and cleared atomically, so that it needs no lock.
std::atomic<const char*> s_temporaryFile{nullptr};
std::atomic<const CTerminalProgressBar*> s_progress{nullptr};
std::atomic<const char*> s_message{nullptr};
} // namespace

CInterruptGuard::CInterruptGuard(const CTerminalProgressBar* progress) {
    s_progress.store(progress);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaddset(&action.sa_mask, signal);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &m_previous[i]);
}

CInterruptGuard::~CInterruptGuard() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &m_previous[i], nullptr);
    s_temporaryFile.store(nullptr);
    s_progress.store(nullptr);
    s_message.store(nullptr);
}

void CInterruptGuard::SetTemporaryFile(const std::string& path) {
    // The handler must never see the text being replaced.
    s_temporaryFile.store(nullptr);
    m_temporaryFile = path;
    if (!m_temporaryFile.empty())
        s_temporaryFile.store(m_temporaryFile.c_str());
}

void CInterruptGuard::SetMessage(const char* line) {
    s_message.store(line);
}

// Only async-signal-safe calls: unlink, write, _exit. A file that the writer has already renamed
// into place is no longer at the temporary path, so the unlink then removes nothing.
void CInterruptGuard::OnSignal(int signal) {
    if (const char* path = s_temporaryFile.load())
        unlink(path);
    if (const CTerminalProgressBar* progress = s_progress.load())
        progress->EndLineOnInterrupt();
    if (const char* line = s_message.load()) {
        ssize_t written = write(STDERR_FILENO, line, strlen(line));
        (void)written;
    }
    _exit(128 + signal);
}

CInterruptGuard::CHoldScope::CHoldScope() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : kSignals)
        sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &m_previous);
}

CInterruptGuard::CHoldScope::~CHoldScope() {
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}
