// The headless tool's command line: what it is asked to do, and its exit codes.
#pragma once

#include <string>

// Exit codes, by outcome.
enum CliExit : int {
  ExitProgrammed = 0,
  ExitUsage = 2,
  ExitPortUnusable = 3,  // absent, held by another program, settings refused
  ExitNoDevice = 4,
  ExitRefused = 5,       // refused before anything was written: the device is untouched
  ExitFailed = 6,        // failed while writing: the device may hold part of the image
  ExitInterrupted = 130,
};

struct CliOptions {
  std::string port;  // "COM<n>" or a device path; empty: the port the main window remembers
  bool listPorts = false;
  bool listImages = false;
  bool json = false;
  bool repeat = false;
  int count = 0;  // with repeat: the devices to update; 0: until stopped
  std::string trace;
  bool quiet = false;
};

// The tool's file name, as it was started (argv[0] without its folder, on Windows too).
std::string ToolName(const char* argv0);

// Parses the arguments into *out. -1: go on. Otherwise the exit code: 0 after --help or
// --version (printed), ExitUsage after a message on standard error.
int ParseCliOptions(int argc, char** argv, CliOptions* out);
