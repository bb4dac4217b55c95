// The keyword loader behind File ▸ Open over arbitrary bytes.
#include "headless/HeadlessPlatform.h"
#include "script/LumoDoc.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSettingsFolder();
    static CHeadlessPlatform platform;
    static CPlatformScope scope(platform);
    // An exact-size copy, so that any read past the text is caught.
    std::vector<char> text(data, data + size);
    CLumoDoc doc;
    std::size_t before = doc.m_objects.size();
    doc.LoadScriptKeywords(text.data(), text.size());
    // Loading only ever adds objects, at the head, and each needs a closing brace.
    std::size_t added = doc.m_objects.size() - before;
    std::size_t closing = 0;
    for (char c : text)
        closing += c == '}';
    if (doc.m_objects.size() < before || added > closing)
        std::abort();
    // The default scene is still there behind what was added.
    if (before && !doc.m_objects.back())
        std::abort();
    // The writer copes with whatever the loader built.
    std::string script = doc.GetScriptText();
    if (script.empty())
        std::abort();
    return 0;
}
