#include "cli/RenderCommand.h"

#include "cli/CommandLine.h"
#include "cli/InterruptGuard.h"
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

// The headless platform, with message boxes written to standard error on a line of their
// own (the progress bar's line is cleared first) unless lumo-render is quiet.
class CCliPlatform : public CHeadlessPlatform {
public:
    explicit CCliPlatform(CTerminalProgressBar& progress, bool quiet) : m_progress(progress) {
        m_echoMessages = !quiet;
    }
    void MessageBox(const std::string& text, const std::string& caption) override {
        if (m_echoMessages)
            m_progress.Clear();
        CHeadlessPlatform::MessageBox(text, caption);
    }

private:
    CTerminalProgressBar& m_progress;
};

void Fail(std::FILE* err, const std::string& message) {
    std::fprintf(err, "lumo-render: %s\n", message.c_str());
}

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

} // namespace

bool LoadSceneScript(CLumoDoc& document, const std::string& path, std::string& error) {
    std::string text;
    return ReadScriptText(path, text, error) &&
           document.ReadText(text, ScriptName(path), CLumoDoc::keywordLoader, error) !=
               CLumoDoc::readFailed;
}

// The script grammar: the scene is rebuilt from the script's statements (the lights stay). A
// script that does not parse completely is refused rather than rendered half built, with the
// place where the parse stopped.
bool ReadSceneScript(CLumoDoc& document, const std::string& path, std::string& error) {
    std::string text;
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
            !CPictureSize::Check(width, height, error, CImageFile::NeedsLevels(format))) {
            Fail(err, error);
            return kExitUsage;
        }
    }

    CTerminalProgressBar progress(err, !quiet && isatty(fileno(err)));
    CInterruptGuard interrupts(&progress);
    CCliPlatform platform(progress, quiet);
    CPlatformScope platformScope(platform);
    CLumoDoc document;

    if (!commandLine.m_script.empty()) {
        // The parser shows a message box for every sphere it builds: shown only when asked.
        platform.m_echoMessages = commandLine.m_verbose && !quiet;
        bool read = commandLine.m_load ? LoadSceneScript(document, commandLine.m_script, error)
                                       : ReadSceneScript(document, commandLine.m_script, error);
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
    RenderResult result = Render(scene, options, &progress);
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

    if (toStandardOutput) {
        bool encoded = fromLevels ? CImageFile::Encode(result.levels, format, out,
                                                       "standard output", error, options.threads)
                                  : CImageFile::Encode(picture, format, out, "standard output",
                                                       error, options.threads);
        if (!encoded || !Flushed(out, error)) {
            Fail(err, error);
            return kExitFailed;
        }
    } else {
        bool encoded =
            fromLevels ? CImageFile::Encode(result.levels, format, *writer, error, options.threads)
                       : CImageFile::Encode(picture, format, *writer, error, options.threads);
        if (!encoded) {
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
        std::error_code ignored;
        std::string shown = toStandardOutput ? "standard output"
                                             : std::filesystem::absolute(output, ignored).string();
        std::fprintf(summary, "%s: %d x %d pixels, rendered in %lld ms\n",
                     shown.empty() ? output.c_str() : shown.c_str(), width, height,
                     static_cast<long long>(elapsed.count()));
    }
    if (!Flushed(out, error)) {
        Fail(err, error);
        return kExitFailed;
    }
    return kExitOk;
}
