#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A deflate encoder for data cut into bands that are deflated apart, each on any thread, and
// joined into one zlib stream: each band's blocks are non-final and the band ends on a byte
// boundary, so the zlib header, the bands in order and the end (a final empty block and the
// Adler-32 of all the data) concatenate into one valid stream. A band's matches may reach into
// the bytes before it (at most 32 KB back), which the caller passes along with the band.
//
// Made for filtered picture rows: at every position the distances of one pixel and of one row
// back are tried first, since smooth shading and flat background repeat there, then a few
// earlier places of the same four bytes from a hash chain. Matching is greedy; every block
// gets Huffman codes of its own, or is stored when that is smaller. One object per thread;
// the bytes out depend only on the bytes in.
class CBandDeflater {
public:
    // pixelBytes and rowBytes: the near distances tried first (0 for none).
    CBandDeflater(std::size_t pixelBytes, std::size_t rowBytes);

    // Appends the band data[0, size) deflated to out; data[-history, 0) is what precedes the
    // band in the stream. False when memory runs out (out then holds an unfinished band).
    bool Deflate(const std::uint8_t* data, std::size_t size, std::size_t history,
                 std::vector<std::uint8_t>& out);

    // What goes before the first band, and after the last: adler32 is the Adler-32 checksum of
    // all the bands' data.
    static void AppendStart(std::vector<std::uint8_t>& out);
    static void AppendEnd(std::uint32_t adler32, std::vector<std::uint8_t>& out);

    // Huffman code lengths for counts[0, symbols) (at most 288 symbols), none longer than
    // maxLength (at most 15, with room for every counted symbol); symbols not counted get 0.
    // The most frequent symbols get the shortest codes; a single counted symbol gets length 1.
    static void CodeLengths(const std::uint32_t* counts, std::size_t symbols, unsigned maxLength,
                            std::uint8_t* lengths);

private:
    // One block's worth of literals and matches from data[at] on, into m_symbols and counted;
    // at moves past them. Returns how many there are.
    std::size_t Match(const std::uint8_t* data, std::size_t size, std::size_t history,
                      std::size_t& at, std::uint32_t* litLenCounts, std::uint32_t* distCounts);

    std::size_t m_pixelBytes;
    std::size_t m_rowBytes;
    // Made at the first band.
    std::unique_ptr<std::uint32_t[]> m_table;   // the last position of each hashed sequence
    std::unique_ptr<std::uint32_t[]> m_chain;   // the one before, by position modulo 32 KB
    std::unique_ptr<std::uint32_t[]> m_symbols; // the block's literals and matches, in order
};
