#pragma once

#include <cstdint>

class CLumoDoc;

// The active view as the engine sees it: the document it shows, per-pixel output while a render
// runs, and a synchronous repaint once it has finished.
//
// The desktop's view implements this directly beside wxView; GetSceneDocument is not called
// GetDocument so that it cannot hide wxView::GetDocument.
class CViewPort {
public:
    virtual ~CViewPort() = default;
    virtual CLumoDoc* GetSceneDocument() = 0;
    virtual void SetPixel(int x, int y, std::uint8_t red, std::uint8_t green,
                          std::uint8_t blue) = 0;
    virtual void RepaintNow() = 0;
};
