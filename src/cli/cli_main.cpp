// Entry point of a release's headless tool.
#include "cli/session.h"

int main(int argc, char** argv) { return RunCli(argc, argv); }
