// A final render in the background: the file written whole and atomically, nothing written
// when it is stopped, and a file that cannot be written said before the time is spent; the
// sizes a render may be asked for; the difference of two pictures.
#include "RendererTestSupport.h"

#include "core/ImageDifference.h"
#include "render/ImageFile.h"
#include "render/PictureSize.h"
#include "render/RenderJob.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

namespace {

namespace fs = std::filesystem;

// Runs a job and waits for its end, recording every progress it reported.
class RenderJob : public RenderFixture {
protected:
    CRenderJob::Outcome Run(const RenderOptions& options, const std::string& path,
                            const std::function<void(CRenderJob&, int)>& onProgress = {}) {
        std::unique_ptr<CRenderJob> job;
        std::mutex mutex;
        std::condition_variable ended;
        std::optional<CRenderJob::Outcome> outcome;
        CRenderJob::Callbacks callbacks;
        callbacks.progress = [&](const CRenderJob::Progress& progress) {
            m_positions.push_back(progress.position);
            std::unique_lock lock(mutex);
            if (onProgress && job)
                onProgress(*job, progress.position);
        };
        callbacks.finished = [&](const CRenderJob::Outcome& result) {
            std::lock_guard lock(mutex);
            outcome = result;
            ended.notify_all();
        };
        {
            std::unique_lock lock(mutex);
            job = std::make_unique<CRenderJob>(CRenderScene::Snapshot(*doc), options, path,
                                               callbacks);
            EXPECT_TRUE(ended.wait_for(lock, std::chrono::seconds(60),
                                       [&] { return outcome.has_value(); }));
        }
        job.reset();
        return outcome.value_or(CRenderJob::Outcome{});
    }
    std::vector<int> m_positions;
};

TEST_F(RenderJob, WritesTheFileTheRenderAndImageFileWouldWrite) {
    RenderOptions options = WholePicture(64, 48, {.threads = 2, .antialias = 3});
    CRenderJob::Outcome outcome = Run(options, TestPath("job.png"));
    ASSERT_EQ(CRenderJob::Outcome::written, outcome.status) << outcome.error;
    ASSERT_TRUE(outcome.picture);
    std::string error;
    CImage picture = Render(CRenderScene::Snapshot(*doc), options).picture;
    ASSERT_TRUE(CImageFile::Write(picture, TestPath("direct.png"), error)) << error;
    EXPECT_EQ(ReadFile(TestPath("direct.png")), ReadFile(TestPath("job.png")));
    EXPECT_EQ(EncodePpm(picture), EncodePpm(*outcome.picture));
    ASSERT_FALSE(m_positions.empty());
    EXPECT_TRUE(std::is_sorted(m_positions.begin(), m_positions.end()));
    // Nothing left beside the file.
    EXPECT_EQ(2, std::distance(fs::directory_iterator(TestFolder()), fs::directory_iterator()));
}

TEST_F(RenderJob, AStoppedRenderWritesNothingAndLeavesTheOldFile) {
    WriteFile(TestPath("old.png"), "the old picture");
    RenderOptions options = WholePicture(400, 300, {.threads = 2, .antialias = 4});
    CRenderJob::Outcome outcome =
        Run(options, TestPath("old.png"), [](CRenderJob& job, int position) {
            if (position >= 1)
                job.Stop();
        });
    EXPECT_EQ(CRenderJob::Outcome::stopped, outcome.status);
    EXPECT_FALSE(outcome.picture);
    EXPECT_EQ("the old picture", ReadFile(TestPath("old.png")));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(TestFolder()), fs::directory_iterator()));
}

TEST_F(RenderJob, AFolderThatCannotBeWrittenIsSaidBeforeTheRender) {
    std::string path = TestPath("missing/picture.png");
    CRenderJob::Outcome outcome = Run(WholePicture(64, 48), path);
    EXPECT_EQ(CRenderJob::Outcome::failed, outcome.status);
    EXPECT_NE(std::string::npos, outcome.error.find(path)) << outcome.error;
    EXPECT_FALSE(outcome.picture); // nothing was rendered
    EXPECT_EQ(std::vector<int>{}, m_positions);
}

TEST_F(RenderJob, AFullDiskKeepsTheOldFileAndTheReason) {
    WriteFile(TestPath("full.ppm"), "the old picture");
    CRenderJob::Outcome outcome;
    WithFileSizeLimit(1000, [&] { outcome = Run(WholePicture(64, 48), TestPath("full.ppm")); });
    EXPECT_EQ(CRenderJob::Outcome::failed, outcome.status);
    EXPECT_FALSE(outcome.error.empty());
    EXPECT_TRUE(outcome.picture); // rendered; only the file failed
    EXPECT_EQ("the old picture", ReadFile(TestPath("full.ppm")));
}

TEST(PictureSize, TheLimitsLumoRenderApplies) {
    std::string error;
    EXPECT_TRUE(CPictureSize::Check(1, 1, error));
    EXPECT_TRUE(CPictureSize::Check(3840, 2160, error));
    EXPECT_FALSE(CPictureSize::Check(0, 48, error));
    EXPECT_EQ("the image width must be at least 1 pixel, not 0", error);
    EXPECT_FALSE(CPictureSize::Check(64, -5, error));
    EXPECT_EQ("the image height must be at least 1 pixel, not -5", error);
    EXPECT_FALSE(CPictureSize::Check(1000001, 1, error));
    EXPECT_EQ("a 1000001 x 1 image is too large: each side can be at most 1000000 pixels", error);
    EXPECT_TRUE(CPictureSize::Check(1000000, 1, error));
    // Half of 6 GiB holds three planes of at most 1 GiB each.
    std::uint64_t memory = std::uint64_t{6} << 30;
    EXPECT_TRUE(CPictureSize::Check(32768, 32767, memory, error)) << error;
    EXPECT_FALSE(CPictureSize::Check(40000, 40000, memory, error));
    EXPECT_EQ("a 40000 x 40000 image needs 4.5 GiB, more than half of this machine's 6.0 GiB of "
              "memory",
              error);
}

CImage Filled(int width, int height, CColour colour) {
    CImage image;
    EXPECT_TRUE(image.SetSize(width, height));
    image.Fill(0, 0, width, height, colour);
    return image;
}

TEST(ImageDifference, BlackWhereThePicturesAgreeAmplifiedWhereTheyDiffer) {
    CImage a = Filled(4, 3, CColour(10, 200, 30));
    CImage b = Filled(4, 3, CColour(10, 200, 30));
    b.SetPixel(1, 2, CColour(13, 200, 30));
    b.SetPixel(3, 0, CColour(10, 0, 255));
    CImage difference;
    CImageDifference::Stats stats;
    ASSERT_TRUE(CImageDifference::Compute(a, b, difference, stats));
    EXPECT_EQ(12u, stats.pixels);
    EXPECT_EQ(2u, stats.differing);
    EXPECT_EQ(225, stats.largest);
    EXPECT_EQ(std::uint32_t{3 * CImageDifference::kAmplification}, difference.GetPixel(1, 2));
    EXPECT_EQ(0xFFFF00u, difference.GetPixel(3, 0)); // clamped at 255
    EXPECT_EQ(0u, difference.GetPixel(0, 0));
    CImage other = Filled(3, 4, CColour(0, 0, 0));
    EXPECT_FALSE(CImageDifference::Compute(a, other, difference, stats));
}

} // namespace
