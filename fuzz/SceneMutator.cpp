#include "SceneMutator.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>
#include <vector>

namespace {

struct Token {
    enum Kind { blank, comment, word, number, open, close, other };
    Kind kind;
    std::string text;
};

bool IsNumberStart(const std::string& text, std::size_t at) {
    char c = text[at];
    if (std::isdigit(static_cast<unsigned char>(c)))
        return true;
    if ((c == '-' || c == '+' || c == '.') && at + 1 < text.size())
        return std::isdigit(static_cast<unsigned char>(text[at + 1])) ||
               (c != '.' && text[at + 1] == '.');
    return false;
}

std::vector<Token> Tokens(const std::string& text) {
    std::vector<Token> tokens;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t start = at;
        unsigned char c = static_cast<unsigned char>(text[at]);
        Token::Kind kind;
        if (std::isspace(c)) {
            kind = Token::blank;
            while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
                ++at;
        } else if (text.compare(at, 2, "//") == 0) {
            kind = Token::comment;
            at = std::min(text.find('\n', at), text.size());
        } else if (IsNumberStart(text, at)) {
            kind = Token::number;
            ++at;
            while (at < text.size() &&
                   (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '.' ||
                    ((text[at] == '-' || text[at] == '+') &&
                     (text[at - 1] == 'e' || text[at - 1] == 'E'))))
                ++at;
        } else if (std::isalpha(c)) {
            kind = Token::word;
            while (at < text.size() && std::isalnum(static_cast<unsigned char>(text[at])))
                ++at;
        } else {
            kind = c == '{' ? Token::open : c == '}' ? Token::close : Token::other;
            ++at;
        }
        tokens.push_back({kind, text.substr(start, at - start)});
    }
    return tokens;
}

std::string Join(const std::vector<Token>& tokens) {
    std::string text;
    for (const Token& token : tokens)
        text += token.text;
    return text;
}

bool SameWord(const std::string& a, const char* b) {
    std::string lower = a;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == b;
}

const char* const kSceneStatements[] = {"sphere", "plane",      "light",
                                        "camera", "background", "antialias"};
const char* const kScriptStatements[] = {"sphere", "plane"};

class CMutation {
public:
    CMutation(const std::string& text, unsigned seed)
        : m_scene(text.rfind("{ lumo scene", 0) == 0), m_tokens(Tokens(text)), m_random(seed) {
        FindStatements();
    }

    std::string Apply() {
        switch (Pick(8)) {
        case 0:
        case 1:
        case 2:
            ChangeNumber();
            break;
        case 3:
            CopyStatement();
            break;
        case 4:
            RemoveStatement();
            break;
        case 5:
            MoveStatement();
            break;
        case 6:
            InsertStatements(Pick(4) == 0 ? 8 + Pick(40) : 1);
            break;
        default:
            ChangeKeyword();
            break;
        }
        return Join(m_tokens);
    }

private:
    std::size_t Pick(std::size_t count) {
        return count == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, count - 1)(m_random);
    }
    double Between(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(m_random);
    }

    bool IsStatementWord(const Token& token) const {
        if (token.kind != Token::word)
            return false;
        if (m_scene) {
            for (const char* word : kSceneStatements)
                if (SameWord(token.text, word))
                    return true;
        } else {
            for (const char* word : kScriptStatements)
                if (SameWord(token.text, word))
                    return true;
        }
        return false;
    }

    // A statement runs from a keyword at the top level to the next one (or the end); a scene
    // file's first brace group is its header and stays where it is.
    void FindStatements() {
        int depth = 0;
        for (std::size_t i = 0; i < m_tokens.size(); ++i) {
            const Token& token = m_tokens[i];
            if (token.kind == Token::open)
                ++depth;
            else if (token.kind == Token::close && depth > 0)
                --depth;
            else if (depth == 0 && IsStatementWord(token))
                m_starts.push_back(i);
        }
    }
    std::pair<std::size_t, std::size_t> Statement(std::size_t which) const {
        std::size_t end = which + 1 < m_starts.size() ? m_starts[which + 1] : m_tokens.size();
        return {m_starts[which], end};
    }
    std::size_t Boundary() {
        if (m_starts.empty())
            return m_tokens.size();
        std::size_t which = Pick(m_starts.size() + 1);
        return which == m_starts.size() ? m_tokens.size() : m_starts[which];
    }

    std::string Number(double value) {
        char text[64];
        if (m_scene)
            std::snprintf(text, sizeof text, "%.17g", value);
        else
            std::snprintf(text, sizeof text, "%.*f", static_cast<int>(1 + Pick(4)), value);
        return text;
    }

    void ChangeNumber() {
        std::vector<std::size_t> numbers;
        for (std::size_t i = 0; i < m_tokens.size(); ++i)
            if (m_tokens[i].kind == Token::number)
                numbers.push_back(i);
        if (numbers.empty())
            return InsertStatements(1);
        Token& token = m_tokens[numbers[Pick(numbers.size())]];
        static const char* const kTelling[] = {
            "0",   "-0",    "1",   "-1",  "0.001",  "-0.001", "0.0011", "0.5",   "2",
            "255", "256",   "16",  "17",  "1e-300", "1e300",  "1e-320", "inf",   "-inf",
            "nan", "65535", "4e9", "-50", "40",     "100",    "1e-7",   "0.999", "3"};
        static const char* const kScriptTelling[] = {
            "0.0", "-0.0", "1.0",   "-1.0",  "0.001", "0.5", "2.0",         "255.0",
            "1e3", "40.0", "-50.0", "100.0", "0.999", "1.5", "9999999999.0"};
        double value = std::strtod(token.text.c_str(), nullptr);
        switch (Pick(5)) {
        case 0:
            token.text = m_scene ? kTelling[Pick(std::size(kTelling))]
                                 : kScriptTelling[Pick(std::size(kScriptTelling))];
            break;
        case 1:
            token.text = Number(value * (Pick(2) ? 2.0 : 0.5));
            break;
        case 2:
            token.text = Number(-value);
            break;
        case 3:
            token.text = Number(value + Between(-10.0, 10.0));
            break;
        default:
            token.text = Number(Between(-100.0, 100.0));
            break;
        }
    }

    void CopyStatement() {
        if (m_starts.empty())
            return InsertStatements(1);
        auto [begin, end] = Statement(Pick(m_starts.size()));
        std::vector<Token> copy(m_tokens.begin() + static_cast<std::ptrdiff_t>(begin),
                                m_tokens.begin() + static_cast<std::ptrdiff_t>(end));
        if (copy.back().kind != Token::blank)
            copy.push_back({Token::blank, "\n"});
        std::size_t at = Boundary();
        m_tokens.insert(m_tokens.begin() + static_cast<std::ptrdiff_t>(at), copy.begin(),
                        copy.end());
    }

    void RemoveStatement() {
        if (m_starts.size() < 2)
            return ChangeNumber();
        auto [begin, end] = Statement(Pick(m_starts.size()));
        m_tokens.erase(m_tokens.begin() + static_cast<std::ptrdiff_t>(begin),
                       m_tokens.begin() + static_cast<std::ptrdiff_t>(end));
    }

    void MoveStatement() {
        if (m_starts.size() < 2)
            return CopyStatement();
        auto [begin, end] = Statement(Pick(m_starts.size()));
        std::vector<Token> moved(m_tokens.begin() + static_cast<std::ptrdiff_t>(begin),
                                 m_tokens.begin() + static_cast<std::ptrdiff_t>(end));
        m_tokens.erase(m_tokens.begin() + static_cast<std::ptrdiff_t>(begin),
                       m_tokens.begin() + static_cast<std::ptrdiff_t>(end));
        m_starts.clear();
        FindStatements();
        std::size_t at = Boundary();
        m_tokens.insert(m_tokens.begin() + static_cast<std::ptrdiff_t>(at), moved.begin(),
                        moved.end());
    }

    void ChangeKeyword() {
        static const char* const kSceneWords[] = {
            "sphere", "plane",   "world",      "light",  "same", "colour", "bytes",    "raw",
            "finish", "texture", "background", "camera", "eye",  "look",   "antialias"};
        static const char* const kScriptWords[] = {"sphere", "plane", "colour", "finish"};
        std::vector<std::size_t> words;
        for (std::size_t i = 0; i < m_tokens.size(); ++i)
            if (m_tokens[i].kind == Token::word)
                words.push_back(i);
        if (words.empty())
            return InsertStatements(1);
        m_tokens[words[Pick(words.size())]].text =
            m_scene ? kSceneWords[Pick(std::size(kSceneWords))]
                    : kScriptWords[Pick(std::size(kScriptWords))];
    }

    // A colour, finish and texture as the reader takes them, with plausible values.
    std::string Surface() {
        std::string text;
        if (Pick(4) != 0) {
            if (m_scene && Pick(2))
                text += " colour bytes { " + std::to_string(Pick(256)) + " " +
                        std::to_string(Pick(256)) + " " + std::to_string(Pick(256)) + " }";
            else
                text += " colour { " + Number(Between(0, 1)) + " " + Number(Between(0, 1)) + " " +
                        Number(Between(0, 1)) + " }";
        }
        if (Pick(3) != 0)
            text += " finish { " + Number(Between(0, 1)) + " " + Number(Between(0, 1)) + " " +
                    Number(Between(0, 30)) + " " + Number(Between(0, 1)) + " " +
                    Number(Between(0, 100)) + " " + Number(Between(0, 1)) + " }";
        if (m_scene && Pick(3) == 0)
            text += " texture " + std::to_string(1 + Pick(7));
        return text;
    }

    std::string NewStatement() {
        std::size_t kinds = m_scene ? 8 : 3;
        switch (Pick(kinds)) {
        case 0:
        case 1:
            return "sphere { " + Number(Between(-80, 80)) + " " + Number(Between(-60, 40)) + " " +
                   Number(Between(-50, 100)) + " " + Number(Between(1, 40)) + Surface() + " }";
        case 2:
            return m_scene ? "plane { 0 1 0 " + std::to_string(static_cast<int>(Pick(100)) - 50) +
                                 Surface() + " }"
                           : "plane { 0.0 1.0 0.0 " + Number(Between(-50, 50)) + " }";
        case 3:
            return "plane world { " + Number(Between(-1, 1)) + " " + Number(Between(-1, 1)) + " " +
                   Number(Between(-1, 1)) + " " + Number(Between(-100, 100)) + Surface() + " }";
        case 4:
            return Pick(3)
                       ? "light { " + Number(Between(-100, 100)) + " " + Number(Between(-100, 0)) +
                             " " + Number(Between(-150, 50)) + " colour { 1 1 1 } }"
                       : "light same " + std::to_string(Pick(3));
        case 5:
            return "camera { eye { " + Number(Between(-50, 50)) + " " + Number(Between(-50, 10)) +
                   " " + Number(Between(-200, -50)) + " } look { " + Number(Between(-0.5, 0.5)) +
                   " " + Number(Between(-0.5, 0.5)) + " 1 } }";
        case 6:
            return "background bytes { " + std::to_string(Pick(256)) + " " +
                   std::to_string(Pick(256)) + " " + std::to_string(Pick(256)) + " }";
        default:
            return "antialias " + std::to_string(1 + Pick(3));
        }
    }

    void InsertStatements(std::size_t count) {
        std::string added;
        for (std::size_t i = 0; i < count; ++i)
            added += NewStatement() + "\n";
        std::vector<Token> tokens = Tokens(added);
        std::size_t at = Boundary();
        if (at > 0 && m_tokens[at - 1].kind != Token::blank)
            tokens.insert(tokens.begin(), {Token::blank, "\n"});
        m_tokens.insert(m_tokens.begin() + static_cast<std::ptrdiff_t>(at), tokens.begin(),
                        tokens.end());
    }

    bool m_scene;
    std::vector<Token> m_tokens;
    std::vector<std::size_t> m_starts; // the first token of each statement
    std::mt19937 m_random;
};

} // namespace

std::string CSceneMutator::MutateText(const std::string& text, unsigned seed) {
    return CMutation(text, seed).Apply();
}

std::size_t CSceneMutator::Mutate(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                  unsigned seed, const ByteMutator& bytes) {
    if (seed % 4 == 0)
        return bytes(data, size, maxSize);
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string changed = MutateText(text, seed);
    if (changed.size() > maxSize || changed == text)
        return bytes(data, size, maxSize);
    std::copy(changed.begin(), changed.end(), data);
    return changed.size();
}
