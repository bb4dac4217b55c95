#include "app/SceneTemplate.h"

#include "app/LumoView.h"
#include "app/SceneDocument.h"

CSceneTemplate::CSceneTemplate(wxDocManager* manager, CMainFrame& frame)
    : wxDocTemplate(manager, "Lumo Document", "*.lmo", "", "lmo", "Lumo.Document", "Lumo Document",
                    CLASSINFO(CSceneDocument), CLASSINFO(CLumoView)),
      m_frame(frame) {}
