#pragma once

// A progress indicator with a range of 0..100, moved by the render after each row.
//
// The desktop's status-bar gauge implements it directly (wxGauge has no SetPos of its own).
class CProgressBar {
public:
    virtual ~CProgressBar() = default;
    virtual void SetPos(int position) = 0;
};
