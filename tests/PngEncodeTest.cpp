// The PNG encoder's deflate stream, made of bands deflated apart: decoded by zlib and libpng
// to the same bytes and pixels, and the same file for any number of threads.
#include "core/Image.h"
#include "render/BandDeflater.h"
#include "render/ImageFile.h"

#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t BigEndian(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
           at[3];
}

Bytes EncodeToBytes(const CImage& image, unsigned threads) {
    std::FILE* file = std::tmpfile();
    std::string error;
    EXPECT_TRUE(CImageFile::Encode(image, CImageFile::png, file, "memory", error, threads))
        << error;
    Bytes bytes(static_cast<std::size_t>(std::ftell(file)));
    std::rewind(file);
    EXPECT_EQ(bytes.size(), std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    return bytes;
}

// The zlib stream of the IDAT chunks, every chunk's CRC checked on the way.
Bytes ImageData(const Bytes& png) {
    Bytes data;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        std::size_t size = BigEndian(&png[at]);
        if (at + 12 + size > png.size()) {
            ADD_FAILURE() << "a chunk runs past the end";
            break;
        }
        const std::uint8_t* type = &png[at + 4];
        EXPECT_EQ(crc32(0, type, static_cast<uInt>(size + 4)), BigEndian(type + 4 + size))
            << std::string(type, type + 4) << " chunk";
        if (std::string(type, type + 4) == "IDAT")
            data.insert(data.end(), type + 4, type + 4 + size);
        at += 12 + size;
    }
    return data;
}

// zlib's inflate, which checks the Adler-32 too; empty when the stream is bad.
Bytes Inflate(const Bytes& stream, std::size_t size) {
    Bytes out(size + 1);
    uLongf length = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &length, stream.data(), static_cast<uLong>(stream.size())) != Z_OK)
        return {};
    out.resize(length);
    return out;
}

// The rows interleaved and filtered with Sub, as the encoder should deflate them.
Bytes SubFiltered(const CImage& image) {
    Bytes rows;
    for (int y = 0; y < image.GetHeight(); ++y) {
        rows.push_back(1);
        std::uint32_t left = 0;
        for (int x = 0; x < image.GetWidth(); ++x) {
            std::uint32_t pixel = image.GetPixel(x, y);
            for (int shift = 0; shift < 24; shift += 8)
                rows.push_back(static_cast<std::uint8_t>((pixel >> shift) - (left >> shift)));
            left = pixel;
        }
    }
    return rows;
}

Bytes Pixels(const CImage& image) {
    Bytes pixels;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            for (int shift = 0; shift < 24; shift += 8)
                pixels.push_back(static_cast<std::uint8_t>(image.GetPixel(x, y) >> shift));
    return pixels;
}

Bytes DecodeWithLibpng(const Bytes& file) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, file.data(), file.size()))
        return {};
    png.format = PNG_FORMAT_RGB;
    Bytes pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr))
        return {};
    return pixels;
}

using Painter = std::function<std::uint32_t(int x, int y)>;

void Paint(CImage& image, int width, int height, const Painter& colour) {
    ASSERT_TRUE(image.SetSize(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int c = static_cast<int>(colour(x, y));
            image.SetPixel(x, y, CColour(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        }
}

// Encodes on each number of threads: the same file every time, whose image data inflates to
// the filtered rows and which libpng decodes to the pixels. Returns the image data's size.
std::size_t ExpectRoundTrip(const CImage& image, std::initializer_list<unsigned> threads) {
    Bytes first;
    for (unsigned count : threads) {
        Bytes file = EncodeToBytes(image, count);
        if (first.empty())
            first = file;
        EXPECT_EQ(first, file) << count << " threads";
    }
    Bytes filtered = SubFiltered(image);
    Bytes stream = ImageData(first);
    EXPECT_EQ(filtered, Inflate(stream, filtered.size()));
    EXPECT_EQ(Pixels(image), DecodeWithLibpng(first));
    return stream.size();
}

std::uint32_t Noise(std::mt19937& random) {
    return static_cast<std::uint32_t>(random()) & 0xFFFFFF;
}

} // namespace

TEST(PngEncode, TinyAndOddSizesDecode) {
    std::mt19937 random(7);
    struct Size {
        int width;
        int height;
    };
    for (Size size : {Size{1, 1}, Size{1, 37}, Size{1000, 1}, Size{7, 13}, Size{333, 71}}) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        CImage image;
        Paint(image, size.width, size.height, [&](int x, int y) {
            return y % 3 == 0 ? Noise(random) : static_cast<std::uint32_t>(x / 3 + (y << 9));
        });
        ExpectRoundTrip(image, {1, 2});
    }
}

TEST(PngEncode, ManyBandsGiveTheSameFileOnAnyNumberOfThreads) {
    // Fourteen bands: shading, stripes, and patches of noise that do not compress.
    std::mt19937 random(11);
    CImage image;
    Paint(image, 1001, 1200, [&](int x, int y) -> std::uint32_t {
        if ((x / 64 + y / 64) % 5 == 0)
            return Noise(random);
        if (y % 200 < 40)
            return static_cast<std::uint32_t>((x / 16) % 2 ? 0xFF8040 : 0x2040FF);
        return static_cast<std::uint32_t>((x * 255 / 1001) | (y * 255 / 1200) << 8 | 0x400000);
    });
    ExpectRoundTrip(image, {1, 2, 3, 8});
}

TEST(PngEncode, FlatPictureTakesLongMatches) {
    // Sub leaves zeros after each row's first pixel: matches of 258 bytes, and each row's
    // start repeats one row back.
    CImage image;
    Paint(image, 2000, 300, [](int, int) { return 0x336699u; });
    std::size_t filtered = 300 * (3 * 2000 + 1);
    EXPECT_LT(ExpectRoundTrip(image, {1, 2}) * 100, filtered / 2); // below 1/200 of the data
}

TEST(PngEncode, NoiseIsStored) {
    std::mt19937 random(3);
    CImage image;
    Paint(image, 512, 512, [&](int, int) { return Noise(random); });
    std::size_t filtered = 512 * (3 * 512 + 1);
    std::size_t size = ExpectRoundTrip(image, {1, 3});
    EXPECT_GE(size, filtered);
    EXPECT_LE(size, filtered + filtered / 65535 * 5 + 64); // stored blocks' headers, and framing
}

TEST(PngEncode, MatchesReachExactly32KBack) {
    // Rows of 1024 bytes (341 pixels) of noise, 256 to a band, where 32 rows repeat the 32
    // before them: the only repeats lie exactly 32768 bytes back, the farthest deflate reaches,
    // once inside the first band and once from the second band into the first. Repeating 33
    // rows back puts them out of reach.
    for (int period : {32, 33}) {
        SCOPED_TRACE(period);
        std::mt19937 random(5);
        std::vector<std::uint32_t> noise(341 * 512);
        for (std::uint32_t& pixel : noise)
            pixel = Noise(random);
        auto source = [period](int y) {
            bool repeat = (y >= 100 && y < 100 + period) || (y >= 256 && y < 256 + period);
            return repeat ? y - period : y;
        };
        CImage image;
        Paint(image, 341, 512,
              [&](int x, int y) { return noise[static_cast<std::size_t>(source(y) * 341 + x)]; });
        std::size_t size = ExpectRoundTrip(image, {1, 2});
        std::size_t filtered = 512 * 1024;
        if (period == 32)
            EXPECT_LT(size, filtered - 60000);
        else
            EXPECT_GE(size, filtered);
    }
}

TEST(BandDeflater, PiecesMakeOneStream) {
    // Bands deflated apart, each by the deflater of another thread as it were, with the data
    // before them as history: only literals, a single distance, a band of nothing, more than
    // one block's symbols, and more than a stored block holds.
    std::mt19937 random(9);
    Bytes data;
    for (int i = 0; i < 256; ++i)
        data.push_back(static_cast<std::uint8_t>(i));
    std::vector<std::size_t> ends = {data.size()};
    for (int i = 0; i < 3000; ++i)
        data.push_back(static_cast<std::uint8_t>("abc"[i % 3]));
    ends.push_back(data.size());
    ends.push_back(data.size());
    for (int i = 0; i < 400000; ++i)
        data.push_back(static_cast<std::uint8_t>(random() % 4));
    ends.push_back(data.size());
    for (int i = 0; i < 200000; ++i)
        data.push_back(static_cast<std::uint8_t>(random()));
    ends.push_back(data.size());

    Bytes stream;
    CBandDeflater::AppendStart(stream);
    CBandDeflater reused(3, 100);
    std::size_t start = 0;
    for (std::size_t end : ends) {
        Bytes piece;
        ASSERT_TRUE(reused.Deflate(data.data() + start, end - start, start, piece));
        Bytes fresh;
        CBandDeflater(3, 100).Deflate(data.data() + start, end - start, start, fresh);
        EXPECT_EQ(fresh, piece) << "the band from " << start;
        stream.insert(stream.end(), piece.begin(), piece.end());
        start = end;
    }
    CBandDeflater::AppendEnd(
        static_cast<std::uint32_t>(adler32(1, data.data(), static_cast<uInt>(data.size()))),
        stream);
    EXPECT_EQ(data, Inflate(stream, data.size()));
}

TEST(BandDeflater, CodeLengthsAreOptimalAndLimited) {
    std::uint8_t lengths[30];
    const std::uint32_t small[5] = {1, 0, 1, 2, 4};
    CBandDeflater::CodeLengths(small, 5, 15, lengths);
    EXPECT_EQ((Bytes{3, 0, 3, 2, 1}), Bytes(lengths, lengths + 5));
    const std::uint32_t one[3] = {0, 9, 0};
    CBandDeflater::CodeLengths(one, 3, 15, lengths);
    EXPECT_EQ((Bytes{0, 1, 0}), Bytes(lengths, lengths + 3));

    // Fibonacci counts make a code as deep as it is wide: 29 bits for 30 symbols, unlimited.
    std::uint32_t counts[30];
    for (std::size_t i = 0; i < 30; ++i)
        counts[i] = i < 2 ? 1 : counts[i - 1] + counts[i - 2];
    for (auto [symbols, limit] :
         {std::pair{std::size_t{30}, 15u}, std::pair{std::size_t{19}, 7u}}) {
        SCOPED_TRACE(limit);
        CBandDeflater::CodeLengths(counts, symbols, limit, lengths);
        double kraft = 0;
        for (std::size_t i = 0; i < symbols; ++i) {
            EXPECT_GE(lengths[i], 1);
            EXPECT_LE(lengths[i], limit);
            if (i > 0) {
                EXPECT_LE(lengths[i], lengths[i - 1]) << "symbol " << i;
            }
            kraft += 1.0 / static_cast<double>(1u << lengths[i]);
        }
        EXPECT_EQ(1.0, kraft); // complete: no code left unused
    }
}
