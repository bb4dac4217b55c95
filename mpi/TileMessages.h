#pragma once

#include "core/Image.h"
#include "render/RenderOptions.h"

#include <cstdint>
#include <string>
#include <vector>

// What the ranks of lumo-mpi say to each other, as bytes. Rank 0 sends the job (CJobSetup) to
// every rank, then deals tiles on request (CTileJob); the ranks send back what each job gave.
// Every decoder takes the bytes as they came, from a program that may be of another version or
// broken: it checks every length and every rectangle against the picture and refuses, with the
// reason, whatever is not a message of its kind. Integers are little-endian. Nothing here
// needs MPI.

// The picture and scene that every rank renders, as rank 0 resolved them (the sizes and the
// reflection depth may come from rank 0's profile, which the other machines do not share).
struct CJobSetup {
    // Nonzero: the job ends before it starts, with this exit status (rank 0 has said why).
    std::uint8_t exitStatus = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned maxRecursion = 0;
    // Samples per side given on the command line; 0: the scene's own.
    unsigned antialias = 0;
    bool hasScript = false; // false: the built-in default scene
    bool keywordLoader = false;
    std::string scriptName; // what messages call the script
    std::string sceneBytes;
};

// One job a rank is dealt: count the noise's draws of a tile's rows, or trace the tile.
struct CTileJob {
    enum Kind : std::uint8_t { count = 1, trace = 2 };
    Kind kind = trace;
    std::uint32_t index = 0;
    RenderRegion region{0, 0, 0, 0};
    // For tracing a noisy scene's tile: where each of its rows starts in the noise's sequence
    // (one per row); empty otherwise.
    std::vector<std::uint64_t> rowStarts;
};

// A counted tile: its draws row by row, and the seconds the count took (what tracing it will
// cost, roughly).
struct CTileCount {
    std::uint32_t index = 0;
    double seconds = 0.0;
    std::vector<std::uint64_t> rowDraws;
};

// A traced tile: its pixels, row by row, three bytes (red, green, blue) each.
struct CTilePixels {
    std::uint32_t index = 0;
    RenderRegion region{0, 0, 0, 0};
    std::string rgb;
};

class CTileMessages {
public:
    // Message tags, as MPI carries them.
    enum Tag : int {
        kRequest = 1, // rank -> 0: how many more jobs it wants
        kJobs = 2,    // 0 -> rank: jobs, and whether they are the last
        kCounted = 3, // rank -> 0: CTileCount
        kTraced = 4,  // rank -> 0: CTilePixels
        kFailed = 5,  // rank -> 0: why it cannot go on
    };
    // The most jobs one request asks for, and one answer carries.
    static constexpr unsigned kMaxJobs = 4096;
    // The largest side of a picture (lumo-render's limit).
    static constexpr unsigned kMaxSide = 1000000;
    // The longest text of a failure and the longest script name.
    static constexpr std::size_t kMaxText = 4096;

    static std::string EncodeSetup(const CJobSetup& setup);
    static bool DecodeSetup(const std::string& bytes, CJobSetup& setup, std::string& error);

    static std::string EncodeRequest(unsigned jobs);
    static bool DecodeRequest(const std::string& bytes, unsigned& jobs, std::string& error);

    static std::string EncodeJobs(const std::vector<CTileJob>& jobs, bool last);
    // The jobs of a width × height picture: each rectangle inside it and not empty, with one
    // row start per row or none.
    static bool DecodeJobs(const std::string& bytes, unsigned width, unsigned height,
                           std::vector<CTileJob>& jobs, bool& last, std::string& error);

    static std::string EncodeCount(const CTileCount& count);
    static bool DecodeCount(const std::string& bytes, CTileCount& count, std::string& error);

    // The tile's pixels from a picture of its size.
    static std::string EncodePixels(std::uint32_t index, const RenderRegion& region,
                                    const CImage& tile);
    static bool DecodePixels(const std::string& bytes, unsigned width, unsigned height,
                             CTilePixels& pixels, std::string& error);

    static std::string EncodeFailure(const std::string& text);
    static bool DecodeFailure(const std::string& bytes, std::string& text, std::string& error);
};
