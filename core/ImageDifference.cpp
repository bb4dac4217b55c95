#include "core/ImageDifference.h"

#include <algorithm>
#include <cstdlib>

bool CImageDifference::Compute(const CImage& a, const CImage& b, CImage& difference, Stats& stats) {
    stats = Stats{};
    if (!a.HasPlanes() || !b.HasPlanes() || a.GetWidth() != b.GetWidth() ||
        a.GetHeight() != b.GetHeight())
        return false;
    if (!difference.SetSize(a.GetWidth(), a.GetHeight()))
        return false;
    std::size_t count =
        static_cast<std::size_t>(a.GetWidth()) * static_cast<std::size_t>(a.GetHeight());
    stats.pixels = count;
    const std::uint8_t* planesA[] = {a.GetRedPlane(), a.GetGreenPlane(), a.GetBluePlane()};
    const std::uint8_t* planesB[] = {b.GetRedPlane(), b.GetGreenPlane(), b.GetBluePlane()};
    std::uint8_t* planesOut[] = {difference.m_red.get(), difference.m_green.get(),
                                 difference.m_blue.get()};
    for (std::size_t i = 0; i < count; ++i) {
        bool differs = false;
        for (int channel = 0; channel < 3; ++channel) {
            int apart = std::abs(int{planesA[channel][i]} - int{planesB[channel][i]});
            differs = differs || apart != 0;
            stats.largest = std::max(stats.largest, apart);
            planesOut[channel][i] =
                static_cast<std::uint8_t>(std::min(255, apart * kAmplification));
        }
        if (differs)
            ++stats.differing;
    }
    return true;
}
