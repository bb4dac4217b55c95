#pragma once

#include "script/SourcePlace.h"

#include <cstddef>
#include <optional>
#include <vector>

// A stretch of a text: the bytes [begin, end).
struct CSourceRange {
    std::size_t begin = 0;
    std::size_t end = 0;

    bool operator==(const CSourceRange&) const = default;
};

// Where the statements of a scene text stand, as its reader met them: where the statement that
// made each object starts (a double-click in the picture goes there), and the stretch of every
// statement, so that a text can be changed no more than its scene was.
struct CSceneSourceMap {
    // By object index: where its statement starts, and the offset just past its end.
    std::vector<CSourcePlace> objects;
    std::vector<std::size_t> objectEnds;
    // Scene files only: each entry of the light table, and the statements that set the
    // background, the camera and the antialiasing last (the ones that count).
    std::vector<CSourceRange> lights;
    std::optional<CSourceRange> background;
    std::optional<CSourceRange> camera;
    std::optional<CSourceRange> antialias;
    // Just past the first line's closing brace.
    std::size_t headerEnd = 0;
};
