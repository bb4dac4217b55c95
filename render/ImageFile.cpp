#include "render/ImageFile.h"

#include "core/Image.h"
#include "platform/AtomicFileWriter.h"

#include <png.h>

#include <cctype>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

std::string LowerExtension(const std::string& path) {
    // From the last dot of the file's name on; a name that starts with its only dot (".png")
    // counts as an extension too.
    std::string name = std::filesystem::path(path).filename().string();
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return "";
    std::string extension = name.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// One row of the three planes interleaved as RGB.
void InterleaveRow(const CImage& image, int y, std::uint8_t* row) {
    std::size_t width = static_cast<std::size_t>(image.GetWidth());
    std::size_t offset = static_cast<std::size_t>(y) * width;
    const std::uint8_t* red = image.GetRedPlane() + offset;
    const std::uint8_t* green = image.GetGreenPlane() + offset;
    const std::uint8_t* blue = image.GetBluePlane() + offset;
    for (std::size_t x = 0; x < width; ++x) {
        row[3 * x] = red[x];
        row[3 * x + 1] = green[x];
        row[3 * x + 2] = blue[x];
    }
}

bool EncodePpm(const CImage& image, std::FILE* file, std::uint8_t* row) {
    std::string header = "P6\n" + std::to_string(image.GetWidth()) + " " +
                         std::to_string(image.GetHeight()) + "\n255\n";
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size())
        return false;
    std::size_t rowBytes = 3 * static_cast<std::size_t>(image.GetWidth());
    for (int y = 0; y < image.GetHeight(); ++y) {
        InterleaveRow(image, y, row);
        if (std::fwrite(row, 1, rowBytes, file) != rowBytes)
            return false;
    }
    return true;
}

struct PngErrors {
    char message[256];
};

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
    auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
    std::snprintf(errors->message, sizeof errors->message, "%s", message);
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp, so nothing here may need a destructor: the row buffer
// belongs to the caller.
bool EncodePng(const CImage& image, std::FILE* file, std::uint8_t* row, PngErrors& errors) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors, PngError, PngWarning);
    if (!png) {
        std::snprintf(errors.message, sizeof errors.message, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(errors.message, sizeof errors.message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.GetWidth()),
                 static_cast<png_uint_32>(image.GetHeight()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.GetHeight(); ++y) {
        InterleaveRow(image, y, row);
        png_write_row(png, row);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

CImageFile::Format CImageFile::FormatOf(const std::string& path) {
    std::string extension = LowerExtension(path);
    if (extension == ".png")
        return png;
    if (extension == ".ppm")
        return ppm;
    return unknown;
}

bool CImageFile::Encode(const CImage& image, Format format, CAtomicFileWriter& writer,
                        std::string& error) {
    if (!writer.IsOk()) {
        error = writer.GetError();
        return false;
    }
    return Encode(image, format, writer.GetFile(), "'" + writer.GetTargetPath() + "'", error);
}

bool CImageFile::Encode(const CImage& image, Format format, std::FILE* file,
                        const std::string& name, std::string& error) {
    if (!image.HasPlanes() || image.GetWidth() <= 0 || image.GetHeight() <= 0) {
        error = "cannot write " + name + ": the picture is empty";
        return false;
    }
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(image.GetWidth()));
    switch (format) {
    case ppm:
        errno = 0;
        if (!EncodePpm(image, file, row.data())) {
            error = "cannot write " + name + ": " + std::strerror(errno ? errno : EIO);
            return false;
        }
        return true;
    case png: {
        PngErrors errors{};
        if (!EncodePng(image, file, row.data(), errors)) {
            error = "cannot write " + name + ": " + errors.message;
            return false;
        }
        return true;
    }
    case unknown:
        break;
    }
    error = "cannot write " + name + ": not a .png or .ppm file name";
    return false;
}

bool CImageFile::Write(const CImage& image, const std::string& path, std::string& error) {
    Format format = FormatOf(path);
    if (format == unknown) {
        error = "cannot tell the image format of '" + path + "': name it .png or .ppm";
        return false;
    }
    CAtomicFileWriter writer(path);
    if (!writer.IsOk()) {
        error = writer.GetError();
        return false;
    }
    if (!Encode(image, format, writer, error))
        return false;
    if (!writer.Commit()) {
        error = writer.GetError();
        return false;
    }
    return true;
}
