#include "core/Vector.h"
#include "core/Ray.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

namespace {
void ExpectVector(const CVector& v, double x, double y, double z) {
    EXPECT_DOUBLE_EQ(x, v.x);
    EXPECT_DOUBLE_EQ(y, v.y);
    EXPECT_DOUBLE_EQ(z, v.z);
}

std::uint64_t Bits(double d) {
    return std::bit_cast<std::uint64_t>(d);
}

testing::AssertionResult SameBits(const CVector& expected, const CVector& actual) {
    if (Bits(expected.x) == Bits(actual.x) && Bits(expected.y) == Bits(actual.y) &&
        Bits(expected.z) == Bits(actual.z))
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "(" << expected.x << ", " << expected.y << ", " << expected.z << ") != (" << actual.x
           << ", " << actual.y << ", " << actual.z << ")";
}
} // namespace

TEST(Vector, ArithmeticChangesTheVectorAndReturnsACopy) {
    CVector a(5, 7, 9);
    CVector b(1, 2, 3);
    CVector result = a.Subtract(b);
    ExpectVector(a, 4, 5, 6);
    ExpectVector(result, 4, 5, 6);
    ExpectVector(b, 1, 2, 3);

    result = a.Add(b);
    ExpectVector(a, 5, 7, 9);
    result.Scale(100); // the result is a copy: changing it leaves a alone
    ExpectVector(a, 5, 7, 9);

    ExpectVector(a.Negate(), -5, -7, -9);
    ExpectVector(a, -5, -7, -9);
    ExpectVector(a.Scale(-2), 10, 14, 18);
    ExpectVector(a, 10, 14, 18);
}

TEST(Vector, OperatorsGiveTheBitsOfTheCompoundForms) {
    // Components of every sign and of magnitudes far apart (so that sums round), with zeros of
    // both signs among them.
    std::mt19937_64 random(20240611);
    std::uniform_int_distribution<int> kind(0, 15);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-40, 40);
    auto component = [&] {
        switch (kind(random)) {
        case 0:
            return 0.0;
        case 1:
            return -0.0;
        default:
            return std::ldexp(mantissa(random), exponent(random));
        }
    };
    for (int i = 0; i < 20000; ++i) {
        const CVector a(component(), component(), component());
        const CVector b(component(), component(), component());
        const double s = component();
        CVector sum = a, difference = a, scaled = a, negated = a, unit = a;
        sum.Add(b);
        difference.Subtract(b);
        scaled.Scale(s);
        negated.Negate();
        unit.Normalise();
        ASSERT_TRUE(SameBits(sum, a + b)) << "vector " << i;
        ASSERT_TRUE(SameBits(difference, a - b)) << "vector " << i;
        ASSERT_TRUE(SameBits(scaled, a * s)) << "vector " << i;
        ASSERT_TRUE(SameBits(scaled, s * a)) << "vector " << i;
        ASSERT_TRUE(SameBits(negated, -a)) << "vector " << i;
        ASSERT_TRUE(SameBits(unit, a.Normalised())) << "vector " << i;
    }
}

TEST(Vector, NormaliseLengthAndDot) {
    CVector v(3, 0, 4);
    EXPECT_EQ(5.0, v.Length());
    CVector n = v.Normalise();
    ExpectVector(v, 0.6, 0, 0.8);
    ExpectVector(n, 0.6, 0, 0.8);
    EXPECT_EQ(12.0, CVector(1, 2, 3).Dot(CVector(4, -5, 6)));
}

TEST(Vector, NormaliseDividesRatherThanMultiplies) {
    // The length is 5: 3 / 5 is the double nearest 0.6, 3 * (1 / 5) the one above it. The
    // quotients are what pictures rely on.
    CVector v(3, 0, 4);
    const double length = std::sqrt(v.Dot(v));
    ASSERT_NE(Bits(v.x / length), Bits(v.x * (1 / length)));
    const CVector quotients(v.x / length, v.y / length, v.z / length);
    CVector n = v.Normalise();
    EXPECT_TRUE(SameBits(quotients, v));
    EXPECT_TRUE(SameBits(quotients, n));
}

TEST(Vector, ZeroLengthNormalisesToNonFinite) {
    CVector v;
    v.Normalise();
    EXPECT_FALSE(std::isfinite(v.x));
    EXPECT_FALSE(std::isfinite(v.y));
    EXPECT_FALSE(std::isfinite(v.z));
}

TEST(Vector, AssignmentReturnsTheAssignedValue) {
    CVector a;
    CVector b(1, 2, 3);
    CVector c = (a = b);
    ExpectVector(a, 1, 2, 3);
    ExpectVector(c, 1, 2, 3);
}

TEST(Ray, DefaultsToZeroAndCopiesBothVectors) {
    CRay r;
    ExpectVector(r.origin, 0, 0, 0);
    ExpectVector(r.direction, 0, 0, 0);
    r.origin = CVector(1, 2, 3);
    r.direction = CVector(0, 0, 1);
    CRay copy(r);
    r.origin.x = 99;
    ExpectVector(copy.origin, 1, 2, 3);
    ExpectVector(copy.direction, 0, 0, 1);
}
