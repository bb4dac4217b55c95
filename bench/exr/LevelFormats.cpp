// The pictures made from the levels before quantising, side by side in one run:
//   lumo_level_formats SCRIPT|- WIDTH HEIGHT THREADS ROUNDS
// ("-" is the default scene). Renders the scene once with its levels kept (and once without,
// for what keeping them costs), then in each round writes every way in turn into a file of
// /tmp and times it: the 8-bit PNG (for scale), the 16-bit PNG (CImageFile, the band encoder on
// THREADS threads) and OpenEXR half floats with each lossless compression OpenEXR has, on the
// calling thread (OpenEXR's default) and on its own pool of THREADS threads. Prints a Markdown
// table of the medians with each file's size. Every OpenEXR file is read back and must give the
// halves written.
#include "core/FloatImage.h"
#include "headless/HeadlessPlatform.h"
#include "platform/AtomicFileWriter.h"
#include "render/ImageFile.h"
#include "render/Render.h"
#include "script/LumoDoc.h"

#include <ImfArray.h>
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#include <ImfThreading.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

double Milliseconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The whole picture as halves, R G B interleaved, as CImageFile converts them.
std::vector<std::uint16_t> Halves(const CFloatImage& levels) {
    std::size_t count = 3 * static_cast<std::size_t>(levels.GetWidth()) *
                        static_cast<std::size_t>(levels.GetHeight());
    std::vector<std::uint16_t> halves(count);
    const float* from = levels.GetRow(0);
    for (std::size_t i = 0; i < count; ++i)
        halves[i] = CImageFile::LevelToHalf(from[i]);
    return halves;
}

Imf::FrameBuffer Frame(std::uint16_t* halves, int width) {
    Imf::FrameBuffer frame;
    std::size_t offset = 0;
    for (const char* channel : {"R", "G", "B"}) {
        frame.insert(channel, Imf::Slice(Imf::HALF, reinterpret_cast<char*>(halves) + offset, 6,
                                         6 * static_cast<std::size_t>(width)));
        offset += 2;
    }
    return frame;
}

void WriteExr(const CFloatImage& levels, Imf::Compression compression, const std::string& path) {
    int width = levels.GetWidth();
    Imf::Header header(width, levels.GetHeight());
    header.compression() = compression;
    for (const char* channel : {"R", "G", "B"})
        header.channels().insert(channel, Imf::Channel(Imf::HALF));
    std::vector<std::uint16_t> halves = Halves(levels);
    Imf::OutputFile file(path.c_str(), header, Imf::globalThreadCount());
    file.setFrameBuffer(Frame(halves.data(), width));
    file.writePixels(levels.GetHeight());
}

bool ReadsBack(const CFloatImage& levels, const std::string& path) {
    Imf::InputFile file(path.c_str());
    int width = levels.GetWidth();
    std::vector<std::uint16_t> halves(3 * static_cast<std::size_t>(width) *
                                      static_cast<std::size_t>(levels.GetHeight()));
    file.setFrameBuffer(Frame(halves.data(), width));
    file.readPixels(0, levels.GetHeight() - 1);
    return halves == Halves(levels);
}

struct Way {
    Way(std::string wayName, std::function<void(const std::string& path)> writeTo)
        : name(std::move(wayName)), write(std::move(writeTo)) {}
    std::string name;
    std::function<void(const std::string& path)> write;
    std::vector<double> times;
    std::uintmax_t bytes = 0;
    bool exact = true;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: lumo_level_formats SCRIPT|- WIDTH HEIGHT THREADS ROUNDS\n");
        return 2;
    }
    std::string script = argv[1];
    unsigned width = static_cast<unsigned>(std::atoi(argv[2]));
    unsigned height = static_cast<unsigned>(std::atoi(argv[3]));
    unsigned threads = static_cast<unsigned>(std::atoi(argv[4]));
    int rounds = std::atoi(argv[5]);
    std::string contents;
    if (script != "-") {
        std::ifstream in(script, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        contents = text.str();
    }
    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    // The scanner echoes every newline to standard output: the table goes to standard error.
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);

    // The render with and without its levels, alternately.
    std::vector<double> plain, kept;
    RenderResult result;
    for (int round = 0; round < rounds; ++round) {
        for (bool keep : {false, true}) {
            CLumoDoc document;
            if (!contents.empty() && document.ParseScript(contents.data(), contents.size()) != 0)
                return 1;
            RenderOptions options;
            options.width = width;
            options.height = height;
            options.threads = threads;
            options.keepLevels = keep;
            auto start = std::chrono::steady_clock::now();
            result = Render(CRenderScene::Take(document), options);
            (keep ? kept : plain).push_back(Milliseconds(start));
            if (result.status != RenderResult::finished)
                return 1;
        }
    }
    const CImage& picture = result.picture;
    const CFloatImage& levels = result.levels;

    auto lumo = [&](CImageFile::Format format) {
        return [&, format](const std::string& path) {
            CAtomicFileWriter writer(path);
            std::string error;
            bool ok = format == CImageFile::png
                          ? CImageFile::Encode(picture, format, writer, error, threads)
                          : CImageFile::Encode(levels, format, writer, error, threads);
            if (!ok || !writer.Commit())
                std::exit(1);
        };
    };
    std::vector<Way> ways;
    ways.emplace_back("8-bit PNG (CImageFile)", lumo(CImageFile::png));
    ways.emplace_back("16-bit PNG (CImageFile)", lumo(CImageFile::png16));
    ways.emplace_back("OpenEXR, ZIP (CImageFile)", lumo(CImageFile::exr));
    struct Compression {
        const char* name;
        Imf::Compression value;
    };
    for (Compression compression :
         {Compression{"none", Imf::NO_COMPRESSION}, Compression{"RLE", Imf::RLE_COMPRESSION},
          Compression{"ZIPS", Imf::ZIPS_COMPRESSION}, Compression{"ZIP", Imf::ZIP_COMPRESSION},
          Compression{"PIZ", Imf::PIZ_COMPRESSION}, Compression{"PXR24", Imf::PXR24_COMPRESSION}}) {
        for (unsigned pool : {0u, threads}) {
            std::string name = std::string("OpenEXR, ") + compression.name + ", " +
                               (pool == 0 ? "calling thread" : std::to_string(pool) + " threads");
            ways.emplace_back(name, [compression, pool, &levels](const std::string& path) {
                Imf::setGlobalThreadCount(static_cast<int>(pool));
                WriteExr(levels, compression.value, path);
                Imf::setGlobalThreadCount(0);
            });
        }
    }

    std::string path = "/tmp/lumo_level_formats." + std::to_string(getpid());
    for (int round = 0; round < rounds; ++round) {
        for (Way& way : ways) {
            auto start = std::chrono::steady_clock::now();
            way.write(path);
            way.times.push_back(Milliseconds(start));
            way.bytes = std::filesystem::file_size(path);
            if (way.name.rfind("OpenEXR", 0) == 0)
                way.exact = way.exact && ReadsBack(levels, path);
        }
    }
    unlink(path.c_str());

    std::fprintf(stderr,
                 "render %u x %u on %u threads: %.1f ms, with its levels kept %.1f ms "
                 "(%.3f)\n\n",
                 width, height, threads, Median(plain), Median(kept), Median(kept) / Median(plain));
    double pngTime = Median(ways[0].times);
    double pngBytes = static_cast<double>(ways[0].bytes);
    std::fprintf(stderr, "| way | write, ms | ratio | bytes | ratio | read back |\n"
                         "| --- | ---: | ---: | ---: | ---: | --- |\n");
    for (const Way& way : ways) {
        double time = Median(way.times);
        std::fprintf(stderr, "| %s | %.1f | %.2f | %ju | %.2f | %s |\n", way.name.c_str(), time,
                     time / pngTime, way.bytes, static_cast<double>(way.bytes) / pngBytes,
                     way.name.rfind("OpenEXR", 0) == 0 ? (way.exact ? "exact" : "DIFFERS") : "");
    }
    return 0;
}
