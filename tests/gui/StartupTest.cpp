// The desktop program as a process: what its command line does before any window is shown.
#include "TestFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {
struct Outcome {
    int status = -1;
    std::string errors;
};

Outcome RunLumo(const std::string& arguments) {
    std::string errors = TestPath("errors");
    std::string command = std::string(LUMO_EXE) + " " + arguments + " 2>" + errors;
    int raw = std::system(command.c_str());
    Outcome outcome;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (std::FILE* file = std::fopen(errors.c_str(), "r")) {
        char line[1024];
        while (std::fgets(line, sizeof line, file))
            outcome.errors += line;
        std::fclose(file);
    }
    return outcome;
}

TEST(Startup, AScriptThatCannotBeReadEndsWithOneLineAndStatusOne) {
    Outcome outcome = RunLumo("/nonexistent/scene.lmo");
    EXPECT_EQ(1, outcome.status);
    EXPECT_EQ("lumo: cannot read '/nonexistent/scene.lmo': No such file or directory\n",
              outcome.errors);
}
} // namespace
