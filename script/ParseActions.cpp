#include "script/ParseActions.h"

#include "core/Colour.h"
#include "platform/Platform.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"

#include <memory>

ScriptParse::ScriptParse(CLumoDoc& into, const ScriptParseHooks& hooks)
    : document(into), onParseError(hooks.onParseError) {
    scanner.SetEchoStream(hooks.echoStream);
    scanner.SetFailureHandler(hooks.onScannerFailure);
    scanner.SetBufferLimit(hooks.bufferLimit);
}

void ResetPendingValues(ParseValues& values) {
    values.radius = 1.0;
    values.red = 1.0;
    values.green = 1.0;
    values.blue = 1.0;
    values.ambient = 0.5;
    values.diffuse = 0.5;
    values.brilliance = 0.5;
    values.specular = 0.5;
    values.roughness = 0.5;
    // The default reflection is the single-precision 0.1, widened: 0.10000000149011612.
    values.reflection = static_cast<double>(0.1f);
}

void NoteSphereStart(ScriptParse& parse) {
    // The action runs in a reduction that needs no look-ahead: the token read last is the
    // sphere keyword.
    if (parse.sphereStarts)
        parse.sphereStarts->push_back(parse.scanner.GetTokenPosition());
}

void StorePendingValue(ParseValues& values, double ParseValues::*field, double value) {
    values.*field = value;
}

namespace {

std::unique_ptr<CSphere> NewSphere(const ParseValues* values) {
    auto sphere = std::make_unique<CSphere>(
        static_cast<float>(values->x), static_cast<float>(values->y), static_cast<float>(values->z),
        static_cast<float>(values->radius));
    sphere->SetColour(CColour(static_cast<float>(values->red), static_cast<float>(values->green),
                              static_cast<float>(values->blue)));
    sphere->SetFinish(values->ambient, values->diffuse, values->brilliance, values->specular,
                      values->roughness, values->reflection);
    return sphere;
}

} // namespace

void MakePendingSphere(ScriptParse& parse) {
    // Run right after the closing brace, with no look-ahead read.
    if (parse.sphereEnds)
        parse.sphereEnds->push_back(parse.scanner.GetTokenPosition());
    if (parse.announceSpheres)
        MakeSphere(parse.document, &parse.values);
    else
        parse.document.AddObjectAtTail(NewSphere(&parse.values));
}

void MakeSphere(CLumoDoc& document, const ParseValues* values) {
    if (values == nullptr) {
        return;
    }
    CPlatform::Current().MessageBox("Here -- MakeSphere()", "lumo");
    // Into the document being parsed, whichever document the platform shows.
    document.AddObjectAtTail(NewSphere(values));
}
