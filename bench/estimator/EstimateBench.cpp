// How good the estimate of the time left is, for bench/estimate:
//   lumo_estimate_bench [WIDTH HEIGHT AA RUNS [SCRIPT]]
// (default 1920 1080 4 5, the default scene). Renders the scene RUNS times with the estimator
// fed as the desktop's final renders and lumo-render's bar feed it, and prints for each run,
// at 10, 25, 50 and 75 % of the rows, the estimate of the time left against the time that was
// then actually left, beside the estimate a count of rows would give (time so far × rows left
// / rows done). Then the median ratios at 25 %, and whether each lies within 25 %.
#include "core/Image.h"
#include "headless/HeadlessPlatform.h"
#include "render/Render.h"
#include "render/RenderEstimator.h"
#include "render/RenderSink.h"
#include "script/LumoDoc.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = CRenderEstimator::Clock;
constexpr int kMarks[] = {10, 25, 50, 75};

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// What the sink saw when the progress first reached each mark.
struct Mark {
    Clock::time_point at{};
    double estimate = -1.0; // the profiled estimate of the time left
    double byRows = -1.0;   // the time so far spread over the rows left
    bool seen = false;
};

class CMarkSink : public CRenderSink {
public:
    CMarkSink(CRenderEstimator& estimator, unsigned rows) : m_estimator(estimator), m_rows(rows) {}

    void TracingStarted() override {
        m_estimator.TracingStarted();
        m_tracing = Clock::now();
    }
    void RowFinished(const CImage&, unsigned y, unsigned left, unsigned right) override {
        m_estimator.RowFinished(y, left, right);
        ++m_rowsDone;
    }
    void Progress(int position) override {
        for (std::size_t i = 0; i < std::size(kMarks); ++i) {
            if (m_marks[i].seen || position < kMarks[i])
                continue;
            Mark& mark = m_marks[i];
            mark.seen = true;
            mark.at = Clock::now();
            mark.estimate = m_estimator.GetForecast(mark.at).LeftAt(mark.at).value_or(-1.0);
            double traced = Seconds(mark.at - m_tracing);
            mark.byRows = traced * (m_rows - m_rowsDone) / std::max(1u, m_rowsDone);
        }
    }

    Mark m_marks[std::size(kMarks)];

private:
    CRenderEstimator& m_estimator;
    unsigned m_rows;
    unsigned m_rowsDone = 0;
    Clock::time_point m_tracing{};
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    unsigned width = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 1920;
    unsigned height = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1080;
    unsigned antialias = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 4;
    int runs = argc > 4 ? std::atoi(argv[4]) : 5;
    std::string script = argc > 5 ? argv[5] : "";

    CHeadlessPlatform platform;
    CPlatformScope platformScope(platform);
    CLumoDoc document;
    if (!script.empty()) {
        std::ifstream in(script);
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        if (document.ReadText(text.str(), script, CLumoDoc::grammar, error) ==
            CLumoDoc::readFailed) {
            std::fprintf(stderr, "lumo_estimate_bench: %s\n", error.c_str());
            return 1;
        }
    }
    RenderOptions options;
    options.width = width;
    options.height = height;
    options.antialias = antialias;
    options.threads = std::max(1u, std::thread::hardware_concurrency());

    std::printf("%s, %u x %u, --aa %u, %u threads, %d runs\n",
                script.empty() ? "default scene" : script.c_str(), width, height, antialias,
                options.threads, runs);
    std::printf("%-4s %-5s %10s %10s %10s %10s %10s\n", "run", "mark", "left s", "estimate",
                "ratio", "by rows", "ratio");
    std::vector<double> ratios25;
    std::vector<double> rowRatios25;
    for (int run = 1; run <= runs; ++run) {
        // A fresh snapshot every run: the profile's pass also builds the scene's hierarchy.
        auto scene = CRenderScene::Snapshot(document);
        CRenderEstimator estimator;
        Clock::time_point start = Clock::now();
        estimator.Start(start);
        estimator.Profile(scene, options);
        double profileSeconds = Seconds(Clock::now() - start);
        CMarkSink sink(estimator, height);
        Render(scene, options, &sink);
        Clock::time_point end = Clock::now();
        for (std::size_t i = 0; i < std::size(kMarks); ++i) {
            const Mark& mark = sink.m_marks[i];
            double left = Seconds(end - mark.at);
            std::printf("%-4d %4d%% %10.3f %10.3f %10.3f %10.3f %10.3f\n", run, kMarks[i], left,
                        mark.estimate, mark.estimate / left, mark.byRows, mark.byRows / left);
            if (kMarks[i] == 25) {
                ratios25.push_back(mark.estimate / left);
                rowRatios25.push_back(mark.byRows / left);
            }
        }
        std::printf("run %d: %.3f s in all, of which the coarse pass %.3f s (%.1f %%)\n", run,
                    Seconds(end - start), profileSeconds,
                    100.0 * profileSeconds / Seconds(end - start));
    }
    int within = 0;
    for (double ratio : ratios25)
        within += std::abs(ratio - 1.0) <= 0.25 ? 1 : 0;
    std::printf("at 25 %%: estimate / time left, median %.3f (runs within 25 %%: %d of %zu); "
                "by the count of rows, median %.3f\n",
                Median(ratios25), within, ratios25.size(), Median(rowRatios25));
    return within == static_cast<int>(ratios25.size()) ? 0 : 1;
}
