// The files made from the levels before quantising, read back by the libraries that define
// them: 16-bit PNGs by libpng, OpenEXR by OpenEXR's own reader.
#include "TestFolder.h"

#include "core/FloatImage.h"
#include "core/Image.h"
#include "core/Random.h"
#include "platform/AtomicFileWriter.h"
#include "render/ImageFile.h"

#include <gtest/gtest.h>

#include <ImfHeader.h>
#include <ImfRgbaFile.h>
#include <half.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

// Levels on every side of the edges, then gradients and noise across 0..1.
CFloatImage Pattern(int width, int height) {
    const float edges[] = {0.0f,  1.0f,     0.5f,     1.5f,       -0.2f,      kNaN,
                           -0.0f, 1e6f,     -1e6f,    kInfinity,  1.0f / 255, 254.5f / 255,
                           1e-6f, 65504.0f, 65519.0f, 0.99999994f};
    CFloatImage levels;
    EXPECT_TRUE(levels.SetSize(width, height));
    CRandom random(5);
    std::size_t i = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, ++i) {
            auto level = [&](int channel) {
                std::size_t k = 3 * i + static_cast<std::size_t>(channel);
                if (k < std::size(edges))
                    return edges[k];
                return y % 2 ? static_cast<float>(random.Next()) / CRandom::kMax
                             : static_cast<float>(x + channel) / static_cast<float>(width + 2);
            };
            levels.SetPixel(x, y, ColourLevels{level(0), level(1), level(2)});
        }
    return levels;
}

// The 16-bit samples of a PNG, as libpng decodes them (big-endian in the file).
std::vector<std::uint16_t> DecodePng16(const std::string& path, int& width, int& height) {
    std::vector<std::uint16_t> samples;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return samples;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        width = static_cast<int>(png_get_image_width(png, info));
        height = static_cast<int>(png_get_image_height(png, info));
        EXPECT_EQ(16, png_get_bit_depth(png, info));
        EXPECT_EQ(PNG_COLOR_TYPE_RGB, png_get_color_type(png, info));
        png_bytepp rows = png_get_rows(png, info);
        for (int y = 0; y < height; ++y)
            for (int i = 0; i < 3 * width; ++i)
                samples.push_back(
                    static_cast<std::uint16_t>(rows[y][2 * i] << 8 | rows[y][2 * i + 1]));
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return samples;
}

TEST(LevelFiles, SixteenBitPngDecodesToTheTruncatedLevels) {
    // Whole on one thread and on three, and streamed row by row: the same samples.
    CFloatImage levels = Pattern(301, 7);
    std::string path = TestPath("levels.png");
    std::vector<std::uint16_t> first;
    for (auto [wholeLimit, threads] :
         {std::pair{CImageFile::kWholeLimit, 1u}, std::pair{CImageFile::kWholeLimit, 3u},
          std::pair{std::size_t{0}, 1u}}) {
        CAtomicFileWriter writer(path);
        std::string error;
        ASSERT_TRUE(CImageFile::EncodePng(levels, writer, error, wholeLimit, threads)) << error;
        ASSERT_TRUE(writer.Commit());
        int width = 0, height = 0;
        std::vector<std::uint16_t> samples = DecodePng16(path, width, height);
        ASSERT_EQ(301, width);
        ASSERT_EQ(7, height);
        if (first.empty())
            first = samples;
        EXPECT_EQ(first, samples);
    }
    // The edges: clamped to 0..1 (a NaN to 0), times 65535, truncated.
    const std::uint16_t edges[] = {0, 65535, 32767, 65535, 0, 0,     0,     65535,
                                   0, 65535, 257,   65406, 0, 65535, 65535, 65534};
    for (std::size_t k = 0; k < std::size(edges); ++k)
        EXPECT_EQ(edges[k], first[k]) << "sample " << k;
    // Every sample divided by 257 is the byte of the 8-bit picture, and lies less than one step
    // below its level.
    const float* all = levels.GetRow(0);
    for (std::size_t k = 0; k < first.size(); ++k) {
        CColour colour(all[k], 0.0f, 0.0f);
        ASSERT_EQ(colour.red, first[k] / 257) << "sample " << k << ", level " << all[k];
        double exact = static_cast<double>(colour.redLevel) * 65535.0;
        ASSERT_LE(first[k], exact);
        ASSERT_GT(first[k] + 1.0, exact);
    }
}

// Every float on either side of each byte's threshold k / 255: the 16-bit sample and the byte
// still agree.
TEST(LevelFiles, SixteenBitsAgreeWithTheByteAtEveryThreshold) {
    for (int k = 0; k <= 255; ++k) {
        float level = static_cast<float>(k) / 255.0f;
        for (int step = 0; step < 64; ++step) {
            for (float probe : {level, std::nextafter(level, 2.0f)}) {
                EXPECT_EQ(CColour(probe, 0.0f, 0.0f).red, CImageFile::LevelTo16Bits(probe) / 257)
                    << probe;
            }
            level = std::nextafter(level, -1.0f);
        }
    }
}

TEST(LevelFiles, OpenExrReadsBackTheSameHalves) {
    CFloatImage levels = Pattern(67, 35);
    std::string path = TestPath("levels.exr");
    std::string error;
    ASSERT_TRUE(CImageFile::Write(levels, CImageFile::exr, path, error)) << error;

    Imf::RgbaInputFile file(path.c_str());
    EXPECT_EQ(Imf::WRITE_RGB, file.channels());
    EXPECT_EQ(Imf::ZIP_COMPRESSION, file.header().compression());
    Imath::Box2i window = file.dataWindow();
    ASSERT_EQ(0, window.min.x);
    ASSERT_EQ(0, window.min.y);
    ASSERT_EQ(66, window.max.x);
    ASSERT_EQ(34, window.max.y);
    std::vector<Imf::Rgba> pixels(67 * 35);
    file.setFrameBuffer(pixels.data(), 1, 67);
    file.readPixels(0, 34);

    // Each level as the nearest half; NaN as 0 and anything beyond the largest half as it.
    auto expected = [](float level) -> Imath::half {
        if (std::isnan(level))
            return Imath::half(0.0f);
        if (std::abs(level) > 65504.0f)
            return Imath::half(std::copysign(65504.0f, level));
        return Imath::half(level);
    };
    for (int y = 0; y < 35; ++y)
        for (int x = 0; x < 67; ++x) {
            ColourLevels level = levels.GetPixel(x, y);
            const Imf::Rgba& read = pixels[static_cast<std::size_t>(y * 67 + x)];
            ASSERT_EQ(expected(level.red).bits(), read.r.bits()) << x << ", " << y;
            ASSERT_EQ(expected(level.green).bits(), read.g.bits()) << x << ", " << y;
            ASSERT_EQ(expected(level.blue).bits(), read.b.bits()) << x << ", " << y;
            ASSERT_EQ(1.0f, static_cast<float>(read.a));
        }
    // The edges as they read: above 1 and below 0 kept, 1e6 and infinity at the largest half.
    EXPECT_EQ(1.5f, static_cast<float>(pixels[1].r));
    EXPECT_NEAR(-0.2f, static_cast<float>(pixels[1].g), 1e-4f);
    EXPECT_EQ(0.0f, static_cast<float>(pixels[1].b));
    EXPECT_EQ(65504.0f, static_cast<float>(pixels[2].g));
    EXPECT_EQ(-65504.0f, static_cast<float>(pixels[2].b));
    EXPECT_EQ(65504.0f, static_cast<float>(pixels[3].r));
}

// An OpenEXR file that cannot be finished leaves the old one, says why and leaves no temporary
// file; the 8-bit picture cannot make one.
TEST(LevelFiles, AFailedOpenExrKeepsTheOldFile) {
    std::string path = TestPath("keep.exr");
    WriteFile(path, "the old picture");
    CFloatImage levels = Pattern(200, 150);
    std::string error;
    bool written = true;
    WithFileSizeLimit(4000,
                      [&] { written = CImageFile::Write(levels, CImageFile::exr, path, error); });
    EXPECT_FALSE(written);
    EXPECT_NE(std::string::npos, error.find("keep.exr")) << error;
    EXPECT_EQ("the old picture", ReadFile(path));
    for (const auto& entry : std::filesystem::directory_iterator(TestFolder()))
        EXPECT_NE(0u, entry.path().filename().string().rfind(".keep.exr", 0)) << entry.path();

    EXPECT_FALSE(CImageFile::Write(levels, CImageFile::exr, TestPath("no-such/x.exr"), error));
    EXPECT_NE(std::string::npos, error.find("no-such/x.exr")) << error;
    CImage picture;
    ASSERT_TRUE(picture.SetSize(2, 2));
    EXPECT_FALSE(CImageFile::Write(picture, TestPath("bytes.exr"), error));
    EXPECT_NE(std::string::npos, error.find("levels")) << error;
    EXPECT_FALSE(std::filesystem::exists(TestPath("bytes.exr")));
}

} // namespace
