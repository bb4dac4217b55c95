#include "headless/HeadlessPlatform.h"

#include <cstdio>

void CHeadlessPlatform::MessageBox(const std::string& text, const std::string& caption) {
    std::lock_guard lock(m_mutex);
    ++m_messageCount;
    if (m_messages.size() < kMaxRecorded)
        m_messages.push_back({text, caption});
    if (m_echoMessages)
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}
