#pragma once

#include <wx/object.h>

// The hint the document hands its views with UpdateAllViews after the scene changed. The
// picture on the screen was traced from the scene as it was: it is cleared to white, or, for a
// script opened from the recent-file list, kept and only repainted, as the framework's load
// path has always shown it. An edit in place (the properties pane's) leaves the picture of
// the scene before it until the next render.
class CSceneChange : public wxObject {
public:
    enum Picture { clearPicture, keepPicture, editedScene };

    explicit CSceneChange(Picture picture) : m_picture(picture) {}
    Picture GetPicture() const { return m_picture; }

private:
    Picture m_picture;
};
