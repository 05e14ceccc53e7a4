#include "engine/engine.h"

#include "catalogue/catalogue.h"
#include "engine/colours.h"
#include "platform/instance_lock.h"
#include "protocol/chip.h"
#include "protocol/decoder.h"
#include "protocol/frames.h"
#include "protocol/run.h"
#include "protocol/search.h"
#include "serial/channel.h"
#include "startup/identity.h"

void SetUpEngine(EngineWindow window) {
  RunningWindow = window;
  switch (window) {
    case EngineWindow::Upgrade:
      StatusPanels[DevicePanel] = 3;
      MultiImageMode = IdentityHas("TRI");
      break;
    case EngineWindow::Loader:
      NVariant = IdentityHas("HUB") || IdentityHas("QIX");
      break;
    default: break;
  }
  FillCatalogue();
}

namespace {

// The Upgrade window's START: every image counted afresh, then search and write while the
// run reports images still to write. The image bar counts written images only: a run that
// failed, was refused or stopped, or found its image already written leaves it where it was.
int16_t UpgradeLoop(BarHandle bar, StatusBarHandle statusBar, BarHandle imageBar) {
  const int images = CountImages() + 1;
  SetBarMaximum(imageBar, images);
  SetBarPosition(imageBar, 0);
  int8_t left = 0;
  int16_t found = SearchNoDevice;
  do {
    left = 0;
    found = SearchDevice(bar, statusBar);
    if (found == SearchFound) {
      left = static_cast<int8_t>(PrgMode(bar, statusBar));
      if (LastRunEnd == RunEnd::Programmed) SetBarPosition(imageBar, images - left);
    }
  } while (left != 0);
  return found;
}

}  // namespace

int16_t UpdateDevices(BarHandle bar, StatusBarHandle statusBar, BarHandle imageBar) {
  if (RunningWindow == EngineWindow::Upgrade) return UpgradeLoop(bar, statusBar, imageBar);
  const int16_t found = SearchDevice(bar, statusBar);
  if (found == SearchFound) {
    PrgMode(bar, statusBar);  // it reports its own result
  } else if (RunningWindow == EngineWindow::Loader) {
    // The search reported an abort itself; the Loader words the other failures its own way
    // (replacing the "Invalid Port Com" the reopen may have shown).
    if (found == SearchNoDevice) ShowProgress("The device is not find.", ColourBlack);
    if (found == SearchPortUnusable) ShowProgress(PortNotValidText, ColourRed);
  }
  return found;
}

int16_t WaitUntilDeviceLeaves() {
  int silent = 0;
  while (silent < LeftAfterSilentProbes) {
    if (CurrentPortHandle() == NoSerialHandle) return 0;
    const int16_t r = SendCommandByte(ProbeByte(), ProbeWaitMs);
    if (r == WaitAborted) return WaitAborted;
    silent = r == WaitAcknowledged ? 0 : silent + 1;
  }
  return 0;
}

void ResetEngineState() {
  ResetChannel();
  ResetDecoder();
  ResetFrames();
  ResetSearch();
  ResetChip();
  ResetRun();
  ResetCatalogue();
  ResetView();
  ReleaseInstanceLock();
}
