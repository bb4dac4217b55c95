#include "app/RenderHistory.h"

#include "app/ImageViewer.h"
#include "core/Image.h"

#include <algorithm>

const CRenderHistory::Entry& CRenderHistory::Add(Entry entry) {
    entry.number = m_next++;
    if (entry.picture && entry.picture->HasPlanes() && entry.picture->GetWidth() > 0 &&
        entry.picture->GetHeight() > 0) {
        const CImage& picture = *entry.picture;
        double scale = std::min(static_cast<double>(kThumbnailWidth) / picture.GetWidth(),
                                static_cast<double>(kThumbnailHeight) / picture.GetHeight());
        int width = std::max(1, static_cast<int>(picture.GetWidth() * scale));
        int height = std::max(1, static_cast<int>(picture.GetHeight() * scale));
        entry.thumbnail =
            CImageViewer::ToImage(picture).Scale(width, height, wxIMAGE_QUALITY_BOX_AVERAGE);
    }
    m_entries.push_back(std::move(entry));
    while (m_entries.size() > kMaxEntries)
        m_entries.pop_front();
    if (m_onChange)
        m_onChange();
    return m_entries.back();
}

const CRenderHistory::Entry* CRenderHistory::Find(unsigned number) const {
    for (const Entry& entry : m_entries)
        if (entry.number == number)
            return &entry;
    return nullptr;
}

wxString CRenderHistory::Describe(const CRenderToFileSettings& settings) {
    return wxString::Format(L"%d \u00d7 %d, antialiasing %u, recursion %u, %u thread%s",
                            settings.width, settings.height, settings.antialias,
                            settings.maxRecursion, settings.threads,
                            settings.threads == 1 ? "" : "s");
}
