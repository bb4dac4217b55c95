// The settings stores' INI text over arbitrary bytes: parsed, read, changed and written out in
// memory, as every read and write of a store does between its file and the atomic replacement
// of that file (which has tests of its own and would make each input wait for the disk), and
// the stores' own changes to such a text where it does not read back as written. Then the
// values in use, read from store files holding the same bytes.
#include "cli/RenderCommand.h"
#include "headless/HeadlessPlatform.h"
#include "platform/SettingsStore.h"
#include "platform/SettingsText.h"
#include "render/Render.h"
#include "render/Tracer.h"
#include "script/LumoDoc.h"

#include "FuzzSupport.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kSection = CSettingsStore::kSection;

// A plain write: the stores read files, and a crash here is never the store's.
void WriteStore(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::string path = FuzzSettingsFolder() + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
}

bool SameKey(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// A write of the key as the profile's store makes it, from a file holding the text: either it
// takes, the value reads back and every other key of the section reads as before, or it is
// refused and the text is as it was.
bool StoreWritesOrKeeps(std::string& content, const std::string& key, const std::string& value) {
    std::string before = content, reason;
    CSettingsText::Entries kept = CSettingsText(before).GetSectionWithout(kSection, key);
    if (!CSettingsStore::WriteInText(content, kSection, key, value, reason))
        return content == before && !reason.empty();
    CSettingsText back(content);
    std::string check;
    return back.Read(kSection, key, check) && check == value &&
           back.GetSectionWithout(kSection, key) == kept;
}

// The same for a list that replaces its section.
bool StoreReplacesOrKeeps(std::string& content, const std::string& section,
                          const CSettingsText::Entries& entries) {
    std::string before = content, reason;
    if (!CSettingsStore::ReplaceSectionInText(content, section, entries, reason))
        return content == before && !reason.empty();
    return CSettingsText(content).GetSection(section) == entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSettingsFolder();
    std::string content(reinterpret_cast<const char*>(data), size);

    // Reading: the numbers the programs use, as any text holds them.
    CSettingsText text(content);
    std::string stored;
    int maxRecursion = 0;
    if (text.Read(kSection, "MaxRecursion", stored))
        CSettingsStore::ParseInt(stored, maxRecursion);
    // A size that is not a whole number reads as missing: only numbers reach lumo-render's
    // checks below.
    int number = 0;
    bool hasSize = false;
    for (const char* key : {"Width", "Height"})
        hasSize |= text.Read(kSection, key, stored) && CSettingsStore::ParseInt(stored, number);

    // Writing into any text, as the options sheet and the recent-file list do: a number, a
    // text and a numbered list, saved once and read back.
    CSettingsText::Entries others = text.GetSectionWithout(kSection, "MaxRecursion");
    if (!text.Write(kSection, "MaxRecursion", "7"))
        std::abort();
    // Texts that are not UTF-8 may be refused (rather than stored as something else); valid
    // ones never are.
    std::string path = content.substr(0, 300);
    bool pathWritten = text.Write(kSection, "EditorPath", path);
    if (pathWritten != CSettingsText::IsStrictUtf8(path))
        std::abort();
    CSettingsText::Entries recent;
    std::size_t start = 0;
    for (int n = 1; n <= 4 && start < content.size(); ++n) {
        std::size_t end = std::min(content.find('\n', start), content.size());
        recent.emplace_back("File" + std::to_string(n), content.substr(start, end - start));
        start = end + 1;
    }
    bool recentWritten = text.ReplaceSection("Recent File List", recent);

    std::string saved;
    if (!text.Save(saved))
        std::abort();
    CSettingsText back(saved);
    // What was written reads back, and every other key of the section is as it was. Where it
    // does not (a key marked immutable with '!', read as one value alone and as another beside
    // new lines, a line the parser passed over that comes to stand in a new section), the
    // store, given a file of these bytes, refuses the write and keeps the file: it never puts
    // in place a text that does not read back as written.
    std::string check;
    bool readsBack = back.Read(kSection, "MaxRecursion", check) && check == "7";
    if (pathWritten)
        readsBack &= back.Read(kSection, "EditorPath", check) && check == path;
    for (const auto& [key, value] : recent)
        if (recentWritten)
            readsBack &= back.Read("Recent File List", key, check) && check == value;
    if (pathWritten)
        others.erase(
            std::remove_if(others.begin(), others.end(),
                           [](const auto& entry) { return SameKey(entry.first, "EditorPath"); }),
            others.end());
    CSettingsText::Entries after = back.GetSectionWithout(kSection, "MaxRecursion");
    after.erase(std::remove_if(after.begin(), after.end(),
                               [&](const auto& entry) {
                                   return pathWritten && SameKey(entry.first, "EditorPath");
                               }),
                after.end());
    if (!readsBack || after != others) {
        std::string store = content;
        if (!StoreWritesOrKeeps(store, "MaxRecursion", "7") ||
            !StoreWritesOrKeeps(store, "EditorPath", path) ||
            !StoreReplacesOrKeeps(store, "Recent File List", recent))
            std::abort();
    }

    // The values in use. The tracer follows at most its cap of reflections, whatever is
    // stored: a render with a larger setting must finish.
    static CHeadlessPlatform platform;
    static CPlatformScope scope(platform);
    if (static_cast<unsigned>(maxRecursion) > CTracer::kMaxRecursionCap) {
        CLumoDoc doc;
        RenderOptions options;
        options.width = 3;
        options.height = 2;
        options.maxRecursion = static_cast<unsigned>(maxRecursion);
        CTracer tracer(CRenderScene::Snapshot(doc), options.maxRecursion);
        if (tracer.GetRecursionLimit() > CTracer::kMaxRecursionCap ||
            Render(CRenderScene::Snapshot(doc), options).status != RenderResult::finished)
            std::abort();
    }
    // lumo-render's image size from a profile file holding these bytes: any stored "Width"
    // and "Height" are either refused (status 2) or accepted, and then the unwritable output
    // fails (status 1) before any rendering or allocation.
    if (hasSize) {
        WriteStore("profile.ini", data, size);
        static std::FILE* devNull = std::fopen("/dev/null", "w");
        int status =
            RunLumoRender({"-q", "-o", "/nonexistent-lumo-folder/x.ppm"}, devNull, devNull);
        if (status != kExitFailed && status != kExitUsage)
            std::abort();
    }
    return 0;
}
