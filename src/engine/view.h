// The engine's view: everything the engine and the serial channel show goes through one
// table of functions that the front end installs (the windows, a terminal), in the same
// style as the serial and waiting backends. The engine never touches a control: it hands
// texts, colours and opaque handles to the view, and the view decides what they look like.
//
// With no view installed, or an operation left null, the operation does nothing.
#pragma once

#include <cstdint>

// A progress bar or status bar that the front end handed to the engine. Only the front end's
// view knows what a handle stands for; None stands for no bar.
enum class BarHandle : int32_t { None = 0 };
enum class StatusBarHandle : int32_t { None = 0 };

// The looks of the run's progress bar: running, searching (nothing written yet), failed.
enum class BarState { Normal, Paused, Error };

// Where an update is: the steps a front end may show beyond the texts (the windows show
// only the texts and the bar).
enum class EngineStep {
  Searching,      // probing for a device
  DeviceFound,    // a device answered: DeviceInfo holds its identification
  Writing,        // the image's blocks go out (bar: device addresses)
  WritingEeprom,  // the EEPROM bytes go out (bar: bytes)
  RunEnded,       // a programming run ended: LastRunEnd (protocol/run.h) says how
};

// Which main window runs the engine: it decides the probe byte and which texts go where.
// The front end sets it (the windows from the windows that exist, in the order Loader,
// Upgrade, Updater); None until then.
enum class EngineWindow { None, Loader, Upgrade, Updater };
extern EngineWindow RunningWindow;

// Entries of the panel table: which status-bar panel carries which kind of text.
enum StatusPanelEntry { PortPanel = 0, MessagePanel = 1, DevicePanel = 2, ExtraPanel = 3 };
// Panel index of each entry; 0, 1, 2, 3 at start; the Upgrade window's set-up makes
// DevicePanel 3.
extern int32_t StatusPanels[4];

struct EngineView {
  // The status channel.
  void (*showResult)(const char* text, uint32_t colour);
  void (*showProgress)(const char* text, uint32_t colour);
  void (*setPlainMark)(uint8_t plain);
  void (*setBusy)();
  void (*setIdle)();
  void (*setStatusText)(StatusBarHandle statusBar, StatusPanelEntry entry, const char* text);
  // The device on the line and the image chosen for it (DeviceInfo, CurrentImage, RRecord).
  void (*showDeviceInfo)();
  // The selected port, "COM<n>" or "-----".
  void (*showPortStatus)(StatusBarHandle statusBar, const char* text);
  // A message the user must acknowledge; the button pressed.
  int (*errorBox)(const char* text, const char* caption, int flags);
  // The progress bar of searches and runs.
  void (*setBarPosition)(BarHandle bar, int position);
  void (*setBarMaximum)(BarHandle bar, int maximum);
  void (*setBarSmooth)(BarHandle bar, bool smooth);
  void (*setBarState)(BarHandle bar, BarState state);
  // Texts for the Updater window whatever window runs the engine ("Resend %d" in its
  // status bar, hiding its result line when a search starts).
  void (*setUpdaterStatusText)(StatusPanelEntry entry, const char* text);
  void (*hideUpdaterResult)();
  void (*showStep)(EngineStep step);
};

// Installs a view; nullptr: none (every operation does nothing).
void InstallEngineView(const EngineView* view);

// The final result of a search or run; the window returns to idle.
void ShowResult(const char* text, uint32_t colour);
// An intermediate message; the buttons stay as they are.
void ShowProgress(const char* text, uint32_t colour);
// Marks the run's image as stored plain (nonzero) or masked.
void SetPlainMark(uint8_t plain);
void SetBusy();
void SetIdle();
// Writes the panel of a status bar that an entry names.
void SetStatusText(StatusBarHandle statusBar, StatusPanelEntry entry, const char* text);
void ShowDeviceInfo();
// Modal message box; the button pressed (0 without a view).
int ErrorBox(const char* text, const char* caption, int flags);
// The port panel's text; the channel's ShowPortStatus composes it from the selected port.
void ShowPortText(StatusBarHandle statusBar, const char* text);

void SetBarPosition(BarHandle bar, int position);
void SetBarMaximum(BarHandle bar, int maximum);
void SetBarSmooth(BarHandle bar, bool smooth);
void SetBarState(BarHandle bar, BarState state);

void SetUpdaterStatusText(StatusPanelEntry entry, const char* text);
void HideUpdaterResult();
void ShowStep(EngineStep step);

// The panel table and the running window back to their start values.
void ResetView();
