// Whole renders of the default scene through the render driver.
//   build/bench/lumo_bench --benchmark_filter=Render
// Figures are per render (wall-clock time); compare them on one machine as ratios: the
// threaded benchmark's time against the serial one's at the same size is the speed-up.

#include "headless/HeadlessPlatform.h"
#include "platform/Platform.h"
#include "render/Render.h"
#include "script/LumoDoc.h"

#include <benchmark/benchmark.h>

namespace {

void RenderDefaultScene(benchmark::State& state, unsigned maxRecursion, unsigned threads) {
    int width = static_cast<int>(state.range(0));
    int height = static_cast<int>(state.range(1));
    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    CLumoDoc document;
    auto scene = CRenderScene::Snapshot(document);
    RenderOptions options;
    options.width = static_cast<unsigned>(width);
    options.height = static_cast<unsigned>(height);
    // The settings are not read: the figures do not depend on whoever runs them.
    options.maxRecursion = maxRecursion;
    options.threads = threads;
    for (auto _ : state) {
        RenderResult result = Render(scene, options);
        if (result.status != RenderResult::finished) {
            state.SkipWithError("cannot allocate the image");
            return;
        }
        benchmark::DoNotOptimize(result.picture.GetPixel(0, 0));
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}

void BM_RenderDefaultScene(benchmark::State& state) {
    RenderDefaultScene(state, 0, 1);
}
void BM_RenderDefaultSceneRecursion3(benchmark::State& state) {
    RenderDefaultScene(state, 3, 1);
}
// The same pictures on range(2) threads.
void BM_RenderDefaultSceneThreads(benchmark::State& state) {
    RenderDefaultScene(state, 0, static_cast<unsigned>(state.range(2)));
}

} // namespace

BENCHMARK(BM_RenderDefaultScene)
    ->Args({320, 200})
    ->Args({1920, 1080})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderDefaultSceneThreads)
    ->Args({320, 200, 2})
    ->Args({1920, 1080, 2})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderDefaultSceneRecursion3)
    ->Args({320, 200})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
