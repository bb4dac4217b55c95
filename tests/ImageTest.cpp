#include "core/Image.h"

#include <gtest/gtest.h>

#include <climits>

TEST(Image, SetSizeFillsWhite) {
    CImage image;
    EXPECT_FALSE(image.HasPlanes());
    ASSERT_TRUE(image.SetSize(3, 2));
    EXPECT_EQ(3, image.GetWidth());
    EXPECT_EQ(2, image.GetHeight());
    EXPECT_EQ(9u, CImage::PlaneBytes(3, 2)); // one spare row
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(0xFFFFFFu, image.GetPixel(x, y));
}

TEST(Image, PixelsPackRedLow) {
    CImage image;
    ASSERT_TRUE(image.SetSize(3, 2));
    image.SetPixel(1, 0, CColour(10, 20, 30));
    EXPECT_EQ(0x1E140Au, image.GetPixel(1, 0));
    EXPECT_EQ(0xFFFFFFu, image.GetPixel(0, 0));
    EXPECT_EQ(10, image.GetRedPlane()[1]);
    EXPECT_EQ(30, image.GetBluePlane()[1]);
    image.Clear();
    EXPECT_EQ(0xFFFFFFu, image.GetPixel(1, 0));
}

TEST(Image, ResizeStartsWhiteAgain) {
    CImage image;
    ASSERT_TRUE(image.SetSize(2, 2));
    image.SetPixel(1, 1, CColour(0, 0, 0));
    ASSERT_TRUE(image.SetSize(5, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(0xFFFFFFu, image.GetPixel(x, y));
}

TEST(Image, ZeroSizesSucceedEmpty) {
    CImage image;
    EXPECT_TRUE(image.SetSize(7, 0));
    EXPECT_TRUE(image.HasPlanes());
    EXPECT_EQ(7u, CImage::PlaneBytes(7, 0));
    EXPECT_TRUE(image.SetSize(0, 5));
    EXPECT_TRUE(image.SetSize(0, 0));
    image.Clear();
}

TEST(Image, BadSizesFailWithNoPlanes) {
    CImage image;
    ASSERT_TRUE(image.SetSize(4, 4));
    EXPECT_FALSE(image.SetSize(-1, 10));
    EXPECT_FALSE(image.HasPlanes());
    EXPECT_EQ(0, image.GetWidth());
    EXPECT_FALSE(image.SetSize(10, -1));
    EXPECT_FALSE(image.HasPlanes());
    image.Clear(); // no planes: nothing to do, nothing to crash
    EXPECT_EQ(0u, CImage::PlaneBytes(-5, 5));
}

TEST(Image, HeightPlusOneDoesNotOverflow) {
    // INT_MAX + 1 rows must not wrap to a small allocation.
    EXPECT_EQ(static_cast<std::size_t>(2) * (static_cast<std::size_t>(INT_MAX) + 1),
              CImage::PlaneBytes(2, INT_MAX));
}

TEST(Image, AllocationFailureLeavesNoPlanes) {
    // 2^31-1 squared is far beyond any machine: the allocation fails and is reported.
    CImage image;
    EXPECT_FALSE(image.SetSize(INT_MAX, INT_MAX));
    EXPECT_FALSE(image.HasPlanes());
    EXPECT_EQ(0, image.GetHeight());
}
