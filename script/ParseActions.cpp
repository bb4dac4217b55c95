#include "script/ParseActions.h"

#include "core/Colour.h"
#include "platform/Platform.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"

#include <memory>

ParseValues g_parseValues;

void ResetPendingValues() {
    g_parseValues.radius = 1.0;
    g_parseValues.red = 1.0;
    g_parseValues.green = 1.0;
    g_parseValues.blue = 1.0;
    g_parseValues.ambient = 0.5;
    g_parseValues.diffuse = 0.5;
    g_parseValues.brilliance = 0.5;
    g_parseValues.specular = 0.5;
    g_parseValues.roughness = 0.5;
    // The default reflection is the single-precision 0.1, widened: 0.10000000149011612.
    g_parseValues.reflection = static_cast<double>(0.1f);
}

void StorePendingValue(double ParseValues::*field, double value) {
    g_parseValues.*field = value;
}

void MakePendingSphere() {
    MakeSphere(&g_parseValues);
}

void MakeSphere(ParseValues* values) {
    if (values == nullptr) {
        return;
    }
    CPlatform& platform = CPlatform::Current();
    platform.MessageBox("Here -- MakeSphere()", "lumo");

    auto sphere = std::make_unique<CSphere>(
        static_cast<float>(values->x), static_cast<float>(values->y), static_cast<float>(values->z),
        static_cast<float>(values->radius));
    sphere->SetColour(CColour(static_cast<float>(values->red), static_cast<float>(values->green),
                              static_cast<float>(values->blue)));
    sphere->SetFinish(values->ambient, values->diffuse, values->brilliance, values->specular,
                      values->roughness, values->reflection);

    // The sphere goes to the document of the main window's active view; without one it is
    // destroyed here.
    if (CLumoDoc* document = platform.GetActiveDocument()) {
        document->AddObjectAtTail(std::move(sphere));
    }
}
