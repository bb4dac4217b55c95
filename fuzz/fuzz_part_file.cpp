// lumo-render --join's part reader over any bytes: a part is read only when its description,
// its header and its pixels agree, and what is read fits its picture and says the same again;
// a part joined alone makes its picture exactly when it covers all of it.
#include "cli/PartFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Parts of at most this many pixels are read (the rest are refused as too large).
constexpr std::uint64_t kMostPixels = 1 << 16;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool OneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    CPartInfo info;
    CImage pixels;
    std::string error;
    if (!CPartFile::Decode(bytes, "part.png", info, pixels, error, kMostPixels)) {
        Check(OneLine(error));
        return 0;
    }
    const RenderRegion& region = info.region;
    Check(region.left < region.right && region.top < region.bottom);
    Check(region.right <= info.pictureWidth && region.bottom <= info.pictureHeight);
    Check(pixels.GetWidth() == static_cast<int>(region.right - region.left));
    Check(pixels.GetHeight() == static_cast<int>(region.bottom - region.top));
    CPartInfo again;
    Check(CPartFile::ParseDescription(CPartFile::Describe(info), again, error) && again == info);

    CPictureJoin join(kMostPixels);
    if (!join.Add("part.png", info, pixels, error)) {
        Check(OneLine(error));
        Check(std::uint64_t{info.pictureWidth} * info.pictureHeight > kMostPixels);
        return 0;
    }
    CImage picture;
    bool whole = region.left == 0 && region.top == 0 && region.right == info.pictureWidth &&
                 region.bottom == info.pictureHeight;
    Check(join.Finish(picture, error) == whole);
    if (!whole)
        Check(OneLine(error));
    return 0;
}
