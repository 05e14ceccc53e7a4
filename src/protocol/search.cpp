#include "protocol/search.h"

#include <cstdio>

#include "engine/colours.h"
#include "protocol/decoder.h"
#include "protocol/frames.h"
#include "serial/channel.h"

bool NVariant;
int32_t SkipStart;
int32_t SkipLength;

namespace {

void ShowTry(int attempt, BarHandle bar, StatusBarHandle statusBar) {
  switch (RunningWindow) {
    case EngineWindow::Loader:
      ShowProgress("Search Device", ColourBlack);
      SetBarPosition(bar, SearchTries - attempt);
      break;
    case EngineWindow::Upgrade:
      SetBarPosition(bar, SearchTries - attempt);
      SetStatusText(statusBar, MessagePanel, "Search Device");
      break;
    default: {
      char text[16];
      std::snprintf(text, sizeof text, "Try %d", attempt);
      SetStatusText(statusBar, MessagePanel, text);
      break;
    }
  }
}

}  // namespace

uint8_t ProbeByte() {
  if (RunningWindow == EngineWindow::Upgrade) return 0xC5;
  return NVariant ? 0xC6 : 0xC2;
}

int16_t SearchDevice(BarHandle bar, StatusBarHandle statusBar) {
  OpenedPort = -1;
  HideUpdaterResult();
  SetBarPosition(bar, 0);
  SetBarSmooth(bar, true);

  ApplyPort();
  ShowPortStatus(statusBar);
  SetBusy();
  if (CheckPort(CurrentPort) < 0) {
    SetIdle();
    return SearchPortUnusable;
  }
  ResetRRecord();
  SkipStart = 0;
  SkipLength = 0;
  ResetDeviceInfo();

  const uint8_t probe = ProbeByte();
  ShowStep(EngineStep::Searching);
  SetBarState(bar, BarState::Paused);
  SetBarMaximum(bar, SearchTries);
  bool found = false;
  for (int attempt = 0; attempt < SearchTries && !found; ++attempt) {
    ResetDeviceInfo();
    ShowTry(attempt, bar, statusBar);
    const int16_t r = SendCommandByte(probe, ProbeWaitMs);
    if (r <= WaitAborted) {
      ReportError(r);
      SetBarPosition(bar, 0);
      return SearchAborted;
    }
    found = r == WaitAcknowledged;  // a refusal counts as no answer
  }
  SetBarState(bar, BarState::Normal);
  SetBarPosition(bar, 0);
  if (!found) {
    SetStatusText(statusBar, MessagePanel, "Device not Found");
    SetIdle();
    return SearchNoDevice;
  }
  ShowStep(EngineStep::DeviceFound);
  return SearchFound;
}

void ResetSearch() {
  NVariant = false;
  SkipStart = 0;
  SkipLength = 0;
}
