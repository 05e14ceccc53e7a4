#include "protocol/compat.h"

#include <cstdio>

#include "catalogue/build_data.h"
#include "catalogue/catalogue.h"
#include "catalogue/version_listing.h"
#include "engine/colours.h"
#include "protocol/chip.h"
#include "protocol/decoder.h"
#include "protocol/frames.h"

namespace {

bool PreparationSuits(uint8_t req, uint8_t dev) {
  if (dev == req) return true;
  if (dev == 3 && (req & 0x80)) return true;
  if ((dev & 0x80) && (req & 0x80)) return true;
  if ((dev & 0x10) && !(req & 0x10)) return false;
  const int k = req & 0x6F;
  switch (dev & 0x0F) {
    case 1: return k == 1 || k == 4;
    case 2: return k == 1 || k == 2 || k == 4;
    case 5: return k == 4 || k == 5;
    default: return k == (dev & 0x0F);
  }
}

}  // namespace

bool CheckBootloaderVersion() {
  if (DeviceInfo.bootVersion < 33) return true;
  ShowDeviceInfo();
  ReportError(-4);
  return false;
}

void ReadImageRequirements() {
  if (CurrentImage.plain != 0) return;
  const int headerAt = IsWideChip(DeviceInfo.chipCode) ? WideHeaderAt : Pic18HeaderAt;
  // An image too short to carry the header keeps the slot's own requirements.
  if (CurrentImage.imageLength <= headerAt + 1) return;
  const uint8_t m = DataMask(0, MaskEnabled);
  CurrentImage.print = CurrentImage.image[headerAt] ^ m;
  CurrentImage.preparation = CurrentImage.image[headerAt + 1] ^ m;
}

bool ImageSuits(uint8_t print, uint8_t requiredPreparation, bool vRecordSeen, uint8_t boardId,
                uint8_t devicePreparation) {
  if (print == 0 || print == 0xFF || !vRecordSeen) return true;
  const bool board = boardId == print || (print == 32 && boardId == 16);
  return board && PreparationSuits(requiredPreparation, devicePreparation);
}

bool CheckCompatibility(StatusBarHandle statusBar) {
  if (ImageSuits(CurrentImage.print, CurrentImage.preparation, VRecordSeen, DeviceInfo.boardId,
                 DeviceInfo.preparation))
    return true;
  char text[64];
  std::snprintf(text, sizeof text, "%s - Preparation %x", BoardName(CurrentImage.print),
                CurrentImage.preparation);
  ShowResult(text, ColourRed);
  SetStatusText(statusBar, DevicePanel, "Warning!!");
  SetStatusText(statusBar, ExtraPanel, "not suitable apparatus");
  return false;
}
