#include "mpi/MpiCommand.h"

#include <cstdio>

int main(int argc, char** argv) {
    return RunLumoMpi(argc, argv, stdout, stderr);
}
