#pragma once

#include "render/ImageFile.h"
#include "render/RenderOptions.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

class CCommandLine;
class CLumoDoc;

// Exit statuses of lumo-render.
enum : int {
    kExitOk = 0,
    kExitFailed = 1, // a file could not be read or written, or the script does not parse
    kExitUsage = 2,  // a bad option, value or size (0, negative, more than the memory holds)
};

// The whole of lumo-render: parses the arguments (without the program name), loads the scene,
// saves its script and renders it into the image file as asked. Summaries go to out, message
// boxes, the progress bar and errors to err. Returns the exit status.
int RunLumoRender(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// How a SCRIPT argument becomes the scene: a scene file (known by its first line) whole, any
// other text through the script grammar (the document's ParseScript). False, with the reason,
// when the file cannot be read or does not parse.
// The script's bytes go to bytes when given (a part's hash covers them).
bool ReadSceneScript(CLumoDoc& document, const std::string& path, std::string& error,
                     std::string* bytes = nullptr);
// The document's load path (the keyword loader of File > Open), which --load always takes.
bool LoadSceneScript(CLumoDoc& document, const std::string& path, std::string& error,
                     std::string* bytes = nullptr);

// lumo-render --join: the parts of the command line put together into the picture, written as
// a render's picture is. Returns the exit status.
int RunJoin(const CCommandLine& commandLine, std::FILE* out, std::FILE* err);

// The pieces of lumo-render that lumo-mpi shares.

// What messages call a SCRIPT argument: its path, or "<stdin>" for standard input.
std::string ScriptName(const std::string& path);
// A script's whole text, from its file or (for "-") from standard input.
bool ReadScriptText(const std::string& path, std::string& text, std::string& error);
// A size from the command line, else from the profile's key (with the desktop's default).
// False, with the reason, when the profile's value cannot make an image file.
bool ResolveSize(const char* what, const char* key, int fallback, std::optional<int> given,
                 int& size, std::string& error);
// The most pixels a picture may have on this machine (CPictureSize's limit for its planes).
std::uint64_t MaxPicturePixels();
// False, with the reason, for a --region beyond the picture or a part that is not an 8-bit PNG
// or a PPM.
bool RegionFits(const RenderRegion& region, CImageFile::Format format, int width, int height,
                std::string& error);
// Standard output flushed; false, with the reason, when it could not take everything.
bool Flushed(std::FILE* out, std::string& error);
// The summary's start: where the picture went (in full) and its size, "PATH: W x H pixels".
std::string PictureSummary(const std::string& output, bool toStandardOutput, int width, int height);
