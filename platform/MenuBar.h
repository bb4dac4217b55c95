#pragma once

// The main window's menu bar, addressed by position as the render flags do ("&Go" is 4).
//
// The desktop wraps its wxMenuBar in a small adapter that the frame owns: the menu bar is
// replaced whenever the frame's menus are rebuilt, and the adapter always reaches the current
// one.
class CMenuBar {
public:
    virtual ~CMenuBar() = default;
    // Enables, or disables and greys, the top-level item at the position.
    virtual void EnableTopLevelItem(int position, bool enable) = 0;
    virtual bool IsTopLevelItemEnabled(int position) const = 0;
};
