#include "render/PictureSize.h"

#include "core/Image.h"

#include <cstdio>
#include <unistd.h>

std::uint64_t CPictureSize::PhysicalMemory() {
    long pages = sysconf(_SC_PHYS_PAGES);
    long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0
               ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize)
               : UINT64_MAX;
}

std::string CPictureSize::Gibibytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1u << 30));
    return text;
}

bool CPictureSize::Check(long long width, long long height, std::string& error) {
    return Check(width, height, PhysicalMemory(), error);
}

bool CPictureSize::Check(long long width, long long height, std::uint64_t memory,
                         std::string& error) {
    for (auto [what, side] : {std::pair{"width", width}, std::pair{"height", height}})
        if (side < 1) {
            error = std::string("the image ") + what + " must be at least 1 pixel, not " +
                    std::to_string(side);
            return false;
        }
    std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width > kMaxSide || height > kMaxSide) {
        error = "a " + size + " image is too large: each side can be at most " +
                std::to_string(kMaxSide) + " pixels";
        return false;
    }
    std::size_t plane = CImage::PlaneBytes(static_cast<int>(width), static_cast<int>(height));
    if (plane == 0) {
        error = "a " + size + " image is too large to address";
        return false;
    }
    if (plane > memory / 6) {
        error = "a " + size + " image needs " + Gibibytes(3 * static_cast<std::uint64_t>(plane)) +
                ", more than half of this machine's " + Gibibytes(memory) + " of memory";
        return false;
    }
    return true;
}
