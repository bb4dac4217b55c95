#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class CAtomicFileWriter;
class CFloatImage;
class CImage;

// The picture files Lumo writes. From the 8-bit picture: PNG (8-bit RGB) and binary PPM (P6).
// From the levels before they were quantised (CFloatImage), for the next tool in a chain:
// 16-bit PNG (RGB), each level clamped to 0..1, times 65535 and truncated as the 8-bit picture
// truncates (so the 16-bit value divided by 257 is the 8-bit picture's byte); and OpenEXR,
// linear half floats (R, G, B; ZIP compression), each level as it is, rounded to the nearest
// half, a level beyond the largest half (65504) taken as the largest and a NaN as 0.
class CImageFile {
public:
    enum Format { unknown, png, ppm, png16, exr };

    // Whether the format is made from the levels (png16, exr) rather than the 8-bit picture.
    static bool NeedsLevels(Format format) { return format == png16 || format == exr; }
    // A level as a 16-bit PNG and an OpenEXR file hold it (the half's bits).
    static std::uint16_t LevelTo16Bits(float level);
    static std::uint16_t LevelToHalf(float level);

    // The encoders' threads unless told otherwise: as many as the machine runs at once.
    static unsigned MachineThreads();

    // By the file name's extension, in any letter case: ".png", ".ppm" or ".exr" (a 16-bit PNG
    // is png16 by the caller's choice, never by its name).
    static Format FormatOf(const std::string& path);

    // The formats a picture can be written in, in the order a chooser lists them: the name a
    // user is shown, the extension (lower case, with its dot) that makes a file one, and a word
    // that names the format in settings.
    struct FormatInfo {
        Format format;
        const char* name;
        const char* extension;
        const char* key;
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
    // The same for the 16-bit PNG of the levels.
    static bool EncodePng(const CFloatImage& levels, CAtomicFileWriter& writer, std::string& error,
                          std::size_t wholeLimit = kWholeLimit,
                          unsigned threads = MachineThreads());

    // The whole of writing a picture file: the format by the extension, then the file put in
    // place atomically. False, with the reason, and any old file untouched, on failure.
    static bool Write(const CImage& image, const std::string& path, std::string& error,
                      unsigned threads = MachineThreads());

    // The formats made from the levels (png16, exr), as the picture's Encode and Write do. An
    // OpenEXR file is written with seeks, so it goes into a writer's file and never into a
    // stream.
    static bool Encode(const CFloatImage& levels, Format format, CAtomicFileWriter& writer,
                       std::string& error, unsigned threads = MachineThreads());
    static bool Encode(const CFloatImage& levels, Format format, std::FILE* file,
                       const std::string& name, std::string& error,
                       unsigned threads = MachineThreads());
    static bool Write(const CFloatImage& levels, Format format, const std::string& path,
                      std::string& error, unsigned threads = MachineThreads());
};
