#pragma once

#include <cstddef>

// Where something stands in a text: the line and the column from 1, the column counted in bytes
// (as the script scanner and the scene file reader count it), and the byte offset from the
// text's start.
struct CSourcePlace {
    std::size_t line = 1;
    std::size_t column = 1;
    std::size_t offset = 0;

    bool operator==(const CSourcePlace&) const = default;
};
