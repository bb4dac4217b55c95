#include "app/LumoView.h"

#include "app/CommandIds.h"
#include "app/DesktopEditor.h"
#include "app/ImageViewer.h"
#include "app/LiveView.h"
#include "app/MainFrame.h"
#include "app/SceneChange.h"
#include "app/SceneDocument.h"
#include "app/SceneTemplate.h"
#include "app/ViewCanvas.h"
#include "core/Image.h"
#include "platform/SettingsStore.h"
#include "script/LumoDoc.h"

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/region.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstring>

wxIMPLEMENT_DYNAMIC_CLASS(CLumoView, wxView);

wxBEGIN_EVENT_TABLE(CLumoView, wxView)
    EVT_MENU(ID_FILE_NEW, CLumoView::OnFileNew)
    EVT_MENU(ID_FILE_OPEN, CLumoView::OnFileOpen)
    EVT_MENU(ID_FILE_SAVE, CLumoView::OnFileSave)
    EVT_MENU(ID_VIEW_EDITOR, CLumoView::OnEditor)
    EVT_MENU(ID_GO_RENDER, CLumoView::OnGoRender)
    EVT_MENU(ID_VIEW_OPTIONS_FROM_VIEW, CLumoView::OnOptions)
    EVT_UPDATE_UI(ID_FILE_NEW, CLumoView::OnUpdateWhenIdle)
    EVT_UPDATE_UI(ID_FILE_OPEN, CLumoView::OnUpdateWhenIdle)
    EVT_UPDATE_UI(ID_FILE_SAVE, CLumoView::OnUpdateWhenIdle)
    EVT_UPDATE_UI(ID_GO_RENDER, CLumoView::OnUpdateWhenIdle)
wxEND_EVENT_TABLE()

CLumoView::~CLumoView() {
    // A render still running ends before its next pixel.
    if (m_frame) {
        m_frame->StopRender();
        m_frame->ViewClosing();
    }
    m_live.reset();
    if (m_canvas)
        m_canvas->SetView(nullptr);
}

bool CLumoView::OnCreate(wxDocument* document, long flags) {
    if (!wxView::OnCreate(document, flags))
        return false;
    auto* sceneTemplate = dynamic_cast<CSceneTemplate*>(document->GetDocumentTemplate());
    if (!sceneTemplate)
        return false;
    m_frame = &sceneTemplate->GetFrame();
    SetFrame(m_frame);
    m_canvas = m_frame->GetCanvas();
    m_canvas->SetView(this);
    m_live = std::make_unique<CLiveView>(*this);
    m_frame->ViewCreated(*this);
    Activate(true);
    return true;
}

bool CLumoView::OnClose(bool deleteWindow) {
    if (!wxView::OnClose(deleteWindow))
        return false;
    if (m_frame)
        m_frame->ViewClosing();
    Activate(false);
    return true;
}

bool CLumoView::IsIdle() const {
    return m_frame && !m_frame->IsRendering();
}

CLumoDoc* CLumoView::GetSceneDocument() {
    auto* document = dynamic_cast<CSceneDocument*>(GetDocument());
    return document ? &document->GetScene() : nullptr;
}

void CLumoView::OnChangeFilename() {
    if (m_frame && GetDocument())
        m_frame->ShowDocumentTitle(GetDocument()->GetUserReadableName());
}

void CLumoView::OnUpdate(wxView*, wxObject* hint) {
    auto* change = dynamic_cast<CSceneChange*>(hint);
    // The pane's own edit: it shows the scene as it is already.
    if (change && change->GetPicture() == CSceneChange::editedScene && m_frame)
        if (CLumoDoc* document = GetSceneDocument())
            m_frame->PropertiesSeen(document->GetRevision());
    if (!change || change->GetPicture() == CSceneChange::clearPicture)
        ClearImage();
    if (m_canvas)
        m_canvas->Refresh(true);
    if (m_live)
        m_live->Refresh();
}

void CLumoView::SetPixel(int x, int y, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    if (!m_screen.IsOk() || x < 0 || y < 0 || x >= m_screen.GetWidth() || y >= m_screen.GetHeight())
        return;
    unsigned char* pixel =
        m_screen.GetData() + 3 * (static_cast<std::size_t>(y) * m_screen.GetWidth() + x);
    pixel[0] = red;
    pixel[1] = green;
    pixel[2] = blue;
    if (m_dirtyTop < 0 || y < m_dirtyTop)
        m_dirtyTop = y;
    if (y > m_dirtyBottom)
        m_dirtyBottom = y;
}

void CLumoView::ShowRow(const CImage& picture, unsigned y, unsigned left, unsigned right) {
    int row = static_cast<int>(y);
    if (!m_screen.IsOk() || !picture.HasPlanes() || row >= m_screen.GetHeight() ||
        row >= picture.GetHeight())
        return;
    unsigned end = std::min({right, static_cast<unsigned>(m_screen.GetWidth()),
                             static_cast<unsigned>(picture.GetWidth())});
    for (unsigned x = left; x < end; ++x) {
        std::uint32_t pixel = picture.GetPixel(static_cast<int>(x), row);
        SetPixel(static_cast<int>(x), row, pixel & 0xFF, (pixel >> 8) & 0xFF, (pixel >> 16) & 0xFF);
    }
}

void CLumoView::FlushPaintedRows() {
    if (!m_canvas || m_dirtyTop < 0)
        return;
    m_canvas->RefreshRect(
        wxRect(0, m_dirtyTop, m_screen.GetWidth(), m_dirtyBottom - m_dirtyTop + 1), false);
    m_dirtyTop = m_dirtyBottom = -1;
}

void CLumoView::RepaintNow() {
    if (!m_canvas)
        return;
    m_dirtyTop = m_dirtyBottom = -1;
    m_canvas->Refresh(false);
    m_canvas->Update();
}

void CLumoView::ClearImage() {
    CLumoDoc* document = GetSceneDocument();
    if (!document)
        return;
    CImage& image = document->m_image;
    image.Clear();
    int width = image.GetWidth();
    int height = image.GetHeight();
    if (width > 0 && height > 0) {
        m_screen.Create(width, height, false);
        std::memset(m_screen.GetData(), 255,
                    3 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        // The whole rectangle goes white on screen with the first rows a render paints.
        m_dirtyTop = 0;
        m_dirtyBottom = height - 1;
    } else {
        m_screen = wxImage();
        m_dirtyTop = m_dirtyBottom = -1;
    }
    if (m_canvas)
        m_canvas->RefreshRect(wxRect(0, 0, width, height), false);
}

void CLumoView::Paint(wxDC& dc, const wxRegion& update) {
    CLumoDoc* document = GetSceneDocument();
    if (!document)
        return;
    if (m_frame && m_frame->IsRendering()) {
        // What the render has painted so far, for the part of it that needs repainting.
        if (!m_screen.IsOk())
            return;
        wxRect box = update.GetBox().Intersect(wxRect(m_screen.GetSize()));
        if (!box.IsEmpty())
            dc.DrawBitmap(wxBitmap(m_screen.GetSubImage(box)), box.GetPosition());
        return;
    }
    if (m_live && m_live->Paint(dc, update))
        return;
    if (document->m_imageComplete)
        DrawImage(dc);
}

void CLumoView::OnDraw(wxDC* dc) {
    CLumoDoc* document = GetSceneDocument();
    if (dc && document && document->m_imageComplete)
        DrawImage(*dc);
}

void CLumoView::DrawImage(wxDC& dc) {
    const CImage& image = GetSceneDocument()->m_image;
    if (!image.HasPlanes() || image.GetWidth() <= 0 || image.GetHeight() <= 0)
        return;
    dc.DrawBitmap(wxBitmap(CImageViewer::ToImage(image)), 0, 0);
}

void CLumoView::OnUpdateWhenIdle(wxUpdateUIEvent& event) {
    event.Enable(IsIdle());
}

void CLumoView::OnFileNew(wxCommandEvent&) {
    if (!IsIdle())
        return;
    if (auto* document = dynamic_cast<CSceneDocument*>(GetDocument()))
        document->RunSceneWizard();
}

void CLumoView::OnFileOpen(wxCommandEvent&) {
    if (IsIdle())
        m_frame->GetFileCommands().Open();
}

// Save writes the script, as Save Script does: a Save button that loaded a file into the
// scene instead would be a trap.
void CLumoView::OnFileSave(wxCommandEvent&) {
    if (IsIdle())
        m_frame->GetFileCommands().SaveScript();
}

void CLumoView::OnEditor(wxCommandEvent&) {
    std::string command = CSettingsStore::IniFile().GetString(CSettingsStore::kSection,
                                                              "EditorPath", DefaultEditorCommand());
    StartEditor(command);
}

void CLumoView::OnGoRender(wxCommandEvent&) {
    if (IsIdle())
        m_frame->Render();
}

void CLumoView::OnOptions(wxCommandEvent&) {
    if (m_frame)
        m_frame->ShowOptions();
}
