#pragma once

#include "core/Image.h"
#include "mpi/TileMessages.h"
#include "render/RenderOptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Rank 0's account of the picture's tiles: what is dealt, what has come back, and in which
// order the rest goes. The picture is cut into square tiles, row by row. A noisy scene's tiles
// are first dealt to be counted (the draws of each of their rows), then, once every count is
// in, to be traced, each row told where it starts in the noise's sequence: the sum of the
// draws of every pixel before it, in the whole picture's order. The costliest tiles are dealt
// first (by the seconds their count took, or by a survey), so that no large tile is left for
// the end while the other ranks wait.
class CTileDealer {
public:
    CTileDealer(unsigned width, unsigned height, unsigned side, bool noise);

    // A tile side that gives every thread several tiles: 64 pixels, halved (down to 8) while
    // the picture has fewer than four tiles a thread.
    static unsigned TileSide(unsigned width, unsigned height, unsigned threads);

    std::size_t TileCount() const { return m_tiles.size(); }
    const RenderRegion& Tile(std::size_t index) const { return m_tiles[index].region; }
    // What each tile will take to trace, roughly (a survey), for a scene without noise; given
    // before anything is dealt. Without it the tiles go in rows from the top.
    void SetCosts(const std::vector<double>& costs);

    // Up to `most` jobs that can go now, costliest first; none while counts are still out,
    // since every trace waits for all of them.
    std::vector<CTileJob> Deal(unsigned most);
    // Whether every job has been dealt: Deal gives nothing any more.
    bool AllDealt() const;
    // Whether every tile is traced and in the picture.
    bool Finished() const { return m_traced == m_tiles.size(); }

    // A count or a traced tile from a rank; false, with the reason, for one that was not
    // dealt, came twice or does not fit its tile. The pixels go into the picture.
    bool Accept(const CTileCount& count, std::string& error);
    bool Accept(const CTilePixels& pixels, CImage& picture, std::string& error);

    std::uint64_t TracedPixels() const { return m_tracedPixels; }
    std::uint64_t Pixels() const { return std::uint64_t{m_width} * m_height; }

private:
    enum class State : std::uint8_t { fresh, counting, counted, tracing, traced };
    struct Entry {
        RenderRegion region;
        State state = State::fresh;
        double cost = 0.0;
        std::vector<std::uint64_t> rowDraws;  // counted, until the starts are made
        std::vector<std::uint64_t> rowStarts; // until dealt
    };
    // Every count is in: each row's start, and the tiles in the order of their cost.
    void PrepareTracing();
    bool Known(std::uint32_t index, State state, const char* what, std::string& error) const;

    unsigned m_width;
    unsigned m_height;
    unsigned m_columns;
    bool m_noise;
    std::vector<Entry> m_tiles;
    std::vector<std::uint32_t> m_order; // tiles still to deal for tracing, from the back
    std::size_t m_nextCount = 0;
    std::size_t m_counted = 0;
    std::size_t m_traced = 0;
    bool m_tracing = false;
    std::uint64_t m_tracedPixels = 0;
};
