#include "headless/HeadlessPlatform.h"

#include <cstdio>

void CHeadlessMenuBar::EnableTopLevelItem(int position, bool enable) {
    if (position >= 0 && position < kItems)
        m_enabled[static_cast<std::size_t>(position)] = enable;
}

bool CHeadlessMenuBar::IsTopLevelItemEnabled(int position) const {
    return position >= 0 && position < kItems && m_enabled[static_cast<std::size_t>(position)];
}

void CHeadlessMainWindow::SetWindowTitle(const std::string& title) {
    m_title = title;
    m_titleHistory.push_back(title);
}

void CHeadlessPlatform::MessageBox(const std::string& text, const std::string& caption) {
    ++m_messageCount;
    if (m_messages.size() < kMaxRecorded)
        m_messages.push_back({text, caption});
    if (m_echoMessages)
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

// A single-document platform: the view shows the newest document still alive.
void CHeadlessPlatform::DocumentCreated(CLumoDoc* document) {
    m_mainWindow.m_view.m_document = document;
}

void CHeadlessPlatform::DocumentDestroyed(CLumoDoc* document) {
    if (m_mainWindow.m_view.m_document == document)
        m_mainWindow.m_view.m_document = nullptr;
}
