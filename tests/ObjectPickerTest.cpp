// Picking what a pixel shows, and moving the camera about what the view looks at.

#include "RendererTestSupport.h"

#include "render/CameraControl.h"
#include "render/ObjectPicker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

class ObjectPicker : public RenderFixture {};

// Where a point lands in a width × height picture of the pose: the inverse of the primary
// rays' arithmetic (column and row of the point's ray).
struct Projected {
    double column;
    double row;
};
Projected Project(const CCameraControl::Pose& pose, const CVector& point, int width, int height) {
    CVector r = point - pose.eye;
    double s = r.z / pose.look.z;
    double a = r.x / s - pose.look.x;
    double b = r.y / s - pose.look.y;
    return {a * height + width / 2.0, b * height + height / 2.0};
}

} // namespace

TEST_F(ObjectPicker, APixelPicksTheObjectItShowsAndTheSkyNothing) {
    const int width = 64;
    const int height = 48;
    auto scene = CRenderScene::Snapshot(*doc);
    CObjectPicker picker(scene, width, height);
    CTracer tracer(scene, 0);
    // Against the renderer's own nearest hit, through every pixel.
    CPrimaryRays rays(width, height, RenderCamera(*scene, width, height));
    std::size_t picked[6] = {};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            CRay ray;
            rays.Ray(y, x, ray);
            double t = 0;
            const CTraceScene::Surface* hit = tracer.GetTraceScene().Nearest(ray, t);
            std::size_t index = picker.Pick(static_cast<unsigned>(x), static_cast<unsigned>(y));
            if (!hit) {
                ASSERT_EQ(CObjectPicker::kNothing, index);
                ++picked[5];
                continue;
            }
            ASSERT_LT(index, scene->Objects().size());
            EXPECT_EQ(hit->object, scene->Objects()[index].get());
            ++picked[index];
        }
    }
    // The default scene shows its floor, its four spheres and the sky.
    for (std::size_t count : picked)
        EXPECT_GT(count, 0u);
    EXPECT_EQ(CObjectPicker::kNothing, picker.Pick(width, 0));

    // The coverage of an object is exactly the pixels that pick it.
    std::vector<std::uint8_t> mask = picker.Coverage(1, 2);
    ASSERT_EQ(std::size_t{width} * height, mask.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(picker.Pick(static_cast<unsigned>(x), static_cast<unsigned>(y)) == 1,
                      mask[static_cast<std::size_t>(y) * width + x] == 1);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_TRUE(picker.Coverage(1, 2, stop.get_token()).empty());
}

TEST(CameraControl, OrbitTurnsAboutThePivotAndStopsBeforeTheViewSkewsTooFar) {
    CCameraControl::Pose pose{CVector(0, -5, -110), CVector(0, -0.05, 1)};
    CVector pivot = CCameraControl::Pivot(pose, 0.0);
    // Over the sky: as far along the look as the origin lies.
    double along = -pose.eye.Dot(pose.look.Normalised());
    EXPECT_NEAR(0.0, (pivot - pose.eye - pose.look.Normalised() * along).Length(), 1e-12);
    EXPECT_NEAR(109.6, along, 0.1);
    double distance = (pose.eye - pivot).Length();
    double lookLength = pose.look.Length();
    ASSERT_TRUE(CCameraControl::Orbit(pose, pivot, 0.3, -0.2));
    EXPECT_NEAR(distance, (pose.eye - pivot).Length(), 1e-9);
    EXPECT_NEAR(lookLength, pose.look.Length(), 1e-12);
    // Still looking at the pivot: it lies on the look's line.
    CVector toPivot = (pivot - pose.eye).Normalised();
    EXPECT_NEAR(1.0, toPivot.Dot(pose.look.Normalised()), 1e-12);
    EXPECT_LT(pose.eye.x, 0.0) << "a positive yaw turns the eye from -z towards -x";

    CCameraControl::Pose before = pose;
    EXPECT_FALSE(CCameraControl::Orbit(pose, pivot, 1.2, 0.0));
    EXPECT_EQ(before.eye.x, pose.eye.x);
    EXPECT_EQ(before.look.z, pose.look.z);
    // Step by step the turn stops short of the limit and stays there.
    for (int i = 0; i < 100; ++i)
        CCameraControl::Orbit(pose, pivot, 0.05, 0.0);
    EXPECT_GE(pose.look.z / pose.look.Length(), CCameraControl::kMinLookZ);
    EXPECT_LT(pose.look.z / pose.look.Length(), 0.6);
}

TEST(CameraControl, PanKeepsThePivotUnderTheMouseAndDollyScalesTheDistance) {
    CCameraControl::Pose pose{CVector(0, -5, -110), CVector(0, static_cast<double>(-0.05f), 1)};
    CVector pivot(3, 2, 0);
    Projected start = Project(pose, pivot, 640, 460);
    CCameraControl::Pan(pose, pivot, 25, -10, 460);
    Projected moved = Project(pose, pivot, 640, 460);
    EXPECT_NEAR(start.column + 25, moved.column, 1e-9);
    EXPECT_NEAR(start.row - 10, moved.row, 1e-9);

    double distance = (pose.eye - pivot).Length();
    CCameraControl::Dolly(pose, pivot, 0.5);
    EXPECT_NEAR(distance * 0.5, (pose.eye - pivot).Length(), 1e-9);
    CCameraControl::Pose close{pivot + CVector(0, 0, -1e-3), pose.look};
    CCameraControl::Dolly(close, pivot, 0.5);
    EXPECT_EQ(-1e-3, close.eye.z - pivot.z) << "never onto the pivot";
}
