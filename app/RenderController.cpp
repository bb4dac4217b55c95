#include "app/RenderController.h"

#include "app/CommandIds.h"
#include "app/LumoView.h"
#include "app/PaneProgress.h"
#include "app/ViewCanvas.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "render/Render.h"
#include "render/RenderReport.h"
#include "render/RenderSink.h"
#include "script/LumoDoc.h"

#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Lets painting and other window-system upkeep through, but no user input, no timer and no
// command: the render still holds the thread as far as the user is concerned.
void YieldForPainting() {
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
        loop->YieldFor(wxEVT_CATEGORY_UI);
        return;
    }
    wxGUIEventLoop loop; // before the main loop runs (start-up, tests)
    wxEventLoopActivator active(&loop);
    loop.YieldFor(wxEVT_CATEGORY_UI);
}

} // namespace

// The render's rows onto the view (when there is one), and its progress onto the status bar's
// gauge.
class CRenderController::CScreenSink : public CRenderSink {
public:
    CScreenSink(CRenderController& controller, CLumoView* view)
        : m_controller(controller), m_view(view), m_lastShown(std::chrono::steady_clock::now()) {}

    void RowFinished(const CImage& picture, unsigned y, unsigned left, unsigned right) override {
        if (m_view)
            m_view->ShowRow(picture, y, left, right);
    }

    void Progress(int position) override {
        if (CPaneProgress* progress = m_controller.m_progress)
            progress->SetPos(position);
        // The rows finished since the screen was last brought up to date are painted now,
        // synchronously, at most about sixty times a second: a fast render is not slowed down
        // by painting, a slow one still shows every row soon after it is traced. User input
        // does not get through, so Escape is read from the keyboard itself.
        auto now = std::chrono::steady_clock::now();
        if (now - m_lastShown >= std::chrono::milliseconds(15)) {
            m_lastShown = now;
            if (m_view) {
                m_view->FlushPaintedRows();
                if (CViewCanvas* canvas = m_view->GetCanvas())
                    canvas->Update();
            }
            if (CPaneProgress* progress = m_controller.m_progress)
                progress->Update();
            YieldForPainting();
            if (m_controller.m_frame.IsActive() && wxGetKeyState(WXK_ESCAPE))
                m_controller.Stop();
        }
        if (m_controller.m_onProgress)
            m_controller.m_onProgress(position);
    }

private:
    CRenderController& m_controller;
    CLumoView* m_view;
    std::chrono::steady_clock::time_point m_lastShown;
};

RenderOptions CRenderController::OptionsFor(const CLumoDoc& document, unsigned width,
                                            unsigned height) {
    RenderOptions options;
    options.width = width;
    options.height = height;
    options.maxRecursion = CSettingsStore::Profile().GetMaxRecursion();
    options.antialias = document.m_antialias;
    return options;
}

void CRenderController::Begin(const wxString& statusText) {
    m_progress = new CPaneProgress;
    if (!m_progress->CreatePaneProgress(m_frame.GetStatusBar(), statusText, 0, 10, -1,
                                        ID_RENDER_PROGRESS)) {
        delete m_progress;
        m_progress = nullptr;
    }
    m_busy = true;
    m_stop = std::stop_source();
    if (wxMenuBar* menuBar = m_frame.GetMenuBar())
        menuBar->EnableTop(kGoMenuPosition, false);
}

void CRenderController::End() {
    if (wxMenuBar* menuBar = m_frame.GetMenuBar())
        menuBar->EnableTop(kGoMenuPosition, true);
    m_busy = false;

    if (m_progress)
        m_progress->Destroy();
    m_progress = nullptr;
    m_frame.SetStatusText("Ready", 0);
    if (wxStatusBar* statusBar = m_frame.GetStatusBar()) {
        statusBar->Refresh();
        statusBar->Update();
    }
}

void CRenderController::Render(CLumoView& view, CLumoDoc& document, unsigned parts) {
    if (m_busy)
        return;
    CRenderReport report;
    wxSize size = view.GetCanvas() ? view.GetCanvas()->GetClientSize() : wxSize();
    RenderOptions options =
        OptionsFor(document, static_cast<unsigned>(std::max(0, size.GetWidth())),
                   static_cast<unsigned>(std::max(0, size.GetHeight())));
    options.parts = parts;
    // The picture on screen turns white before the first row, at the render's size.
    if (!document.m_image.SetSize(static_cast<int>(options.width),
                                  static_cast<int>(options.height)))
        return;

    Begin("Rendering...");
    view.ClearImage();
    wxString title = m_frame.GetTitle();
    m_frame.SetTitle("Rendering..." + title);

    CScreenSink sink(*this, &view);
    RenderResult result =
        ::Render(CRenderScene::Snapshot(document), options, &sink, m_stop.get_token());
    if (result.status != RenderResult::noMemory)
        document.m_image = std::move(result.picture);
    document.m_imageComplete = 1;
    view.RepaintNow();

    CPlatform::Current().MessageBox(report.Text(), CRenderReport::kCaption);
    m_frame.SetTitle(title);
    End();
}

RenderResult CRenderController::RenderLevels(CLumoDoc& document, unsigned width, unsigned height) {
    RenderResult result;
    if (m_busy) {
        result.status = RenderResult::stopped;
        return result;
    }
    RenderOptions options = OptionsFor(document, width, height);
    options.keepLevels = true;
    // Nothing is shown of it, so it takes every core: the picture is the same on any number.
    options.threads = std::max(1u, std::thread::hardware_concurrency());

    Begin("Exporting...");
    CScreenSink sink(*this, nullptr);
    result = ::Render(CRenderScene::Snapshot(document), options, &sink, m_stop.get_token());
    End();
    return result;
}
