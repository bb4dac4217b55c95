#include "headless/HeadlessPlatform.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "scene/WorldPlane.h"
#include "script/Archive.h"
#include "script/LumoDoc.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
const char* const kFirstSphere =
    "Sphere \n{\n 30.000000 \n  0.000000 \n   0.000000 \n  25.000000  \n } \n\n";
const char* const kFloor =
    "Plane\n{\n0.000000 \n 1.000000 \n 0.000000 \n 50.000000 \n 0.000000 \n } \n\n";

class ScriptWriterTest : public testing::Test {
protected:
    CHeadlessPlatform platform;
    CPlatformScope scope{platform};
    CLumoDoc doc;
};
} // namespace

TEST_F(ScriptWriterTest, DefaultSceneTextInListOrder) {
    std::string text = doc.GetScriptText();
    EXPECT_EQ(0u, text.find(kFloor));
    std::string tail = text.substr(text.size() - std::string(kFirstSphere).size());
    EXPECT_EQ(kFirstSphere, tail);
    EXPECT_EQ(std::string::npos, text.find("light"));
    std::size_t blocks = 0;
    for (std::size_t at = text.find(" } \n\n"); at != std::string::npos;
         at = text.find(" } \n\n", at + 1))
        ++blocks;
    EXPECT_EQ(5u, blocks);
}

TEST_F(ScriptWriterTest, SphereParametersAreIndented) {
    CSphere sphere(-37.5f, -15.0f, -15.5f, 15.0f);
    std::string params;
    sphere.GetScriptParams(params);
    EXPECT_EQ(" -37.500000 \n  -15.000000 \n   -15.500000 \n  15.000000  \n", params);
    std::string header;
    sphere.GetScriptHeader(header);
    EXPECT_EQ("Sphere \n{\n", header);
}

TEST_F(ScriptWriterTest, RadiusIsWrittenWidenedFromItsFloat) {
    CSphere sphere(0.0, 0.0, 0.0, 0.1, 0);
    std::string params;
    sphere.GetScriptParams(params);
    EXPECT_NE(std::string::npos, params.find("0.100000  \n"));
}

TEST_F(ScriptWriterTest, HugeValuesAreWrittenWhole) {
    CSphere sphere(1e300, 0.0, 0.0, 1.0, 0);
    std::string params;
    sphere.GetScriptParams(params);
    std::string first = params.substr(0, params.find('\n') + 1);
    EXPECT_EQ(" 1", first.substr(0, 2));
    EXPECT_EQ(1 + 301 + 7 + 2, first.size()); // 301 digits, ".000000", " \n"
}

TEST_F(ScriptWriterTest, EmptySceneWritesAnEmptyFile) {
    doc.ClearScene();
    std::string path = TestPath("empty.lmo");
    WriteFile(path, "old content");
    CArchive archive(path, CArchive::store);
    EXPECT_TRUE(doc.Serialize(archive));
    EXPECT_TRUE(archive.Close());
    EXPECT_EQ("", ReadFile(path));
}

TEST_F(ScriptWriterTest, SerializeWritesTheScriptText) {
    std::string path = TestPath("scene.lmo");
    CArchive archive(path, CArchive::store);
    ASSERT_TRUE(doc.Serialize(archive));
    ASSERT_TRUE(archive.Close());
    EXPECT_EQ(doc.GetScriptText(), ReadFile(path));
}

TEST_F(ScriptWriterTest, FailedSaveKeepsTheOldFileAndSaysSo) {
    std::string folder = TestPath("readonly");
    mkdir(folder.c_str(), 0755);
    std::string path = folder + "/scene.lmo";
    WriteFile(path, "precious");
    chmod(folder.c_str(), 0555);
    CArchive archive(path, CArchive::store);
    doc.Serialize(archive);
    bool closed = archive.Close();
    chmod(folder.c_str(), 0755);
    if (geteuid() == 0 && closed)
        GTEST_SKIP() << "root writes into read-only folders";
    EXPECT_FALSE(closed);
    EXPECT_NE(std::string::npos, archive.GetError().find("scene.lmo"));
    EXPECT_EQ("precious", ReadFile(path));
}

TEST_F(ScriptWriterTest, FullDiskKeepsTheOldFile) {
    std::string path = TestPath("full.lmo");
    WriteFile(path, "precious");
    for (int i = 0; i < 200; ++i)
        doc.AddObjectAtTail(std::make_unique<CSphere>(1.0f, 2.0f, 3.0f, 4.0f));
    CArchive archive(path, CArchive::store);
    bool closed = true;
    WithFileSizeLimit(1024, [&] {
        doc.Serialize(archive);
        closed = archive.Close();
    });
    EXPECT_FALSE(closed);
    EXPECT_NE(std::string::npos, archive.GetError().find("full.lmo"));
    EXPECT_EQ("precious", ReadFile(path));
}

TEST_F(ScriptWriterTest, SaveOverADirectoryFails) {
    std::string path = TestPath("adir");
    mkdir(path.c_str(), 0755);
    CArchive archive(path, CArchive::store);
    EXPECT_FALSE(doc.Serialize(archive));
    EXPECT_FALSE(archive.Close());
    EXPECT_FALSE(archive.GetError().empty());
}

TEST_F(ScriptWriterTest, SaveIntoAMissingFolderFails) {
    CArchive archive(TestPath("no/such/folder/scene.lmo"), CArchive::store);
    doc.Serialize(archive);
    EXPECT_FALSE(archive.Close());
    EXPECT_NE(std::string::npos, archive.GetError().find("No such file"));
}

TEST_F(ScriptWriterTest, AbandonedSaveLeavesNoTemporaryFile) {
    std::string path = TestPath("abandoned.lmo");
    WriteFile(path, "before");
    {
        CArchive archive(path, CArchive::store);
        doc.Serialize(archive);
        // destroyed without Close: as if the program had stopped half-way
    }
    EXPECT_EQ("before", ReadFile(path));
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TestFolder()))
        entries += entry.path().filename().string().find(".abandoned.lmo") == 0;
    EXPECT_EQ(0, entries);
}

TEST_F(ScriptWriterTest, AWorldPlaneIsWrittenAsTheEyeSeesItAndSaidSo) {
    std::vector<std::string> notes;
    std::string eyeRelative = doc.GetScriptText(&notes);
    EXPECT_TRUE(notes.empty()); // nothing to say about a scene that a script holds as it is
    auto& floor = static_cast<CPlane&>(*doc.m_objects.front());
    floor.SetName("floor");
    doc.m_objects.front() =
        std::make_unique<CWorldPlane>(CWorldPlane::FromEyePlane(floor, doc.GetEye()));

    // Seen from the eye it was fixed at, it is the floor it was made from.
    const std::string comment = "// A plane fixed in the world, written as the eye-relative "
                                "plane that the eye at 0 -5 -110 sees in its place\n";
    EXPECT_EQ(comment + eyeRelative, doc.GetScriptText(&notes));
    ASSERT_EQ(1u, notes.size());
    EXPECT_EQ("Object 1 \"floor\" is a plane fixed in the world, which a script cannot hold: it "
              "was written as the eye-relative plane 0 1 0 -50 that the eye at 0 -5 -110 sees "
              "in its place, and it will move with the eye once read back.",
              notes[0]);

    // From an eye 20 higher the floor at y = 40 is 65 below: the eye-relative d is -90.
    doc.SetEye(CVector(0.0, -25.0, -110.0));
    std::string raised = doc.GetScriptText();
    EXPECT_EQ(0u, raised.find("// A plane fixed in the world, written as the eye-relative plane "
                              "that the eye at 0 -25 -110 sees in its place\n"
                              "Plane\n{\n0.000000 \n 1.000000 \n 0.000000 \n 90.000000 \n"));

    // Serialize writes the same text and passes the notes on.
    std::string path = TestPath("world.lmo");
    CArchive archive(path, CArchive::store);
    notes.clear();
    ASSERT_TRUE(doc.Serialize(archive, &notes));
    ASSERT_TRUE(archive.Close());
    EXPECT_EQ(raised, ReadFile(path));
    EXPECT_EQ(1u, notes.size());

    // The keyword loader skips the comment: five objects in, five more in the scene.
    CLumoDoc reader;
    std::size_t before = reader.m_objects.size();
    reader.LoadScriptKeywords(raised.data(), raised.size());
    ASSERT_EQ(before + 5, reader.m_objects.size());
    EXPECT_NE(nullptr, dynamic_cast<CPlane*>(reader.m_objects[4].get()));
}
