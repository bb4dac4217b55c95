#include "headless/HeadlessPlatform.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "script/Archive.h"
#include "script/LumoDoc.h"
#include "script/SceneFile.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

namespace {

class DocumentTest : public testing::Test {
protected:
    CHeadlessPlatform platform;
    CPlatformScope scope{platform};
};

const CSphere* AsSphere(const std::unique_ptr<CSceneObject>& object) {
    return dynamic_cast<const CSphere*>(object.get());
}

} // namespace

TEST_F(DocumentTest, DefaultSceneInListOrder) {
    CLumoDoc doc;
    ASSERT_EQ(5u, doc.m_objects.size());
    const auto* floor = dynamic_cast<const CPlane*>(doc.m_objects[0].get());
    ASSERT_NE(nullptr, floor);
    EXPECT_EQ(50.0, floor->m_offset);
    EXPECT_EQ(kTextureChecker, floor->GetTextureFlags());
    EXPECT_EQ(100.5, AsSphere(doc.m_objects[1])->GetCentre().x);
    EXPECT_EQ(kTextureRing, doc.m_objects[1]->GetTextureFlags());
    EXPECT_EQ(5.5, AsSphere(doc.m_objects[2])->GetCentre().x);
    EXPECT_EQ(-37.5, AsSphere(doc.m_objects[3])->GetCentre().x);
    EXPECT_EQ(30.0, AsSphere(doc.m_objects[4])->GetCentre().x);
    EXPECT_EQ(25.0f, AsSphere(doc.m_objects[4])->GetRadius());
    EXPECT_EQ(0.065, doc.m_objects[4]->GetReflection());
    EXPECT_EQ(0.85, doc.m_objects[2]->GetRoughness());
    EXPECT_EQ(220, doc.m_objects[4]->GetColour()->GetRed());
}

TEST_F(DocumentTest, DefaultLightTableHoldsOneLightTwice) {
    CLumoDoc doc;
    ASSERT_EQ(2u, doc.m_lights.size());
    EXPECT_EQ(doc.m_lights[0], doc.m_lights[1]);
    EXPECT_EQ(65.0, doc.m_lights[0]->GetPosition().x);
    EXPECT_EQ(255, doc.m_lights[0]->GetColour()->GetRed());
}

TEST_F(DocumentTest, BackgroundAndCamera) {
    CLumoDoc doc;
    EXPECT_EQ(175, doc.m_background.GetRed());
    EXPECT_EQ(200, doc.m_background.GetGreen());
    EXPECT_EQ(255, doc.m_background.GetBlue());
    EXPECT_EQ(-0.05000000074505806, doc.GetLook().y);
    EXPECT_EQ(1.0, doc.GetLook().z);
    EXPECT_EQ(-110.0, doc.GetEye().z);
    doc.SetEye(CVector(1, 2, 3));
    doc.SetLook(CVector(0, 0, 2));
    EXPECT_EQ(2.0, doc.GetEye().y);
    EXPECT_EQ(2.0, doc.GetLook().z);
    EXPECT_EQ(0, doc.m_imageComplete);
}

TEST_F(DocumentTest, ClearSceneKeepsTheLights) {
    CLumoDoc doc;
    doc.AddLight(std::make_unique<CLight>(CVector(1, 1, 1)));
    doc.ClearScene();
    EXPECT_TRUE(doc.m_objects.empty());
    ASSERT_EQ(3u, doc.m_lights.size());
    EXPECT_EQ(65.0, doc.m_lights[0]->GetPosition().x); // still alive, still the default
    EXPECT_EQ(1.0, doc.m_lights[2]->GetPosition().x);
    doc.ClearScene(); // twice is harmless
    EXPECT_EQ(3u, doc.m_lights.size());
}

TEST_F(DocumentTest, HeadAndTailInsertion) {
    CLumoDoc doc;
    doc.ClearScene();
    doc.AddObjectAtTail(std::make_unique<CSphere>(1.0f, 0.0f, 0.0f, 1.0f));
    doc.AddObjectAtTail(std::make_unique<CSphere>(2.0f, 0.0f, 0.0f, 1.0f));
    doc.AddObjectAtHead(std::make_unique<CSphere>(0.0f, 0.0f, 0.0f, 1.0f));
    ASSERT_EQ(3u, doc.m_objects.size());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(i, AsSphere(doc.m_objects[i])->GetCentre().x);
}

// A shell that forgets to install its platform must hear of it at once, not lose its message
// boxes to a silent stand-in.
TEST(DocumentWithoutPlatform, FailsLoudly) {
    EXPECT_DEATH(
        {
            CLumoDoc doc;
            CPlatform::Install(nullptr);
            doc.ParseScript(nullptr); // "No Buff" in a message box
        },
        "before a platform was installed");
}

// Every way of opening a file reads it by its first line: the command line's --load and the
// grammar take a scene file whole as the desktop's commands do.
TEST_F(DocumentTest, ReadTextKnowsAFileByItsFirstLine) {
    CLumoDoc source;
    source.ClearScene();
    source.AddObjectAtTail(std::make_unique<CSphere>(1.0f, 2.0f, 3.0f, 4.0f));
    source.m_background = CColour(1, 2, 3);
    std::string sceneText;
    std::string error;
    ASSERT_TRUE(CSceneFile::Write(source, sceneText, error)) << error;
    ASSERT_TRUE(CLumoDoc::IsSceneText(sceneText));
    for (CLumoDoc::ScriptReading reading : {CLumoDoc::keywordLoader, CLumoDoc::grammar}) {
        CLumoDoc doc;
        ASSERT_EQ(CLumoDoc::readScene, doc.ReadText(sceneText, "a.lscene", reading, error))
            << error;
        ASSERT_EQ(1u, doc.m_objects.size());
        EXPECT_EQ(3, doc.m_background.GetBlue());
    }
    // A script: the keyword loader adds to the scene; the grammar rebuilds it, or keeps it.
    CLumoDoc doc;
    std::string script = source.GetScriptText();
    ASSERT_FALSE(CLumoDoc::IsSceneText(script));
    ASSERT_EQ(CLumoDoc::readScript, doc.ReadText(script, "a.lmo", CLumoDoc::keywordLoader, error));
    EXPECT_EQ(6u, doc.m_objects.size());
    EXPECT_EQ(CLumoDoc::readFailed,
              doc.ReadText("sphere { 1 2", "b.lmo", CLumoDoc::grammar, error));
    EXPECT_EQ(0u, error.rfind("b.lmo:", 0)) << error;
    EXPECT_EQ(6u, doc.m_objects.size());
    // A scene file is read whole before anyone is asked whether it may replace the scene.
    int asked = 0;
    EXPECT_EQ(CLumoDoc::readCancelled, doc.ReadText(sceneText, "a.lscene", CLumoDoc::grammar, error,
                                                    [&] { return ++asked, false; }));
    EXPECT_EQ(CLumoDoc::readFailed,
              doc.ReadText(sceneText.substr(0, sceneText.size() / 2), "a.lscene", CLumoDoc::grammar,
                           error, [&] { return ++asked, true; }));
    EXPECT_EQ(1, asked);
    EXPECT_EQ(6u, doc.m_objects.size());
}

// The edits the properties pane makes: by position in the object list and the light table.
TEST_F(DocumentTest, ObjectsAreInsertedRemovedAndReplacedByPositionAndEachIsAChange) {
    CLumoDoc doc;
    CSceneObject* floor = doc.m_objects[0].get();
    unsigned long revision = doc.GetRevision();

    EXPECT_TRUE(doc.InsertObject(1, std::make_unique<CSphere>(1.0f, 2.0f, 3.0f, 4.0f)));
    ASSERT_EQ(6u, doc.m_objects.size());
    EXPECT_EQ(floor, doc.m_objects[0].get());
    EXPECT_EQ(1.0, AsSphere(doc.m_objects[1])->GetCentre().x);
    EXPECT_EQ(100.5, AsSphere(doc.m_objects[2])->GetCentre().x);
    EXPECT_TRUE(doc.InsertObject(6, std::make_unique<CSphere>(7.0f, 0.0f, 0.0f, 1.0f)));
    EXPECT_EQ(7.0, AsSphere(doc.m_objects[6])->GetCentre().x);
    EXPECT_EQ(revision + 2, doc.GetRevision());

    // Out of range or nothing to insert: no change at all.
    EXPECT_FALSE(doc.InsertObject(8, std::make_unique<CSphere>()));
    EXPECT_FALSE(doc.InsertObject(0, nullptr));
    EXPECT_EQ(nullptr, doc.RemoveObject(7));
    EXPECT_EQ(nullptr, doc.ReplaceObject(7, std::make_unique<CSphere>()));
    EXPECT_EQ(nullptr, doc.ReplaceObject(0, nullptr));
    EXPECT_EQ(7u, doc.m_objects.size());
    EXPECT_EQ(revision + 2, doc.GetRevision());

    std::unique_ptr<CSceneObject> removed = doc.RemoveObject(1);
    EXPECT_EQ(1.0, AsSphere(removed)->GetCentre().x);
    EXPECT_EQ(6u, doc.m_objects.size());
    EXPECT_EQ(100.5, AsSphere(doc.m_objects[1])->GetCentre().x);

    auto wall = std::make_unique<CPlane>(0.0f, 0.0f, 1.0f, -200.0f);
    CSceneObject* wallAddress = wall.get();
    std::unique_ptr<CSceneObject> old = doc.ReplaceObject(0, std::move(wall));
    EXPECT_EQ(floor, old.get());
    EXPECT_EQ(wallAddress, doc.m_objects[0].get());
    EXPECT_EQ(6u, doc.m_objects.size());
    EXPECT_EQ(revision + 4, doc.GetRevision());

    doc.NoteChange();
    EXPECT_EQ(revision + 5, doc.GetRevision());
}

TEST_F(DocumentTest, RemovingOneEntryOfTheSharedDefaultLightLeavesTheOtherLit) {
    CLumoDoc doc;
    CLight* defaultLight = doc.m_lights[0];
    unsigned long revision = doc.GetRevision();
    EXPECT_TRUE(doc.RemoveLight(0));
    ASSERT_EQ(1u, doc.m_lights.size());
    EXPECT_EQ(defaultLight, doc.m_lights[0]);
    EXPECT_EQ(revision + 1, doc.GetRevision());
    // The light is still the document's: it is read, copied and written as before.
    EXPECT_EQ(65.0, doc.m_lights[0]->GetPosition().x);
    EXPECT_EQ(255, doc.m_lights[0]->GetColour()->GetRed());
    std::string text, error;
    EXPECT_TRUE(CSceneFile::Write(doc, text, error)) << error;
    EXPECT_TRUE(doc.DuplicateLight(0));
    ASSERT_EQ(2u, doc.m_lights.size());
    EXPECT_EQ(-100.0, doc.m_lights[1]->GetPosition().z);

    EXPECT_FALSE(doc.RemoveLight(2));
    EXPECT_TRUE(doc.RemoveLight(0));
    EXPECT_TRUE(doc.RemoveLight(0));
    EXPECT_TRUE(doc.m_lights.empty());
    EXPECT_FALSE(doc.RemoveLight(0));
    EXPECT_EQ(revision + 4, doc.GetRevision());
}

TEST_F(DocumentTest, ADuplicatedLightIsALightOfItsOwnRightAfterItsEntry) {
    CLumoDoc doc;
    auto added = std::make_unique<CLight>(CVector(1.0, 2.0, 3.0));
    added->SetColour(CColour(10, 20, 30));
    CLight* addedAddress = added.get();
    EXPECT_TRUE(doc.InsertLight(1, std::move(added)));
    ASSERT_EQ(3u, doc.m_lights.size());
    EXPECT_EQ(addedAddress, doc.m_lights[1]);
    EXPECT_EQ(doc.m_lights[0], doc.m_lights[2]);
    EXPECT_FALSE(doc.InsertLight(4, std::make_unique<CLight>()));
    EXPECT_FALSE(doc.InsertLight(0, nullptr));

    EXPECT_TRUE(doc.DuplicateLight(1));
    ASSERT_EQ(4u, doc.m_lights.size());
    CLight* copy = doc.m_lights[2];
    EXPECT_NE(addedAddress, copy);
    EXPECT_EQ(2.0, copy->GetPosition().y);
    EXPECT_EQ(20, copy->GetColour()->GetGreen());
    copy->m_position = CVector(9.0, 9.0, 9.0);
    EXPECT_EQ(1.0, addedAddress->GetPosition().x);
    EXPECT_FALSE(doc.DuplicateLight(4));

    // The shading still skips the last entry, whatever the edits.
    EXPECT_TRUE(doc.LightsTheScene(2));
    EXPECT_FALSE(doc.LightsTheScene(3));
    EXPECT_EQ(doc.m_lights[0], doc.m_lights[3]);
}
