// The command line of tarvik-devsim.
#pragma once

#include <string>
#include <vector>

#include "sim/config.h"

namespace devsim {

struct ProgramOptions {
  Config device;
  std::string port;      // "COM<n>"; empty: the first COM<n> that is free in the ports folder
  std::string portsDir;  // empty: from the environment (ResolvePortsDir)
  std::string dumpHex, dumpBin, transcript, report;
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

// The ports folder: the option, else $TARVIK_PORTS_DIR, else $XDG_CONFIG_HOME/tarvik/ports,
// else $HOME/.config/tarvik/ports. Empty or missing values count as unset.
std::string ResolvePortsDir(const std::string& option, const char* tarvikPortsDir,
                            const char* xdgConfigHome, const char* home);

// The file of one device: the name itself for a single device, else the name with ".<k>".
std::string DeviceFileName(const std::string& name, int device, int deviceCount);

}  // namespace devsim
