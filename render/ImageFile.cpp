#include "render/ImageFile.h"

#include "core/FloatImage.h"
#include "core/Image.h"
#include "platform/AtomicFileWriter.h"
#include "render/BandDeflater.h"
#include "render/TaskPool.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfOutputFile.h>
#include <half.h>
#include <zlib.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Where encoded bytes go: an atomic file writer, or an open stream such as standard output.
using Sink = std::function<bool(const void*, std::size_t)>;

std::string LowerExtension(const std::string& path) {
    // From the last dot of the file's name on; a name that starts with its only dot (".png")
    // counts as an extension too.
    std::string name = std::filesystem::path(path).filename().string();
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return "";
    std::string extension = name.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// One row of the three planes interleaved as RGB.
void InterleaveRow(const CImage& image, int y, std::uint8_t* row) {
    std::size_t width = static_cast<std::size_t>(image.GetWidth());
    std::size_t offset = static_cast<std::size_t>(y) * width;
    const std::uint8_t* red = image.GetRedPlane() + offset;
    const std::uint8_t* green = image.GetGreenPlane() + offset;
    const std::uint8_t* blue = image.GetBluePlane() + offset;
    for (std::size_t x = 0; x < width; ++x) {
        row[3 * x] = red[x];
        row[3 * x + 1] = green[x];
        row[3 * x + 2] = blue[x];
    }
}

bool EncodePpm(const CImage& image, const Sink& writer, std::uint8_t* row) {
    std::string header = "P6\n" + std::to_string(image.GetWidth()) + " " +
                         std::to_string(image.GetHeight()) + "\n255\n";
    if (!writer(header.data(), header.size()))
        return false;
    std::size_t rowBytes = 3 * static_cast<std::size_t>(image.GetWidth());
    for (int y = 0; y < image.GetHeight(); ++y) {
        InterleaveRow(image, y, row);
        if (!writer(row, rowBytes))
            return false;
    }
    return true;
}

// PNG: the rows filtered with "Sub" (each byte less the same channel of the pixel to its
// left), which costs one subtraction a byte and suits the smooth shading of these pictures,
// then deflated in bands of rows, each on any thread, by CBandDeflater into one zlib stream.
// A 1080p picture of the default scene takes 8.5 ms on one thread and 4.5 ms on two, to a
// file of 179,271 bytes, 1.08 times libpng's defaults; libdeflate at level 2 took 18.6 ms over
// the whole picture for 197,612 bytes (1.19 times). libdeflate cannot end a block without
// ending the stream, so it cannot deflate bands apart; zlib can, but at its fastest level it
// takes 14 ms on one thread for files 1.6 times libpng's. With this encoder, Up, Paeth and
// libpng's choice of filter row by row gave files 20, 15 and 2 percent larger than Sub.
// Measured again against zlib in bands from a preset dictionary (the way pigz works in
// parallel) and libspng by bench/png/PngEncoders.cpp: at level 1 both made the 1080p run about
// a tenth longer and the file half as large again (docs/performance.md).
// A picture too large to hold filtered goes through zlib's stream, row by row, at level 2.
constexpr int kStreamedLevel = 2;

// Row y filtered from its pixel x0 on: from the row's start, the filter type included, for 0.
void FilterRowSub(const CImage& image, int y, std::size_t x0, std::uint8_t* out) {
    std::size_t width = static_cast<std::size_t>(image.GetWidth());
    std::size_t offset = static_cast<std::size_t>(y) * width;
    const std::uint8_t* red = image.GetRedPlane() + offset;
    const std::uint8_t* green = image.GetGreenPlane() + offset;
    const std::uint8_t* blue = image.GetBluePlane() + offset;
    std::size_t x = x0;
    if (x0 == 0) {
        *out++ = 1; // the filter type "Sub"
        out[0] = red[0];
        out[1] = green[0];
        out[2] = blue[0];
        x = 1;
    }
    // Pixel x goes to out + 3 * (x - x0).
#if defined(__SSE2__)
    // Sixteen pixels at a time: the differences of each plane, interleaved by unpacking into
    // four-byte pixels, two of which a 64-bit lane squeezes into six bytes. Each lane goes out
    // as eight bytes, two too many, which the next pixels overwrite: the loop leaves at least
    // one pixel for the rest.
    const __m128i zero = _mm_setzero_si128();
    const __m128i first = _mm_set1_epi64x(0xFFFFFF);
    const __m128i second = _mm_set1_epi64x(0xFFFFFF000000);
    auto difference = [](const std::uint8_t* plane, std::size_t at) {
        return _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(plane + at)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(plane + at - 1)));
    };
    for (; x + 16 < width; x += 16) {
        __m128i r = difference(red, x);
        __m128i g = difference(green, x);
        __m128i b = difference(blue, x);
        __m128i halves[2][2] = {{_mm_unpacklo_epi8(r, g), _mm_unpacklo_epi8(b, zero)},
                                {_mm_unpackhi_epi8(r, g), _mm_unpackhi_epi8(b, zero)}};
        std::uint8_t* to = out + 3 * (x - x0);
        for (auto& half : halves) {
            for (__m128i pixels :
                 {_mm_unpacklo_epi16(half[0], half[1]), _mm_unpackhi_epi16(half[0], half[1])}) {
                __m128i packed = _mm_or_si128(_mm_and_si128(pixels, first),
                                              _mm_and_si128(_mm_srli_epi64(pixels, 8), second));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(to), packed);
                _mm_storel_epi64(reinterpret_cast<__m128i*>(to + 6),
                                 _mm_unpackhi_epi64(packed, packed));
                to += 12;
            }
        }
    }
#endif
    for (std::uint8_t* to = out + 3 * (x - x0); x < width; ++x, to += 3) {
        to[0] = static_cast<std::uint8_t>(red[x] - red[x - 1]);
        to[1] = static_cast<std::uint8_t>(green[x] - green[x - 1]);
        to[2] = static_cast<std::uint8_t>(blue[x] - blue[x - 1]);
    }
}

// Row y of the 16-bit picture made from the levels, filtered with "Sub" over its six-byte
// pixels (each byte less the same byte of the pixel to its left) from its pixel x0 on, as
// FilterRowSub does for the 8-bit one.
void FilterRowSub16(const CFloatImage& levels, int y, std::size_t x0, std::uint8_t* out) {
    std::size_t width = static_cast<std::size_t>(levels.GetWidth());
    const float* row = levels.GetRow(y);
    if (x0 == 0)
        *out++ = 1; // the filter type "Sub"
    // The samples of the pixel to the left; none (0) before the row's first.
    std::uint16_t left[3] = {0, 0, 0};
    if (x0 > 0)
        for (std::size_t c = 0; c < 3; ++c)
            left[c] = CImageFile::LevelTo16Bits(row[3 * (x0 - 1) + c]);
    for (std::size_t x = x0; x < width; ++x) {
        for (std::size_t c = 0; c < 3; ++c) {
            std::uint16_t sample = CImageFile::LevelTo16Bits(row[3 * x + c]);
            *out++ = static_cast<std::uint8_t>((sample >> 8) - (left[c] >> 8));
            *out++ = static_cast<std::uint8_t>((sample & 0xFF) - (left[c] & 0xFF));
            left[c] = sample;
        }
    }
}

// What a PNG encoder needs of a picture: its size, its channels' depth and its rows filtered.
struct PngRows {
    int width = 0;
    int height = 0;
    int bitDepth = 8;
    std::size_t pixelBytes = 3;
    // Row y filtered from its pixel x0 on: from the row's start, the filter type included, for 0.
    std::function<void(int y, std::size_t x0, std::uint8_t* out)> filter;

    std::size_t RowBytes() const { return pixelBytes * static_cast<std::size_t>(width) + 1; }
};

PngRows RowsOf(const CImage& image) {
    return PngRows{
        image.GetWidth(), image.GetHeight(), 8, 3,
        [&image](int y, std::size_t x0, std::uint8_t* out) { FilterRowSub(image, y, x0, out); }};
}

PngRows RowsOf(const CFloatImage& levels) {
    return PngRows{levels.GetWidth(), levels.GetHeight(), 16, 6,
                   [&levels](int y, std::size_t x0, std::uint8_t* out) {
                       FilterRowSub16(levels, y, x0, out);
                   }};
}

void PutBigEndian(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value >> 24);
    out[1] = static_cast<std::uint8_t>(value >> 16);
    out[2] = static_cast<std::uint8_t>(value >> 8);
    out[3] = static_cast<std::uint8_t>(value);
}

// One chunk: length, type, data, and the CRC of type and data.
bool WriteChunk(const Sink& writer, const char* type, const std::uint8_t* data, std::size_t size) {
    std::uint8_t head[8];
    PutBigEndian(head, static_cast<std::uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    if (size != 0) // zlib answers a null buffer with a fresh CRC's 0, not crc
        crc = crc32_z(crc, data, size);
    std::uint8_t tail[4];
    PutBigEndian(tail, static_cast<std::uint32_t>(crc));
    return writer(head, 8) && (size == 0 || writer(data, size)) && writer(tail, 4);
}

bool WriteHeader(const PngRows& rows, const Sink& writer) {
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::uint8_t header[13];
    PutBigEndian(header, static_cast<std::uint32_t>(rows.width));
    PutBigEndian(header + 4, static_cast<std::uint32_t>(rows.height));
    header[8] = static_cast<std::uint8_t>(rows.bitDepth); // bits per channel
    header[9] = 2;                                        // RGB
    header[10] = 0;                                       // deflate
    header[11] = 0; // adaptive filtering, one filter type per row
    header[12] = 0; // not interlaced
    return writer(signature, 8) && WriteChunk(writer, "IHDR", header, sizeof header);
}

// The image data in chunks of at most this many bytes, as they fill.
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

bool WriteData(const Sink& writer, const std::uint8_t* data, std::size_t size) {
    for (std::size_t done = 0; done < size; done += kChunkBytes)
        if (!WriteChunk(writer, "IDAT", data + done, std::min(kChunkBytes, size - done)))
            return false;
    return true;
}

// Image data written in chunks of kChunkBytes as the pieces of the stream come.
class DataChunks {
public:
    explicit DataChunks(const Sink& writer) : m_writer(writer) {}

    bool Add(const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            std::size_t part = std::min(size, kChunkBytes - m_pending.size());
            m_pending.insert(m_pending.end(), data, data + part);
            data += part;
            size -= part;
            if (m_pending.size() == kChunkBytes && !Flush())
                return false;
        }
        return true;
    }
    bool Flush() {
        bool ok =
            m_pending.empty() || WriteChunk(m_writer, "IDAT", m_pending.data(), m_pending.size());
        m_pending.clear();
        return ok;
    }

private:
    const Sink& m_writer;
    std::vector<std::uint8_t> m_pending;
};

// The filtered rows go in bands of at least this many bytes, each deflated on its own (on any
// thread) into a piece of one stream. The bands depend on the picture alone, so the file is
// the same for any number of threads.
constexpr std::size_t kBandBytes = std::size_t{256} << 10;
// How far back a band's matches reach: deflate's window.
constexpr std::size_t kHistoryBytes = 32768;

struct DeflatedBand {
    std::vector<std::uint8_t> bytes;
    std::uint32_t adler32 = 1;
    std::size_t size = 0; // filtered bytes
};

// Writing failures leave error empty: the caller knows where the bytes went and says why.
bool EncodePngWhole(const PngRows& picture, const Sink& writer, std::string& error,
                    unsigned threads) {
    std::size_t pixelBytes = picture.pixelBytes;
    std::size_t rowBytes = picture.RowBytes();
    std::size_t rows = static_cast<std::size_t>(picture.height);
    std::size_t bandRows = std::max<std::size_t>(1, (kBandBytes + rowBytes - 1) / rowBytes);
    std::size_t bandCount = (rows + bandRows - 1) / bandRows;
    std::vector<DeflatedBand> bands;
    try {
        bands.resize(bandCount);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }

    std::atomic<std::size_t> nextBand{0};
    std::atomic<bool> failed{false};
    auto work = [&]() {
        try {
            CBandDeflater deflater(pixelBytes, rowBytes);
            std::vector<std::uint8_t> window;
            for (std::size_t k; !failed && (k = nextBand++) < bandCount;) {
                // The band's rows, after the rows before it as far back as deflate reaches
                // (from the pixel of the farthest byte on).
                std::size_t first = k * bandRows;
                std::size_t end = std::min(rows, first + bandRows);
                std::size_t start = first * rowBytes;
                std::size_t reach = start - std::min(start, kHistoryBytes);
                std::size_t fromRow = reach / rowBytes;
                std::size_t fromPixel =
                    reach % rowBytes == 0 ? 0 : (reach % rowBytes - 1) / pixelBytes;
                std::size_t skipped = fromPixel == 0 ? 0 : 1 + pixelBytes * fromPixel;
                window.resize((end - fromRow) * rowBytes - skipped);
                std::uint8_t* to = window.data();
                for (std::size_t y = fromRow; y < end; ++y) {
                    picture.filter(static_cast<int>(y), y == fromRow ? fromPixel : 0, to);
                    to += y == fromRow ? rowBytes - skipped : rowBytes;
                }
                std::size_t history = start - fromRow * rowBytes - skipped;
                DeflatedBand& band = bands[k];
                band.size = (end - first) * rowBytes;
                band.adler32 =
                    static_cast<std::uint32_t>(adler32_z(1, window.data() + history, band.size));
                if (!deflater.Deflate(window.data() + history, band.size, history, band.bytes))
                    failed = true;
            }
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    };
    // The calling thread deflates bands too; a helper that cannot start leaves its share to the
    // others.
    CTaskGroup helpers;
    std::size_t helpersWanted = std::min<std::size_t>(std::max(threads, 1u), bandCount) - 1;
    for (std::size_t i = 0; i < helpersWanted; ++i)
        if (!helpers.Start(work))
            break;
    work();
    helpers.Wait();
    if (failed) {
        error = "out of memory";
        return false;
    }

    if (!WriteHeader(picture, writer))
        return false;
    try {
        DataChunks chunks(writer);
        std::vector<std::uint8_t> start;
        CBandDeflater::AppendStart(start);
        if (!chunks.Add(start.data(), start.size()))
            return false;
        std::uint32_t adler32 = 1;
        for (DeflatedBand& band : bands) {
            if (!chunks.Add(band.bytes.data(), band.bytes.size()))
                return false;
            adler32 = static_cast<std::uint32_t>(
                adler32_combine(adler32, band.adler32, static_cast<z_off_t>(band.size)));
            std::vector<std::uint8_t>().swap(band.bytes);
        }
        std::vector<std::uint8_t> end;
        CBandDeflater::AppendEnd(adler32, end);
        if (!chunks.Add(end.data(), end.size()) || !chunks.Flush())
            return false;
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    return WriteChunk(writer, "IEND", nullptr, 0);
}

bool EncodePngStreamed(const PngRows& picture, const Sink& writer, std::string& error) {
    std::size_t rowBytes = picture.RowBytes();
    std::vector<std::uint8_t> row(rowBytes);
    std::vector<std::uint8_t> out(kChunkBytes);
    z_stream stream{};
    if (deflateInit(&stream, kStreamedLevel) != Z_OK) {
        error = "out of memory";
        return false;
    }
    bool ok = WriteHeader(picture, writer);
    bool compressorFailed = false;
    for (int y = 0; ok && y <= picture.height; ++y) {
        bool last = y == picture.height;
        if (!last)
            picture.filter(y, 0, row.data());
        stream.next_in = row.data();
        stream.avail_in = last ? 0 : static_cast<uInt>(rowBytes);
        int result = Z_OK;
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            result = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            std::size_t produced = out.size() - stream.avail_out;
            if (result == Z_STREAM_ERROR)
                compressorFailed = true;
            if (compressorFailed || (produced != 0 && !WriteData(writer, out.data(), produced)))
                ok = false;
        } while (ok && (stream.avail_in != 0 || (last && result != Z_STREAM_END)));
    }
    deflateEnd(&stream);
    if (!ok || !WriteChunk(writer, "IEND", nullptr, 0)) {
        if (compressorFailed)
            error = "the compressor failed";
        return false;
    }
    return true;
}

// The rows deflated at once when they take at most wholeLimit bytes, else streamed.
bool EncodePngRows(const PngRows& rows, const Sink& sink, std::size_t wholeLimit, unsigned threads,
                   std::string& error) {
    if (rows.RowBytes() * static_cast<std::size_t>(rows.height) <= wholeLimit)
        return EncodePngWhole(rows, sink, error, threads);
    return EncodePngStreamed(rows, sink, error);
}

// Encodes into the sink; a failure of the sink itself leaves error empty for the caller.
bool EncodeInto(const CImage& image, CImageFile::Format format, const Sink& sink,
                std::size_t wholeLimit, unsigned threads, std::string& error) {
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(image.GetWidth()));
    switch (format) {
    case CImageFile::ppm:
        return EncodePpm(image, sink, row.data());
    case CImageFile::png:
        return EncodePngRows(RowsOf(image), sink, wholeLimit, threads, error);
    case CImageFile::png16:
    case CImageFile::exr:
        error = "a 16-bit PNG or an OpenEXR picture is made from the levels before they were "
                "quantised, and this picture keeps only its 8-bit colours";
        return false;
    case CImageFile::unknown:
        break;
    }
    error = "not a .png, .ppm or .exr file name";
    return false;
}

// An OpenEXR file's bytes into the atomic writer's temporary file, which it seeks in to fill in
// the table of its blocks at the end. A failed write or seek throws, as OpenEXR's own streams
// do, and is remembered: OpenEXR writes the table from its file's destructor, where it swallows
// what is thrown (and where tellp must not throw at all).
class CWriterStream : public Imf::OStream {
public:
    explicit CWriterStream(CAtomicFileWriter& writer)
        : Imf::OStream(writer.GetTargetPath().c_str()), m_writer(writer) {}

    void write(const char c[], int n) override {
        if (n < 0 || !m_writer.Write(c, static_cast<std::size_t>(n))) {
            m_writeFailed = true;
            throw std::runtime_error("the file could not be written");
        }
    }
    std::uint64_t tellp() override {
        std::FILE* file = m_writer.GetFile();
        off_t at = file ? ftello(file) : -1;
        if (at < 0) {
            Remember();
            return 0;
        }
        return static_cast<std::uint64_t>(at);
    }
    void seekp(std::uint64_t position) override {
        std::FILE* file = m_writer.GetFile();
        if (!file || fseeko(file, static_cast<off_t>(position), SEEK_SET) != 0) {
            Remember();
            throw std::runtime_error("the file could not be sought in");
        }
    }

    bool Failed() const { return m_writeFailed || m_errno != 0; }

    int m_errno = 0; // of a failed seek or position
    bool m_writeFailed = false;

private:
    void Remember() {
        // A file already closed by a failed write has said why through the writer.
        if (m_writer.GetFile())
            m_errno = errno ? errno : EIO;
        else
            m_writeFailed = true;
    }

    CAtomicFileWriter& m_writer;
};

// Rows converted to halves and handed to OpenEXR at a time: a multiple of the 16 rows that a
// ZIP block holds.
constexpr int kExrStripRows = 64;

// Writing failures leave error empty when the writer knows why.
bool EncodeExr(const CFloatImage& levels, CWriterStream& stream, std::string& error) {
    int width = levels.GetWidth();
    int height = levels.GetHeight();
    try {
        Imf::Header header(width, height);
        header.compression() = Imf::ZIP_COMPRESSION;
        for (const char* channel : {"R", "G", "B"})
            header.channels().insert(channel, Imf::Channel(Imf::HALF));
        Imf::OutputFile file(stream, header, 0);

        std::size_t rowHalves = 3 * static_cast<std::size_t>(width);
        std::vector<std::uint16_t> strip(rowHalves * kExrStripRows);
        for (int top = 0; top < height; top += kExrStripRows) {
            int rows = std::min(kExrStripRows, height - top);
            for (int y = 0; y < rows; ++y) {
                const float* from = levels.GetRow(top + y);
                std::uint16_t* to = strip.data() + rowHalves * static_cast<std::size_t>(y);
                for (std::size_t i = 0; i < rowHalves; ++i)
                    to[i] = CImageFile::LevelToHalf(from[i]);
            }
            // OpenEXR finds row y at base + y × the row's bytes: the base lies `top` rows before
            // the strip (an address only, never read; made as a number, since the pointer would
            // point outside its array).
            std::uintptr_t base = reinterpret_cast<std::uintptr_t>(strip.data()) -
                                  static_cast<std::uintptr_t>(top) * rowHalves * 2;
            Imf::FrameBuffer frame;
            std::size_t offset = 0;
            for (const char* channel : {"R", "G", "B"}) {
                frame.insert(channel, Imf::Slice(Imf::HALF, reinterpret_cast<char*>(base + offset),
                                                 3 * 2, rowHalves * 2));
                offset += 2;
            }
            file.setFrameBuffer(frame);
            file.writePixels(rows);
        }
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    } catch (const std::exception& failure) {
        // A write that failed is the writer's to say; a seek's errno, or OpenEXR's reason.
        if (stream.m_errno != 0)
            error = std::strerror(stream.m_errno);
        else if (!stream.m_writeFailed)
            error = failure.what();
        return false;
    }
    // The table of blocks went out as the file closed, where a failure is not thrown.
    if (stream.Failed()) {
        if (stream.m_errno != 0)
            error = std::strerror(stream.m_errno);
        return false;
    }
    return true;
}

bool IsEmpty(const CImage& image) {
    return !image.HasPlanes() || image.GetWidth() <= 0 || image.GetHeight() <= 0;
}

bool IsEmpty(const CFloatImage& levels) {
    return !levels.HasPixels() || levels.GetWidth() <= 0 || levels.GetHeight() <= 0;
}

// The levels' formats into a sink; a failure of the sink itself leaves error empty.
bool EncodeLevelsInto(const CFloatImage& levels, CImageFile::Format format, const Sink& sink,
                      unsigned threads, std::string& error) {
    if (format == CImageFile::png16)
        return EncodePngRows(RowsOf(levels), sink, CImageFile::kWholeLimit, threads, error);
    error = format == CImageFile::exr ? "an OpenEXR picture cannot go to a stream: give a file name"
                                      : "not a 16-bit PNG or an OpenEXR picture";
    return false;
}

// Standard output or another stream: the encoder's bytes written as they come. A failed write
// is said with the system's reason.
template <typename Encode>
bool EncodeToStream(std::FILE* file, const std::string& name, bool empty, std::string& error,
                    Encode encode) {
    if (empty) {
        error = "cannot write " + name + ": the picture is empty";
        return false;
    }
    std::string reason;
    errno = 0;
    Sink sink = [&](const void* data, std::size_t size) {
        return std::fwrite(data, 1, size, file) == size;
    };
    if (!encode(sink, reason)) {
        error = "cannot write " + name + ": " +
                (reason.empty() ? std::strerror(errno ? errno : EIO) : reason);
        return false;
    }
    return true;
}

// The whole file through the atomic writer: the old file stays unless the new one is complete.
template <typename Encode>
bool WriteWhole(const std::string& path, std::string& error, Encode encode) {
    CAtomicFileWriter writer(path);
    if (!writer.IsOk()) {
        error = writer.GetError();
        return false;
    }
    if (!encode(writer))
        return false;
    if (!writer.Commit()) {
        error = writer.GetError();
        return false;
    }
    return true;
}

} // namespace

std::uint16_t CImageFile::LevelTo16Bits(float level) {
    // As a byte is made (CColour::LevelToByte): clamped, then truncated. The product is exact
    // in double precision, so the value divided by 257 is the byte, for every level.
    return static_cast<std::uint16_t>(static_cast<double>(CColour::ClampLevel(level)) * 65535.0);
}

std::uint16_t CImageFile::LevelToHalf(float level) {
    if (std::isnan(level))
        level = 0.0f;
    constexpr float kLargestHalf = 65504.0f;
    level = std::clamp(level, -kLargestHalf, kLargestHalf);
    return Imath::half(level).bits();
}

CImageFile::Format CImageFile::FormatOf(const std::string& path) {
    std::string extension = LowerExtension(path);
    if (extension == ".png")
        return png;
    if (extension == ".ppm")
        return ppm;
    if (extension == ".exr")
        return exr;
    return unknown;
}

const std::vector<CImageFile::FormatInfo>& CImageFile::Formats() {
    static const std::vector<FormatInfo> formats = {
        {png, "PNG", ".png", "png"},
        {png16, "16-bit PNG", ".png", "png16"},
        {exr, "OpenEXR", ".exr", "exr"},
        {ppm, "PPM (binary)", ".ppm", "ppm"},
    };
    return formats;
}

unsigned CImageFile::MachineThreads() {
    return std::max(1u, std::thread::hardware_concurrency());
}

bool CImageFile::Encode(const CImage& image, Format format, CAtomicFileWriter& writer,
                        std::string& error, unsigned threads) {
    if (!writer.IsOk()) {
        error = writer.GetError();
        return false;
    }
    const std::string name = "'" + writer.GetTargetPath() + "'";
    if (IsEmpty(image)) {
        error = "cannot write " + name + ": the picture is empty";
        return false;
    }
    std::string reason;
    Sink sink = [&](const void* data, std::size_t size) { return writer.Write(data, size); };
    if (!EncodeInto(image, format, sink, kWholeLimit, threads, reason)) {
        error = reason.empty() ? writer.GetError() : "cannot write " + name + ": " + reason;
        return false;
    }
    return true;
}

bool CImageFile::Encode(const CImage& image, Format format, std::FILE* file,
                        const std::string& name, std::string& error, unsigned threads) {
    return EncodeToStream(file, name, IsEmpty(image), error,
                          [&](const Sink& sink, std::string& reason) {
                              return EncodeInto(image, format, sink, kWholeLimit, threads, reason);
                          });
}

bool CImageFile::EncodePng(const CImage& image, CAtomicFileWriter& writer, std::string& error,
                           std::size_t wholeLimit, unsigned threads) {
    std::string reason;
    Sink sink = [&](const void* data, std::size_t size) { return writer.Write(data, size); };
    if (!EncodeInto(image, png, sink, wholeLimit, threads, reason)) {
        error = reason.empty() ? writer.GetError() : reason;
        return false;
    }
    return true;
}

bool CImageFile::EncodePng(const CFloatImage& levels, CAtomicFileWriter& writer, std::string& error,
                           std::size_t wholeLimit, unsigned threads) {
    std::string reason;
    Sink sink = [&](const void* data, std::size_t size) { return writer.Write(data, size); };
    if (!EncodePngRows(RowsOf(levels), sink, wholeLimit, threads, reason)) {
        error = reason.empty() ? writer.GetError() : reason;
        return false;
    }
    return true;
}

bool CImageFile::Write(const CImage& image, const std::string& path, std::string& error,
                       unsigned threads) {
    Format format = FormatOf(path);
    if (format == unknown) {
        error = "cannot tell the image format of '" + path + "': name it .png, .ppm or .exr";
        return false;
    }
    return WriteWhole(path, error, [&](CAtomicFileWriter& writer) {
        return Encode(image, format, writer, error, threads);
    });
}

bool CImageFile::Encode(const CFloatImage& levels, Format format, CAtomicFileWriter& writer,
                        std::string& error, unsigned threads) {
    if (!writer.IsOk()) {
        error = writer.GetError();
        return false;
    }
    const std::string name = "'" + writer.GetTargetPath() + "'";
    if (IsEmpty(levels)) {
        error = "cannot write " + name + ": the picture is empty";
        return false;
    }
    std::string reason;
    bool ok = false;
    if (format == exr) {
        CWriterStream stream(writer);
        ok = EncodeExr(levels, stream, reason);
    } else {
        Sink sink = [&](const void* data, std::size_t size) { return writer.Write(data, size); };
        ok = EncodeLevelsInto(levels, format, sink, threads, reason);
    }
    if (!ok) {
        if (reason.empty() && !writer.IsOk())
            error = writer.GetError();
        else
            error =
                "cannot write " + name + ": " + (reason.empty() ? "the encoder failed" : reason);
        return false;
    }
    return true;
}

bool CImageFile::Encode(const CFloatImage& levels, Format format, std::FILE* file,
                        const std::string& name, std::string& error, unsigned threads) {
    return EncodeToStream(file, name, IsEmpty(levels), error,
                          [&](const Sink& sink, std::string& reason) {
                              return EncodeLevelsInto(levels, format, sink, threads, reason);
                          });
}

bool CImageFile::Write(const CFloatImage& levels, Format format, const std::string& path,
                       std::string& error, unsigned threads) {
    return WriteWhole(path, error, [&](CAtomicFileWriter& writer) {
        return Encode(levels, format, writer, error, threads);
    });
}
