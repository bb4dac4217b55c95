#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

class CAtomicFileWriter;
class CImage;

// Image files that lumo-render writes: PNG (8-bit RGB) and binary PPM (P6).
class CImageFile {
public:
    enum Format { unknown, png, ppm };

    // The encoders' threads unless told otherwise: as many as the machine runs at once.
    static unsigned MachineThreads();

    // By the file name's extension, in any letter case: ".png" or ".ppm".
    static Format FormatOf(const std::string& path);

    // The formats a picture can be written in, in the order a chooser lists them: the name a
    // user is shown and the extension (lower case, with its dot) that makes a file one.
    struct FormatInfo {
        Format format;
        const char* name;
        const char* extension;
    };
    static const std::vector<FormatInfo>& Formats();

    // Encodes the picture into the writer's file; the caller commits it. False, with the
    // reason, when the picture has no planes or the encoder or the file failed. A PNG is
    // deflated on up to threads threads (the calling one among them); the file is the same
    // for any number.
    static bool Encode(const CImage& image, Format format, CAtomicFileWriter& writer,
                       std::string& error, unsigned threads = MachineThreads());
    // The same into an open stream (standard output, say); messages call it name (quoted as it
    // should appear). The caller flushes the stream and checks it.
    static bool Encode(const CImage& image, Format format, std::FILE* file, const std::string& name,
                       std::string& error, unsigned threads = MachineThreads());

    // The PNG encoding itself, into an open writer: the filtered rows deflated in bands on
    // threads when they take at most wholeLimit bytes, else row by row through a stream on
    // the calling thread (slower, with little memory). False, with the reason, when the
    // encoder or the file failed.
    static constexpr std::size_t kWholeLimit = std::size_t{256} << 20;
    static bool EncodePng(const CImage& image, CAtomicFileWriter& writer, std::string& error,
                          std::size_t wholeLimit = kWholeLimit,
                          unsigned threads = MachineThreads());

    // The whole of writing a picture file: the format by the extension, then the file put in
    // place atomically. False, with the reason, and any old file untouched, on failure.
    static bool Write(const CImage& image, const std::string& path, std::string& error,
                      unsigned threads = MachineThreads());
};
