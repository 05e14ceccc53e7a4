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

// Slots 6 and 7 hold the 16-bit chips (PIC24 / dsPIC33), the others PIC18 chips.
constexpr bool IsWideSlot(int slot) { return slot == 6 || slot == 7; }
// Data block size of the chips of a slot.
constexpr int SlotBlockSize(int slot) { return IsWideSlot(slot) ? 256 : 64; }
// The jump the programming run writes over an image's first bytes: a PIC18 GOTO is 4 bytes,
// a 16-bit chip's 8.
constexpr int SlotResetVectorLength(int slot) { return IsWideSlot(slot) ? 8 : 4; }

// A masked image names the board (print) and the preparation it needs in two header bytes:
// bytes 14 and 15 of a PIC18 image, 1024 and 1025 of a 16-bit chip's image.
constexpr int Pic18HeaderAt = 14;
constexpr int WideHeaderAt = 1024;
constexpr int SlotHeaderAt(int slot) { return IsWideSlot(slot) ? WideHeaderAt : Pic18HeaderAt; }

// The board-specific catalogue cells (rows other than 0), in the order the catalogue fills
// them. Row 32 slot 6 has no build data of its own: it shares row 16's.
struct BoardCell {
  uint8_t row;
  uint8_t slot;
};
inline constexpr BoardCell BoardCells[] = {
    {2, 0}, {4, 0}, {5, 0}, {6, 0}, {2, 1}, {4, 1}, {5, 1}, {6, 1},
    {5, 6}, {6, 6}, {7, 6}, {8, 6}, {11, 6}, {16, 6}, {19, 6}, {32, 6},
};
constexpr int SharingRow = 32;
constexpr int SharedRow = 16;

// The cells a release can give build data: row 0 of the chip slots 0 to 9 and the
// board-specific cells but the sharing one.
constexpr bool IsBuildCell(int row, int slot) {
  if (row == 0) return slot >= 0 && slot <= 9;
  for (const BoardCell& c : BoardCells)
    if (c.row == row && c.slot == slot) return row != SharingRow;
  return false;
}

extern const char* const BuildIdentity;  // nullptr in a build without identity
extern const char BuildDate[];           // "Sep 23 2014"
extern const char BuildTime[];           // "15:00:15"
extern const uint8_t MaskEnabled;
extern const BuildCell BuildCells[];
extern const int BuildCellCount;
