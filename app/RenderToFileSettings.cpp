#include "app/RenderToFileSettings.h"

#include "platform/SettingsStore.h"
#include "render/ImageFile.h"
#include "render/PixelTracer.h"
#include "render/Tracer.h"
#include "script/LumoDoc.h"

#include <wx/filename.h>
#include <wx/stdpaths.h>

#include <algorithm>
#include <thread>

namespace {
constexpr const char* kWidth = "RenderToFileWidth";
constexpr const char* kHeight = "RenderToFileHeight";
constexpr const char* kAntialias = "RenderToFileAntialias";
constexpr const char* kMaxRecursion = "RenderToFileMaxRecursion";
constexpr const char* kThreads = "RenderToFileThreads";
constexpr const char* kFormat = "RenderToFileFormat";
constexpr const char* kName = "RenderToFileName";

// A stored count within [low, high], else the default.
unsigned Bounded(const CSettingsStore& store, const char* key, unsigned fallback, unsigned low,
                 unsigned high) {
    int value = store.GetInt(CSettingsStore::kSection, key, static_cast<int>(fallback));
    return value < static_cast<int>(low) || value > static_cast<int>(high)
               ? fallback
               : static_cast<unsigned>(value);
}

std::string DefaultPath() {
    wxString folder = wxStandardPaths::Get().GetUserDir(wxStandardPaths::Dir_Pictures);
    if (folder.empty() || !wxFileName::DirExists(folder))
        folder = wxFileName::GetHomeDir();
    return wxFileName(folder, "lumo.png").GetFullPath().utf8_string();
}
} // namespace

CRenderToFileSettings CRenderToFileSettings::Load(const CLumoDoc* document) {
    CSettingsStore profile = CSettingsStore::Profile();
    CSettingsStore ini = CSettingsStore::IniFile();
    CRenderToFileSettings settings;
    // The sizes as stored, even ones the dialog would refuse: it says why when they come back.
    settings.width = profile.GetInt(CSettingsStore::kSection, kWidth, settings.width);
    settings.height = profile.GetInt(CSettingsStore::kSection, kHeight, settings.height);
    unsigned sceneAntialias = document ? std::max(1u, document->m_antialias) : 1u;
    settings.antialias =
        Bounded(profile, kAntialias, std::min(sceneAntialias, CPixelTracer::kMaxAntialias), 1,
                CPixelTracer::kMaxAntialias);
    settings.maxRecursion =
        Bounded(profile, kMaxRecursion, CTracer::CapRecursion(profile.GetMaxRecursion()), 0,
                CTracer::kMaxRecursionCap);
    settings.threads = Bounded(profile, kThreads, std::max(1u, std::thread::hardware_concurrency()),
                               1, kMaxThreads);
    std::string key = ini.GetString(CSettingsStore::kSection, kFormat, "");
    for (const CImageFile::FormatInfo& format : CImageFile::Formats())
        if (key == format.key)
            settings.format = format.format;
    settings.path = ini.GetString(CSettingsStore::kSection, kName, "");
    if (settings.path.empty())
        settings.path = DefaultPath();
    return settings;
}

bool CRenderToFileSettings::Save(std::string& error) const {
    CSettingsStore profile = CSettingsStore::Profile();
    CSettingsStore ini = CSettingsStore::IniFile();
    const char* section = CSettingsStore::kSection;
    bool saved = profile.WriteInt(section, kWidth, width) &&
                 profile.WriteInt(section, kHeight, height) &&
                 profile.WriteInt(section, kAntialias, static_cast<int>(antialias)) &&
                 profile.WriteInt(section, kMaxRecursion, static_cast<int>(maxRecursion)) &&
                 profile.WriteInt(section, kThreads, static_cast<int>(threads));
    if (!saved) {
        error = profile.GetLastError();
        return false;
    }
    const char* key = "png";
    for (const CImageFile::FormatInfo& info : CImageFile::Formats())
        if (info.format == format)
            key = info.key;
    if (!ini.WriteString(section, kFormat, key) || !ini.WriteString(section, kName, path)) {
        error = ini.GetLastError();
        return false;
    }
    return true;
}

RenderOptions CRenderToFileSettings::Options() const {
    RenderOptions options;
    options.width = static_cast<unsigned>(std::max(0, width));
    options.height = static_cast<unsigned>(std::max(0, height));
    options.antialias = antialias;
    options.maxRecursion = maxRecursion;
    options.threads = threads;
    return options;
}
