#pragma once

#include "core/Image.h"

#include <cstddef>

// Two pictures of one size compared pixel by pixel, for the desktop's render history: the
// absolute difference of each channel, amplified so that a difference of a level or two shows
// (kAmplification times, at most 255), black where the pictures agree.
class CImageDifference {
public:
    static constexpr int kAmplification = 8;

    struct Stats {
        std::size_t pixels = 0;    // in each picture
        std::size_t differing = 0; // pixels with any channel apart
        int largest = 0;           // the largest channel difference, in levels (0 to 255)
    };

    // The amplified difference of a and b into `difference`; false, with nothing made, when
    // their sizes differ, either has no planes or the picture cannot be allocated.
    static bool Compute(const CImage& a, const CImage& b, CImage& difference, Stats& stats);
};
