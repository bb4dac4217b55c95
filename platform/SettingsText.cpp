#include "platform/SettingsText.h"

#include <wx/debug.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <mutex>

// The INI format itself is wxWidgets' (wxFileConfig, from its base library, which has no GUI),
// parsed from and written to memory streams.

namespace {

wxString Path(const std::string& section, const std::string& key) {
    return "/" + wxString::FromUTF8(section) + "/" + wxString::FromUTF8(key);
}

// wxFileConfig asserts on some malformed lines (an entry without a name, a section header given
// twice) and then carries on with a sound reading of them. A damaged settings file is not a
// fault of the program, yet those assertions would show a developer's dialog in the desktop
// program and lines on standard error from lumo-render, at every read. They are passed over
// while this thread works on a settings text; every other assertion goes where it went before.
thread_local int t_settingsWork = 0;
wxAssertHandler_t g_nextAssertHandler = nullptr;

void SettingsAssertHandler(const wxString& file, int line, const wxString& function,
                           const wxString& condition, const wxString& message) {
    if (t_settingsWork > 0 && file.EndsWith("fileconf.cpp"))
        return;
    if (g_nextAssertHandler)
        g_nextAssertHandler(file, line, function, condition, message);
}

class CSettingsWork {
public:
    CSettingsWork() {
        static std::once_flag installed;
        std::call_once(installed,
                       [] { g_nextAssertHandler = wxSetAssertHandler(SettingsAssertHandler); });
        ++t_settingsWork;
    }
    ~CSettingsWork() { --t_settingsWork; }
    CSettingsWork(const CSettingsWork&) = delete;
    CSettingsWork& operator=(const CSettingsWork&) = delete;
};

} // namespace

bool CSettingsText::IsStrictUtf8(const std::string& text) {
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

CSettingsText::CSettingsText(const std::string& content) {
    CSettingsWork work;
    wxLogNull quiet; // malformed lines are skipped, not reported
    wxMemoryInputStream in(content.data(), content.size());
    const wxMBConv& encoding =
        IsStrictUtf8(content) ? static_cast<const wxMBConv&>(wxConvUTF8) : wxConvISO8859_1;
    m_config = std::make_unique<wxFileConfig>(in, encoding);
    m_config->SetExpandEnvVars(false); // "$HOME" in an editor path stays as written
}

CSettingsText::~CSettingsText() {
    CSettingsWork work;
    m_config.reset();
}

bool CSettingsText::Read(const std::string& section, const std::string& key,
                         std::string& value) const {
    CSettingsWork work;
    wxString text;
    if (!m_config->Read(Path(section, key), &text))
        return false;
    value = text.utf8_string();
    return true;
}

CSettingsText::Entries CSettingsText::GetSection(const std::string& section) const {
    CSettingsWork work;
    Entries entries;
    wxString group = "/" + wxString::FromUTF8(section);
    if (!m_config->HasGroup(group))
        return entries;
    wxString previous = m_config->GetPath();
    m_config->SetPath(group);
    wxString key;
    long cookie = 0;
    for (bool more = m_config->GetFirstEntry(key, cookie); more;
         more = m_config->GetNextEntry(key, cookie)) {
        wxString value;
        if (m_config->Read(key, &value))
            entries.emplace_back(key.utf8_string(), value.utf8_string());
    }
    m_config->SetPath(previous);
    return entries;
}

CSettingsText::Entries CSettingsText::GetSectionWithout(const std::string& section,
                                                        const std::string& key) const {
    auto sameKey = [&key](const std::string& name) {
        return std::equal(name.begin(), name.end(), key.begin(), key.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    };
    Entries entries = GetSection(section);
    std::erase_if(entries,
                  [&](const auto& entry) { return entry.first.empty() || sameKey(entry.first); });
    return entries;
}

bool CSettingsText::Write(const std::string& section, const std::string& key,
                          const std::string& value) {
    if (!IsStrictUtf8(value))
        return false;
    CSettingsWork work;
    return m_config->Write(Path(section, key), wxString::FromUTF8(value.data(), value.size()));
}

bool CSettingsText::ReplaceSection(const std::string& section, const Entries& entries) {
    for (const auto& [key, value] : entries)
        if (key.empty() || !IsStrictUtf8(key) || !IsStrictUtf8(value) ||
            key.find_first_of("/=[]\n\r") != std::string::npos)
            return false;
    CSettingsWork work;
    m_config->DeleteGroup("/" + wxString::FromUTF8(section));
    for (const auto& [key, value] : entries)
        if (!m_config->Write(Path(section, key), wxString::FromUTF8(value)))
            return false;
    return true;
}

bool CSettingsText::Save(std::string& text) const {
    CSettingsWork work;
    wxMemoryOutputStream out;
    {
        wxLogNull quiet;
        if (!m_config->Save(out, wxConvUTF8))
            return false;
    }
    text.assign(static_cast<std::size_t>(out.GetLength()), '\0');
    out.CopyTo(text.data(), text.size());
    return true;
}
