// lumo-render's option parsing over arbitrary argument lists: the input is split at NUL bytes
// into arguments.
#include "cli/CommandLine.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (!current.empty())
        args.push_back(current);

    CCommandLine commandLine;
    std::string error;
    bool ok = CCommandLine::Parse(args, commandLine, error);
    // A refusal always says why, on one line; an acceptance leaves no reason behind.
    if (ok != error.empty())
        std::abort();
    if (!ok && error.find('\n') != std::string::npos && error.find('\n') != error.size() - 1)
        std::abort();
    if (ok) {
        // Accepted sizes can always make an image; thread counts are bounded.
        if ((commandLine.m_width && *commandLine.m_width < 1) ||
            (commandLine.m_height && *commandLine.m_height < 1))
            std::abort();
        if (commandLine.m_threads &&
            (*commandLine.m_threads < 1 || *commandLine.m_threads > CCommandLine::kMaxThreads))
            std::abort();
        if (commandLine.m_load && commandLine.m_script.empty() &&
            commandLine.m_action == CCommandLine::render)
            std::abort();
        if (commandLine.OutputPath().empty())
            std::abort();
        if (commandLine.m_depth != 8 && commandLine.m_depth != 16)
            std::abort();
    }
    return 0;
}
