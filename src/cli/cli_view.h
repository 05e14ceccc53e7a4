// The headless tool's view of the engine, and what the tool reports of its own.
//
// Human text: a line for each step and each text worth reading, and a progress line that
// rewrites itself on a terminal (one plain line per phase and per ten per cent otherwise).
// It goes to standard output, or to standard error with JSON Lines, which then go to
// standard output, one event a line (the schema is in the README).
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

struct CliViewOptions {
  bool json = false;
  bool quiet = false;  // no human text but results, the summary and errors
};

// How one device ended, for its result line, the summary and the exit code.
struct DeviceResult {
  int code = 0;       // exit code of this device's outcome
  std::string text;   // the system's result text ("Program OK", " CHK Error !! " ...)
  double elapsedSeconds = 0;
  int frames = 0;
  int resends = 0;
  int64_t bytesOut = 0;
  int64_t bytesIn = 0;
};

// Installs the view. The session installs its own message pump.
void InstallCliView(const CliViewOptions& options);

// The tool starts: which release, which window it behaves as, which port (named from now on
// as the user named it).
void ReportStart(const std::string& tool, const std::string& port, const std::string& device);
// One line of a listing (--list-ports, --list-images): its human text, and with JSON an
// event of the kind with the fields.
void ReportListed(const std::string& kind, const std::string& text, nlohmann::json fields);
// A human line of the tool's own (nothing with --quiet).
void ReportNote(const std::string& text);
// A failure of the tool itself (a bad port name, a trace file it cannot write).
void ReportFailure(const std::string& text);
// An outcome found outside a run (no device, port not usable, interrupted while searching):
// its result line, with the system's text shown last.
void ReportOutcome(int code);
// The devices ended so far, in order (one per run the engine ended).
const std::vector<DeviceResult>& DeviceResults();
// The end of a --repeat session: counts by outcome; the exit code it ends with.
void ReportSummary(int code, bool interrupted);
// Any open progress line is ended, so that what follows starts on a line of its own.
void EndProgressLine();

// A byte as the tool writes chip codes: "0x48".
std::string HexByte(unsigned value);
