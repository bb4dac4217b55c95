#pragma once

#include "render/ImageFile.h"
#include "render/RenderOptions.h"

#include <string>

class CLumoDoc;

// What Go > Render to File renders and where, remembered for the next time: the numbers in the
// profile ("RenderToFileWidth", "RenderToFileHeight", "RenderToFileAntialias",
// "RenderToFileMaxRecursion", "RenderToFileThreads"), the format (its CImageFile::FormatInfo
// key) and the file in win.ini ("RenderToFileFormat", "RenderToFileName").
struct CRenderToFileSettings {
    // The presets of the dialog's size list.
    struct Preset {
        int width;
        int height;
        const char* name;
    };
    static constexpr Preset kPresets[] = {
        {1280, 720, "HD"},
        {1920, 1080, "Full HD"},
        {3840, 2160, "4K UHD"},
    };
    static constexpr unsigned kMaxThreads = 1024; // as lumo-render's --threads

    int width = 1920;
    int height = 1080;
    unsigned antialias = 1;
    unsigned maxRecursion = 0;
    unsigned threads = 1;
    CImageFile::Format format = CImageFile::png; // one of CImageFile::Formats()
    std::string path;

    // The remembered values; what was never saved: Full HD, the scene's antialiasing, the Go
    // commands' "MaxRecursion", a thread per core, PNG, lumo.png in the pictures folder.
    static CRenderToFileSettings Load(const CLumoDoc* document);
    // False, with the store's reason, when a store could not be written.
    bool Save(std::string& error) const;

    // The engine's options for the whole picture.
    RenderOptions Options() const;
};
