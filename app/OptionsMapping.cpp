#include "app/OptionsMapping.h"

#include "app/DesktopEditor.h"
#include "app/MiscOptions.h"
#include "app/Options2.h"
#include "app/Options6.h"
#include "app/OptionsSheet.h"
#include "app/RendererOptions.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"

#include <cstdio>
#include <cstdlib>
#include <string>

void COptionsMapping::LoadOptions(COptionsSheet& sheet) {
    CSettingsStore profile = CSettingsStore::Profile();
    CSettingsStore ini = CSettingsStore::IniFile();
    const std::string section = CSettingsStore::kSection;
    auto readFloat = [&](const char* key) {
        return static_cast<float>(std::atof(ini.GetString(section, key, "0.1").c_str()));
    };
    sheet.m_renderer->m_maxRecursion =
        static_cast<unsigned>(profile.GetInt(section, "MaxRecursion", 0));
    sheet.m_misc->m_editorPath =
        wxString::FromUTF8(ini.GetString(section, "EditorPath", DefaultEditorCommand()));
    sheet.m_misc->m_fileOverride = profile.GetInt(section, "FileOverRide", 0);
    sheet.m_misc->m_useEditor = profile.GetInt(section, "UseEditor", 0);
    sheet.m_misc->m_runWizard = profile.GetInt(section, "RunWiz", 0);
    sheet.m_camera->m_x = readFloat("CamX");
    sheet.m_camera->m_y = readFloat("CamY");
    sheet.m_camera->m_z = readFloat("CamZ");
    sheet.m_camera->m_width = static_cast<unsigned>(profile.GetInt(section, "Width", 320));
    sheet.m_camera->m_height = static_cast<unsigned>(profile.GetInt(section, "Height", 200));
    sheet.m_camera->m_fishEye = profile.GetInt(section, "FishEye", 0);
    sheet.m_advanced->m_katmai = profile.GetInt(section, "KatMai", 0);
    sheet.m_advanced->m_mmx = profile.GetInt(section, "MMX", 0);
}

void COptionsMapping::SaveOptions(COptionsSheet& sheet) {
    CSettingsStore profile = CSettingsStore::Profile();
    CSettingsStore ini = CSettingsStore::IniFile();
    const std::string section = CSettingsStore::kSection;
    // The first write that fails is said, once, and ends the saving: the stores' folder or
    // file is then what is wrong, and every later write would say the same.
    bool failed = false;
    auto said = [&](const CSettingsStore& store, bool written) {
        if (!written) {
            failed = true;
            CPlatform::Current().MessageBox(store.GetLastError(), "lumo");
        }
    };
    auto writeInt = [&](const char* key, int value) {
        if (!failed)
            said(profile, profile.WriteInt(section, key, value));
    };
    auto writeText = [&](const char* key, const std::string& value) {
        if (!failed)
            said(ini, ini.WriteString(section, key, value));
    };
    auto writeFloat = [&](const char* key, float value) {
        char text[64];
        std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
        writeText(key, text);
    };
    writeInt("MaxRecursion", static_cast<int>(sheet.m_renderer->m_maxRecursion));
    writeText("EditorPath", sheet.m_misc->m_editorPath.utf8_string());
    writeInt("FileOverRide", sheet.m_misc->m_fileOverride);
    writeInt("UseEditor", sheet.m_misc->m_useEditor);
    writeInt("RunWiz", sheet.m_misc->m_runWizard);
    writeInt("FishEye", sheet.m_camera->m_fishEye);
    writeFloat("CamX", sheet.m_camera->m_x);
    writeFloat("CamY", sheet.m_camera->m_y);
    writeFloat("CamZ", sheet.m_camera->m_z);
    writeInt("Width", static_cast<int>(sheet.m_camera->m_width));
    writeInt("Height", static_cast<int>(sheet.m_camera->m_height));
    writeInt("KatMai", sheet.m_advanced->m_katmai);
    writeInt("MMX", sheet.m_advanced->m_mmx);
}
