// Parts of a picture: the file that says where a part belongs and of what, read back whatever
// it holds, and parts joined into their picture only when they fit together.

#include "cli/PartFile.h"
#include "cli/CommandLine.h"

#include "RendererTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

CImage Filled(int width, int height, int seed) {
    CImage image;
    image.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, CColour((x * 7 + seed) & 0xFF, (y * 13 + seed) & 0xFF, seed));
    return image;
}

CPartInfo Info(RenderRegion region, std::uint64_t hash = 0x0123456789abcdefull) {
    return CPartInfo{30, 20, region, hash};
}

std::string Encoded(const CImage& pixels, const CPartInfo& info, CImageFile::Format format) {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(CPartFile::Encode(pixels, info, format, bytes, error)) << error;
    return bytes;
}

TEST(PartFile, WhatIsWrittenReadsBackInBothFormats) {
    CImage pixels = Filled(12, 5, 40);
    CPartInfo info = Info({3, 15, 15, 20});
    for (CImageFile::Format format : {CImageFile::png, CImageFile::ppm}) {
        CPartInfo back;
        CImage read;
        std::string error;
        ASSERT_TRUE(
            CPartFile::Decode(Encoded(pixels, info, format), "part", back, read, error, 1000))
            << error;
        EXPECT_TRUE(info == back);
        EXPECT_EQ(EncodePpm(pixels), EncodePpm(read));
    }
    // Any viewer reads the PPM: the description is a comment of its header.
    std::string ppm = Encoded(pixels, info, CImageFile::ppm);
    EXPECT_EQ(0u, ppm.rfind("P6\n# lumo-part 1 picture 30x20 region 3,15,15,20 hash "
                            "0123456789abcdef\n12 5\n255\n",
                            0));
}

TEST(PartFile, AnythingElseIsRefusedWithAReason) {
    CImage pixels = Filled(12, 5, 40);
    std::string png = Encoded(pixels, Info({3, 15, 15, 20}), CImageFile::png);
    std::string ppm = Encoded(pixels, Info({3, 15, 15, 20}), CImageFile::ppm);
    CPartInfo info;
    CImage read;
    auto refusal = [&](const std::string& bytes, std::uint64_t most = 1000) {
        std::string error;
        EXPECT_FALSE(CPartFile::Decode(bytes, "p.png", info, read, error, most));
        EXPECT_EQ(0u, error.rfind("'p.png' ", 0)) << error;
        EXPECT_EQ(std::string::npos, error.find('\n')) << error;
        return error;
    };
    // A picture without a description: lumo-render's own whole picture.
    std::string plain;
    {
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* memory = open_memstream(&buffer, &size);
        std::string error;
        CImageFile::Encode(pixels, CImageFile::png, memory, "m", error);
        std::fclose(memory);
        plain.assign(buffer, size);
        std::free(buffer);
    }
    EXPECT_NE(std::string::npos, refusal(plain).find("--region"));
    // Every cut of either file.
    for (const std::string& file : {png, ppm})
        for (std::size_t size :
             {std::size_t{0}, std::size_t{2}, std::size_t{40}, file.size() / 2, file.size() - 1})
            refusal(file.substr(0, size));
    EXPECT_NE(std::string::npos, refusal(ppm + "x").find("after its pixels"));
    // A damaged description, a region of another size than the pixels, too many pixels.
    std::string damaged = png;
    damaged[60] ^= 1;
    EXPECT_NE(std::string::npos, refusal(damaged).find("checksum"));
    std::string otherSize = ppm;
    otherSize.replace(otherSize.find("3,15,15,20"), 10, "3,15,15,19");
    EXPECT_NE(std::string::npos, refusal(otherSize).find("12 x 4"));
    EXPECT_NE(std::string::npos, refusal(png, 59).find("too large"));

    std::string error;
    for (const char* text : {"lumo-part 1 picture 30x20 region 3,15,15,20",
                             "lumo-part 2 picture 30x20 region "
                             "0,0,1,1 hash 0123456789abcdef",
                             "lumo-part 1 picture 30x20 region 3,15,31,20 hash 0123456789abcdef",
                             "lumo-part 1 picture 30x20 region 3,15,3,20 hash 0123456789abcdef",
                             "lumo-part 1 picture 0x20 region 0,0,0,0 hash 0123456789abcdef",
                             "lumo-part 1 picture 30x20 region +3,15,15,20 hash 0123456789abcdef",
                             "lumo-part 1 picture 30x20 region 3,15,15,20 hash 0123456789ABCDEF"})
        EXPECT_FALSE(CPartFile::ParseDescription(text, info, error)) << text;
}

TEST(PictureJoin, PartsThatFitMakeThePicture) {
    CImage whole = Filled(30, 20, 9);
    std::vector<RenderRegion> regions{{0, 0, 30, 7}, {0, 7, 11, 20}, {11, 7, 30, 20}};
    CPictureJoin join(1000);
    std::string error;
    for (const RenderRegion& region : regions) {
        CImage part;
        part.SetSize(static_cast<int>(region.right - region.left),
                     static_cast<int>(region.bottom - region.top));
        for (unsigned y = region.top; y < region.bottom; ++y)
            for (unsigned x = region.left; x < region.right; ++x) {
                std::uint32_t p = whole.GetPixel(static_cast<int>(x), static_cast<int>(y));
                part.SetPixel(static_cast<int>(x - region.left), static_cast<int>(y - region.top),
                              CColour(static_cast<int>(p & 0xFF), static_cast<int>(p >> 8 & 0xFF),
                                      static_cast<int>(p >> 16)));
            }
        ASSERT_TRUE(join.Add("part", Info(region), part, error)) << error;
    }
    CImage picture;
    ASSERT_TRUE(join.Finish(picture, error)) << error;
    EXPECT_EQ(EncodePpm(whole), EncodePpm(picture));
}

TEST(PictureJoin, OverlapsHolesAndStrangersAreRefused) {
    auto add = [](CPictureJoin& join, const char* name, const CPartInfo& info) {
        std::string error;
        CImage pixels = Filled(static_cast<int>(info.region.right - info.region.left),
                               static_cast<int>(info.region.bottom - info.region.top), 1);
        bool added = join.Add(name, info, pixels, error);
        return added ? std::string() : error;
    };
    CPictureJoin join(1000);
    ASSERT_EQ("", add(join, "a.png", Info({0, 0, 30, 10})));
    EXPECT_NE(std::string::npos, add(join, "b.png", Info({5, 9, 10, 12})).find("overlaps 'a.png'"));
    EXPECT_NE(std::string::npos,
              add(join, "c.png", Info({0, 10, 30, 20}, 1)).find("another scene or with other"));
    EXPECT_NE(std::string::npos,
              add(join, "d.png", CPartInfo{30, 21, {0, 10, 30, 20}, 0x0123456789abcdefull})
                  .find("30 x 21"));
    ASSERT_EQ("", add(join, "e.png", Info({0, 10, 12, 20})));
    ASSERT_EQ("", add(join, "f.png", Info({15, 10, 30, 20})));
    // The first pixel no part holds, and how far the gap goes.
    CImage picture;
    std::string error;
    EXPECT_FALSE(join.Finish(picture, error));
    EXPECT_NE(std::string::npos, error.find("row 10 from column 12 to 14")) << error;

    CPictureJoin tooLarge(599);
    EXPECT_NE(std::string::npos, add(tooLarge, "a.png", Info({0, 0, 30, 10})).find("memory"));
}

TEST(PartHash, EveryOptionThatChangesAPixelChangesIt) {
    CPictureRecipe recipe{true, false, "sphere { 0 0 0 }", 640, 400, 2, 3};
    std::uint64_t hash = PartHash(recipe);
    auto with = [&](auto change) {
        CPictureRecipe changed = recipe;
        change(changed);
        return PartHash(changed);
    };
    EXPECT_NE(hash, with([](CPictureRecipe& r) { r.sceneBytes += " "; }));
    EXPECT_NE(hash, with([](CPictureRecipe& r) { r.keywordLoader = true; }));
    EXPECT_NE(hash, with([](CPictureRecipe& r) { r.width = 641; }));
    EXPECT_NE(hash, with([](CPictureRecipe& r) { r.height = 401; }));
    EXPECT_NE(hash, with([](CPictureRecipe& r) { r.maxRecursion = 1; }));
    EXPECT_NE(hash, with([](CPictureRecipe& r) { r.antialias = 2; }));
    // What the render takes as the same is the same.
    EXPECT_EQ(with([](CPictureRecipe& r) { r.maxRecursion = 300; }),
              with([](CPictureRecipe& r) { r.maxRecursion = 256; }));
    EXPECT_EQ(with([](CPictureRecipe& r) { r.antialias = 0; }),
              with([](CPictureRecipe& r) { r.antialias = 1; }));
    // The default scene has no bytes of its own, and is not the empty script.
    EXPECT_NE(with([](CPictureRecipe& r) { r.sceneBytes.clear(); }), with([](CPictureRecipe& r) {
                  r.sceneBytes.clear();
                  r.hasScript = false;
              }));
}

TEST(PartCommandLine, RegionsAndJoins) {
    CCommandLine commandLine;
    std::string error;
    ASSERT_TRUE(
        CCommandLine::Parse({"--region", "0,10,640,20", "-o", "p.png"}, commandLine, error));
    ASSERT_TRUE(commandLine.m_region);
    EXPECT_EQ(10u, commandLine.m_region->top);
    EXPECT_EQ(640u, commandLine.m_region->right);
    for (const char* bad : {"0,10,640", "0,10,640,20,1", "5,0,5,1", "0,3,1,2", "-1,0,1,1",
                            "+0,0,1,1", "0,0,1,2147483648", "a,b,c,d", "0,0,1,1 "})
        EXPECT_FALSE(CCommandLine::Parse({"--region", bad}, commandLine, error)) << bad;
    EXPECT_NE(std::string::npos, error.find("X0,Y0,X1,Y1"));

    // The arguments of --join are its parts, whatever their number.
    ASSERT_TRUE(CCommandLine::Parse({"--join", "a.png", "b.ppm", "-o", "w.png", "c.png"},
                                    commandLine, error));
    EXPECT_EQ((std::vector<std::string>{"a.png", "b.ppm", "c.png"}), commandLine.m_parts);
    EXPECT_FALSE(CCommandLine::Parse({"--join"}, commandLine, error));
    // What the parts decide cannot be given again.
    EXPECT_FALSE(CCommandLine::Parse({"--join", "a.png", "-W", "4"}, commandLine, error));
    EXPECT_NE(std::string::npos, error.find("-W/--width cannot be given with --join"));
    EXPECT_FALSE(
        CCommandLine::Parse({"--join", "a.png", "--region", "0,0,1,1"}, commandLine, error));
    EXPECT_NE(std::string::npos,
              CCommandLine::Usage().find("lumo-render --join [-o FILE] PART..."));
    EXPECT_EQ(std::string::npos, CCommandLine::Usage("lumo-mpi").find("--join [-o"));
}

} // namespace
