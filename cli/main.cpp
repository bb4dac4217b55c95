#include "cli/RenderCommand.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunLumoRender(args, stdout, stderr);
}
