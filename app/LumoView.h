#pragma once

#include <wx/docview.h>
#include <wx/image.h>

#include <cstdint>
#include <memory>

class CImage;
class CLiveView;
class CLumoDoc;
class CMainFrame;
class CViewCanvas;
class wxDC;
class wxRegion;

// The one view of the document: shows the rendered picture, clears it before a render and
// after the scene changed (OnUpdate), starts the external editor, and handles New, Open and
// Save. It lives in the frame its document template was given.
//
// The picture reaches the screen through off-screen images, never one drawing call per pixel:
// while a render runs, the pixels the renderer paints go into m_screen and the rows finished
// since the last flush are painted from it; afterwards every repaint draws the document's image
// in one blit.
class CLumoView : public wxView {
public:
    CLumoView() = default;
    ~CLumoView() override;

    bool OnCreate(wxDocument* document, long flags) override;
    void OnDraw(wxDC* dc) override;
    // The document's scene changed: the picture is cleared, unless the change keeps it
    // (CSceneChange), and the whole view repainted.
    void OnUpdate(wxView* sender, wxObject* hint) override;
    void OnChangeFilename() override;
    bool OnClose(bool deleteWindow) override;

    // The engine's document of this view, or null.
    CLumoDoc* GetSceneDocument();
    // Repaints the whole view now, from the document's image.
    void RepaintNow();

    // The image and the screen rectangle it covers become white.
    void ClearImage();
    // A finished run of a row of the render's picture, [left, right) of row y, into the
    // off-screen image; FlushPaintedRows puts it on the screen.
    void ShowRow(const CImage& picture, unsigned y, unsigned left, unsigned right);
    // Puts the rows painted since the last flush on the screen at once.
    void FlushPaintedRows();
    // The canvas's paint handler.
    void Paint(wxDC& dc, const wxRegion& update);

    CViewCanvas* GetCanvas() const { return m_canvas; }
    CMainFrame* GetMainFrame() const { return m_frame; }
    // The live preview over this view, or null before OnCreate.
    CLiveView* GetLiveView() const { return m_live.get(); }

private:
    // One pixel of the render into the off-screen image, its row marked for the next flush.
    void SetPixel(int x, int y, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    bool IsIdle() const;
    void DrawImage(wxDC& dc);

    void OnFileNew(wxCommandEvent& event);
    void OnFileOpen(wxCommandEvent& event);
    void OnFileSave(wxCommandEvent& event);
    void OnEditor(wxCommandEvent& event);
    void OnGoRender(wxCommandEvent& event);
    void OnOptions(wxCommandEvent& event);
    void OnUpdateWhenIdle(wxUpdateUIEvent& event);

    CMainFrame* m_frame = nullptr; // from the document's template, in OnCreate
    CViewCanvas* m_canvas = nullptr;
    std::unique_ptr<CLiveView> m_live;
    wxImage m_screen; // what the renderer painted on the view, in the image's size
    int m_dirtyTop = -1;
    int m_dirtyBottom = -1;

    wxDECLARE_DYNAMIC_CLASS(CLumoView);
    wxDECLARE_EVENT_TABLE();
};
