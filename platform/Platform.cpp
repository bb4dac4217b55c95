#include "platform/Platform.h"

#include "platform/HeadlessPlatform.h"
#include "platform/MainWindow.h"
#include "platform/ViewPort.h"

namespace {
CPlatform* g_installed = nullptr;

CPlatform& DefaultPlatform() {
    static CHeadlessPlatform platform;
    return platform;
}
} // namespace

CPlatform& CPlatform::Current() {
    return g_installed ? *g_installed : DefaultPlatform();
}

void CPlatform::Install(CPlatform* platform) {
    g_installed = platform;
}

CLumoDoc* CPlatform::GetActiveDocument() {
    CMainWindow* mainWindow = GetMainWindow();
    if (!mainWindow)
        return nullptr;
    CViewPort* view = mainWindow->GetActiveView();
    return view ? view->GetDocument() : nullptr;
}

CPlatformScope::CPlatformScope(CPlatform& platform) : m_previous(g_installed) {
    CPlatform::Install(&platform);
}

CPlatformScope::~CPlatformScope() {
    CPlatform::Install(m_previous);
}
