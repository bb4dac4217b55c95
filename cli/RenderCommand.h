#pragma once

#include <cstdio>
#include <string>
#include <vector>

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
bool ReadSceneScript(CLumoDoc& document, const std::string& path, std::string& error);
// The document's load path (the keyword loader of File > Open), which --load always takes.
bool LoadSceneScript(CLumoDoc& document, const std::string& path, std::string& error);
