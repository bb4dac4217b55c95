#pragma once

#include "app/RenderToFileSettings.h"

#include <wx/datetime.h>
#include <wx/image.h>

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>

class CImage;

// This session's renders to file, the newest last: what each was asked (the settings), when it
// finished and how long it took, and its picture, so that any two can be compared. Only the
// last kMaxEntries are kept (a 4K picture takes 24 MiB); a stopped render is not listed, as it
// left no picture.
class CRenderHistory {
public:
    static constexpr std::size_t kMaxEntries = 12;
    static constexpr int kThumbnailWidth = 64;
    static constexpr int kThumbnailHeight = 40;

    struct Entry {
        unsigned number = 0; // 1 for the session's first render to file
        CRenderToFileSettings settings;
        wxDateTime finished;
        double seconds = 0.0;
        std::string problem; // why the file was not written ("" when it was)
        std::shared_ptr<const CImage> picture;
        wxImage thumbnail; // the picture within kThumbnailWidth × kThumbnailHeight
    };

    // Adds the render (its number and thumbnail made here) and drops the oldest beyond the
    // limit; then tells whoever listens.
    const Entry& Add(Entry entry);
    const std::deque<Entry>& GetEntries() const { return m_entries; }
    const Entry* Find(unsigned number) const;

    // The one line of what a render was asked: "1920 × 1080, antialiasing 4, recursion 0,
    // 2 threads".
    static wxString Describe(const CRenderToFileSettings& settings);

    std::function<void()> m_onChange;

private:
    std::deque<Entry> m_entries;
    unsigned m_next = 1;
};
