#include "script/SceneFile.h"

#include "platform/AtomicFileWriter.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "scene/WorldPlane.h"
#include "script/Archive.h"
#include "script/LumoDoc.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <system_error>

namespace {

// ---- Writing -------------------------------------------------------------------------------

// The shortest text that reads back to the same bits; infinities and NaN by name.
template <typename T> std::string Number(T value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

bool SameColour(const CColour& a, const CColour& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue &&
           std::memcmp(&a.redLevel, &b.redLevel, sizeof(float)) == 0 &&
           std::memcmp(&a.greenLevel, &b.greenLevel, sizeof(float)) == 0 &&
           std::memcmp(&a.blueLevel, &b.blueLevel, sizeof(float)) == 0;
}

// A colour in the form that rebuilds it exactly and reads best: whole levels (black, white,
// pure colours) as levels, then the bytes a colour was made from, then the levels it was made
// from, else both as they are.
std::string ColourText(const CColour& colour) {
    std::string levels =
        Number(colour.redLevel) + " " + Number(colour.greenLevel) + " " + Number(colour.blueLevel);
    std::string bytes = std::to_string(colour.red) + " " + std::to_string(colour.green) + " " +
                        std::to_string(colour.blue);
    bool fromLevels =
        SameColour(colour, CColour(colour.redLevel, colour.greenLevel, colour.blueLevel));
    auto whole = [](float level) { return level == 0.0f || level == 1.0f; };
    if (fromLevels && whole(colour.redLevel) && whole(colour.greenLevel) && whole(colour.blueLevel))
        return "{ " + levels + " }";
    if (SameColour(colour, CColour(int{colour.red}, int{colour.green}, int{colour.blue})))
        return "bytes { " + bytes + " }";
    if (fromLevels)
        return "{ " + levels + " }";
    return "raw { " + bytes + " " + levels + " }";
}

std::string VectorText(const CVector& v) {
    return "{ " + Number(v.x) + " " + Number(v.y) + " " + Number(v.z) + " }";
}

// What every object adds after its geometry: colour, finish and texture flags.
std::string SurfaceText(CSceneObject& object) {
    const CFinish& f = object.m_finish;
    std::string text = " colour " + ColourText(f.colour) + " finish { " + Number(f.ambient) + " " +
                       Number(f.diffuse) + " " + Number(f.brilliance) + " " + Number(f.specular) +
                       " " + Number(f.roughness) + " " + Number(f.reflection) + " }";
    if (object.GetTextureFlags() != 0)
        text += " texture " + std::to_string(object.GetTextureFlags());
    return text;
}

// ---- Reading -------------------------------------------------------------------------------

class CSceneReader {
public:
    CSceneReader(std::string_view text, const std::string& name) : m_text(text), m_name(name) {}

    bool Read(CSceneContents& contents, std::string& error);
    // Every token and comment of the text, in order, as Read meets them.
    std::vector<CTextToken> Tokens();

private:
    struct Token {
        enum Kind { end, open, close, word, number } kind = end;
        std::string text; // a word in lower case, or a number as written
        int line = 1;
        int column = 1;
        std::size_t offset = 0;
        std::size_t after = 0; // just past the token
    };

    void Next();
    bool Fail(const Token& at, const std::string& message);
    bool Expect(Token::Kind kind, const char* what);
    bool Word(const char* word);
    bool Double(double& value);
    bool Float(float& value);
    bool Integer(long long& value, long long low, long long high, const char* what);
    bool Vector(CVector& vector);
    bool Colour(CColour& colour);
    bool Surface(CSceneObject& object);
    bool Statement(CSceneContents& contents);
    // The statement that starts at the token has been read: its stretch goes into the map.
    void NoteStatement(const Token& at, std::size_t objectsBefore, CSceneContents& contents);

    std::string_view m_text;
    const std::string& m_name;
    // Where the comments skipped go, for Tokens; null while reading.
    std::vector<CTextToken>* m_comments = nullptr;
    std::size_t m_position = 0;
    std::size_t m_consumedEnd = 0; // just past the last token taken
    int m_line = 1;
    int m_column = 1;
    Token m_token;
    std::string m_error;
};

void CSceneReader::Next() {
    auto advance = [&] {
        if (m_text[m_position] == '\n') {
            ++m_line;
            m_column = 1;
        } else {
            ++m_column;
        }
        ++m_position;
    };
    m_consumedEnd = m_token.after;
    for (;;) {
        while (m_position < m_text.size() &&
               std::isspace(static_cast<unsigned char>(m_text[m_position])))
            advance();
        if (m_text.compare(m_position, 2, "//") == 0) {
            std::size_t start = m_position;
            while (m_position < m_text.size() && m_text[m_position] != '\n')
                advance();
            if (m_comments)
                m_comments->push_back({start, m_position - start, CTextToken::comment});
            continue;
        }
        break;
    }
    m_token = Token{};
    m_token.line = m_line;
    m_token.column = m_column;
    m_token.offset = m_position;
    m_token.after = m_position;
    if (m_position >= m_text.size())
        return;
    char c = m_text[m_position];
    if (c == '{' || c == '}') {
        m_token.kind = c == '{' ? Token::open : Token::close;
        m_token.text = c;
        advance();
        m_token.after = m_position;
        return;
    }
    std::size_t start = m_position;
    while (m_position < m_text.size() &&
           !std::isspace(static_cast<unsigned char>(m_text[m_position])) &&
           m_text[m_position] != '{' && m_text[m_position] != '}' &&
           m_text.compare(m_position, 2, "//") != 0)
        advance();
    m_token.text = std::string(m_text.substr(start, m_position - start));
    m_token.after = m_position;
    bool letters = std::isalpha(static_cast<unsigned char>(m_token.text[0])) &&
                   m_token.text != "inf" && m_token.text != "nan";
    for (char& ch : m_token.text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    m_token.kind =
        letters && m_token.text != "inf" && m_token.text != "nan" ? Token::word : Token::number;
}

bool CSceneReader::Fail(const Token& at, const std::string& message) {
    if (m_error.empty())
        m_error = m_name + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " +
                  message;
    return false;
}

std::string Shown(const std::string& text) {
    if (text.empty())
        return "the end of the file";
    std::string shown;
    for (char c : text.substr(0, 40))
        shown += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    return "'" + shown + (text.size() > 40 ? "...'" : "'");
}

bool CSceneReader::Expect(Token::Kind kind, const char* what) {
    if (m_token.kind != kind)
        return Fail(m_token, std::string("expected ") + what + ", found " + Shown(m_token.text));
    Next();
    return true;
}

bool CSceneReader::Word(const char* word) {
    if (m_token.kind != Token::word || m_token.text != word)
        return Fail(m_token, std::string("expected '") + word + "', found " + Shown(m_token.text));
    Next();
    return true;
}

// Numbers: an optional sign, digits with an optional fraction and exponent, or inf and nan.
template <typename T> bool ParseNumber(const std::string& text, T& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    bool negative = begin != end && *begin == '-';
    const char* digits = begin + (negative || (begin != end && *begin == '+') ? 1 : 0);
    std::string rest(digits, end);
    if (rest == "inf" || rest == "nan") {
        value = rest == "inf" ? std::numeric_limits<T>::infinity()
                              : std::numeric_limits<T>::quiet_NaN();
        if (negative)
            value = -value;
        return true;
    }
    if (digits == end || !std::isdigit(static_cast<unsigned char>(*digits)))
        return false;
    auto result = std::from_chars(digits, end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return false;
    if (negative)
        value = -value;
    return true;
}

bool CSceneReader::Double(double& value) {
    if (m_token.kind != Token::number || !ParseNumber(m_token.text, value))
        return Fail(m_token, "expected a number, found " + Shown(m_token.text));
    Next();
    return true;
}

bool CSceneReader::Float(float& value) {
    if (m_token.kind != Token::number || !ParseNumber(m_token.text, value))
        return Fail(m_token, "expected a single-precision number, found " + Shown(m_token.text));
    Next();
    return true;
}

bool CSceneReader::Integer(long long& value, long long low, long long high, const char* what) {
    const std::string& text = m_token.text;
    const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
    auto result = std::from_chars(begin, text.data() + text.size(), value);
    if (m_token.kind != Token::number || result.ec != std::errc() ||
        result.ptr != text.data() + text.size() || value < low || value > high)
        return Fail(m_token, std::string("expected ") + what + ", found " + Shown(text));
    Next();
    return true;
}

bool CSceneReader::Vector(CVector& vector) {
    return Expect(Token::open, "'{'") && Double(vector.x) && Double(vector.y) && Double(vector.z) &&
           Expect(Token::close, "'}'");
}

bool CSceneReader::Colour(CColour& colour) {
    long long r, g, b;
    if (m_token.kind == Token::word && m_token.text == "bytes") {
        Next();
        if (!Expect(Token::open, "'{'") || !Integer(r, 0, 255, "a byte (0 to 255)") ||
            !Integer(g, 0, 255, "a byte (0 to 255)") || !Integer(b, 0, 255, "a byte (0 to 255)") ||
            !Expect(Token::close, "'}'"))
            return false;
        colour = CColour(static_cast<int>(r), static_cast<int>(g), static_cast<int>(b));
        return true;
    }
    bool raw = m_token.kind == Token::word && m_token.text == "raw";
    if (raw) {
        Next();
        if (!Expect(Token::open, "'{'") || !Integer(r, 0, 255, "a byte (0 to 255)") ||
            !Integer(g, 0, 255, "a byte (0 to 255)") || !Integer(b, 0, 255, "a byte (0 to 255)"))
            return false;
    } else if (!Expect(Token::open, "'{', 'bytes' or 'raw'")) {
        return false;
    }
    float levels[3];
    if (!Float(levels[0]) || !Float(levels[1]) || !Float(levels[2]) || !Expect(Token::close, "'}'"))
        return false;
    colour = CColour(levels[0], levels[1], levels[2]);
    if (raw) {
        colour.red = static_cast<std::uint8_t>(r);
        colour.green = static_cast<std::uint8_t>(g);
        colour.blue = static_cast<std::uint8_t>(b);
        colour.redLevel = levels[0];
        colour.greenLevel = levels[1];
        colour.blueLevel = levels[2];
    }
    return true;
}

bool CSceneReader::Surface(CSceneObject& object) {
    while (m_token.kind == Token::word) {
        if (m_token.text == "colour") {
            Next();
            CColour colour;
            if (!Colour(colour))
                return false;
            object.SetColour(colour);
        } else if (m_token.text == "finish") {
            Next();
            double f[6];
            if (!Expect(Token::open, "'{'"))
                return false;
            for (double& value : f)
                if (!Double(value))
                    return false;
            if (!Expect(Token::close, "'}'"))
                return false;
            object.SetFinish(f[0], f[1], f[2], f[3], f[4], f[5]);
        } else if (m_token.text == "texture") {
            Next();
            long long flags;
            if (!Integer(flags, INT_MIN, INT_MAX, "texture flags (a whole number)"))
                return false;
            object.m_textureFlags = static_cast<int>(flags);
        } else {
            return Fail(m_token, "unknown word " + Shown(m_token.text) +
                                     " (expected colour, finish, texture or '}')");
        }
    }
    return Expect(Token::close, "'}'");
}

bool CSceneReader::Statement(CSceneContents& contents) {
    Token at = m_token;
    if (at.kind != Token::word)
        return Fail(at, "expected a statement, found " + Shown(at.text));
    Next();
    if (at.text == "sphere") {
        double x, y, z;
        float radius;
        if (!Expect(Token::open, "'{'") || !Double(x) || !Double(y) || !Double(z) || !Float(radius))
            return false;
        auto sphere = std::make_unique<CSphere>(x, y, z, static_cast<double>(radius), 0);
        if (!Surface(*sphere))
            return false;
        contents.objects.push_back(std::move(sphere));
        return true;
    }
    if (at.text == "plane" && m_token.kind == Token::word && m_token.text == "world") {
        Next();
        double c[4];
        if (!Expect(Token::open, "'{'"))
            return false;
        for (double& value : c)
            if (!Double(value))
                return false;
        auto plane = std::make_unique<CWorldPlane>(c[0], c[1], c[2], c[3]);
        if (!Surface(*plane))
            return false;
        contents.objects.push_back(std::move(plane));
        return true;
    }
    if (at.text == "plane") {
        long long c[4];
        if (!Expect(Token::open, "'{' or 'world'"))
            return false;
        for (long long& value : c)
            if (!Integer(value, INT_MIN, INT_MAX, "a whole-number plane coefficient"))
                return false;
        auto plane = std::make_unique<CPlane>();
        plane->SetCoefficients(static_cast<int>(c[0]), static_cast<int>(c[1]),
                               static_cast<int>(c[2]), static_cast<int>(c[3]));
        if (!Surface(*plane))
            return false;
        contents.objects.push_back(std::move(plane));
        return true;
    }
    if (at.text == "light") {
        if (m_token.kind == Token::word && m_token.text == "same") {
            Next();
            long long entry;
            Token where = m_token;
            if (!Integer(entry, 0, LLONG_MAX, "an entry of the light table"))
                return false;
            if (static_cast<unsigned long long>(entry) >= contents.lights.size())
                return Fail(where,
                            "the light table has no entry " + std::to_string(entry) + " yet");
            contents.lights.push_back(contents.lights[static_cast<std::size_t>(entry)]);
            return true;
        }
        CVector position;
        if (!Expect(Token::open, "'{' or 'same'") || !Double(position.x) || !Double(position.y) ||
            !Double(position.z))
            return false;
        auto light = std::make_unique<CLight>(position);
        if (m_token.kind == Token::word && m_token.text == "colour") {
            Next();
            CColour colour;
            if (!Colour(colour))
                return false;
            light->SetColour(colour);
        }
        if (!Expect(Token::close, "'}'"))
            return false;
        contents.lights.push_back(light.get());
        contents.ownedLights.push_back(std::move(light));
        return true;
    }
    if (at.text == "background")
        return Colour(contents.background);
    if (at.text == "camera")
        return Expect(Token::open, "'{'") && Word("eye") && Vector(contents.eye) && Word("look") &&
               Vector(contents.look) && Expect(Token::close, "'}'");
    if (at.text == "antialias") {
        long long samples;
        if (!Integer(samples, 1, 16, "samples per side of a pixel (1 to 16)"))
            return false;
        contents.antialias = static_cast<unsigned>(samples);
        return true;
    }
    return Fail(at, "unknown statement " + Shown(at.text));
}

bool CSceneReader::Read(CSceneContents& contents, std::string& error) {
    Next();
    Token first = m_token;
    long long version = 0;
    bool header = m_token.kind == Token::open;
    if (header) {
        Next();
        header = m_token.kind == Token::word && m_token.text == "lumo";
    }
    if (header) {
        Next();
        header = m_token.kind == Token::word && m_token.text == "scene";
    }
    if (!header) {
        Fail(first, std::string("not a scene file: it must start with \"") +
                        CSceneFile::kFirstLine + "\"");
        error = m_error;
        return false;
    }
    Next();
    if (!Integer(version, 0, LLONG_MAX, "the format's version") || !Expect(Token::close, "'}'")) {
        error = m_error;
        return false;
    }
    std::size_t headerEnd = m_consumedEnd;
    if (version != 1) {
        Fail(first, "scene file version " + std::to_string(version) +
                        " is newer than this program reads (1)");
        error = m_error;
        return false;
    }
    contents = CSceneContents{};
    contents.background = CColour(0, 0, 0);
    contents.source.headerEnd = headerEnd;
    while (m_token.kind != Token::end) {
        Token at = m_token;
        std::size_t objects = contents.objects.size();
        if (!Statement(contents)) {
            error = m_error;
            return false;
        }
        NoteStatement(at, objects, contents);
    }
    return true;
}

void CSceneReader::NoteStatement(const Token& at, std::size_t objectsBefore,
                                 CSceneContents& contents) {
    CSceneSourceMap& source = contents.source;
    CSourceRange range{at.offset, m_consumedEnd};
    if (contents.objects.size() > objectsBefore) {
        source.objects.push_back(
            {static_cast<std::size_t>(at.line), static_cast<std::size_t>(at.column), at.offset});
        source.objectEnds.push_back(range.end);
    } else if (at.text == "light") {
        source.lights.push_back(range);
    } else if (at.text == "background") {
        source.background = range;
    } else if (at.text == "camera") {
        source.camera = range;
    } else if (at.text == "antialias") {
        source.antialias = range;
    }
}

// The words a scene file's statements are made of; any other word is an error where it stands.
bool IsSceneWord(const std::string& word) {
    static const char* const kWords[] = {
        "lumo",   "scene", "background", "camera", "eye",   "look", "antialias", "light",  "same",
        "sphere", "plane", "world",      "colour", "bytes", "raw",  "finish",    "texture"};
    for (const char* known : kWords)
        if (word == known)
            return true;
    return false;
}

std::vector<CTextToken> CSceneReader::Tokens() {
    std::vector<CTextToken> tokens;
    m_comments = &tokens;
    for (Next(); m_token.kind != Token::end; Next()) {
        CTextToken token{m_token.offset, m_position - m_token.offset, CTextToken::other};
        double value;
        if (m_token.kind == Token::open || m_token.kind == Token::close)
            token.kind = CTextToken::brace;
        else if (m_token.kind == Token::word && IsSceneWord(m_token.text))
            token.kind = CTextToken::keyword;
        else if (m_token.kind == Token::number && ParseNumber(m_token.text, value))
            token.kind = CTextToken::number;
        tokens.push_back(token);
    }
    m_comments = nullptr;
    // The comments were recorded as they were skipped, before the token that followed them.
    std::stable_sort(tokens.begin(), tokens.end(),
                     [](const CTextToken& a, const CTextToken& b) { return a.offset < b.offset; });
    return tokens;
}

} // namespace

bool CSceneFile::IsSceneText(const std::string& text) {
    std::size_t start = text.find_first_not_of(" \t\r\n");
    return start != std::string::npos &&
           text.compare(start, std::strlen(kFirstLine), kFirstLine) == 0;
}

namespace {

// The whole scene, in the order Read reads it back: the settings first, then one line per
// object in list order.
bool WriteScene(const CColour& background, const CVector& eye, const CVector& look,
                unsigned antialias, const std::vector<CLight*>& lights, const CObjectList& objects,
                std::string& text, std::string& error) {
    text = std::string(CSceneFile::kFirstLine) + "\n";
    text += "// A Lumo scene: objects in list order, the light table, the background and the "
            "camera.\n";
    text += "background " + ColourText(background) + "\n";
    text += "camera { eye " + VectorText(eye) + " look " + VectorText(look) + " }\n";
    if (antialias > 1)
        text += "antialias " + std::to_string(antialias) + "\n";
    std::map<const CLight*, std::size_t> written;
    for (std::size_t i = 0; i < lights.size(); ++i) {
        const CLight* light = lights[i];
        if (!light) {
            error = "light table entry " + std::to_string(i) + " is empty";
            return false;
        }
        if (auto same = written.find(light); same != written.end()) {
            text += "light same " + std::to_string(same->second) + "\n";
            continue;
        }
        written[light] = i;
        CLight& shown = const_cast<CLight&>(*light);
        text += "light { " + Number(light->m_position.x) + " " + Number(light->m_position.y) + " " +
                Number(light->m_position.z) + " colour " + ColourText(*shown.GetColour()) + " }\n";
    }
    for (const auto& object : objects) {
        std::string line;
        if (!object || !CSceneFile::ObjectText(*object, line)) {
            error = "the scene holds an object that a scene file cannot keep";
            return false;
        }
        text += line + "\n";
    }
    return true;
}

} // namespace

bool CSceneFile::ObjectText(const CSceneObject& constObject, std::string& text) {
    // The surface is read through the objects' accessors, which are not const.
    CSceneObject* object = const_cast<CSceneObject*>(&constObject);
    if (auto* sphere = dynamic_cast<CSphere*>(object)) {
        const CVector& c = sphere->GetCentre();
        text = "sphere { " + Number(c.x) + " " + Number(c.y) + " " + Number(c.z) + " " +
               Number(sphere->GetRadius()) + SurfaceText(*sphere) + " }";
    } else if (auto* plane = dynamic_cast<CPlane*>(object)) {
        double values[4] = {plane->m_nx, plane->m_ny, plane->m_nz, -plane->m_offset};
        text = "plane {";
        for (double value : values)
            text += " " + std::to_string(static_cast<long long>(value));
        text += SurfaceText(*plane) + " }";
    } else if (auto* world = dynamic_cast<CWorldPlane*>(object)) {
        text = "plane world {";
        for (double value : world->GetCoefficients())
            text += " " + Number(value);
        text += SurfaceText(*world) + " }";
    } else {
        return false;
    }
    return true;
}

bool CSceneFile::Write(const CLumoDoc& document, std::string& text, std::string& error) {
    return WriteScene(document.m_background, document.GetEye(), document.GetLook(),
                      document.m_antialias, document.m_lights, document.m_objects, text, error);
}

bool CSceneFile::Write(const CSceneContents& contents, std::string& text, std::string& error) {
    return WriteScene(contents.background, contents.eye, contents.look, contents.antialias,
                      contents.lights, contents.objects, text, error);
}

bool CSceneFile::Read(const std::string& text, const std::string& name, CSceneContents& contents,
                      std::string& error) {
    return CSceneReader(text, name).Read(contents, error);
}

std::vector<CTextToken> CSceneFile::Tokens(std::string_view text) {
    return CSceneReader(text, std::string()).Tokens();
}

bool CSceneFile::Load(CLumoDoc& document, const std::string& path, std::string& error) {
    CArchive archive(path, CArchive::load);
    std::string text;
    if (!archive.ReadAll(text)) {
        error = archive.GetError();
        return false;
    }
    CSceneContents contents;
    if (!Read(text, path, contents, error))
        return false;
    document.ReplaceScene(std::move(contents));
    return true;
}

bool CSceneFile::Save(const CLumoDoc& document, const std::string& path, std::string& error) {
    std::string text;
    if (!Write(document, text, error))
        return false;
    CAtomicFileWriter writer(path);
    if (!writer.Write(text) || !writer.Commit()) {
        error = writer.GetError();
        return false;
    }
    return true;
}
