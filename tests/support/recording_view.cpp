#include "support/recording_view.h"

#include <cstdio>

namespace {
RecordingView* Current = nullptr;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}
}  // namespace

struct RecordingOps {
  static RecordingView& v() { return *Current; }
  static void setPanel(std::array<std::string, 5>& panels, int index, const char* text) {
    if (index >= 0 && index < static_cast<int>(panels.size())) panels[static_cast<size_t>(index)] = Text(text);
  }
  // Results and progress texts: the Upgrade window writes them into its status bar.
  static void writeMessage(const char* text, uint32_t colour) {
    if (RunningWindow == EngineWindow::Upgrade)
      setPanel(v().panels_[static_cast<int32_t>(RecordingView::MainStatusBar)],
               StatusPanels[MessagePanel], text);
    else
      v().message_ = Text(text);
    v().messageColour = colour;
  }

  static void showResult(const char* text, uint32_t colour) {
    v().log.push_back("ShowResult " + Text(text) + " " + Hex(colour));
    writeMessage(text, colour);
    v().startOffered = true;
  }
  static void showProgress(const char* text, uint32_t colour) {
    v().log.push_back("ShowProgress " + Text(text) + " " + Hex(colour));
    writeMessage(text, colour);
  }
  static void setPlainMark(uint8_t plain) {
    v().log.push_back("SetPlainMark " + std::to_string(plain));
    v().plainMark = plain;
  }
  static void setBusy() {
    v().log.push_back("SetBusy");
    // The Upgrade window clears its device panel.
    if (RunningWindow == EngineWindow::Upgrade)
      setPanel(v().panels_[static_cast<int32_t>(RecordingView::MainStatusBar)],
               StatusPanels[DevicePanel], " ");
    v().startOffered = false;
  }
  static void setIdle() {
    v().log.push_back("SetIdle");
    v().startOffered = true;
  }
  static void setStatusText(StatusBarHandle bar, StatusPanelEntry entry, const char* text) {
    v().log.push_back("SetStatusText " + std::to_string(static_cast<int32_t>(bar)) + " " +
                      std::to_string(entry) + " " + Text(text));
    if (bar != StatusBarHandle::None)
      setPanel(v().panels_[static_cast<int32_t>(bar)], StatusPanels[entry], text);
  }
  static void showDeviceInfo() {
    v().log.push_back("ShowDeviceInfo");
    ++v().deviceInfoShown;
  }
  static void showPortStatus(StatusBarHandle bar, const char* text) {
    v().log.push_back("ShowPortStatus " + std::to_string(static_cast<int32_t>(bar)) + " " +
                      Text(text));
    if (bar != StatusBarHandle::None)
      setPanel(v().panels_[static_cast<int32_t>(bar)], StatusPanels[PortPanel], text);
  }
  static int errorBox(const char* text, const char* caption, int) {
    v().log.push_back("ErrorBox " + Text(caption) + ": " + Text(text));
    v().errorBoxes.push_back(Text(text));
    return 0;
  }
  static void setBarPosition(BarHandle bar, int position) { v().bar(bar).position = position; }
  static void setBarMaximum(BarHandle bar, int maximum) { v().bar(bar).maximum = maximum; }
  static void setBarSmooth(BarHandle bar, bool smooth) { v().bar(bar).smooth = smooth; }
  static void setBarState(BarHandle bar, BarState state) { v().bar(bar).state = state; }
  static void setUpdaterStatusText(StatusPanelEntry entry, const char* text) {
    v().log.push_back("SetUpdaterStatusText " + std::to_string(entry) + " " + Text(text));
    setPanel(v().updaterPanels_, StatusPanels[entry], text);
  }
  static void hideUpdaterResult() { v().updaterResultHidden = true; }
  static void showStep(EngineStep step) { v().steps.push_back(step); }
};

namespace {
const EngineView Ops = {
    RecordingOps::showResult,     RecordingOps::showProgress,
    RecordingOps::setPlainMark,   RecordingOps::setBusy,
    RecordingOps::setIdle,        RecordingOps::setStatusText,
    RecordingOps::showDeviceInfo, RecordingOps::showPortStatus,
    RecordingOps::errorBox,       RecordingOps::setBarPosition,
    RecordingOps::setBarMaximum,  RecordingOps::setBarSmooth,
    RecordingOps::setBarState,    RecordingOps::setUpdaterStatusText,
    RecordingOps::hideUpdaterResult, RecordingOps::showStep,
};
}  // namespace

RecordingView::RecordingView() {
  Current = this;
  InstallEngineView(&Ops);
}

RecordingView::~RecordingView() {
  InstallEngineView(nullptr);
  Current = nullptr;
}

void RecordingView::clear() {
  message_.clear();
  messageColour = 0;
  startOffered = true;
  plainMark = -1;
  deviceInfoShown = 0;
  updaterResultHidden = false;
  bars_.clear();
  panels_.clear();
  updaterPanels_ = {};
  errorBoxes.clear();
  steps.clear();
  log.clear();
}

std::string RecordingView::message() const {
  if (RunningWindow == EngineWindow::Upgrade) return panel(MainStatusBar, StatusPanels[MessagePanel]);
  return message_;
}

std::string RecordingView::panel(StatusBarHandle statusBar, int index) const {
  const auto it = panels_.find(static_cast<int32_t>(statusBar));
  if (it == panels_.end() || index < 0 || index >= static_cast<int>(it->second.size())) return "";
  return it->second[static_cast<size_t>(index)];
}

std::string RecordingView::updaterPanel(int index) const {
  return index >= 0 && index < static_cast<int>(updaterPanels_.size())
             ? updaterPanels_[static_cast<size_t>(index)]
             : "";
}
