#include "platform/SettingsStore.h"

#include "platform/AtomicFileWriter.h"
#include "platform/FileReader.h"

#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

// The INI format itself is wxWidgets' (wxFileConfig, from its base library, which has no GUI):
// it parses and writes the files in memory. Reading and replacing the files is done here, so
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

wxString Path(const std::string& section, const std::string& key) {
    return "/" + wxString::FromUTF8(section) + "/" + wxString::FromUTF8(key);
}

bool MakeFolders(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, and no NUL (which
// an INI file cannot hold). wxWidgets accepts some texts that break these rules and then fails
// to save the whole store, so they are refused before it sees them.
bool IsStrictUtf8(const std::string& text) {
    static const std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    for (std::size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead == 0)
            return false;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra = (lead >> 5) == 6    ? 1
                            : (lead >> 4) == 14 ? 2
                            : (lead >> 3) == 30 ? 3
                                                : 0;
        if (extra == 0 || i + extra >= text.size())
            return false;
        std::uint32_t code = lead & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// A store is UTF-8; one that is not (written by something else, or damaged) is read as
// Latin-1, so that every byte stays a character and the store can always be written back.
std::unique_ptr<wxFileConfig> ParseStore(const std::string& content) {
    wxLogNull quiet; // malformed lines are skipped, not reported
    wxMemoryInputStream in(content.data(), content.size());
    const wxMBConv& encoding =
        IsStrictUtf8(content) ? static_cast<const wxMBConv&>(wxConvUTF8) : wxConvISO8859_1;
    auto config = std::make_unique<wxFileConfig>(in, encoding);
    config->SetExpandEnvVars(false); // "$HOME" in an editor path stays as written
    return config;
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
    auto config = ParseStore(content);
    wxString text;
    if (!config->Read(Path(section, key), &text))
        return false;
    value = text.utf8_string();
    return true;
}

bool CSettingsStore::WriteValue(const std::string& section, const std::string& key,
                                const std::string& value) const {
    // Texts are UTF-8; one that is not would be stored as something else, or as nothing, so
    // it is refused instead.
    if (!IsStrictUtf8(value)) {
        m_lastError = "the text for \"" + key + "\" is not UTF-8";
        return false;
    }
    return Update(
        [&](wxFileConfig& config) {
            return config.Write(Path(section, key), wxString::FromUTF8(value.data(), value.size()));
        },
        [&](wxFileConfig& saved) {
            wxString check;
            return saved.Read(Path(section, key), &check) && check.utf8_string() == value;
        });
}

bool CSettingsStore::Update(const std::function<bool(wxFileConfig&)>& change,
                            const std::function<bool(wxFileConfig&)>& verify) const {
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
    auto config = ParseStore(content);
    if (!change(*config))
        return fail("the value cannot be stored");
    wxMemoryOutputStream out;
    {
        wxLogNull quiet;
        if (!config->Save(out, wxConvUTF8))
            return fail("the settings cannot be written out");
    }
    std::string saved(static_cast<std::size_t>(out.GetLength()), '\0');
    out.CopyTo(saved.data(), saved.size());
    // Nothing is put in place unless it reads back as written.
    if (!verify(*ParseStore(saved)))
        return fail("the value does not read back as written");
    CAtomicFileWriter writer(path);
    if (!writer.Write(saved) || !writer.Commit())
        return fail(writer.GetError());
    return true;
}

CSettingsStore::Entries CSettingsStore::GetSection(const std::string& section) const {
    Entries entries;
    std::string content;
    if (!ReadFile(Resolve(m_path), content))
        return entries;
    auto config = ParseStore(content);
    config->SetPath("/" + wxString::FromUTF8(section));
    wxString key;
    long cookie = 0;
    for (bool more = config->GetFirstEntry(key, cookie); more;
         more = config->GetNextEntry(key, cookie)) {
        wxString value;
        if (config->Read(key, &value))
            entries.emplace_back(key.utf8_string(), Limit(value.utf8_string(), kMaxText));
    }
    return entries;
}

bool CSettingsStore::ReplaceSection(const std::string& section, const Entries& entries) const {
    for (const auto& [key, value] : entries)
        if (key.empty() || !IsStrictUtf8(key) || !IsStrictUtf8(value) ||
            key.find_first_of("/=[]\n\r") != std::string::npos)
            return false;
    wxString group = "/" + wxString::FromUTF8(section);
    return Update(
        [&](wxFileConfig& config) {
            config.DeleteGroup(group);
            for (const auto& [key, value] : entries)
                if (!config.Write(Path(section, key), wxString::FromUTF8(value)))
                    return false;
            return true;
        },
        [&](wxFileConfig& saved) {
            saved.SetPath(group);
            if (saved.GetNumberOfEntries() != entries.size())
                return false;
            for (const auto& [key, value] : entries) {
                wxString check;
                if (!saved.Read(Path(section, key), &check) || check.utf8_string() != value)
                    return false;
            }
            return true;
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
    return WriteValue(section, key, std::to_string(value));
}

bool CSettingsStore::WriteString(const std::string& section, const std::string& key,
                                 const std::string& value) const {
    return WriteValue(section, key, value);
}
