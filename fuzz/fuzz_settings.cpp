// The settings stores over arbitrary INI text, and the values read from them.
#include "cli/RenderCommand.h"
#include "headless/HeadlessPlatform.h"
#include "platform/SettingsStore.h"
#include "render/Render.h"
#include "render/Tracer.h"
#include "script/LumoDoc.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {
void WriteStore(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(FuzzSettingsFolder() + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, and no NUL.
bool ValidUtf8WithoutNul(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t extra;
        std::uint32_t code;
        if (c == 0)
            return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c >> 5) == 6) {
            extra = 1;
            code = c & 0x1F;
        } else if ((c >> 4) == 14) {
            extra = 2;
            code = c & 0x0F;
        } else if ((c >> 3) == 30) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        static const std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (code < kMin[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSettingsFolder();
    WriteStore("profile.ini", data, size);
    WriteStore("win.ini", data, size);
    CSettingsStore profile = CSettingsStore::Profile();
    CSettingsStore ini = CSettingsStore::IniFile();
    for (const char* key : {"MaxRecursion", "Width", "Height", "FileOverRide", "UseEditor",
                            "RunWiz", "FishEye", "KatMai", "MMX"}) {
        int value = profile.GetInt(CSettingsStore::kSection, key, 12345);
        int again = profile.GetInt(CSettingsStore::kSection, key, 54321);
        // A key either holds a number (the same both times) or reads as missing.
        if (value != again && !(value == 12345 && again == 54321))
            std::abort();
    }
    for (const char* key : {"CamX", "CamY", "CamZ", "EditorPath"}) {
        std::string text = ini.GetString(CSettingsStore::kSection, key, "0.1");
        if (text.size() > CSettingsStore::kMaxText)
            std::abort();
        volatile float value = static_cast<float>(std::atof(text.c_str()));
        (void)value;
    }
    // The values in use: the tracer's recursion limit (a tiny render must finish, capped)...
    static CHeadlessPlatform platform;
    static CPlatformScope scope(platform);
    {
        CLumoDoc doc;
        RenderOptions options;
        options.width = 3;
        options.height = 2;
        options.maxRecursion = CSettingsStore::Profile().GetMaxRecursion();
        CTracer tracer(CRenderScene::Snapshot(doc), options.maxRecursion);
        if (tracer.GetRecursionLimit() > CTracer::kMaxRecursionCap ||
            Render(CRenderScene::Snapshot(doc), options).status != RenderResult::finished)
            std::abort();
    }
    // ... and lumo-render's image size: any stored "Width" and "Height" are either refused
    // (status 2) or accepted, and then the unwritable output fails (status 1) before any
    // rendering or allocation.
    static std::FILE* devNull = std::fopen("/dev/null", "w");
    int status = RunLumoRender({"-q", "-o", "/nonexistent-lumo-folder/x.ppm"}, devNull, devNull);
    if (status != kExitFailed && status != kExitUsage)
        std::abort();

    // A write over any corrupt store succeeds and reads back.
    if (!profile.WriteInt(CSettingsStore::kSection, "MaxRecursion", 7) ||
        profile.GetInt(CSettingsStore::kSection, "MaxRecursion", 0) != 7)
        std::abort();
    // A text written is the text read (valid UTF-8 without NUL, cut to 254 bytes).
    std::string value(reinterpret_cast<const char*>(data), size < 300 ? size : 300);
    // Texts that are not UTF-8 may be refused (rather than stored as something else); valid
    // ones never are. Whatever is stored reads back unchanged.
    bool written = ini.WriteString(CSettingsStore::kSection, "EditorPath", value);
    if (!written && ValidUtf8WithoutNul(value))
        std::abort();
    if (written && value.find('\0') == std::string::npos) {
        std::string back = ini.GetString(CSettingsStore::kSection, "EditorPath", "");
        if (value.size() <= CSettingsStore::kMaxText && back != value)
            std::abort();
    }
    return 0;
}
