// The scene script scanner and parser over arbitrary bytes, including texts that make the
// scanner refill and grow its buffer.
#include "headless/HeadlessPlatform.h"
#include "scene/Sphere.h"
#include "script/LumoDoc.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The scanner echoes every newline to standard output; keep the fuzzer's log readable.
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSettingsFolder();
    static CHeadlessPlatform platform;
    static CPlatformScope scope(platform);
    std::vector<char> text(data, data + size);
    CLumoDoc doc;
    platform.m_messageCount = 0;
    platform.m_messages.clear();
    int result = doc.ParseScript(size ? text.data() : "", text.size());
    // Stack overflow cannot happen with this grammar, and scanner failures need more
    // than the fuzzer's largest input: 0 or 1 only.
    if (result != 0 && result != 1)
        std::abort();
    // One message box per sphere, and nothing but spheres in the scene.
    if (platform.m_messageCount != doc.m_objects.size())
        std::abort();
    for (const auto& object : doc.m_objects) {
        auto* sphere = dynamic_cast<CSphere*>(object.get());
        if (!sphere)
            std::abort();
        const CColour* colour = sphere->GetColour();
        if (!(colour->redLevel >= 0.0f && colour->redLevel <= 1.0f))
            std::abort();
    }
    // A text without a closing brace cannot have built a sphere.
    bool anyClose = false;
    for (char c : text)
        anyClose |= c == '}';
    if (!anyClose && !doc.m_objects.empty())
        std::abort();
    return 0;
}
