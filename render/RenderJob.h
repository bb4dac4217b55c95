#pragma once

#include <optional>
#include <stop_token>

class CLumoDoc;
class CMainWindow;
class CProgressBar;

// The parameters of one render, filled in by whoever starts it (the main frame's render
// command, lumo-render) and handed to RunRender.
struct RenderJob {
    CLumoDoc* document = nullptr;
    // The region to trace, in pixels: always the whole picture, (0, 0, width, height).
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    // The picture's size; the document's image must already have this size.
    int width = 0;
    int height = 0;
    CProgressBar* progress = nullptr;  // or null
    CMainWindow* mainWindow = nullptr; // its title carries "Rendering..." meanwhile; or null

    // Replaces the profile's "MaxRecursion" for this render only (nothing is stored).
    std::optional<unsigned> maxRecursion;
    // Threads that trace the rows; 0 or 1 traces on the calling thread alone. The picture is
    // the same whatever the count (see CRenderer::SetThreads).
    unsigned threads = 1;
    // The picture split into 2 halves (top and bottom) or 4 quarters, each traced on a thread
    // of its own while the calling thread paints the rows as they finish ("Split view render
    // per thread", "Quarter view render per thread"); 0 shares the rows out among `threads`.
    // The same picture either way (see CRenderer::SetParts).
    unsigned parts = 0;
    // Samples per side of a pixel in place of the document's own setting (CRenderer::
    // SetAntialias); unset: the document's (1, one ray per pixel, unless a scene file says).
    std::optional<unsigned> antialias;
    // Ends this render before its next row or pixel when a stop is requested (a close while
    // it runs); the picture so far is kept and marked complete. The default never stops.
    std::stop_token stop;
};

// The job of rendering the document's whole width x height picture, as every caller starts a
// render (the desktop's render command, lumo-render, the tests): the region is the picture.
RenderJob WholePictureJob(CLumoDoc* document, int width, int height,
                          CProgressBar* progress = nullptr, CMainWindow* mainWindow = nullptr);

// Renders the job's document into its image on the calling thread, greying the Go menu and
// prefixing the window title meanwhile, and reports the elapsed whole seconds in the message
// box "Finished Rendering". Always returns 0.
int RunRender(RenderJob* job);
