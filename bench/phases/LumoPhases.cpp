// The phases of one lumo-render run, each timed on its own, for bench/run:
//   lumo_phases SCRIPT|- WIDTH HEIGHT THREADS
// ("-" is the default scene). Prints one line of key=value pairs: the script's parse, the
// scene's preparation (the hierarchy), the trace, the PNG encoding and its size, and libpng's
// default encoding of the same picture for comparison.
//   lumo_phases --spheres N SEED
// writes a script of N random spheres with colours and finishes to standard output, the same
// on every machine for the same seed: centres in a box in front of the default camera, radii
// shrinking with the cube root of N so that the spheres fill the same share of the box (under
// 1 %) at every count; as N grows they cover more of the picture, and a ray that misses them
// passes more of them on its way.
//   lumo_phases --one-size-spheres N SEED
// the same with the 1,000-sphere radii at every count: from 100,000 on they fill the box and
// most rays stop at its front.
#include "core/Image.h"
#include "core/Random.h"
#include "headless/HeadlessPlatform.h"
#include "platform/AtomicFileWriter.h"
#include "render/ImageFile.h"
#include "render/Render.h"
#include "script/LumoDoc.h"

#include <png.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct PngBuffer {
    std::size_t size = 0;
};

void CountBytes(png_structp png, png_bytep, png_size_t length) {
    static_cast<PngBuffer*>(png_get_io_ptr(png))->size += length;
}
void NoFlush(png_structp) {}

// libpng with its defaults, into nowhere: the size and the time it takes.
std::size_t LibpngDefaultSize(const CImage& image) {
    PngBuffer buffer;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_set_write_fn(png, &buffer, CountBytes, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.GetWidth()),
                 static_cast<png_uint_32>(image.GetHeight()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(3 * static_cast<std::size_t>(image.GetWidth()));
    for (int y = 0; y < image.GetHeight(); ++y) {
        for (int x = 0; x < image.GetWidth(); ++x) {
            std::uint32_t pixel = image.GetPixel(x, y);
            row[3 * static_cast<std::size_t>(x)] = static_cast<png_byte>(pixel & 0xFF);
            row[3 * static_cast<std::size_t>(x) + 1] = static_cast<png_byte>((pixel >> 8) & 0xFF);
            row[3 * static_cast<std::size_t>(x) + 2] = static_cast<png_byte>((pixel >> 16) & 0xFF);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return buffer.size;
}

int WriteSpheres(long count, std::uint32_t seed, bool oneSize) {
    CRandom random(seed);
    auto uniform = [&](double low, double high) {
        double unit = (random.Next() * 32768.0 + random.Next()) / (32768.0 * 32768.0);
        return low + (high - low) * unit;
    };
    double scale = oneSize ? 1.0 : std::cbrt(1000.0 / static_cast<double>(count));
    for (long i = 0; i < count; ++i) {
        double x = uniform(-100, 100);
        double y = uniform(-60, 40);
        double z = uniform(-50, 150);
        double r = uniform(0.5, 3.0) * scale;
        std::printf("sphere { %.3f %.3f %.3f %.4f colour { %.3f %.3f %.3f } "
                    "finish { 0.3 0.7 20.0 0.9 100.0 %.2f } }\n",
                    x, y, z, r, uniform(0, 1), uniform(0, 1), uniform(0, 1),
                    i % 4 == 0 ? 0.5 : 0.0);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 &&
        (std::string(argv[1]) == "--spheres" || std::string(argv[1]) == "--one-size-spheres"))
        return WriteSpheres(std::atol(argv[2]), static_cast<std::uint32_t>(std::atol(argv[3])),
                            std::string(argv[1]) == "--one-size-spheres");
    if (argc != 5) {
        std::fprintf(stderr, "usage: lumo_phases SCRIPT|- WIDTH HEIGHT THREADS\n");
        return 2;
    }
    std::string script = argv[1];
    int width = std::atoi(argv[2]);
    int height = std::atoi(argv[3]);
    unsigned threads = static_cast<unsigned>(std::atoi(argv[4]));

    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    CLumoDoc document;

    double parse = 0.0;
    if (script != "-") {
        std::ifstream in(script, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string contents = text.str();
        // The scanner echoes every newline to standard output.
        std::fflush(stdout);
        int saved = dup(STDOUT_FILENO);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        auto start = std::chrono::steady_clock::now();
        int result = document.ParseScript(contents.data(), contents.size());
        parse = Seconds(start);
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(null);
        close(saved);
        if (result != 0) {
            std::fprintf(stderr, "lumo_phases: %s does not parse\n", script.c_str());
            return 1;
        }
    }

    RenderOptions options;
    options.width = static_cast<unsigned>(width);
    options.height = static_cast<unsigned>(height);
    options.threads = threads;
    // The scene is taken, as lumo-render takes it: its preparation is the hierarchy's build.
    std::size_t objects = document.m_objects.size();
    auto start = std::chrono::steady_clock::now();
    RenderResult result = Render(CRenderScene::Take(document), options);
    double render = Seconds(start);
    double scene = result.sceneSeconds;
    if (result.status != RenderResult::finished)
        return 1;
    document.m_image = std::move(result.picture);

    std::string path = "/tmp/lumo_phases." + std::to_string(getpid()) + ".png";
    std::string error;
    start = std::chrono::steady_clock::now();
    {
        CAtomicFileWriter writer(path);
        if (!CImageFile::EncodePng(document.m_image, writer, error, CImageFile::kWholeLimit,
                                   threads) ||
            !writer.Commit()) {
            std::fprintf(stderr, "lumo_phases: %s\n", error.c_str());
            return 1;
        }
    }
    double encode = Seconds(start);
    std::ifstream written(path, std::ios::binary | std::ios::ate);
    long long bytes = static_cast<long long>(written.tellg());
    unlink(path.c_str());
    start = std::chrono::steady_clock::now();
    std::size_t libpngBytes = LibpngDefaultSize(document.m_image);
    double libpng = Seconds(start);

    std::printf("objects=%zu parse_ms=%.1f scene_ms=%.1f trace_ms=%.1f png_ms=%.1f png_bytes=%lld "
                "libpng_ms=%.1f libpng_bytes=%zu\n",
                objects, parse * 1e3, scene * 1e3, (render - scene) * 1e3, encode * 1e3, bytes,
                libpng * 1e3, libpngBytes);
    return 0;
}
