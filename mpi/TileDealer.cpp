#include "mpi/TileDealer.h"

#include <algorithm>
#include <numeric>

CTileDealer::CTileDealer(unsigned width, unsigned height, unsigned side, bool noise)
    : m_width(width), m_height(height), m_columns((width + side - 1) / side), m_noise(noise) {
    for (unsigned top = 0; top < height; top += side)
        for (unsigned left = 0; left < width; left += side) {
            Entry tile;
            tile.region =
                RenderRegion{left, top, std::min(left + side, width), std::min(top + side, height)};
            m_tiles.push_back(tile);
        }
    if (!m_noise)
        PrepareTracing();
}

unsigned CTileDealer::TileSide(unsigned width, unsigned height, unsigned threads) {
    unsigned side = 64;
    auto tiles = [&](unsigned s) {
        return std::uint64_t{(width + s - 1) / s} * ((height + s - 1) / s);
    };
    while (side > 8 && tiles(side) < 4 * std::uint64_t{std::max(threads, 1u)})
        side /= 2;
    return side;
}

void CTileDealer::SetCosts(const std::vector<double>& costs) {
    for (std::size_t i = 0; i < m_tiles.size() && i < costs.size(); ++i)
        m_tiles[i].cost = costs[i];
    if (m_tracing && m_order.size() == m_tiles.size())
        PrepareTracing();
}

void CTileDealer::PrepareTracing() {
    if (m_noise) {
        // Row by row through the picture, each row's tiles from the left: every row of every
        // tile starts after the draws of all that came before it.
        std::uint64_t sum = 0;
        for (std::size_t first = 0; first < m_tiles.size(); first += m_columns) {
            const RenderRegion& band = m_tiles[first].region;
            for (unsigned y = band.top; y < band.bottom; ++y)
                for (std::size_t i = first; i < first + m_columns; ++i) {
                    Entry& tile = m_tiles[i];
                    tile.rowStarts.push_back(sum);
                    sum += tile.rowDraws[y - band.top];
                }
        }
        for (Entry& tile : m_tiles)
            std::vector<std::uint64_t>().swap(tile.rowDraws);
    }
    // Dealt from the back: the cheapest first in the list, ties in reverse picture order.
    m_order.resize(m_tiles.size());
    std::iota(m_order.begin(), m_order.end(), 0u);
    std::stable_sort(m_order.begin(), m_order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return m_tiles[a].cost > m_tiles[b].cost;
    });
    std::reverse(m_order.begin(), m_order.end());
    m_tracing = true;
}

std::vector<CTileJob> CTileDealer::Deal(unsigned most) {
    std::vector<CTileJob> jobs;
    while (jobs.size() < most) {
        CTileJob job;
        if (!m_tracing) {
            if (m_nextCount == m_tiles.size())
                break;
            job.kind = CTileJob::count;
            job.index = static_cast<std::uint32_t>(m_nextCount++);
            m_tiles[job.index].state = State::counting;
        } else {
            if (m_order.empty())
                break;
            job.kind = CTileJob::trace;
            job.index = m_order.back();
            m_order.pop_back();
            Entry& tile = m_tiles[job.index];
            tile.state = State::tracing;
            job.rowStarts = std::move(tile.rowStarts);
        }
        job.region = m_tiles[job.index].region;
        jobs.push_back(std::move(job));
    }
    return jobs;
}

bool CTileDealer::AllDealt() const {
    return m_tracing && m_order.empty();
}

bool CTileDealer::Known(std::uint32_t index, State state, const char* what,
                        std::string& error) const {
    if (index >= m_tiles.size() || m_tiles[index].state != state) {
        error = std::string("a ") + what + " of tile " + std::to_string(index) +
                " that was not dealt, or came twice";
        return false;
    }
    return true;
}

bool CTileDealer::Accept(const CTileCount& count, std::string& error) {
    if (!Known(count.index, State::counting, "count", error))
        return false;
    Entry& tile = m_tiles[count.index];
    if (count.rowDraws.size() != tile.region.bottom - tile.region.top) {
        error = "a count of tile " + std::to_string(count.index) + " with the wrong rows";
        return false;
    }
    tile.rowDraws = count.rowDraws;
    tile.cost = count.seconds;
    tile.state = State::counted;
    if (++m_counted == m_tiles.size())
        PrepareTracing();
    return true;
}

bool CTileDealer::Accept(const CTilePixels& pixels, CImage& picture, std::string& error) {
    if (!Known(pixels.index, State::tracing, "tile", error))
        return false;
    Entry& tile = m_tiles[pixels.index];
    const RenderRegion& region = tile.region;
    std::size_t width = region.right - region.left;
    std::size_t rows = region.bottom - region.top;
    const RenderRegion& came = pixels.region;
    if (came.left != region.left || came.top != region.top || came.right != region.right ||
        came.bottom != region.bottom || pixels.rgb.size() != 3 * width * rows ||
        picture.GetWidth() != static_cast<int>(m_width) ||
        picture.GetHeight() != static_cast<int>(m_height)) {
        error = "tile " + std::to_string(pixels.index) + " came back in another place or size";
        return false;
    }
    const char* rgb = pixels.rgb.data();
    for (std::size_t y = 0; y < rows; ++y) {
        std::size_t to = (region.top + y) * m_width + region.left;
        for (std::size_t x = 0; x < width; ++x, rgb += 3) {
            picture.m_red[to + x] = static_cast<std::uint8_t>(rgb[0]);
            picture.m_green[to + x] = static_cast<std::uint8_t>(rgb[1]);
            picture.m_blue[to + x] = static_cast<std::uint8_t>(rgb[2]);
        }
    }
    tile.state = State::traced;
    ++m_traced;
    m_tracedPixels += width * rows;
    return true;
}
