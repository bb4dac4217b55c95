#include "render/ImageFile.h"

#include "core/Image.h"
#include "platform/AtomicFileWriter.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
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
// then deflated. libdeflate at level 2 deflates a whole 1080p picture in about a third of the
// time zlib's fastest level takes, to a file a fifth larger than libpng's defaults (zlib
// level 1 gives files 1.6 times larger, level 6 takes five times as long). libdeflate needs
// the whole stream at once; a picture too large for that goes through zlib's stream, row by
// row, at level 2.
constexpr int kDeflateLevel = 2;

void FilterRowSub(const CImage& image, int y, std::uint8_t* out) {
    out[0] = 1; // the filter type "Sub"
    InterleaveRow(image, y, out + 1);
    std::size_t bytes = 3 * static_cast<std::size_t>(image.GetWidth());
    for (std::size_t i = bytes; i > 3; --i)
        out[i] = static_cast<std::uint8_t>(out[i] - out[i - 3]);
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
    std::uint32_t crc = libdeflate_crc32(0, head + 4, 4);
    if (size != 0) // libdeflate answers a null buffer with a fresh CRC's 0, not crc
        crc = libdeflate_crc32(crc, data, size);
    std::uint8_t tail[4];
    PutBigEndian(tail, crc);
    return writer(head, 8) && (size == 0 || writer(data, size)) && writer(tail, 4);
}

bool WriteHeader(const CImage& image, const Sink& writer) {
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::uint8_t header[13];
    PutBigEndian(header, static_cast<std::uint32_t>(image.GetWidth()));
    PutBigEndian(header + 4, static_cast<std::uint32_t>(image.GetHeight()));
    header[8] = 8;  // bits per channel
    header[9] = 2;  // RGB
    header[10] = 0; // deflate
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

// Writing failures leave error empty: the caller knows where the bytes went and says why.
bool EncodePngWhole(const CImage& image, const Sink& writer, std::string& error) {
    std::size_t rowBytes = 3 * static_cast<std::size_t>(image.GetWidth()) + 1;
    std::size_t rows = static_cast<std::size_t>(image.GetHeight());
    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(kDeflateLevel), libdeflate_free_compressor);
    std::unique_ptr<std::uint8_t[]> filtered(new (std::nothrow) std::uint8_t[rowBytes * rows]);
    if (!compressor || !filtered) {
        error = "out of memory";
        return false;
    }
    for (std::size_t y = 0; y < rows; ++y)
        FilterRowSub(image, static_cast<int>(y), filtered.get() + y * rowBytes);
    std::size_t bound = libdeflate_zlib_compress_bound(compressor.get(), rowBytes * rows);
    std::unique_ptr<std::uint8_t[]> deflated(new (std::nothrow) std::uint8_t[bound]);
    if (!deflated) {
        error = "out of memory";
        return false;
    }
    std::size_t size = libdeflate_zlib_compress(compressor.get(), filtered.get(), rowBytes * rows,
                                                deflated.get(), bound);
    if (size == 0) {
        error = "the compressor failed";
        return false;
    }
    if (!WriteHeader(image, writer) || !WriteData(writer, deflated.get(), size) ||
        !WriteChunk(writer, "IEND", nullptr, 0))
        return false;
    return true;
}

bool EncodePngStreamed(const CImage& image, const Sink& writer, std::string& error) {
    std::size_t rowBytes = 3 * static_cast<std::size_t>(image.GetWidth()) + 1;
    std::vector<std::uint8_t> row(rowBytes);
    std::vector<std::uint8_t> out(kChunkBytes);
    z_stream stream{};
    if (deflateInit(&stream, kDeflateLevel) != Z_OK) {
        error = "out of memory";
        return false;
    }
    bool ok = WriteHeader(image, writer);
    bool compressorFailed = false;
    for (int y = 0; ok && y <= image.GetHeight(); ++y) {
        bool last = y == image.GetHeight();
        if (!last)
            FilterRowSub(image, y, row.data());
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

// Encodes into the sink; a failure of the sink itself leaves error empty for the caller.
bool EncodeInto(const CImage& image, CImageFile::Format format, const Sink& sink,
                std::size_t wholeLimit, std::string& error) {
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(image.GetWidth()));
    switch (format) {
    case CImageFile::ppm:
        return EncodePpm(image, sink, row.data());
    case CImageFile::png: {
        std::size_t rowBytes = 3 * static_cast<std::size_t>(image.GetWidth()) + 1;
        if (rowBytes * static_cast<std::size_t>(image.GetHeight()) <= wholeLimit)
            return EncodePngWhole(image, sink, error);
        return EncodePngStreamed(image, sink, error);
    }
    case CImageFile::unknown:
        break;
    }
    error = "not a .png or .ppm file name";
    return false;
}

bool IsEmpty(const CImage& image) {
    return !image.HasPlanes() || image.GetWidth() <= 0 || image.GetHeight() <= 0;
}

} // namespace

CImageFile::Format CImageFile::FormatOf(const std::string& path) {
    std::string extension = LowerExtension(path);
    if (extension == ".png")
        return png;
    if (extension == ".ppm")
        return ppm;
    return unknown;
}

bool CImageFile::Encode(const CImage& image, Format format, CAtomicFileWriter& writer,
                        std::string& error) {
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
    if (!EncodeInto(image, format, sink, kWholeLimit, reason)) {
        error = reason.empty() ? writer.GetError() : "cannot write " + name + ": " + reason;
        return false;
    }
    return true;
}

bool CImageFile::Encode(const CImage& image, Format format, std::FILE* file,
                        const std::string& name, std::string& error) {
    if (IsEmpty(image)) {
        error = "cannot write " + name + ": the picture is empty";
        return false;
    }
    std::string reason;
    errno = 0;
    Sink sink = [&](const void* data, std::size_t size) {
        return std::fwrite(data, 1, size, file) == size;
    };
    if (!EncodeInto(image, format, sink, kWholeLimit, reason)) {
        error = "cannot write " + name + ": " +
                (reason.empty() ? std::strerror(errno ? errno : EIO) : reason);
        return false;
    }
    return true;
}

bool CImageFile::EncodePng(const CImage& image, CAtomicFileWriter& writer, std::string& error,
                           std::size_t wholeLimit) {
    std::string reason;
    Sink sink = [&](const void* data, std::size_t size) { return writer.Write(data, size); };
    if (!EncodeInto(image, png, sink, wholeLimit, reason)) {
        error = reason.empty() ? writer.GetError() : reason;
        return false;
    }
    return true;
}

bool CImageFile::Write(const CImage& image, const std::string& path, std::string& error) {
    Format format = FormatOf(path);
    if (format == unknown) {
        error = "cannot tell the image format of '" + path + "': name it .png or .ppm";
        return false;
    }
    CAtomicFileWriter writer(path);
    if (!writer.IsOk()) {
        error = writer.GetError();
        return false;
    }
    if (!Encode(image, format, writer, error))
        return false;
    if (!writer.Commit()) {
        error = writer.GetError();
        return false;
    }
    return true;
}
