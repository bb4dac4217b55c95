#include "app/RecentFileList.h"

#include "platform/SettingsStore.h"

#include <wx/menu.h>

#include <algorithm>

CRecentFileList::CRecentFileList(int firstId, std::size_t size)
    : m_firstId(firstId), m_size(size) {}

void CRecentFileList::Load() {
    m_files.clear();
    CSettingsStore profile = CSettingsStore::Profile();
    for (std::size_t i = 1; i <= m_size; ++i) {
        std::string path = profile.GetString(kSection, "File" + std::to_string(i), "");
        if (!path.empty())
            m_files.push_back(path);
    }
}

void CRecentFileList::Add(const std::string& path) {
    if (path.empty())
        return;
    m_files.erase(std::remove(m_files.begin(), m_files.end(), path), m_files.end());
    m_files.insert(m_files.begin(), path);
    if (m_files.size() > m_size)
        m_files.resize(m_size);
    Save();
}

void CRecentFileList::Remove(std::size_t index) {
    if (index >= m_files.size())
        return;
    m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(index));
    Save();
}

std::string CRecentFileList::GetFileForId(int id) const {
    int index = id - m_firstId;
    if (index < 0 || static_cast<std::size_t>(index) >= m_files.size())
        return "";
    return m_files[static_cast<std::size_t>(index)];
}

void CRecentFileList::Save() const {
    CSettingsStore::Entries entries;
    for (std::size_t i = 0; i < m_files.size(); ++i)
        entries.emplace_back("File" + std::to_string(i + 1), m_files[i]);
    CSettingsStore::Profile().ReplaceSection(kSection, entries);
}

void CRecentFileList::UpdateMenu(wxMenu& menu, std::size_t position) const {
    while (position < menu.GetMenuItemCount() && !menu.FindItemByPosition(position)->IsSeparator())
        menu.Destroy(menu.FindItemByPosition(position));
    if (m_files.empty()) {
        menu.Insert(position, m_firstId, "Recent File", "Open this document");
        menu.Enable(m_firstId, false);
        return;
    }
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        // "&1 path": the number is the item's mnemonic; a '&' of the path is shown as one.
        wxString path = wxString::FromUTF8(m_files[i]);
        path.Replace("&", "&&");
        menu.Insert(position + i, m_firstId + static_cast<int>(i),
                    wxString::Format("&%zu %s", i + 1, path), "Open this document");
    }
}
