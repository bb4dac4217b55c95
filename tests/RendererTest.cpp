#include "RendererTestSupport.h"

#include "render/Camera.h"
#include "render/PrimaryRays.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Hit at a fixed distance by every ray travelling along the z axis (either way) and missed by
// every other ray, so that shadow rays towards a light off the axis pass it. Its copies (the
// render's snapshot) count on the original's counter.
class CFixedHit : public CSceneObject {
public:
    CFixedHit(double t, CVector normal) : m_t(t), m_normal(normal) {}
    double Intersect(CRay ray) override {
        if (std::fabs(ray.direction.x) > 0.1 || std::fabs(ray.direction.y) > 0.1)
            return 0.0;
        ++*m_alongZ;
        return m_t;
    }
    CVector NormalAt(CVector) override { return m_normal; }
    std::unique_ptr<CSceneObject> Clone() const override { return CloneAs<CFixedHit>(); }

    double m_t;
    CVector m_normal;
    // Rays along z that were tested: one per traced level.
    std::shared_ptr<int> m_alongZ = std::make_shared<int>(0);
};

CFixedHit* AddFixedHit(CLumoDoc& doc, double t, CVector normal, CColour colour) {
    auto object = std::make_unique<CFixedHit>(t, normal);
    object->SetColour(colour);
    CFixedHit* raw = object.get();
    doc.AddObjectAtTail(std::move(object));
    return raw;
}

CSphere* AddSphere(CLumoDoc& doc, CVector centre, float radius, CColour colour) {
    auto sphere =
        std::make_unique<CSphere>(static_cast<float>(centre.x), static_cast<float>(centre.y),
                                  static_cast<float>(centre.z), radius);
    sphere->SetColour(colour);
    CSphere* raw = sphere.get();
    doc.AddObjectAtTail(std::move(sphere));
    return raw;
}

void ExpectSameColour(const CColour& expected, const CColour& actual) {
    EXPECT_EQ(expected.red, actual.red);
    EXPECT_EQ(expected.green, actual.green);
    EXPECT_EQ(expected.blue, actual.blue);
    EXPECT_EQ(expected.redLevel, actual.redLevel);
    EXPECT_EQ(expected.greenLevel, actual.greenLevel);
    EXPECT_EQ(expected.blueLevel, actual.blueLevel);
}

const CRay kAlongZ(CVector(0.0, 0.0, 0.0), CVector(0.0, 0.0, 1.0));
const CColour kWhite(1.0f, 1.0f, 1.0f);
const CColour kBlack(0.0f, 0.0f, 0.0f);

class RendererTrace : public RenderFixture {
protected:
    void SetUp() override {
        doc->ClearScene();
        doc->m_background = CColour(200, 100, 50);
    }
    // A tracer over the document as it is now, with the profile's limit.
    CColour TraceAlongZ() {
        CTracer tracer = TracerOf(*doc);
        m_recursionLimit = tracer.GetRecursionLimit();
        CColour colour;
        tracer.Trace(kAlongZ, 0, colour);
        return colour;
    }
    unsigned m_recursionLimit = 0; // of the last TraceAlongZ
};

TEST_F(RendererTrace, EmptySceneSeesBackground) {
    CColour colour(0.3f, 0.3f, 0.3f);
    EXPECT_FALSE(TracerOf(*doc).Trace(kAlongZ, 0, colour));
    ExpectSameColour(doc->m_background, colour);
}

TEST_F(RendererTrace, NearestHitWinsAndTiesGoToTheEarlierObject) {
    CFixedHit* far = AddFixedHit(*doc, 7.0, CVector(0, 0, -1), CColour(0, 0, 255));
    CFixedHit* first = AddFixedHit(*doc, 5.0, CVector(0, 0, -1), CColour(255, 0, 0));
    CFixedHit* second = AddFixedHit(*doc, 5.0, CVector(0, 0, -1), CColour(0, 255, 0));
    for (CFixedHit* object : {far, first, second})
        object->SetFinish(1.0, 0.0, 0.0, 0.0, 0.0, 0.0); // ambient only: the object's colour
    CColour colour = TraceAlongZ();
    EXPECT_EQ(255, colour.GetRed());
    EXPECT_EQ(0, colour.GetGreen());
    EXPECT_EQ(0, colour.GetBlue());
}

TEST_F(RendererTrace, HitThresholdAndFarLimit) {
    CFixedHit* object = AddFixedHit(*doc, 0.0, CVector(0, 0, -1), CColour(255, 255, 255));
    object->SetFinish(1.0, 0.0, 0.0, 0.0, 0.0, 0.0);
    struct Case {
        double t;
        bool hit;
    };
    for (Case c : {Case{0.001, false}, Case{0.0011, true}, Case{999999.98, true},
                   Case{999999.99, false}, Case{1000000.0, false}}) {
        object->m_t = c.t;
        CColour colour;
        EXPECT_EQ(c.hit, TracerOf(*doc).Trace(kAlongZ, 0, colour)) << "t = " << c.t;
        EXPECT_EQ(c.hit ? 255 : 200, colour.GetRed()) << "t = " << c.t;
    }
}

TEST_F(RendererTrace, NormalIsTurnedTowardsTheRay) {
    // Lit from behind the camera: only a normal facing the camera gets diffuse light.
    UseSingleLight(*doc, CVector(0.0, 5.0, -5.0));
    CFixedHit* object = AddFixedHit(*doc, 5.0, CVector(0, 0, -1), kWhite);
    object->SetFinish(0.0, 1.0, 1.0, 0.0, 0.0, 0.0);
    CColour towards = TraceAlongZ();
    object->m_normal = CVector(0, 0, 1);
    CColour away = TraceAlongZ();
    EXPECT_EQ(228, towards.GetRed()); // 255 * cos(atan(1 / 2))
    ExpectSameColour(towards, away);
}

TEST_F(RendererTrace, DefaultLimitReflectsOnlyTheBackground) {
    CFixedHit* mirror = AddFixedHit(*doc, 5.0, CVector(0, 0, -1), kWhite);
    mirror->SetFinish(0.0, 0.0, 0.0, 0.0, 0.0, 0.5);
    UseSingleLight(*doc, CVector(0.0, 1000.0, 0.0));
    CColour colour = TraceAlongZ();
    EXPECT_EQ(0u, m_recursionLimit);
    EXPECT_EQ(1, *mirror->m_alongZ); // the reflected ray looks at nothing
    const CColour& background = doc->m_background;
    EXPECT_EQ(static_cast<float>(background.redLevel * 0.5), colour.redLevel);
    EXPECT_EQ(static_cast<float>(background.greenLevel * 0.5), colour.greenLevel);
    EXPECT_EQ(static_cast<float>(background.blueLevel * 0.5), colour.blueLevel);
}

TEST_F(RendererTrace, FacingMirrorsTraceMaxRecursionPlusOneLevels) {
    StoreMaxRecursion(2);
    // Light far off the z axis, so that no shadow ray is stopped by the mirrors.
    UseSingleLight(*doc, CVector(0.0, 1000.0, 0.0));
    CFixedHit* mirrors = AddFixedHit(*doc, 1.0, CVector(0, 0, -1), kWhite);
    mirrors->SetFinish(0.0, 0.0, 0.0, 0.0, 0.0, 0.5);
    CColour colour = TraceAlongZ();
    EXPECT_EQ(2u, m_recursionLimit);
    EXPECT_EQ(3, *mirrors->m_alongZ); // depths 0, 1 and 2; the depth-3 trace sees the background
    // Three reflections of weight 0.5 each: an eighth of the background, exactly.
    EXPECT_EQ(doc->m_background.redLevel / 8, colour.redLevel);
    EXPECT_EQ(doc->m_background.greenLevel / 8, colour.greenLevel);
    EXPECT_EQ(doc->m_background.blueLevel / 8, colour.blueLevel);
}

TEST_F(RendererTrace, UnboundedRecursionLimitIsCapped) {
    UseSingleLight(*doc, CVector(0.0, 1000.0, 0.0));
    CFixedHit* mirrors = AddFixedHit(*doc, 1.0, CVector(0, 0, -1), kWhite);
    mirrors->SetFinish(0.0, 0.0, 0.0, 0.0, 0.0, 1.0);
    for (int stored : {-1, 2147483647, -2147483647 - 1}) {
        StoreMaxRecursion(stored);
        *mirrors->m_alongZ = 0;
        TraceAlongZ();
        EXPECT_EQ(CTracer::kMaxRecursionCap, m_recursionLimit) << stored;
        EXPECT_EQ(static_cast<int>(CTracer::kMaxRecursionCap) + 1, *mirrors->m_alongZ);
    }
}

TEST_F(RendererTrace, TheRecursionLimitIsTheCallersCapped) {
    StoreMaxRecursion(3);
    auto scene = CRenderScene::Snapshot(*doc);
    EXPECT_EQ(3u, TracerOf(*doc).GetRecursionLimit());
    EXPECT_EQ(1u, CTracer(scene, 1).GetRecursionLimit());
    EXPECT_EQ(CTracer::kMaxRecursionCap, CTracer(scene, 4000000000u).GetRecursionLimit());
    EXPECT_EQ(3u, WholePicture(1, 1).maxRecursion);
}

class RendererShade : public RendererTrace {};

TEST_F(RendererShade, AmbientOnlyWhetherLitOrNot) {
    UseSingleLight(*doc, CVector(0.0, 0.0, -10.0));
    CSphere* sphere = AddSphere(*doc, CVector(0, 0, 10), 1.0f, CColour(1.0f, 0.5f, 0.0f));
    sphere->SetFinish(0.2, 0.0, 1.0, 0.0, 1.0, 0.0);

    CColour lit = TraceAlongZ();
    // A blocker behind the camera puts the hit point in shadow.
    AddSphere(*doc, CVector(0, 0, -5), 1.0f, kWhite);
    CRay shadowRay;
    double distance = doc->m_lights[0]->BuildShadowRay(CVector(0, 0, 9), shadowRay);
    ASSERT_EQ(
        0.0f,
        doc->m_lights[0]->Illuminate(sphere, shadowRay, distance, doc->m_objects, 0).redLevel);
    CColour shadowed = TraceAlongZ();

    for (const CColour& colour : {lit, shadowed}) {
        EXPECT_EQ(0.2f, colour.redLevel);
        EXPECT_EQ(0.1f, colour.greenLevel);
        EXPECT_EQ(0.0f, colour.blueLevel);
        EXPECT_EQ(51, colour.GetRed());
        EXPECT_EQ(25, colour.GetGreen());
    }
}

TEST_F(RendererShade, DiffuseFollowsTheCosineAtTheLight) {
    CSphere surface(0.0f, 0.0f, 0.0f, 1.0f);
    surface.SetColour(kWhite);
    surface.SetFinish(0.0, 1.0, 1.0, 0.0, 0.0, 0.0);
    CRay incoming(CVector(0, 10, 0), CVector(0, -1, 0));
    CVector up(0, 1, 0);
    CVector point(0, 0, 0);

    UseSingleLight(*doc, CVector(0.0, 10.0, 0.0));
    CColour above;
    TracerOf(*doc).Shade(&surface, incoming, up, point, 0, above);
    EXPECT_EQ(255, above.GetRed());
    EXPECT_EQ(1.0f, above.blueLevel);

    double angle = 60.0 * M_PI / 180.0;
    UseSingleLight(*doc, CVector(10.0 * std::sin(angle), 10.0 * std::cos(angle), 0.0));
    CColour at60;
    TracerOf(*doc).Shade(&surface, incoming, up, point, 0, at60);
    EXPECT_FLOAT_EQ(0.5f, at60.redLevel);
    EXPECT_FLOAT_EQ(0.5f, at60.greenLevel);
    EXPECT_FLOAT_EQ(0.5f, at60.blueLevel);
    EXPECT_EQ(127, at60.GetRed());
}

TEST_F(RendererShade, ShadowedAtDepthZeroButLitInAMirror) {
    StoreMaxRecursion(1);
    doc->m_background = CColour(0, 0, 0);
    UseSingleLight(*doc, CVector(0.0, 2.0, 0.0));
    // A mirror plane y = 5 that the camera at the origin sees at (5, 5, 0); the mirrored ray
    // runs down to a white sphere whose upper left faces the light, but a small blocker sits
    // between the two.
    auto mirror = std::make_unique<CPlane>(0.0f, 1.0f, 0.0f, -5.0f);
    mirror->SetFinish(0.0, 0.0, 0.0, 0.0, 0.0, 1.0);
    doc->AddObjectAtTail(std::move(mirror));
    CSphere* target = AddSphere(*doc, CVector(8, 2, 0), 1.0f, kWhite);
    target->SetFinish(0.0, 1.0, 1.0, 0.0, 0.0, 0.0);
    AddSphere(*doc, CVector(4, 2.3, 0), 0.8f, kWhite)->SetFinish(0, 0, 0, 0, 0, 0);

    CRay primary(CVector(0, 0, 0), CVector(1, 1, 0).Normalise());
    CTracer tracer = TracerOf(*doc);
    CColour seenInMirror;
    ASSERT_TRUE(tracer.Trace(primary, 0, seenInMirror));

    // Where the mirrored ray meets the sphere, shaded directly at depth 0.
    CRay mirrored(CVector(5, 5, 0), CVector(1, -1, 0).Normalise());
    double t = target->Intersect(mirrored);
    ASSERT_GT(t, 0.001);
    CVector point(5 + t * mirrored.direction.x, 5 + t * mirrored.direction.y, 0);
    CVector normal = target->NormalAt(point);
    CColour direct;
    tracer.Shade(target, mirrored, normal, point, 0, direct);
    ExpectSameColour(kBlack, direct);

    CColour reflected;
    tracer.Shade(target, mirrored, normal, point, 1, reflected);
    EXPECT_GT(reflected.redLevel, 0.5f);
    EXPECT_NEAR(reflected.redLevel, seenInMirror.redLevel, 1e-4);
}

TEST_F(RendererShade, OneEntryLightTableKeepsTheBackground) {
    doc = std::make_unique<CLumoDoc>();
    doc->m_lights.resize(1);
    CColour colour;
    // Straight at the first sphere of the default scene.
    CRay ray(CVector(30, 0, -110), CVector(0, 0, 1));
    EXPECT_TRUE(TracerOf(*doc).Trace(ray, 0, colour));
    ExpectSameColour(doc->m_background, colour);
}

TEST_F(RendererShade, ReflectionIsAddedOncePerLitLight) {
    // Two lights (entries 0 and 1; entry 2 is the unvisited last) and a third in shadow.
    UseSingleLight(*doc, CVector(0.0, 1000.0, 0.0));
    auto second = std::make_unique<CLight>(CVector(0.0, -1000.0, 0.0));
    second->SetColour(kWhite);
    CLight* secondRaw = second.get();
    doc->AddLight(std::move(second));
    std::swap(doc->m_lights[1], doc->m_lights[2]);
    ASSERT_EQ(secondRaw, doc->m_lights[1]);
    CFixedHit* mirror = AddFixedHit(*doc, 5.0, CVector(0, 0, -1), kWhite);
    mirror->SetFinish(0.0, 0.0, 0.0, 0.0, 0.0, 0.25);
    CColour colour = TraceAlongZ();
    EXPECT_EQ(
        static_cast<float>(doc->m_background.redLevel * 0.25 + doc->m_background.redLevel * 0.25),
        colour.redLevel);
    // A light below the surface adds no diffuse light but its reflection all the same.
    mirror->SetFinish(0.0, 1.0, 1.0, 0.0, 0.0, 0.25);
    mirror->m_normal = CVector(1, 0, 0); // perpendicular to both lights
    CColour sideways = TraceAlongZ();
    EXPECT_EQ(colour.redLevel, sideways.redLevel);
}

// The render driver.

class RendererDriver : public RenderFixture {};

// Two neighbouring pixels' rays made at once have the bits of each made alone, for random
// cameras, picture sizes and pixels (in and beyond the picture).
TEST_F(RendererDriver, PairedPrimaryRaysHaveTheBitsOfSingleOnes) {
    std::uint64_t state = 12345;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / 9007199254740992.0; // [0, 1)
    };
    auto any = [&](double low, double high) { return low + (high - low) * next(); };
    auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    unsigned width = 0;
    unsigned height = 0;
    for (int i = 0; i < 1000000; ++i) {
        if (i % 1000 == 0) {
            width = 1 + static_cast<unsigned>(any(0, 4000));
            height = 1 + static_cast<unsigned>(any(0, 3000));
        }
        CCamera camera(CVector(any(-5, 5), any(-5, 5), any(-200, 200)),
                       CVector(any(-1e3, 1e3), any(-1e3, 1e3), any(-1e3, 1e3)),
                       CVector(any(-2, 2), any(-2, 2), any(-2, 2)),
                       CVector(any(-2, 2), any(-2, 2), any(-2, 2)));
        CPrimaryRays rays(width, height, camera);
        int row = static_cast<int>(any(-10, height + 10));
        int column = static_cast<int>(any(-10, width + 10));
        CRay pair[2];
        rays.Pair(row, column, pair);
        for (int k = 0; k < 2; ++k) {
            CRay single;
            rays.Ray(row, column + k, single);
            ASSERT_TRUE(same(single.direction.x, pair[k].direction.x) &&
                        same(single.direction.y, pair[k].direction.y) &&
                        same(single.direction.z, pair[k].direction.z) &&
                        same(single.origin.z, pair[k].origin.z))
                << "ray " << i << ", pixel " << k;
        }
    }
}

TEST_F(RendererDriver, PrimaryRaysOfASquareView) {
    CVector look = doc->GetLook();
    CPrimaryRays rays(8, 8, CCamera(look, doc->GetEye(), CVector(1, 0, 0), CVector(0, 1.0f, 0)));
    CRay centre;
    rays.Ray(4, 4, centre);
    CVector along = look;
    along.Normalise();
    EXPECT_EQ(along.x, centre.direction.x);
    EXPECT_EQ(along.y, centre.direction.y);
    EXPECT_EQ(along.z, centre.direction.z);
    EXPECT_EQ(-110.0, centre.origin.z);

    CRay corner;
    rays.Ray(0, 0, corner);
    CVector expected(look.x - 0.5, look.y - 0.5, look.z);
    expected.Normalise();
    EXPECT_EQ(expected.x, corner.direction.x);
    EXPECT_EQ(expected.y, corner.direction.y);
    EXPECT_EQ(expected.z, corner.direction.z);
}

TEST_F(RendererDriver, PrimaryRaysOfAWideView) {
    CPrimaryRays rays(
        200, 100,
        CCamera(CVector(0, 0, 1), CVector(0, 0, 0), CVector(1, 0, 0), CVector(0, 2.0f, 0)));
    CRay left;
    rays.Ray(50, 0, left);
    CVector expected(-1, 0, 1);
    expected.Normalise();
    EXPECT_EQ(expected.x, left.direction.x);
    EXPECT_EQ(0.0, left.direction.y);
    EXPECT_EQ(expected.z, left.direction.z);
    CRay middle;
    rays.Ray(50, 100, middle);
    EXPECT_EQ(0.0, middle.direction.x);
    EXPECT_EQ(0.0, middle.direction.y);
    EXPECT_EQ(1.0, middle.direction.z);
    // Row 0 is the top of the picture and looks towards -y.
    CRay top;
    rays.Ray(0, 100, top);
    EXPECT_LT(top.direction.y, 0.0);
}

TEST_F(RendererDriver, ProgressAfterEachRowAndEveryPixelStored) {
    RecordingProgress progress;
    RenderToPpm(*doc, 3, 100, {.sink = &progress});
    ASSERT_EQ(100u, progress.m_positions.size());
    for (int y = 0; y < 100; ++y)
        EXPECT_EQ(y, progress.m_positions[static_cast<std::size_t>(y)]);
    EXPECT_EQ(300u, progress.m_pixels);
    // The sky above the horizon in the top row, never the white of a fresh image.
    EXPECT_EQ(doc->m_background.GetRed(), static_cast<int>(doc->m_image.GetPixel(1, 0) & 0xFF));
}

TEST_F(RendererDriver, ZeroHeightOrWidthTracesNothingAndStillFinishes) {
    for (auto [width, height] : {std::pair{5, 0}, std::pair{0, 5}}) {
        RecordingProgress progress;
        RenderResult result =
            Render(CRenderScene::Snapshot(*doc), WholePicture(width, height), &progress);
        EXPECT_EQ(RenderResult::finished, result.status);
        EXPECT_EQ(0u, progress.m_pixels);
        EXPECT_EQ(static_cast<std::size_t>(height), progress.m_positions.size());
    }
}

TEST_F(RendererDriver, TheRegionIsClippedToThePictureAndTheRestStaysWhite) {
    RenderOptions options = WholePicture(4, 3);
    options.region = RenderRegion{1, 1, 4000, 3000};
    RecordingProgress progress;
    RenderResult result = Render(CRenderScene::Snapshot(*doc), options, &progress);
    EXPECT_EQ(6u, progress.m_pixels);
    EXPECT_EQ(4, result.picture.GetWidth());
    EXPECT_EQ(0xFFFFFFu, result.picture.GetPixel(0, 2));
    EXPECT_EQ(0xFFFFFFu, result.picture.GetPixel(3, 0));
    EXPECT_NE(0xFFFFFFu, result.picture.GetPixel(1, 1));
}

TEST_F(RendererDriver, APictureTooLargeForMemoryIsRefused) {
    RenderOptions options = WholePicture(1 << 30, 1 << 30);
    RecordingProgress progress;
    EXPECT_EQ(RenderResult::noMemory,
              Render(CRenderScene::Snapshot(*doc), options, &progress).status);
    EXPECT_TRUE(progress.m_positions.empty());
}
TEST_F(RendererDriver, DegenerateCamerasGiveDefinedPixels) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::uint32_t background = doc->m_background.GetRed() | doc->m_background.GetGreen() << 8 |
                               std::uint32_t(doc->m_background.GetBlue()) << 16;
    // A zero look vector: the centre pixel's direction is 0 / 0 and sees the background.
    doc->SetLook(CVector(0, 0, 0));
    RenderToPpm(*doc, 4, 4);
    EXPECT_EQ(background, doc->m_image.GetPixel(2, 2));

    struct Camera {
        CVector look;
        CVector eye;
    };
    for (const Camera& camera : {Camera{CVector(nan, 0, 1), CVector(0, -5, -110)},
                                 Camera{CVector(0, inf, 1), CVector(0, -5, -110)},
                                 Camera{CVector(0, 0, 1), CVector(inf, 0, -inf)},
                                 Camera{CVector(0, 0, 1), CVector(nan, nan, nan)}}) {
        doc->SetLook(camera.look);
        doc->SetEye(camera.eye);
        RenderToPpm(*doc, 3, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(background, doc->m_image.GetPixel(x, y)) << x << "," << y;
    }
}

// The pixels of the picture that a render traced (the default scene has no white pixel).
std::size_t Traced(const CImage& picture) {
    std::size_t traced = 0;
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x)
            traced += picture.GetPixel(x, y) != 0xFFFFFFu;
    return traced;
}

// Asks for a stop the first time any ray is tested against it, and is never hit.
class CStopOnFirstRay : public CSceneObject {
public:
    explicit CStopOnFirstRay(std::stop_source stop) : m_stop(std::move(stop)) {}
    double Intersect(CRay) override {
        m_stop.request_stop();
        return 0.0;
    }
    std::unique_ptr<CSceneObject> Clone() const override { return CloneAs<CStopOnFirstRay>(); }

private:
    std::stop_source m_stop;
};

TEST_F(RendererDriver, AStopEndsTheRenderWithinThePixelAndTheNextRenderIsWhole) {
    for (TestRender how : {TestRender{}, TestRender{.threads = 3}, TestRender{.parts = 4}}) {
        SCOPED_TRACE(std::to_string(how.threads) + " threads, " + std::to_string(how.parts) +
                     " parts");
        std::string whole = RenderToPpm(*doc, 40, 30, how);
        // Stopped during the first pixel: every thread finishes the pixel it is on, and no
        // other.
        std::stop_source stop;
        CLumoDoc stopping;
        stopping.AddObjectAtTail(std::make_unique<CStopOnFirstRay>(stop));
        RecordingProgress progress;
        RenderResult stopped = Render(CRenderScene::Snapshot(stopping), WholePicture(40, 30, how),
                                      &progress, stop.get_token());
        EXPECT_EQ(RenderResult::stopped, stopped.status);
        EXPECT_LE(Traced(stopped.picture), std::max({1u, how.threads, how.parts}));
        EXPECT_LE(progress.m_positions.size(), 4u);
        // A render whose token has already stopped traces nothing.
        EXPECT_EQ(0u, Traced(Render(CRenderScene::Snapshot(*doc), WholePicture(40, 30, how),
                                    nullptr, stop.get_token())
                                 .picture));

        // The stop belonged to that render: the next one, with a token of its own, runs whole.
        RecordingProgress next;
        EXPECT_EQ(whole, RenderToPpm(*doc, 40, 30,
                                     {.threads = how.threads, .parts = how.parts, .sink = &next}));
        EXPECT_EQ(40u * 30u, next.m_pixels);
    }
}

TEST_F(RendererDriver, AStopAfterTheFirstRowEndsTheSerialRenderThere) {
    std::stop_source stop;
    RecordingProgress progress([&] { stop.request_stop(); });
    RenderResult stopped =
        Render(CRenderScene::Snapshot(*doc), WholePicture(40, 30), &progress, stop.get_token());
    EXPECT_EQ(1u, progress.m_positions.size());
    EXPECT_EQ(40u, progress.m_pixels);
    EXPECT_EQ(40u, Traced(stopped.picture));
}

} // namespace
