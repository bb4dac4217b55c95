#include "cli/RenderCommand.h"

#include "cli/CliPlatform.h"
#include "cli/CommandLine.h"
#include "cli/InterruptGuard.h"
#include "cli/PartFile.h"
#include "cli/TerminalProgressBar.h"
#include "core/FloatImage.h"
#include "core/Image.h"
#include "headless/HeadlessPlatform.h"
#include "platform/AtomicFileWriter.h"
#include "platform/SettingsStore.h"
#include "render/ImageFile.h"
#include "render/PictureSize.h"
#include "render/Render.h"
#include "render/RenderEstimator.h"
#include "render/RenderReport.h"
#include "render/TileRender.h"
#include "script/Archive.h"
#include "script/LumoDoc.h"
#include "script/SceneFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

void Fail(std::FILE* err, const std::string& message) {
    std::fprintf(err, "lumo-render: %s\n", message.c_str());
}

} // namespace

// What messages call the script: its path, or "<stdin>" for standard input.
std::string ScriptName(const std::string& path) {
    return path == CCommandLine::kStandardStream ? "<stdin>" : path;
}

// The script's whole text, from its file or from standard input.
bool ReadScriptText(const std::string& path, std::string& text, std::string& error) {
    if (path == CCommandLine::kStandardStream) {
        std::string reason;
        if (!CArchive::ReadDescriptor(STDIN_FILENO, 0, text, reason)) {
            error = "cannot read standard input: " + reason;
            return false;
        }
        return true;
    }
    CArchive archive(path, CArchive::load);
    if (!archive.ReadAll(text)) {
        error = archive.GetError().empty() ? "cannot read '" + path + "'" : archive.GetError();
        return false;
    }
    return true;
}

// Standard output after lumo-render has written to it: a stream that could not take it all
// (a full disk, a closed pipe) is a failure, never a success.
bool Flushed(std::FILE* out, std::string& error) {
    errno = 0;
    if (std::fflush(out) == 0 && !std::ferror(out))
        return true;
    error = std::string("cannot write standard output: ") + std::strerror(errno ? errno : EIO);
    return false;
}

// A size from the command line, else from the profile (with the desktop's default). False,
// with the reason, when the value cannot make an image file.
bool ResolveSize(const char* what, const char* key, int fallback, std::optional<int> given,
                 int& size, std::string& error) {
    if (given) {
        size = *given;
        return true;
    }
    size = CSettingsStore::Profile().GetInt(CSettingsStore::kSection, key, fallback);
    if (size < 1) {
        error = std::string("the profile's \"") + key + "\" is " + std::to_string(size) +
                ", but the image " + what + " must be at least 1 pixel (give -" + key[0] + " N)";
        return false;
    }
    return true;
}

std::uint64_t MaxPicturePixels() {
    return CPictureSize::PhysicalMemory() / 6;
}

bool RegionFits(const RenderRegion& region, CImageFile::Format format, int width, int height,
                std::string& error) {
    if (format != CImageFile::png && format != CImageFile::ppm) {
        error = "a part is an 8-bit PNG or a PPM file: name the output .png or .ppm, without "
                "--depth 16";
        return false;
    }
    if (region.right > static_cast<unsigned>(width) ||
        region.bottom > static_cast<unsigned>(height)) {
        error = "--region " + std::to_string(region.left) + "," + std::to_string(region.top) + "," +
                std::to_string(region.right) + "," + std::to_string(region.bottom) +
                " reaches beyond the " + std::to_string(width) + " x " + std::to_string(height) +
                " picture";
        return false;
    }
    return true;
}

std::string PictureSummary(const std::string& output, bool toStandardOutput, int width,
                           int height) {
    std::error_code ignored;
    std::string shown =
        toStandardOutput ? "standard output" : std::filesystem::absolute(output, ignored).string();
    return (shown.empty() ? output : shown) + ": " + std::to_string(width) + " x " +
           std::to_string(height) + " pixels";
}

bool LoadSceneScript(CLumoDoc& document, const std::string& path, std::string& error,
                     std::string* bytes) {
    std::string own;
    std::string& text = bytes ? *bytes : own;
    return ReadScriptText(path, text, error) &&
           document.ReadText(text, ScriptName(path), CLumoDoc::keywordLoader, error) !=
               CLumoDoc::readFailed;
}

// The script grammar: the scene is rebuilt from the script's statements (the lights stay). A
// script that does not parse completely is refused rather than rendered half built, with the
// place where the parse stopped.
bool ReadSceneScript(CLumoDoc& document, const std::string& path, std::string& error,
                     std::string* bytes) {
    std::string own;
    std::string& text = bytes ? *bytes : own;
    return ReadScriptText(path, text, error) &&
           document.ReadText(text, ScriptName(path), CLumoDoc::grammar, error) !=
               CLumoDoc::readFailed;
}

int RunLumoRender(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    CCommandLine commandLine;
    std::string error;
    if (!CCommandLine::Parse(args, commandLine, error)) {
        Fail(err, error + " (see lumo-render --help)");
        return kExitUsage;
    }
    if (commandLine.m_action == CCommandLine::help) {
        std::fputs(CCommandLine::Usage().c_str(), out);
    } else if (commandLine.m_action == CCommandLine::version) {
        std::fprintf(out, "lumo-render %s\n", LUMO_VERSION);
    }
    if (commandLine.m_action != CCommandLine::render) {
        if (!Flushed(out, error)) {
            Fail(err, error);
            return kExitFailed;
        }
        return kExitOk;
    }
    if (commandLine.m_join)
        return RunJoin(commandLine, out, err);

    bool quiet = commandLine.m_quiet;
    std::string output = commandLine.OutputPath();
    bool toStandardOutput = commandLine.WritesStandardOutput();
    CImageFile::Format format = toStandardOutput ? CImageFile::png : CImageFile::FormatOf(output);
    int width = 0;
    int height = 0;
    if (commandLine.WantsRender()) {
        if (toStandardOutput && isatty(fileno(out))) {
            Fail(err, "will not write a picture to a terminal: redirect standard output, or give "
                      "-o FILE (see lumo-render --help)");
            return kExitUsage;
        }
        if (format == CImageFile::unknown) {
            Fail(err, "cannot tell the image format of '" + output +
                          "': name it .png, .ppm or .exr (see lumo-render --help)");
            return kExitUsage;
        }
        // 16 bits a channel are a PNG's: a PPM holds bytes, an OpenEXR file half floats.
        if (commandLine.m_depth == 16) {
            if (format != CImageFile::png) {
                Fail(err, "--depth 16 is for PNG pictures, and '" + output + "' is " +
                              (format == CImageFile::ppm ? "a PPM picture of 8 bits a channel"
                                                         : "an OpenEXR picture of half floats") +
                              " (see lumo-render --help)");
                return kExitUsage;
            }
            format = CImageFile::png16;
        }
        if (!ResolveSize("width", "Width", 320, commandLine.m_width, width, error) ||
            !ResolveSize("height", "Height", 200, commandLine.m_height, height, error) ||
            !CPictureSize::Check(width, height, error, CImageFile::NeedsLevels(format)) ||
            (commandLine.m_region &&
             !RegionFits(*commandLine.m_region, format, width, height, error))) {
            Fail(err, error);
            return kExitUsage;
        }
    }

    CTerminalProgressBar progress(err, !quiet && isatty(fileno(err)));
    CInterruptGuard interrupts(&progress);
    CCliPlatform platform(progress, quiet);
    CPlatformScope platformScope(platform);
    CLumoDoc document;

    // The scene's bytes, which a part's hash covers.
    std::string sceneText;
    if (!commandLine.m_script.empty()) {
        // The parser shows a message box for every sphere it builds: shown only when asked.
        platform.m_echoMessages = commandLine.m_verbose && !quiet;
        bool read = commandLine.m_load
                        ? LoadSceneScript(document, commandLine.m_script, error, &sceneText)
                        : ReadSceneScript(document, commandLine.m_script, error, &sceneText);
        platform.m_echoMessages = !quiet;
        if (!read) {
            Fail(err, error);
            return kExitFailed;
        }
    }

    if (!commandLine.m_saveScript.empty()) {
        CArchive archive(commandLine.m_saveScript, CArchive::store);
        std::vector<std::string> notes;
        document.Serialize(archive, &notes);
        if (!archive.Close()) {
            Fail(err, archive.GetError());
            return kExitFailed;
        }
        // What the script could not hold as it is: said, never passed over.
        if (!quiet)
            for (const std::string& note : notes)
                std::fprintf(err, "lumo-render: %s: %s\n", commandLine.m_saveScript.c_str(),
                             note.c_str());
    }
    if (!commandLine.m_saveScene.empty() &&
        !CSceneFile::Save(document, commandLine.m_saveScene, error)) {
        Fail(err, error);
        return kExitFailed;
    }
    if (!commandLine.WantsRender())
        return kExitOk;

    // Opened before the render, so that an unwritable output is reported before the time is
    // spent; the file replaces the old one only once it is complete.
    std::unique_ptr<CAtomicFileWriter> writer;
    if (!toStandardOutput) {
        CInterruptGuard::CHoldScope hold;
        writer = std::make_unique<CAtomicFileWriter>(output);
        interrupts.SetTemporaryFile(writer->GetTemporaryPath());
        if (!writer->IsOk()) {
            Fail(err, writer->GetError());
            return kExitFailed;
        }
    }
    RenderOptions options;
    options.width = static_cast<unsigned>(width);
    options.height = static_cast<unsigned>(height);
    options.maxRecursion =
        commandLine.m_maxRecursion.value_or(CSettingsStore::Profile().GetMaxRecursion());
    options.antialias = commandLine.m_antialias.value_or(document.m_antialias);
    options.threads =
        commandLine.m_threads.value_or(std::max(1u, std::thread::hardware_concurrency()));
    options.keepLevels = CImageFile::NeedsLevels(format);

    // A part says where it belongs and what it is a picture of.
    CPartInfo part;
    if (commandLine.m_region) {
        part = CPartInfo{options.width, options.height, *commandLine.m_region,
                         PartHash(CPictureRecipe{!commandLine.m_script.empty(), commandLine.m_load,
                                                 sceneText, options.width, options.height,
                                                 options.maxRecursion, options.antialias})};
    }

    // The document is done with: the render takes its objects rather than copying them.
    auto start = std::chrono::steady_clock::now();
    CRenderReport report;
    std::shared_ptr<const CRenderScene> scene = CRenderScene::Take(document);
    // The bar's estimate of the time left weighs the rows by a coarse pass's cost profile;
    // without a bar to show it nothing is profiled.
    CRenderEstimator estimator;
    if (progress.IsEnabled()) {
        estimator.Start(start);
        estimator.Profile(scene, options);
        progress.UseEstimator(&estimator);
    }
    RenderResult result =
        commandLine.m_region
            ? CTileRender(scene, options).RenderPart(part.region, options.threads, &progress)
            : Render(scene, options, &progress);
    progress.UseEstimator(nullptr);
    if (result.status == RenderResult::noMemory) {
        Fail(err, "cannot allocate a " + std::to_string(width) + " x " + std::to_string(height) +
                      " image");
        return kExitFailed;
    }
    platform.MessageBox(report.Text(), CRenderReport::kCaption);
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    progress.Clear();
    const CImage& picture = result.picture;
    const bool fromLevels = options.keepLevels;

    auto encode = [&](auto& sink, auto&&... where) {
        return fromLevels
                   ? CImageFile::Encode(result.levels, format, sink, where..., error,
                                        options.threads)
                   : CImageFile::Encode(picture, format, sink, where..., error, options.threads);
    };
    if (commandLine.m_region) {
        std::string bytes;
        if (!CPartFile::Encode(picture, part, format, bytes, error, options.threads) ||
            !(toStandardOutput ? std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size()
                               : writer->Write(bytes))) {
            Fail(err, error.empty() && writer ? writer->GetError() : error);
            return kExitFailed;
        }
        if (toStandardOutput && !Flushed(out, error)) {
            Fail(err, error);
            return kExitFailed;
        }
    } else if (toStandardOutput) {
        if (!encode(out, "standard output") || !Flushed(out, error)) {
            Fail(err, error);
            return kExitFailed;
        }
    }
    if (!toStandardOutput) {
        if (!commandLine.m_region && !encode(*writer)) {
            Fail(err, error);
            return kExitFailed;
        }
        bool committed = writer->Commit();
        interrupts.SetTemporaryFile("");
        if (!committed) {
            Fail(err, writer->GetError());
            return kExitFailed;
        }
    }
    if (!quiet) {
        // With the picture on standard output, the summary goes to standard error.
        std::FILE* summary = toStandardOutput ? err : out;
        std::fprintf(
            summary, "%s, rendered in %lld ms\n",
            PictureSummary(output, toStandardOutput, picture.GetWidth(), picture.GetHeight())
                .c_str(),
            static_cast<long long>(elapsed.count()));
    }
    if (!Flushed(out, error)) {
        Fail(err, error);
        return kExitFailed;
    }
    return kExitOk;
}
