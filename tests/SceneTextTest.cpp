// The scene as the editor pane's text: reading without touching the document, where each
// object's statement starts, errors with their place, applying through the document's
// operations, writing both forms back byte for byte, the tokens, and carrying a change over
// the user's own edits.
#include "script/SceneText.h"

#include "headless/HeadlessPlatform.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "scene/WorldPlane.h"
#include "script/LumoDoc.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::string SceneTextOf(const CLumoDoc& document) {
    std::string text;
    std::vector<std::string> reasons;
    EXPECT_TRUE(CSceneText::Write(document, CSceneText::sceneFile, text, reasons));
    return text;
}

// The text read and made the scene of a fresh document, then written into the text again, as
// the pane does after a change made elsewhere.
std::string RoundTrip(const std::string& text, CSceneText::Format format) {
    CSceneText::Reading reading;
    CSceneText::Error error;
    EXPECT_TRUE(CSceneText::Read(text, format, "round", reading, error)) << error.message;
    CLumoDoc document;
    CSceneText::Apply(document, std::move(reading));
    std::string again;
    std::vector<std::string> reasons;
    EXPECT_TRUE(CSceneText::Rewrite(text, format, "round", document, again, reasons))
        << (reasons.empty() ? "" : reasons[0]);
    return again;
}

std::string TextAt(const std::string& text, const CSourcePlace& place, std::size_t length) {
    return text.substr(place.offset, length);
}

} // namespace

TEST(SceneText, EachObjectsPlaceIsItsStatementInBothForms) {
    CLumoDoc document;
    std::string scene = SceneTextOf(document);
    CSceneText::Reading reading;
    CSceneText::Error error;
    ASSERT_TRUE(CSceneText::Read(scene, CSceneText::sceneFile, "s", reading, error));
    const std::vector<CSourcePlace>& places = reading.source.objects;
    ASSERT_EQ(document.m_objects.size(), places.size());
    EXPECT_EQ("plane {", TextAt(scene, places[0], 7)); // the default floor comes first
    for (std::size_t i = 1; i < places.size(); ++i) {
        EXPECT_EQ("sphere {", TextAt(scene, places[i], 8));
        EXPECT_EQ(1u, places[i].column);
        EXPECT_EQ(places[i - 1].line + 1, places[i].line);
        EXPECT_EQ(CSceneText::PlaceOf(scene, places[i].offset), places[i]);
        EXPECT_EQ('}', scene[reading.source.objectEnds[i] - 1]);
        EXPECT_EQ('\n', scene[reading.source.objectEnds[i]]);
    }
    ASSERT_TRUE(reading.source.camera);
    EXPECT_EQ(0u,
              scene.find("camera {", reading.source.camera->begin) - reading.source.camera->begin);
    EXPECT_EQ(2u, reading.source.lights.size());

    // A script's places are its sphere keywords, whatever stands between the statements.
    std::string script = "plane { 0.0 1.0 0.0 5.0 }\n  sPHere { 1.0 2.0 3.0 }\nx sphere\n"
                         "{ 4.0 5.0 6.0 7.0 colour { 0.5 0.5 0.5 } }";
    ASSERT_TRUE(CSceneText::Read(script, CSceneText::script, "t", reading, error)) << error.message;
    ASSERT_EQ(2u, reading.source.objects.size());
    EXPECT_EQ((CSourcePlace{2, 3, 28}), reading.source.objects[0]);
    EXPECT_EQ((CSourcePlace{3, 3, 53}), reading.source.objects[1]);
    EXPECT_EQ("sPHere", TextAt(script, reading.source.objects[0], 6));
    EXPECT_EQ((std::vector<std::size_t>{50, script.size()}), reading.source.objectEnds);
}

TEST(SceneText, ATextThatDoesNotReadSaysWhereAndShowsNoBox) {
    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    CLumoDoc document;
    std::string scene = SceneTextOf(document);
    std::size_t radius = scene.find(" 25 colour");
    ASSERT_NE(std::string::npos, radius);
    std::string broken = scene.substr(0, radius + 1) + "2x5" + scene.substr(radius + 3);
    CSceneText::Reading reading;
    CSceneText::Error error;
    ASSERT_FALSE(CSceneText::Read(broken, CSceneText::sceneFile, "garden.lscene", reading, error));
    CSourcePlace place = CSceneText::PlaceOf(broken, radius + 1);
    EXPECT_EQ(place, error.place);
    EXPECT_EQ("garden.lscene:" + std::to_string(place.line) + ":" + std::to_string(place.column) +
                  ": expected a single-precision number, found '2x5'",
              error.message);

    // A script's error is the grammar's, as Parse Script gives it; its spheres raise no box.
    std::string script = "sphere { 1.0 2.0 3.0 }\nsphere { 1.0 2 3.0 }\n";
    ASSERT_FALSE(CSceneText::Read(script, CSceneText::script, "b.lmo", reading, error));
    EXPECT_EQ("b.lmo:2:20: parse error (near '}')", error.message);
    EXPECT_EQ((CSourcePlace{2, 20, 42}), error.place);
    ASSERT_TRUE(CSceneText::Read("sphere { 1.0 2.0 3.0 } sphere { 4.0 5.0 6.0 }",
                                 CSceneText::script, "b.lmo", reading, error));
    EXPECT_EQ(2u, reading.contents.objects.size());
    EXPECT_EQ(0u, platform.m_messageCount);
}

TEST(SceneText, AScriptReadsToTheSpheresParseScriptBuilds) {
    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    std::string script = "Sphere { -3.5 2.0 7.25 4.0 colour { 0.2 0.4 0.6 } finish { 0.1 0.2 "
                         "3.0 0.4 5.0 0.6 } }\nplane { 0.0 1.0 0.0 50.0 }\nsphere { 1.0 1.0 1.0 }";
    CSceneText::Reading reading;
    CSceneText::Error error;
    ASSERT_TRUE(CSceneText::Read(script, CSceneText::script, "s.lmo", reading, error));
    CLumoDoc parsed;
    ASSERT_EQ(0, parsed.ParseScriptWhole(script.data(), script.size()));
    ASSERT_EQ(parsed.m_objects.size(), reading.contents.objects.size());
    for (std::size_t i = 0; i < parsed.m_objects.size(); ++i) {
        std::string expected, got;
        ASSERT_TRUE(CSceneFile::ObjectText(*parsed.m_objects[i], expected));
        ASSERT_TRUE(CSceneFile::ObjectText(*reading.contents.objects[i], got));
        EXPECT_EQ(expected, got);
    }
}

TEST(SceneText, TextsTheProgramWroteComeBackByteForByte) {
    CLumoDoc document;
    document.m_antialias = 3;
    document.AddObjectAtTail(std::make_unique<CWorldPlane>(0.25, 1.0, -0.5, -40.125));
    std::string scene = SceneTextOf(document);
    EXPECT_EQ(scene, RoundTrip(scene, CSceneText::sceneFile));

    // Save Script's text of spheres is a script the grammar reads back to the same text.
    CLumoDoc spheres;
    spheres.ClearScene();
    spheres.AddObjectAtTail(std::make_unique<CSphere>(30.0f, 0.0f, -2.5f, 25.0f));
    spheres.AddObjectAtTail(std::make_unique<CSphere>(-37.5f, -15.0f, 1e-3f, 15.0f));
    std::string saved = spheres.GetScriptText();
    EXPECT_EQ(saved, RoundTrip(saved, CSceneText::script));
    EXPECT_EQ(std::string::npos, saved.find("colour"));

    // And so is a script that the pane writes: colours and finishes as the grammar takes them,
    // each number read back to its bits.
    CLumoDoc coloured;
    coloured.ClearScene();
    auto ball = std::make_unique<CSphere>(1.0f / 3.0f, 2.5f, 100.125f, 7.0f);
    ball->SetColour(CColour(220, 100, 100));
    ball->SetFinish(0.3, 0.7, 2.0, 0.9, 50.0, 1.0 / 7.0);
    coloured.AddObjectAtTail(std::move(ball));
    std::string written;
    std::vector<std::string> reasons;
    ASSERT_TRUE(CSceneText::Write(coloured, CSceneText::script, written, reasons));
    EXPECT_EQ("sphere { 0.33333334 2.5 100.125 7.0 colour { 0.8627451 0.39215687 0.39215687 } "
              "finish { 0.3 0.7 2.0 0.9 50.0 0.14285714285714285 } }\n",
              written);
    EXPECT_EQ(written, RoundTrip(written, CSceneText::script));
    CSceneText::Reading reading;
    CSceneText::Error error;
    ASSERT_TRUE(CSceneText::Read(written, CSceneText::script, "c", reading, error));
    std::string expected, got;
    ASSERT_TRUE(CSceneFile::ObjectText(*coloured.m_objects[0], expected));
    ASSERT_TRUE(CSceneFile::ObjectText(*reading.contents.objects[0], got));
    EXPECT_EQ(expected, got);
}

TEST(SceneText, AScriptIsNotWrittenForWhatAScriptCannotSay) {
    CLumoDoc document; // a floor, a textured sphere, colours of bytes: the floor and the texture
    std::string text = "unchanged";
    std::vector<std::string> reasons;
    EXPECT_FALSE(CSceneText::Write(document, CSceneText::script, text, reasons));
    EXPECT_EQ("unchanged", text);
    ASSERT_EQ(2u, reasons.size());
    EXPECT_EQ("Object 1 is a plane that moves with the eye; a script builds spheres only.",
              reasons[0]);
    EXPECT_EQ("Sphere 2 has a texture, which a script cannot give.", reasons[1]);

    CLumoDoc spheres;
    spheres.ClearScene();
    spheres.AddObjectAtTail(std::make_unique<CSphere>(0.1, 0.0, 0.0, 1.0, 0)); // 0.1 is no float
    auto raw = std::make_unique<CSphere>(0.0f, 0.0f, 0.0f, 1.0f);
    raw->GetColour()->red = 7; // bytes that its levels do not make
    spheres.AddObjectAtTail(std::move(raw));
    spheres.AddObjectAtTail(std::make_unique<CWorldPlane>(0.0, 1.0, 0.0, 5.0));
    EXPECT_FALSE(CSceneText::Write(spheres, CSceneText::script, text, reasons));
    ASSERT_EQ(3u, reasons.size());
    EXPECT_NE(std::string::npos, reasons[0].find("Sphere 1's centre"));
    EXPECT_EQ("Sphere 2's colour is not one that a script's levels make.", reasons[1]);
    EXPECT_EQ("Object 3 is a plane fixed in the world; a script builds spheres only.", reasons[2]);
}

TEST(SceneText, ApplyingChangesOnlyWhatDiffersAndCountsIt) {
    CLumoDoc document;
    std::string text = SceneTextOf(document);
    std::vector<CSceneObject*> before;
    for (auto& object : document.m_objects)
        before.push_back(object.get());

    CSceneText::Reading reading;
    CSceneText::Error error;
    unsigned long revision = document.GetRevision();
    ASSERT_TRUE(CSceneText::Read(text, CSceneText::sceneFile, "s", reading, error));
    EXPECT_FALSE(CSceneText::Apply(document, std::move(reading)));
    EXPECT_EQ(revision, document.GetRevision()) << "the same scene is no change";

    // One sphere's radius: that sphere is replaced, the others stay the same objects.
    std::size_t at = text.find("sphere { 5.5 -42.5 5 17.5");
    ASSERT_NE(std::string::npos, at);
    std::string edited = text;
    edited.replace(text.find("17.5", at), 4, "20");
    ASSERT_TRUE(CSceneText::Read(edited, CSceneText::sceneFile, "s", reading, error));
    EXPECT_TRUE(CSceneText::Apply(document, std::move(reading)));
    EXPECT_NE(revision, document.GetRevision());
    ASSERT_EQ(before.size(), document.m_objects.size());
    std::size_t replaced = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
        if (document.m_objects[i].get() != before[i]) {
            ++replaced;
            EXPECT_EQ(20.0f, dynamic_cast<CSphere&>(*document.m_objects[i]).GetRadius());
        }
    EXPECT_EQ(1u, replaced);
    EXPECT_EQ(edited, SceneTextOf(document));

    // A statement removed and one added; then the camera: the whole scene is replaced.
    std::string fewer = edited;
    std::size_t line = fewer.find("sphere { 30 0 0 25");
    fewer.erase(line, fewer.find('\n', line) + 1 - line);
    fewer += "sphere { 1 2 3 4 colour { 0 0 0 } finish { 0 0 0 0 0 0 } }\n";
    ASSERT_TRUE(CSceneText::Read(fewer, CSceneText::sceneFile, "s", reading, error));
    CSceneText::Apply(document, std::move(reading));
    EXPECT_EQ(fewer, SceneTextOf(document));
    std::string moved = fewer;
    moved.replace(moved.find("eye { 0 -5 -110 }"), 17, "eye { 0 -5 -90 }");
    ASSERT_TRUE(CSceneText::Read(moved, CSceneText::sceneFile, "s", reading, error));
    CSceneText::Apply(document, std::move(reading));
    EXPECT_EQ(-90.0, document.GetEye().z);
    EXPECT_EQ(moved, SceneTextOf(document));

    // A script changes the objects and leaves the rest.
    std::string settings = CSceneText::SettingsText(document);
    ASSERT_TRUE(
        CSceneText::Read("sphere { 1.0 2.0 3.0 }", CSceneText::script, "s", reading, error));
    CSceneText::Apply(document, std::move(reading));
    ASSERT_EQ(1u, document.m_objects.size());
    EXPECT_EQ(settings, CSceneText::SettingsText(document));
    EXPECT_EQ(0u, settings.find("{ lumo scene 1 }\n"));
    EXPECT_EQ(std::string::npos, settings.find("sphere"));
}

TEST(SceneText, TokensAreTheReadersOwn) {
    using T = CTextToken;
    // Scripts: keywords in any case and inside words, numbers with a point only, no comments.
    std::string script = "// SPHERE {1.0 2 -3.5 }colours";
    std::vector<T> tokens = CSceneText::Tokens(script, CSceneText::script);
    EXPECT_EQ((std::vector<T>{{3, 6, T::keyword},
                              {10, 1, T::brace},
                              {11, 3, T::number},
                              {17, 4, T::number},
                              {22, 1, T::brace},
                              {23, 6, T::keyword}}),
              tokens);
    // Scene files: comments to the end of the line, the format's words, numbers as it reads them.
    std::string scene = "{ lumo scene 1 }\n// a sphere\nsphere{1e3 x 2.5.1}";
    tokens = CSceneText::Tokens(scene, CSceneText::sceneFile);
    EXPECT_EQ((std::vector<T>{{0, 1, T::brace},
                              {2, 4, T::keyword},
                              {7, 5, T::keyword},
                              {13, 1, T::number},
                              {15, 1, T::brace},
                              {17, 11, T::comment},
                              {29, 6, T::keyword},
                              {35, 1, T::brace},
                              {36, 3, T::number},
                              {40, 1, T::other},
                              {42, 5, T::other},
                              {47, 1, T::brace}}),
              tokens);
}

TEST(SceneText, AChangeIsCarriedOverEditsElsewhereAndRefusedWhereTheyMeet) {
    std::string base = "alpha 1\nbeta 2\ngamma 3\n";
    std::string rewritten = "alpha 1\nbeta 20\ngamma 3\n"; // made elsewhere
    CSceneText::Replacement replacement;
    // Typing before and after the change: both kept.
    for (std::string edited : {std::string("alpha 1x\nbeta 2\ngamma 3\n"),
                               std::string("alpha 1\nbeta 2\ngamma 3 more\n")}) {
        ASSERT_TRUE(CSceneText::Rebase(base, edited, rewritten, replacement));
        std::string merged = CSceneText::Applied(edited, replacement);
        EXPECT_NE(std::string::npos, merged.find("beta 20\n")) << merged;
        EXPECT_EQ(edited.size() + 1, merged.size());
    }
    ASSERT_TRUE(CSceneText::Rebase(base, base, rewritten, replacement));
    EXPECT_EQ(rewritten, CSceneText::Applied(base, replacement));
    ASSERT_TRUE(CSceneText::Rebase(base, "x", base, replacement));
    EXPECT_EQ(CSceneText::Replacement{}, replacement);
    // Typing in the same place: refused, the edited text is left to its owner.
    EXPECT_FALSE(CSceneText::Rebase(base, "alpha 1\nbeta 2.\ngamma 3\n", rewritten, replacement));
}

TEST(SceneText, AChangeRewritesOnlyTheStatementsThatSayOtherwise) {
    std::string scene = "{ lumo scene 1 }\n"
                        "// my garden\n"
                        "sphere { 1 2 3 4 }   // the first ball\n"
                        "camera { eye { 0 -5 -110 } look { 0 0 1 } }\n"
                        "light { 65 -50 -100 colour { 1 1 1 } }\n"
                        "light same 0\n"
                        "\n"
                        "sphere {\n  5 6 7 8\n  colour { 1 0 0 }\n}\n";
    CSceneText::Reading reading;
    CSceneText::Error error;
    ASSERT_TRUE(CSceneText::Read(scene, CSceneText::sceneFile, "g", reading, error));
    CLumoDoc document;
    CSceneText::Apply(document, std::move(reading));
    std::string rewritten;
    std::vector<std::string> reasons;
    ASSERT_TRUE(
        CSceneText::Rewrite(scene, CSceneText::sceneFile, "g", document, rewritten, reasons));
    EXPECT_EQ(scene, rewritten) << "nothing changed";

    // The camera and the second ball: those two statements, the comments and layout kept.
    document.SetEye(CVector(0, -5, -90));
    dynamic_cast<CSphere&>(*document.m_objects[1]).m_radius = 9.5f;
    ASSERT_TRUE(
        CSceneText::Rewrite(scene, CSceneText::sceneFile, "g", document, rewritten, reasons));
    EXPECT_EQ("{ lumo scene 1 }\n"
              "// my garden\n"
              "sphere { 1 2 3 4 }   // the first ball\n"
              "camera { eye { 0 -5 -90 } look { 0 0 1 } }\n"
              "light { 65 -50 -100 colour { 1 1 1 } }\n"
              "light same 0\n"
              "\n"
              "sphere { 5 6 7 9.5 colour { 1 0 0 } finish { 0 0 0 0 0 0 } }\n",
              rewritten);

    // Objects added at the end and taken away: the rest stays as it was written.
    document.AddObjectAtTail(std::make_unique<CSphere>(0.5f, 0.5f, 0.5f, 1.0f));
    document.RemoveObject(0);
    std::string again;
    ASSERT_TRUE(
        CSceneText::Rewrite(rewritten, CSceneText::sceneFile, "g", document, again, reasons));
    EXPECT_EQ(std::string::npos, again.find("the first ball"));
    EXPECT_NE(std::string::npos, again.find("// my garden\ncamera"));
    EXPECT_NE(std::string::npos, again.find("colour { 1 0 0 } finish { 0 0 0 0 0 0 } }\nsphere { "
                                            "0.5 0.5 0.5 1 colour { 0 0 0 } finish { 0 0 0 0 0 0 "
                                            "} }\n"))
        << again;

    // A script: its statements as the grammar reads them, whatever stands between them.
    std::string script = "// two balls\nsphere { 1.0 2.0 3.0 }\n\nSPHERE\n{ 4.0 5.0 6.0 2.0 }\n";
    ASSERT_TRUE(CSceneText::Read(script, CSceneText::script, "s", reading, error));
    CLumoDoc spheres;
    CSceneText::Apply(spheres, std::move(reading));
    spheres.m_objects[1]->SetColour(CColour(0.5f, 0.25f, 1.0f));
    spheres.SetEye(CVector(1, 2, 3)); // no part of a script
    ASSERT_TRUE(CSceneText::Rewrite(script, CSceneText::script, "s", spheres, rewritten, reasons));
    EXPECT_EQ("// two balls\nsphere { 1.0 2.0 3.0 }\n\nsphere { 4.0 5.0 6.0 2.0 colour { 0.5 0.25 "
              "1.0 } }\n",
              rewritten);
    spheres.AddObjectAtTail(std::make_unique<CPlane>(0.0f, 1.0f, 0.0f, 5.0f));
    EXPECT_FALSE(CSceneText::Rewrite(script, CSceneText::script, "s", spheres, rewritten, reasons));
    EXPECT_EQ(1u, reasons.size());
}
