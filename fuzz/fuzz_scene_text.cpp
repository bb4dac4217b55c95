// The editor pane's text-to-scene path over arbitrary bytes (the first byte chooses the form:
// even a scene file, odd a script). A text that does not read is refused with one line whose
// place lies in the text; one that reads gives a place for every object at its statement's
// keyword, shows no message box, and written back into itself is itself; a scene changed
// afterwards is written into the text so that the text reads to that scene. The tokens the
// pane colours lie in order inside the text.
#include "headless/HeadlessPlatform.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"
#include "script/SceneText.h"

#include "FuzzSupport.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool StartsWithWord(const std::string& text, std::size_t offset, const char* word) {
    for (std::size_t i = 0; word[i]; ++i)
        if (offset + i >= text.size() ||
            std::tolower(static_cast<unsigned char>(text[offset + i])) != word[i])
            return false;
    return true;
}

std::vector<std::string> ObjectLines(const CLumoDoc& document) {
    std::vector<std::string> lines;
    for (const auto& object : document.m_objects) {
        std::string line;
        if (!CSceneFile::ObjectText(*object, line))
            std::abort();
        lines.push_back(line);
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSettingsFolder();
    static CHeadlessPlatform platform;
    static CPlatformScope scope(platform);
    if (size == 0)
        return 0;
    CSceneText::Format format = data[0] % 2 ? CSceneText::script : CSceneText::sceneFile;
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    platform.m_messageCount = 0;

    std::size_t previous = 0;
    for (const CTextToken& token : CSceneText::Tokens(text, format)) {
        if (token.offset < previous || token.length == 0 ||
            token.offset + token.length > text.size())
            std::abort();
        previous = token.offset + token.length;
    }

    CSceneText::Reading reading;
    CSceneText::Error error;
    if (!CSceneText::Read(text, format, "fuzz", reading, error)) {
        if (error.message.rfind("fuzz:", 0) != 0 || error.message.find('\n') != std::string::npos ||
            error.place.offset > text.size() ||
            CSceneText::OffsetOf(text, error.place.line, error.place.column) != error.place.offset)
            std::abort();
        return 0;
    }
    const CSceneSourceMap& source = reading.source;
    std::size_t count = reading.contents.objects.size();
    if (source.objects.size() != count || source.objectEnds.size() != count)
        std::abort();
    for (std::size_t i = 0; i < count; ++i) {
        const CSourcePlace& place = source.objects[i];
        if (place.offset >= source.objectEnds[i] || source.objectEnds[i] > text.size() ||
            !(CSceneText::PlaceOf(text, place.offset) == place) ||
            !(StartsWithWord(text, place.offset, "sphere") ||
              StartsWithWord(text, place.offset, "plane")))
            std::abort();
    }

    CLumoDoc document;
    CSceneText::Apply(document, std::move(reading));
    if (platform.m_messageCount != 0)
        std::abort();
    std::string rewritten;
    std::vector<std::string> reasons;
    if (!CSceneText::Rewrite(text, format, "fuzz", document, rewritten, reasons))
        return 0; // a script's sphere that no script writes (a centre beyond single precision)
    if (rewritten != text)
        std::abort();

    // A change made elsewhere: the first object goes, a sphere comes at the end.
    if (!document.m_objects.empty())
        document.RemoveObject(0);
    auto sphere = std::make_unique<CSphere>(1.5f, -2.0f, 3.25f, 4.0f);
    sphere->SetColour(CColour(0.5f, 0.25f, 1.0f));
    document.AddObjectAtTail(std::move(sphere));
    if (!CSceneText::Rewrite(text, format, "fuzz", document, rewritten, reasons))
        std::abort();
    CSceneText::Reading again;
    if (!CSceneText::Read(rewritten, format, "fuzz", again, error))
        std::abort();
    CLumoDoc copy;
    if (format == CSceneText::sceneFile)
        copy.ReplaceScene(std::move(again.contents));
    else
        CSceneText::Apply(copy, std::move(again));
    if (ObjectLines(copy) != ObjectLines(document))
        std::abort();
    if (format == CSceneText::sceneFile &&
        CSceneText::SettingsText(copy) != CSceneText::SettingsText(document))
        std::abort();
    return 0;
}
