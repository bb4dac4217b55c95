#pragma once

#include <cstdio>

// The whole of lumo-mpi, on one rank of an MPI job: starts MPI, renders the picture with the
// other ranks as lumo-render's arguments (argv) ask, and ends MPI. Rank 0 writes the summary to
// out, and the messages, the progress bar and errors to err. Returns the exit status.
int RunLumoMpi(int argc, char** argv, std::FILE* out, std::FILE* err);
