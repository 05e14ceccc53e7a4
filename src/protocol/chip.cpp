#include "protocol/chip.h"

#include <algorithm>
#include <cstring>

#include "catalogue/build_data.h"
#include "catalogue/catalogue.h"
#include "engine/colours.h"
#include "protocol/decoder.h"
#include "protocol/frames.h"

namespace {
// The reset vector until a chip's geometry is settled.
constexpr std::array<uint8_t, 8> InitialResetVector = {0x80, 0xEF, 0x3F, 0xF0, 0, 0, 0, 0};
}  // namespace

std::array<uint8_t, 8> ResetVector = InitialResetVector;
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
  std::array<uint8_t, 8> vector5;    // reset vector for bootloader version 5 and above
  std::array<uint8_t, 8> vectorOld;  // below 5
  bool hasOldVector;
};

constexpr Chip Chips[] = {
    {0x42, "Found 258", 0x8000, {0x40, 0xEF, 0x3F, 0xF0}, {0x80, 0xEF, 0x3F, 0xF0}, true},
    {0x43, "Found 2580", 0x8000, {0x40, 0xEF, 0x3F, 0xF0}, {0x80, 0xEF, 0x3F, 0xF0}, true},
    {0x44, "Found 2480", 0x4000, {0x40, 0xEF, 0x1F, 0xF0}, {0x80, 0xEF, 0x1F, 0xF0}, true},
    {0x45, "Found 248", 0x4000, {0x40, 0xEF, 0x1F, 0xF0}, {0x80, 0xEF, 0x1F, 0xF0}, true},
    {0x46, "Found 2320", 0x2000, {0x80, 0xEF, 0x0F, 0xF0}, {0x80, 0xEF, 0x0F, 0xF0}, true},
    {0x47, "Found 18F25k80", 0x8000, {0x40, 0xEF, 0x3F, 0xF0}, {}, false},
    {0x48, "Found 18F26k80", 0x10000, {0x40, 0xEF, 0x7F, 0xF0}, {}, false},
    {0xC7, "Found 24j10", 0x4000, {0x00, 0xEF, 0x1E, 0xF0}, {0x00, 0xEF, 0x1E, 0xF0}, true},
    {0xFC, "Found 33FJ64", 0xA800, {0x00, 0xA8, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00},
     {0x00, 0xA8, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}, true},
    {0xFD, "Found 33FJ128 - 24HJ128", 0x15400, {0x00, 0x54, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00},
     {0x00, 0x54, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00}, true},
    {0xFE, "Found 24HJ64", 0xA800, {0x00, 0xA8, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00},
     {0x00, 0xA8, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}, true},
};

const Chip* FindChip(uint8_t code) {
  for (const Chip& c : Chips)
    if (c.code == code) return &c;
  return nullptr;
}

// "No Hex inside" and "Hex too Big", shown by the window that runs the engine; the Updater
// window adds a warning and the device information.
void ReportImageProblem(const char* text, StatusBarHandle statusBar) {
  ShowResult(text, ColourRed);
  if (RunningWindow != EngineWindow::Loader && RunningWindow != EngineWindow::Upgrade) {
    SetStatusText(statusBar, DevicePanel, "Warning");
    ShowDeviceInfo();
  }
}

}  // namespace

bool IsWideChip(uint8_t chipCode) { return chipCode >= 0xFC && chipCode <= 0xFE; }

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
  ResetVector = current ? c->vector5 : c->vectorOld;
  ResetVectorLength = IsWideChip(chipCode) ? 8 : 4;
  return true;
}

bool IdentifyChip(StatusBarHandle statusBar) {
  PadLastBlock = 0;
  BlockSize = 64;
  const uint8_t code = DeviceInfo.chipCode;
  const Chip* chip = FindChip(code);
  if (chip == nullptr) {
    ShowResult(" Error !! ", ColourRed);
    SetStatusText(statusBar, DevicePanel, "Unknow Device");
    return false;
  }
  const bool padded = code == 0x47 || code == 0x48;
  if (padded) PadLastBlock = 1;
  if (!ChipGeometry(code, DeviceInfo.bootVersion)) {
    // Chip codes 0x47 and 0x48 have no reset vector for bootloaders below version 5: writing
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
    FlashLimit = chip->flashSize - (code == 0xC7 ? TopReserveJ : TopReserve);
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
  // No image, or one that cannot even hold the jump to its start (a partial jump would cut
  // the device off), or a masked one too short to name the hardware it needs.
  const int headerAt = IsWideChip(code) ? WideHeaderAt : Pic18HeaderAt;
  if (length <= 1 || length < ResetVectorLength ||
      (CurrentImage.plain == 0 && length <= headerAt + 1)) {
    ReportImageProblem(" No Hex inside !! ", statusBar);
    return false;
  }
  SetStatusText(statusBar, DevicePanel, chip->label);
  return true;
}

void ResetChip() {
  ResetVector = InitialResetVector;
  ResetVectorLength = 8;
  AddressUnit = 1;
  TopReserve = 0;
  TopReserveJ = 0;
  PadLastBlock = 0;
  FlashLimit = 0;
  ProgramLength = 0;
  BlockSize = 0;
}
