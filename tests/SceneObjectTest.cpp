#include "scene/SceneObject.h"
#include "scene/Light.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "scene/WorldPlane.h"

#include "ColourExpect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace {
CRay MakeRay(CVector origin, CVector direction) {
    direction.Normalise();
    return CRay(origin, direction);
}

} // namespace

TEST(SceneObject, BaseDefaults) {
    CSceneObject object;
    EXPECT_EQ(0.0, object.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, 0, 1))));
    CVector n = object.NormalAt(CVector(1, 2, 3));
    EXPECT_EQ(0.0, n.x + n.y + n.z);
    std::string text = "overwritten";
    object.GetScriptHeader(text);
    EXPECT_EQ("Unknown", text);
    object.GetScriptParams(text);
    EXPECT_EQ("Error\n\n", text);
    EXPECT_EQ("", object.GetName());
    EXPECT_EQ(0, object.GetTextureFlags());
    EXPECT_EQ(0.0, object.GetAmbient() + object.GetReflection());
}

TEST(SceneObject, GetColourIsTheStoredColour) {
    CSceneObject object;
    object.SetColour(CColour(10, 20, 30));
    object.GetColour()->red = 99;
    ExpectBytes(object.ColourAt(0, 0, 0), 99, 20, 30);
}

TEST(SceneObject, SetFinishKeepsTheOrderAndLeavesTheColour) {
    CSceneObject object;
    object.SetColour(CColour(1, 2, 3));
    object.SetFinish(0.3, 0.7, 20, 0.9, 100, 0.75);
    EXPECT_EQ(0.3, object.GetAmbient());
    EXPECT_EQ(0.7, object.GetDiffuse());
    EXPECT_EQ(20.0, object.GetBrilliance());
    EXPECT_EQ(0.9, object.GetSpecular());
    EXPECT_EQ(100.0, object.GetRoughness());
    EXPECT_EQ(0.75, object.GetReflection());
    ExpectBytes(*object.GetColour(), 1, 2, 3);
}

TEST(SceneObject, OverlayOrderLastWins) {
    CSceneObject object;
    object.SetColour(CColour(200, 100, 50));
    // Checker over ring: (5, 0, -14) is red on the checker.
    object.m_textureFlags = kTextureChecker | kTextureRing;
    ExpectBytes(object.ColourAt(5, 0, -14), 255, 0, 0);
    object.m_textureFlags = kTextureRing;
    CColour ring = object.ColourAt(5, 0, -14);
    EXPECT_TRUE((ring.GetRed() == 100 && ring.GetGreen() == 50) ||
                (ring.GetRed() == 144 && ring.GetGreen() == 200));
    object.m_textureFlags = 0;
    ExpectBytes(object.ColourAt(5, 0, -14), 200, 100, 50);
}

TEST(Sphere, NearFarBehindAndTangent) {
    CSphere sphere(0.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_DOUBLE_EQ(9.0, sphere.Intersect(MakeRay(CVector(0, 0, -10), CVector(0, 0, 1))));
    EXPECT_DOUBLE_EQ(1.0, sphere.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, 0, 1))));
    EXPECT_EQ(0.0, sphere.Intersect(MakeRay(CVector(0, 0, 10), CVector(0, 0, 1))));
    // disc = 4 (1 - h²) for a line at distance h: just above 0 but below 0.001 is a miss.
    double h = std::sqrt(1.0 - 0.0002);
    EXPECT_EQ(0.0, sphere.Intersect(MakeRay(CVector(0, h, -10), CVector(0, 0, 1))));
    double h2 = std::sqrt(1.0 - 0.0004);
    EXPECT_GT(sphere.Intersect(MakeRay(CVector(0, h2, -10), CVector(0, 0, 1))), 9.0);
    // On the surface pointing outward: t1 < 0, t2 about 0.
    EXPECT_EQ(0.0, sphere.Intersect(MakeRay(CVector(0, 0, 1), CVector(0, 0, 1))));
}

TEST(Sphere, NearRootThreshold) {
    // Origin 0.001 before the surface: t1 = 0.001 is not a hit, so the far root is returned.
    CSphere sphere(0.0f, 0.0f, 0.0f, 1.0f);
    double t = sphere.Intersect(MakeRay(CVector(0, 0, -1.001), CVector(0, 0, 1)));
    EXPECT_NEAR(2.001, t, 1e-9);
    t = sphere.Intersect(MakeRay(CVector(0, 0, -1.0011), CVector(0, 0, 1)));
    EXPECT_NEAR(0.0011, t, 1e-9);
}

TEST(Sphere, NormalIsUnitAndLeavesTheCentre) {
    CSphere sphere(0.0f, 1.0f, 0.0f, 1.0f);
    CVector n = sphere.NormalAt(CVector(0, 2, 0));
    EXPECT_DOUBLE_EQ(0.0, n.x);
    EXPECT_DOUBLE_EQ(1.0, n.y);
    EXPECT_DOUBLE_EQ(0.0, n.z);
    CVector far = sphere.NormalAt(CVector(3, 5, 1));
    EXPECT_DOUBLE_EQ(1.0, far.Length());
    EXPECT_EQ(1.0, sphere.GetCentre().y);
}

TEST(Sphere, RadiusIsSinglePrecision) {
    CSphere sphere(0.0, 0.0, 0.0, 0.1, kTextureRing);
    EXPECT_EQ(0.1f, sphere.GetRadius());
    EXPECT_EQ(kTextureRing, sphere.GetTextureFlags());
    CSphere plain(1.0f, 2.0f, 3.0f, 4.0f);
    EXPECT_EQ(0, plain.GetTextureFlags());
}

TEST(Plane, CoefficientsTruncateAndOffsetIsNegated) {
    CPlane plane(0.5f, 1.7f, 0.0f, -2.9f);
    EXPECT_EQ(0.0, plane.m_nx);
    EXPECT_EQ(1.0, plane.m_ny);
    EXPECT_EQ(0.0, plane.m_nz);
    EXPECT_EQ(2.0, plane.m_offset);
    CPlane textured(0.0f, 1.0f, 0.0f, -50.0f, kTextureChecker);
    EXPECT_EQ(50.0, textured.m_offset);
    EXPECT_EQ(kTextureChecker, textured.GetTextureFlags());
}

TEST(Plane, HugeCoefficientsSaturateInsteadOfOverflowing) {
    CPlane plane(1e30f, -1e30f, std::nanf(""), 1e30f);
    EXPECT_EQ(2147483647.0, plane.m_nx);
    EXPECT_EQ(-2147483648.0, plane.m_ny);
    EXPECT_EQ(0.0, plane.m_nz);
    EXPECT_EQ(-2147483647.0, plane.m_offset);
    CPlane lowest(0.0f, 1.0f, 0.0f, -1e30f);
    EXPECT_EQ(2147483648.0, lowest.m_offset); // INT_MIN negated without overflow
}

TEST(Plane, OneSidedIntersection) {
    CPlane plane(0.0f, 1.0f, 0.0f, -5.0f);
    EXPECT_EQ(5.0, plane.m_offset);
    EXPECT_DOUBLE_EQ(5.0, plane.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, 1, 0))));
    EXPECT_EQ(0.0, plane.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, -1, 0))));
    EXPECT_DOUBLE_EQ(7.0, plane.Intersect(MakeRay(CVector(0, 2, 0), CVector(0, 1, 0))));
    CPlane behind(0.0f, 1.0f, 0.0f, 3.0f);
    EXPECT_EQ(0.0, behind.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, 1, 0))));
    // Nearly parallel: den 0.0005 is not above 0.001.
    CRay grazing(CVector(0, 0, 0), CVector(1, 0.0005, 0));
    EXPECT_EQ(0.0, plane.Intersect(grazing));
}

TEST(Plane, OffsetIsNotScaledByTheNormalLength) {
    CPlane plane(0.0f, 2.0f, 0.0f, -4.0f);
    CVector n = plane.NormalAt(CVector(9, 9, 9));
    EXPECT_EQ(2.0, n.y); // not normalised
    EXPECT_DOUBLE_EQ(4.0, plane.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, 1, 0))));
}

TEST(Plane, ZeroNormalIsNeverHit) {
    CPlane plane(0.9f, 0.9f, 0.9f, 0.9f);
    CVector n = plane.GetNormal();
    EXPECT_EQ(0.0, n.x + n.y + n.z);
    EXPECT_EQ(0.0, plane.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, 1, 0))));
    EXPECT_EQ(0.0, plane.Intersect(MakeRay(CVector(1, -3, 0), CVector(1, 1, 1))));
}

namespace {
// The point where the ray meets the object, or false for a miss.
bool HitPoint(CSceneObject& object, const CRay& ray, CVector& point) {
    double t = object.Intersect(ray);
    if (!(t > kHitThreshold))
        return false;
    point = ray.origin + ray.direction * t;
    return true;
}
} // namespace

TEST(WorldPlane, OneSidedAndNeverBehindTheOrigin) {
    CWorldPlane plane(0.0, 1.0, 0.0, -5.0); // y = 5
    EXPECT_EQ(5.0, plane.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, 1, 0))));
    EXPECT_EQ(0.0, plane.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, -1, 0))));
    // Against the normal from the far side: still a miss, as for every plane.
    EXPECT_EQ(0.0, plane.Intersect(MakeRay(CVector(0, 9, 0), CVector(0, -1, 0))));
    // Already past the plane: the plane lies behind the origin.
    EXPECT_EQ(0.0, plane.Intersect(MakeRay(CVector(0, 7, 0), CVector(0, 1, 0))));
    // Where an eye-relative plane with these numbers would be met at 7, the world plane is
    // met where it is: 3 further on.
    EXPECT_EQ(3.0, plane.Intersect(MakeRay(CVector(0, 2, 0), CVector(0, 1, 0))));
    EXPECT_DOUBLE_EQ(
        7.0,
        CPlane(0.0f, 1.0f, 0.0f, -5.0f).Intersect(MakeRay(CVector(0, 2, 0), CVector(0, 1, 0))));
}

TEST(WorldPlane, NearlyParallelRaysMissAtTheThreshold) {
    CWorldPlane plane(0.0, 1.0, 0.0, -5.0);
    EXPECT_EQ(0.0, plane.Intersect(CRay(CVector(0, 0, 0), CVector(1, 0.0005, 0))));
    EXPECT_EQ(0.0, plane.Intersect(CRay(CVector(0, 0, 0), CVector(1, 0.001, 0))));
    EXPECT_DOUBLE_EQ(5.0 / 0.0011, plane.Intersect(CRay(CVector(0, 0, 0), CVector(1, 0.0011, 0))));
}

TEST(WorldPlane, ZeroNormalIsNeverHit) {
    for (double d : {0.0, -5.0, 5.0}) {
        CWorldPlane plane(0.0, 0.0, 0.0, d);
        EXPECT_EQ(0.0, plane.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, 1, 0)))) << d;
        EXPECT_EQ(0.0, plane.Intersect(MakeRay(CVector(1, -3, 0), CVector(1, 1, 1)))) << d;
    }
    // Nor one whose numbers are not numbers.
    CWorldPlane nan(0.0, 1.0, 0.0, std::nan(""));
    EXPECT_EQ(0.0, nan.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, 1, 0))));
}

TEST(WorldPlane, ANonUnitNormalScalesTheOffsetToo) {
    CWorldPlane plane(0.0, 2.0, 0.0, -8.0); // 2y - 8 = 0: y = 4
    EXPECT_EQ(4.0, plane.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, 1, 0))));
    CVector n = plane.NormalAt(CVector(9, 9, 9));
    EXPECT_EQ(2.0, n.y); // not normalised
    // 3x + 4y = 25 lies 5 from the origin along (0.6, 0.8, 0), 1 from (2.4, 3.2, 0), and a
    // ray that starts on it meets it where it starts, which the tracer does not count.
    CWorldPlane tilted(3.0, 4.0, 0.0, -25.0);
    EXPECT_DOUBLE_EQ(5.0, tilted.Intersect(MakeRay(CVector(0, 0, 0), CVector(3, 4, 0))));
    EXPECT_DOUBLE_EQ(1.0, tilted.Intersect(MakeRay(CVector(2.4, 3.2, 0), CVector(3, 4, 0))));
    EXPECT_GE(kHitThreshold, tilted.Intersect(MakeRay(CVector(3, 4, 0), CVector(3, 4, 0))));
    EXPECT_DOUBLE_EQ(-5.0, tilted.UnitOffset());
    auto coefficients = tilted.GetCoefficients();
    EXPECT_EQ(3.0, coefficients[0]);
    EXPECT_EQ(4.0, coefficients[1]);
    EXPECT_EQ(0.0, coefficients[2]);
    EXPECT_EQ(-25.0, coefficients[3]);
}

TEST(WorldPlane, MovingTheOriginAlongTheRayMovesTheDistanceByAsMuch) {
    std::mt19937 random(41);
    std::uniform_real_distribution<double> value(-100.0, 100.0);
    int hits = 0;
    for (int i = 0; i < 500; ++i) {
        CWorldPlane plane(value(random), value(random), value(random), value(random) * 10);
        CRay ray = MakeRay(CVector(value(random), value(random), value(random)),
                           CVector(value(random), value(random), value(random)));
        double t = plane.Intersect(ray);
        if (t <= 1.0)
            continue;
        ++hits;
        for (double s : {0.25, 0.5, 0.999}) {
            CRay later(ray.origin + ray.direction * (s * t), ray.direction);
            EXPECT_NEAR(t - s * t, plane.Intersect(later), 1e-9 * t) << i << " " << s;
        }
        // The same move back: the origin behind where it was.
        CRay earlier(ray.origin - ray.direction * 10.0, ray.direction);
        EXPECT_NEAR(t + 10.0, plane.Intersect(earlier), 1e-9 * (t + 10.0)) << i;
    }
    EXPECT_GT(hits, 100);
}

TEST(WorldPlane, CopiesItselfWholeAndIsNoEyeRelativePlane) {
    CWorldPlane plane(0.5, 1.0, 0.25, -40.125);
    plane.SetName("floor");
    plane.SetFinish(0.3, 0.7, 20.0, 0.9, 100.0, 0.65);
    plane.SetColour(CColour(150, 175, 150));
    plane.m_textureFlags = kTextureChecker;
    std::unique_ptr<CSceneObject> copy = plane.Clone();
    ASSERT_NE(nullptr, dynamic_cast<CWorldPlane*>(copy.get()));
    EXPECT_EQ(nullptr, dynamic_cast<CPlane*>(copy.get()));
    EXPECT_EQ(plane.GetCoefficients(), static_cast<CWorldPlane&>(*copy).GetCoefficients());
    EXPECT_EQ("floor", copy->GetName());
    EXPECT_EQ(100.0, copy->GetRoughness());
    EXPECT_EQ(175, copy->GetColour()->green);
    EXPECT_EQ(kTextureChecker, copy->GetTextureFlags());
}

TEST(WorldPlane, TheDefaultFloorSeenFromTheEyeIsYForty) {
    CPlane floor(0.0f, 1.0f, 0.0f, -50.0f, kTextureChecker);
    floor.SetName("floor");
    floor.SetFinish(0.3, 0.7, 20.0, 0.9, 100.0, 0.65);
    CWorldPlane world = CWorldPlane::FromEyePlane(floor, CVector(0.0, -5.0, -110.0));
    std::array<double, 4> expected = {0.0, 1.0, 0.0, -40.0};
    EXPECT_EQ(expected, world.GetCoefficients());
    EXPECT_EQ("floor", world.GetName());
    EXPECT_EQ(0.65, world.GetReflection());
    EXPECT_EQ(kTextureChecker, world.GetTextureFlags());
    // Raising the eye by 20 (y grows downwards) raises the eye-relative floor by 40, to y = 0.
    EXPECT_EQ(0.0,
              CWorldPlane::FromEyePlane(floor, CVector(0.0, -25.0, -110.0)).GetCoefficients()[3]);
}

// Every primary ray from the eye meets the world plane where it met the eye-relative plane
// it was made from, and misses it where it missed that one.
TEST(WorldPlane, ConversionKeepsThePrimaryHitsWhereTheyWere) {
    struct Case {
        CPlane plane;
        CVector eye;
    };
    Case cases[] = {
        {CPlane(0.0f, 1.0f, 0.0f, -50.0f), CVector(0.0, -5.0, -110.0)},
        {CPlane(0.0f, 1.0f, 0.0f, -50.0f), CVector(13.5, -27.25, -80.0)},
        {CPlane(1.0f, 3.0f, 2.0f, -40.0f), CVector(7.0, -5.0, 110.0)},
        {CPlane(0.0f, -2.0f, 1.0f, 25.0f), CVector(-3.0, -40.0, 20.0)},
    };
    for (Case& c : cases) {
        CWorldPlane world = CWorldPlane::FromEyePlane(c.plane, c.eye);
        int hits = 0;
        for (int row = 0; row <= 40; ++row) {
            for (int column = 0; column <= 64; ++column) {
                CRay ray = MakeRay(c.eye, CVector((column - 32) / 40.0, (row - 20) / 40.0, 1.0));
                CVector eyeHit, worldHit;
                bool hit = HitPoint(c.plane, ray, eyeHit);
                ASSERT_EQ(hit, HitPoint(world, ray, worldHit)) << row << " " << column;
                if (!hit)
                    continue;
                ++hits;
                double scale = std::max(1.0, eyeHit.Length());
                EXPECT_NEAR(eyeHit.x, worldHit.x, 1e-9 * scale);
                EXPECT_NEAR(eyeHit.y, worldHit.y, 1e-9 * scale);
                EXPECT_NEAR(eyeHit.z, worldHit.z, 1e-9 * scale);
            }
        }
        EXPECT_GT(hits, 200);
    }
}

TEST(WorldPlane, BackToAnEyeRelativePlaneAtAnyEye) {
    CPlane planes[] = {CPlane(0.0f, 1.0f, 0.0f, -50.0f), CPlane(1.0f, 3.0f, -2.0f, 40.0f),
                       CPlane(0.0f, -2.0f, 1.0f, 25.0f), CPlane(-7.0f, 0.0f, 0.0f, 0.0f)};
    CVector eyes[] = {CVector(0.0, -5.0, -110.0), CVector(0.3, -5.7, -110.1),
                      CVector(-13.37, 42.1, -0.9)};
    for (CPlane& plane : planes) {
        plane.SetName("p");
        plane.m_textureFlags = kTextureRing;
        for (const CVector& eye : eyes) {
            CPlane back = CWorldPlane::FromEyePlane(plane, eye).ToEyePlane(eye);
            EXPECT_EQ(plane.m_nx, back.m_nx);
            EXPECT_EQ(plane.m_ny, back.m_ny);
            EXPECT_EQ(plane.m_nz, back.m_nz);
            EXPECT_EQ(plane.m_offset, back.m_offset) << eye.x << " " << eye.y;
            EXPECT_EQ("p", back.GetName());
            EXPECT_EQ(kTextureRing, back.GetTextureFlags());
        }
    }
    // A normal that is not whole loses its fractions: the plane tilts, but still passes
    // through the point of the world plane nearest the eye.
    CWorldPlane tilted(0.5, 1.5, 0.0, -40.0);
    CVector eye(0.0, -5.0, -110.0);
    CPlane seen = tilted.ToEyePlane(eye);
    EXPECT_EQ(0.0, seen.m_nx);
    EXPECT_EQ(1.0, seen.m_ny);
    CVector toNearest = CVector(0.5, 1.5, 0.0).Normalised();
    CVector nearest = eye + toNearest * tilted.Intersect(CRay(eye, toNearest));
    double t = seen.Intersect(MakeRay(eye, nearest - eye));
    EXPECT_NEAR((nearest - eye).Length(), t, 1.0); // within the truncation of d
}

class LightTest : public testing::Test {
protected:
    LightTest() : light(CVector(0, 10, 0)) { light.SetColour(CColour(1.0f, 0.5f, 0.25f)); }

    void AddBlocker(float y) { objects.push_back(std::make_unique<CSphere>(0.0f, y, 0.0f, 1.0f)); }

    CLight light;
    CObjectList objects;
    CSphere hit{0.0f, -1.0f, 0.0f, 1.0f};
};

TEST_F(LightTest, ShadowRayPointsAtTheLightAndLeavesItsPosition) {
    CRay shadow;
    double distance = light.BuildShadowRay(CVector(0, 0, 0), shadow);
    EXPECT_EQ(10.0, distance);
    EXPECT_EQ(0.0, shadow.origin.y);
    EXPECT_EQ(1.0, shadow.direction.y);
    EXPECT_EQ(10.0, light.GetPosition().y);
}

TEST_F(LightTest, BlockerBetweenShadowsBlockerBeyondDoesNot) {
    CRay shadow;
    double distance = light.BuildShadowRay(CVector(0, 0, 0), shadow);
    AddBlocker(5.0f);
    ExpectBytes(light.TraceShadow(&hit, shadow, distance, objects), 0, 0, 0);
    objects.clear();
    AddBlocker(15.0f); // t = 14 is not less than 10
    ExpectBytes(light.TraceShadow(&hit, shadow, distance, objects), 255, 127, 63);
}

TEST_F(LightTest, ShadowBoundsAreStrict) {
    // A blocker whose near surface is exactly at the light: t == distance does not shadow.
    CRay shadow;
    double distance = light.BuildShadowRay(CVector(0, 0, 0), shadow);
    AddBlocker(11.0f);
    ExpectBytes(light.TraceShadow(&hit, shadow, distance, objects), 255, 127, 63);
    // The point's own sphere, touching at the origin, does not shadow it.
    objects.clear();
    objects.push_back(std::make_unique<CSphere>(0.0f, -1.0f, 0.0f, 1.0f));
    ExpectBytes(light.TraceShadow(&hit, shadow, distance, objects), 255, 127, 63);
}

TEST_F(LightTest, ReflectedPointsAreNeverShadowed) {
    CRay shadow;
    double distance = light.BuildShadowRay(CVector(0, 0, 0), shadow);
    AddBlocker(5.0f);
    ExpectBytes(light.Illuminate(&hit, shadow, distance, objects, 1), 255, 127, 63);
    ExpectBytes(light.Illuminate(&hit, shadow, distance, objects, 0), 0, 0, 0);
}

TEST_F(LightTest, NullHitIsBlackEmptyListIsLit) {
    CRay shadow;
    double distance = light.BuildShadowRay(CVector(0, 0, 0), shadow);
    ExpectBytes(light.Illuminate(nullptr, shadow, distance, objects, 0), 0, 0, 0);
    ExpectBytes(light.Illuminate(&hit, shadow, distance, objects, 0), 255, 127, 63);
    objects.push_back(nullptr); // null entries are skipped
    ExpectBytes(light.TraceShadow(&hit, shadow, distance, objects), 255, 127, 63);
}

TEST_F(LightTest, NeverHitAndWritesItsPosition) {
    EXPECT_EQ(0.0, light.Intersect(MakeRay(CVector(0, 0, 0), CVector(0, 1, 0))));
    EXPECT_EQ(0.0, light.Intersect(MakeRay(CVector(0, 20, 0), CVector(0, -1, 0))));
    std::string text;
    light.GetScriptHeader(text);
    EXPECT_EQ("light {", text);
    light.GetScriptParams(text);
    EXPECT_EQ("0.000000 10.000000 0.000000", text);
}
