// Tiles and parts of a picture, traced apart and in any order, hold the whole picture's pixels
// byte for byte, noise and antialiasing included; rank 0's dealing and the ranks' messages,
// run here in one process without MPI, put the same picture together.

#include "RendererTestSupport.h"

#include "mpi/TileDealer.h"
#include "mpi/TileMessages.h"
#include "mpi/TileWorkers.h"
#include "render/TileRender.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

namespace {

class TileRenderTest : public RenderFixture {
protected:
    // The scenes a tile must get right: the default one, noise seen in mirrors and shadows
    // (each pixel draws a different count), and a crowd that goes through the hierarchy.
    enum Scene { defaultScene, noisyMirrors, crowd };
    void Build(Scene scene) {
        if (scene == noisyMirrors) {
            BuildNoisyMirrorScene(*doc);
            StoreMaxRecursion(2);
        } else if (scene == crowd) {
            BuildCrowdScene(*doc, 10000);
            StoreMaxRecursion(1);
        }
    }

    // The whole picture's pixels in the rectangle, as PPM.
    static std::string Crop(const CImage& whole, const RenderRegion& region) {
        CImage part;
        part.SetSize(static_cast<int>(region.right - region.left),
                     static_cast<int>(region.bottom - region.top));
        for (unsigned y = region.top; y < region.bottom; ++y)
            for (unsigned x = region.left; x < region.right; ++x) {
                std::uint32_t pixel = whole.GetPixel(static_cast<int>(x), static_cast<int>(y));
                part.SetPixel(static_cast<int>(x - region.left), static_cast<int>(y - region.top),
                              CColour(static_cast<int>(pixel & 0xFF),
                                      static_cast<int>((pixel >> 8) & 0xFF),
                                      static_cast<int>(pixel >> 16)));
            }
        return EncodePpm(part);
    }
};

TEST_F(TileRenderTest, PartsHoldTheWholePicturesPixels) {
    for (Scene scene : {defaultScene, noisyMirrors, crowd}) {
        Build(scene);
        for (unsigned antialias : {1u, 3u}) {
            SCOPED_TRACE(testing::Message() << "scene " << scene << ", aa " << antialias);
            RenderOptions options = WholePicture(37, 23, {.antialias = antialias});
            RenderResult whole = ::Render(CRenderScene::Snapshot(*doc), options);
            CTileRender tiles(CRenderScene::Snapshot(*doc), options);
            // Odd corners put the parts' edges inside rows of unequal draws.
            for (RenderRegion region : {RenderRegion{0, 0, 37, 23}, RenderRegion{5, 3, 17, 20},
                                        RenderRegion{36, 22, 37, 23}, RenderRegion{0, 9, 37, 10}})
                for (unsigned threads : {1u, 3u}) {
                    RecordingProgress progress;
                    RenderResult part = tiles.RenderPart(region, threads, &progress);
                    ASSERT_EQ(RenderResult::finished, part.status);
                    EXPECT_EQ(Crop(whole.picture, region), EncodePpm(part.picture))
                        << region.left << "," << region.top << " " << threads << " threads";
                    // Every row is handed over once, in order, and the progress never falls.
                    EXPECT_EQ(std::size_t{region.right - region.left} *
                                  (region.bottom - region.top),
                              progress.m_pixels);
                    EXPECT_TRUE(
                        std::is_sorted(progress.m_positions.begin(), progress.m_positions.end()));
                }
        }
    }
}

// The tiles of a grid, counted, then traced in a scrambled order from the starts the counts
// give, put together the whole picture.
TEST_F(TileRenderTest, TilesTracedInAnyOrderMakeThePicture) {
    for (Scene scene : {defaultScene, noisyMirrors, crowd}) {
        Build(scene);
        SCOPED_TRACE(testing::Message() << "scene " << scene);
        RenderOptions options = WholePicture(45, 31, {.antialias = 2});
        std::string whole = EncodePpm(::Render(CRenderScene::Snapshot(*doc), options).picture);
        CTileRender tiles(CRenderScene::Snapshot(*doc), options);
        EXPECT_EQ(scene == noisyMirrors, tiles.HasNoise());
        CTileDealer dealer(45, 31, 8, tiles.HasNoise());
        std::mt19937 shuffle(5);
        std::vector<CTileJob> jobs;
        CImage picture;
        picture.SetSize(45, 31);
        while (!dealer.Finished()) {
            std::vector<CTileJob> dealt = dealer.Deal(7);
            jobs.insert(jobs.end(), dealt.begin(), dealt.end());
            ASSERT_FALSE(jobs.empty());
            std::shuffle(jobs.begin(), jobs.end(), shuffle);
            CTileJob job = jobs.back();
            jobs.pop_back();
            std::string error;
            if (job.kind == CTileJob::count) {
                CTileCount count{job.index, 0.0, {}};
                ASSERT_TRUE(tiles.CountRowDraws(job.region, count.rowDraws));
                ASSERT_TRUE(dealer.Accept(count, error)) << error;
            } else {
                CImage tile;
                ASSERT_TRUE(tiles.Trace(job.region, job.rowStarts, tile));
                CTilePixels pixels;
                ASSERT_TRUE(CTileMessages::DecodePixels(
                    CTileMessages::EncodePixels(job.index, job.region, tile), 45, 31, pixels,
                    error));
                ASSERT_TRUE(dealer.Accept(pixels, picture, error)) << error;
            }
        }
        EXPECT_EQ(whole, EncodePpm(picture));
    }
}

TEST(TileDealer, CountsComeFirstAndTheCostliestTilesGoFirst) {
    CTileDealer noisy(20, 10, 8, true);
    ASSERT_EQ(6u, noisy.TileCount());
    std::vector<CTileJob> counts = noisy.Deal(100);
    ASSERT_EQ(6u, counts.size());
    // Nothing can be traced before every count is in.
    EXPECT_TRUE(noisy.Deal(1).empty());
    EXPECT_FALSE(noisy.AllDealt());
    std::string error;
    for (const CTileJob& job : counts) {
        EXPECT_EQ(CTileJob::count, job.kind);
        unsigned rows = job.region.bottom - job.region.top;
        // Tile 4 took longest; each row of each tile drew its index + 1 numbers.
        CTileCount count{job.index, job.index == 4 ? 1.0 : 0.1,
                         std::vector<std::uint64_t>(rows, job.index + 1)};
        ASSERT_TRUE(noisy.Accept(count, error)) << error;
    }
    EXPECT_FALSE(noisy.Accept(CTileCount{0, 0.0, std::vector<std::uint64_t>(8, 1)}, error));
    std::vector<CTileJob> traces = noisy.Deal(100);
    ASSERT_EQ(6u, traces.size());
    EXPECT_TRUE(noisy.AllDealt());
    EXPECT_EQ(4u, traces.front().index);
    // Tile 4 is the second band's middle: its first row (row 8) starts after rows 0 to 7 of
    // tiles 0, 1, 2 (1 + 2 + 3 draws a row) and row 8 of tile 3 (4 draws).
    ASSERT_EQ(2u, traces.front().rowStarts.size());
    EXPECT_EQ(8u * 6 + 4, traces.front().rowStarts[0]);
    EXPECT_EQ(8u * 6 + 15 + 4, traces.front().rowStarts[1]);

    CTileDealer plain(20, 10, 8, false);
    plain.SetCosts({0.1, 0.5, 0.2, 0.9, 0.0, 0.3});
    std::vector<CTileJob> order = plain.Deal(3);
    ASSERT_EQ(3u, order.size());
    EXPECT_EQ(3u, order[0].index);
    EXPECT_EQ(1u, order[1].index);
    EXPECT_EQ(5u, order[2].index);
    EXPECT_TRUE(order[0].rowStarts.empty());
}

TEST(TileDealer, RefusesTilesThatWereNotDealtOrDoNotFit) {
    CTileDealer dealer(20, 10, 8, false);
    CImage picture;
    picture.SetSize(20, 10);
    std::string error;
    auto tileOf = [](std::uint32_t index, RenderRegion region) {
        std::size_t bytes =
            3 * std::size_t{region.right - region.left} * (region.bottom - region.top);
        return CTilePixels{index, region, std::string(bytes, '\x7f')};
    };
    EXPECT_FALSE(dealer.Accept(tileOf(0, {0, 0, 8, 8}), picture, error)) << "not dealt yet";
    std::vector<CTileJob> jobs = dealer.Deal(6);
    EXPECT_FALSE(dealer.Accept(tileOf(9, {0, 0, 8, 8}), picture, error)) << "no such tile";
    const CTileJob& job = jobs.front();
    RenderRegion moved = job.region;
    moved.left += 1;
    moved.right += 1;
    EXPECT_FALSE(dealer.Accept(tileOf(job.index, moved), picture, error)) << "elsewhere";
    CTilePixels shortTile = tileOf(job.index, job.region);
    shortTile.rgb.pop_back();
    EXPECT_FALSE(dealer.Accept(shortTile, picture, error)) << "cut short";
    EXPECT_TRUE(dealer.Accept(tileOf(job.index, job.region), picture, error)) << error;
    EXPECT_FALSE(dealer.Accept(tileOf(job.index, job.region), picture, error)) << "twice";
    EXPECT_EQ(0x7F7F7Fu, picture.GetPixel(static_cast<int>(job.region.left),
                                          static_cast<int>(job.region.top)));
}

TEST(TileDealer, TilesAreSmallerWhenThereAreManyThreads) {
    EXPECT_EQ(64u, CTileDealer::TileSide(3840, 2160, 4));
    EXPECT_EQ(16u, CTileDealer::TileSide(160, 100, 6));
    EXPECT_EQ(8u, CTileDealer::TileSide(10, 10, 64));
}

TEST(TileMessages, WhatIsEncodedDecodesToTheSame) {
    CJobSetup setup;
    setup.width = 640;
    setup.height = 400;
    setup.maxRecursion = 300;
    setup.antialias = 3;
    setup.hasScript = true;
    setup.scriptName = "scene.lmo";
    setup.sceneBytes = std::string("sphere { 0 0 0 }\0tail", 21);
    CJobSetup setupBack;
    std::string error;
    ASSERT_TRUE(CTileMessages::DecodeSetup(CTileMessages::EncodeSetup(setup), setupBack, error));
    EXPECT_EQ(setup.sceneBytes, setupBack.sceneBytes);
    EXPECT_EQ(setup.scriptName, setupBack.scriptName);
    EXPECT_EQ(300u, setupBack.maxRecursion);
    EXPECT_EQ(3u, setupBack.antialias);

    std::vector<CTileJob> jobs{{CTileJob::trace, 7, {8, 0, 16, 2}, {5, 1ull << 40}},
                               {CTileJob::count, 8, {0, 8, 3, 9}, {}}};
    std::vector<CTileJob> jobsBack;
    bool last = false;
    ASSERT_TRUE(CTileMessages::DecodeJobs(CTileMessages::EncodeJobs(jobs, true), 16, 9, jobsBack,
                                          last, error));
    EXPECT_TRUE(last);
    ASSERT_EQ(2u, jobsBack.size());
    EXPECT_EQ(1ull << 40, jobsBack[0].rowStarts[1]);
    EXPECT_EQ(CTileJob::count, jobsBack[1].kind);
    // The same jobs do not fit a smaller picture.
    EXPECT_FALSE(CTileMessages::DecodeJobs(CTileMessages::EncodeJobs(jobs, true), 15, 9, jobsBack,
                                           last, error));

    CTileCount count{3, 0.25, {1, 2, 3}};
    CTileCount countBack;
    ASSERT_TRUE(CTileMessages::DecodeCount(CTileMessages::EncodeCount(count), countBack, error));
    EXPECT_EQ(count.rowDraws, countBack.rowDraws);
    EXPECT_EQ(0.25, countBack.seconds);
}

TEST(TileMessages, BrokenMessagesAreRefused) {
    std::string error;
    std::vector<CTileJob> jobs{{CTileJob::trace, 7, {8, 0, 16, 2}, {5, 6}}};
    std::string bytes = CTileMessages::EncodeJobs(jobs, false);
    std::vector<CTileJob> back;
    bool last = false;
    // Every shorter message, and one with a byte too many.
    for (std::size_t size = 0; size < bytes.size(); ++size)
        EXPECT_FALSE(CTileMessages::DecodeJobs(bytes.substr(0, size), 16, 9, back, last, error))
            << size;
    EXPECT_FALSE(CTileMessages::DecodeJobs(bytes + '\0', 16, 9, back, last, error));
    // A row start for a row the tile does not have, or for a count.
    jobs[0].rowStarts.push_back(7);
    EXPECT_FALSE(CTileMessages::DecodeJobs(CTileMessages::EncodeJobs(jobs, false), 16, 9, back,
                                           last, error));
    jobs[0].kind = CTileJob::count;
    jobs[0].rowStarts.pop_back();
    EXPECT_FALSE(CTileMessages::DecodeJobs(CTileMessages::EncodeJobs(jobs, false), 16, 9, back,
                                           last, error));
    // An empty rectangle.
    jobs = {{CTileJob::trace, 0, {4, 4, 4, 5}, {}}};
    EXPECT_FALSE(CTileMessages::DecodeJobs(CTileMessages::EncodeJobs(jobs, false), 16, 9, back,
                                           last, error));

    unsigned asked = 0;
    EXPECT_FALSE(CTileMessages::DecodeRequest(CTileMessages::EncodeRequest(0), asked, error));
    EXPECT_FALSE(CTileMessages::DecodeRequest(
        CTileMessages::EncodeRequest(CTileMessages::kMaxJobs + 1), asked, error));
    CTileCount count;
    EXPECT_FALSE(CTileMessages::DecodeCount(CTileMessages::EncodeCount(CTileCount{1, -1.0, {}}),
                                            count, error));
    CJobSetup setup;
    setup.width = 2;
    setup.height = 2;
    std::string setupBytes = CTileMessages::EncodeSetup(setup);
    CJobSetup setupBack;
    EXPECT_FALSE(CTileMessages::DecodeSetup(setupBytes + "x", setupBack, error));
    setupBytes[4] = 9; // another version
    EXPECT_FALSE(CTileMessages::DecodeSetup(setupBytes, setupBack, error));
    std::string text;
    ASSERT_TRUE(CTileMessages::DecodeFailure("two\nlines", text, error));
    EXPECT_EQ("two?lines", text);
}

// Two "ranks" of worker threads and rank 0's dealer, their messages passed by hand as MPI
// would pass them: the picture is the serial one.
TEST_F(TileRenderTest, RanksWithoutMpiMakeTheSerialPicture) {
    for (Scene scene : {defaultScene, noisyMirrors}) {
        Build(scene);
        SCOPED_TRACE(testing::Message() << "scene " << scene);
        RenderOptions options = WholePicture(40, 26, {.antialias = 2});
        std::string serial = EncodePpm(::Render(CRenderScene::Snapshot(*doc), options).picture);
        CTileRender render(CRenderScene::Snapshot(*doc), options);
        CTileWorkers first(render, 2);
        CTileWorkers second(render, 1);
        CTileDealer dealer(40, 26, CTileDealer::TileSide(40, 26, 3), render.HasNoise());
        CImage picture;
        picture.SetSize(40, 26);
        std::string error;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!dealer.Finished() && std::chrono::steady_clock::now() < deadline) {
            for (CTileWorkers* workers : {&first, &second}) {
                if (workers->Waiting() < 2) {
                    std::vector<CTileJob> jobs;
                    bool last = false;
                    ASSERT_TRUE(
                        CTileMessages::DecodeJobs(CTileMessages::EncodeJobs(dealer.Deal(2), false),
                                                  40, 26, jobs, last, error));
                    workers->Add(std::move(jobs));
                }
                for (CTileWorkers::CMessage& message : workers->TakeMessages()) {
                    if (message.tag == CTileMessages::kCounted) {
                        CTileCount count;
                        ASSERT_TRUE(CTileMessages::DecodeCount(message.bytes, count, error));
                        ASSERT_TRUE(dealer.Accept(count, error)) << error;
                    } else {
                        ASSERT_EQ(CTileMessages::kTraced, message.tag) << message.bytes;
                        CTilePixels pixels;
                        ASSERT_TRUE(
                            CTileMessages::DecodePixels(message.bytes, 40, 26, pixels, error));
                        ASSERT_TRUE(dealer.Accept(pixels, picture, error)) << error;
                    }
                }
                workers->WaitForMessage(std::chrono::microseconds(200));
            }
        }
        ASSERT_TRUE(dealer.Finished());
        EXPECT_TRUE(first.Idle() && second.Idle());
        EXPECT_EQ(serial, EncodePpm(picture));
    }
}

} // namespace
