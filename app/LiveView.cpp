#include "app/LiveView.h"

#include "app/CommandIds.h"
#include "app/LumoView.h"
#include "app/MainFrame.h"
#include "app/ViewCanvas.h"
#include "platform/SettingsStore.h"
#include "render/ObjectPicker.h"
#include "render/RenderScene.h"
#include "scene/Plane.h"
#include "script/LumoDoc.h"

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/frame.h>
#include <wx/region.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>

namespace {

// Radians of orbit per pixel dragged, and per arrow key.
constexpr double kOrbitPerPixel = 0.005;
constexpr double kOrbitPerKey = 5.0 * std::numbers::pi / 180.0;
// Pixels of pan per arrow key with Shift.
constexpr double kPanPerKey = 20.0;
// The eye's distance from the pivot per wheel notch or + key.
constexpr double kDollyNearer = 0.9;
// A press and release closer than this, in pixels, is a click.
constexpr int kClickSlop = 3;
// The longest a camera move waits for the frame in flight to be shown at half resolution.
constexpr auto kDragFrameWait = std::chrono::milliseconds(33);

const wxColour kOutlineColour(255, 140, 0);

} // namespace

CLiveView::CLiveView(CLumoView& view) : m_view(view), m_enabled(IsEnabledInProfile()) {
    if (CViewCanvas* canvas = view.GetCanvas())
        m_live = std::make_unique<CLiveRender>([canvas] {
            // From the render's thread: queued, the window's thread takes the frame.
            wxQueueEvent(canvas, new wxThreadEvent(wxEVT_THREAD, ID_LIVE_FRAME));
        });
}

CLiveView::~CLiveView() = default;

bool CLiveView::IsEnabledInProfile() {
    return CSettingsStore::Profile().GetInt(CSettingsStore::kSection, kSetting, 1) != 0;
}

bool CLiveView::IsOn() const {
    CMainFrame* frame = m_view.GetMainFrame();
    return m_enabled && m_live && Document() && frame && !frame->IsRendering();
}

void CLiveView::SetOn(bool on) {
    m_enabled = on;
    CSettingsStore::Profile().WriteInt(CSettingsStore::kSection, kSetting, on ? 1 : 0);
    if (on) {
        Refresh(true);
        return;
    }
    if (m_live)
        m_live->Cancel();
    m_shown = false;
    m_requested = Key{};
    m_drag = Drag::none;
    if (CViewCanvas* canvas = m_view.GetCanvas())
        canvas->Refresh(false);
    if (CMainFrame* frame = m_view.GetMainFrame())
        frame->SetStatusText("Ready", 0);
}

CLumoDoc* CLiveView::Document() const {
    return m_view.GetSceneDocument();
}

CLiveView::Key CLiveView::CurrentKey() const {
    Key key;
    if (CLumoDoc* document = Document())
        key.revision = document->GetRevision();
    if (CViewCanvas* canvas = m_view.GetCanvas()) {
        wxSize size = canvas->GetClientSize();
        key.width = size.GetWidth();
        key.height = size.GetHeight();
    }
    return key;
}

bool CLiveView::IsRefined() const {
    return m_shown && m_frame.finished && m_frame.generation == m_generation &&
           m_requested == CurrentKey();
}

void CLiveView::Refresh(bool force) {
    if (!IsOn())
        return;
    Key key = CurrentKey();
    if (key.width <= 0 || key.height <= 0)
        return;
    if (!force && key == m_requested)
        return;
    if (!force && ShouldDeferMove()) {
        m_movePending = true; // OnFrame renders it once the frame in flight has been seen
        return;
    }
    m_requested = key;
    StartRender();
}

void CLiveView::StartRender() {
    CLumoDoc* document = Document();
    RenderOptions options;
    options.width = static_cast<unsigned>(m_requested.width);
    options.height = static_cast<unsigned>(m_requested.height);
    // As the Go commands render, so that the finished picture is theirs.
    options.maxRecursion = CSettingsStore::Profile().GetMaxRecursion();
    options.antialias = document->m_antialias;
    // Beside a render to file, one thread: the preview keeps up with the scene, the render
    // keeps the other cores.
    CMainFrame* frame = m_view.GetMainFrame();
    options.threads =
        frame && frame->IsRenderingToFile() ? 1 : std::max(1u, std::thread::hardware_concurrency());
    m_requestedSelection = m_selection;
    m_started = std::chrono::steady_clock::now();
    m_movePending = false;
    m_generation = m_live->Start(Snapshot(), options, m_selection);
}

std::shared_ptr<const CRenderScene> CLiveView::Snapshot() {
    CLumoDoc* document = Document();
    if (!m_snapshot || m_snapshotRevision != document->GetRevision()) {
        m_snapshot = CRenderScene::Snapshot(*document);
        m_snapshotRevision = document->GetRevision();
    }
    return m_snapshot;
}

bool CLiveView::ShouldDeferMove() const {
    if (m_drag == Drag::none || !m_live || m_live->IsIdle())
        return false;
    bool halfShown = m_frame.generation == m_generation && m_frame.step != 0 && m_frame.step <= 2;
    return !halfShown && std::chrono::steady_clock::now() - m_started < kDragFrameWait;
}

void CLiveView::Pause() {
    if (m_live)
        m_live->Cancel();
    // A frame already on its way is of the scene before the Go render: it is not shown.
    m_generation = 0;
}

void CLiveView::AfterGoRender() {
    CLumoDoc* document = Document();
    if (!m_enabled || !document || !document->m_imageComplete)
        return;
    const CImage& picture = document->m_image;
    int width = picture.GetWidth();
    int height = picture.GetHeight();
    if (!picture.HasPlanes() || width <= 0 || height <= 0)
        return;
    m_image.Create(width, height, false);
    unsigned char* rgb = m_image.GetData();
    for (std::size_t i = 0, count = std::size_t{static_cast<unsigned>(width)} *
                                    static_cast<unsigned>(height);
         i < count; ++i) {
        rgb[3 * i] = picture.GetRedPlane()[i];
        rgb[3 * i + 1] = picture.GetGreenPlane()[i];
        rgb[3 * i + 2] = picture.GetBluePlane()[i];
    }
    m_shown = true;
    // The Go picture stands for the refined one: nothing is rendered again for this scene.
    m_requested = CurrentKey();
    m_frame.finished = true;
    m_frame.generation = m_generation;
    if (m_selection != kNoSelection && m_outlineGeneration != m_generation)
        Select(m_selection);
}

bool CLiveView::Paint(wxDC& dc, const wxRegion& update) {
    if (!IsOn() || !m_shown || !m_image.IsOk())
        return false;
    wxRect box = update.GetBox().Intersect(wxRect(m_image.GetSize()));
    if (!box.IsEmpty())
        dc.DrawBitmap(wxBitmap(m_image.GetSubImage(box)), box.GetPosition());
    if (!m_outline.empty() && m_outlineGeneration == m_frame.generation) {
        dc.SetPen(wxPen(kOutlineColour));
        for (const wxPoint& point : m_outline)
            if (box.Contains(point))
                dc.DrawPoint(point);
    }
    return true;
}

void CLiveView::OnFrame() {
    if (!m_live)
        return;
    unsigned long shownGeneration = m_frame.generation;
    if (!m_live->Take(m_frame) || !m_enabled || m_frame.generation != m_generation)
        return;
    CViewCanvas* canvas = m_view.GetCanvas();
    int width = static_cast<int>(m_frame.width);
    int height = static_cast<int>(m_frame.height);
    if (width <= 0 || height <= 0)
        return;
    if (!m_image.IsOk() || m_image.GetWidth() != width || m_image.GetHeight() != height) {
        m_image.Create(width, height, false);
        std::memcpy(m_image.GetData(), m_frame.rgb.data(), m_frame.rgb.size());
        if (canvas)
            canvas->Refresh(false);
    } else if (m_frame.dirtyTop < m_frame.dirtyBottom) {
        std::size_t begin = std::size_t{m_frame.dirtyTop} * m_frame.width * 3;
        std::size_t end = std::size_t{m_frame.dirtyBottom} * m_frame.width * 3;
        std::memcpy(m_image.GetData() + begin, m_frame.rgb.data() + begin, end - begin);
        if (canvas)
            canvas->RefreshRect(wxRect(0, static_cast<int>(m_frame.dirtyTop), width,
                                       static_cast<int>(m_frame.dirtyBottom - m_frame.dirtyTop)),
                                false);
    }
    m_shown = true;
    bool current = true;
    if (m_frame.generation != shownGeneration && canvas && !m_outline.empty())
        canvas->Refresh(false); // the outline of the scene as it was goes
    if (current && m_frame.finished && m_frame.picture.HasPlanes()) {
        // The refined picture is the Go commands' picture of the scene: Export Image saves it.
        if (CLumoDoc* document = Document()) {
            document->m_image = std::move(m_frame.picture);
            document->m_imageComplete = 1;
        }
        if (m_selection != m_requestedSelection)
            Select(m_selection);
    }
    if (current && m_frame.hasCoverage) {
        UpdateOutline();
        if (canvas)
            canvas->Refresh(false);
    }
    if (m_drag == Drag::none)
        ShowStatus();
    if (m_onFrame)
        m_onFrame(m_frame);
    if (m_movePending)
        Refresh();
}

void CLiveView::UpdateOutline() {
    m_outline.clear();
    m_outlineGeneration = m_frame.generation;
    const std::vector<std::uint8_t>& mask = m_frame.coverage;
    int width = static_cast<int>(m_frame.width);
    int height = static_cast<int>(m_frame.height);
    if (mask.size() != std::size_t{m_frame.width} * m_frame.height)
        return;
    auto covered = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < width && y < height &&
               mask[static_cast<std::size_t>(y) * m_frame.width + static_cast<unsigned>(x)];
    };
    // The covered pixels at the object's edge, and the uncovered ones just outside it: a line
    // two pixels wide that shows on light and dark surroundings alike.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool inside = covered(x, y);
            bool edge = false;
            for (auto [dx, dy] :
                 {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}})
                if (covered(x + dx, y + dy) != inside)
                    edge = true;
            if (inside && (x == 0 || y == 0 || x == width - 1 || y == height - 1))
                edge = true;
            if (edge)
                m_outline.emplace_back(x, y);
        }
    }
}

void CLiveView::ShowStatus() {
    CMainFrame* frame = m_view.GetMainFrame();
    if (!frame || !frame->GetStatusBar())
        return;
    if (m_frame.finished && m_frame.generation == m_generation) {
        frame->SetStatusText("Ready", 0);
        return;
    }
    wxString text = wxString::Format("Live preview: %d%% traced", m_frame.progress);
    if (m_frame.step > 1)
        text += wxString::Format(L", %u \u00d7 %u blocks", m_frame.step, m_frame.step);
    frame->SetStatusText(text, 0);
}

const CObjectPicker* CLiveView::Picker() {
    Key key = CurrentKey();
    CLumoDoc* document = Document();
    if (!document || key.width <= 0 || key.height <= 0)
        return nullptr;
    if (!m_picker || !(m_pickerKey == key)) {
        m_picker = std::make_unique<CObjectPicker>(Snapshot(), static_cast<unsigned>(key.width),
                                                   static_cast<unsigned>(key.height));
        m_pickerKey = key;
    }
    return m_picker.get();
}

void CLiveView::Select(std::size_t object) {
    CLumoDoc* document = Document();
    if (!document || object >= document->m_objects.size())
        object = kNoSelection;
    m_selection = object;
    m_outline.clear();
    if (CViewCanvas* canvas = m_view.GetCanvas())
        canvas->Refresh(false);
    if (!IsOn())
        return;
    if (IsRefined()) {
        // Only the outline is new: the picture stays.
        RenderOptions options;
        options.width = static_cast<unsigned>(m_requested.width);
        options.height = static_cast<unsigned>(m_requested.height);
        options.threads = std::max(1u, std::thread::hardware_concurrency());
        m_requestedSelection = m_selection;
        m_generation = m_live->Start(Snapshot(), options, m_selection, false);
        m_frame.generation = m_generation;
    }
    // Otherwise the render in flight outlines it when it has finished (OnFrame).
}

void CLiveView::PickAt(wxPoint point) {
    const CObjectPicker* picker = Picker();
    if (!picker || point.x < 0 || point.y < 0)
        return;
    std::size_t object =
        picker->Pick(static_cast<unsigned>(point.x), static_cast<unsigned>(point.y));
    Select(object);
    if (m_onSelect)
        m_onSelect(m_selection);
}

CCameraControl::Pose CLiveView::Pose() const {
    CLumoDoc* document = Document();
    return {document->GetEye(), document->GetLook()};
}

CVector CLiveView::PivotOfView() {
    double distance = 0.0;
    if (const CObjectPicker* picker = Picker())
        picker->Pick(static_cast<unsigned>(m_requested.width / 2),
                     static_cast<unsigned>(m_requested.height / 2), &distance);
    return CCameraControl::Pivot(Pose(), distance);
}

void CLiveView::MoveCamera(const CCameraControl::Pose& pose) {
    CLumoDoc* document = Document();
    unsigned long before = document->GetRevision();
    bool cameraOnly = m_snapshot && m_snapshotRevision == before;
    document->SetEye(pose.eye);
    document->SetLook(pose.look);
    // The properties pane shows no camera: it has nothing to read again.
    CMainFrame* frame = m_view.GetMainFrame();
    if (frame && frame->GetPropertiesRevision() == before)
        frame->PropertiesSeen(document->GetRevision());
    if (cameraOnly) {
        m_snapshot = CRenderScene::WithCamera(m_snapshot, pose.eye, pose.look);
        m_snapshotRevision = document->GetRevision();
    }
    Refresh();
}

void CLiveView::Orbit(double dx, double dy) {
    CCameraControl::Pose pose = Pose();
    // Dragging right turns the scene to the right: the eye goes round to its left.
    if (CCameraControl::Orbit(pose, m_pivot, dx * kOrbitPerPixel, -dy * kOrbitPerPixel))
        MoveCamera(pose);
    else if (CMainFrame* frame = m_view.GetMainFrame())
        frame->SetStatusText("The camera turns no further: its picture would skew too much", 0);
}

void CLiveView::Pan(double dx, double dy) {
    CCameraControl::Pose pose = Pose();
    CCameraControl::Pan(pose, m_pivot, dx, dy,
                        static_cast<unsigned>(std::max(0, m_requested.height)));
    MoveCamera(pose);
}

void CLiveView::Dolly(double factor) {
    CCameraControl::Pose pose = Pose();
    CCameraControl::Dolly(pose, m_pivot, factor);
    MoveCamera(pose);
}

void CLiveView::NotePlanes() {
    CLumoDoc* document = Document();
    CMainFrame* frame = m_view.GetMainFrame();
    if (!document || !frame)
        return;
    int planes = 0;
    for (const auto& object : document->m_objects)
        if (dynamic_cast<const CPlane*>(object.get()))
            ++planes;
    if (planes == 0)
        return;
    frame->SetStatusText(planes == 1 ? wxString("The plane moves with the eye: make it fixed in "
                                                "the world in its properties to keep it still")
                                     : wxString::Format("%d planes move with the eye: make them "
                                                        "fixed in the world in their properties "
                                                        "to keep them still",
                                                        planes),
                         0);
}

bool CLiveView::OnMouse(wxMouseEvent& event) {
    if (!IsOn())
        return false;
    CViewCanvas* canvas = m_view.GetCanvas();
    wxPoint point = event.GetPosition();
    if (event.LeftDClick()) {
        PickAt(point);
        if (m_onActivate && m_selection != kNoSelection)
            m_onActivate(m_selection);
        return true;
    }
    if (event.LeftDown() || event.MiddleDown()) {
        if (canvas) {
            canvas->SetFocus();
            if (!canvas->HasCapture())
                canvas->CaptureMouse();
        }
        Refresh();
        m_drag = event.MiddleDown() || event.ShiftDown() ? Drag::pan : Drag::orbit;
        m_dragStart = m_dragLast = point;
        m_dragMoved = false;
        m_pivot = PivotOfView();
        return true;
    }
    if (event.Dragging() && m_drag != Drag::none) {
        wxPoint delta = point - m_dragLast;
        if (!m_dragMoved && (std::abs(point.x - m_dragStart.x) > kClickSlop ||
                             std::abs(point.y - m_dragStart.y) > kClickSlop)) {
            m_dragMoved = true;
            delta = point - m_dragStart;
            NotePlanes();
        }
        if (!m_dragMoved)
            return true;
        m_dragLast = point;
        if (m_drag == Drag::orbit)
            Orbit(delta.x, delta.y);
        else
            Pan(delta.x, delta.y);
        return true;
    }
    if ((event.LeftUp() || event.MiddleUp()) && m_drag != Drag::none) {
        if (canvas && canvas->HasCapture())
            canvas->ReleaseMouse();
        bool click = !m_dragMoved && event.LeftUp();
        m_drag = Drag::none;
        if (click)
            PickAt(point);
        ShowStatus();
        return true;
    }
    if (event.GetEventType() == wxEVT_MOUSEWHEEL) {
        int notches = event.GetWheelRotation() / std::max(1, event.GetWheelDelta());
        if (notches == 0)
            return true;
        m_pivot = PivotOfView();
        Dolly(std::pow(kDollyNearer, notches));
        return true;
    }
    return false;
}

bool CLiveView::OnKey(wxKeyEvent& event) {
    if (!IsOn() || event.ControlDown() || event.AltDown())
        return false;
    int code = event.GetKeyCode();
    bool shift = event.ShiftDown();
    double dx = 0.0;
    double dy = 0.0;
    switch (code) {
    case WXK_LEFT:
    case WXK_NUMPAD_LEFT:
        dx = -1;
        break;
    case WXK_RIGHT:
    case WXK_NUMPAD_RIGHT:
        dx = 1;
        break;
    case WXK_UP:
    case WXK_NUMPAD_UP:
        dy = -1;
        break;
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
        dy = 1;
        break;
    case '+':
    case '=':
    case WXK_NUMPAD_ADD:
        m_pivot = PivotOfView();
        Dolly(kDollyNearer);
        return true;
    case '-':
    case WXK_NUMPAD_SUBTRACT:
        m_pivot = PivotOfView();
        Dolly(1.0 / kDollyNearer);
        return true;
    default:
        return false;
    }
    m_pivot = PivotOfView();
    NotePlanes();
    if (shift)
        Pan(dx * kPanPerKey, dy * kPanPerKey);
    else
        Orbit(dx * kOrbitPerKey / kOrbitPerPixel, dy * kOrbitPerKey / kOrbitPerPixel);
    return true;
}
