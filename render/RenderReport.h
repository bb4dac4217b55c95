#pragma once

#include <ctime>
#include <string>

// The message box that ends a render of the desktop's Go commands and of lumo-render: the
// kernel's identifier of the thread that rendered (as ps and top show it) and the whole
// seconds since the report was made.
class CRenderReport {
public:
    static constexpr const char* kCaption = "Finished Rendering";

    CRenderReport() : m_start(std::time(nullptr)) {}
    // "Render thread 0x<id> took <n> seconds", for the calling thread.
    std::string Text() const;

private:
    std::time_t m_start;
};
