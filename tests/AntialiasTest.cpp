// Antialiasing: n x n rays a pixel, averaged. One sample is the picture of every render before
// it, byte for byte; more samples blend edges and leave flat areas alone, and every way of
// rendering (threads, halves, quarters, the hierarchy, noise) gives the serial picture.
#include "RendererTestSupport.h"

#include "render/TraceScene.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using Hierarchy = CTraceScene::Hierarchy;

class Antialias : public RenderFixture {
protected:
    std::string Render(unsigned samples, unsigned threads = 1, unsigned parts = 0,
                       Hierarchy hierarchy = Hierarchy::off, int width = 48, int height = 30) {
        return RenderToPpm(
            *doc, width, height,
            {.threads = threads, .parts = parts, .antialias = samples, .hierarchy = hierarchy});
    }
};

TEST_F(Antialias, OneSampleIsThePictureWithoutIt) {
    EXPECT_EQ(Golden("default-64x40"), Render(1, 1, 0, Hierarchy::off, 64, 40));
    EXPECT_EQ(Golden("default-64x40"), Render(0, 2, 0, Hierarchy::always, 64, 40));
}

TEST_F(Antialias, EdgesBlendAndFlatAreasStay) {
    std::string plain = Render(1);
    CImage single;
    ASSERT_TRUE(single.SetSize(48, 30));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 48; ++x) {
            std::uint32_t p = doc->m_image.GetPixel(x, y);
            single.SetPixel(x, y, CColour(int(p & 0xFF), int((p >> 8) & 0xFF), int(p >> 16)));
        }
    Render(3);
    int changed = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 48; ++x)
            changed += doc->m_image.GetPixel(x, y) != single.GetPixel(x, y);
    // The sky at the top left is one colour under every sample; the balls' outlines are not.
    EXPECT_EQ(single.GetPixel(1, 1), doc->m_image.GetPixel(1, 1));
    EXPECT_GT(changed, 48);
    EXPECT_LT(changed, 48 * 30);
}

TEST_F(Antialias, EveryWayOfRenderingGivesTheSerialPicture) {
    StoreMaxRecursion(1);
    for (bool noise : {false, true}) {
        if (noise)
            for (auto& object : doc->m_objects)
                object->m_textureFlags = kTextureNoise;
        std::string serial = Render(3);
        for (Hierarchy hierarchy : {Hierarchy::off, Hierarchy::always}) {
            for (unsigned threads : {2u, 3u})
                EXPECT_EQ(serial, Render(3, threads, 0, hierarchy)) << noise << threads;
            for (unsigned parts : {2u, 4u})
                EXPECT_EQ(serial, Render(3, 1, parts, hierarchy)) << noise << parts;
        }
    }
}

} // namespace
