#pragma once

#include <cstdint>
#include <string>

// The sizes a picture may be asked for, by lumo-render and the desktop's Render to File alike:
// checked before anything is allocated, so that a size the machine cannot hold is refused with
// its reason instead of failing (or swapping) half-way.
class CPictureSize {
public:
    // The longest side: libpng's own limit for the images it writes, and far beyond any
    // picture a single machine traces in reasonable time.
    static constexpr long long kMaxSide = 1000000;

    // False, with the reason naming the size, for a side below 1 pixel or beyond kMaxSide, or
    // a picture whose three planes (and its levels, when a 16-bit PNG or an OpenEXR file keeps
    // them) would take more than half of `memory` bytes (the machine's physical memory unless
    // told).
    static bool Check(long long width, long long height, std::string& error, bool levels = false);
    static bool Check(long long width, long long height, std::uint64_t memory, std::string& error,
                      bool levels = false);

    // The machine's physical memory in bytes (UINT64_MAX when the system does not say).
    static std::uint64_t PhysicalMemory();
    // "1.5 GiB".
    static std::string Gibibytes(std::uint64_t bytes);
};
