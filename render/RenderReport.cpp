#include "render/RenderReport.h"

#include "core/Format.h"

#include <unistd.h>

std::string CRenderReport::Text() const {
    int elapsed = static_cast<int>(std::time(nullptr) - m_start);
    return Format("Render thread 0x%x took %d seconds", static_cast<unsigned>(gettid()), elapsed);
}
