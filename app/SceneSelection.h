#pragma once

#include <cstddef>

// What is selected in a scene: an object of the document's list or an entry of its light
// table, by position; or nothing.
struct CSceneSelection {
    enum Kind { none, object, light };

    Kind kind = none;
    std::size_t index = 0;

    friend bool operator==(const CSceneSelection&, const CSceneSelection&) = default;
};
