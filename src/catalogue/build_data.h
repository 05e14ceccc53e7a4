// What a release build supplies: identity, build stamp, mask flag and the firmware of
// the catalogue cells it fills. The definitions are generated per release from its
// folder under releases/ (cmake/TarvikRelease.cmake); the rest of the program only
// reads them through this header.
#pragma once

#include <cstdint>

// One part of a cell's firmware: image, EEPROM image or final block. The bytes are
// writable: the programming run writes the reset vector over an image's first bytes.
struct BuildPart {
  uint8_t* bytes;
  int32_t length;  // BuildPartMissing: the release gives none, the catalogue uses a placeholder
};
constexpr int32_t BuildPartMissing = -1;

struct BuildCell {
  uint8_t row;  // board (print) id, 0 for all boards
  uint8_t slot; // chip slot 0 to 9
  BuildPart image;
  BuildPart eeprom;
  BuildPart finalBlock;
  int8_t plain;
  uint8_t print;
  uint8_t preparation;
};

// Data block size of the chips of a slot: slots 6 and 7 hold 16-bit chips.
constexpr int SlotBlockSize(int slot) { return slot == 6 || slot == 7 ? 256 : 64; }

// The cells the catalogue fills from build data; row 32 slot 6 shares row 16's data.
constexpr bool IsBuildCell(int row, int slot) {
  if (row == 0) return slot >= 0 && slot <= 9;
  if (slot == 0 || slot == 1) return row == 2 || row == 4 || row == 5 || row == 6;
  if (slot == 6)
    return row == 5 || row == 6 || row == 7 || row == 8 || row == 11 || row == 16 || row == 19;
  return false;
}

extern const char* const BuildIdentity;  // nullptr in a build without identity
extern const char BuildDate[];           // "Sep 23 2014"
extern const char BuildTime[];           // "15:00:15"
extern const uint8_t MaskEnabled;
extern const BuildCell BuildCells[];
extern const int BuildCellCount;
