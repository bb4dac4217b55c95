#include "script/Scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Token {
    int code;
    double value; // the number's value; 0 for other tokens

    bool operator==(const Token&) const = default;
};

void PrintTo(const Token& token, std::ostream* out) {
    *out << token.code;
    if (token.code == kTokenNumber)
        *out << "(" << token.value << ")";
}

// Every token of the text, up to the end or a scanner failure (included as the last entry).
std::vector<Token> Scan(CScanner& scanner, std::string_view text) {
    std::vector<Token> tokens;
    scanner.Begin(text.data(), text.size());
    for (;;) {
        int code = scanner.NextToken();
        if (code == kTokenEnd)
            break;
        tokens.push_back({code, code == kTokenNumber ? scanner.GetNumberValue() : 0.0});
        if (code == kTokenScannerFailed)
            break;
    }
    scanner.End();
    return tokens;
}

std::vector<Token> Scan(std::string_view text) {
    CScanner scanner;
    return Scan(scanner, text);
}

// Scan without letting the echoed newlines into the test output.
std::vector<Token> ScanQuietly(CScanner& scanner, std::string_view text,
                               std::string* echoed = nullptr) {
    testing::internal::CaptureStdout();
    std::vector<Token> tokens = Scan(scanner, text);
    std::string out = testing::internal::GetCapturedStdout();
    if (echoed)
        *echoed = out;
    return tokens;
}

std::vector<Token> ScanQuietly(std::string_view text, std::string* echoed = nullptr) {
    CScanner scanner;
    return ScanQuietly(scanner, text, echoed);
}

// A text of bytes, NULs included.
template <std::size_t N> std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

// The pieces one after the other.
std::string Cat(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (std::string_view piece : pieces)
        text.append(piece);
    return text;
}

Token Number(double value) {
    return {kTokenNumber, value};
}
Token Tok(int code) {
    return {code, 0.0};
}

// The language's lexical rules written out the slow, obvious way: at each position the longest
// match wins, the earlier rule on a tie, and a position where nothing matches is skipped.
std::size_t KeywordLength(std::string_view text, std::size_t at, std::string_view keyword) {
    if (text.size() - at < keyword.size())
        return 0;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != keyword[i])
            return 0;
    }
    return keyword.size();
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t NumberLength(std::string_view text, std::size_t at) {
    std::size_t i = at;
    if (i < text.size() && text[i] == '-')
        ++i;
    std::size_t digits = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    if (i == digits || i >= text.size() || text[i] != '.')
        return 0;
    ++i;
    std::size_t fraction = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i == fraction ? 0 : i - at;
}

std::vector<Token> ReferenceScan(std::string_view text) {
    static const std::pair<std::string_view, int> kKeywords[] = {
        {"colour", kTokenColour}, {"sphere", kTokenSphere}, {"plane", kTokenPlane},
        {"triple", kTokenTriple}, {"finish", kTokenFinish},
    };
    std::vector<Token> tokens;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t best = 0;
        Token token{0, 0.0};
        for (const auto& [keyword, code] : kKeywords) {
            std::size_t length = KeywordLength(text, at, keyword);
            if (length > best) {
                best = length;
                token = Tok(code);
            }
        }
        if (best < 1 && (text[at] == '{' || text[at] == '}')) {
            best = 1;
            token = Tok(text[at] == '{' ? kTokenLBrace : kTokenRBrace);
        }
        std::size_t number = NumberLength(text, at);
        if (number > best) {
            best = number;
            token = Number(std::strtod(std::string(text.substr(at, number)).c_str(), nullptr));
        }
        if (best == 0) {
            ++at;
            continue;
        }
        tokens.push_back(token);
        at += best;
    }
    return tokens;
}

} // namespace

TEST(Scanner, KeywordsInAnyCase) {
    EXPECT_EQ((std::vector<Token>{Tok(kTokenSphere), Tok(kTokenSphere), Tok(kTokenSphere),
                                  Tok(kTokenColour), Tok(kTokenColour), Tok(kTokenPlane),
                                  Tok(kTokenPlane), Tok(kTokenTriple), Tok(kTokenFinish),
                                  Tok(kTokenFinish)}),
              Scan("sphere SPHERE SpHeRe colour COLOUR plane PlAnE triple FINISH Finish"));
    EXPECT_EQ((std::vector<Token>{Tok(kTokenLBrace), Tok(kTokenRBrace), Tok(kTokenRBrace)}),
              Scan("{}}"));
    // American spelling and other words are not keywords.
    EXPECT_TRUE(Scan("color spher plan trip fin box").empty());
}

TEST(Scanner, KeywordsAreFoundInsideOtherText) {
    EXPECT_EQ(std::vector<Token>{Tok(kTokenSphere)}, Scan("hemisphere"));
    EXPECT_EQ(std::vector<Token>{Tok(kTokenSphere)}, Scan("spheres"));
    EXPECT_EQ(std::vector<Token>{Tok(kTokenColour)}, Scan("sphercolour"));
    EXPECT_EQ((std::vector<Token>{Tok(kTokenPlane), Tok(kTokenSphere)}), Scan("planesphere"));
    EXPECT_EQ((std::vector<Token>{Tok(kTokenLBrace), Number(2.0), Tok(kTokenRBrace)}),
              Scan("x{2.0}y"));
}

TEST(Scanner, NumberPattern) {
    EXPECT_EQ((std::vector<Token>{Number(1.5), Number(-1.5), Number(1.5), Number(2.5)}),
              Scan("1.5 -1.5 - 1.5 +2.5"));
    // "1.5.2": the number 1.5, then "." and "2" are skipped.
    EXPECT_EQ(std::vector<Token>{Number(1.5)}, Scan("1.5.2"));
    // No whole numbers, no bare fractions, no exponents.
    EXPECT_TRUE(Scan("12 .5 5. -7 - .").empty());
    EXPECT_EQ(std::vector<Token>{Number(1.0)}, Scan("1.0e5"));
    EXPECT_EQ((std::vector<Token>{Number(7.25), Number(-2.5), Number(-0.5)}),
              Scan("007.250 1-2.5 --0.5"));
}

TEST(Scanner, NumberValueSurvivesOtherTokens) {
    CScanner scanner;
    scanner.Begin("2.5 sphere {", 12);
    EXPECT_EQ(kTokenNumber, scanner.NextToken());
    EXPECT_EQ(kTokenSphere, scanner.NextToken());
    EXPECT_EQ(kTokenLBrace, scanner.NextToken());
    EXPECT_EQ(2.5, scanner.GetNumberValue());
    EXPECT_EQ(kTokenEnd, scanner.NextToken());
    scanner.End();
}

TEST(Scanner, EverythingElseIsSkipped) {
    const std::string junk = Bytes("x, ( ) // ; + * \t\r\0\x01\x7f\x80\xc3\xa9\xff 12 34");
    EXPECT_TRUE(ScanQuietly(junk).empty());
    // NUL bytes and invalid UTF-8 do not end the text or hide what follows them.
    const std::string mixed = Bytes("sph\0sphere\xff{\x80 1.0\0\xc0}");
    EXPECT_EQ(
        (std::vector<Token>{Tok(kTokenSphere), Tok(kTokenLBrace), Number(1.0), Tok(kTokenRBrace)}),
        Scan(mixed));
    EXPECT_TRUE(Scan("").empty());
}

TEST(Scanner, OnlyNewlinesAreEchoed) {
    std::string echoed;
    auto tokens = ScanQuietly("sphere\n{\r\n 1.0 x\n\n}\n", &echoed);
    EXPECT_EQ(4u, tokens.size());
    EXPECT_EQ("\n\n\n\n\n", echoed);
    ScanQuietly("no newline here", &echoed);
    EXPECT_EQ("", echoed);
}

TEST(Scanner, ScanStartsAfreshOnEachText) {
    // Abandon a scan halfway through; the next text is scanned from its own first byte.
    CScanner scanner;
    scanner.Begin("sphere { 1.0 2.0 }", 18);
    EXPECT_EQ(kTokenSphere, scanner.NextToken());
    scanner.Begin("colour", 6);
    EXPECT_EQ(kTokenColour, scanner.NextToken());
    EXPECT_EQ(kTokenEnd, scanner.NextToken());
    scanner.End();
    EXPECT_EQ(kTokenEnd, scanner.NextToken()); // no scan under way
    EXPECT_EQ(std::vector<Token>{Tok(kTokenPlane)}, Scan(scanner, "plane"));
}

TEST(Scanner, ScannersKeepTheirScansApart) {
    // Two scans taken a token at a time in turn, over texts that refill the buffer, each read
    // with a number cell of its own: each sees exactly the tokens of its text scanned alone.
    std::string texts[2];
    for (int i = 0; i < 4000; ++i) {
        texts[0] += "sphere { " + std::to_string(i) + ".5 }\n";
        texts[1] += "-" + std::to_string(i) + ".25 colour x";
    }
    CScanner scanners[2];
    std::vector<Token> seen[2];
    for (int i : {0, 1}) {
        scanners[i].SetEchoStream(nullptr);
        scanners[i].Begin(texts[i].data(), texts[i].size());
    }
    for (bool going = true; going;) {
        going = false;
        for (int i : {0, 1}) {
            int code = scanners[i].NextToken();
            if (code == kTokenEnd)
                continue;
            going = true;
            seen[i].push_back({code, code == kTokenNumber ? scanners[i].GetNumberValue() : 0.0});
        }
    }
    EXPECT_EQ(ReferenceScan(texts[0]), seen[0]);
    EXPECT_EQ(ReferenceScan(texts[1]), seen[1]);
}

TEST(Scanner, TokensAcrossInputPieces) {
    // Each read fills the free room of the 16384-byte buffer (16383 bytes the first time, then
    // what the unfinished token leaves): put tokens across those boundaries and others, at
    // every alignment.
    for (std::size_t boundary : {std::size_t{8192}, std::size_t{16383}, std::size_t{16384},
                                 std::size_t{24576}, std::size_t{32766}}) {
        for (std::size_t back = 0; back <= 10; ++back) {
            std::string text(boundary - back, ' ');
            text += "-12345.678sphere COLOUR}";
            auto tokens = Scan(text);
            ASSERT_EQ((std::vector<Token>{Number(-12345.678), Tok(kTokenSphere), Tok(kTokenColour),
                                          Tok(kTokenRBrace)}),
                      tokens)
                << "boundary " << boundary << ", token starting " << back << " bytes before it";
        }
    }
}

TEST(Scanner, AgreesWithTheRulesOnRandomText) {
    // Pieces chosen to make near-misses likely: partial keywords, signs, dots and digit runs.
    static const std::string_view kPieces[] = {
        "sphere", "SPHERE", "Sph", "spher", "colour", "COLO", "plane", "pla",  "triple",
        "finish", "fini",   "{",   "}",     "-",      "--",   "1",     "23",   "456789",
        ".",      "..",     "0.5", "-7.25", " ",      "\n",   "x",     "+",    "e",
        "\xff",   "\x80",   "\t",  ",",     "1.",     ".5",   "-.",    "9.9.9"};
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
    for (int round = 0; round < 600; ++round) {
        std::size_t pieces = round % 50 == 0 ? 8000 : 1 + random() % 200;
        std::string text;
        for (std::size_t i = 0; i < pieces; ++i)
            text += kPieces[pick(random)];
        if (round % 7 == 0)
            text.push_back('\0');
        std::string echoed;
        auto tokens = ScanQuietly(text, &echoed);
        ASSERT_EQ(ReferenceScan(text), tokens) << "text: " << text;
        ASSERT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')),
                  echoed.size());
    }
}

TEST(Scanner, TokenLargerThanTheBuffer) {
    // A 100 KB number makes the buffer grow several times; the value is exact.
    std::string text = Cat({"{ -", std::string(50000, '0'), "1.5", std::string(50000, '0'), " }"});
    EXPECT_EQ((std::vector<Token>{Tok(kTokenLBrace), Number(-1.5), Tok(kTokenRBrace)}), Scan(text));
    // Too large for a double: infinite, as the C library reads it.
    auto huge = Scan(Cat({"1", std::string(400, '0'), ".0"}));
    ASSERT_EQ(1u, huge.size());
    EXPECT_TRUE(std::isinf(huge[0].value));
}

TEST(Scanner, LongRunsOfNonTokensAreSkipped) {
    // Runs of digits and signs that never become a number, a megabyte long, on one line.
    std::string digits(1 << 20, '7');
    EXPECT_EQ(std::vector<Token>{Number(1.5)}, Scan(digits + " 1.5"));
    EXPECT_EQ(std::vector<Token>{Number(-0.25)}, Scan(Cat({"-", digits, "x-0.25"})));
    EXPECT_EQ(std::vector<Token>{Tok(kTokenSphere)}, Scan(std::string(1 << 20, '-') + "sphere"));
    EXPECT_EQ(std::vector<Token>{Tok(kTokenRBrace)}, Scan(std::string(1 << 20, 'q') + "}"));
}

TEST(Scanner, BufferLimitFailsTheScanCleanly) {
    CScanner scanner;
    std::size_t previous = scanner.SetBufferLimit(32768);
    EXPECT_EQ(kDefaultScannerBufferLimit, previous);
    std::string text = Cat({"sphere ", std::string(100000, '4'), ".5 sphere"});
    testing::internal::CaptureStderr();
    auto tokens = Scan(scanner, text);
    std::string message = testing::internal::GetCapturedStderr();
    scanner.SetBufferLimit(previous);
    EXPECT_EQ((std::vector<Token>{Tok(kTokenSphere), Tok(kTokenScannerFailed)}), tokens);
    EXPECT_EQ("fatal error - scanner input buffer overflow\n", message);

    // The failure sticks until the scan ends, and the scanner works again afterwards.
    scanner.Begin(text.data(), text.size());
    scanner.SetBufferLimit(32768);
    testing::internal::CaptureStderr();
    EXPECT_EQ(kTokenSphere, scanner.NextToken());
    EXPECT_EQ(kTokenScannerFailed, scanner.NextToken());
    EXPECT_EQ(kTokenScannerFailed, scanner.NextToken());
    testing::internal::GetCapturedStderr();
    scanner.SetBufferLimit(previous);
    scanner.End();
    EXPECT_EQ((std::vector<Token>{Tok(kTokenSphere), Number(4444.5), Tok(kTokenSphere)}),
              Scan(scanner, "sphere 4444.5 sphere"));
    EXPECT_EQ((std::vector<Token>{Tok(kTokenSphere), Number(std::strtod(text.c_str() + 7, nullptr)),
                                  Tok(kTokenSphere)}),
              Scan(scanner, text));
    // The limit is the scanner's own: another scanner reads the text whole meanwhile.
    scanner.Begin(text.data(), text.size());
    scanner.SetBufferLimit(32768);
    EXPECT_EQ(kTokenSphere, scanner.NextToken());
    EXPECT_EQ(3u, Scan(text).size());
    scanner.End();
}

TEST(Scanner, LongTokenIsReadInFewPieces) {
    // The scanner rescans an unfinished token after every read: a run of 4 M digits read in
    // small pieces would be rescanned hundreds of times. The buffer doubles, so a handful of
    // reads must do.
    std::string text = Cat({"sphere ", std::string(std::size_t{4} << 20, '7'), " 1.5"});
    CScanner scanner;
    scanner.Begin(text.data(), text.size());
    EXPECT_EQ(kTokenSphere, scanner.NextToken());
    EXPECT_EQ(kTokenNumber, scanner.NextToken());
    EXPECT_EQ(1.5, scanner.GetNumberValue());
    EXPECT_EQ(kTokenEnd, scanner.NextToken());
    EXPECT_LE(scanner.GetReadCount(), 20u);
    scanner.End();
}

TEST(Scanner, EchoGoesWhereItIsSentWithoutChangingTheTokens) {
    const std::string text = "sphere\n{ 1.5\n\n}";
    const std::vector<Token> expected = {Tok(kTokenSphere), Tok(kTokenLBrace), Number(1.5),
                                         Tok(kTokenRBrace)};
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(nullptr, stream);
    CScanner scanner;
    std::FILE* previous = scanner.SetEchoStream(stream);
    EXPECT_EQ(stdout, previous);
    std::string echoed = "unset";
    EXPECT_EQ(expected, ScanQuietly(scanner, text, &echoed));
    EXPECT_EQ("", echoed);
    EXPECT_EQ(3, std::ftell(stream));

    scanner.SetEchoStream(nullptr);
    EXPECT_EQ(expected, ScanQuietly(scanner, text, &echoed));
    EXPECT_EQ("", echoed);
    EXPECT_EQ(3, std::ftell(stream));
    std::fclose(stream);
}

TEST(Scanner, PositionsOfTheTokens) {
    struct Seen {
        int code;
        std::size_t line;
        std::size_t column;
        std::string text;
        bool operator==(const Seen&) const = default;
    };
    std::string longNumber = std::string(60, '1') + ".5";
    std::string text = "Sphere\n  {\r\n 1.5 x\n\n} " + longNumber + "\n";
    std::vector<Seen> seen;
    CScanner scanner;
    scanner.SetEchoStream(nullptr);
    scanner.Begin(text.data(), text.size());
    for (int code = scanner.NextToken();; code = scanner.NextToken()) {
        ScanPosition at = scanner.GetTokenPosition();
        seen.push_back({code, at.line, at.column, std::string(scanner.GetTokenText())});
        if (code == kTokenEnd)
            break;
    }
    scanner.End();
    EXPECT_EQ((std::vector<Seen>{
                  {kTokenSphere, 1, 1, "Sphere"},
                  {kTokenLBrace, 2, 3, "{"},
                  {kTokenNumber, 3, 2, "1.5"},
                  {kTokenRBrace, 5, 1, "}"},
                  {kTokenNumber, 5, 3, std::string(CScanner::kMaxShownTokenBytes, '1') + "..."},
                  {kTokenEnd, 6, 1, ""}}),
              seen);
}

TEST(Scanner, FailureIsHandedToTheHandlerWithItsPlace) {
    CScanner scanner;
    scanner.SetBufferLimit(32768);
    std::string text = Cat({"sphere\n  ", std::string(100000, '4'), ".5 sphere"});
    std::string message;
    ScanPosition at;
    const CScanner* failing = nullptr;
    scanner.SetFailureHandler([&](const char* failure, const CScanner& from) {
        message = failure;
        at = from.GetTokenPosition();
        failing = &from;
    });
    testing::internal::CaptureStderr();
    auto tokens = ScanQuietly(scanner, text);
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_EQ(&scanner, failing);
    EXPECT_EQ((std::vector<Token>{Tok(kTokenSphere), Tok(kTokenScannerFailed)}), tokens);
    EXPECT_EQ("fatal error - scanner input buffer overflow", message);
    EXPECT_EQ(2u, at.line);
    EXPECT_EQ(3u, at.column);
}
