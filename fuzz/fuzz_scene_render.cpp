// Scene files and scripts read and rendered: whatever a text sets up (any camera, numbers
// without bounds, noise, mirrors, a crowd of spheres), the reader either refuses it or every
// way of rendering it gives the same small picture as the plain serial walk of the object list:
// rows on two threads through the hierarchy, the progressive passes, and quarters. Texts are
// changed mostly a statement or a number at a time (CSceneMutator), so that they stay well
// formed enough to reach the hierarchy and the shading.
#include "headless/HeadlessPlatform.h"
#include "render/Render.h"
#include "script/LumoDoc.h"

#include "FuzzSupport.h"
#include "SceneMutator.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr unsigned kWidth = 12;
constexpr unsigned kHeight = 8;
// Enough to reach the hierarchy many times over, few enough that an input stays quick.
constexpr std::size_t kMostObjects = 300;

bool SamePicture(const CImage& a, const CImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y))
                return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The script scanner echoes every newline to standard output; keep the fuzzer's log
    // readable.
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
    return 0;
}

#ifdef LUMO_LIBFUZZER
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

// LUMO_FUZZ_PLAIN=1 leaves the texts to libFuzzer's byte mutations alone: the comparison that
// shows what the structured changes reach.
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned seed) {
    static const bool plain = std::getenv("LUMO_FUZZ_PLAIN") != nullptr;
    if (plain)
        return LLVMFuzzerMutate(data, size, maxSize);
    return CSceneMutator::Mutate(data, size, maxSize, seed, LLVMFuzzerMutate);
}
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSettingsFolder();
    static CHeadlessPlatform platform;
    static CPlatformScope scope(platform);
    platform.m_messages.clear();
    std::string text(reinterpret_cast<const char*>(data), size);
    CLumoDoc doc;
    std::string error;
    CLumoDoc::ReadOutcome outcome = doc.ReadText(text, "fuzz", CLumoDoc::grammar, error);
    if (outcome == CLumoDoc::readFailed) {
        if (error.empty() || error.find('\n') != std::string::npos)
            std::abort();
        return 0;
    }
    if (doc.m_objects.size() > kMostObjects)
        return 0;

    auto scene = CRenderScene::Snapshot(doc);
    RenderOptions options;
    options.width = kWidth;
    options.height = kHeight;
    options.maxRecursion = 2;
    options.antialias = doc.m_antialias > 2 ? 2 : doc.m_antialias;
    options.hierarchy = CTraceScene::Hierarchy::off;
    RenderResult serial = Render(scene, options);
    if (serial.status != RenderResult::finished)
        std::abort();

    RenderOptions rows = options;
    rows.threads = 2;
    rows.hierarchy = CTraceScene::Hierarchy::always;
    RenderOptions progressive = rows;
    progressive.progressive = true;
    progressive.hierarchy = CTraceScene::Hierarchy::automatic;
    RenderOptions quarters = options;
    quarters.parts = 4;
    quarters.hierarchy = CTraceScene::Hierarchy::always;
    for (const RenderOptions& other : {rows, progressive, quarters}) {
        RenderResult result = Render(scene, other);
        if (result.status != RenderResult::finished || !SamePicture(serial.picture, result.picture))
            std::abort();
    }
    return 0;
}
