#pragma once

#include <wx/docview.h>

class CMainFrame;

// The one document template: documents CSceneDocument shown by views CLumoView, and the frame
// that every view of it lives in, handed over by the application that made both.
class CSceneTemplate : public wxDocTemplate {
public:
    CSceneTemplate(wxDocManager* manager, CMainFrame& frame);

    CMainFrame& GetFrame() const { return m_frame; }

private:
    CMainFrame& m_frame;
};
