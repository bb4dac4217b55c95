#pragma once

#include "scene/Thresholds.h"

#include <cstdint>

// The nearest hit of one ray among objects numbered by their place in the scene's list: the
// smallest distance beyond the hit threshold and below the far limit, ties going to the object
// earlier in the list, exactly as a walk of the list from the head with a strict "nearer"
// finds it.
class CNearestHit {
public:
    // The initial nearest distance: hits at or beyond it are ignored.
    static constexpr double kFarthestHit = 999999.99;

    // Takes an object's distance if it beats the nearest so far. The index starts at 0, so
    // nothing at the far limit itself is ever taken.
    void Offer(double t, std::uint32_t index) {
        if (!(t > kHitThreshold))
            return;
        if (t < m_t || (t == m_t && index < m_index)) {
            m_t = t;
            m_index = index;
            m_found = true;
        }
    }
    bool Found() const { return m_found; }
    double Distance() const { return m_t; }
    std::uint32_t Index() const { return m_index; }

private:
    double m_t = kFarthestHit;
    std::uint32_t m_index = 0;
    bool m_found = false;
};
