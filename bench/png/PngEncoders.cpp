// Lumo's PNG encoder against the libraries, side by side in one run:
//   lumo_png_encoders SCRIPT|- WIDTH HEIGHT THREADS ROUNDS
// ("-" is the default scene). Each round takes every way in turn through the whole of a
// lumo-render run after the process's start (the script's parse, the render, the encoding and
// the file written and committed), then times each way's encoding alone on the round's
// picture. Prints a Markdown table of the medians, with each way's file size and its ratios to
// Lumo's own encoder. Every file is decoded again (libspng) and must give the rendered pixels.
//
// The ways:
//   lumo        CImageFile::EncodePng, the band encoder of render/BandDeflater
//   zlib-N      the rows filtered with Sub, cut into the same 256 KB bands, each deflated by
//               zlib at level N on the task pool from the 32 KB before it as a preset
//               dictionary and ended with a sync flush, the pieces joined into one stream
//               (the way pigz compresses in parallel); checksums combined with adler32_combine
//   spng-N      libspng on one thread, Sub filter, zlib level N
#include "core/Image.h"
#include "headless/HeadlessPlatform.h"
#include "platform/AtomicFileWriter.h"
#include "render/BandDeflater.h"
#include "render/ImageFile.h"
#include "render/Render.h"
#include "render/TaskPool.h"
#include "script/LumoDoc.h"

#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

double Milliseconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void PutBigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void AppendChunk(Bytes& out, const char* type, const std::uint8_t* data, std::size_t size) {
    PutBigEndian(out, static_cast<std::uint32_t>(size));
    std::size_t at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    PutBigEndian(out, static_cast<std::uint32_t>(crc32_z(0, out.data() + at, size + 4)));
}

Bytes Interleaved(const CImage& image) {
    std::size_t pixels =
        static_cast<std::size_t>(image.GetWidth()) * static_cast<std::size_t>(image.GetHeight());
    Bytes rgb(3 * pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        rgb[3 * i] = image.GetRedPlane()[i];
        rgb[3 * i + 1] = image.GetGreenPlane()[i];
        rgb[3 * i + 2] = image.GetBluePlane()[i];
    }
    return rgb;
}

// The pigz way: bands deflated apart from a preset dictionary, each ended on a byte boundary
// by a sync flush, joined between the zlib header and the final empty block with the Adler-32.
Bytes EncodeZlibBands(const CImage& image, int level, unsigned threads) {
    std::size_t width = static_cast<std::size_t>(image.GetWidth());
    std::size_t rows = static_cast<std::size_t>(image.GetHeight());
    std::size_t rowBytes = 3 * width + 1;
    Bytes filtered(rowBytes * rows);
    ParallelFor(rows, threads, [&](std::size_t y) {
        const std::uint8_t* planes[3] = {image.GetRedPlane() + y * width,
                                         image.GetGreenPlane() + y * width,
                                         image.GetBluePlane() + y * width};
        std::uint8_t* out = filtered.data() + y * rowBytes;
        out[0] = 1; // Sub
        for (std::size_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                out[1 + 3 * x + static_cast<std::size_t>(c)] =
                    static_cast<std::uint8_t>(planes[c][x] - (x ? planes[c][x - 1] : 0));
    });
    constexpr std::size_t kBandBytes = std::size_t{256} << 10;
    constexpr std::size_t kWindow = 32768;
    std::size_t bandRows = std::max<std::size_t>(1, (kBandBytes + rowBytes - 1) / rowBytes);
    std::size_t bandCount = (rows + bandRows - 1) / bandRows;
    std::vector<Bytes> pieces(bandCount);
    std::vector<uLong> adlers(bandCount);
    ParallelFor(bandCount, threads, [&](std::size_t k) {
        std::size_t start = k * bandRows * rowBytes;
        std::size_t end = std::min(rows, (k + 1) * bandRows) * rowBytes;
        z_stream stream{};
        deflateInit2(&stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        std::size_t history = std::min(start, kWindow);
        if (history)
            deflateSetDictionary(&stream, filtered.data() + start - history,
                                 static_cast<uInt>(history));
        Bytes& out = pieces[k];
        out.resize(deflateBound(&stream, end - start) + 16);
        stream.next_in = filtered.data() + start;
        stream.avail_in = static_cast<uInt>(end - start);
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        deflate(&stream, Z_SYNC_FLUSH);
        out.resize(out.size() - stream.avail_out);
        deflateEnd(&stream);
        adlers[k] = adler32_z(1, filtered.data() + start, end - start);
    });
    Bytes stream;
    CBandDeflater::AppendStart(stream);
    uLong adler = 1;
    for (std::size_t k = 0; k < bandCount; ++k) {
        stream.insert(stream.end(), pieces[k].begin(), pieces[k].end());
        std::size_t size = (std::min(rows, (k + 1) * bandRows) - k * bandRows) * rowBytes;
        adler = adler32_combine(adler, adlers[k], static_cast<z_off_t>(size));
    }
    CBandDeflater::AppendEnd(static_cast<std::uint32_t>(adler), stream);

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(rows));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    AppendChunk(png, "IHDR", header.data(), header.size());
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    for (std::size_t at = 0; at < stream.size(); at += kChunk)
        AppendChunk(png, "IDAT", stream.data() + at, std::min(kChunk, stream.size() - at));
    AppendChunk(png, "IEND", nullptr, 0);
    return png;
}

Bytes EncodeSpng(const CImage& image, int level) {
    Bytes rgb = Interleaved(image);
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(ctx, SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_SUB);
    spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, level);
    spng_ihdr ihdr{};
    ihdr.width = static_cast<std::uint32_t>(image.GetWidth());
    ihdr.height = static_cast<std::uint32_t>(image.GetHeight());
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    spng_set_ihdr(ctx, &ihdr);
    Bytes png;
    if (spng_encode_image(ctx, rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) == 0) {
        std::size_t size = 0;
        int error = 0;
        auto* buffer = static_cast<std::uint8_t*>(spng_get_png_buffer(ctx, &size, &error));
        if (buffer) {
            png.assign(buffer, buffer + size);
            std::free(buffer);
        }
    }
    spng_ctx_free(ctx);
    return png;
}

bool DecodesTo(const Bytes& png, const Bytes& rgb) {
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_buffer(ctx, png.data(), png.size());
    std::size_t size = 0;
    Bytes out;
    bool ok = spng_decoded_image_size(ctx, SPNG_FMT_RGB8, &size) == 0;
    if (ok) {
        out.resize(size);
        ok = spng_decode_image(ctx, out.data(), size, SPNG_FMT_RGB8, 0) == 0;
    }
    spng_ctx_free(ctx);
    return ok && out == rgb;
}

struct Way {
    const char* name;
    std::function<Bytes(const CImage&)> encode; // empty: Lumo's own, straight into the file
    std::vector<double> whole;
    std::vector<double> alone;
    std::size_t bytes = 0;
    bool decoded = true;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: lumo_png_encoders SCRIPT|- WIDTH HEIGHT THREADS ROUNDS\n");
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

    std::vector<Way> ways = {
        {"lumo (BandDeflater)", nullptr, {}, {}},
        {"zlib level 1, bands on the task pool",
         [threads](const CImage& i) { return EncodeZlibBands(i, 1, threads); },
         {},
         {}},
        {"zlib level 6, bands on the task pool",
         [threads](const CImage& i) { return EncodeZlibBands(i, 6, threads); },
         {},
         {}},
        {"libspng level 1, one thread", [](const CImage& i) { return EncodeSpng(i, 1); }, {}, {}},
        {"libspng level 6, one thread", [](const CImage& i) { return EncodeSpng(i, 6); }, {}, {}},
    };
    std::string path = "/tmp/lumo_png_encoders." + std::to_string(getpid()) + ".png";
    std::string error;
    // Encodes into the file and commits it; the size written.
    auto encodeToFile = [&](Way& way, const CImage& image) -> std::size_t {
        CAtomicFileWriter writer(path);
        std::size_t size = 0;
        if (!way.encode) {
            if (!CImageFile::EncodePng(image, writer, error, CImageFile::kWholeLimit, threads))
                std::exit(1);
        } else {
            Bytes png = way.encode(image);
            size = png.size();
            if (!writer.Write(png.data(), png.size()))
                std::exit(1);
        }
        if (!writer.Commit())
            std::exit(1);
        return size;
    };

    for (int round = 0; round < rounds; ++round) {
        CImage picture;
        for (Way& way : ways) {
            auto start = std::chrono::steady_clock::now();
            CLumoDoc document;
            if (!contents.empty() && document.ParseScript(contents.data(), contents.size()) != 0)
                return 1;
            RenderOptions options;
            options.width = width;
            options.height = height;
            options.threads = threads;
            RenderResult result = Render(CRenderScene::Take(document), options);
            if (result.status != RenderResult::finished)
                return 1;
            encodeToFile(way, result.picture);
            way.whole.push_back(Milliseconds(start));
            picture = std::move(result.picture);
        }
        Bytes rgb = Interleaved(picture);
        for (Way& way : ways) {
            for (int i = 0; i < 3; ++i) {
                auto start = std::chrono::steady_clock::now();
                encodeToFile(way, picture);
                way.alone.push_back(Milliseconds(start));
            }
            std::ifstream file(path, std::ios::binary);
            Bytes png((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            way.bytes = png.size();
            way.decoded = way.decoded && DecodesTo(png, rgb);
        }
    }
    unlink(path.c_str());

    double lumoWhole = Median(ways[0].whole);
    double lumoAlone = Median(ways[0].alone);
    double lumoBytes = static_cast<double>(ways[0].bytes);
    std::fprintf(stderr,
                 "| way | whole run, ms | ratio | encode and write, ms | ratio | bytes | ratio | "
                 "pixels |\n| --- | --- | --- | --- | --- | --- | --- | --- |\n");
    for (const Way& way : ways) {
        double whole = Median(way.whole);
        double alone = Median(way.alone);
        std::fprintf(stderr, "| %s | %.1f | %.3f | %.1f | %.2f | %zu | %.3f | %s |\n", way.name,
                     whole, whole / lumoWhole, alone, alone / lumoAlone, way.bytes,
                     static_cast<double>(way.bytes) / lumoBytes,
                     way.decoded ? "same" : "DIFFERENT");
    }
    return 0;
}
