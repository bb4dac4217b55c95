// Whole renders of the default scene through the serial render driver.
//   build/bench/lumo_bench --benchmark_filter=Render
// Figures are per render; compare runs on the same machine as ratios.

#include "platform/HeadlessPlatform.h"
#include "platform/Platform.h"
#include "render/Renderer.h"
#include "script/LumoDoc.h"

#include <benchmark/benchmark.h>

namespace {

void RenderDefaultScene(benchmark::State& state, unsigned maxRecursion) {
    int width = static_cast<int>(state.range(0));
    int height = static_cast<int>(state.range(1));
    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    CLumoDoc document;
    if (!document.m_image.SetSize(width, height)) {
        state.SkipWithError("cannot allocate the image");
        return;
    }
    for (auto _ : state) {
        CRenderer renderer;
        // The settings are not read: the figures do not depend on whoever runs them.
        renderer.SetMaxRecursionOverride(maxRecursion);
        renderer.Render(&document, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                        0, width, height, nullptr);
        benchmark::DoNotOptimize(document.m_image.GetPixel(0, 0));
    }
    state.SetItemsProcessed(state.iterations() * width * height);
    state.counters["pixels"] = static_cast<double>(width) * height;
}

void BM_RenderDefaultScene(benchmark::State& state) {
    RenderDefaultScene(state, 0);
}
void BM_RenderDefaultSceneRecursion3(benchmark::State& state) {
    RenderDefaultScene(state, 3);
}

} // namespace

BENCHMARK(BM_RenderDefaultScene)
    ->Args({320, 200})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderDefaultSceneRecursion3)->Args({320, 200})->Unit(benchmark::kMillisecond);
