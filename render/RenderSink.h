#pragma once

class CImage;

// Whoever watches a render as it goes: the desktop's view and progress bar, lumo-render's
// progress bar, the tests. Called on the thread that called Render, never on a worker, so a
// sink needs no locks of its own.
class CRenderSink {
public:
    virtual ~CRenderSink() = default;
    // The pixels [left, right) of row y are finished in the picture: row by row from the top
    // for the serial and row schedules, as each part finishes them for halves and quarters.
    virtual void RowFinished(const CImage& /*picture*/, unsigned /*y*/, unsigned /*left*/,
                             unsigned /*right*/) {}
    // The progress after each finished row, from 0 to 100: trunc(100 × y / bottom) for the
    // row y of the serial and row schedules, trunc(100 × rows finished / rows of all parts)
    // for halves and quarters.
    virtual void Progress(int /*position*/) {}
    // A progressive render finished the pass at blocks of `step` pixels: every pixel of the
    // region shows its block's traced colour (step 1: the picture is final). Between passes,
    // RowFinished hands over every row of each band of blocks as the band is done, the bands
    // from the top; Progress counts the pixels traced of all passes.
    virtual void PassFinished(unsigned /*step*/) {}
    // The preparation is over (the picture allocated, the scene made traceable, the noise's
    // draws counted) and the rows are traced from now on: what a sink that times the rows
    // measures from. Called again when a schedule falls back to the calling thread before any
    // row was handed over.
    virtual void TracingStarted() {}
};
