#include "script/SceneText.h"

#include "core/Format.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "scene/WorldPlane.h"
#include "script/LumoDoc.h"
#include "script/ParseActions.h"
#include "script/Scanner.h"
#include "script/ScriptDiagnostics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <typeinfo>

namespace {

// ---- Reading ---------------------------------------------------------------------------------

// The place a reader's message names after "NAME:": "LINE:COLUMN: ...".
CSourcePlace PlaceInMessage(const std::string& text, const std::string& message,
                            const std::string& name) {
    CSourcePlace place;
    if (message.compare(0, name.size() + 1, name + ":") != 0)
        return place;
    const char* at = message.data() + name.size() + 1;
    const char* end = message.data() + message.size();
    std::size_t line = 0;
    std::size_t column = 0;
    auto [afterLine, lineError] = std::from_chars(at, end, line);
    if (lineError != std::errc() || afterLine == end || *afterLine != ':')
        return place;
    auto [afterColumn, columnError] = std::from_chars(afterLine + 1, end, column);
    if (columnError != std::errc() || afterColumn == end || *afterColumn != ':')
        return place;
    std::size_t offset = CSceneText::OffsetOf(text, line, column);
    return {line, column, offset};
}

bool ReadScript(const std::string& text, const std::string& name, CSceneText::Reading& reading,
                CSceneText::Error& error) {
    // The grammar's messages become one line, as Parse Script and lumo-render give them; the
    // spheres are built quietly, into a document of the parse's own.
    CScriptDiagnostics diagnostics(name);
    CLumoDoc parsed;
    parsed.ClearScene();
    std::vector<ScanPosition> starts;
    int result;
    {
        ScriptParse parse(parsed, GetThreadParseHooks());
        parse.announceSpheres = false;
        parse.sphereStarts = &starts;
        parse.scanner.Begin(text.data(), text.size());
        result = Parse(parse);
    }
    if (result != 0) {
        error.message = diagnostics.GetMessage().empty()
                            ? name + ": the script does not parse"
                            : diagnostics.GetMessage();
        ScanPosition at = diagnostics.GetPlace();
        error.place = {at.line, at.column, CSceneText::OffsetOf(text, at.line, at.column)};
        return false;
    }
    reading.format = CSceneText::script;
    reading.contents = CSceneContents{};
    reading.contents.objects = std::move(parsed.m_objects);
    reading.places.clear();
    for (const ScanPosition& start : starts)
        reading.places.push_back(
            {start.line, start.column, CSceneText::OffsetOf(text, start.line, start.column)});
    return true;
}

// ---- Applying --------------------------------------------------------------------------------

bool ObjectLines(const CObjectList& objects, std::vector<std::string>& lines) {
    lines.clear();
    for (const auto& object : objects) {
        std::string line;
        if (!object || !CSceneFile::ObjectText(*object, line))
            return false;
        lines.push_back(std::move(line));
    }
    return true;
}

// The objects that differ, replaced in their places; those before and after them stay.
bool ApplyObjects(CLumoDoc& document, CObjectList&& objects,
                  const std::vector<std::string>& oldLines,
                  const std::vector<std::string>& newLines) {
    std::size_t oldCount = oldLines.size();
    std::size_t newCount = newLines.size();
    std::size_t prefix = 0;
    while (prefix < oldCount && prefix < newCount && oldLines[prefix] == newLines[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < oldCount - prefix && suffix < newCount - prefix &&
           oldLines[oldCount - 1 - suffix] == newLines[newCount - 1 - suffix])
        ++suffix;
    std::size_t oldMiddle = oldCount - prefix - suffix;
    std::size_t newMiddle = newCount - prefix - suffix;
    if (oldMiddle == 0 && newMiddle == 0)
        return false;
    for (std::size_t i = 0; i < std::min(oldMiddle, newMiddle); ++i)
        document.ReplaceObject(prefix + i, std::move(objects[prefix + i]));
    for (std::size_t i = oldMiddle; i < newMiddle; ++i)
        document.InsertObject(prefix + i, std::move(objects[prefix + i]));
    for (std::size_t i = newMiddle; i < oldMiddle; ++i)
        document.RemoveObject(prefix + newMiddle);
    return true;
}

// The scene file's text without its last count lines (the objects'), or empty.
std::string WithoutLastLines(const std::string& text, std::size_t count) {
    std::size_t end = text.size(); // text[0, end) is kept, whole lines
    for (std::size_t i = 0; i < count; ++i) {
        if (end == 0)
            return std::string();
        // The line that ends at end - 1 starts after the line end before it.
        std::size_t previous = end >= 2 ? text.rfind('\n', end - 2) : std::string::npos;
        end = previous == std::string::npos ? 0 : previous + 1;
    }
    return text.substr(0, end);
}

// ---- Writing scripts -------------------------------------------------------------------------

template <typename T> bool SameBits(T a, T b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Whether the script's scanner reads the text back to the value: a double, or the float a
// sphere's centre, radius and colour levels are narrowed to.
bool ReadsBackTo(const std::string& text, double value, bool single) {
    double read = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size())
        return false;
    return single ? SameBits(static_cast<float>(read), static_cast<float>(value))
                  : SameBits(read, value);
}

// A number as a script writes it: digits, a point and digits. "%f", as Save Script writes
// numbers, when that reads back exactly; else the shortest such text that does, or as many
// digits as it takes.
bool ScriptNumber(double value, bool single, std::string& text) {
    if (!std::isfinite(value))
        return false;
    text = Format("%f", value);
    if (ReadsBackTo(text, value, single))
        return true;
    char buffer[64];
    auto result = single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value),
                                         std::chars_format::fixed)
                         : std::to_chars(buffer, buffer + sizeof buffer, value,
                                         std::chars_format::fixed);
    if (result.ec == std::errc()) {
        text.assign(buffer, result.ptr);
        if (text.find('.') == std::string::npos)
            text += ".0";
        if (ReadsBackTo(text, value, single))
            return true;
    }
    for (int digits = 7; digits <= 1100; digits += 4) {
        text = Format("%.*f", digits, value);
        if (ReadsBackTo(text, value, single))
            return true;
    }
    return false;
}

bool IsSingle(double value) {
    return SameBits(static_cast<double>(static_cast<float>(value)), value);
}

// A sphere as the grammar builds it back, in Save Script's layout, the colour and the finish
// written only when they are not the grammar's defaults; false with the reason when no script
// builds it.
bool SphereText(std::size_t index, CSceneObject& object, std::string& text, std::string& reason) {
    auto* sphere = typeid(object) == typeid(CSphere) ? static_cast<CSphere*>(&object) : nullptr;
    std::size_t number = index + 1;
    if (!sphere) {
        const char* kind = dynamic_cast<CPlane*>(&object)        ? "a plane that moves with the eye"
                           : dynamic_cast<CWorldPlane*>(&object) ? "a plane fixed in the world"
                                                                 : "not a sphere";
        reason = Format("Object %zu is %s; a script builds spheres only.", number, kind);
        return false;
    }
    if (sphere->GetTextureFlags() != 0) {
        reason = Format("Sphere %zu has a texture, which a script cannot give.", number);
        return false;
    }
    const CVector& c = sphere->GetCentre();
    if (!IsSingle(c.x) || !IsSingle(c.y) || !IsSingle(c.z)) {
        reason = Format("Sphere %zu's centre (%.17g, %.17g, %.17g) has more digits than a "
                        "script's spheres keep (single precision).",
                        number, c.x, c.y, c.z);
        return false;
    }
    const CColour& colour = *sphere->GetColour();
    CColour rebuilt(colour.redLevel, colour.greenLevel, colour.blueLevel);
    if (std::memcmp(&colour.red, &rebuilt.red, 3) != 0 ||
        !SameBits(colour.redLevel, rebuilt.redLevel) ||
        !SameBits(colour.greenLevel, rebuilt.greenLevel) ||
        !SameBits(colour.blueLevel, rebuilt.blueLevel)) {
        reason = Format("Sphere %zu's colour is not one that a script's levels make.", number);
        return false;
    }
    std::string x, y, z, r;
    if (!ScriptNumber(c.x, true, x) || !ScriptNumber(c.y, true, y) ||
        !ScriptNumber(c.z, true, z) || !ScriptNumber(sphere->GetRadius(), true, r)) {
        reason = Format("Sphere %zu has a number that a script cannot write.", number);
        return false;
    }
    text = "Sphere \n{\n " + x + " \n  " + y + " \n   " + z + " \n  " + r + "  \n";
    CColour white(1.0f, 1.0f, 1.0f);
    if (std::memcmp(&colour.red, &white.red, 3) != 0 || !SameBits(colour.redLevel, 1.0f) ||
        !SameBits(colour.greenLevel, 1.0f) || !SameBits(colour.blueLevel, 1.0f)) {
        std::string red, green, blue;
        ScriptNumber(colour.redLevel, true, red);
        ScriptNumber(colour.greenLevel, true, green);
        ScriptNumber(colour.blueLevel, true, blue);
        text += " colour { " + red + " " + green + " " + blue + " } \n";
    }
    const CFinish& f = sphere->m_finish;
    const double values[6] = {f.ambient,  f.diffuse,   f.brilliance,
                              f.specular, f.roughness, f.reflection};
    const double defaults[6] = {0.5, 0.5, 0.5, 0.5, 0.5, static_cast<double>(0.1f)};
    bool isDefault = true;
    for (int i = 0; i < 6; ++i)
        isDefault = isDefault && SameBits(values[i], defaults[i]);
    if (!isDefault) {
        text += " finish {";
        for (double value : values) {
            std::string written;
            if (!ScriptNumber(value, false, written)) {
                reason = Format("Sphere %zu has a finish that a script cannot write.", number);
                return false;
            }
            text += " " + written;
        }
        text += " } \n";
    }
    text += " } \n\n";
    return true;
}

} // namespace

CSceneText::Format CSceneText::FormatOf(const std::string& text) {
    return CSceneFile::IsSceneText(text) ? sceneFile : script;
}

bool CSceneText::Read(const std::string& text, Format format, const std::string& name,
                      Reading& reading, Error& error) {
    if (format == script)
        return ReadScript(text, name, reading, error);
    CSceneContents contents;
    std::string message;
    if (!CSceneFile::Read(text, name, contents, message)) {
        error.message = message;
        error.place = PlaceInMessage(text, message, name);
        return false;
    }
    reading.format = sceneFile;
    reading.places = std::move(contents.places);
    contents.places.clear();
    reading.contents = std::move(contents);
    return true;
}

bool CSceneText::Apply(CLumoDoc& document, Reading&& reading) {
    CSceneContents& contents = reading.contents;
    std::vector<std::string> oldLines;
    std::vector<std::string> newLines;
    bool lined = ObjectLines(document.m_objects, oldLines) && ObjectLines(contents.objects, newLines);
    if (reading.format == script) {
        if (lined)
            return ApplyObjects(document, std::move(contents.objects), oldLines, newLines);
        document.ClearScene();
        for (auto& object : contents.objects)
            document.AddObjectAtTail(std::move(object));
        return true;
    }
    std::string oldText;
    std::string newText;
    std::string error;
    if (lined && CSceneFile::Write(document, oldText, error) &&
        CSceneFile::Write(contents, newText, error) &&
        WithoutLastLines(oldText, oldLines.size()) == WithoutLastLines(newText, newLines.size()))
        return ApplyObjects(document, std::move(contents.objects), oldLines, newLines);
    document.ReplaceScene(std::move(contents));
    return true;
}

bool CSceneText::Write(const CLumoDoc& document, Format format, std::string& text,
                       std::vector<std::string>& reasons) {
    reasons.clear();
    if (format == sceneFile) {
        std::string error;
        if (CSceneFile::Write(document, text, error))
            return true;
        reasons.push_back(error);
        return false;
    }
    std::string written;
    std::string statement;
    std::string reason;
    for (std::size_t i = 0; i < document.m_objects.size(); ++i) {
        CSceneObject* object = document.m_objects[i].get();
        if (!object)
            continue;
        if (SphereText(i, *object, statement, reason))
            written += statement;
        else
            reasons.push_back(reason);
    }
    if (!reasons.empty())
        return false;
    text = std::move(written);
    return true;
}

std::string CSceneText::SettingsText(const CLumoDoc& document) {
    std::string text;
    std::string error;
    if (!CSceneFile::Write(document, text, error))
        return std::string();
    return WithoutLastLines(text, document.m_objects.size());
}

std::vector<CTextToken> CSceneText::Tokens(std::string_view text, Format format) {
    if (format == sceneFile)
        return CSceneFile::Tokens(text);
    std::vector<CTextToken> tokens;
    CScanner scanner;
    scanner.SetEchoStream(nullptr);
    scanner.SetFailureHandler([](const char*, const CScanner&) {});
    scanner.Begin(text.data(), text.size());
    std::vector<std::size_t> lineStarts{0};
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            lineStarts.push_back(i + 1);
    for (int code = scanner.NextToken(); code > 0; code = scanner.NextToken()) {
        ScanPosition at = scanner.GetTokenPosition();
        if (at.line == 0 || at.line > lineStarts.size())
            break;
        CTextToken token;
        token.offset = lineStarts[at.line - 1] + at.column - 1;
        switch (code) {
        case kTokenLBrace:
        case kTokenRBrace:
            token.kind = CTextToken::brace;
            token.length = 1;
            break;
        case kTokenPlane:
            token.kind = CTextToken::keyword;
            token.length = 5;
            break;
        case kTokenNumber: {
            // -?[0-9]+"."[0-9]+, as long as the scanner took it.
            token.kind = CTextToken::number;
            std::size_t end = token.offset + (text[token.offset] == '-' ? 1 : 0);
            bool point = false;
            while (end < text.size() &&
                   ((text[end] >= '0' && text[end] <= '9') || (text[end] == '.' && !point))) {
                point = point || text[end] == '.';
                ++end;
            }
            token.length = end - token.offset;
            break;
        }
        default: // sphere, colour, finish, triple
            token.kind = CTextToken::keyword;
            token.length = 6;
            break;
        }
        tokens.push_back(token);
    }
    return tokens;
}

bool CSceneText::Rebase(const std::string& base, const std::string& edited,
                        const std::string& rewritten, Replacement& replacement) {
    auto stretch = [&base](const std::string& other, std::size_t& start, std::size_t& end) {
        std::size_t prefix = 0;
        std::size_t shorter = std::min(base.size(), other.size());
        while (prefix < shorter && base[prefix] == other[prefix])
            ++prefix;
        std::size_t suffix = 0;
        while (suffix < shorter - prefix &&
               base[base.size() - 1 - suffix] == other[other.size() - 1 - suffix])
            ++suffix;
        start = prefix;
        end = base.size() - suffix; // [start, end) of base is what differs
    };
    replacement = Replacement{};
    if (rewritten == base)
        return true;
    std::size_t changeStart, changeEnd;
    stretch(rewritten, changeStart, changeEnd);
    replacement.text =
        rewritten.substr(changeStart, rewritten.size() - (base.size() - changeEnd) - changeStart);
    replacement.length = changeEnd - changeStart;
    if (edited == base) {
        replacement.offset = changeStart;
        return true;
    }
    std::size_t editStart, editEnd;
    stretch(edited, editStart, editEnd);
    if (changeEnd < editStart) {
        replacement.offset = changeStart;
        return true;
    }
    if (changeStart > editEnd) {
        replacement.offset = changeStart + edited.size() - base.size();
        return true;
    }
    replacement = Replacement{};
    return false;
}

std::string CSceneText::Applied(const std::string& text, const Replacement& replacement) {
    std::string result = text;
    if (replacement.offset <= result.size())
        result.replace(replacement.offset, replacement.length, replacement.text);
    return result;
}

CSourcePlace CSceneText::PlaceOf(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    CSourcePlace place{1, 1, offset};
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++place.line;
            place.column = 1;
        } else {
            ++place.column;
        }
    }
    return place;
}

std::size_t CSceneText::OffsetOf(std::string_view text, std::size_t line, std::size_t column) {
    std::size_t offset = 0;
    for (std::size_t current = 1; current < line; ++current) {
        std::size_t end = text.find('\n', offset);
        if (end == std::string_view::npos)
            return text.size();
        offset = end + 1;
    }
    std::size_t end = text.find('\n', offset);
    if (end == std::string_view::npos)
        end = text.size();
    return std::min(offset + (column > 0 ? column - 1 : 0), end);
}
