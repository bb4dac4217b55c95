#include "platform/SettingsStore.h"

#include "platform/AtomicFileWriter.h"
#include "platform/FileReader.h"
#include "platform/SettingsText.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>

// The INI text is CSettingsText's, in memory. Reading and replacing the files is done here, so
// that a write is a complete new file renamed into place.

namespace {

// A settings file larger than this is not a settings file; it reads as empty.
constexpr std::uintmax_t kMaxStoreBytes = 4 * 1024 * 1024;

bool ReadFile(const std::string& path, std::string& content) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored))
        return false;
    std::string error;
    return ReadWholeFile(path, kMaxStoreBytes, "too large", content, error);
}

bool MakeFolders(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

// Cuts the text to at most max bytes without leaving half a UTF-8 character at the end.
std::string Limit(std::string text, std::size_t max) {
    if (text.size() <= max)
        return text;
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

// Resolved at every use: the settings folder is whatever the environment says at that moment.
std::string Resolve(const std::string& path) {
    if (path.find('/') != std::string::npos)
        return path;
    return CSettingsStore::SettingsFolder() + "/" + path;
}

} // namespace

std::string CSettingsStore::SettingsFolder() {
    if (const char* own = std::getenv("LUMO_CONFIG_DIR"); own && *own)
        return own;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return std::string(xdg) + "/lumo";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/lumo";
}

CSettingsStore CSettingsStore::Profile() {
    return CSettingsStore("profile.ini");
}

CSettingsStore CSettingsStore::IniFile() {
    return CSettingsStore("win.ini");
}

CSettingsStore::CSettingsStore(std::string fileName) : m_path(std::move(fileName)) {}

bool CSettingsStore::ParseInt(const std::string& text, int& value) {
    std::size_t begin = text.find_first_not_of(" \t");
    std::size_t end = text.find_last_not_of(" \t");
    if (begin == std::string::npos)
        return false;
    std::string number = text.substr(begin, end - begin + 1);
    std::size_t digits = (number[0] == '-' || number[0] == '+') ? 1 : 0;
    if (digits == number.size() ||
        number.find_first_not_of("0123456789", digits) != std::string::npos)
        return false;
    errno = 0;
    char* stop = nullptr;
    long long parsed = std::strtoll(number.c_str(), &stop, 10);
    if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool CSettingsStore::ReadValue(const std::string& section, const std::string& key,
                               std::string& value) const {
    std::string content;
    if (!ReadFile(Resolve(m_path), content))
        return false;
    return CSettingsText(content).Read(section, key, value);
}

namespace {

// Applies the change to the text and accepts the result only when verify finds it, read back
// from the saved text, as written.
bool ChangeText(std::string& content, const std::function<bool(CSettingsText&)>& change,
                const std::function<bool(const CSettingsText&)>& verify, std::string& reason) {
    CSettingsText text(content);
    if (!change(text)) {
        reason = "the value cannot be stored";
        return false;
    }
    std::string saved;
    if (!text.Save(saved)) {
        reason = "the settings cannot be written out";
        return false;
    }
    if (!verify(CSettingsText(saved))) {
        reason = "the value does not read back as written";
        return false;
    }
    content = std::move(saved);
    return true;
}

} // namespace

bool CSettingsStore::WriteInText(std::string& content, const std::string& section,
                                 const std::string& key, const std::string& value,
                                 std::string& reason) {
    // Texts are UTF-8; one that is not would be stored as something else, or as nothing, so
    // it is refused instead.
    if (!CSettingsText::IsStrictUtf8(value)) {
        reason = "the text for \"" + key + "\" is not UTF-8";
        return false;
    }
    // The other keys of the section read as they did: a file whose lines the INI parser reads
    // one way alone and another way beside the new line (a key marked immutable twice) is kept.
    CSettingsText::Entries others;
    return ChangeText(
        content,
        [&](CSettingsText& text) {
            others = text.GetSectionWithout(section, key);
            return text.Write(section, key, value);
        },
        [&](const CSettingsText& saved) {
            std::string check;
            return saved.Read(section, key, check) && check == value &&
                   saved.GetSectionWithout(section, key) == others;
        },
        reason);
}

bool CSettingsStore::ReplaceSectionInText(std::string& content, const std::string& section,
                                          const Entries& entries, std::string& reason) {
    return ChangeText(
        content, [&](CSettingsText& text) { return text.ReplaceSection(section, entries); },
        [&](const CSettingsText& saved) {
            if (saved.GetSection(section).size() != entries.size())
                return false;
            for (const auto& [key, value] : entries) {
                std::string check;
                if (!saved.Read(section, key, check) || check != value)
                    return false;
            }
            return true;
        },
        reason);
}

bool CSettingsStore::Update(const std::function<bool(std::string&, std::string&)>& change) const {
    std::string path = Resolve(m_path);
    m_lastError.clear();
    auto fail = [&](const std::string& reason) {
        m_lastError = "cannot save the settings in '" + path + "': " + reason;
        return false;
    };
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty() && !MakeFolders(folder))
        return fail("the folder cannot be made");
    std::string content;
    std::error_code ignored;
    if (std::filesystem::exists(path, ignored)) {
        std::string reason;
        if (!std::filesystem::is_regular_file(path, ignored))
            return fail("it is not a file");
        if (!ReadWholeFile(path, kMaxStoreBytes, "too large", content, reason))
            return fail("it exists but cannot be read (" + reason +
                        "), and writing it would lose its settings");
    }
    // Nothing is put in place unless it reads back as written.
    std::string reason;
    if (!change(content, reason))
        return fail(reason);
    CAtomicFileWriter writer(path);
    if (!writer.Write(content) || !writer.Commit())
        return fail(writer.GetError());
    return true;
}

CSettingsStore::Entries CSettingsStore::GetSection(const std::string& section) const {
    std::string content;
    if (!ReadFile(Resolve(m_path), content))
        return {};
    Entries entries = CSettingsText(content).GetSection(section);
    for (auto& entry : entries)
        entry.second = Limit(std::move(entry.second), kMaxText);
    return entries;
}

bool CSettingsStore::ReplaceSection(const std::string& section, const Entries& entries) const {
    // Keys or texts that no store can hold are refused before the file is touched.
    if (!CSettingsText("").ReplaceSection(section, entries))
        return false;
    return Update([&](std::string& content, std::string& reason) {
        return ReplaceSectionInText(content, section, entries, reason);
    });
}

int CSettingsStore::GetInt(const std::string& section, const std::string& key,
                           int defaultValue) const {
    std::string text;
    int value;
    if (ReadValue(section, key, text) && ParseInt(text, value))
        return value;
    return defaultValue;
}

std::string CSettingsStore::GetString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue) const {
    std::string text;
    if (!ReadValue(section, key, text))
        text = defaultValue;
    return Limit(std::move(text), kMaxText);
}

bool CSettingsStore::WriteInt(const std::string& section, const std::string& key, int value) const {
    return WriteString(section, key, std::to_string(value));
}

bool CSettingsStore::WriteString(const std::string& section, const std::string& key,
                                 const std::string& value) const {
    return Update([&](std::string& content, std::string& reason) {
        return WriteInText(content, section, key, value, reason);
    });
}
