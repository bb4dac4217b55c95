#pragma once

// Shared by the renderer, golden-image and command-line tests.

#include "core/Image.h"
#include "core/Random.h"
#include "headless/HeadlessPlatform.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "render/Render.h"
#include "render/RenderSink.h"
#include "render/TraceScene.h"
#include "render/Tracer.h"
#include "scene/Light.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A headless platform installed for the test, and a document made while it is current (so
// that the platform's view shows it).
class RenderFixture : public testing::Test {
protected:
    CHeadlessPlatform platform;
    CPlatformScope platformScope{platform};
    std::unique_ptr<CLumoDoc> doc = std::make_unique<CLumoDoc>();
};

// The nearest hit of the scene with a hierarchy against that of the brute-force walk: the same
// object and the same distance bits. Gives the walk's hit (null for none) and distance.
inline testing::AssertionResult SameNearest(const CTraceScene& brute, const CTraceScene& tree,
                                            const CRay& ray, const CTraceScene::Surface*& hit,
                                            double& distance) {
    distance = -1;
    double treeDistance = -1;
    hit = brute.Nearest(ray, distance);
    const CTraceScene::Surface* treeHit = tree.Nearest(ray, treeDistance);
    const CSceneObject* object = hit ? hit->object : nullptr;
    const CSceneObject* treeObject = treeHit ? treeHit->object : nullptr;
    if (object != treeObject)
        return testing::AssertionFailure()
               << "the walk hits " << object << ", the tree " << treeObject;
    if (std::memcmp(&distance, &treeDistance, sizeof(double)) != 0)
        return testing::AssertionFailure()
               << "the walk's distance " << distance << ", the tree's " << treeDistance;
    return testing::AssertionSuccess();
}

inline void StoreMaxRecursion(int value) {
    ASSERT_TRUE(CSettingsStore::Profile().WriteInt("Lumo", "MaxRecursion", value));
}

// Replaces the light table with one light in the two entries that the shading reads as one.
inline CLight* UseSingleLight(CLumoDoc& doc, CVector position,
                              CColour colour = CColour(1.0f, 1.0f, 1.0f)) {
    auto light = std::make_unique<CLight>(position);
    light->SetColour(colour);
    CLight* raw = light.get();
    doc.m_lights.clear();
    doc.AddLight(std::move(light));
    doc.m_lights.push_back(raw);
    return raw;
}

// Binary PPM (P6) of the picture, the format of the golden images.
inline std::string EncodePpm(const CImage& image) {
    std::string bytes = "P6\n" + std::to_string(image.GetWidth()) + " " +
                        std::to_string(image.GetHeight()) + "\n255\n";
    for (int y = 0; y < image.GetHeight(); ++y) {
        for (int x = 0; x < image.GetWidth(); ++x) {
            std::uint32_t pixel = image.GetPixel(x, y);
            bytes += static_cast<char>(pixel & 0xFF);
            bytes += static_cast<char>((pixel >> 8) & 0xFF);
            bytes += static_cast<char>((pixel >> 16) & 0xFF);
        }
    }
    return bytes;
}

// How a test renders: one ray a pixel on the calling thread unless the test says otherwise.
struct TestRender {
    unsigned threads = 1;
    unsigned parts = 0;
    unsigned antialias = 1;
    CTraceScene::Hierarchy hierarchy = CTraceScene::Hierarchy::automatic;
    CRenderSink* sink = nullptr;
    std::stop_token stop = {};
    bool progressive = false;
};

// The options of a whole width x height render with the profile's "MaxRecursion", as the
// desktop's render command takes them.
inline RenderOptions WholePicture(int width, int height, const TestRender& how = {}) {
    RenderOptions options;
    options.width = static_cast<unsigned>(width);
    options.height = static_cast<unsigned>(height);
    options.maxRecursion = CSettingsStore::Profile().GetMaxRecursion();
    options.antialias = how.antialias;
    options.threads = how.threads;
    options.parts = how.parts;
    options.hierarchy = how.hierarchy;
    options.progressive = how.progressive;
    return options;
}

// Renders a snapshot of the document into its image, as the render command does, and returns
// the picture as PPM.
inline std::string RenderToPpm(CLumoDoc& doc, int width, int height, const TestRender& how = {}) {
    RenderResult result =
        Render(CRenderScene::Snapshot(doc), WholePicture(width, height, how), how.sink, how.stop);
    EXPECT_NE(RenderResult::noMemory, result.status);
    doc.m_image = std::move(result.picture);
    return EncodePpm(doc.m_image);
}

// A tracer over a snapshot of the document, with the profile's "MaxRecursion".
inline CTracer TracerOf(const CLumoDoc& doc) {
    return CTracer(CRenderScene::Snapshot(doc), CSettingsStore::Profile().GetMaxRecursion());
}

inline std::string Golden(const std::string& name) {
    return ReadFile(std::string(LUMO_TEST_DATA_DIR) + "/" + name + ".ppm");
}

// Records every position the render reports and counts the pixels it hands over; onRow runs
// after each position.
class RecordingProgress : public CRenderSink {
public:
    explicit RecordingProgress(std::function<void()> onRow = {}) : m_onRow(std::move(onRow)) {}
    void RowFinished(const CImage&, unsigned, unsigned left, unsigned right) override {
        m_pixels += right - left;
    }
    void Progress(int position) override {
        m_positions.push_back(position);
        if (m_onRow)
            m_onRow();
    }
    std::vector<int> m_positions;
    std::size_t m_pixels = 0;
    std::function<void()> m_onRow;
};

// Splits "Render thread 0x<hex> took <n> seconds" into its two numbers' texts; false when the
// text is not of that form (lower-case hexadecimal without leading zeros, decimal seconds).
inline bool ParseCompletionText(const std::string& text, std::string& thread,
                                std::string& seconds) {
    const std::string prefix = "Render thread 0x";
    const std::string middle = " took ";
    const std::string suffix = " seconds";
    if (text.rfind(prefix, 0) != 0 || text.size() < prefix.size() + suffix.size() ||
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    std::size_t took = text.find(middle, prefix.size());
    if (took == std::string::npos)
        return false;
    thread = text.substr(prefix.size(), took - prefix.size());
    std::size_t secondsStart = took + middle.size();
    seconds = text.substr(secondsStart, text.size() - suffix.size() - secondsStart);
    auto all = [](const std::string& s, const char* digits) {
        return !s.empty() && s.find_first_not_of(digits) == std::string::npos;
    };
    return all(thread, "0123456789abcdef") && thread[0] != '0' && all(seconds, "0123456789");
}

// Two mirror spheres facing each other over a reflective checker floor, with a matte red ball
// between them: each extra level of recursion adds another image of the ball in the mirrors.
inline void BuildMirrorScene(CLumoDoc& doc) {
    doc.ClearScene();
    auto floor = std::make_unique<CPlane>(0.0f, 1.0f, 0.0f, -50.0f, kTextureChecker);
    floor->SetColour(CColour(150, 175, 150));
    floor->SetFinish(0.3, 0.7, 20.0, 0.9, 100.0, 0.5);
    doc.AddObjectAtTail(std::move(floor));
    for (float x : {-38.0f, 38.0f}) {
        auto mirror = std::make_unique<CSphere>(x, 0.0f, 10.0f, 30.0f);
        mirror->SetColour(CColour(200, 200, 210));
        mirror->SetFinish(0.05, 0.1, 2.0, 0.9, 80.0, 0.9);
        doc.AddObjectAtTail(std::move(mirror));
    }
    auto ball = std::make_unique<CSphere>(0.0f, 20.0f, -30.0f, 12.0f);
    ball->SetColour(CColour(220, 40, 40));
    ball->SetFinish(0.3, 0.7, 2.0, 0.5, 20.0, 0.0);
    doc.AddObjectAtTail(std::move(ball));
}

// A crowd of spheres of every finish in front of the camera, over the default floor, drawn
// from a fixed sequence: overlapping spheres, spheres the eye sits inside of, exact duplicates
// (ties of equal distance), reflective ones and the ring and checker textures. Planes among
// them keep the plain list busy; reflected and shadow rays start inside overlapping spheres.
// Deterministic on every platform.
inline void BuildCrowdScene(CLumoDoc& doc, int count, std::uint32_t seed = 7) {
    doc.ClearScene();
    CRandom random(seed);
    auto uniform = [&](double low, double high) {
        return low + (high - low) * random.Next() / CRandom::kMax;
    };
    auto floor = std::make_unique<CPlane>(0.0f, 1.0f, 0.0f, -50.0f, kTextureChecker);
    floor->SetFinish(0.3, 0.7, 20.0, 0.9, 100.0, 0.4);
    doc.AddObjectAtTail(std::move(floor));
    for (int i = 0; i < count; ++i) {
        auto sphere = std::make_unique<CSphere>(uniform(-90, 90), uniform(-60, 45),
                                                uniform(-60, 160), uniform(0.5, 6.0), 0);
        if (i % 97 == 0)
            sphere->m_textureFlags = kTextureRing;
        if (i % 89 == 0)
            sphere->m_textureFlags = kTextureChecker;
        sphere->SetColour(CColour(static_cast<float>(uniform(0, 1)),
                                  static_cast<float>(uniform(0, 1)),
                                  static_cast<float>(uniform(0, 1))));
        sphere->SetFinish(uniform(0, 0.5), uniform(0, 1), 20.0, uniform(0, 1), 50.0,
                          i % 5 == 0 ? uniform(0, 0.8) : 0.0);
        CSphere* raw = sphere.get();
        doc.AddObjectAtTail(std::move(sphere));
        if (i % 500 == 0) {
            // The same sphere again: every hit on it is a tie the earlier copy must win.
            auto twin = std::make_unique<CSphere>(raw->m_centre.x, raw->m_centre.y, raw->m_centre.z,
                                                  raw->m_radius, 0);
            twin->SetColour(CColour(255, 0, 255));
            twin->SetFinish(1.0, 0.0, 1.0, 0.0, 1.0, 0.0);
            doc.AddObjectAtTail(std::move(twin));
        }
        if (i % 2500 == 1234) {
            auto wall = std::make_unique<CPlane>(0.0f, 0.0f, 1.0f, -200.0f - static_cast<float>(i));
            wall->SetColour(CColour(90, 90, 200));
            wall->SetFinish(0.5, 0.5, 2.0, 0.0, 1.0, 0.0);
            doc.AddObjectAtTail(std::move(wall));
        }
    }
}

// The mirror scene with the noise texture on the floor and the ball: the random draws of a
// pixel depend on its reflections and shadows.
inline void BuildNoisyMirrorScene(CLumoDoc& doc) {
    BuildMirrorScene(doc);
    doc.m_objects.front()->m_textureFlags = kTextureChecker | kTextureNoise;
    doc.m_objects.back()->m_textureFlags = kTextureNoise;
}
