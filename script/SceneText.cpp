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
    std::vector<ScanPosition> ends;
    int result;
    {
        ScriptParse parse(parsed, GetThreadParseHooks());
        parse.announceSpheres = false;
        parse.sphereStarts = &starts;
        parse.sphereEnds = &ends;
        parse.scanner.Begin(text.data(), text.size());
        result = Parse(parse);
    }
    if (result != 0) {
        error.message = diagnostics.GetMessage().empty() ? name + ": the script does not parse"
                                                         : diagnostics.GetMessage();
        ScanPosition at = diagnostics.GetPlace();
        error.place = {at.line, at.column, CSceneText::OffsetOf(text, at.line, at.column)};
        return false;
    }
    reading.format = CSceneText::script;
    reading.contents = CSceneContents{};
    reading.contents.objects = std::move(parsed.m_objects);
    reading.source = CSceneSourceMap{};
    for (const ScanPosition& start : starts)
        reading.source.objects.push_back(
            {start.line, start.column, CSceneText::OffsetOf(text, start.line, start.column)});
    for (const ScanPosition& end : ends)
        reading.source.objectEnds.push_back(CSceneText::OffsetOf(text, end.line, end.column) + 1);
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

// The lines two lists share at their start, and how many lines of each lie between that and
// the lines they share at their end.
struct LineMiddles {
    std::size_t prefix;
    std::size_t oldMiddle;
    std::size_t newMiddle;
};

LineMiddles Middles(const std::vector<std::string>& oldLines,
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
    return {prefix, oldCount - prefix - suffix, newCount - prefix - suffix};
}

// The objects that differ, replaced in their places; those before and after them stay.
bool ApplyObjects(CLumoDoc& document, CObjectList&& objects,
                  const std::vector<std::string>& oldLines,
                  const std::vector<std::string>& newLines) {
    auto [prefix, oldMiddle, newMiddle] = Middles(oldLines, newLines);
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

// A number as a script writes it: digits, a point and digits, the shortest such text that
// reads back to the value, else as many digits as it takes.
bool ScriptNumber(double value, bool single, std::string& text) {
    if (!std::isfinite(value))
        return false;
    char buffer[64];
    auto result =
        single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value),
                               std::chars_format::fixed)
               : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec == std::errc()) {
        text.assign(buffer, result.ptr);
        if (text.find('.') == std::string::npos)
            text += ".0";
        if (ReadsBackTo(text, value, single))
            return true;
    }
    for (int digits = 1; digits <= 1100; digits += digits < 20 ? 1 : 16) {
        text = Format("%.*f", digits, value);
        if (ReadsBackTo(text, value, single))
            return true;
    }
    return false;
}

bool IsSingle(double value) {
    return SameBits(static_cast<double>(static_cast<float>(value)), value);
}

// A sphere's statement as the grammar builds it back, on one line, the colour and the finish
// written only when they are not the grammar's defaults; false with the reason when no script
// builds it.
bool SphereStatement(std::size_t index, CSceneObject& object, std::string& text,
                     std::string& reason) {
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
    if (!ScriptNumber(c.x, true, x) || !ScriptNumber(c.y, true, y) || !ScriptNumber(c.z, true, z) ||
        !ScriptNumber(sphere->GetRadius(), true, r)) {
        reason = Format("Sphere %zu has a number that a script cannot write.", number);
        return false;
    }
    text = "sphere { " + x + " " + y + " " + z + " " + r;
    CColour white(1.0f, 1.0f, 1.0f);
    if (std::memcmp(&colour.red, &white.red, 3) != 0 || !SameBits(colour.redLevel, 1.0f) ||
        !SameBits(colour.greenLevel, 1.0f) || !SameBits(colour.blueLevel, 1.0f)) {
        std::string red, green, blue;
        ScriptNumber(colour.redLevel, true, red);
        ScriptNumber(colour.greenLevel, true, green);
        ScriptNumber(colour.blueLevel, true, blue);
        text += " colour { " + red + " " + green + " " + blue + " }";
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
        text += " }";
    }
    text += " }";
    return true;
}

// Each object's statement in the format, one line each without its line end; false with the
// reasons when the format cannot say them all.
bool Statements(const CLumoDoc& document, CSceneText::Format format,
                std::vector<std::string>& statements, std::vector<std::string>& reasons) {
    statements.clear();
    reasons.clear();
    for (std::size_t i = 0; i < document.m_objects.size(); ++i) {
        CSceneObject* object = document.m_objects[i].get();
        std::string statement;
        std::string reason;
        if (!object)
            reasons.push_back(Format("Object %zu is missing.", i + 1));
        else if (format == CSceneText::script ? SphereStatement(i, *object, statement, reason)
                                              : CSceneFile::ObjectText(*object, statement))
            statements.push_back(std::move(statement));
        else
            reasons.push_back(format == CSceneText::script
                                  ? reason
                                  : "the scene holds an object that a scene file cannot keep");
    }
    return reasons.empty();
}

std::string Joined(const std::vector<std::string>& lines, std::size_t begin, std::size_t end) {
    std::string text;
    for (std::size_t i = begin; i < end; ++i)
        text += (i == begin ? "" : "\n") + lines[i];
    return text;
}

// The settings lines of a scene file's text, by what they set.
struct SettingsLines {
    std::string background;
    std::string camera;
    std::vector<std::string> lights;
};

SettingsLines SettingsOf(const std::string& sceneText) {
    SettingsLines settings;
    std::size_t start = 0;
    while (start < sceneText.size()) {
        std::size_t end = sceneText.find('\n', start);
        if (end == std::string::npos)
            end = sceneText.size();
        std::string line = sceneText.substr(start, end - start);
        if (line.rfind("background ", 0) == 0)
            settings.background = line;
        else if (line.rfind("camera ", 0) == 0)
            settings.camera = line;
        else if (line.rfind("light ", 0) == 0)
            settings.lights.push_back(line);
        start = end + 1;
    }
    return settings;
}

struct Edit {
    std::size_t begin;
    std::size_t end;
    std::string text;
};

// The statements [begin, end) taken out; when they stand on lines of their own, the lines go
// with them, with a scene file's comment after them.
Edit Removal(const std::string& text, CSceneText::Format format, std::size_t begin,
             std::size_t end) {
    auto blank = [&](std::size_t at) { return text[at] == ' ' || text[at] == '\t'; };
    std::size_t from = begin;
    while (from > 0 && blank(from - 1))
        --from;
    std::size_t to = end;
    while (to < text.size() && blank(to))
        ++to;
    if (format == CSceneText::sceneFile && text.compare(to, 2, "//") == 0)
        while (to < text.size() && text[to] != '\n')
            ++to;
    bool ownLines =
        (from == 0 || text[from - 1] == '\n') && (to == text.size() || text[to] == '\n');
    if (!ownLines)
        return {begin, end, ""};
    return {from, to < text.size() ? to + 1 : to, ""};
}

// The statements of the objects that differ, in their places: the old and the new list are
// matched (the longest common run of statements, found past their common start and end), and
// each stretch between matches is changed as little as it can be.
void ObjectEdits(const std::string& text, CSceneText::Format format, const CSceneSourceMap& source,
                 const std::vector<std::string>& oldLines, const std::vector<std::string>& newLines,
                 const std::vector<std::string>& statements, std::vector<Edit>& edits) {
    auto [prefix, oldMiddle, newMiddle] = Middles(oldLines, newLines);

    // The matches in the middle, in order, as (old, new) pairs; a long middle is one stretch.
    std::vector<std::pair<std::size_t, std::size_t>> matches;
    if (oldMiddle > 0 && newMiddle > 0 && (oldMiddle + 1) * (newMiddle + 1) <= (1u << 20)) {
        std::vector<std::vector<unsigned>> longest(oldMiddle + 1,
                                                   std::vector<unsigned>(newMiddle + 1, 0));
        for (std::size_t i = oldMiddle; i-- > 0;)
            for (std::size_t j = newMiddle; j-- > 0;)
                longest[i][j] = oldLines[prefix + i] == newLines[prefix + j]
                                    ? longest[i + 1][j + 1] + 1
                                    : std::max(longest[i + 1][j], longest[i][j + 1]);
        for (std::size_t i = 0, j = 0; i < oldMiddle && j < newMiddle;) {
            if (oldLines[prefix + i] == newLines[prefix + j]) {
                matches.emplace_back(prefix + i, prefix + j);
                ++i;
                ++j;
            } else if (longest[i + 1][j] >= longest[i][j + 1]) {
                ++i;
            } else {
                ++j;
            }
        }
    }
    matches.emplace_back(prefix + oldMiddle, prefix + newMiddle); // the common end

    auto begin = [&](std::size_t i) { return source.objects[i].offset; };
    auto end = [&](std::size_t i) { return source.objectEnds[i]; };
    std::size_t a = prefix;
    std::size_t c = prefix;
    for (auto [b, d] : matches) {
        // Old statements [a, b) become new ones [c, d).
        if (b - a == d - c) {
            for (std::size_t k = 0; k < b - a; ++k)
                if (oldLines[a + k] != newLines[c + k])
                    edits.push_back({begin(a + k), end(a + k), statements[c + k]});
        } else if (b > a && d > c) {
            edits.push_back({begin(a), end(b - 1), Joined(statements, c, d)});
        } else if (d > c) {
            std::string added = Joined(statements, c, d);
            if (b < oldLines.size())
                edits.push_back({begin(b), begin(b), added + "\n"});
            else if (a > 0)
                edits.push_back({end(a - 1), end(a - 1), "\n" + added});
            else
                edits.push_back({text.size(), text.size(),
                                 (text.empty() || text.back() == '\n' ? "" : "\n") + added + "\n"});
        } else if (b > a) {
            edits.push_back(Removal(text, format, begin(a), end(b - 1)));
        }
        a = b + 1;
        c = d + 1;
    }
}

// The settings statements that differ, in their places; those the text lacks after its first
// line.
void SettingsEdits(const CSceneSourceMap& source, const std::string& oldScene,
                   const std::string& newScene, unsigned oldAntialias, unsigned newAntialias,
                   std::vector<Edit>& edits) {
    SettingsLines before = SettingsOf(oldScene);
    SettingsLines after = SettingsOf(newScene);
    std::string missing;
    auto change = [&](const std::optional<CSourceRange>& range, const std::string& line) {
        if (range)
            edits.push_back({range->begin, range->end, line});
        else
            missing += "\n" + line;
    };
    if (before.background != after.background)
        change(source.background, after.background);
    if (before.camera != after.camera)
        change(source.camera, after.camera);
    if (oldAntialias != newAntialias)
        change(source.antialias, "antialias " + std::to_string(newAntialias));
    if (before.lights != after.lights) {
        if (source.lights.empty())
            missing += "\n" + Joined(after.lights, 0, after.lights.size());
        else
            edits.push_back({source.lights.front().begin, source.lights.back().end,
                             Joined(after.lights, 0, after.lights.size())});
    }
    if (!missing.empty())
        edits.push_back({source.headerEnd, source.headerEnd, missing});
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
    reading.source = std::move(contents.source);
    contents.source = CSceneSourceMap{};
    reading.contents = std::move(contents);
    return true;
}

bool CSceneText::Apply(CLumoDoc& document, Reading&& reading) {
    CSceneContents& contents = reading.contents;
    std::vector<std::string> oldLines;
    std::vector<std::string> newLines;
    bool lined =
        ObjectLines(document.m_objects, oldLines) && ObjectLines(contents.objects, newLines);
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
    std::vector<std::string> statements;
    if (!Statements(document, script, statements, reasons))
        return false;
    text.clear();
    for (const std::string& statement : statements)
        text += statement + "\n";
    return true;
}

bool CSceneText::Rewrite(const std::string& text, Format format, const std::string& name,
                         const CLumoDoc& document, std::string& rewritten,
                         std::vector<std::string>& reasons) {
    std::vector<std::string> statements;
    if (!Statements(document, format, statements, reasons))
        return false;
    Reading old;
    Error error;
    std::vector<std::string> oldLines;
    std::vector<std::string> newLines;
    if (!Read(text, format, name, old, error) || !ObjectLines(old.contents.objects, oldLines) ||
        !ObjectLines(document.m_objects, newLines) ||
        old.source.objects.size() != oldLines.size() ||
        old.source.objectEnds.size() != oldLines.size())
        return Write(document, format, rewritten, reasons);
    std::vector<Edit> edits;
    ObjectEdits(text, format, old.source, oldLines, newLines, statements, edits);
    std::string oldScene;
    std::string newScene;
    std::string ignored;
    if (format == sceneFile) {
        if (!CSceneFile::Write(old.contents, oldScene, ignored) ||
            !CSceneFile::Write(document, newScene, ignored))
            return Write(document, format, rewritten, reasons);
        SettingsEdits(old.source, oldScene, newScene, old.contents.antialias, document.m_antialias,
                      edits);
    }
    // From the end, so that each edit's offsets hold; edits that overlap cannot both be made.
    std::sort(edits.begin(), edits.end(),
              [](const Edit& a, const Edit& b) { return a.begin > b.begin; });
    rewritten = text;
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (i > 0 && edits[i].end > edits[i - 1].begin)
            return Write(document, format, rewritten, reasons);
        rewritten.replace(edits[i].begin, edits[i].end - edits[i].begin, edits[i].text);
    }
    // What the text now says must be the scene, or it is written whole.
    Reading again;
    std::vector<std::string> againLines;
    std::string againScene;
    bool same = Read(rewritten, format, name, again, error) &&
                ObjectLines(again.contents.objects, againLines) && againLines == newLines &&
                (format == script || (CSceneFile::Write(again.contents, againScene, ignored) &&
                                      againScene == newScene));
    if (!same)
        return Write(document, format, rewritten, reasons);
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
