#include "cli/CommandLine.h"
#include "cli/InterruptGuard.h"
#include "cli/PartFile.h"
#include "cli/RenderCommand.h"
#include "core/Image.h"
#include "platform/AtomicFileWriter.h"
#include "render/ImageFile.h"
#include "script/Archive.h"

#include <chrono>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

int Failed(std::FILE* err, const std::string& message, int status = kExitFailed) {
    std::fprintf(err, "lumo-render: %s\n", message.c_str());
    return status;
}

} // namespace

int RunJoin(const CCommandLine& commandLine, std::FILE* out, std::FILE* err) {
    std::string output = commandLine.OutputPath();
    bool toStandardOutput = commandLine.WritesStandardOutput();
    CImageFile::Format format = toStandardOutput ? CImageFile::png : CImageFile::FormatOf(output);
    if (toStandardOutput && isatty(fileno(out)))
        return Failed(err,
                      "will not write a picture to a terminal: redirect standard output, or give "
                      "-o FILE (see lumo-render --help)",
                      kExitUsage);
    if (format == CImageFile::unknown)
        return Failed(err,
                      "cannot tell the image format of '" + output +
                          "': name it .png or .ppm (see lumo-render --help)",
                      kExitUsage);
    unsigned threads = commandLine.m_threads.value_or(CImageFile::MachineThreads());

    CInterruptGuard interrupts(nullptr);
    std::string error;
    std::unique_ptr<CAtomicFileWriter> writer;
    if (!toStandardOutput) {
        CInterruptGuard::CHoldScope hold;
        writer = std::make_unique<CAtomicFileWriter>(output);
        interrupts.SetTemporaryFile(writer->GetTemporaryPath());
        if (!writer->IsOk())
            return Failed(err, writer->GetError());
    }

    auto start = std::chrono::steady_clock::now();
    CPictureJoin join(MaxPicturePixels());
    for (const std::string& path : commandLine.m_parts) {
        std::string bytes;
        CArchive archive(path, CArchive::load);
        if (!archive.ReadAll(bytes))
            return Failed(err, archive.GetError().empty() ? "cannot read '" + path + "'"
                                                          : archive.GetError());
        CPartInfo info;
        CImage pixels;
        if (!CPartFile::Decode(bytes, path, info, pixels, error, MaxPicturePixels()) ||
            !join.Add(path, info, pixels, error))
            return Failed(err, error);
    }
    CImage picture;
    if (!join.Finish(picture, error))
        return Failed(err, error);

    if (toStandardOutput) {
        if (!CImageFile::Encode(picture, format, out, "standard output", error, threads) ||
            !Flushed(out, error))
            return Failed(err, error);
    } else {
        if (!CImageFile::Encode(picture, format, *writer, error, threads))
            return Failed(err, error);
        bool committed = writer->Commit();
        interrupts.SetTemporaryFile("");
        if (!committed)
            return Failed(err, writer->GetError());
    }
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (!commandLine.m_quiet) {
        std::fprintf(
            toStandardOutput ? err : out, "%s, joined from %zu parts in %lld ms\n",
            PictureSummary(output, toStandardOutput, picture.GetWidth(), picture.GetHeight())
                .c_str(),
            commandLine.m_parts.size(), static_cast<long long>(elapsed.count()));
    }
    if (!Flushed(out, error))
        return Failed(err, error);
    return kExitOk;
}
