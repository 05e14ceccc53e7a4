#include "protocol/chip.h"

#include <algorithm>
#include <cstring>

#include "catalogue/catalogue.h"
#include "protocol/decoder.h"
#include "protocol/frames.h"
#include "ui/colours.h"
#include "ui/device_info.h"
#include "ui/forms.h"
#include "ui/status_channel.h"

uint8_t ResetVector[8] = {0x80, 0xEF, 0x3F, 0xF0, 0x00, 0x00, 0x00, 0x00};
int32_t ResetVectorLength = 8;
int32_t AddressUnit = 1;
int32_t TopReserve;
int32_t TopReserveJ;
int16_t PadLastBlock;
int32_t FlashLimit;
int32_t ProgramLength;
int32_t BlockSize;

namespace {

struct Chip {
  uint8_t code;
  const char* label;
  int32_t flashSize;  // PIC18: bytes; 16-bit chips: the bootloader's entry address
  uint8_t vector5[8];     // reset vector for bootloader version 5 and above
  uint8_t vectorOld[8];   // below 5
  bool hasOldVector;
};

constexpr Chip Chips[] = {
    {66, "Found 258", 0x8000, {0x40, 0xEF, 0x3F, 0xF0}, {0x80, 0xEF, 0x3F, 0xF0}, true},
    {67, "Found 2580", 0x8000, {0x40, 0xEF, 0x3F, 0xF0}, {0x80, 0xEF, 0x3F, 0xF0}, true},
    {68, "Found 2480", 0x4000, {0x40, 0xEF, 0x1F, 0xF0}, {0x80, 0xEF, 0x1F, 0xF0}, true},
    {69, "Found 248", 0x4000, {0x40, 0xEF, 0x1F, 0xF0}, {0x80, 0xEF, 0x1F, 0xF0}, true},
    {70, "Found 2320", 0x2000, {0x80, 0xEF, 0x0F, 0xF0}, {0x80, 0xEF, 0x0F, 0xF0}, true},
    {71, "Found 18F25k80", 0x8000, {0x40, 0xEF, 0x3F, 0xF0}, {}, false},
    {72, "Found 18F26k80", 0x10000, {0x40, 0xEF, 0x7F, 0xF0}, {}, false},
    {199, "Found 24j10", 0x4000, {0x00, 0xEF, 0x1E, 0xF0}, {0x00, 0xEF, 0x1E, 0xF0}, true},
    {252, "Found 33FJ64", 0xA800, {0x00, 0xA8, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00},
     {0x00, 0xA8, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}, true},
    {253, "Found 33FJ128 - 24HJ128", 0x15400, {0x00, 0x54, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00},
     {0x00, 0x54, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00}, true},
    {254, "Found 24HJ64", 0xA800, {0x00, 0xA8, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00},
     {0x00, 0xA8, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}, true},
};

const Chip* FindChip(uint8_t code) {
  for (const Chip& c : Chips)
    if (c.code == code) return &c;
  return nullptr;
}

// "No Hex inside" and "Hex too Big", shown by the window that runs the engine.
void ReportImageProblem(const char* text, TStatusBar* statusBar) {
  ShowResult(text, ColourRed);
  if (Form6 == nullptr && Form5 == nullptr) {
    SetStatusText(statusBar, DevicePanel, "Warning");
    ShowDeviceInfo();
  }
}

}  // namespace

bool IsWideChip(uint8_t chipCode) { return chipCode >= 252 && chipCode <= 254; }

const char* ChipLabel(uint8_t chipCode) {
  const Chip* c = FindChip(chipCode);
  return c != nullptr ? c->label : nullptr;
}

bool ChipGeometry(uint8_t chipCode, uint8_t bootVersion) {
  AddressUnit = 1;
  TopReserveJ = 1088;
  TopReserve = bootVersion >= 5 ? 448 : 320;
  const Chip* c = FindChip(chipCode);
  if (c == nullptr) return false;
  if (IsWideChip(chipCode)) AddressUnit = 2;
  const bool current = bootVersion >= 5;
  if (!current && !c->hasOldVector) return false;
  std::memcpy(ResetVector, current ? c->vector5 : c->vectorOld, sizeof ResetVector);
  ResetVectorLength = IsWideChip(chipCode) ? 8 : 4;
  return true;
}

bool IdentifyChip(TStatusBar* statusBar) {
  PadLastBlock = 0;
  BlockSize = 64;
  const uint8_t code = DeviceInfo.chipCode;
  const Chip* chip = FindChip(code);
  if (chip == nullptr) {
    ShowResult(" Error !! ", ColourRed);
    SetStatusText(statusBar, DevicePanel, "Unknow Device");
    return false;
  }
  const bool padded = code == 71 || code == 72;
  if (padded) PadLastBlock = 1;
  if (!ChipGeometry(code, DeviceInfo.bootVersion)) {
    // Chip codes 71 and 72 have no reset vector for bootloaders below version 5: writing
    // an earlier chip's jump could cut the device off from its bootloader.
    ShowDeviceInfo();
    ReportError(-4);
    return false;
  }
  if (padded) {
    // Only the first four final-block bytes remain for these chips.
    ImageSlot& s = ImageCatalogue[0][SlotOfChip(code)];
    if (s.finalLength > 4) std::memset(s.finalBytes + 4, 0, s.finalLength - 4);
  }
  if (IsWideChip(code)) {
    FlashLimit = chip->flashSize - 128;
    BlockSize = 128 * AddressUnit;
  } else {
    FlashLimit = chip->flashSize - (code == 199 ? TopReserveJ : TopReserve);
  }
  const int32_t length = CurrentImage.imageLength;
  if (IsWideChip(code)) {
    if (length > 2 * FlashLimit) {
      ReportImageProblem(" Hex too Big !! ", statusBar);
      return false;
    }
    ProgramLength = length;
  } else {
    ProgramLength = std::min(length, FlashLimit);
  }
  if (length <= 1) {
    ReportImageProblem(" No Hex inside !! ", statusBar);
    return false;
  }
  SetStatusText(statusBar, DevicePanel, chip->label);
  return true;
}
