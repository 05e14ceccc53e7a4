#include "cli/cli_view.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "catalogue/catalogue.h"
#include "catalogue/version_listing.h"
#include "cli/options.h"
#include "engine/view.h"
#include "platform/waiting.h"
#include "protocol/chip.h"
#include "protocol/decoder.h"
#include "protocol/frames.h"
#include "protocol/run.h"
#include "serial/channel.h"
#include "serial/port_names.h"

namespace {

using nlohmann::json;

enum class Phase { Idle, Search, Program, Eeprom };

// The view's state: its options, where the update is, and the device being updated.
struct ViewState {
  CliViewOptions options;
  FILE* human = stdout;
  bool terminal = false;    // the human stream is a terminal: the progress line rewrites itself
  int64_t startUs = 0;
  Phase phase = Phase::Idle;
  int64_t phaseStartUs = 0;
  int lastPercent = -1;     // JSON progress events: one per whole per cent
  int lastTenth = -1;       // plain progress lines: one per ten per cent
  int64_t lastDrawUs = 0;   // the terminal line is redrawn at most every 100 ms
  bool lineOpen = false;    // a terminal progress line waits for its end
  std::string portName;    // the port as the user named it
  int barPosition = 0;
  int barMaximum = 0;
  int32_t framesAtPhase = 0;  // EEPROM progress: one frame a byte
  std::map<std::string, std::string> shown;  // the last text of each place
  std::string message;      // the last result or message text: the system's result text
  // What a result counts from: the search's start, then the device's answer.
  int64_t sinceUs = 0;
  int32_t framesSince = 0, resendsSince = 0;
  int64_t bytesOutSince = 0, bytesInSince = 0;
  std::vector<DeviceResult> results;
};
ViewState state;

int64_t Now() { return MonotonicUs(); }
double Seconds(int64_t us) { return static_cast<double>(us) / 1e6; }

// One JSON Lines event: the schema version, the event's kind and its time first.
void Emit(const json& fields) {
  if (!state.options.json) return;
  nlohmann::ordered_json event;
  event["v"] = 1;
  event["event"] = fields.value("event", "");
  event["t"] = Seconds(Now() - state.startUs);
  for (const auto& [key, value] : fields.items())
    if (key != "event") event[key] = value;
  std::fprintf(stdout, "%s\n", event.dump(-1, ' ', false, json::error_handler_t::replace).c_str());
  std::fflush(stdout);
}

void EndLine() {
  if (!state.lineOpen) return;
  std::fputc('\n', state.human);
  std::fflush(state.human);
  state.lineOpen = false;
}

void Human(const std::string& text, bool evenWhenQuiet = false) {
  if (state.options.quiet && !evenWhenQuiet) return;
  EndLine();
  std::fprintf(state.human, "%s\n", text.c_str());
  std::fflush(state.human);
}

std::string Clock(int64_t us) {
  const long s = static_cast<long>(us / 1000000);
  char text[48];
  std::snprintf(text, sizeof text, "%02ld:%02ld", s / 60, s % 60);
  return text;
}

// A chip's name, as its label says it after "Found ".
std::string ChipName(const char* label) {
  const std::string text = label != nullptr ? label : "";
  const std::string found = "Found ";
  return text.rfind(found, 0) == 0 ? text.substr(found.size()) : text;
}

const char* PhaseName(Phase phase) {
  switch (phase) {
    case Phase::Search: return "search";
    case Phase::Program: return "program";
    case Phase::Eeprom: return "eeprom";
    default: return "idle";
  }
}

// Progress of the writing phases in bytes: the bar counts device addresses while the image
// goes out, bytes while the EEPROM does.
void ProgressBytes(int64_t* done, int64_t* total) {
  if (state.phase == Phase::Program) {
    *total = ProgramLength;
    *done = std::min<int64_t>(int64_t{state.barPosition} * AddressUnit, ProgramLength);
  } else {
    *total = state.barMaximum;
    *done = std::min<int64_t>(FramesSent - state.framesAtPhase, state.barMaximum);
  }
}

void ShowWritingProgress() {
  int64_t done = 0, total = 0;
  ProgressBytes(&done, &total);
  if (total <= 0) return;
  const int percent = static_cast<int>(done * 100 / total);
  if (percent != state.lastPercent) {
    state.lastPercent = percent;
    Emit({{"event", "progress"}, {"phase", PhaseName(state.phase)}, {"done", done}, {"total", total}});
  }
  if (state.options.quiet) return;
  const int64_t now = Now();
  const int64_t elapsed = now - state.phaseStartUs;
  const char* name = state.phase == Phase::Program ? "Program" : "EEPROM ";
  if (state.terminal) {
    if (now - state.lastDrawUs < 100000 && done < total) return;
    state.lastDrawUs = now;
    const int width = 24;
    const int filled = static_cast<int>(done * width / total);
    const std::string bar = std::string(filled, '#') + std::string(width - filled, '.');
    const int64_t left = done > 0 ? elapsed * (total - done) / done : 0;
    std::fprintf(state.human, "\r%s [%s] %3d%%  %lld/%lld bytes  %s  left %s  ", name, bar.c_str(),
                 percent, static_cast<long long>(done), static_cast<long long>(total),
                 Clock(elapsed).c_str(), Clock(left).c_str());
    std::fflush(state.human);
    state.lineOpen = true;
  } else if (percent / 10 != state.lastTenth) {
    state.lastTenth = percent / 10;
    std::fprintf(state.human, "%s %3d%%  %lld/%lld bytes  %s\n", name, state.lastTenth * 10,
                 static_cast<long long>(done), static_cast<long long>(total),
                 Clock(elapsed).c_str());
    std::fflush(state.human);
  }
}

void ShowSearchProgress() {
  if (state.options.quiet || !state.terminal) return;
  const int64_t now = Now();
  if (now - state.lastDrawUs < 250000) return;
  state.lastDrawUs = now;
  std::fprintf(state.human, "\rSearch   waiting for the device to answer (reset it now)  %s  ",
               Clock(now - state.phaseStartUs).c_str());
  std::fflush(state.human);
  state.lineOpen = true;
}

void EnterPhase(Phase phase) {
  EndLine();
  state.phase = phase;
  state.phaseStartUs = Now();
  state.lastPercent = -1;
  state.lastTenth = -1;
  state.lastDrawUs = 0;
  state.framesAtPhase = FramesSent;
}

// A text the engine shows: one status event per change of a place's text; the human text
// leaves out what the progress line already says.
void Shown(const char* place, const char* text, bool result, const uint32_t* colour) {
  const std::string t = text != nullptr ? text : "";
  if (std::string(place) == "message") state.message = t;
  auto& last = state.shown[place];
  const bool changed = last != t;
  last = t;
  if (!changed && !result) return;
  json event = {{"event", "status"}, {"place", place}, {"text", t}};
  if (result) event["result"] = true;
  if (colour != nullptr) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", *colour);  // the program's 0x00BBGGRR encoding
    event["colour"] = hex;
  }
  Emit(event);
  const bool counting = state.phase != Phase::Idle;
  const std::string trimmed = t.find_first_not_of(' ') == std::string::npos ? "" : t;
  if (trimmed.empty() || (counting && !result && std::string(place) == "message")) return;
  if (std::string(place) == "port") return;  // the start line names the port
  Human(t);
}

void OnShowResult(const char* text, uint32_t colour) { Shown("message", text, true, &colour); }
void OnShowProgress(const char* text, uint32_t colour) { Shown("message", text, false, &colour); }

const char* PlaceOf(StatusPanelEntry entry) {
  switch (entry) {
    case PortPanel: return "port";
    case MessagePanel: return "message";
    case DevicePanel: return "device";
    case ExtraPanel: return "extra";
  }
  return "message";
}

void OnSetStatusText(StatusBarHandle bar, StatusPanelEntry entry, const char* text) {
  if (bar == StatusBarHandle::None) return;
  Shown(PlaceOf(entry), text, false, nullptr);
  if (state.phase == Phase::Search) ShowSearchProgress();
}

void OnShowPortStatus(StatusBarHandle bar, const char* text) {
  if (bar == StatusBarHandle::None) return;
  char device[512] = "";
  PortDevicePath(CurrentPort, device, sizeof device);
  const std::string name = state.portName.empty() ? std::string(text) : state.portName;
  if (state.shown["port"] != name) Emit({{"event", "port"}, {"port", name}, {"device", device}});
  Shown("port", name.c_str(), false, nullptr);
}

void OnSetUpdaterStatusText(StatusPanelEntry, const char* text) {
  Shown("updater", text, false, nullptr);
}

int OnErrorBox(const char* text, const char* caption, int) {
  Emit({{"event", "status"}, {"place", "box"}, {"text", text}, {"caption", caption}});
  Human(std::string(caption) + ": " + text, true);
  return 0;
}

void OnSetBarPosition(BarHandle, int position) {
  // A bar set back to 0 after it moved ends the phase; the next step says what follows.
  if (position == 0 && state.lastPercent > 0) return;
  state.barPosition = position;
  if (state.phase == Phase::Program || state.phase == Phase::Eeprom) ShowWritingProgress();
}

void OnSetBarMaximum(BarHandle, int maximum) { state.barMaximum = maximum; }

// The counters a result reports from: from the search's start, then from the device's answer.
void TakeCounters() {
  state.sinceUs = Now();
  state.framesSince = FramesSent;
  state.resendsSince = FramesResent;
  state.bytesOutSince = LineBytesOut;
  state.bytesInSince = LineBytesIn;
}

void DeviceFound() {
  TakeCounters();
  const DeviceInfoRecord& d = DeviceInfo;
  const char* label = ChipLabel(d.chipCode);
  json event = {{"event", "device"},     {"chip", HexByte(d.chipCode)},
                {"bootloader", d.bootVersion}, {"vRecord", VRecordSeen},
                {"board", d.boardId},    {"boardName", BoardName(d.boardId)},
                {"preparation", d.preparation}};
  event["label"] = label != nullptr ? json(ChipName(label)) : json(nullptr);
  Emit(event);
  char line[160];
  std::snprintf(line, sizeof line, "Device: chip %s (%s), bootloader %d, board %s, preparation 0x%02x",
                HexByte(d.chipCode).c_str(), label != nullptr ? ChipName(label).c_str() : "unknown",
                d.bootVersion, BoardName(d.boardId), d.preparation);
  if (!VRecordSeen)
    std::snprintf(line, sizeof line, "Device: chip %s (old bootloader, no identification record)",
                  HexByte(d.chipCode).c_str());
  Human(line);
}

int CodeOf(RunEnd end) {
  switch (end) {
    case RunEnd::Programmed:
    case RunEnd::AlreadyWritten: return ExitProgrammed;
    case RunEnd::Refused: return ExitRefused;
    case RunEnd::Failed: return ExitFailed;
    case RunEnd::Aborted: return ExitInterrupted;
    case RunEnd::None: break;
  }
  return ExitFailed;
}

const char* Meaning(int code) {
  switch (code) {
    case ExitProgrammed: return "programmed";
    case ExitPortUnusable: return "port not usable";
    case ExitNoDevice: return "no device answered";
    case ExitRefused: return "refused, the device is untouched";
    case ExitFailed: return "failed while writing, the device holds a partial image";
    case ExitInterrupted: return "interrupted";
    default: return "";
  }
}

void Result(int code) {
  DeviceResult r;
  r.code = code;
  r.text = state.message;
  r.elapsedSeconds = Seconds(Now() - state.sinceUs);
  r.frames = FramesSent - state.framesSince;
  r.resends = FramesResent - state.resendsSince;
  r.bytesOut = LineBytesOut - state.bytesOutSince;
  r.bytesIn = LineBytesIn - state.bytesInSince;
  state.results.push_back(r);
  EnterPhase(Phase::Idle);
  Emit({{"event", "result"}, {"ok", code == ExitProgrammed}, {"code", code}, {"text", r.text},
        {"meaning", Meaning(code)}, {"elapsed", r.elapsedSeconds}, {"frames", r.frames},
        {"resends", r.resends}, {"bytesOut", r.bytesOut}, {"bytesIn", r.bytesIn},
        {"device", static_cast<int>(state.results.size())}});
  char line[256];
  std::snprintf(line, sizeof line, "Result: %s (exit %d: %s; %.1f s, %d frames, %d re-sends, %lld bytes out, %lld in)",
                r.text.c_str(), code, Meaning(code), r.elapsedSeconds, r.frames, r.resends,
                static_cast<long long>(r.bytesOut), static_cast<long long>(r.bytesIn));
  Human(line, true);
}

// The writing phase went to its end: its progress shows it complete (the last block and
// the final block move no bar).
void CompletePhase() {
  if (state.phase == Phase::Program) state.barPosition = state.barMaximum;
  if (state.phase == Phase::Program || state.phase == Phase::Eeprom) {
    state.lastDrawUs = 0;
    ShowWritingProgress();
  }
}

void OnShowStep(EngineStep step) {
  switch (step) {
    case EngineStep::Searching:
      EnterPhase(Phase::Search);
      TakeCounters();
      Emit({{"event", "search"}, {"port", state.shown["port"]}});
      Human("Searching on " + state.shown["port"] + ": reset or power the device now");
      break;
    case EngineStep::DeviceFound:
      EnterPhase(Phase::Idle);
      DeviceFound();
      break;
    case EngineStep::Writing: EnterPhase(Phase::Program); break;
    case EngineStep::WritingEeprom:
      CompletePhase();
      EnterPhase(Phase::Eeprom);
      break;
    case EngineStep::RunEnded:
      if (LastRunEnd == RunEnd::Programmed) CompletePhase();
      if (LastRunEnd == RunEnd::AlreadyWritten) {
        Human("Already written since the start: not written again");
        EnterPhase(Phase::Idle);
      } else {
        Result(CodeOf(LastRunEnd));
      }
      break;
  }
}

void OnSetBusy() {}
void OnSetIdle() {}
void OnSetPlainMark(uint8_t) {}
void OnShowDeviceInfo() {}
void OnSetBarSmooth(BarHandle, bool) {}
void OnSetBarState(BarHandle, BarState) {}
void OnHideUpdaterResult() {}

const EngineView cliView = {
    OnShowResult,     OnShowProgress,    OnSetPlainMark,    OnSetBusy,
    OnSetIdle,        OnSetStatusText,   OnShowDeviceInfo,  OnShowPortStatus,
    OnErrorBox,       OnSetBarPosition,  OnSetBarMaximum,   OnSetBarSmooth,
    OnSetBarState,    OnSetUpdaterStatusText, OnHideUpdaterResult, OnShowStep,
};

}  // namespace

void InstallCliView(const CliViewOptions& options) {
  state = ViewState{};
  state.options = options;
  state.human = options.json ? stderr : stdout;
  state.terminal = isatty(fileno(state.human)) != 0;
  state.startUs = Now();
  TakeCounters();
  InstallEngineView(&cliView);
}

void ReportStart(const std::string& tool, const std::string& port, const std::string& device) {
  const char* window = "";
  switch (RunningWindow) {
    case EngineWindow::Loader: window = "Loader"; break;
    case EngineWindow::Upgrade: window = "Upgrade"; break;
    case EngineWindow::Updater: window = "Updater"; break;
    case EngineWindow::None: break;
  }
  state.portName = port;
  Emit({{"event", "start"}, {"tool", tool}, {"window", window}, {"port", port}, {"device", device}});
  Human(tool + " as the " + window + " window, port " + port +
        (device.empty() || device == port ? "" : " (" + device + ")"));
}

void ReportNote(const std::string& text) { Human(text); }

void ReportListed(const std::string& kind, const std::string& text, nlohmann::json fields) {
  fields["event"] = kind;
  Emit(std::move(fields));
  Human(text, true);
}

void ReportFailure(const std::string& text) {
  Emit({{"event", "error"}, {"text", text}});
  Human(text, true);
}

void ReportOutcome(int code) { Result(code); }

const std::vector<DeviceResult>& DeviceResults() { return state.results; }

void ReportSummary(int code, bool interrupted) {
  std::map<int, int> byCode;
  int programmed = 0;
  for (const DeviceResult& r : state.results) {
    ++byCode[r.code];
    if (r.code == ExitProgrammed) ++programmed;
  }
  json counts = json::object();
  for (const auto& [c, n] : byCode) counts[std::to_string(c)] = n;
  const int total = static_cast<int>(state.results.size());
  Emit({{"event", "summary"}, {"devices", total}, {"programmed", programmed},
        {"failed", total - programmed}, {"byCode", counts}, {"interrupted", interrupted},
        {"code", code}});
  std::string line = "Summary: " + std::to_string(total) + " device(s), " +
                     std::to_string(programmed) + " programmed, " +
                     std::to_string(total - programmed) + " failed";
  for (const auto& [c, n] : byCode)
    if (c != ExitProgrammed) line += "; " + std::to_string(n) + " " + Meaning(c);
  Human(line + (interrupted ? " (stopped)" : ""), true);
}

void EndProgressLine() { EndLine(); }

std::string HexByte(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", value & 0xFF);
  return text;
}
