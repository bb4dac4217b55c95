#pragma once

#include "platform/Platform.h"
#include "platform/ViewPort.h"

#include <wx/docview.h>
#include <wx/image.h>

class CImage;
class CLumoDoc;
class CMainFrame;
class CViewCanvas;
class wxDC;
class wxRegion;

// The one view of the document: shows the rendered picture, clears it before a render or after
// a script is loaded, starts the external editor, and handles New, Open and Save.
//
// The picture reaches the screen through off-screen images, never one drawing call per pixel:
// while a render runs, the pixels the renderer paints go into m_screen and the rows finished
// since the last flush are painted from it; afterwards every repaint draws the document's image
// in one blit.
class CLumoView : public wxView, public CViewPort {
public:
    // The file dialogs' filter, shared by Open, Save Script and the recent files.
    static constexpr const char* kScriptFilter = "Lumo files (*.lmo)|*.lmo|All Files (*.*))|*.*||";
    // The script file dialog of Open, Save Script and Parse Script: the filter above, "*.lmo"
    // as the initial name, "lumo" added to a name without an extension; an opened file must
    // exist. False when the user cancelled.
    static bool ChooseScriptFile(CFileChoice::Mode mode, std::string& path);

    CLumoView() = default;
    ~CLumoView() override;

    bool OnCreate(wxDocument* document, long flags) override;
    void OnDraw(wxDC* dc) override;
    void OnChangeFilename() override;
    bool OnClose(bool deleteWindow) override;

    // CViewPort.
    CLumoDoc* GetSceneDocument() override;
    void SetPixel(int x, int y, std::uint8_t red, std::uint8_t green, std::uint8_t blue) override;
    void RepaintNow() override;

    // The image and the screen rectangle it covers become white.
    void ClearImage();
    // After a scene was read into the document: the image cleared, the whole view repainted.
    void ClearImageAndRepaint();
    // A finished run of a row of the render's picture, [left, right) of row y, into the
    // off-screen image; FlushPaintedRows puts it on the screen.
    void ShowRow(const CImage& picture, unsigned y, unsigned left, unsigned right);
    // Puts the rows painted since the last flush on the screen at once.
    void FlushPaintedRows();
    // The canvas's paint handler.
    void Paint(wxDC& dc, const wxRegion& update);

    CViewCanvas* GetCanvas() const { return m_canvas; }

private:
    CMainFrame* Frame() const;
    bool IsIdle() const;
    void DrawImage(wxDC& dc);

    void OnFileNew(wxCommandEvent& event);
    void OnFileOpen(wxCommandEvent& event);
    void OnFileSave(wxCommandEvent& event);
    void OnEditor(wxCommandEvent& event);
    void OnGoRender(wxCommandEvent& event);
    void OnOptions(wxCommandEvent& event);
    void OnUpdateWhenIdle(wxUpdateUIEvent& event);

    CViewCanvas* m_canvas = nullptr;
    wxImage m_screen; // what the renderer painted on the view, in the image's size
    int m_dirtyTop = -1;
    int m_dirtyBottom = -1;

    wxDECLARE_DYNAMIC_CLASS(CLumoView);
    wxDECLARE_EVENT_TABLE();
};
