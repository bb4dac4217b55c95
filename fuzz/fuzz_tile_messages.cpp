// What a rank of lumo-mpi receives, over any bytes: the first byte says which message, the next
// four the picture's size, the rest is the message. A message is taken only when it is one that
// encodes to exactly these bytes and fits the picture; taken tiles and counts go to rank 0's
// dealer, which must refuse, never crash on, what was not dealt.
#include "mpi/TileDealer.h"
#include "mpi/TileMessages.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool Inside(const RenderRegion& region, unsigned width, unsigned height) {
    return region.left < region.right && region.top < region.bottom && region.right <= width &&
           region.bottom <= height;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5)
        return 0;
    unsigned kind = data[0] % 6;
    unsigned width = 1 + static_cast<unsigned>(data[1] | data[2] << 8) % 300;
    unsigned height = 1 + static_cast<unsigned>(data[3] | data[4] << 8) % 300;
    std::string bytes(reinterpret_cast<const char*>(data) + 5, size - 5);
    std::string error;
    bool ok = false;
    // A dealer that has dealt every job of a picture of that size, for what comes back.
    CTileDealer dealer(width, height, 16, kind % 2 == 0);
    while (!dealer.Deal(CTileMessages::kMaxJobs).empty()) {
    }
    switch (kind) {
    case 0: {
        CJobSetup setup;
        ok = CTileMessages::DecodeSetup(bytes, setup, error);
        if (ok)
            Check(CTileMessages::EncodeSetup(setup) == bytes);
        break;
    }
    case 1: {
        unsigned jobs = 0;
        ok = CTileMessages::DecodeRequest(bytes, jobs, error);
        if (ok)
            Check(jobs >= 1 && jobs <= CTileMessages::kMaxJobs &&
                  CTileMessages::EncodeRequest(jobs) == bytes);
        break;
    }
    case 2: {
        std::vector<CTileJob> jobs;
        bool last = false;
        ok = CTileMessages::DecodeJobs(bytes, width, height, jobs, last, error);
        if (ok) {
            Check(CTileMessages::EncodeJobs(jobs, last) == bytes);
            for (const CTileJob& job : jobs) {
                Check(Inside(job.region, width, height));
                Check(job.rowStarts.empty() ||
                      job.rowStarts.size() == job.region.bottom - job.region.top);
            }
        }
        break;
    }
    case 3:
    case 4: {
        CTileCount count;
        ok = CTileMessages::DecodeCount(bytes, count, error);
        if (ok) {
            Check(CTileMessages::EncodeCount(count) == bytes && count.seconds >= 0.0);
            std::string refused;
            dealer.Accept(count, refused);
        }
        break;
    }
    case 5: {
        CTilePixels pixels;
        ok = CTileMessages::DecodePixels(bytes, width, height, pixels, error);
        if (ok) {
            Check(Inside(pixels.region, width, height));
            Check(pixels.rgb.size() == 3 * std::size_t{pixels.region.right - pixels.region.left} *
                                           (pixels.region.bottom - pixels.region.top));
            CImage picture;
            picture.SetSize(static_cast<int>(width), static_cast<int>(height));
            std::string refused;
            dealer.Accept(pixels, picture, refused);
        }
        std::string text;
        if (CTileMessages::DecodeFailure(bytes, text, error))
            for (char c : text)
                Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        break;
    }
    }
    Check(ok || !error.empty());
    return 0;
}
