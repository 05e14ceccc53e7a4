#include "cli/session.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <csignal>
#include <cstdio>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/version_listing.h"
#include "cli/cli_view.h"
#include "cli/options.h"
#include "cli/trace.h"
#include "engine/engine.h"
#include "platform/serial_device.h"
#include "platform/waiting.h"
#include "protocol/chip.h"
#include "protocol/decoder.h"
#include "protocol/search.h"
#include "serial/channel.h"
#include "serial/port_discovery.h"
#include "serial/port_names.h"
#include "startup/identity.h"
#include "startup/settings.h"

namespace {

// The handles the engine is given: the tool draws one bar of its own, whatever the engine
// names.
constexpr BarHandle MainBar = BarHandle{1};
constexpr BarHandle ImageBar = BarHandle{2};
constexpr StatusBarHandle MainStatusBar = StatusBarHandle{1};

// Ctrl-C and SIGTERM (on Windows Ctrl-C, Ctrl-Break and closing the console): the first is
// the STOP button, a second ends the tool at once.
volatile sig_atomic_t stopSignals = 0;
bool stopDelivered = false;

#ifdef _WIN32
BOOL WINAPI OnConsoleStop(DWORD) {
  if (stopSignals == 0) {
    stopSignals = 1;
    return TRUE;
  }
  ExitProcess(ExitInterrupted);
}
#else
void OnStopSignal(int) {
  if (stopSignals == 0) {
    stopSignals = 1;
    return;
  }
  // A pty keeps the exclusive mode past our end unless it is cleared.
  const SerialHandle h = CurrentPortHandle();
  if (h >= 0) ioctl(h, TIOCNXCL);
  _exit(ExitInterrupted);
}
#endif

// The tool's message pump: a stop signal becomes the user's stop, once.
void PumpStop() {
  if (stopSignals == 0 || stopDelivered) return;
  stopDelivered = true;
  AbortRequested = true;
}

bool Stopped() { return stopSignals != 0; }

void CatchStopSignals() {
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleStop, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

EngineWindow WindowOfRelease() {
  switch (ChooseVariant(ProductIdentity())) {
    case Variant::Loader: return EngineWindow::Loader;
    case Variant::Upgrade: return EngineWindow::Upgrade;
    case Variant::Updater: break;
  }
  return EngineWindow::Updater;
}

// The port the release's main window starts on: its remembered port.
int16_t RememberedPort(EngineWindow window) {
  switch (window) {
    case EngineWindow::Loader: LoadRememberedPortLoader(); break;
    case EngineWindow::Upgrade: LoadRememberedPort(UpgradeSettings); break;
    default: LoadRememberedPort(UpdaterSettings); break;
  }
  return CurrentPort;
}

// Selects the port the tool runs on; false (reported) when the name is no port.
bool SelectPort(const CliOptions& options, EngineWindow window, std::string* name) {
  if (options.port.empty()) {
    const int16_t port = RememberedPort(window);
    *name = port >= 0 ? "COM" + std::to_string(port + 1) : "-----";
    UsePort(port);
    return true;
  }
  *name = options.port;
  const int index = ComNameIndex(options.port.c_str());
  if (index >= 0 && index < MaxPortIndex) {
    UsePort(static_cast<int16_t>(index));
    return true;
  }
  if (options.port.find_first_of("/\\") == std::string::npos) {
    ReportFailure("not a port: " + options.port + " (give COM<n> or a device path)");
    return false;
  }
  // A device path takes the one index no COM name reaches.
  AssignPortDevice(MaxPortIndex, options.port.c_str());
  UsePort(MaxPortIndex);
  return true;
}

std::string DevicePathOfCurrentPort() {
  char path[512] = "";
  return PortDevicePath(CurrentPort, path, sizeof path) == 0 ? path : "";
}

void ListPorts() {
  std::vector<PortCandidate> ports;
  SystemPortEnumeration(&ports);
  if (ports.empty()) ReportNote("No serial port found.");
  for (const PortCandidate& p : ports)
    ReportListed("listed-port", p.portName + "  " + p.devicePath + "  " + p.description,
                 {{"port", p.portName}, {"device", p.devicePath}, {"description", p.description}});
}

void ListImages() {
  for (const std::string& line : VersionListing())
    ReportListed("listing", line, {{"line", line}});
  for (int row = 0; row < CatalogueRows; ++row) {
    for (int slot = 0; slot < ChipSlots; ++slot) {
      const ImageSlot& s = ImageCatalogue[row][slot];
      if (s.imageLength <= 1) continue;
      std::string chips;
      nlohmann::json codes = nlohmann::json::array();
      for (int code = 0; code < 256; ++code) {
        const char* label = ChipLabel(static_cast<uint8_t>(code));
        if (label == nullptr || SlotOfChip(static_cast<uint8_t>(code)) != slot) continue;
        chips += (chips.empty() ? "" : ", ") + HexByte(code) + " " + std::string(label).substr(6);
        codes.push_back(HexByte(code));
      }
      const int eeprom = s.eepromLength > 1 ? s.eepromLength : 0;
      char line[256];
      std::snprintf(line, sizeof line,
                    "slot %d  board %s  chip %s  image %d bytes  EEPROM %d bytes  final block %d "
                    "bytes  %s",
                    slot, row == 0 ? "any" : BoardName(row), chips.c_str(), s.imageLength, eeprom,
                    s.finalLength, s.plain != 0 ? "plain" : "masked");
      ReportListed("listed-image", line,
                   {{"slot", slot}, {"board", row}, {"chips", codes}, {"image", s.imageLength},
                    {"eeprom", eeprom}, {"final", s.finalLength}, {"plain", s.plain != 0}});
    }
  }
}

// Why the port could not be used, in words.
std::string PortProblem(const std::string& name) {
  switch (PortOpenResult) {
    case SerialBusy: return name + ": held by another program";
    case SerialDenied: return name + ": no permission (is the user in the dialout group?)";
    case SerialConfigFailed: return name + ": the device refused the line settings";
    case SerialNoDevice: return name + ": no such device";
    default: return name + ": cannot be opened";
  }
}

// The first failure's code, or 0 when every device was programmed.
int FirstFailure() {
  for (const DeviceResult& r : DeviceResults())
    if (r.code != ExitProgrammed) return r.code;
  return ExitProgrammed;
}

int UpdateOnce(const std::string& portName) {
  const int16_t found = UpdateDevices(MainBar, MainStatusBar, ImageBar);
  switch (found) {
    case SearchFound: return FirstFailure();
    case SearchPortUnusable:
      ReportFailure(PortProblem(portName));
      ReportOutcome(ExitPortUnusable);
      return ExitPortUnusable;
    case SearchNoDevice: ReportOutcome(ExitNoDevice); return ExitNoDevice;
    default: ReportOutcome(ExitInterrupted); return ExitInterrupted;
  }
}

int UpdateRepeatedly(const CliOptions& options, const std::string& portName) {
  const auto done = [&] {
    return options.count > 0 && static_cast<int>(DeviceResults().size()) >= options.count;
  };
  bool interrupted = false;
  while (!done()) {
    const int16_t found = UpdateDevices(MainBar, MainStatusBar, ImageBar);
    if (found == SearchAborted || Stopped()) {
      interrupted = true;
      break;
    }
    if (found == SearchPortUnusable) {
      if (DeviceResults().empty()) {
        ReportFailure(PortProblem(portName));
        ReportOutcome(ExitPortUnusable);
        break;
      }
      // The adapter may have gone with the board: wait for it to come back.
      ReportNote(PortProblem(portName) + "; trying again");
      PumpWait(1000);
      continue;
    }
    if (found == SearchNoDevice) continue;  // no one plugged in yet: search on
    if (done()) break;
    ReportNote("Waiting for the device to leave (unplug it or reset it into its firmware)");
    if (WaitUntilDeviceLeaves() == WaitAborted || Stopped()) {
      interrupted = true;
      break;
    }
    ReportNote("Ready for the next device");
  }
  int code = FirstFailure();
  if (code == ExitProgrammed && interrupted && options.count > 0 && !done()) code = ExitInterrupted;
  ReportSummary(code, interrupted);
  return code;
}

}  // namespace

int RunCli(int argc, char** argv) {
  CliOptions options;
  const int parsed = ParseCliOptions(argc, argv, &options);
  if (parsed >= 0) return parsed;

  InstallCliView({options.json, options.quiet});
  const EngineWindow window = WindowOfRelease();
  SetUpEngine(window);
  if (options.listPorts || options.listImages) {
    if (options.listImages) ListImages();
    if (options.listPorts) ListPorts();
    return ExitProgrammed;
  }

  std::string portName;
  if (!SelectPort(options, window, &portName)) return ExitUsage;
  const std::string tool = ToolName(argc > 0 ? argv[0] : nullptr);
  ReportStart(tool, portName, DevicePathOfCurrentPort());
  if (!options.trace.empty()) {
    std::string error;
    if (!StartTrace(options.trace, DisplayIdentity(), portName, &error)) {
      ReportFailure(error);
      return ExitUsage;
    }
  }
  CatchStopSignals();
  InstallMessagePump(PumpStop);

  const int code = options.repeat ? UpdateRepeatedly(options, portName) : UpdateOnce(portName);
  EndProgressLine();
  ClosePort(CurrentPort);
  EndTrace();
  return code;
}
