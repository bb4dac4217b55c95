#pragma once

// The tolerances of the intersection tests. All three are 0.001, but each means something of
// its own, and each is compared as a strict lower bound: a value must lie above it.

// A hit at or below this distance along a ray belongs to the surface the ray starts from: it
// keeps reflected and shadow rays from meeting their own surface again.
inline constexpr double kHitThreshold = 0.001;

// A sphere whose discriminant is at or below this is only grazed by the ray: a miss.
inline constexpr double kGrazingDiscriminant = 0.001;

// A plane whose unit normal's dot product with the ray's direction is at or below this is
// nearly parallel to the ray, or faces away from it: a miss.
inline constexpr double kParallelThreshold = 0.001;
