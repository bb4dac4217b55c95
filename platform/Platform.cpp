#include "platform/Platform.h"

#include "platform/MainWindow.h"
#include "platform/ViewPort.h"

#include <cstdio>
#include <cstdlib>

namespace {
CPlatform* g_installed = nullptr;
} // namespace

CPlatform& CPlatform::Current() {
    if (!g_installed) {
        std::fputs("lumo: the engine was used before a platform was installed "
                   "(CPlatform::Install)\n",
                   stderr);
        std::abort();
    }
    return *g_installed;
}

bool CPlatform::IsInstalled() {
    return g_installed != nullptr;
}

void CPlatform::Install(CPlatform* platform) {
    g_installed = platform;
}

CLumoDoc* CPlatform::GetActiveDocument() {
    CMainWindow* mainWindow = GetMainWindow();
    if (!mainWindow)
        return nullptr;
    CViewPort* view = mainWindow->GetActiveViewPort();
    return view ? view->GetSceneDocument() : nullptr;
}

CPlatformScope::CPlatformScope(CPlatform& platform) : m_previous(g_installed) {
    CPlatform::Install(&platform);
}

CPlatformScope::~CPlatformScope() {
    CPlatform::Install(m_previous);
}
