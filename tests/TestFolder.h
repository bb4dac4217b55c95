#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

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
