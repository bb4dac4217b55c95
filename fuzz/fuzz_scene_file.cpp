// The scene file reader over arbitrary bytes: it either refuses the text with one line that
// names the place, or reads a scene that writes back to a text it reads again to the same
// text (saving what was opened never loses anything).
#include "headless/HeadlessPlatform.h"
#include "script/LumoDoc.h"
#include "script/SceneFile.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSettingsFolder();
    static CHeadlessPlatform platform;
    static CPlatformScope scope(platform);
    std::string text(reinterpret_cast<const char*>(data), size);
    CSceneContents contents;
    std::string error;
    if (!CSceneFile::Read(text, "fuzz.lscene", contents, error)) {
        if (error.rfind("fuzz.lscene:", 0) != 0 || error.find('\n') != std::string::npos)
            std::abort();
        return 0;
    }
    CLumoDoc doc;
    doc.ReplaceScene(std::move(contents));
    std::string first, second;
    if (!CSceneFile::Write(doc, first, error))
        return 0; // an empty light entry cannot be written; reading never makes one
    CSceneContents again;
    if (!CSceneFile::Read(first, "fuzz.lscene", again, error))
        std::abort();
    CLumoDoc copy;
    copy.ReplaceScene(std::move(again));
    if (!CSceneFile::Write(copy, second, error) || first != second)
        std::abort();
    return 0;
}
