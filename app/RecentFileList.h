#pragma once

#include <string>
#include <vector>

class wxMenu;

// The four most recently opened scripts, kept in the profile store (section "Recent File
// List", keys "File1" to "File4") and shown in the File menu in place of its "Recent File"
// item. Every change is written through the settings store at once, as one atomic write of
// the section, so no second writer of the profile exists.
class CRecentFileList {
public:
    static constexpr const char* kSection = "Recent File List";

    explicit CRecentFileList(int firstId, std::size_t size = 4);

    // Reads the list from the profile.
    void Load();
    // Moves the path to the front (adding it when new, dropping the oldest beyond the size)
    // and stores the list.
    void Add(const std::string& path);
    // Drops the entry (a file that could not be opened) and stores the list.
    void Remove(std::size_t index);

    // The path of a command id of the list, or "" when the id shows no file.
    std::string GetFileForId(int id) const;

    // Shows the list in the menu, replacing the items from position on up to the next
    // separator (or the placeholder "Recent File", greyed, when the list is empty).
    void UpdateMenu(wxMenu& menu, std::size_t position) const;

private:
    void Save() const;

    int m_firstId;
    std::size_t m_size;
    std::vector<std::string> m_files;
};
