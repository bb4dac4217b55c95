#pragma once

// The main window's menu bar, addressed by position as the render flags do ("&Go" is 4).
class CMenuBar {
public:
    virtual ~CMenuBar() = default;
    // Enables, or disables and greys, the top-level item at the position.
    virtual void EnableTopLevelItem(int position, bool enable) = 0;
    virtual bool IsTopLevelItemEnabled(int position) const = 0;
};
