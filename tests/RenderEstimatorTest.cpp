// The estimate of the time left: rows weighed by the coarse pass's cost profile, batches of
// rows taken whole, and a profile that leaves the picture as it was.
#include "RendererTestSupport.h"

#include "render/RenderEstimator.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using Clock = CRenderEstimator::Clock;
using std::chrono::milliseconds;

// Ten cheap rows over ten rows three times as dear, 100 pixels wide.
CRenderEstimator TwoBands() {
    std::vector<double> costs(20, 1.0);
    std::fill(costs.begin() + 10, costs.end(), 3.0);
    CRenderEstimator estimator;
    estimator.SetProfile(costs, 0, 100, 0);
    return estimator;
}

// A render whose rows take exactly what the profile says (10 ms a unit) is estimated exactly,
// where a count of rows would say a third of it.
TEST(RenderEstimator, RowsWeighedByTheirProfiledCost) {
    CRenderEstimator estimator = TwoBands();
    Clock::time_point start{};
    estimator.Start(start);
    Clock::time_point tracing = start + milliseconds(40); // the preparation does not count
    estimator.TracingStarted(tracing);
    Clock::time_point now = tracing;
    for (unsigned y = 0; y < 5; ++y) {
        now += milliseconds(10);
        estimator.RowFinished(y, 0, 100, now);
    }
    // 5 units of 40 done in 50 ms; 5 + 30 units left.
    CRenderEstimator::Forecast forecast = estimator.GetForecast(now + milliseconds(2));
    ASSERT_TRUE(forecast.left.has_value());
    EXPECT_NEAR(0.350, *forecast.left, 1e-9);
    EXPECT_NEAR(5.0 / 40.0, forecast.done, 1e-12);
    EXPECT_NEAR(0.090, forecast.elapsed, 1e-9);
    // Half a row counts half of it.
    estimator.RowFinished(5, 0, 50, now + milliseconds(5));
    EXPECT_NEAR(0.345, *estimator.GetForecast(now + milliseconds(7)).left, 1e-9);
}

TEST(RenderEstimator, NothingToSayBeforeTheFirstRow) {
    CRenderEstimator estimator = TwoBands();
    estimator.Start(Clock::time_point{});
    estimator.TracingStarted(Clock::time_point{} + milliseconds(5));
    EXPECT_FALSE(estimator.GetForecast(Clock::time_point{} + milliseconds(50)).left);
    EXPECT_FALSE(estimator.GetForecast().LeftAt(Clock::now()));
}

// Workers hand rows over in batches, all at once: a batch only counts once it is whole, so
// that its first rows alone (finished long before) do not make the pace look slow.
TEST(RenderEstimator, ABatchOfRowsCountsOnceItIsWhole) {
    CRenderEstimator estimator = TwoBands();
    Clock::time_point start{};
    estimator.Start(start);
    estimator.TracingStarted(start);
    Clock::time_point batch = start + milliseconds(50);
    for (unsigned y = 0; y < 5; ++y)
        estimator.RowFinished(y, 0, 100, batch + std::chrono::microseconds(y));
    Clock::time_point inside = batch + std::chrono::microseconds(10);
    // Within the gap more rows may come: nothing is said yet.
    EXPECT_FALSE(estimator.GetForecast(inside).left);
    Clock::time_point after = batch + CRenderEstimator::kBatchGap + milliseconds(1);
    ASSERT_TRUE(estimator.GetForecast(after).left);
    EXPECT_NEAR(0.350, *estimator.GetForecast(after).left, 1e-4);
    // The next batch's first row leaves the last whole batch's estimate standing.
    Clock::time_point next = batch + milliseconds(50);
    estimator.RowFinished(5, 0, 100, next);
    EXPECT_NEAR(0.350, *estimator.GetForecast(next).left, 1e-4);
}

TEST(RenderEstimator, TheTimeLeftCountsDownBetweenBatchesAndStopsAtZero) {
    CRenderEstimator::Forecast forecast;
    forecast.at = Clock::time_point{} + milliseconds(100);
    forecast.left = 2.0;
    EXPECT_DOUBLE_EQ(2.0, *forecast.LeftAt(forecast.at - milliseconds(50)));
    EXPECT_DOUBLE_EQ(1.5, *forecast.LeftAt(forecast.at + milliseconds(500)));
    EXPECT_DOUBLE_EQ(0.0, *forecast.LeftAt(forecast.at + milliseconds(5000)));
}

TEST(RenderEstimator, RowsOutsideTheProfileAndEmptyProfilesCountForNothing) {
    CRenderEstimator estimator = TwoBands();
    estimator.Start(Clock::time_point{});
    estimator.RowFinished(20, 0, 100, Clock::time_point{} + milliseconds(5));
    estimator.RowFinished(3, 100, 120, Clock::time_point{} + milliseconds(6));
    EXPECT_FALSE(estimator.GetForecast(Clock::time_point{} + milliseconds(50)).left);
    CRenderEstimator empty;
    empty.Start(Clock::time_point{});
    empty.RowFinished(0, 0, 10, Clock::time_point{} + milliseconds(5));
    EXPECT_FALSE(empty.GetForecast(Clock::time_point{} + milliseconds(50)).left);
}

TEST(RenderEstimator, DurationsInMinutesAndSecondsAndHours) {
    EXPECT_EQ("0:00", CRenderEstimator::FormatDuration(0.0));
    EXPECT_EQ("0:00", CRenderEstimator::FormatDuration(-3.0));
    EXPECT_EQ("1:00", CRenderEstimator::FormatDuration(59.6));
    EXPECT_EQ("12:05", CRenderEstimator::FormatDuration(725.0));
    EXPECT_EQ("1:02:05", CRenderEstimator::FormatDuration(3725.0));
}

class RenderEstimatorProfile : public RenderFixture {};

// The default scene's top rows are sky; its bottom rows are the checked floor, shaded with a
// shadow ray a light: the profile must tell them apart.
TEST_F(RenderEstimatorProfile, TheFloorCostsMoreThanTheSky) {
    RenderOptions options = WholePicture(1280, 800);
    CRenderEstimator estimator;
    ASSERT_TRUE(estimator.Profile(CRenderScene::Snapshot(*doc), options));
    const std::vector<double>& costs = estimator.GetRowCosts();
    ASSERT_EQ(800u, costs.size());
    double sky = std::accumulate(costs.begin(), costs.begin() + 32, 0.0);
    double floor = std::accumulate(costs.end() - 32, costs.end(), 0.0);
    EXPECT_GT(floor, 1.5 * sky);
    // Each band of rows shares its one measurement.
    EXPECT_EQ(costs[0], costs[CRenderEstimator::kGrid - 1]);
}

// The pass traces rays of its own: a noisy scene's random sequence, which the render draws
// from in pixel order, is not moved by it.
TEST_F(RenderEstimatorProfile, ProfilingLeavesThePictureAsItWas) {
    for (auto& object : doc->m_objects)
        object->m_textureFlags |= kTextureNoise;
    std::string alone = RenderToPpm(*doc, 48, 32);
    auto scene = CRenderScene::Snapshot(*doc);
    RenderOptions options = WholePicture(48, 32);
    CRenderEstimator estimator;
    ASSERT_TRUE(estimator.Profile(scene, options));
    EXPECT_EQ(alone, EncodePpm(Render(scene, options).picture));
}

TEST_F(RenderEstimatorProfile, AStopEndsThePassWithRowsCountedAlike) {
    std::stop_source stop;
    stop.request_stop();
    CRenderEstimator estimator;
    EXPECT_FALSE(
        estimator.Profile(CRenderScene::Snapshot(*doc), WholePicture(64, 40), stop.get_token()));
    EXPECT_EQ(std::vector<double>(40, 1.0), estimator.GetRowCosts());
}

// Every schedule says when its rows begin, before the first of them.
class TracingOrder : public CRenderSink {
public:
    void TracingStarted() override { m_events += 'S'; }
    void RowFinished(const CImage&, unsigned, unsigned, unsigned) override {
        if (m_events.empty() || m_events.back() != 'R')
            m_events += 'R';
    }
    std::string m_events;
};

TEST_F(RenderEstimatorProfile, EveryScheduleSaysWhenItsRowsBegin) {
    for (TestRender how :
         {TestRender{}, TestRender{.threads = 2}, TestRender{.threads = 2, .parts = 4},
          TestRender{.threads = 2, .progressive = true}}) {
        TracingOrder order;
        how.sink = &order;
        RenderToPpm(*doc, 40, 24, how);
        EXPECT_EQ('S', order.m_events.front()) << order.m_events;
        EXPECT_EQ(1, std::count(order.m_events.begin(), order.m_events.end(), 'S'))
            << order.m_events;
    }
}

} // namespace
