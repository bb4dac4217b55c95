#pragma once

// A progress indicator with a range of 0..100, moved by the render after each row.
class CProgressBar {
public:
    virtual ~CProgressBar() = default;
    virtual void SetPos(int position) = 0;
};
