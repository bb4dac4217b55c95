#pragma once

#include <cstddef>

// A token of a scene text as its reader sees it, for whoever shows the text (the editor pane
// colours it): where it is and what it is. Text between tokens is skipped by the reader.
struct CTextToken {
    enum Kind { keyword, number, brace, comment, other };
    std::size_t offset = 0;
    std::size_t length = 0;
    Kind kind = other;

    bool operator==(const CTextToken&) const = default;
};
