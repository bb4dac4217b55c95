#include "cli/PartFile.h"

#include "render/PixelTracer.h"
#include "render/Tracer.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

// The largest side of a picture lumo-render renders.
constexpr unsigned kMaxSide = 1000000;

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// 64-bit FNV-1a: enough to tell two recipes apart by accident, which is all a part's hash is
// for (it is no protection against a part made to deceive).
class CFnv1a {
public:
    void AddBytes(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            m_hash ^= bytes[i];
            m_hash *= 0x100000001b3ull;
        }
    }
    // A field as "name=value\n", so that no two recipes give the same bytes.
    void Add(const char* name, const std::string& value) {
        std::string field = std::string(name) + "=" + std::to_string(value.size()) + ":";
        AddBytes(field.data(), field.size());
        AddBytes(value.data(), value.size());
        AddBytes("\n", 1);
    }
    void Add(const char* name, unsigned value) { Add(name, std::to_string(value)); }
    std::uint64_t Hash() const { return m_hash; }

private:
    std::uint64_t m_hash = 0xcbf29ce484222325ull;
};

std::uint32_t BigEndian(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

void PutBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

// A whole number of at most ten digits, all of the text, without a sign.
bool ParseUnsigned(const std::string& text, unsigned& value) {
    if (text.empty() || text.size() > 10 || text[0] == '+' || text[0] == '-')
        return false;
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    return status == std::errc() && end == text.data() + text.size();
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return pieces;
        start = end + 1;
    }
}

std::string RegionText(const RenderRegion& region) {
    return std::to_string(region.left) + "," + std::to_string(region.top) + "," +
           std::to_string(region.right) + "," + std::to_string(region.bottom);
}

// A name as messages show it, without characters that would break their line.
std::string Printable(const std::string& text, std::size_t limit = 60) {
    std::string shown;
    for (char ch : text.substr(0, limit)) {
        auto c = static_cast<unsigned char>(ch);
        shown += c < 0x20 || c >= 0x7F ? '?' : ch;
    }
    return text.size() > limit ? shown + "..." : shown;
}

bool Refuse(std::string& error, const std::string& name, const std::string& why) {
    error = "'" + name + "' " + why;
    return false;
}

// The description of a PNG: the text of its tEXt chunk "lumo-part", and the size its header
// gives. False, with the reason, when the chunks are broken or the picture is not 8-bit RGB.
bool ReadPngDescription(const std::string& bytes, const std::string& name, std::string& text,
                        unsigned& width, unsigned& height, std::string& error) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t at = sizeof kPngSignature;
    bool sawHeader = false;
    bool found = false;
    for (;;) {
        if (bytes.size() - at < 12)
            return Refuse(error, name, "is cut short: its PNG chunks end too early");
        std::uint32_t length = BigEndian(data + at);
        if (length > 0x7FFFFFFFu || bytes.size() - at - 12 < length)
            return Refuse(error, name, "is cut short: a PNG chunk reaches beyond its end");
        std::string type(bytes, at + 4, 4);
        const unsigned char* body = data + at + 8;
        if (!sawHeader) {
            if (type != "IHDR" || length != 13)
                return Refuse(error, name, "is not a PNG picture: it does not start with IHDR");
            width = BigEndian(body);
            height = BigEndian(body + 4);
            if (body[8] != 8 || body[9] != 2 || body[12] != 0)
                return Refuse(error, name,
                              "is not a part as lumo-render writes it: not 8-bit RGB, or "
                              "interlaced");
            sawHeader = true;
        } else if (type == "tEXt" && !found) {
            std::uint32_t crc = BigEndian(body + length);
            if (crc32_z(crc32(0, data + at + 4, 4), body, length) != crc)
                return Refuse(error, name, "is damaged: its description's checksum is wrong");
            std::string chunk(bytes, at + 8, length);
            std::size_t nul = chunk.find('\0');
            if (nul != std::string::npos && chunk.compare(0, nul, CPartFile::kKeyword) == 0) {
                text = chunk.substr(nul + 1);
                found = true;
            }
        } else if (type == "IEND") {
            break;
        }
        at += 12 + std::size_t{length};
    }
    if (!found)
        return Refuse(error, name,
                      "is not a part of a picture: it has no lumo-part description (parts are "
                      "rendered with lumo-render --region)");
    return true;
}

bool DecodePngPixels(const std::string& bytes, const std::string& name, CImage& pixels,
                     std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return Refuse(error, name, std::string("cannot be read: ") + image.message);
    image.format = PNG_FORMAT_RGB;
    // Sized here rather than with PNG_IMAGE_SIZE, whose 32-bit product overflows past 4 GiB.
    std::size_t count = std::size_t{image.width} * image.height;
    std::vector<unsigned char> rgb;
    try {
        rgb.resize(3 * count);
    } catch (const std::bad_alloc&) {
        png_image_free(&image);
        return Refuse(error, name, "cannot be read: out of memory");
    }
    auto stride = static_cast<png_int_32>(3 * image.width);
    if (!png_image_finish_read(&image, nullptr, rgb.data(), stride, nullptr))
        return Refuse(error, name, std::string("cannot be read: ") + image.message);
    if (!pixels.SetSize(static_cast<int>(image.width), static_cast<int>(image.height)))
        return Refuse(error, name, "cannot be read: out of memory");
    for (std::size_t i = 0; i < count; ++i) {
        pixels.m_red[i] = rgb[3 * i];
        pixels.m_green[i] = rgb[3 * i + 1];
        pixels.m_blue[i] = rgb[3 * i + 2];
    }
    return true;
}

// A binary PPM's header: "P6", then the width, the height and the largest value, with
// comment lines anywhere between them; the first comment that starts "lumo-part" is the
// description. Gives the offset of the pixels.
bool ReadPpmHeader(const std::string& bytes, const std::string& name, std::string& text,
                   unsigned& width, unsigned& height, std::size_t& pixelsAt, std::string& error) {
    std::size_t at = 2;
    unsigned values[3] = {};
    bool found = false;
    for (unsigned& value : values) {
        for (;;) {
            while (at < bytes.size() && bytes[at] != '\0' && std::strchr(" \t\r\n", bytes[at]))
                ++at;
            if (at < bytes.size() && bytes[at] == '#') {
                std::size_t end = bytes.find('\n', at);
                if (end == std::string::npos)
                    return Refuse(error, name, "is cut short in its PPM header");
                std::string comment = bytes.substr(at + 1, end - at - 1);
                std::string prefix = std::string(" ") + CPartFile::kKeyword + " ";
                if (!found && comment.compare(0, prefix.size(), prefix) == 0) {
                    text = comment.substr(1);
                    found = true;
                }
                at = end + 1;
                continue;
            }
            break;
        }
        std::size_t start = at;
        while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9')
            ++at;
        if (!ParseUnsigned(bytes.substr(start, at - start), value))
            return Refuse(error, name, "is not a binary PPM picture: its header is broken");
    }
    // One whitespace byte ends the header.
    if (at >= bytes.size() || bytes[at] == '\0' || !std::strchr(" \t\r\n", bytes[at]))
        return Refuse(error, name, "is not a binary PPM picture: its header is broken");
    if (values[2] != 255)
        return Refuse(error, name, "is not a part as lumo-render writes it: not 8 bits a channel");
    if (!found)
        return Refuse(error, name,
                      "is not a part of a picture: it has no lumo-part description (parts are "
                      "rendered with lumo-render --region)");
    width = values[0];
    height = values[1];
    pixelsAt = at + 1;
    return true;
}

} // namespace

std::uint64_t PartHash(const CPictureRecipe& recipe) {
    CFnv1a hash;
    hash.Add("lumo", std::string(LUMO_VERSION));
    hash.Add("scene", recipe.hasScript ? recipe.sceneBytes : std::string());
    hash.Add("default", recipe.hasScript ? 0u : 1u);
    hash.Add("loader", recipe.keywordLoader ? 1u : 0u);
    hash.Add("width", recipe.width);
    hash.Add("height", recipe.height);
    hash.Add("recursion", CTracer::CapRecursion(recipe.maxRecursion));
    hash.Add("antialias", std::max(1u, CPixelTracer::CapAntialias(recipe.antialias)));
    return hash.Hash();
}

std::string CPartFile::Describe(const CPartInfo& info) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(info.hash));
    return std::string(kKeyword) + " " + std::to_string(kVersion) + " picture " +
           std::to_string(info.pictureWidth) + "x" + std::to_string(info.pictureHeight) +
           " region " + RegionText(info.region) + " hash " + hash;
}

bool CPartFile::ParseDescription(const std::string& text, CPartInfo& info, std::string& error) {
    std::vector<std::string> words = Split(text, ' ');
    unsigned version = 0;
    if (words.size() != 8 || words[0] != kKeyword || words[2] != "picture" ||
        words[4] != "region" || words[6] != "hash" || !ParseUnsigned(words[1], version)) {
        error = "its description is not one lumo-render writes: '" + Printable(text) + "'";
        return false;
    }
    if (version != kVersion) {
        error = "it is a part of version " + words[1] + ", which this lumo-render cannot read";
        return false;
    }
    CPartInfo read;
    std::vector<std::string> size = Split(words[3], 'x');
    std::vector<std::string> corners = Split(words[5], ',');
    const std::string& hash = words[7];
    bool hashOk =
        hash.size() == 16 && hash.find_first_not_of("0123456789abcdef") == std::string::npos;
    if (size.size() != 2 || corners.size() != 4 || !hashOk ||
        !ParseUnsigned(size[0], read.pictureWidth) || !ParseUnsigned(size[1], read.pictureHeight) ||
        !ParseUnsigned(corners[0], read.region.left) ||
        !ParseUnsigned(corners[1], read.region.top) ||
        !ParseUnsigned(corners[2], read.region.right) ||
        !ParseUnsigned(corners[3], read.region.bottom)) {
        error = "its description is not one lumo-render writes: '" + Printable(text) + "'";
        return false;
    }
    read.hash = std::strtoull(hash.c_str(), nullptr, 16);
    if (read.pictureWidth < 1 || read.pictureHeight < 1 || read.pictureWidth > kMaxSide ||
        read.pictureHeight > kMaxSide) {
        error = "it claims a picture of " + words[3] + " pixels, which lumo-render never renders";
        return false;
    }
    if (read.region.left >= read.region.right || read.region.top >= read.region.bottom ||
        read.region.right > read.pictureWidth || read.region.bottom > read.pictureHeight) {
        error =
            "its region " + words[5] + " is empty or reaches beyond its " + words[3] + " picture";
        return false;
    }
    info = read;
    return true;
}

bool CPartFile::Encode(const CImage& part, const CPartInfo& info, CImageFile::Format format,
                       std::string& bytes, std::string& error, unsigned threads) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* memory = open_memstream(&buffer, &size);
    if (!memory) {
        error = "cannot encode the part: out of memory";
        return false;
    }
    bool encoded = CImageFile::Encode(part, format, memory, "the part", error, threads);
    bool closed = std::fclose(memory) == 0;
    if (encoded && !closed)
        error = "cannot encode the part: out of memory";
    if (buffer && encoded && closed)
        bytes.assign(buffer, size);
    std::free(buffer);
    if (!encoded || !closed)
        return false;

    std::string description = Describe(info);
    if (format == CImageFile::png) {
        // After the signature and the header chunk, where readers look first.
        std::size_t afterHeader = sizeof kPngSignature + 8 + 13 + 4;
        std::string chunk;
        std::string body = std::string(kKeyword) + '\0' + description;
        PutBigEndian(chunk, static_cast<std::uint32_t>(body.size()));
        chunk += "tEXt" + body;
        const auto* typed = reinterpret_cast<const Bytef*>(chunk.data() + 4);
        PutBigEndian(chunk, static_cast<std::uint32_t>(crc32_z(0, typed, 4 + body.size())));
        bytes.insert(afterHeader, chunk);
    } else {
        // After the magic number "P6\n".
        bytes.insert(3, "# " + description + "\n");
    }
    return true;
}

bool CPartFile::Decode(const std::string& bytes, const std::string& name, CPartInfo& info,
                       CImage& pixels, std::string& error, std::uint64_t maxPixels) {
    std::string shown = Printable(name, 200);
    std::string text;
    unsigned width = 0;
    unsigned height = 0;
    std::size_t pixelsAt = 0;
    bool png = bytes.size() >= sizeof kPngSignature &&
               std::memcmp(bytes.data(), kPngSignature, sizeof kPngSignature) == 0;
    if (png) {
        if (!ReadPngDescription(bytes, shown, text, width, height, error))
            return false;
    } else if (bytes.compare(0, 2, "P6") == 0) {
        if (!ReadPpmHeader(bytes, shown, text, width, height, pixelsAt, error))
            return false;
    } else {
        return Refuse(error, shown, "is not a part of a picture: not a PNG or PPM file");
    }
    CPartInfo read;
    if (!ParseDescription(text, read, error)) {
        error = "'" + shown + "' cannot be joined: " + error;
        return false;
    }
    unsigned regionWidth = read.region.right - read.region.left;
    unsigned regionHeight = read.region.bottom - read.region.top;
    if (width != regionWidth || height != regionHeight)
        return Refuse(error, shown,
                      "is " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels, but its region " + RegionText(read.region) + " is " +
                          std::to_string(regionWidth) + " x " + std::to_string(regionHeight));
    if (std::uint64_t{width} * height > maxPixels)
        return Refuse(error, shown, "is too large to hold in memory");
    if (png) {
        if (!DecodePngPixels(bytes, shown, pixels, error))
            return false;
    } else {
        std::size_t count = std::size_t{width} * height;
        if (bytes.size() - pixelsAt != 3 * count)
            return Refuse(error, shown,
                          bytes.size() - pixelsAt < 3 * count
                              ? "is cut short: its pixels end too early"
                              : "has bytes after its pixels");
        if (!pixels.SetSize(static_cast<int>(width), static_cast<int>(height)))
            return Refuse(error, shown, "cannot be read: out of memory");
        const char* rgb = bytes.data() + pixelsAt;
        for (std::size_t i = 0; i < count; ++i) {
            pixels.m_red[i] = static_cast<std::uint8_t>(rgb[3 * i]);
            pixels.m_green[i] = static_cast<std::uint8_t>(rgb[3 * i + 1]);
            pixels.m_blue[i] = static_cast<std::uint8_t>(rgb[3 * i + 2]);
        }
    }
    if (pixels.GetWidth() != static_cast<int>(width) ||
        pixels.GetHeight() != static_cast<int>(height))
        return Refuse(error, shown, "holds fewer pixels than its header says");
    info = read;
    return true;
}

bool CPictureJoin::Add(const std::string& name, const CPartInfo& info, const CImage& pixels,
                       std::string& error) {
    const RenderRegion& region = info.region;
    std::string shown = Printable(name, 200);
    if (region.left >= region.right || region.top >= region.bottom ||
        region.right > info.pictureWidth || region.bottom > info.pictureHeight ||
        pixels.GetWidth() != static_cast<int>(region.right - region.left) ||
        pixels.GetHeight() != static_cast<int>(region.bottom - region.top))
        return Refuse(error, shown, "does not fit its own region");
    auto pictureSize = [](const CPartInfo& part) {
        return std::to_string(part.pictureWidth) + " x " + std::to_string(part.pictureHeight);
    };
    if (m_parts.empty()) {
        if (std::uint64_t{info.pictureWidth} * info.pictureHeight > m_maxPixels ||
            !m_picture.SetSize(static_cast<int>(info.pictureWidth),
                               static_cast<int>(info.pictureHeight)))
            return Refuse(error, shown,
                          "is a part of a " + pictureSize(info) +
                              " picture, too large for this machine's memory");
        m_first = info;
    } else {
        const std::string& first = m_parts.front().name;
        if (info.pictureWidth != m_first.pictureWidth ||
            info.pictureHeight != m_first.pictureHeight)
            return Refuse(error, shown,
                          "is a part of a " + pictureSize(info) + " picture, but '" + first +
                              "' of a " + pictureSize(m_first) + " one");
        if (info.hash != m_first.hash)
            return Refuse(error, shown,
                          "was rendered from another scene or with other options than '" + first +
                              "' (the parts' hashes differ)");
    }
    for (const Placed& placed : m_parts)
        if (region.left < placed.region.right && placed.region.left < region.right &&
            region.top < placed.region.bottom && placed.region.top < region.bottom)
            return Refuse(error, shown,
                          "(region " + RegionText(region) + ") overlaps '" + placed.name +
                              "' (region " + RegionText(placed.region) + ")");
    std::size_t width = region.right - region.left;
    for (unsigned y = region.top; y < region.bottom; ++y) {
        std::size_t from = (y - region.top) * width;
        std::size_t to = std::size_t{y} * info.pictureWidth + region.left;
        std::memcpy(&m_picture.m_red[to], &pixels.GetRedPlane()[from], width);
        std::memcpy(&m_picture.m_green[to], &pixels.GetGreenPlane()[from], width);
        std::memcpy(&m_picture.m_blue[to], &pixels.GetBluePlane()[from], width);
    }
    m_parts.push_back(Placed{shown, region});
    return true;
}

bool CPictureJoin::Finish(CImage& picture, std::string& error) {
    if (m_parts.empty()) {
        error = "there are no parts to join";
        return false;
    }
    std::uint64_t covered = 0;
    for (const Placed& placed : m_parts)
        covered += std::uint64_t{placed.region.right - placed.region.left} *
                   (placed.region.bottom - placed.region.top);
    if (covered != std::uint64_t{m_first.pictureWidth} * m_first.pictureHeight) {
        // The parts do not overlap, so some pixel is left out. What covers a row changes only
        // where a part starts or ends: the first row with a gap is row 0 or such a row.
        std::set<unsigned> rows{0};
        for (const Placed& placed : m_parts) {
            rows.insert(placed.region.top);
            rows.insert(placed.region.bottom);
        }
        for (unsigned y : rows) {
            if (y >= m_first.pictureHeight)
                break;
            std::vector<std::pair<unsigned, unsigned>> spans;
            for (const Placed& placed : m_parts)
                if (placed.region.top <= y && y < placed.region.bottom)
                    spans.emplace_back(placed.region.left, placed.region.right);
            std::sort(spans.begin(), spans.end());
            unsigned x = 0;
            for (auto [left, right] : spans) {
                if (left > x)
                    break;
                x = right;
            }
            if (x < m_first.pictureWidth) {
                unsigned end = m_first.pictureWidth;
                for (auto [left, right] : spans)
                    if (left > x) {
                        end = left;
                        break;
                    }
                error = "no part holds row " + std::to_string(y) + " from column " +
                        std::to_string(x) + " to " + std::to_string(end - 1) + " of the " +
                        std::to_string(m_first.pictureWidth) + " x " +
                        std::to_string(m_first.pictureHeight) + " picture: a part is missing";
                return false;
            }
        }
    }
    picture = std::move(m_picture);
    m_parts.clear();
    return true;
}
