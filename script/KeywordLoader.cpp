// The keyword loader behind File ▸ Open: finds the top-level blocks of a script that follow a
// "sphere" or "plane" keyword and adds one object per block at the head of the scene.

#include "script/LumoDoc.h"

#include "scene/Plane.h"
#include "scene/Sphere.h"

#include <array>
#include <cstdlib>
#include <string>

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Whether the text at position starts with the lower-case word, in any letter case.
bool StartsWith(const char* text, std::size_t length, std::size_t position, const char* word) {
    for (std::size_t i = 0; word[i]; ++i) {
        if (position + i >= length || Lower(text[position + i]) != word[i])
            return false;
    }
    return true;
}

// The length of the script language's number ("-"? digits "." digits) at position, or 0.
std::size_t MatchNumber(const char* text, std::size_t length, std::size_t position) {
    std::size_t end = position;
    if (end < length && text[end] == '-')
        ++end;
    std::size_t digitsStart = end;
    while (end < length && IsDigit(text[end]))
        ++end;
    if (end == digitsStart || end >= length || text[end] != '.')
        return 0;
    std::size_t fractionStart = ++end;
    while (end < length && IsDigit(text[end]))
        ++end;
    if (end == fractionStart)
        return 0;
    return end - position;
}

} // namespace

// Each block's four values are the first four numbers standing directly inside it (not in a
// nested block such as a colour), in the script language's order: x, y, z and radius for a
// sphere, a, b, c and d for a plane. Missing numbers are 0.0. Colours and finishes are not read.
void CLumoDoc::LoadScriptKeywords(const char* text, std::size_t length) {
    if (!text)
        return;
    long long depth = 0;
    bool sphereMark = false;
    bool planeMark = false;
    std::array<float, 4> values{};
    std::size_t valueCount = 0;

    std::size_t i = 0;
    while (i < length) {
        char c = text[i];
        if (c == '/' && i + 1 < length && text[i + 1] == '/') {
            while (i < length && text[i] != '\n')
                ++i;
        } else if (IsSpace(c)) {
            ++i;
        } else if (c == '{') {
            if (++depth == 1) {
                values.fill(0.0f);
                valueCount = 0;
            }
            ++i;
        } else if (c == '}') {
            ++i;
            if (--depth == 0) {
                std::unique_ptr<CSceneObject> object;
                if (sphereMark)
                    object = std::make_unique<CSphere>(values[0], values[1], values[2], values[3]);
                else if (planeMark)
                    object = std::make_unique<CPlane>(values[0], values[1], values[2], values[3]);
                if (object) {
                    AddObjectAtHead(std::move(object));
                    sphereMark = planeMark = false;
                }
                values.fill(0.0f);
                valueCount = 0;
            }
        } else if (StartsWith(text, length, i, "sphere")) {
            sphereMark = true;
            i += 6;
        } else if (StartsWith(text, length, i, "plane")) {
            planeMark = true;
            i += 5;
        } else if (StartsWith(text, length, i, "colour")) {
            i += 6;
        } else if (std::size_t n = depth == 1 ? MatchNumber(text, length, i) : 0) {
            if (valueCount < values.size())
                values[valueCount++] =
                    static_cast<float>(std::strtod(std::string(text + i, n).c_str(), nullptr));
            i += n;
        } else {
            ++i;
        }
    }
}
