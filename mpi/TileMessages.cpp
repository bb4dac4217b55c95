#include "mpi/TileMessages.h"

#include <cmath>
#include <cstring>

namespace {

constexpr char kSetupMagic[4] = {'L', 'M', 'P', 'I'};
constexpr std::uint8_t kSetupVersion = 1;

class CWriter {
public:
    void Byte(std::uint8_t value) { m_bytes += static_cast<char>(value); }
    void U32(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            Byte(static_cast<std::uint8_t>(value >> shift));
    }
    void U64(std::uint64_t value) {
        for (int shift = 0; shift < 64; shift += 8)
            Byte(static_cast<std::uint8_t>(value >> shift));
    }
    void Double(double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        U64(bits);
    }
    void Region(const RenderRegion& region) {
        U32(region.left);
        U32(region.top);
        U32(region.right);
        U32(region.bottom);
    }
    void Bytes(const std::string& text) { m_bytes += text; }
    std::string Take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

// Reads a message from its start; every read fails once the bytes run out.
class CReader {
public:
    explicit CReader(const std::string& bytes) : m_bytes(bytes) {}

    bool Byte(std::uint8_t& value) {
        if (Left() < 1)
            return false;
        value = static_cast<std::uint8_t>(m_bytes[m_at++]);
        return true;
    }
    bool Flag(bool& value) {
        std::uint8_t byte = 0;
        if (!Byte(byte) || byte > 1)
            return false;
        value = byte == 1;
        return true;
    }
    bool U32(std::uint32_t& value) {
        if (Left() < 4)
            return false;
        value = 0;
        for (int i = 0; i < 4; ++i)
            value |= std::uint32_t{static_cast<std::uint8_t>(m_bytes[m_at++])} << (8 * i);
        return true;
    }
    bool U32(unsigned& value, unsigned most) {
        std::uint32_t read = 0;
        if (!U32(read) || read > most)
            return false;
        value = read;
        return true;
    }
    bool U64(std::uint64_t& value) {
        if (Left() < 8)
            return false;
        value = 0;
        for (int i = 0; i < 8; ++i)
            value |= std::uint64_t{static_cast<std::uint8_t>(m_bytes[m_at++])} << (8 * i);
        return true;
    }
    bool Double(double& value) {
        std::uint64_t bits = 0;
        if (!U64(bits))
            return false;
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
    // A rectangle inside a width × height picture, not empty.
    bool Region(RenderRegion& region, unsigned width, unsigned height) {
        return U32(region.left) && U32(region.top) && U32(region.right) && U32(region.bottom) &&
               region.left < region.right && region.top < region.bottom && region.right <= width &&
               region.bottom <= height;
    }
    bool Bytes(std::size_t count, std::string& text) {
        if (Left() < count)
            return false;
        text.assign(m_bytes, m_at, count);
        m_at += count;
        return true;
    }
    bool Counts(std::size_t count, std::vector<std::uint64_t>& values) {
        if (Left() / 8 < count)
            return false;
        values.resize(count);
        for (std::uint64_t& value : values)
            U64(value);
        return true;
    }
    std::size_t Left() const { return m_bytes.size() - m_at; }
    bool AtEnd() const { return Left() == 0; }

private:
    const std::string& m_bytes;
    std::size_t m_at = 0;
};

bool Refuse(std::string& error, const char* what) {
    error = std::string("a broken ") + what + " message";
    return false;
}

} // namespace

std::string CTileMessages::EncodeSetup(const CJobSetup& setup) {
    CWriter out;
    out.Bytes(std::string(kSetupMagic, sizeof kSetupMagic));
    out.Byte(kSetupVersion);
    out.Byte(setup.exitStatus);
    out.U32(setup.width);
    out.U32(setup.height);
    out.U32(setup.maxRecursion);
    out.U32(setup.antialias);
    out.Byte(setup.hasScript ? 1 : 0);
    out.Byte(setup.keywordLoader ? 1 : 0);
    out.U32(static_cast<std::uint32_t>(setup.scriptName.size()));
    out.Bytes(setup.scriptName);
    out.U64(setup.sceneBytes.size());
    out.Bytes(setup.sceneBytes);
    return out.Take();
}

bool CTileMessages::DecodeSetup(const std::string& bytes, CJobSetup& setup, std::string& error) {
    CReader in(bytes);
    std::string magic;
    std::uint8_t version = 0;
    if (!in.Bytes(sizeof kSetupMagic, magic) || magic != std::string(kSetupMagic, 4) ||
        !in.Byte(version) || version != kSetupVersion) {
        error = "the job comes from another version of lumo-mpi";
        return false;
    }
    CJobSetup read;
    std::uint32_t nameBytes = 0;
    std::uint64_t sceneBytes = 0;
    if (!in.Byte(read.exitStatus) || !in.U32(read.width, kMaxSide) ||
        !in.U32(read.height, kMaxSide) || !in.U32(read.maxRecursion) ||
        !in.U32(read.antialias, 16) || !in.Flag(read.hasScript) || !in.Flag(read.keywordLoader) ||
        !in.U32(nameBytes) || nameBytes > kMaxText || !in.Bytes(nameBytes, read.scriptName) ||
        !in.U64(sceneBytes) || sceneBytes != in.Left() ||
        !in.Bytes(static_cast<std::size_t>(sceneBytes), read.sceneBytes))
        return Refuse(error, "job");
    if (read.exitStatus == 0 && (read.width == 0 || read.height == 0))
        return Refuse(error, "job");
    setup = std::move(read);
    return true;
}

std::string CTileMessages::EncodeRequest(unsigned jobs) {
    CWriter out;
    out.U32(jobs);
    return out.Take();
}

bool CTileMessages::DecodeRequest(const std::string& bytes, unsigned& jobs, std::string& error) {
    CReader in(bytes);
    unsigned read = 0;
    if (!in.U32(read, kMaxJobs) || read == 0 || !in.AtEnd())
        return Refuse(error, "request");
    jobs = read;
    return true;
}

std::string CTileMessages::EncodeJobs(const std::vector<CTileJob>& jobs, bool last) {
    CWriter out;
    out.Byte(last ? 1 : 0);
    out.U32(static_cast<std::uint32_t>(jobs.size()));
    for (const CTileJob& job : jobs) {
        out.Byte(job.kind);
        out.U32(job.index);
        out.Region(job.region);
        out.U32(static_cast<std::uint32_t>(job.rowStarts.size()));
        for (std::uint64_t start : job.rowStarts)
            out.U64(start);
    }
    return out.Take();
}

bool CTileMessages::DecodeJobs(const std::string& bytes, unsigned width, unsigned height,
                               std::vector<CTileJob>& jobs, bool& last, std::string& error) {
    CReader in(bytes);
    unsigned count = 0;
    bool lastRead = false;
    if (!in.Flag(lastRead) || !in.U32(count, kMaxJobs))
        return Refuse(error, "jobs");
    std::vector<CTileJob> read(count);
    for (CTileJob& job : read) {
        std::uint8_t kind = 0;
        std::uint32_t starts = 0;
        if (!in.Byte(kind) || (kind != CTileJob::count && kind != CTileJob::trace) ||
            !in.U32(job.index) || !in.Region(job.region, width, height) || !in.U32(starts))
            return Refuse(error, "jobs");
        job.kind = static_cast<CTileJob::Kind>(kind);
        unsigned rows = job.region.bottom - job.region.top;
        if ((starts != 0 && (starts != rows || job.kind != CTileJob::trace)) ||
            !in.Counts(starts, job.rowStarts))
            return Refuse(error, "jobs");
    }
    if (!in.AtEnd())
        return Refuse(error, "jobs");
    jobs = std::move(read);
    last = lastRead;
    return true;
}

std::string CTileMessages::EncodeCount(const CTileCount& count) {
    CWriter out;
    out.U32(count.index);
    out.Double(count.seconds);
    out.U32(static_cast<std::uint32_t>(count.rowDraws.size()));
    for (std::uint64_t draws : count.rowDraws)
        out.U64(draws);
    return out.Take();
}

bool CTileMessages::DecodeCount(const std::string& bytes, CTileCount& count, std::string& error) {
    CReader in(bytes);
    CTileCount read;
    unsigned rows = 0;
    if (!in.U32(read.index) || !in.Double(read.seconds) || !std::isfinite(read.seconds) ||
        read.seconds < 0.0 || !in.U32(rows, kMaxSide) || !in.Counts(rows, read.rowDraws) ||
        !in.AtEnd())
        return Refuse(error, "count");
    count = std::move(read);
    return true;
}

std::string CTileMessages::EncodePixels(std::uint32_t index, const RenderRegion& region,
                                        const CImage& tile) {
    CWriter out;
    out.U32(index);
    out.Region(region);
    std::size_t count =
        static_cast<std::size_t>(tile.GetWidth()) * static_cast<std::size_t>(tile.GetHeight());
    std::string rgb(3 * count, '\0');
    for (std::size_t i = 0; i < count; ++i) {
        rgb[3 * i] = static_cast<char>(tile.GetRedPlane()[i]);
        rgb[3 * i + 1] = static_cast<char>(tile.GetGreenPlane()[i]);
        rgb[3 * i + 2] = static_cast<char>(tile.GetBluePlane()[i]);
    }
    out.Bytes(rgb);
    return out.Take();
}

bool CTileMessages::DecodePixels(const std::string& bytes, unsigned width, unsigned height,
                                 CTilePixels& pixels, std::string& error) {
    CReader in(bytes);
    CTilePixels read;
    if (!in.U32(read.index) || !in.Region(read.region, width, height))
        return Refuse(error, "tile");
    std::size_t count =
        std::size_t{read.region.right - read.region.left} * (read.region.bottom - read.region.top);
    if (in.Left() / 3 != count || in.Left() % 3 != 0 || !in.Bytes(3 * count, read.rgb))
        return Refuse(error, "tile");
    pixels = std::move(read);
    return true;
}

std::string CTileMessages::EncodeFailure(const std::string& text) {
    return text.substr(0, kMaxText);
}

bool CTileMessages::DecodeFailure(const std::string& bytes, std::string& text, std::string& error) {
    if (bytes.empty() || bytes.size() > kMaxText)
        return Refuse(error, "failure");
    // One line, whatever came.
    text.clear();
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        text += c < 0x20 || c == 0x7F ? '?' : ch;
    }
    return true;
}
