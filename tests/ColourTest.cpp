#include "core/Colour.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(Colour, FloatConstructorClampsAndTruncates) {
    CColour c(1.5f, -0.2f, 0.5f);
    EXPECT_EQ(1.0f, c.redLevel);
    EXPECT_EQ(0.0f, c.greenLevel);
    EXPECT_EQ(0.5f, c.blueLevel);
    EXPECT_EQ(255, c.GetRed());
    EXPECT_EQ(0, c.GetGreen());
    EXPECT_EQ(127, c.GetBlue()); // truncated, not rounded
}

TEST(Colour, NotANumberBecomesZero) {
    float nan = std::numeric_limits<float>::quiet_NaN();
    CColour c(nan, 0.25f, nan);
    EXPECT_EQ(0.0f, c.redLevel);
    EXPECT_EQ(0, c.GetRed());
    EXPECT_EQ(63, c.GetGreen());
    EXPECT_EQ(0.0f, c.blueLevel);
    CColour infinite(std::numeric_limits<float>::infinity(), -INFINITY, 0.0f);
    EXPECT_EQ(255, infinite.GetRed());
    EXPECT_EQ(0, infinite.GetGreen());
}

TEST(Colour, TruncationJustBelowOne) {
    EXPECT_EQ(254, CColour(0.999f, 0.0f, 0.0f).GetRed());
    EXPECT_EQ(255, CColour(1.0f, 0.0f, 0.0f).GetRed());
}

TEST(Colour, ByteConstructorDividesInSinglePrecision) {
    CColour c(255, 0, 51);
    EXPECT_EQ(1.0f, c.redLevel);
    EXPECT_EQ(0.0f, c.greenLevel);
    EXPECT_EQ(0.2f, c.blueLevel);
    EXPECT_EQ(128 / 255.0f, CColour(128, 0, 0).redLevel);
}

TEST(Colour, ByteConstructorKeepsLowEightBits) {
    CColour c(400, 256, -1);
    EXPECT_EQ(144, c.GetRed());
    EXPECT_EQ(0, c.GetGreen());
    EXPECT_EQ(255, c.GetBlue());
}

TEST(Colour, DefaultIsBlack) {
    CColour c;
    EXPECT_EQ(0, c.GetRed() + c.GetGreen() + c.GetBlue());
    EXPECT_EQ(0.0f, c.redLevel + c.greenLevel + c.blueLevel);
}
