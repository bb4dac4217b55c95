#include "core/Format.h"
#include "headless/HeadlessPlatform.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"
#include "script/ParseActions.h"
#include "script/Scanner.h"
#include "script/ScriptDiagnostics.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

class ParserTest : public testing::Test {
protected:
    // What one ParseScript did: its result and what it wrote to standard error.
    struct Outcome {
        int result;
        std::string errors;
    };

    Outcome Parse(std::string_view text) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int result = doc.ParseScript(text.data(), text.size());
        std::string errors = testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
        return {result, errors};
    }

    const CSphere& SphereAt(std::size_t index) {
        const auto* sphere = dynamic_cast<const CSphere*>(doc.m_objects.at(index).get());
        EXPECT_NE(nullptr, sphere);
        return *sphere;
    }

    void ExpectDefaultFinish(std::size_t index) {
        CSceneObject& object = *doc.m_objects.at(index);
        EXPECT_EQ(0.5, object.GetAmbient());
        EXPECT_EQ(0.5, object.GetDiffuse());
        EXPECT_EQ(0.5, object.GetBrilliance());
        EXPECT_EQ(0.5, object.GetSpecular());
        EXPECT_EQ(0.5, object.GetRoughness());
        EXPECT_EQ(0.10000000149011612, object.GetReflection());
    }

    void ExpectCentre(std::size_t index, double x, double y, double z) {
        const CVector& centre = SphereAt(index).GetCentre();
        EXPECT_EQ(x, centre.x);
        EXPECT_EQ(y, centre.y);
        EXPECT_EQ(z, centre.z);
    }

    CHeadlessPlatform platform;
    CPlatformScope scope{platform};
    CLumoDoc doc; // after the platform, so that it is the platform's active document
};

const char kParseError[] = "parse error \n ";

} // namespace

TEST_F(ParserTest, TextWithoutStatementsIsAParseError) {
    for (std::string_view text : {"", "   \n", "hello, world 1 2 3", "{ 1.0 }", "1.0 2.0"}) {
        Outcome outcome = Parse(text);
        EXPECT_EQ(1, outcome.result) << text;
        EXPECT_EQ(kParseError, outcome.errors) << text;
        EXPECT_TRUE(doc.m_objects.empty()) << text;
    }
    EXPECT_EQ(0u, platform.m_messageCount);
}

TEST_F(ParserTest, SphereWithDefaults) {
    ASSERT_FALSE(doc.m_objects.empty()); // the default scene, replaced by the parse
    Outcome outcome = Parse("sphere { 1.0 2.0 3.0 }");
    EXPECT_EQ(0, outcome.result);
    EXPECT_EQ("", outcome.errors);
    ASSERT_EQ(1u, doc.m_objects.size());
    ExpectCentre(0, 1.0, 2.0, 3.0);
    EXPECT_EQ(1.0f, SphereAt(0).GetRadius());
    const CColour& colour = *doc.m_objects[0]->GetColour();
    EXPECT_EQ(1.0f, colour.redLevel);
    EXPECT_EQ(1.0f, colour.greenLevel);
    EXPECT_EQ(1.0f, colour.blueLevel);
    EXPECT_EQ(255, colour.GetRed());
    ExpectDefaultFinish(0);
    ASSERT_EQ(1u, platform.m_messages.size());
    EXPECT_EQ("Here -- MakeSphere()", platform.m_messages[0].text);
    EXPECT_EQ("lumo", platform.m_messages[0].caption);
}

TEST_F(ParserTest, SeparatorsSkippedAndKeywordsInAnyCase) {
    EXPECT_EQ(0, Parse("Sphere{1.0,2.0,3.0,4.5 COLOUR{0.5 0.5 1.0}}").result);
    ASSERT_EQ(1u, doc.m_objects.size());
    ExpectCentre(0, 1.0, 2.0, 3.0);
    EXPECT_EQ(4.5f, SphereAt(0).GetRadius());
    const CColour& colour = *doc.m_objects[0]->GetColour();
    EXPECT_EQ(0.5f, colour.redLevel);
    EXPECT_EQ(0.5f, colour.greenLevel);
    EXPECT_EQ(1.0f, colour.blueLevel);
    EXPECT_EQ(127, colour.GetRed());
    EXPECT_EQ(255, colour.GetBlue());
}

TEST_F(ParserTest, ValuesNarrowedToSinglePrecision) {
    EXPECT_EQ(0, Parse("sphere { 30.0 0.0 0.0 25.0 colour { 0.86 0.39 0.39 } }").result);
    ASSERT_EQ(1u, doc.m_objects.size());
    ExpectCentre(0, 30.0, 0.0, 0.0);
    EXPECT_EQ(25.0f, SphereAt(0).GetRadius());
    const CColour& colour = *doc.m_objects[0]->GetColour();
    EXPECT_EQ(219, colour.GetRed());
    EXPECT_EQ(99, colour.GetGreen());
    EXPECT_EQ(99, colour.GetBlue());
    ExpectDefaultFinish(0);

    // The centre goes through a float: 0.1 arrives as the float nearest to it.
    EXPECT_EQ(0, Parse("sphere { 0.1 -2.7 1.3 0.3 }").result);
    ExpectCentre(0, static_cast<double>(0.1f), static_cast<double>(-2.7f),
                 static_cast<double>(1.3f));
    EXPECT_EQ(0.3f, SphereAt(0).GetRadius());
}

TEST_F(ParserTest, ColourLevelsAreClamped) {
    EXPECT_EQ(0, Parse("sphere { 0.0 0.0 0.0 colour { 1.5 -0.2 0.25 } }").result);
    const CColour& colour = *doc.m_objects.at(0)->GetColour();
    EXPECT_EQ(255, colour.GetRed());
    EXPECT_EQ(1.0f, colour.redLevel);
    EXPECT_EQ(0, colour.GetGreen());
    EXPECT_EQ(0.0f, colour.greenLevel);
    EXPECT_EQ(63, colour.GetBlue());
}

TEST_F(ParserTest, WholeNumbersAreNotNumbers) {
    Outcome outcome = Parse("sphere { 1 2 3 }");
    EXPECT_EQ(1, outcome.result);
    EXPECT_EQ(kParseError, outcome.errors);
    EXPECT_TRUE(doc.m_objects.empty());
}

TEST_F(ParserTest, NumberSigns) {
    // A lone minus is skipped, a plus is skipped, a second dot ends the number.
    EXPECT_EQ(0, Parse("sphere { - 1.5 -1.5 +2.5 1.5.2 }").result);
    ASSERT_EQ(1u, doc.m_objects.size());
    ExpectCentre(0, 1.5, -1.5, 2.5);
    EXPECT_EQ(1.5f, SphereAt(0).GetRadius());
}

TEST_F(ParserTest, KeywordsInsideOtherText) {
    EXPECT_EQ(0, Parse("hemisphere { 0.5 0.5 0.5 }").result);
    ASSERT_EQ(1u, doc.m_objects.size());
    ExpectCentre(0, 0.5, 0.5, 0.5);

    EXPECT_EQ(0, Parse("// sphere { 0.0 0.0 0.0 }").result);
    ASSERT_EQ(1u, doc.m_objects.size());
    ExpectCentre(0, 0.0, 0.0, 0.0);
}

TEST_F(ParserTest, PlaneStatementStoresItsNumbersAndBuildsNothing) {
    Outcome outcome = Parse("plane { 0.0 1.0 0.0 -50.0 }");
    EXPECT_EQ(0, outcome.result);
    EXPECT_EQ("", outcome.errors);
    EXPECT_TRUE(doc.m_objects.empty());
    EXPECT_EQ(0u, platform.m_messageCount);
    // The numbers stay in the parse's pending values.
    const char text[] = "plane { 0.0 1.0 0.0 -50.0 }";
    ScriptParse parse(doc);
    parse.scanner.Begin(text, sizeof text - 1);
    EXPECT_EQ(0, ::Parse(parse));
    EXPECT_EQ(0.0, parse.values.planeA);
    EXPECT_EQ(1.0, parse.values.planeB);
    EXPECT_EQ(0.0, parse.values.planeC);
    EXPECT_EQ(-50.0, parse.values.planeD);
    EXPECT_EQ(1, Parse("plane { 0.0 1.0 0.0 }").result);
}

TEST_F(ParserTest, StatementsNeedNoSeparator) {
    EXPECT_EQ(0, Parse("sphere{1.0 2.0 3.0}plane{0.0 1.0 0.0 5.0}sphere{4.0 5.0 6.0 7.0}").result);
    ASSERT_EQ(2u, doc.m_objects.size());
    ExpectCentre(0, 1.0, 2.0, 3.0);
    ExpectCentre(1, 4.0, 5.0, 6.0);
    EXPECT_EQ(7.0f, SphereAt(1).GetRadius());
}

TEST_F(ParserTest, OptionalPartsInTheirOrder) {
    Outcome outcome = Parse("sphere { 1.0 2.0 3.0 colour { 0.5 0.5 0.5 } 4.0 }");
    EXPECT_EQ(1, outcome.result);
    EXPECT_EQ(kParseError, outcome.errors);
    EXPECT_TRUE(doc.m_objects.empty());

    EXPECT_EQ(1, Parse("sphere { 1.0 2.0 3.0 finish { 0.1 0.2 0.3 0.4 0.5 0.6 } "
                       "colour { 0.5 0.5 0.5 } }")
                     .result);
    EXPECT_TRUE(doc.m_objects.empty());

    // Each part may be left out on its own.
    EXPECT_EQ(0, Parse("sphere { 1.0 2.0 3.0 2.0 } sphere { 1.0 2.0 3.0 colour { 0.0 0.0 0.0 } }"
                       "sphere { 1.0 2.0 3.0 finish { 0.1 0.2 0.3 0.4 0.5 0.6 } }")
                     .result);
    EXPECT_EQ(3u, doc.m_objects.size());
}

TEST_F(ParserTest, FinishBlockSetsTheSixCoefficients) {
    EXPECT_EQ(0, Parse("SPHERE { 1.0 2.0 3.0 4.0 colour { 0.1 0.2 0.3 } "
                       "Finish { 0.1 0.2 3.5 0.4 25.0 0.6 } }")
                     .result);
    ASSERT_EQ(1u, doc.m_objects.size());
    CSceneObject& object = *doc.m_objects[0];
    EXPECT_EQ(0.1, object.GetAmbient());
    EXPECT_EQ(0.2, object.GetDiffuse());
    EXPECT_EQ(3.5, object.GetBrilliance());
    EXPECT_EQ(0.4, object.GetSpecular());
    EXPECT_EQ(25.0, object.GetRoughness());
    EXPECT_EQ(0.6, object.GetReflection()); // the finish keeps double precision
    EXPECT_EQ(0.1f, object.GetColour()->redLevel);

    EXPECT_EQ(1, Parse("sphere { 1.0 2.0 3.0 finish { 0.1 0.2 0.3 0.4 0.5 } }").result);
    EXPECT_TRUE(doc.m_objects.empty());
}

TEST_F(ParserTest, TripleStatementBuildsNothing) {
    EXPECT_EQ(0, Parse("triple 1.0 2.0 3.0 TRIPLE 4.0 5.0 6.0").result);
    EXPECT_TRUE(doc.m_objects.empty());
    EXPECT_EQ(0, Parse("triple 1.0 2.0 3.0 sphere { 7.0 8.0 9.0 }").result);
    ASSERT_EQ(1u, doc.m_objects.size());
    ExpectCentre(0, 7.0, 8.0, 9.0);
    EXPECT_EQ(1, Parse("triple 1.0 2.0 sphere { 7.0 8.0 9.0 }").result);
    EXPECT_EQ(1, Parse("triple { 1.0 2.0 3.0 }").result);
}

TEST_F(ParserTest, EachSphereStartsFromTheDefaults) {
    // Within one parse and across parses, nothing but the centre is inherited.
    EXPECT_EQ(0, Parse("sphere { 0.0 0.0 0.0 2.5 colour { 0.2 0.2 0.2 } "
                       "finish { 0.9 0.9 0.9 0.9 0.9 0.9 } } sphere { 1.0 2.0 3.0 }")
                     .result);
    ASSERT_EQ(2u, doc.m_objects.size());
    EXPECT_EQ(1.0f, SphereAt(1).GetRadius());
    EXPECT_EQ(1.0f, doc.m_objects[1]->GetColour()->greenLevel);
    ExpectDefaultFinish(1);

    EXPECT_EQ(0, Parse("sphere { 0.0 0.0 0.0 2.5 colour { 0.2 0.2 0.2 } }").result);
    EXPECT_EQ(0, Parse("sphere { 1.0 2.0 3.0 }").result);
    ASSERT_EQ(1u, doc.m_objects.size());
    EXPECT_EQ(1.0f, SphereAt(0).GetRadius());
    EXPECT_EQ(255, doc.m_objects[0]->GetColour()->GetRed());
}

TEST_F(ParserTest, SpheresJoinTheTailInStatementOrder) {
    EXPECT_EQ(0,
              Parse("sphere { 1.0 0.0 0.0 } sphere { 2.0 0.0 0.0 } sphere { 3.0 0.0 0.0 }").result);
    ASSERT_EQ(3u, doc.m_objects.size());
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(static_cast<double>(i + 1), SphereAt(i).GetCentre().x);
    EXPECT_EQ(3u, platform.m_messageCount);
    for (const auto& message : platform.m_messages)
        EXPECT_EQ("Here -- MakeSphere()", message.text);
}

TEST_F(ParserTest, SpheresBeforeAnErrorStay) {
    Outcome outcome = Parse("sphere { 1.0 1.0 1.0 } sphere { 2.0 2.0 2.0 } sphere { 3.0 } "
                            "sphere { 4.0 4.0 4.0 }");
    EXPECT_EQ(1, outcome.result);
    EXPECT_EQ(kParseError, outcome.errors); // one message for the one error
    ASSERT_EQ(2u, doc.m_objects.size());
    ExpectCentre(1, 2.0, 2.0, 2.0);
    EXPECT_EQ(2u, platform.m_messageCount);

    // The end of the text inside a statement is an error too.
    EXPECT_EQ(1, Parse("sphere { 1.0 1.0 1.0 } sphere { 2.0 2.0").result);
    EXPECT_EQ(1u, doc.m_objects.size());
}

TEST_F(ParserTest, NullTextChangesNothing) {
    std::size_t before = doc.m_objects.size();
    ASSERT_GT(before, 0u);
    EXPECT_EQ(-1, doc.ParseScript(nullptr));
    EXPECT_EQ(-1, doc.ParseScript(nullptr, 100));
    EXPECT_EQ(before, doc.m_objects.size());
    ASSERT_EQ(2u, platform.m_messages.size());
    EXPECT_EQ("No Buff", platform.m_messages[0].text);
    EXPECT_EQ("lumo", platform.m_messages[0].caption);
    EXPECT_EQ("No Buff", platform.m_messages[1].text);
}

TEST_F(ParserTest, TextLengthBoundsTheParse) {
    const char text[] = "sphere { 1.0 2.0 3.0 } sphere { 4.0 5.0 6.0 }";
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, doc.ParseScript(text, 22));
    EXPECT_EQ(1u, doc.m_objects.size());
    // Cut inside the second statement's last number: "6." is no number.
    EXPECT_EQ(1, doc.ParseScript(text, sizeof text - 4));
    EXPECT_EQ(1u, doc.m_objects.size());
    // The text form stops at the first NUL; with a length, NULs are skipped like any byte.
    const char withNul[] = "sphere { 1.0 2.0 3.0 }\0sphere { 4.0 5.0 6.0 }";
    EXPECT_EQ(0, doc.ParseScript(withNul));
    EXPECT_EQ(1u, doc.m_objects.size());
    EXPECT_EQ(0, doc.ParseScript(withNul, sizeof withNul - 1));
    EXPECT_EQ(2u, doc.m_objects.size());
    testing::internal::GetCapturedStderr();
}

TEST_F(ParserTest, SpheresGoToTheDocumentThatParsed) {
    CLumoDoc newer; // made after doc: once the one a platform would have shown
    const std::size_t newerObjects = newer.m_objects.size();
    EXPECT_EQ(0, Parse("sphere { 1.0 2.0 3.0 } sphere { 4.0 5.0 6.0 }").result);
    ASSERT_EQ(2u, doc.m_objects.size());
    ExpectCentre(1, 4.0, 5.0, 6.0);
    EXPECT_EQ(newerObjects, newer.m_objects.size());
    EXPECT_EQ(0, newer.ParseScript("sphere { 7.0 8.0 9.0 }"));
    EXPECT_EQ(1u, newer.m_objects.size());
    EXPECT_EQ(2u, doc.m_objects.size());
    EXPECT_EQ(3u, platform.m_messageCount);
}

TEST_F(ParserTest, MakeSphereIgnoresANullRecord) {
    MakeSphere(doc, nullptr);
    EXPECT_EQ(0u, platform.m_messageCount);
}

TEST_F(ParserTest, ErrorTexts) {
    EXPECT_STREQ("parse error", ParseErrorText("syntax error"));
    EXPECT_STREQ("parser stack overflow", ParseErrorText("memory exhausted"));
    EXPECT_STREQ("something else", ParseErrorText("something else"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, ReportParseError("parser stack overflow"));
    EXPECT_EQ("parser stack overflow \n ", testing::internal::GetCapturedStderr());
}

TEST_F(ParserTest, ScannerFailureEndsTheParseNotTheProcess) {
    std::string text = "sphere { 1.0 2.0 3.0 } sphere { ";
    text.append(100000, '0');
    text += "5.5 0.0 0.0 }";
    ScriptParseHooks hooks;
    hooks.bufferLimit = 65536;
    ScriptParseHooks previous = SetThreadParseHooks(hooks);
    Outcome outcome = Parse(text);
    SetThreadParseHooks(previous);
    EXPECT_EQ(2, outcome.result);
    EXPECT_EQ("fatal error - scanner input buffer overflow\n", outcome.errors);
    ASSERT_EQ(1u, doc.m_objects.size()); // the scene as the parse left it
    ExpectCentre(0, 1.0, 2.0, 3.0);

    // The next parse starts clean, and the same text parses within the default limit.
    outcome = Parse(text);
    EXPECT_EQ(0, outcome.result);
    EXPECT_EQ("", outcome.errors);
    ASSERT_EQ(2u, doc.m_objects.size());
    EXPECT_EQ(5.5, SphereAt(1).GetCentre().x);
}

TEST_F(ParserTest, AnAbortedParseLeavesNothingBehind) {
    // Thousands of parses, each cut off in a different state, each followed by a clean one:
    // the clean parse never sees the rest of the text before it.
    const std::string_view broken[] = {
        "sphere { 9.0 } sphere { 9.0 9.0 9.0 }",
        "sphere { 9.0 9.0 9.0 colour { 9.0 } }",
        "plane { 9.0 9.0 }",
        "sphere { 9.0 9.0 9.0 9.0 9.0 }",
        "}}}} sphere { 9.0 9.0 9.0 }",
        "sphere sphere { 9.0 9.0 9.0 }",
    };
    for (int round = 0; round < 2000; ++round) {
        ASSERT_EQ(1, Parse(broken[round % std::size(broken)]).result);
        ASSERT_EQ(0, Parse("sphere { 1.0 2.0 3.0 }").result);
        ASSERT_EQ(1u, doc.m_objects.size());
        ASSERT_EQ(1.0, SphereAt(0).GetCentre().x);
        ASSERT_EQ(1.0f, SphereAt(0).GetRadius());
    }
}

TEST_F(ParserTest, ErrorHandlerSeesWhereTheParseStopped) {
    std::vector<std::string> seen;
    ScriptParseHooks hooks;
    hooks.onParseError = [&](const char* message, const CScanner& scanner) {
        ScanPosition at = scanner.GetTokenPosition();
        seen.push_back(std::string(message) + " at " + std::to_string(at.line) + ":" +
                       std::to_string(at.column) + " near '" + std::string(scanner.GetTokenText()) +
                       "'");
    };
    SetThreadParseHooks(hooks);
    Outcome outcome = Parse("sphere { 1.0 2.0 3.0 }\n  sphere { 1 2 3 }");
    Outcome atEnd = Parse("sphere { 1.0 2.0\n");
    SetThreadParseHooks(ScriptParseHooks{});
    EXPECT_EQ(1, outcome.result);
    EXPECT_EQ("", outcome.errors);
    EXPECT_EQ("", atEnd.errors);
    EXPECT_EQ(
        (std::vector<std::string>{"parse error at 2:18 near '}'", "parse error at 2:1 near ''"}),
        seen);
    // Without the handler the parser's own message is back.
    EXPECT_EQ(kParseError, Parse("sphere { 1 2 3 }").errors);
}

// Every parsing thread shows its message boxes through the one platform, which takes them in
// turn.
TEST(ParserThreads, TwoDocumentsParseAtOnceEachIntoItself) {
    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    // Each script is longer than the scanner's buffer, so it is read in several pieces; the
    // second ends in an error.
    std::string texts[2];
    for (int i = 0; i < 700; ++i)
        texts[0] +=
            Format("sphere { %d.5 -%d.25 7.0 2.5 colour { 0.%d 0.5 0.25 } }\n", i, i % 13, i % 10);
    for (int i = 0; i < 600; ++i)
        texts[1] += Format("Sphere{%d.75,%d.5,-3.0 colour{0.1 0.%d 0.9}}\n", i, i % 7, i % 10);
    texts[1] += "sphere { 1.0 2.0 }";
    ASSERT_GT(texts[1].size(), std::size_t{16384} * 3 / 2);
    const std::string names[2] = {"a.lmo", "b.lmo"};
    CLumoDoc docs[2];
    bool parsed[2] = {};
    std::string errors[2];
    auto parse = [&](int i) {
        errors[i].clear();
        parsed[i] = CScriptDiagnostics::Parse(docs[i], texts[i], names[i], errors[i]);
    };

    // What each script builds when it is parsed alone.
    std::string alone[2];
    for (int i : {0, 1}) {
        parse(i);
        alone[i] = docs[i].GetScriptText();
    }
    ASSERT_TRUE(parsed[0]);
    ASSERT_EQ(700u, docs[0].m_objects.size());
    ASSERT_FALSE(parsed[1]);
    ASSERT_EQ(600u, docs[1].m_objects.size());
    const std::string error = "b.lmo:601:18: parse error (near '}')";
    ASSERT_EQ(error, errors[1]);

    for (int round = 0; round < 300; ++round) {
        std::thread other(parse, 1);
        parse(0);
        other.join();
        ASSERT_TRUE(parsed[0]) << errors[0] << " in round " << round;
        ASSERT_EQ(alone[0], docs[0].GetScriptText()) << "round " << round;
        ASSERT_FALSE(parsed[1]) << "round " << round;
        ASSERT_EQ(error, errors[1]) << "round " << round;
        ASSERT_EQ(alone[1], docs[1].GetScriptText()) << "round " << round;
    }
}
