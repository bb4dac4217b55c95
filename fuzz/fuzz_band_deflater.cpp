// The PNG writer's deflate encoder against zlib's inflate: the input cut into bands at places
// the input chooses, each band deflated apart with the bytes before it as history, the pieces
// joined into one zlib stream, which must inflate to exactly the input. Deflaters are kept and
// used again, as the PNG writer's threads use theirs for band after band: what one band leaves
// behind must not change the next.
#include "render/BandDeflater.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace {
// A few hundred KB each once used; making them afresh for every input would take most of the
// fuzzer's time.
CBandDeflater& Deflater(std::size_t pixelBytes, std::size_t rowBytes) {
    static std::map<std::pair<std::size_t, std::size_t>, std::unique_ptr<CBandDeflater>> kept;
    if (kept.size() >= 32)
        kept.clear();
    auto& deflater = kept[{pixelBytes, rowBytes}];
    if (!deflater)
        deflater = std::make_unique<CBandDeflater>(pixelBytes, rowBytes);
    return *deflater;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    // The near distances the encoder tries first, and how many bands.
    std::size_t pixelBytes = data[0] % 5;
    std::size_t rowBytes = static_cast<std::size_t>(data[1]) * 7;
    std::size_t bands = 1 + data[2] % 9;
    data += 3;
    size -= 3;

    std::vector<std::uint8_t> stream;
    CBandDeflater::AppendStart(stream);
    CBandDeflater& deflater = Deflater(pixelBytes, rowBytes);
    for (std::size_t band = 0; band < bands; ++band) {
        std::size_t begin = size * band / bands;
        std::size_t end = size * (band + 1) / bands;
        std::size_t history = std::min<std::size_t>(begin, 32768);
        if (!deflater.Deflate(data + begin, end - begin, history, stream))
            std::abort();
    }
    uLong adler = adler32(1, data, static_cast<uInt>(size));
    CBandDeflater::AppendEnd(static_cast<std::uint32_t>(adler), stream);

    std::vector<std::uint8_t> inflated(size + 1);
    uLongf length = static_cast<uLongf>(inflated.size());
    if (uncompress(inflated.data(), &length, stream.data(), static_cast<uLong>(stream.size())) !=
            Z_OK ||
        length != size || (size != 0 && std::memcmp(inflated.data(), data, size) != 0))
        std::abort();
    return 0;
}
