#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

class wxFileConfig;

// The INI text of a settings store, in memory: parsed, read, changed and written out again with
// no file involved. CSettingsStore reads its file into one, changes it, and puts the text it
// saves in place only when a fresh parse of that text reads back what was written.
class CSettingsText {
public:
    using Entries = std::vector<std::pair<std::string, std::string>>;

    // UTF-8 text; text that is not (written by something else, or damaged) is read as Latin-1,
    // so that every byte stays a character and the text can always be written back. Malformed
    // lines are skipped.
    explicit CSettingsText(const std::string& content);
    ~CSettingsText();
    CSettingsText(const CSettingsText&) = delete;
    CSettingsText& operator=(const CSettingsText&) = delete;

    // The text stored under the key, whole; false when there is none.
    bool Read(const std::string& section, const std::string& key, std::string& value) const;
    // Every key of the section with its text, in the text's order.
    Entries GetSection(const std::string& section) const;
    // The same but for one key (in any letter case, as INI keys match) and the lines with
    // nothing before their '=', which name no key anyone can read or write: what a write of
    // that key must leave as it was.
    Entries GetSectionWithout(const std::string& section, const std::string& key) const;

    // False when the value cannot be stored; texts must be UTF-8 (see IsStrictUtf8).
    bool Write(const std::string& section, const std::string& key, const std::string& value);
    // Replaces the section's keys by these (an empty list removes the section). False, with
    // nothing changed, when a key is empty, holds one of "/=[]" or a line end, or a key or
    // text is not UTF-8.
    bool ReplaceSection(const std::string& section, const Entries& entries);

    // The whole text as a file holds it (UTF-8); false when it cannot be written out.
    bool Save(std::string& text) const;

    // Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, and no NUL (which
    // an INI file cannot hold). wxWidgets accepts some texts that break these rules and then
    // fails to save the whole store, so they are refused before it sees them.
    static bool IsStrictUtf8(const std::string& text);

private:
    std::unique_ptr<wxFileConfig> m_config;
};
