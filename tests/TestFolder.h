#pragma once

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>

// The folder that tests/TestEnvironment.cpp made for the running test.
inline std::string TestFolder() {
    const char* folder = std::getenv("LUMO_TEST_FOLDER");
    return folder ? folder : "/tmp";
}

inline std::string TestPath(const std::string& name) {
    return TestFolder() + "/" + name;
}

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

// Runs the action with writes limited to that many bytes per file: a write past the limit
// fails as it would on a full disk, for root too.
template <typename Action> void WithFileSizeLimit(unsigned long bytes, Action action) {
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit limit = old;
    limit.rlim_cur = bytes;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    action();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
}
