// The deflate encoder for bands: pieces deflated apart that inflate as one stream, and its
// Huffman code lengths.
#include "render/BandDeflater.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// zlib's inflate, which checks the Adler-32 too; empty when the stream is bad.
Bytes Inflate(const Bytes& stream, std::size_t size) {
    Bytes out(size + 1);
    uLongf length = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &length, stream.data(), static_cast<uLong>(stream.size())) != Z_OK)
        return {};
    out.resize(length);
    return out;
}

} // namespace

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
