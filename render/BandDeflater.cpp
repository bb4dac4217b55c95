#include "render/BandDeflater.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kWindow = 32768;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
constexpr unsigned kHashBits = 15;
constexpr std::size_t kTableSize = std::size_t{1} << kHashBits;
// Earlier places of the same four bytes tried at each position, and the positions inside a
// match that join the table. The default scene at 1080p, on one thread: 4, 8 and 16 places
// give 187, 179 and 170 KB in 7.2, 8.6 and 10.7 ms; 8 or 32 positions instead of 16 give
// 184 KB in 8.2 ms or 177 KB in 9.1 ms.
constexpr unsigned kChainDepth = 8;
constexpr std::size_t kInsertedInMatch = 16;
// Literals and matches per block: a block's codes fit its own stretch of the band.
constexpr std::size_t kBlockSymbols = std::size_t{1} << 16;
// Positions are kept in 32 bits: a longer band is deflated in pieces of this many bytes.
constexpr std::size_t kPieceBytes = std::size_t{1} << 30;
constexpr std::size_t kStoredBytes = 65535;
constexpr std::uint32_t kNoPosition = 0xFFFFFFFF;
static_assert(kNoPosition == ~std::uint32_t{0}, "the table is reset byte by byte");

constexpr unsigned kLitLenSymbols = 286; // literals, the end of the block, 29 length codes
constexpr unsigned kDistSymbols = 30;
constexpr unsigned kLengthCodeSymbols = 19;
constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kMaxCodeLength = 15;
constexpr unsigned kMaxLengthCodeLength = 7;

// A symbol of the block: a literal byte, or a match (the flag, length - 3 in bits 0-7,
// distance - 1 in bits 8-22).
constexpr std::uint32_t kMatchFlag = 0x80000000;

constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint8_t, 30> kDistExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                     4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                     9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The code-length code's lengths go out in this order.
constexpr std::array<std::uint8_t, kLengthCodeSymbols> kLengthCodeOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// The length code (0-28, for symbols 257-285) of each match length less 3.
constexpr std::array<std::uint8_t, 256> kLengthCode = [] {
    std::array<std::uint8_t, 256> codes{};
    for (std::size_t code = 0; code < kLengthBase.size(); ++code)
        for (std::size_t length = kLengthBase[code];
             length < (code + 1 < kLengthBase.size() ? kLengthBase[code + 1] : 259u); ++length)
            codes[length - 3] = static_cast<std::uint8_t>(code);
    return codes;
}();

// The distance code (0-29) of distance - 1.
unsigned DistCode(std::uint32_t distance1) {
    if (distance1 < 4)
        return distance1;
    unsigned high = static_cast<unsigned>(std::bit_width(distance1)) - 1;
    return 2 * high + ((distance1 >> (high - 1)) & 1);
}

std::uint32_t Load32(const std::uint8_t* at) {
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

std::uint64_t Load64(const std::uint8_t* at) {
    std::uint64_t value;
    std::memcpy(&value, at, 8);
    return value;
}

// How many bytes from here equal those from there, at most limit.
std::size_t MatchLength(const std::uint8_t* here, const std::uint8_t* there, std::size_t limit) {
    std::size_t length = 0;
    while (length + 8 <= limit) {
        std::uint64_t difference = Load64(here + length) ^ Load64(there + length);
        if (difference != 0) {
            if constexpr (std::endian::native == std::endian::little)
                return length + static_cast<std::size_t>(std::countr_zero(difference)) / 8;
            else
                return length + static_cast<std::size_t>(std::countl_zero(difference)) / 8;
        }
        length += 8;
    }
    while (length < limit && here[length] == there[length])
        ++length;
    return length;
}

std::uint32_t Hash(const std::uint8_t* at) {
    return (Load32(at) * 0x9E3779B1u) >> (32 - kHashBits);
}

// Bits go out least significant first through a 64-bit buffer; Flush stores eight bytes at
// once, so the output needs eight bytes to spare.
struct BitWriter {
    std::uint8_t* out;
    std::uint64_t bits = 0;
    unsigned count = 0;

    // count + size stays within 64; value has no bits above size.
    void Put(std::uint64_t value, unsigned size) {
        bits |= value << count;
        count += size;
    }
    void Flush() {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, &bits, 8);
        } else {
            for (unsigned i = 0; i < 8; ++i)
                out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
        }
        unsigned bytes = count >> 3;
        out += bytes;
        bits >>= 8 * bytes;
        count &= 7;
    }
    // To the next byte boundary with zero bits.
    void Align() {
        count = (count + 7) & ~7u;
        Flush();
    }
};

std::uint16_t Reversed(unsigned code, unsigned length) {
    unsigned reversed = 0;
    for (unsigned i = 0; i < length; ++i, code >>= 1)
        reversed = (reversed << 1) | (code & 1);
    return static_cast<std::uint16_t>(reversed);
}

// Canonical codes for the lengths, bit-reversed for sending least significant bit first.
void CanonicalCodes(const std::uint8_t* lengths, std::size_t symbols, std::uint16_t* codes) {
    std::array<unsigned, kMaxCodeLength + 1> count{};
    for (std::size_t s = 0; s < symbols; ++s)
        ++count[lengths[s]];
    count[0] = 0;
    std::array<unsigned, kMaxCodeLength + 1> next{};
    unsigned code = 0;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        code = (code + count[length - 1]) << 1;
        next[length] = code;
    }
    for (std::size_t s = 0; s < symbols; ++s)
        codes[s] = lengths[s] != 0 ? Reversed(next[lengths[s]]++, lengths[s]) : 0;
}

// The code lengths of both codes in the code-length alphabet: a symbol 0-18 and, for 16-18,
// its repeat count in its extra bits.
struct LengthRun {
    std::uint8_t symbol;
    std::uint8_t extra;
};
constexpr std::array<std::uint8_t, kLengthCodeSymbols> kLengthCodeExtra = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};

std::size_t RunLengths(const std::uint8_t* lengths, std::size_t count, LengthRun* runs) {
    std::size_t used = 0;
    for (std::size_t i = 0; i < count;) {
        std::uint8_t value = lengths[i];
        std::size_t run = 1;
        while (i + run < count && lengths[i + run] == value)
            ++run;
        i += run;
        if (value == 0) {
            for (; run >= 11; run -= std::min<std::size_t>(run, 138))
                runs[used++] = {18,
                                static_cast<std::uint8_t>(std::min<std::size_t>(run, 138) - 11)};
            if (run >= 3) {
                runs[used++] = {17, static_cast<std::uint8_t>(run - 3)};
                run = 0;
            }
        } else {
            runs[used++] = {value, 0};
            --run;
            for (; run >= 3; run -= std::min<std::size_t>(run, 6))
                runs[used++] = {16, static_cast<std::uint8_t>(std::min<std::size_t>(run, 6) - 3)};
        }
        for (; run > 0; --run)
            runs[used++] = {value, 0};
    }
    return used;
}

// The dynamic Huffman codes of one block and its header.
struct DynamicCodes {
    std::array<std::uint8_t, kLitLenSymbols> litLenLengths;
    std::array<std::uint16_t, kLitLenSymbols> litLenCodes;
    std::array<std::uint8_t, kDistSymbols> distLengths;
    std::array<std::uint16_t, kDistSymbols> distCodes;
    std::array<std::uint8_t, kLengthCodeSymbols> lengthCodeLengths;
    std::array<std::uint16_t, kLengthCodeSymbols> lengthCodeCodes;
    std::array<LengthRun, kLitLenSymbols + kDistSymbols> runs;
    std::size_t runCount;
    unsigned litLenCount;
    unsigned distCount;
    unsigned lengthCodeCount;
    std::uint64_t headerBits; // the block's first three bits included
};

// How often each symbol occurs in a block.
struct BlockCounts {
    std::array<std::uint32_t, kLitLenSymbols> litLen{};
    std::array<std::uint32_t, kDistSymbols> dist{};
};

} // namespace

CBandDeflater::CBandDeflater(std::size_t pixelBytes, std::size_t rowBytes)
    : m_pixelBytes(pixelBytes <= kWindow ? pixelBytes : 0),
      m_rowBytes(rowBytes <= kWindow ? rowBytes : 0) {}

void CBandDeflater::CodeLengths(const std::uint32_t* counts, std::size_t symbols,
                                unsigned maxLength, std::uint8_t* lengths) {
    // The counted symbols by count, then by symbol, each as count << 16 | symbol.
    std::array<std::uint64_t, 320> order;
    std::size_t used = 0;
    for (std::size_t s = 0; s < symbols; ++s) {
        lengths[s] = 0;
        if (counts[s] != 0)
            order[used++] = std::uint64_t{counts[s]} << 16 | s;
    }
    if (used == 0)
        return;
    if (used == 1) {
        lengths[order[0] & 0xFFFF] = 1;
        return;
    }
    std::sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(used));

    // Moffat and Katajainen's in-place minimum-redundancy code: weights in ascending order
    // become the parents of the merged nodes, then the nodes' depths, then the leaves' depths.
    std::array<std::uint64_t, 320> node;
    for (std::size_t i = 0; i < used; ++i)
        node[i] = order[i] >> 16;
    std::size_t n = used;
    node[0] += node[1];
    std::size_t root = 0;
    std::size_t leaf = 2;
    for (std::size_t next = 1; next + 1 < n; ++next) {
        if (leaf >= n || node[root] < node[leaf]) {
            node[next] = node[root];
            node[root++] = next;
        } else {
            node[next] = node[leaf++];
        }
        if (leaf >= n || (root < next && node[root] < node[leaf])) {
            node[next] += node[root];
            node[root++] = next;
        } else {
            node[next] += node[leaf++];
        }
    }
    node[n - 2] = 0;
    for (std::size_t next = n - 2; next-- > 0;)
        node[next] = node[node[next]] + 1;
    std::size_t available = 1;
    std::size_t depth = 0;
    std::ptrdiff_t internal = static_cast<std::ptrdiff_t>(n) - 2;
    std::ptrdiff_t next = static_cast<std::ptrdiff_t>(n) - 1;
    while (available > 0) {
        std::size_t inner = 0;
        while (internal >= 0 && node[static_cast<std::size_t>(internal)] == depth) {
            ++inner;
            --internal;
        }
        for (; available > inner; --available)
            node[static_cast<std::size_t>(next--)] = depth;
        available = 2 * inner;
        ++depth;
    }

    // How many codes of each length; codes longer than the limit shortened to it, then codes
    // moved one level down until the lengths fit exactly (the Kraft sum is 1 again).
    maxLength = std::min(maxLength, kMaxCodeLength);
    std::array<std::size_t, kMaxCodeLength + 1> perLength{};
    for (std::size_t i = 0; i < n; ++i)
        ++perLength[std::min<std::size_t>(node[i], maxLength)];
    std::uint64_t total = 0;
    for (unsigned length = 1; length <= maxLength; ++length)
        total += std::uint64_t{perLength[length]} << (maxLength - length);
    for (; total > std::uint64_t{1} << maxLength; --total) {
        --perLength[maxLength];
        for (unsigned length = maxLength - 1; length > 0; --length) {
            if (perLength[length] != 0) {
                --perLength[length];
                perLength[length + 1] += 2;
                break;
            }
        }
    }

    // The shortest codes to the most frequent symbols.
    std::size_t i = n;
    for (unsigned length = 1; length <= maxLength; ++length)
        for (std::size_t k = 0; k < perLength[length]; ++k)
            lengths[order[--i] & 0xFFFF] = static_cast<std::uint8_t>(length);
}

namespace {

void MakeCodes(BlockCounts& block, DynamicCodes& codes) {
    // Deflate wants two codes at least: a lone literal or distance gets a partner.
    auto pair = [](std::uint32_t* counts, std::size_t symbols) {
        std::size_t used = 0;
        std::size_t last = 0;
        for (std::size_t s = 0; s < symbols; ++s)
            if (counts[s] != 0) {
                ++used;
                last = s;
            }
        if (used == 0)
            counts[0] = counts[1] = 1;
        else if (used == 1)
            counts[last == 0 ? 1 : 0] = 1;
    };
    pair(block.litLen.data(), kLitLenSymbols);
    pair(block.dist.data(), kDistSymbols);
    CBandDeflater::CodeLengths(block.litLen.data(), kLitLenSymbols, kMaxCodeLength,
                               codes.litLenLengths.data());
    CBandDeflater::CodeLengths(block.dist.data(), kDistSymbols, kMaxCodeLength,
                               codes.distLengths.data());
    CanonicalCodes(codes.litLenLengths.data(), kLitLenSymbols, codes.litLenCodes.data());
    CanonicalCodes(codes.distLengths.data(), kDistSymbols, codes.distCodes.data());

    unsigned litLenCount = kLitLenSymbols;
    while (litLenCount > 257 && codes.litLenLengths[litLenCount - 1] == 0)
        --litLenCount;
    unsigned distCount = kDistSymbols;
    while (distCount > 1 && codes.distLengths[distCount - 1] == 0)
        --distCount;
    codes.litLenCount = litLenCount;
    codes.distCount = distCount;

    std::array<std::uint8_t, kLitLenSymbols + kDistSymbols> all;
    std::copy_n(codes.litLenLengths.begin(), litLenCount, all.begin());
    std::copy_n(codes.distLengths.begin(), distCount, all.begin() + litLenCount);
    codes.runCount = RunLengths(all.data(), litLenCount + distCount, codes.runs.data());
    std::array<std::uint32_t, kLengthCodeSymbols> runCounts{};
    for (std::size_t i = 0; i < codes.runCount; ++i)
        ++runCounts[codes.runs[i].symbol];
    CBandDeflater::CodeLengths(runCounts.data(), kLengthCodeSymbols, kMaxLengthCodeLength,
                               codes.lengthCodeLengths.data());
    CanonicalCodes(codes.lengthCodeLengths.data(), kLengthCodeSymbols,
                   codes.lengthCodeCodes.data());
    unsigned lengthCodeCount = kLengthCodeSymbols;
    while (lengthCodeCount > 4 &&
           codes.lengthCodeLengths[kLengthCodeOrder[lengthCodeCount - 1]] == 0)
        --lengthCodeCount;
    codes.lengthCodeCount = lengthCodeCount;

    std::uint64_t bits = 3 + 5 + 5 + 4 + 3 * std::uint64_t{lengthCodeCount};
    for (std::size_t i = 0; i < codes.runCount; ++i)
        bits +=
            codes.lengthCodeLengths[codes.runs[i].symbol] + kLengthCodeExtra[codes.runs[i].symbol];
    codes.headerBits = bits;
}

// The block's bits after its header.
std::uint64_t BodyBits(const BlockCounts& block, const DynamicCodes& codes) {
    std::uint64_t bits = 0;
    for (unsigned s = 0; s < kLitLenSymbols; ++s)
        bits += std::uint64_t{block.litLen[s]} *
                (codes.litLenLengths[s] + (s > kEndOfBlock ? kLengthExtra[s - 257] : 0));
    for (unsigned s = 0; s < kDistSymbols; ++s)
        bits += std::uint64_t{block.dist[s]} * (codes.distLengths[s] + kDistExtra[s]);
    return bits;
}

// Stored blocks for size bytes from a writer holding count bits.
std::uint64_t StoredBits(std::size_t size, unsigned count) {
    std::uint64_t pieces = std::max<std::uint64_t>(1, (size + kStoredBytes - 1) / kStoredBytes);
    return ((count + 3 + 7) & ~7u) - count + 32 + (pieces - 1) * 40 + 8 * std::uint64_t{size};
}

void WriteStored(BitWriter& writer, const std::uint8_t* data, std::size_t size) {
    do {
        std::size_t piece = std::min(size, kStoredBytes);
        writer.Put(0, 3); // not final, stored
        writer.Align();
        std::uint8_t* out = writer.out;
        out[0] = static_cast<std::uint8_t>(piece);
        out[1] = static_cast<std::uint8_t>(piece >> 8);
        out[2] = static_cast<std::uint8_t>(~piece);
        out[3] = static_cast<std::uint8_t>(~piece >> 8);
        std::memcpy(out + 4, data, piece);
        writer.out = out + 4 + piece;
        data += piece;
        size -= piece;
    } while (size > 0);
}

void WriteDynamic(BitWriter& writer, const DynamicCodes& codes, const std::uint32_t* symbols,
                  std::size_t count) {
    writer.Put(2 << 1, 3); // not final, dynamic Huffman codes
    writer.Put(codes.litLenCount - 257, 5);
    writer.Put(codes.distCount - 1, 5);
    writer.Put(codes.lengthCodeCount - 4, 4);
    writer.Flush();
    for (unsigned i = 0; i < codes.lengthCodeCount; ++i) {
        writer.Put(codes.lengthCodeLengths[kLengthCodeOrder[i]], 3);
        writer.Flush();
    }
    for (std::size_t i = 0; i < codes.runCount; ++i) {
        LengthRun run = codes.runs[i];
        writer.Put(codes.lengthCodeCodes[run.symbol], codes.lengthCodeLengths[run.symbol]);
        writer.Put(run.extra, kLengthCodeExtra[run.symbol]);
        writer.Flush();
    }

    // Each match length's code and extra bits as one.
    std::array<std::uint32_t, 256> lengthBits;
    std::array<std::uint8_t, 256> lengthSize;
    for (unsigned length = 0; length < 256; ++length) {
        unsigned code = kLengthCode[length];
        unsigned symbol = 257 + code;
        lengthBits[length] = codes.litLenCodes[symbol] | (length + 3 - kLengthBase[code])
                                                             << codes.litLenLengths[symbol];
        lengthSize[length] =
            static_cast<std::uint8_t>(codes.litLenLengths[symbol] + kLengthExtra[code]);
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t symbol = symbols[i];
        if (symbol < 256) {
            writer.Put(codes.litLenCodes[symbol], codes.litLenLengths[symbol]);
        } else {
            std::uint32_t length = symbol & 0xFF;
            std::uint32_t distance1 = (symbol >> 8) & 0x7FFF;
            writer.Put(lengthBits[length], lengthSize[length]);
            unsigned code = DistCode(distance1);
            unsigned extra = kDistExtra[code];
            std::uint32_t extraBits = distance1 & ((1u << extra) - 1);
            writer.Put(codes.distCodes[code] | std::uint64_t{extraBits} << codes.distLengths[code],
                       codes.distLengths[code] + extra);
        }
        writer.Flush();
    }
    writer.Put(codes.litLenCodes[kEndOfBlock], codes.litLenLengths[kEndOfBlock]);
    writer.Flush();
}

} // namespace

std::size_t CBandDeflater::Match(const std::uint8_t* data, std::size_t size, std::size_t history,
                                 std::size_t& at, std::uint32_t* litLenCounts,
                                 std::uint32_t* distCounts) {
    // Positions count from the start of the history, 32 bits each: the last of each hashed
    // sequence in m_table, the one before it with the same hash in m_chain.
    const std::uint8_t* base = data - history;
    std::uint32_t* table = m_table.get();
    std::uint32_t* chain = m_chain.get();
    std::uint32_t* symbols = m_symbols.get();
    std::size_t end = history + size;
    std::size_t p = history + at;
    std::size_t count = 0;
    auto insert = [&](std::size_t position) {
        std::uint32_t& last = table[Hash(base + position)];
        chain[position & (kWindow - 1)] = last;
        last = static_cast<std::uint32_t>(position);
    };
    if (at == 0) {
        // A piece starts: the history's sequences join the table.
        for (std::size_t position = 0; position < history && position + 4 <= end; ++position)
            insert(position);
    }
    while (p < end && count < kBlockSymbols) {
        const std::uint8_t* here = base + p;
        std::size_t limit = std::min(kMaxMatch, end - p);
        std::size_t best = 0;
        std::size_t distance = 0;
        if (limit >= 4) {
            // The pixel to the left and the one above first: cheap, and often the longest.
            if (m_pixelBytes != 0 && p >= m_pixelBytes) {
                best = MatchLength(here, here - m_pixelBytes, limit);
                distance = m_pixelBytes;
            }
            if (m_rowBytes != 0 && p >= m_rowBytes && best < limit) {
                std::size_t length = MatchLength(here, here - m_rowBytes, limit);
                if (length > best) {
                    best = length;
                    distance = m_rowBytes;
                }
            }
            // Then earlier places of the same four bytes, latest first.
            std::size_t candidate = table[Hash(here)];
            insert(p);
            for (unsigned depth = 0; depth < kChainDepth && best < limit; ++depth) {
                if (candidate >= p || p - candidate > kWindow)
                    break;
                const std::uint8_t* there = base + candidate;
                if (there[best] == here[best] && Load32(there) == Load32(here)) {
                    std::size_t length = MatchLength(here, there, limit);
                    if (length > best) {
                        best = length;
                        distance = p - candidate;
                    }
                }
                std::size_t next = chain[candidate & (kWindow - 1)];
                if (next >= candidate)
                    break;
                candidate = next;
            }
        }
        if (best >= kMinMatch) {
            symbols[count++] = kMatchFlag | static_cast<std::uint32_t>(best - kMinMatch) |
                               static_cast<std::uint32_t>(distance - 1) << 8;
            ++litLenCounts[257 + kLengthCode[best - kMinMatch]];
            ++distCounts[DistCode(static_cast<std::uint32_t>(distance - 1))];
            // The first few positions inside the match join the table; within long runs the
            // rest would only repeat them.
            std::size_t stop = std::min(p + std::min(best, kInsertedInMatch), end - 3);
            for (std::size_t position = p + 1; position < stop; ++position)
                insert(position);
            p += best;
        } else {
            symbols[count++] = *here;
            ++litLenCounts[*here];
            ++p;
        }
    }
    at = p - history;
    return count;
}

bool CBandDeflater::Deflate(const std::uint8_t* data, std::size_t size, std::size_t history,
                            std::vector<std::uint8_t>& out) {
    try {
        if (!m_table) {
            // Set with memset rather than a loop, which instrumented builds (the fuzzers')
            // make slow; the table is reset before every piece.
            m_table.reset(new std::uint32_t[kTableSize]);
            m_chain.reset(new std::uint32_t[kWindow]);
            std::memset(m_chain.get(), 0, kWindow * sizeof(std::uint32_t));
            m_symbols.reset(new std::uint32_t[kBlockSymbols]);
        }
        // The writer's bytes up to its partial one are out[0, written).
        std::size_t written = out.size();
        BitWriter writer{nullptr};
        auto makeRoom = [&](std::uint64_t bits) {
            out.resize(written + static_cast<std::size_t>((writer.count + bits + 7) / 8) + 8);
            writer.out = out.data() + written;
        };
        auto wrote = [&]() { written = static_cast<std::size_t>(writer.out - out.data()); };
        for (std::size_t pieceStart = 0; pieceStart < size; pieceStart += kPieceBytes) {
            const std::uint8_t* piece = data + pieceStart;
            std::size_t pieceSize = std::min(kPieceBytes, size - pieceStart);
            std::size_t pieceHistory = std::min(kWindow, pieceStart + history);
            std::memset(m_table.get(), 0xFF, kTableSize * sizeof(std::uint32_t));
            // Blocks that do not compress are stored, consecutive ones together.
            std::size_t storedStart = 0;
            std::size_t storedSize = 0;
            auto writeStored = [&]() {
                if (storedSize == 0)
                    return;
                makeRoom(StoredBits(storedSize, writer.count));
                WriteStored(writer, piece + storedStart, storedSize);
                wrote();
                storedSize = 0;
            };
            for (std::size_t at = 0; at < pieceSize;) {
                BlockCounts block;
                std::size_t start = at;
                std::size_t symbols = Match(piece, pieceSize, pieceHistory, at, block.litLen.data(),
                                            block.dist.data());
                block.litLen[kEndOfBlock] = 1;
                DynamicCodes codes;
                MakeCodes(block, codes);
                std::uint64_t dynamicBits = codes.headerBits + BodyBits(block, codes);
                if (StoredBits(at - start, storedSize != 0 ? 0 : writer.count) <= dynamicBits) {
                    if (storedSize == 0)
                        storedStart = start;
                    storedSize += at - start;
                    continue;
                }
                writeStored();
                makeRoom(dynamicBits);
                WriteDynamic(writer, codes, m_symbols.get(), symbols);
                wrote();
            }
            writeStored();
        }
        if (writer.count != 0) {
            // An empty stored block takes the band to a byte boundary.
            makeRoom(3 + 7 + 32);
            writer.Put(0, 3);
            writer.Align();
            static const std::uint8_t empty[4] = {0x00, 0x00, 0xFF, 0xFF};
            std::memcpy(writer.out, empty, 4);
            writer.out += 4;
            wrote();
        }
        out.resize(written);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void CBandDeflater::AppendStart(std::vector<std::uint8_t>& out) {
    // Deflate with a 32 KB window, the fastest compression level; the check bits make the
    // pair a multiple of 31.
    out.push_back(0x78);
    out.push_back(0x01);
}

void CBandDeflater::AppendEnd(std::uint32_t adler32, std::vector<std::uint8_t>& out) {
    // A final block with fixed codes and nothing but its end: bits 1, 10 and seven zeros.
    out.push_back(0x03);
    out.push_back(0x00);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(adler32 >> shift));
}
