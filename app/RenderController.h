#pragma once

#include "render/Render.h"

#include <functional>
#include <stop_token>

class CLumoDoc;
class CLumoView;
class CPaneProgress;
class wxFrame;
class wxString;

// The Go commands' render, on top of the engine's: the picture traced on this thread (the
// window holds still, only painting gets through) while the title says "Rendering...", the
// "&Go" menu is greyed and the status bar shows the progress; the rows go on the screen as
// they finish; at the end the "Finished Rendering" box and "Ready". Escape, a close or the
// view's end stops it. Export Image's render of the levels goes the same way, unseen.
class CRenderController {
public:
    explicit CRenderController(wxFrame& frame) : m_frame(frame) {}
    CRenderController(const CRenderController&) = delete;
    CRenderController& operator=(const CRenderController&) = delete;

    // Renders the document's picture at the view's size, whole (parts 0) or split into 2
    // halves or 4 quarters each traced on a thread of its own; returns when it has ended. The
    // document's image is the picture then, marked complete, even after a stop.
    void Render(CLumoView& view, CLumoDoc& document, unsigned parts);
    // The document's scene rendered again at width × height with its levels kept
    // (RenderOptions::keepLevels), with the options Render takes, for a file of more than 8
    // bits: "Exporting..." and the progress in the status bar, the "&Go" menu greyed, Escape
    // or a close stopping it, and neither the view nor the document's picture touched.
    // Returns when it has ended.
    RenderResult RenderLevels(CLumoDoc& document, unsigned width, unsigned height);
    // Asks the render in progress, if any, to end before its next pixel. A render started
    // afterwards runs whole.
    void Stop() { m_stop.request_stop(); }
    bool IsBusy() const { return m_busy; }

    // The progress bar of the render in progress, or null.
    CPaneProgress* GetProgress() const { return m_progress; }

    // Called after each position the render reports, once its rows are on the screen: for
    // whoever watches a render in progress (the GUI tests take a screenshot halfway).
    std::function<void(int position)> m_onProgress;

private:
    class CScreenSink;

    // The options of a render of the document at that size.
    static RenderOptions OptionsFor(const CLumoDoc& document, unsigned width, unsigned height);
    // A render's start: busy, a fresh stop, the "&Go" menu greyed, the text and the gauge in
    // the status bar. End undoes it and says "Ready".
    void Begin(const wxString& statusText);
    void End();

    wxFrame& m_frame;
    CPaneProgress* m_progress = nullptr;
    std::stop_source m_stop; // of the render in progress, or of the last one
    bool m_busy = false;
};
