// The command line of tarvik-devsim.
#pragma once

#include <string>
#include <vector>

#include "sim/config.h"

namespace devsim {

struct ProgramOptions {
  Config device;
  std::string port;      // "COM<n>"; empty: the first COM<n> that is free in the ports folder
  std::string portsDir;  // empty: the updater's (PortsFolder)
  std::string dumpHex, dumpBin, transcript, report;
  std::string replay;    // a headless tool's trace whose device side is played instead
  std::string load;      // an earlier --dump: device 1's memory at start
  bool help = false;
};

struct ParsedOptions {
  bool ok = false;
  ProgramOptions options;
  std::string error;  // what was wrong, for the user
};

// Parses the arguments after the program name.
ParsedOptions ParseOptions(const std::vector<std::string>& args);

std::string HelpText();

// The ports folder: the option (trailing slashes removed), else the folder the updater looks
// in (serial/port_names.h); empty when there is none.
std::string PortsFolder(const std::string& option);

// The file of one device: the name itself for a single device, else the name with ".<k>".
std::string DeviceFileName(const std::string& name, int device, int deviceCount);

}  // namespace devsim
