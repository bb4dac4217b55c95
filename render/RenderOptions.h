#pragma once

#include "render/TraceScene.h"

// A rectangle of the picture in pixels: columns [left, right), rows [top, bottom).
struct RenderRegion {
    static constexpr unsigned kWhole = ~0u;
    unsigned left = 0;
    unsigned top = 0;
    unsigned right = kWhole;
    unsigned bottom = kWhole;
};

// How a scene is rendered. Whatever the threads, the parts and the hierarchy, the picture is
// the serial one byte for byte.
struct RenderOptions {
    // The picture's size.
    unsigned width = 0;
    unsigned height = 0;
    // The pixels traced, clipped to the picture (the whole picture unless told); the rest of
    // the picture stays white.
    RenderRegion region;
    // The deepest reflection followed (0: none); capped at CTracer::kMaxRecursionCap.
    unsigned maxRecursion = 0;
    // Samples per side of a pixel: n x n rays on a regular grid inside each pixel, their
    // colours averaged before quantising; 0 and 1 trace one ray per pixel. At most
    // CPixelTracer::kMaxAntialias.
    unsigned antialias = 1;
    // Threads that trace the rows; 0 and 1 trace on the calling thread alone. The noise
    // texture draws from one random sequence in pixel order: for a noisy scene a first
    // parallel pass counts the draws of every pixel (they depend on the geometry alone), and
    // each row then starts with the sequence moved on to its place (CRandom::Skip).
    unsigned threads = 1;
    // The picture split into parts, each traced on a thread of its own whatever `threads`
    // says, the calling thread handing each finished row of a part to the sink as soon as it
    // is done (so the parts build up side by side, each from its top): 2, the top and bottom
    // halves ("Split view render per thread"); 4, the four quarters, two by two ("Quarter
    // view render per thread"). 0 and 1 share the rows out as `threads` says; 3 counts as 2,
    // more than 4 as 4.
    unsigned parts = 0;
    // Coarse to fine, for a picture that must show something at once: the pixels on a grid of
    // 8 are traced first, each filling its 8 × 8 block, then those of the grids of 4 and 2
    // not traced yet, each filling its smaller block, then the rest; no pixel is traced
    // twice, so the last pass leaves the serial picture. The passes' rows are shared out as
    // `threads` says; `parts` is not used. A noisy scene whose draws cannot be counted is
    // traced in one serial pass.
    bool progressive = false;
    // Whether the render also keeps each pixel's levels before they are quantised
    // (RenderResult::levels), for a file that holds more than 8 bits a channel. Off, a render
    // makes and keeps nothing of them.
    bool keepLevels = false;
    // Whether the spheres go into a bounding volume hierarchy (CTraceScene::Hierarchy).
    CTraceScene::Hierarchy hierarchy = CTraceScene::Hierarchy::automatic;
};
