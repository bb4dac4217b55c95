#include "render/PictureSize.h"

#include "core/FloatImage.h"
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

bool CPictureSize::Check(long long width, long long height, std::string& error, bool levels) {
    return Check(width, height, PhysicalMemory(), error, levels);
}

bool CPictureSize::Check(long long width, long long height, std::uint64_t memory,
                         std::string& error, bool levels) {
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
    int w = static_cast<int>(width);
    int h = static_cast<int>(height);
    std::size_t plane = CImage::PlaneBytes(w, h);
    std::size_t levelCount = levels ? CFloatImage::LevelCount(w, h) : 0;
    if (plane == 0 || (levels && levelCount == 0)) {
        error = "a " + size + " image is too large to address";
        return false;
    }
    // Both counts are below 2^63 bytes each (sides of at most 10^6 pixels): the sum fits.
    std::uint64_t bytes = 3 * static_cast<std::uint64_t>(plane) +
                          sizeof(float) * static_cast<std::uint64_t>(levelCount);
    if (bytes > memory / 2) {
        error = "a " + size + " image needs " + Gibibytes(bytes) + ", more than half of this " +
                "machine's " + Gibibytes(memory) + " of memory";
        return false;
    }
    return true;
}
