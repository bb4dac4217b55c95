#pragma once

#include <climits>
#include <cmath>

// Truncation toward zero into a 32-bit integer, as the C conversion (int)v does for every value
// that fits. Values beyond the range saturate and a NaN gives 0, where the plain conversion
// would be undefined: hostile scripts can give planes and textures any magnitude.
inline int TruncateToInt32(double v) {
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return INT_MAX;
    if (v <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(v);
}
