#pragma once

#include "core/Image.h"
#include "render/ImageFile.h"
#include "render/RenderOptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A part of a picture: a rectangle rendered on its own (lumo-render --region), perhaps on
// another machine, kept in a PNG or PPM file of the rectangle's size with one line that says
// where it belongs and what it is a picture of:
//   lumo-part 1 picture 640x400 region 0,200,640,400 hash 3f0c5a1e9b2d4c77
// in a PNG's tEXt chunk (keyword "lumo-part") or a PPM's comment line ("# lumo-part ..."). Any
// viewer shows a part as the picture it is. lumo-render --join puts the parts back together.
struct CPartInfo {
    unsigned pictureWidth = 0;
    unsigned pictureHeight = 0;
    RenderRegion region{0, 0, 0, 0};
    // Of the scene and of every option that changes a pixel (PartHash).
    std::uint64_t hash = 0;

    bool operator==(const CPartInfo& other) const {
        return pictureWidth == other.pictureWidth && pictureHeight == other.pictureHeight &&
               region.left == other.region.left && region.top == other.region.top &&
               region.right == other.region.right && region.bottom == other.region.bottom &&
               hash == other.hash;
    }
};

// What a picture is made of, for a part's hash: the program's version, the scene's bytes and how
// they were read, and what changes the pixels (the size, the reflection depth and the
// antialiasing as the render takes them: capped, with 0 as 1), never where the picture goes or
// how many threads trace it.
struct CPictureRecipe {
    bool hasScript = false; // false: the built-in default scene
    bool keywordLoader = false;
    std::string sceneBytes;
    unsigned width = 0;
    unsigned height = 0;
    unsigned maxRecursion = 0;
    unsigned antialias = 1;
};
std::uint64_t PartHash(const CPictureRecipe& recipe);

class CPartFile {
public:
    static constexpr const char* kKeyword = "lumo-part";
    static constexpr unsigned kVersion = 1;

    // The line that describes the part, and back: false, with the reason, for anything else
    // (a region that is empty or reaches beyond the picture included).
    static std::string Describe(const CPartInfo& info);
    static bool ParseDescription(const std::string& text, CPartInfo& info, std::string& error);

    // The part's file: the picture encoded as lumo-render writes it (PNG or PPM), with the
    // description. The picture must be the region's size.
    static bool Encode(const CImage& part, const CPartInfo& info, CImageFile::Format format,
                       std::string& bytes, std::string& error,
                       unsigned threads = CImageFile::MachineThreads());

    // Reads a part file's bytes: its description, then its pixels, which must be the region's
    // size, of at most maxPixels pixels. False, with the reason (naming the file as name), for
    // anything that is not such a part.
    static bool Decode(const std::string& bytes, const std::string& name, CPartInfo& info,
                       CImage& pixels, std::string& error, std::uint64_t maxPixels);
};

// Parts put together into their picture. Each part must be of the same picture (size and hash)
// as the first and overlap none before it; the picture is complete when no pixel is left
// uncovered.
class CPictureJoin {
public:
    // A picture of more than maxPixels pixels is refused.
    explicit CPictureJoin(std::uint64_t maxPixels) : m_maxPixels(maxPixels) {}

    // False, with the reason, when the part does not belong with those before it, or the
    // picture cannot be allocated; the picture then stays as it was.
    bool Add(const std::string& name, const CPartInfo& info, const CImage& pixels,
             std::string& error);
    // The whole picture, once every pixel is covered; false with the first pixel (in rows from
    // the top) that no part covers.
    bool Finish(CImage& picture, std::string& error);

    std::size_t PartCount() const { return m_parts.size(); }

private:
    struct Placed {
        std::string name;
        RenderRegion region;
    };
    std::uint64_t m_maxPixels;
    CPartInfo m_first;
    std::vector<Placed> m_parts;
    CImage m_picture;
};
