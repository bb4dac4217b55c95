#pragma once

#include "core/FloatImage.h"
#include "core/Image.h"
#include "render/Camera.h"
#include "render/RenderOptions.h"
#include "render/RenderScene.h"

#include <memory>
#include <stop_token>

class CRenderSink;

// What a render gives back.
struct RenderResult {
    enum Status {
        finished,
        stopped,  // through the token: the picture holds the pixels traced until then
        noMemory, // the picture could not be allocated: nothing was traced
    };
    Status status = finished;
    CImage picture; // options.width × options.height, white where nothing was traced
    // With options.keepLevels, the levels each pixel of the picture was quantised from (1, white,
    // where nothing was traced): every pixel's CFloatImage::ColourAt is the picture's pixel.
    // Without, empty.
    CFloatImage levels;
    // Seconds the scene took to prepare for tracing, hierarchy included.
    double sceneSeconds = 0.0;
};

// Renders the scene's picture as the options say, on the calling thread and the shared task
// pool's, handing each finished row to the sink (or none). A stop requested through the token
// is seen before every row and every pixel. Reads nothing but its arguments: two renders may
// run at once on any threads.
RenderResult Render(const std::shared_ptr<const CRenderScene>& scene, const RenderOptions& options,
                    CRenderSink* sink = nullptr, std::stop_token stop = {});

// The camera of a width × height picture of the scene: the eye, the look vector and the fixed
// axes, the up axis scaled by the picture's ratio in single precision.
CCamera RenderCamera(const CRenderScene& scene, unsigned width, unsigned height);

// Whether Render would trace the scene on several threads with these options: noise on an
// object of another kind than a sphere or a plane keeps it on the calling thread.
bool CanRenderInParallel(const CRenderScene& scene, const RenderOptions& options);
