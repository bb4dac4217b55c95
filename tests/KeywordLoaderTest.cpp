#include "headless/HeadlessPlatform.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "script/Archive.h"
#include "script/LumoDoc.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class KeywordLoaderTest : public testing::Test {
protected:
    KeywordLoaderTest() { doc.ClearScene(); }

    void Load(const std::string& text) { doc.LoadScriptKeywords(text.data(), text.size()); }

    CSphere* Sphere(std::size_t i) { return dynamic_cast<CSphere*>(doc.m_objects.at(i).get()); }
    const CPlane* Plane(std::size_t i) {
        return dynamic_cast<const CPlane*>(doc.m_objects.at(i).get());
    }

    CHeadlessPlatform platform;
    CPlatformScope scope{platform};
    CLumoDoc doc;
};

} // namespace

TEST_F(KeywordLoaderTest, OneSphereInAnyCase) {
    Load("Sphere { 1.0 2.0 3.0 }");
    ASSERT_EQ(1u, doc.m_objects.size());
    ASSERT_NE(nullptr, Sphere(0));
    EXPECT_EQ(1.0, Sphere(0)->GetCentre().x);
    EXPECT_EQ(3.0, Sphere(0)->GetCentre().z);
    EXPECT_EQ(0.0f, Sphere(0)->GetRadius()); // missing numbers are 0
    Load("SPHERE { 0.5 0.5 0.5 2.5 }");
    EXPECT_EQ(2u, doc.m_objects.size());
    EXPECT_EQ(2.5f, Sphere(0)->GetRadius());
    // No colour or finish is read.
    EXPECT_EQ(0, Sphere(0)->GetColour()->GetRed());
    EXPECT_EQ(0.0, Sphere(0)->GetAmbient());
}

TEST_F(KeywordLoaderTest, HeadInsertionReversesTheOrder) {
    Load("plane { } sphere { }");
    ASSERT_EQ(2u, doc.m_objects.size());
    EXPECT_NE(nullptr, Sphere(0));
    EXPECT_NE(nullptr, Plane(1));
}

TEST_F(KeywordLoaderTest, LoadingAddsInFrontOfTheScene) {
    CLumoDoc fresh;
    fresh.LoadScriptKeywords("sphere{}", 8);
    ASSERT_EQ(6u, fresh.m_objects.size());
    EXPECT_NE(nullptr, dynamic_cast<const CSphere*>(fresh.m_objects[0].get()));
    EXPECT_NE(nullptr, dynamic_cast<const CPlane*>(fresh.m_objects[1].get()));
}

TEST_F(KeywordLoaderTest, InnerBlocksDoNotEndTheStatement) {
    Load("sphere { plane { } }");
    ASSERT_EQ(1u, doc.m_objects.size());
    EXPECT_NE(nullptr, Sphere(0));
}

TEST_F(KeywordLoaderTest, NothingWithoutABlock) {
    Load("spheres");
    EXPECT_TRUE(doc.m_objects.empty());
    Load("// sphere { }");
    EXPECT_TRUE(doc.m_objects.empty());
    Load("// sphere { 1.0 }\nplane { 0.0 1.0 0.0 -5.0 }");
    ASSERT_EQ(1u, doc.m_objects.size());
    EXPECT_EQ(5.0, Plane(0)->m_offset);
}

TEST_F(KeywordLoaderTest, ColourIsSkipped) {
    Load("colour { } sphere { }");
    EXPECT_EQ(1u, doc.m_objects.size());
    Load("colour { 0.5 0.5 0.5 }");
    EXPECT_EQ(1u, doc.m_objects.size());
}

TEST_F(KeywordLoaderTest, ValuesAreTheNumbersDirectlyInsideTheBlock) {
    Load("sphere { 1.0 2.0 colour { 0.5 0.6 0.7 } 3.0 4.0 9.0 }");
    ASSERT_EQ(1u, doc.m_objects.size());
    EXPECT_EQ(1.0, Sphere(0)->GetCentre().x);
    EXPECT_EQ(2.0, Sphere(0)->GetCentre().y);
    EXPECT_EQ(3.0, Sphere(0)->GetCentre().z);
    EXPECT_EQ(4.0f, Sphere(0)->GetRadius());
}

TEST_F(KeywordLoaderTest, NumbersFollowTheScriptPattern) {
    // Whole numbers, "+" and exponents are not numbers; "- 1.5" is 1.5; "1.5.2" is 1.5.
    Load("sphere { 7 +2.5 - 1.5 -0.25 1.5.2 1e5 }");
    ASSERT_EQ(1u, doc.m_objects.size());
    EXPECT_EQ(2.5, Sphere(0)->GetCentre().x);
    EXPECT_EQ(1.5, Sphere(0)->GetCentre().y);
    EXPECT_EQ(-0.25, Sphere(0)->GetCentre().z);
    EXPECT_EQ(1.5f, Sphere(0)->GetRadius());
}

TEST_F(KeywordLoaderTest, PlaneValuesTruncate) {
    Load("Plane { 0.5 1.7 0.0 -2.9 }");
    ASSERT_EQ(1u, doc.m_objects.size());
    EXPECT_EQ(1.0, Plane(0)->m_ny);
    EXPECT_EQ(2.0, Plane(0)->m_offset);
}

TEST_F(KeywordLoaderTest, WriterOutputRoundTrips) {
    CLumoDoc source;
    source.ClearScene();
    source.AddObjectAtTail(std::make_unique<CSphere>(-37.5f, -15.0f, -15.5f, 15.0f));
    source.AddObjectAtTail(std::make_unique<CPlane>(0.0f, 1.0f, 0.0f, -50.0f));
    auto light = std::make_unique<CLight>(CVector(1, 2, 3));
    source.AddObjectAtTail(std::move(light)); // a light's text yields nothing
    Load(source.GetScriptText());
    ASSERT_EQ(2u, doc.m_objects.size());
    // Head insertion reverses: the plane comes first now.
    ASSERT_NE(nullptr, Plane(0));
    EXPECT_EQ(1.0, Plane(0)->m_ny);
    // The plane's text holds its offset (50), read back as d: the offset becomes -50.
    EXPECT_EQ(-50.0, Plane(0)->m_offset);
    ASSERT_NE(nullptr, Sphere(1));
    EXPECT_EQ(-37.5, Sphere(1)->GetCentre().x);
    EXPECT_EQ(-15.0, Sphere(1)->GetCentre().y);
    EXPECT_EQ(-15.5, Sphere(1)->GetCentre().z);
    EXPECT_EQ(15.0f, Sphere(1)->GetRadius());
}

TEST_F(KeywordLoaderTest, UnbalancedBraces) {
    Load("} } sphere { 1.0 }");
    EXPECT_TRUE(doc.m_objects.empty()); // depth never returns to 0
    Load("{ { sphere");
    EXPECT_TRUE(doc.m_objects.empty());
    doc.ClearScene();
    Load("} sphere { } } { 2.0 }");
    // The depth goes -1, 0, -1, -2, -1: never back to 0 from a block.
    EXPECT_TRUE(doc.m_objects.empty());
    Load("} { sphere { 3.0 } }");
    // -1, 0, 1 then back to 0 at the last brace: one sphere.
    ASSERT_EQ(1u, doc.m_objects.size());
}

TEST_F(KeywordLoaderTest, ArbitraryBytesAreSafe) {
    const char raw[] = "sphere\0{\0001.0\0}\xff\xfe plane";
    std::string text(raw, sizeof raw - 1);
    text += std::string(1, '\0');
    Load(text);
    ASSERT_EQ(1u, doc.m_objects.size());
    EXPECT_EQ(1.0, Sphere(0)->GetCentre().x);
    // A keyword or number cut off by the end of the text reads nothing past it.
    std::string cut = "sphere { 1.";
    doc.LoadScriptKeywords(cut.data(), cut.size());
    doc.LoadScriptKeywords("spher", 5);
    doc.LoadScriptKeywords(nullptr, 10);
    EXPECT_EQ(1u, doc.m_objects.size());
}

TEST_F(KeywordLoaderTest, HugeAndDeepInputs) {
    std::string deep(1000000, '{');
    deep += "sphere";
    deep += std::string(1000000, '}');
    Load(deep);
    EXPECT_EQ(1u, doc.m_objects.size());
    std::string braces(100 * 1024 * 1024, '{');
    for (std::size_t i = 1; i < braces.size(); i += 2)
        braces[i] = '}';
    Load(braces);
    EXPECT_EQ(1u, doc.m_objects.size()); // no keyword: nothing added
    std::string longNumber = "sphere { " + std::string(100000, '9') + ".5 }";
    Load(longNumber);
    ASSERT_EQ(2u, doc.m_objects.size());
    EXPECT_TRUE(std::isinf(Sphere(0)->GetCentre().x));
}

TEST_F(KeywordLoaderTest, LoadThroughTheArchive) {
    std::string path = TestPath("scene.lmo");
    WriteFile(path, "sphere { 1.0 2.0 3.0 4.0 } plane { 0.0 1.0 0.0 1.0 }");
    CArchive archive(path, CArchive::load);
    EXPECT_TRUE(doc.Serialize(archive));
    EXPECT_TRUE(archive.Close());
    EXPECT_EQ(2u, doc.m_objects.size());
}

TEST_F(KeywordLoaderTest, UnreadableFileChangesNothing) {
    CArchive missing(TestPath("missing.lmo"), CArchive::load);
    EXPECT_FALSE(doc.Serialize(missing));
    EXPECT_NE(std::string::npos, missing.GetError().find("missing.lmo"));
    std::string folder = TestPath("folder.lmo");
    mkdir(folder.c_str(), 0755);
    CArchive directory(folder, CArchive::load);
    EXPECT_FALSE(doc.Serialize(directory));
    EXPECT_NE(std::string::npos, directory.GetError().find("directory"));
    EXPECT_TRUE(doc.m_objects.empty());
}

TEST_F(KeywordLoaderTest, OversizedFileIsRefusedNotHalfRead) {
    std::string path = TestPath("huge.lmo");
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, file);
        std::fputs("sphere { }", file);
        // A sparse file just over the limit: no disk space is used.
        ASSERT_EQ(0, ftruncate(fileno(file), static_cast<off_t>(CArchive::kMaxLoadBytes + 1)));
        std::fclose(file);
    }
    CArchive archive(path, CArchive::load);
    EXPECT_FALSE(doc.Serialize(archive));
    EXPECT_NE(std::string::npos, archive.GetError().find("too large"));
    EXPECT_TRUE(doc.m_objects.empty());
}

namespace {
// A pipe holding the text, its writing end closed: what a file that shrank looks like.
int PipeWith(const std::string& text) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    if (write(fds[1], text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return -1;
    close(fds[1]);
    return fds[0];
}
} // namespace

TEST(Archive, FileThatChangesWhileReadIsNotTakenForComplete) {
    std::string text;
    std::string error;
    int shrunk = PipeWith("sphere { 1.0 }");
    ASSERT_GE(shrunk, 0);
    EXPECT_FALSE(CArchive::ReadDescriptor(shrunk, 1000, text, error));
    EXPECT_NE(std::string::npos, error.find("changed"));
    EXPECT_TRUE(text.empty());
    close(shrunk);
    int grown = PipeWith("sphere { 1.0 } sphere { 2.0 }");
    EXPECT_FALSE(CArchive::ReadDescriptor(grown, 5, text, error));
    close(grown);
    int unknown = PipeWith("sphere { 1.0 }");
    EXPECT_TRUE(CArchive::ReadDescriptor(unknown, 0, text, error));
    EXPECT_EQ("sphere { 1.0 }", text);
    close(unknown);
}

TEST(Archive, LoadFromAPipe) {
    std::string path = TestPath("script.fifo");
    ASSERT_EQ(0, mkfifo(path.c_str(), 0600));
    pid_t writer = fork();
    if (writer == 0) {
        std::FILE* out = std::fopen(path.c_str(), "w");
        std::fputs("sphere { 1.0 } ", out);
        std::fclose(out);
        _exit(0);
    }
    CHeadlessPlatform platform;
    CPlatformScope scope(platform);
    CLumoDoc doc;
    CArchive archive(path, CArchive::load);
    EXPECT_TRUE(doc.Serialize(archive));
    EXPECT_EQ(6u, doc.m_objects.size());
    waitpid(writer, nullptr, 0);
}
