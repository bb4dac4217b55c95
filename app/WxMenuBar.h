#pragma once

#include "platform/MenuBar.h"

class wxFrame;

// The engine's view of the frame's menu bar: reaches the frame's current wxMenuBar at every
// call, so it stays right when the menus are rebuilt.
class CWxMenuBar : public CMenuBar {
public:
    explicit CWxMenuBar(wxFrame& frame) : m_frame(frame) {}
    void EnableTopLevelItem(int position, bool enable) override;
    bool IsTopLevelItemEnabled(int position) const override;

private:
    wxFrame& m_frame;
};
