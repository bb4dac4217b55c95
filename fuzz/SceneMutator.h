#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Mutations of scene texts (scene files and scripts) that keep them mostly well formed, so
// that a fuzzer spends its time in the reader's actions and the renderer rather than in the
// scanner's refusals: a number changed to a telling value, a statement copied, removed, moved
// or replaced by another, a keyword swapped, a crowd of spheres added. The text is cut into
// tokens; blanks and comments are kept as they were.
class CSceneMutator {
public:
    // Byte-level mutation (libFuzzer's own), used for one change in four and whenever a
    // structured change would not fit: mutates data[0, size) in place within maxSize bytes and
    // returns the new size.
    using ByteMutator = std::function<std::size_t(std::uint8_t*, std::size_t, std::size_t)>;

    // Changes the text data[0, size) in place, within maxSize bytes; returns the new size. The
    // same seed gives the same change.
    static std::size_t Mutate(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                              unsigned seed, const ByteMutator& bytes);

    // The structured part alone: a changed copy of the text.
    static std::string MutateText(const std::string& text, unsigned seed);
};
