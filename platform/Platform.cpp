#include "platform/Platform.h"

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

CPlatformScope::CPlatformScope(CPlatform& platform) : m_previous(g_installed) {
    CPlatform::Install(&platform);
}

CPlatformScope::~CPlatformScope() {
    CPlatform::Install(m_previous);
}
