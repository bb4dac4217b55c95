// Parsing scripts with CLumoDoc::ParseScript.
//   build/bench/lumo_bench --benchmark_filter=Parse
#include "core/Format.h"
#include "headless/HeadlessPlatform.h"
#include "script/LumoDoc.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// The scanner echoes every newline to standard output; keep that out of the report.
class CQuietStdout {
public:
    CQuietStdout() {
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~CQuietStdout() {
        std::fflush(stdout);
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
    }
    CQuietStdout(const CQuietStdout&) = delete;
    CQuietStdout& operator=(const CQuietStdout&) = delete;

private:
    int m_saved;
};

std::string SphereScript(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text +=
            Format("sphere { %d.5 -12.25 %d.0 3.5 colour { 0.86 0.39 0.39 } }\n", i % 1000, i % 97);
    return text;
}

// A script of spheres, one statement a line, each with its colour block: scanning, parsing,
// one message box and one sphere built and appended per statement, and the previous scene
// cleared at the start.
void BM_ParseSphereStatements(benchmark::State& state) {
    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    CLumoDoc doc;
    const int count = static_cast<int>(state.range(0));
    const std::string text = SphereScript(count);
    CQuietStdout quiet;
    for (auto _ : state) {
        int result = doc.ParseScript(text.data(), text.size());
        benchmark::DoNotOptimize(result);
        platform.m_messages.clear();
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseSphereStatements)->Arg(100000)->Unit(benchmark::kMillisecond);

// Skipped text: a run of digits that never becomes a number, on one line.
void BM_ParseLongDigitRun(benchmark::State& state) {
    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    CLumoDoc doc;
    std::string text(static_cast<std::size_t>(state.range(0)), '7');
    text += " sphere { 1.0 2.0 3.0 }";
    for (auto _ : state) {
        int result = doc.ParseScript(text.data(), text.size());
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseLongDigitRun)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
