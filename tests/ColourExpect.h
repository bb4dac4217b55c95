#pragma once

#include "core/Colour.h"

#include <gtest/gtest.h>

// Checks a colour's three byte levels.
inline void ExpectBytes(const CColour& c, int r, int g, int b) {
    EXPECT_EQ(r, c.GetRed());
    EXPECT_EQ(g, c.GetGreen());
    EXPECT_EQ(b, c.GetBlue());
}
