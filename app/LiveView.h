#pragma once

#include "render/CameraControl.h"
#include "render/LiveRender.h"

#include <wx/event.h>
#include <wx/gdicmn.h>
#include <wx/image.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class CLumoDoc;
class CLumoView;
class CRenderScene;
class CObjectPicker;
class wxDC;
class wxRegion;

// The view's live preview: whenever the scene or the view's size changes, the picture is
// rendered again on worker threads, coarse blocks first, and shown as it refines; the finished
// picture is the Go commands' picture and becomes the document's image. While it is on, the
// mouse and keys move the camera (drag: orbit about what the view's middle shows; middle or
// Shift drag: pan; wheel, + and -: nearer and farther; arrows: orbit, with Shift: pan) and a
// click selects the object under the cursor, outlined on the screen, not in the picture. The
// Go commands pause it.
//
// On by default; View > Live Preview turns it off (the "LivePreview" setting in the profile),
// and the view then behaves as it always has.
class CLiveView {
public:
    static constexpr std::size_t kNoSelection = CLiveRender::kNoSelection;
    static constexpr const char* kSetting = "LivePreview";

    explicit CLiveView(CLumoView& view);
    ~CLiveView();

    static bool IsEnabledInProfile();
    // Whether the user wants it; IsOn: and it runs now (not during a Go render).
    bool IsEnabled() const { return m_enabled; }
    bool IsOn() const;
    // Turns the preview on (rendering the scene now) or off, and keeps the choice.
    void SetOn(bool on);

    // Renders again when the scene or the view's size has changed since the last request.
    void Refresh(bool force = false);
    // A Go render takes the screen and every core: what is in flight stops first.
    void Pause();
    // The Go render has left the document's picture of the scene: shown as it is.
    void AfterGoRender();

    // Paints the live picture and the outline; false when there is none to show (the view
    // then paints as it always has).
    bool Paint(wxDC& dc, const wxRegion& update);
    // The thread event that a frame is ready.
    void OnFrame();

    // The canvas's input while the preview is on; false when not handled.
    bool OnMouse(wxMouseEvent& event);
    bool OnKey(wxKeyEvent& event);
    // The mouse capture was lost: the drag ends where it was.
    void EndDrag() { m_drag = Drag::none; }

    // The selected object's place in the scene's list, or kNoSelection.
    std::size_t GetSelection() const { return m_selection; }
    void Select(std::size_t object);
    // Called when a click in the picture changed the selection.
    std::function<void(std::size_t)> m_onSelect;
    // Called when an object in the picture is double-clicked (it is selected first).
    std::function<void(std::size_t)> m_onActivate;
    // Called after each frame is shown (tests and the benchmark wait for the refined picture).
    std::function<void(const CLiveRender::Frame&)> m_onFrame;

    const CLiveRender::Frame& GetFrame() const { return m_frame; }
    // Whether a live render (or outline) is being traced now.
    bool IsBusy() const { return m_live && !m_live->IsIdle(); }
    // Whether the shown picture is the finished one of the scene as it is now.
    bool IsRefined() const;

private:
    struct Key {
        unsigned long revision = 0;
        int width = -1;
        int height = -1;
        bool operator==(const Key&) const = default;
    };
    enum class Drag { none, orbit, pan };

    CLumoDoc* Document() const;
    Key CurrentKey() const;
    // The picker of the scene as it is, made again only after a change.
    const CObjectPicker* Picker();
    void StartRender();
    std::shared_ptr<const CRenderScene> Snapshot();
    // Whether a camera move now would cancel a render before the user has seen it at half
    // resolution.
    bool ShouldDeferMove() const;
    void MoveCamera(const CCameraControl::Pose& pose);
    CCameraControl::Pose Pose() const;
    CVector PivotOfView();
    void Orbit(double dx, double dy);
    void Pan(double dx, double dy);
    void Dolly(double factor);
    void PickAt(wxPoint point);
    void UpdateOutline();
    void ShowStatus();
    // Tells the user, the first time the camera moves, which planes move with the eye.
    void NotePlanes();

    CLumoView& m_view;
    std::unique_ptr<CLiveRender> m_live;
    CLiveRender::Frame m_frame;
    wxImage m_image; // the frame's picture in the window's format
    bool m_enabled = true;
    bool m_shown = false;
    Key m_requested;
    std::size_t m_requestedSelection = kNoSelection; // the selection the last job outlines
    unsigned long m_generation = 0;
    std::size_t m_selection = kNoSelection;
    std::vector<wxPoint> m_outline;
    unsigned long m_outlineGeneration = 0;
    Key m_pickerKey;
    std::unique_ptr<CObjectPicker> m_picker;
    // The last snapshot of the scene and the document's revision it shows: a camera moved by
    // the mouse only gives it another camera (the objects and their hierarchy are shared).
    std::shared_ptr<const CRenderScene> m_snapshot;
    unsigned long m_snapshotRevision = 0;
    // While the camera is dragged, a move waits until the render in flight has shown its half
    // resolution pass (or kDragFrameMs have passed), so the picture keeps up with the mouse.
    std::chrono::steady_clock::time_point m_started;
    bool m_movePending = false;

    Drag m_drag = Drag::none;
    wxPoint m_dragStart;
    wxPoint m_dragLast;
    bool m_dragMoved = false;
    CVector m_pivot;
    bool m_planesNoted = false;
};
