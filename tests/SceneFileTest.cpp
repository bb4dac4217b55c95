#include "script/SceneFile.h"
#include "RendererTestSupport.h"
#include "TestFolder.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "scene/WorldPlane.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

namespace {

class SceneFile : public RenderFixture {
protected:
    // Writes the document, reads the text into a fresh document, and returns that one.
    std::unique_ptr<CLumoDoc> RoundTrip(const CLumoDoc& source, std::string& text) {
        std::string error;
        EXPECT_TRUE(CSceneFile::Write(source, text, error)) << error;
        CSceneContents contents;
        EXPECT_TRUE(CSceneFile::Read(text, "scene.lscene", contents, error)) << error;
        auto copy = std::make_unique<CLumoDoc>();
        copy->ReplaceScene(std::move(contents));
        return copy;
    }

    // Saving, opening and saving again gives the same text, and both render the same picture.
    void ExpectExactRoundTrip(CLumoDoc& source) {
        std::string first, second, error;
        std::unique_ptr<CLumoDoc> copy = RoundTrip(source, first);
        ASSERT_TRUE(CSceneFile::Write(*copy, second, error)) << error;
        EXPECT_EQ(first, second);
        EXPECT_EQ(RenderToPpm(source, 48, 30), RenderToPpm(*copy, 48, 30)) << first;
    }
};

TEST_F(SceneFile, TheDefaultSceneComesBackExactly) {
    StoreMaxRecursion(2);
    std::string text;
    std::unique_ptr<CLumoDoc> copy = RoundTrip(*doc, text);
    EXPECT_EQ(0u, text.rfind("{ lumo scene 1 }\n", 0));
    EXPECT_NE(std::string::npos, text.find("light same 0")); // the default light's two entries
    ASSERT_EQ(copy->m_lights.size(), 2u);
    EXPECT_EQ(copy->m_lights[0], copy->m_lights[1]);
    ExpectExactRoundTrip(*doc);
}

TEST_F(SceneFile, RandomScenesComeBackExactly) {
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> coordinate(-200.0, 200.0);
    std::uniform_real_distribution<float> level(-0.5f, 1.5f);
    std::uniform_int_distribution<int> byte(0, 255), coefficient(-60, 60), flags(0, 7);
    for (int scene = 0; scene < 12; ++scene) {
        CLumoDoc source;
        source.ClearScene();
        for (int i = 0; i < 6; ++i) {
            std::unique_ptr<CSceneObject> object;
            if (i % 3 == 2)
                object = std::make_unique<CPlane>(static_cast<float>(coefficient(random)) / 10,
                                                  1.0f, static_cast<float>(coefficient(random)),
                                                  static_cast<float>(coefficient(random)));
            else
                object = std::make_unique<CSphere>(coordinate(random), coordinate(random) / 3,
                                                   coordinate(random) + 250,
                                                   std::fabs(coordinate(random)) / 7, 0);
            // Colours made from bytes and from levels (clamped), as the program makes both.
            object->SetColour(i % 2 ? CColour(byte(random), byte(random), byte(random))
                                    : CColour(level(random), level(random), level(random)));
            object->SetFinish(level(random), level(random), coordinate(random) / 10, level(random),
                              std::fabs(coordinate(random)), level(random) / 2);
            object->m_textureFlags = flags(random) & ~kTextureNoise;
            source.AddObjectAtTail(std::move(object));
        }
        auto light = std::make_unique<CLight>(CVector(coordinate(random), -100, -100));
        light->SetColour(CColour(level(random), level(random), level(random)));
        source.AddLight(std::move(light));
        source.m_lights.push_back(source.m_lights.back()); // a shared entry, then the last
        source.m_background = CColour(level(random), 0.25f, 1.0f / 3.0f);
        source.SetEye(CVector(coordinate(random) / 10, -5.0, -110.0 + coordinate(random) / 100));
        source.SetLook(CVector(0.1 / 3, static_cast<double>(-0.05f), 1.0));
        ExpectExactRoundTrip(source);
    }
}

TEST_F(SceneFile, ValuesAScriptCannotWriteComeBackToTheBit) {
    auto sphere = std::make_unique<CSphere>(1e-300, -0.0, 1e300, 0.1, kTextureNoise);
    sphere->SetFinish(std::numeric_limits<double>::infinity(), 5e-324, 0.1 + 0.2, 0, 0, 0);
    CColour odd(0.5f, 0.5f, 0.5f);
    odd.red = 3; // bytes and levels that no constructor pairs
    sphere->SetColour(odd);
    doc->AddObjectAtHead(std::move(sphere));
    std::string text;
    std::unique_ptr<CLumoDoc> copy = RoundTrip(*doc, text);
    auto* back = dynamic_cast<CSphere*>(copy->m_objects.front().get());
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(1e-300, back->GetCentre().x);
    EXPECT_TRUE(std::signbit(back->GetCentre().y));
    EXPECT_EQ(0.1f, back->GetRadius());
    EXPECT_EQ(0.1 + 0.2, back->GetBrilliance());
    EXPECT_EQ(5e-324, back->GetDiffuse());
    EXPECT_TRUE(std::isinf(back->GetAmbient()));
    EXPECT_EQ(3, back->GetColour()->red);
    EXPECT_EQ(0.5f, back->GetColour()->greenLevel);
    EXPECT_EQ(kTextureNoise, back->GetTextureFlags());
}

TEST_F(SceneFile, WorldPlanesComeBackToTheBit) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-1e3, 1e3);
    std::vector<std::array<double, 4>> written = {{0.1, 1.0, -1e-300, -40.000000000000007},
                                                  {-0.0, 1.0 / 3.0, 5e-324, 1e300}};
    for (int i = 0; i < 8; ++i)
        written.push_back({value(random) / 7, value(random) / 3, value(random), value(random)});
    for (const auto& c : written) {
        auto plane = std::make_unique<CWorldPlane>(c[0], c[1], c[2], c[3]);
        plane->SetColour(CColour(0.3f, 0.6f, 0.9f));
        plane->SetFinish(0.3, 0.7, 20.0, 0.9, 100.0, 0.1 + 0.2);
        plane->m_textureFlags = kTextureChecker;
        doc->AddObjectAtTail(std::move(plane));
    }
    std::string text;
    std::unique_ptr<CLumoDoc> copy = RoundTrip(*doc, text);
    // The eye-relative floor keeps its statement.
    EXPECT_NE(std::string::npos, text.find("\nplane { 0 1 0 -50 colour"));
    EXPECT_NE(std::string::npos, text.find("\nplane world { 0.1 1 -1e-300 -40.00000000000001 "));
    ASSERT_EQ(5 + written.size(), copy->m_objects.size());
    EXPECT_NE(nullptr, dynamic_cast<CPlane*>(copy->m_objects.front().get()));
    for (std::size_t i = 0; i < written.size(); ++i) {
        auto* back = dynamic_cast<CWorldPlane*>(copy->m_objects[5 + i].get());
        ASSERT_NE(nullptr, back) << i;
        std::array<double, 4> read = back->GetCoefficients();
        EXPECT_EQ(0, std::memcmp(written[i].data(), read.data(), sizeof read)) << i;
        EXPECT_EQ(0.1 + 0.2, back->GetReflection());
        EXPECT_EQ(kTextureChecker, back->GetTextureFlags());
    }
    ExpectExactRoundTrip(*doc);
}

TEST_F(SceneFile, HandWrittenFilesTakeCommentsAndAnyCase) {
    std::string text = "{ lumo scene 1 }   // first line\n"
                       "BACKGROUND bytes { 10 20 30 }\n"
                       "Camera { Eye { 0 0 -10 } LOOK { 0 0 1.0 } } // where we look from\n"
                       "light { 0 -100 -100 colour { 1.0 1.0 1.0 } }\n"
                       "light same 0\n"
                       "Sphere { 0.0 0.0 0.0 2.5 colour bytes { 255 0 0 } }\n"
                       "PLANE World { 0 1 0 -40.5 } // fixed in the world\n"
                       "Plane { 0 1 0 -50 }\n";
    CSceneContents contents;
    std::string error;
    ASSERT_TRUE(CSceneFile::Read(text, "hand.lscene", contents, error)) << error;
    ASSERT_EQ(3u, contents.objects.size());
    auto* world = dynamic_cast<CWorldPlane*>(contents.objects[1].get());
    ASSERT_NE(nullptr, world);
    EXPECT_EQ(-40.5, world->GetCoefficients()[3]);
    EXPECT_NE(nullptr, dynamic_cast<CPlane*>(contents.objects[2].get()));
    EXPECT_EQ(10, contents.background.red);
    EXPECT_EQ(-10.0, contents.eye.z);
    EXPECT_EQ(2u, contents.lights.size());
}

TEST_F(SceneFile, ErrorsNameTheFileLineAndColumnAndChangeNothing) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"sphere { 1.0 2.0 3.0 }", "bad.lscene:1:1: not a scene file: it must start with "
                                   "\"{ lumo scene 1 }\""},
        {"{ lumo scene 1 }\nsphere { 1.0 abc 3.0 4.0 }",
         "bad.lscene:2:14: expected a number, found 'abc'"},
        {"{ lumo scene 1 }\n\n  plane { 0 1.5 0 5 }",
         "bad.lscene:3:13: expected a whole-number plane coefficient, found '1.5'"},
        {"{ lumo scene 1 }\nplane world { 0 1 x 0 }",
         "bad.lscene:2:19: expected a number, found 'x'"},
        {"{ lumo scene 1 }\nplane wrld { 0 1 0 0 }",
         "bad.lscene:2:7: expected '{' or 'world', found 'wrld'"},
        {"{ lumo scene 1 }\nplane world 0 1 0 0", "bad.lscene:2:13: expected '{', found '0'"},
        {"{ lumo scene 1 }\nlight same 0", "bad.lscene:2:12: the light table has no entry 0 yet"},
        {"{ lumo scene 1 }\nbackground bytes { 1 2 256 }",
         "bad.lscene:2:24: expected a byte (0 to 255), found '256'"},
        {"{ lumo scene 1 }\nsphere { 1 2 3 4", "bad.lscene:2:17: expected '}', found the end of "
                                               "the file"},
        {"{ lumo scene 2 }", "bad.lscene:1:1: scene file version 2 is newer than this program "
                             "reads (1)"},
    };
    for (const Case& c : cases) {
        CSceneContents contents;
        std::string error;
        EXPECT_FALSE(CSceneFile::Read(c.text, "bad.lscene", contents, error)) << c.text;
        EXPECT_EQ(c.error, error);
    }
    std::string path = TestPath("bad.lscene");
    WriteFile(path, "{ lumo scene 1 }\nbackground bytes { 1 2 3 }\nsphere {");
    std::string error;
    EXPECT_FALSE(CSceneFile::Load(*doc, path, error));
    EXPECT_EQ(5u, doc->m_objects.size());
    EXPECT_EQ(175, doc->m_background.red);
}

TEST_F(SceneFile, ScriptsAndSceneFilesAreNeverTakenForEachOther) {
    std::string text, error;
    ASSERT_TRUE(CSceneFile::Write(*doc, text, error));
    EXPECT_TRUE(CSceneFile::IsSceneText(text));
    EXPECT_FALSE(CSceneFile::IsSceneText(doc->GetScriptText()));
    // The script grammar refuses a scene file at its first token.
    EXPECT_EQ(1, doc->ParseScript(text.c_str()));
    EXPECT_TRUE(doc->m_objects.empty());
}

} // namespace

namespace {
// The example in docs/scene-files.md reads, renders lit and comes back exactly.
TEST_F(SceneFile, TheDocumentedExampleRenders) {
    std::string page = ReadFile(std::string(LUMO_SOURCE_DIR) + "/docs/scene-files.md");
    std::size_t start = page.find("```lscene\n");
    ASSERT_NE(std::string::npos, start);
    start += 10;
    std::string text = page.substr(start, page.find("```", start) - start);
    CSceneContents contents;
    std::string error;
    ASSERT_TRUE(CSceneFile::Read(text, "scene-files.md", contents, error)) << error;
    doc->ReplaceScene(std::move(contents));
    EXPECT_EQ(3u, doc->m_objects.size());
    std::string picture = RenderToPpm(*doc, 64, 40);
    std::string written;
    ASSERT_TRUE(CSceneFile::Write(*doc, written, error));
    EXPECT_EQ(text.substr(text.find("\nbackground")), written.substr(written.find("\nbackground")));
    // The red ball is lit where the light falls on it.
    std::uint32_t centre = doc->m_image.GetPixel(38, 20);
    EXPECT_GT(centre & 0xFF, (centre >> 8) & 0xFF);

    // The page's other examples read, and write back as they are written there.
    int examples = 0;
    for (start = page.find("```lscene\n", start); start != std::string::npos;
         start = page.find("```lscene\n", start)) {
        start += 10;
        text = page.substr(start, page.find("```", start) - start);
        CSceneContents more;
        ASSERT_TRUE(CSceneFile::Read(text, "scene-files.md", more, error)) << error;
        CLumoDoc example;
        example.ReplaceScene(std::move(more));
        ASSERT_TRUE(CSceneFile::Write(example, written, error));
        EXPECT_EQ(text.substr(text.find("\nbackground")),
                  written.substr(written.find("\nbackground")));
        ++examples;
    }
    EXPECT_EQ(1, examples);
}
} // namespace

// The desktop's file type knows a scene file by the same first line as the reader does.
TEST(SceneFileType, TheDesktopDataMatchesTheFirstLine) {
    std::ifstream mime(LUMO_SOURCE_DIR "/data/lumo-mime.xml");
    std::string xml((std::istreambuf_iterator<char>(mime)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, xml.find(std::string("value=\"") + CSceneFile::kFirstLine + "\""));
    EXPECT_NE(std::string::npos,
              xml.find(std::string("pattern=\"*.") + CSceneFile::kExtension + "\""));
    std::ifstream desktop(LUMO_SOURCE_DIR "/data/lumo.desktop");
    std::string entry((std::istreambuf_iterator<char>(desktop)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, entry.find("text/x-lumo-scene;"));
}
