// Guards the double-to-float narrowings our pictures depend on against optimisers that drop
// them: GCC 12's SLP vectoriser turns a pair of (float) conversions that are widened straight
// back into a plain copy of the doubles unless it is switched off. This file must be built
// optimised (as every build type but Debug is) for the test to mean anything.
#include "scene/Sphere.h"

#include <gtest/gtest.h>

namespace {

__attribute__((noinline)) CSphere* NarrowSphere(const double* v) {
    return new CSphere(static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]),
                       static_cast<float>(v[3]));
}

} // namespace

TEST(Narrowing, FourFloatSphereConstructorWidensTheFloatValues) {
    double v[4] = {0.1, 0.2, 0.3, 0.1};
    std::unique_ptr<CSphere> sphere(NarrowSphere(v));
    EXPECT_EQ(0.10000000149011612, sphere->GetCentre().x);
    EXPECT_EQ(static_cast<double>(0.2f), sphere->GetCentre().y);
    EXPECT_EQ(static_cast<double>(0.3f), sphere->GetCentre().z);
    EXPECT_EQ(0.1f, sphere->GetRadius());
}
