// A front end for the engine's tests, without any window: installed as the engine's view,
// it keeps what the main window that runs the engine would show (its message, its status
// bar, its buttons, its progress bars, the Updater window's status bar) and a log of every
// call in order.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/view.h"

struct RecordedBar {
  int position = 0;
  int maximum = 100;
  bool smooth = false;
  BarState state = BarState::Normal;
  int value() const { return position; }
};
inline BarState BarStateOf(const RecordedBar* bar) { return bar->state; }

class RecordingView {
 public:
  // The handles a test hands to the engine: the window's own status bar and progress bar,
  // and the Upgrade window's image bar.
  static constexpr StatusBarHandle MainStatusBar = StatusBarHandle{1};
  static constexpr BarHandle MainBar = BarHandle{1};
  static constexpr BarHandle ImageBar = BarHandle{2};

  // Installs itself as the engine's view; the destructor leaves the engine without one.
  RecordingView();
  ~RecordingView();
  RecordingView(const RecordingView&) = delete;
  RecordingView& operator=(const RecordingView&) = delete;

  // The window's message: the Upgrade window's message panel, the Updater's result line,
  // the Loader's message line; and the colour the last result or progress text came with.
  std::string message() const;
  uint32_t messageColour = 0;
  // Whether the start button is offered again (not busy since the last SetBusy).
  bool startOffered = true;
  // SetPlainMark's last argument, -1 before any.
  int plainMark = -1;
  int deviceInfoShown = 0;
  std::vector<std::string> errorBoxes;
  // The Updater window's result line, hidden by a search (it exists in every variant).
  bool updaterResultHidden = false;

  // Back to a window that shows nothing yet: every text, bar and count forgotten.
  void clear();

  // Panel texts of a status bar, by panel index, as the panel table maps the entries.
  std::string panel(StatusBarHandle statusBar, int index) const;
  std::string updaterPanel(int index) const;
  RecordedBar& bar(BarHandle bar) { return bars_[static_cast<int32_t>(bar)]; }

  // The steps the engine reported, in order.
  std::vector<EngineStep> steps;
  // Every call, e.g. "ShowResult  Program Ok  8000", "SetStatusText 1 1 Try 0".
  std::vector<std::string> log;

 private:
  friend struct RecordingOps;
  std::string message_;
  std::map<int32_t, std::array<std::string, 5>> panels_;
  std::array<std::string, 5> updaterPanels_;
  std::map<int32_t, RecordedBar> bars_;
};
