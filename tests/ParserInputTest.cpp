// Large and hostile texts through CLumoDoc::ParseScript: whatever the bytes, the parse ends with
// a result, the scene holds exactly the spheres whose statements closed, and nothing leaks
// (the sanitizer build checks that).
#include "core/Format.h"
#include "headless/HeadlessPlatform.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>

namespace {

class ParserInputTest : public testing::Test {
protected:
    int Parse(std::string_view text, std::string* echoed = nullptr) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int result = doc.ParseScript(text.data(), text.size());
        testing::internal::GetCapturedStderr();
        std::string out = testing::internal::GetCapturedStdout();
        if (echoed)
            *echoed = out;
        return result;
    }

    double CentreX(std::size_t index) {
        return dynamic_cast<const CSphere&>(*doc.m_objects.at(index)).GetCentre().x;
    }

    CHeadlessPlatform platform;
    CPlatformScope scope{platform};
    CLumoDoc doc;
};

} // namespace

TEST_F(ParserInputTest, SeveralMegabytesOfStatements) {
    // Far more text than the scanner's buffer holds, one statement a line as scripts are written.
    const int count = 60000;
    std::string text;
    for (int i = 0; i < count; ++i)
        text += Format("sphere { %d.0 -0.5 %d.25 2.0 colour { 0.5 0.25 1.0 } }\n", i, i % 7);
    ASSERT_GT(text.size(), std::size_t{3} << 20);
    std::string echoed;
    EXPECT_EQ(0, Parse(text, &echoed));
    EXPECT_EQ(std::string(count, '\n'), echoed);
    ASSERT_EQ(static_cast<std::size_t>(count), doc.m_objects.size());
    EXPECT_EQ(static_cast<std::size_t>(count), platform.m_messageCount);
    for (int i : {0, 1, 4095, 30000, count - 1})
        EXPECT_EQ(static_cast<double>(i), CentreX(static_cast<std::size_t>(i)));
}

TEST_F(ParserInputTest, HundredKilobyteNumber) {
    std::string text = "sphere { -";
    text.append(100000, '0');
    text += "2.5";
    text.append(100000, '0');
    text += " 1.0 1.0 }";
    EXPECT_EQ(0, Parse(text));
    ASSERT_EQ(1u, doc.m_objects.size());
    EXPECT_EQ(-2.5, CentreX(0));
}

TEST_F(ParserInputTest, DeeplyNestedBraces) {
    const std::size_t depth = 1000000;
    EXPECT_EQ(1, Parse(std::string(depth, '{')));
    EXPECT_EQ(1, Parse(std::string(depth, '}')));
    std::string nested = "sphere { 1.0 2.0 3.0 }";
    nested.append(depth, '{');
    nested.append("sphere { 4.0 5.0 6.0 }");
    nested.append(depth, '}');
    EXPECT_EQ(1, Parse(nested));
    EXPECT_EQ(1u, doc.m_objects.size());
}

TEST_F(ParserInputTest, VeryLongLines) {
    // Megabyte lines of letters, digits, signs and dots between two statements.
    for (char filler : {'x', '7', '-', '.', ' ', '\0', '\xff'}) {
        std::string text = "sphere { 1.0 2.0 3.0 }";
        text.append(std::size_t{1} << 20, filler);
        text += "sphere { 4.0 5.0 6.0 }";
        ASSERT_EQ(0, Parse(text)) << static_cast<int>(filler);
        ASSERT_EQ(2u, doc.m_objects.size());
        EXPECT_EQ(4.0, CentreX(1));
    }
    std::string pairs;
    for (int i = 0; i < 200000; ++i)
        pairs += "1.";
    EXPECT_EQ(1, Parse(pairs)); // "1.1." ... holds numbers but no statement
}

TEST_F(ParserInputTest, InvalidUtf8AndControlBytes) {
    const char text[] = "\xef\xbb\xbf\xc3\xa9sphere\xff{\x80 1.0\x01 2.0\xc0\xaf 3.0\x1b[0m\xfe}"
                        "\xed\xa0\x80 sph\xc3\xa8re { 1.0 1.0 1.0 }";
    EXPECT_EQ(1, Parse(std::string_view(text, sizeof text - 1)));
    ASSERT_EQ(1u, doc.m_objects.size()); // the second "sphere" is broken by its accent
    EXPECT_EQ(1.0, CentreX(0));
}

TEST_F(ParserInputTest, ArbitraryBytes) {
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        std::string text(random() % 5000, '\0');
        for (char& c : text)
            c = static_cast<char>(random());
        std::size_t before = platform.m_messageCount;
        int result = Parse(text);
        ASSERT_TRUE(result == 0 || result == 1) << result;
        ASSERT_EQ(platform.m_messageCount - before, doc.m_objects.size());
    }
}

TEST_F(ParserInputTest, RandomStatementSoup) {
    // Fragments of real statements shuffled together: every result is 0 or 1, and each sphere
    // in the scene came with exactly one message box.
    static const std::string_view kPieces[] = {"sphere",
                                               "{",
                                               "}",
                                               "1.0",
                                               "-2.5",
                                               "colour",
                                               "finish",
                                               "plane",
                                               "triple",
                                               " ",
                                               "\n",
                                               "0.5 0.5 0.5",
                                               "{ 0.1 0.2 0.3 0.4 0.5 0.6 }",
                                               "x",
                                               "7",
                                               std::string_view("\0", 1),
                                               "\xff",
                                               "sphere { 1.0 2.0 3.0 }",
                                               "colour { 0.1 0.2 0.3 }"};
    std::mt19937 random(11);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
    std::size_t built = 0;
    for (int round = 0; round < 1500; ++round) {
        std::string text;
        for (std::size_t i = 0, n = random() % 60; i < n; ++i)
            text += kPieces[pick(random)];
        std::size_t before = platform.m_messageCount;
        int result = Parse(text);
        ASSERT_TRUE(result == 0 || result == 1) << result << " for " << text;
        ASSERT_EQ(platform.m_messageCount - before, doc.m_objects.size()) << text;
        built += doc.m_objects.size();
    }
    EXPECT_GT(built, 100u); // the soup does build spheres, so the check above has teeth
}
