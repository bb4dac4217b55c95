#include "cli/TerminalProgressBar.h"

#include <string>
#include <unistd.h>

void CTerminalProgressBar::SetPos(int position) {
    if (!m_enabled)
        return;
    if (position < 0)
        position = 0;
    if (position > 100)
        position = 100;
    // Once per row is often; redraw only when the bar would change.
    if (m_shown && position == m_position)
        return;
    m_position = position;
    int filled = position * kBarWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    // Marked before it is drawn: an interrupt that comes as soon as the bar shows must see it.
    m_shown = true;
    std::fprintf(m_stream, "\rRendering [%s] %3d%%", bar.c_str(), position);
    std::fflush(m_stream);
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
