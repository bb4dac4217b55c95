#include "headless/HeadlessPlatform.h"
#include "scene/Plane.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"
#include "script/WizardObject.h"

#include <gtest/gtest.h>

namespace {

class WizardScene : public testing::Test {
protected:
    CHeadlessPlatform platform;
    CPlatformScope scope{platform};
};

void ExpectFinish(CSceneObject& object, double ambient, double diffuse, double brilliance,
                  double specular, double roughness, double reflection) {
    EXPECT_EQ(ambient, object.GetAmbient());
    EXPECT_EQ(diffuse, object.GetDiffuse());
    EXPECT_EQ(brilliance, object.GetBrilliance());
    EXPECT_EQ(specular, object.GetSpecular());
    EXPECT_EQ(roughness, object.GetRoughness());
    EXPECT_EQ(reflection, object.GetReflection());
}

TEST_F(WizardScene, UntouchedPagesGiveSpheresInPageOrderThenTheFloor) {
    CLumoDoc doc;
    std::vector<CWizardObject> pages(3);
    pages[1].m_x = 7.0f;
    pages[2].m_x = 9.0f;
    doc.BuildWizardScene(pages);
    ASSERT_EQ(4u, doc.m_objects.size());
    for (std::size_t i = 0; i < 3; ++i) {
        auto* sphere = dynamic_cast<CSphere*>(doc.m_objects[i].get());
        ASSERT_NE(nullptr, sphere) << i;
        EXPECT_EQ(25.0f, sphere->GetRadius());
        EXPECT_EQ(1.0, sphere->GetCentre().y);
        EXPECT_EQ(1.0, sphere->GetCentre().z);
        CColour* colour = sphere->GetColour();
        EXPECT_EQ(10, colour->GetRed());
        EXPECT_EQ(127, colour->GetGreen());
        EXPECT_EQ(127, colour->GetBlue());
        ExpectFinish(*sphere, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5);
    }
    EXPECT_EQ(1.0, dynamic_cast<CSphere&>(*doc.m_objects[0]).GetCentre().x);
    EXPECT_EQ(7.0, dynamic_cast<CSphere&>(*doc.m_objects[1]).GetCentre().x);
    EXPECT_EQ(9.0, dynamic_cast<CSphere&>(*doc.m_objects[2]).GetCentre().x);

    auto* floor = dynamic_cast<CPlane*>(doc.m_objects[3].get());
    ASSERT_NE(nullptr, floor);
    EXPECT_EQ(1.0, floor->GetNormal().y);
    EXPECT_EQ(50.0, floor->m_offset); // d = -50
    EXPECT_EQ(0, floor->GetTextureFlags());
    EXPECT_EQ(175, floor->GetColour()->GetGreen());
    ExpectFinish(*floor, 0.3, 0.7, 20.0, 0.9, 100.0, 0.65);
}

TEST_F(WizardScene, KeepsTheLightsCameraAndBackground) {
    CLumoDoc doc;
    std::vector<CLight*> lights = doc.m_lights;
    CVector eye = doc.GetEye();
    doc.BuildWizardScene({CWizardObject{}});
    EXPECT_EQ(lights, doc.m_lights);
    EXPECT_EQ(eye.z, doc.GetEye().z);
    EXPECT_EQ(200, doc.m_background.GetGreen());
}

TEST_F(WizardScene, PlaneCoefficientsAreTruncatedAndColoursKeepTheirLowByte) {
    CWizardObject page;
    page.m_objectType = CWizardObject::kPlane;
    page.m_x = 1.7f;
    page.m_y = -2.2f;
    page.m_z = 3.9f;
    page.m_green = 300;
    page.m_blue = 4294967295u;
    page.m_ambient = 0.25f;
    auto object = page.Build();
    auto* plane = dynamic_cast<CPlane*>(object.get());
    ASSERT_NE(nullptr, plane);
    EXPECT_EQ(1.0, plane->GetNormal().x);
    EXPECT_EQ(-2.0, plane->GetNormal().y);
    EXPECT_EQ(3.0, plane->GetNormal().z);
    EXPECT_EQ(-25.0, plane->m_offset); // d = 25
    EXPECT_EQ(44, plane->GetColour()->GetGreen());
    EXPECT_EQ(255, plane->GetColour()->GetBlue());
    EXPECT_EQ(static_cast<double>(0.25f), plane->GetAmbient());

    // Any type but the plane's builds a sphere.
    for (int type : {0, 1, 3, -1}) {
        page.m_objectType = type;
        EXPECT_NE(nullptr, dynamic_cast<CSphere*>(page.Build().get())) << type;
    }
}

TEST_F(WizardScene, ScriptTextIsWhatTheDocumentWritesForTheBuiltScene) {
    std::vector<CWizardObject> pages(2);
    pages[0].m_objectType = CWizardObject::kPlane;
    pages[1].m_red = 1;
    CLumoDoc doc;
    std::string before = doc.GetScriptText();
    std::string text = CWizardObject::ScriptText(pages);
    EXPECT_EQ(before, doc.GetScriptText()); // the document is not touched
    doc.BuildWizardScene(pages);
    EXPECT_EQ(doc.GetScriptText(), text);
    EXPECT_NE(std::string::npos, text.find("Plane\n"));
}

} // namespace
