// Scanning script text with the scanner alone (no parser, no scene).
//   build/bench/lumo_bench --benchmark_filter=Scan
#include "script/Scanner.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A sphere keyword followed by one run of digits that never becomes a number: the scanner
// must read the whole run before it knows, so the run is one long look-ahead. The time must
// grow with the length of the run, not with its square.
void BM_ScanDigitRun(benchmark::State& state) {
    std::string text = "sphere ";
    text.append(static_cast<std::size_t>(state.range(0)), '7');
    CScanner scanner;
    for (auto _ : state) {
        scanner.Begin(text.data(), text.size());
        int tokens = 0;
        while (scanner.NextToken() > 0)
            ++tokens;
        scanner.End();
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ScanDigitRun)->Arg(1000000)->Arg(16000000)->Unit(benchmark::kMillisecond);

} // namespace
