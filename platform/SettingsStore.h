#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

class CSettingsText;

// One of the two settings stores: the per-user profile of integers ("profile.ini") and the
// initialisation file of texts ("win.ini"). Both are INI files in the settings folder:
// $LUMO_CONFIG_DIR, else $XDG_CONFIG_HOME/lumo, else ~/.config/lumo.
//
// Every read opens the file afresh, so a value saved by anyone takes effect at its next use.
// A missing or unreadable file, section or key gives the default. Writes replace the file
// through a temporary file in the same folder, so a reader never sees a half-written store;
// of two concurrent writers the last complete write wins.
class CSettingsStore {
public:
    static constexpr const char* kSection = "Lumo";
    // A text read returns at most this many characters.
    static constexpr std::size_t kMaxText = 254;

    static CSettingsStore Profile();
    static CSettingsStore IniFile();
    static std::string SettingsFolder();

    // A store in the settings folder under that file name, or at that path if it has a '/'.
    explicit CSettingsStore(std::string fileName);

    // The whole number stored under the key. A value that is not a whole number in the
    // 32-bit range (after surrounding spaces) counts as missing and gives the default.
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const;

    // False when the store could not be written, or the text is not UTF-8; the file is then as
    // it was, and GetLastError says why, naming the file. A store that exists but cannot be
    // read is never written over: its settings would be lost.
    bool WriteInt(const std::string& section, const std::string& key, int value) const;
    bool WriteString(const std::string& section, const std::string& key,
                     const std::string& value) const;

    // Whole sections, for lists kept under numbered keys (the recent-file list's "File1" to
    // "File4"): every key with its text in the store's order, and an atomic replacement of
    // the section's keys by these (an empty list removes the section). Keys must be non-empty
    // and hold none of "/=[]" or a line end.
    using Entries = std::vector<std::pair<std::string, std::string>>;
    Entries GetSection(const std::string& section) const;
    bool ReplaceSection(const std::string& section, const Entries& entries) const;

    const std::string& GetPath() const { return m_path; }
    // Why the last write of this store object failed ("" after one that succeeded).
    const std::string& GetLastError() const { return m_lastError; }

    // The reflection depth a render follows ("MaxRecursion" in the profile, 0 when unset). A
    // negative stored value reads as a huge count, which the renderer caps.
    unsigned GetMaxRecursion() const {
        return static_cast<unsigned>(GetInt(kSection, "MaxRecursion", 0));
    }

    // The integer rule of GetInt applied to a text; false when the text is not one.
    static bool ParseInt(const std::string& text, int& value);

    // A write's and a replacement's change to a store's whole text, in memory: true with the
    // text the store would put in place, or false with the reason and the text as it was. Both
    // stores change their files through these alone.
    static bool WriteInText(std::string& content, const std::string& section,
                            const std::string& key, const std::string& value, std::string& reason);
    static bool ReplaceSectionInText(std::string& content, const std::string& section,
                                     const Entries& entries, std::string& reason);

private:
    bool ReadValue(const std::string& section, const std::string& key, std::string& value) const;
    // Reads the store, applies the change to its text, and puts the result in place.
    bool Update(const std::function<bool(std::string&, std::string&)>& change) const;

    std::string m_path;
    mutable std::string m_lastError;
};
