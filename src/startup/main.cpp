// Entry point of a release executable.
#include "startup/program.h"

int main(int argc, char** argv) { return RunProgram(argc, argv); }
