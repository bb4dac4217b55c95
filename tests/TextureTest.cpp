#include "core/Random.h"
#include "scene/SceneObject.h"

#include "ColourExpect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

TEST(Checker, WhiteLinesOnRed) {
    CSceneObject object;
    ExpectBytes(object.CheckerColour(2.5, 7, 15.2), 255, 255, 255);
    ExpectBytes(object.CheckerColour(5, 0, -14), 255, 0, 0);
    ExpectBytes(object.CheckerColour(-4, 0, 4), 255, 0, 0);
    // Bands at the axes are 6 wide because of the absolute values.
    ExpectBytes(object.CheckerColour(-2.9, 0, 5), 255, 255, 255);
    ExpectBytes(object.CheckerColour(5, 1000, 12.9), 255, 255, 255);
    ExpectBytes(object.CheckerColour(5, 1000, 13.0), 255, 0, 0);
}

TEST(Checker, HugeCoordinatesAreDefined) {
    CSceneObject object;
    CColour c = object.CheckerColour(1e300, 0, -INFINITY);
    EXPECT_EQ(255, c.GetRed());
    c = object.CheckerColour(NAN, 0, NAN);
    EXPECT_EQ(255, c.GetRed());
}

TEST(Ring, ShadesOfTheBaseColour) {
    CSceneObject object;
    object.SetColour(CColour(200, 100, 50));
    // rho = 10 at theta = atan2(0, 10) = 0, y = 0: ring 10 < 30, dark.
    ExpectBytes(object.RingColour(0, 0, 10, 30), 100, 50, 25);
    // rho = 40 + 2 sin(0): ring 40, light; 400 keeps its low 8 bits.
    ExpectBytes(object.RingColour(0, 0, 40, 30), 144, 200, 100);
    // The threshold decides: with 50 the same point is dark.
    ExpectBytes(object.RingColour(0, 0, 40, 50), 100, 50, 25);
    // The base colour is unchanged by the evaluation.
    ExpectBytes(*object.GetColour(), 200, 100, 50);
}

TEST(Ring, NearTheAxisUsesTheFixedAngle) {
    CSceneObject object;
    object.SetColour(CColour(200, 100, 50));
    // For -0.01 < z < 0.01 the angle is 3.141 / 2, not atan2(x, z): at (30.009, 0, 0.005) the
    // fixed angle gives rho' just below 30 (dark), atan2 would give just above (light).
    double fixedRho = 30.009 + 2 * std::sin(20 * (3.141 / 2));
    double atanRho = 30.009 + 2 * std::sin(20 * std::atan2(30.009, 0.005));
    ASSERT_NE(static_cast<int>(fixedRho) < 30, static_cast<int>(atanRho) < 30);
    CColour c = object.RingColour(30.009, 0, 0.005, 30);
    EXPECT_EQ(100, c.GetRed());
}

namespace {
// A generator whose next two draws are multiples of 40: the noise terms of the next evaluation
// are all 0.
CRandom ZeroNoise() {
    for (std::uint32_t seed = 0; seed < 1000000; ++seed) {
        CRandom probe(seed);
        if (probe.Next() % 40 == 0 && probe.Next() % 40 == 0)
            return CRandom(seed);
    }
    ADD_FAILURE() << "no seed draws two multiples of 40";
    return CRandom();
}
} // namespace

TEST(Noise, SameSequenceInEveryRenderAndBlackForLowValues) {
    CSceneObject object;
    CRandom first;
    CRandom second;
    CColour a, b;
    {
        CRandom::Scope scope(first);
        a = object.NoiseColour(10, 20, 30);
    }
    {
        CRandom::Scope scope(second);
        b = object.NoiseColour(10, 20, 30);
    }
    ExpectBytes(a, b.GetRed(), b.GetGreen(), b.GetBlue());

    // The bytes are 0.9, 0.8 and 0.6 times the value v, truncated: any v below 1 is black, and
    // without noise every band's v is. x = 325, 0 and 575 give s = (x + 15000) * 0.02 = 306.5,
    // 300 and 311.5: bands 0, 11 and 5, where v is 0.7, 0.2 and 0.3 * (5 * 0.1538462) + 0.4.
    const CRandom zeroNoise = ZeroNoise();
    for (double x : {325.0, 0.0, 575.0}) {
        SCOPED_TRACE(x);
        CRandom generator = zeroNoise;
        CRandom::Scope scope(generator);
        ExpectBytes(object.NoiseColour(x, 0, 0), 0, 0, 0);
    }
}

TEST(Noise, DrawsTwoNumbersPerEvaluationFromTheCurrentGenerator) {
    // Parallel renders count the draws of a pixel without drawing: every band of the texture
    // must draw the same number.
    CSceneObject object;
    CRandom generator;
    CRandom reference;
    for (int i = 0; i < 2000; ++i) {
        double x = (i % 37) * 13.7 - 250;
        double y = (i % 11) * 9.1 - 50;
        double z = i * 0.77;
        {
            CRandom::Scope scope(generator);
            object.NoiseColour(x, y, z);
        }
        for (int k = 0; k < kNoiseDrawsPerColour; ++k)
            reference.Next();
        CRandom probeGenerator = generator;
        CRandom probeReference = reference;
        ASSERT_EQ(probeReference.Next(), probeGenerator.Next()) << "at evaluation " << i;
    }
}

TEST(Random, SkipLandsWhereAsManyDrawsWould) {
    for (std::uint64_t draws : {0ull, 1ull, 2ull, 3ull, 1000ull, 65537ull, 1234567ull}) {
        CRandom stepped(12345);
        for (std::uint64_t i = 0; i < draws; ++i)
            stepped.Next();
        CRandom skipped(12345);
        skipped.Skip(draws);
        EXPECT_EQ(stepped.Next(), skipped.Next()) << draws;
    }
    // The sequence repeats every 2^32 draws.
    CRandom fresh;
    CRandom around;
    around.Skip(std::uint64_t{1} << 32);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(fresh.Next(), around.Next());
}

TEST(Noise, ByteFormula) {
    // A fresh generator draws 16838 and 5758 first: k = 38 in both noise terms.
    CRandom reference;
    ASSERT_EQ(38, reference.Next() % 40);
    ASSERT_EQ(38, reference.Next() % 40);
    // At (125, 210, 200): t = 15125 * 0.02 = 302.5 and
    //   s = 7 * 38 * (1.25 + 1.05 + 1) + t = 877.8 + 302.5 = 1180.3,
    // band 1180 % 17 = 7, so w = |trunc(1180.3 - 17 * 69 - 10.5)| = |trunc(-3.2)| = 3 and
    //   v = 0.2 * 38 * (1.25 + 2.1 + 2) + 0.3 * (3 * 0.1538462) + 0.4 = 41.19846...;
    // bytes trunc(0.9 v) = 37, trunc(0.8 v) = 32, trunc(0.6 v) = 24.
    CSceneObject object;
    CRandom generator;
    CRandom::Scope scope(generator);
    ExpectBytes(object.NoiseColour(125, 210, 200), 37, 32, 24);
}

TEST(Random, RandRangeAndFixedStart) {
    CRandom a;
    CRandom b;
    int low = CRandom::kMax, high = 0;
    for (int i = 0; i < 100000; ++i) {
        int v = a.Next();
        EXPECT_EQ(v, b.Next());
        low = std::min(low, v);
        high = std::max(high, v);
    }
    EXPECT_EQ(0, low);
    EXPECT_EQ(CRandom::kMax, high);
}

TEST(Random, ScopesNestAndRestore) {
    CRandom outer;
    CRandom inner;
    CRandom::Scope outerScope(outer);
    EXPECT_EQ(&outer, &CRandom::Current());
    {
        CRandom::Scope innerScope(inner);
        EXPECT_EQ(&inner, &CRandom::Current());
    }
    EXPECT_EQ(&outer, &CRandom::Current());
}
