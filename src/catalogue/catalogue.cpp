#include "catalogue/catalogue.h"

#include "catalogue/build_data.h"

#include <cstring>

ImageSlot ImageCatalogue[CatalogueRows][CatalogueSlots];
CurrentImageRecord CurrentImage;
uint8_t ImagesPending;

namespace {

constexpr int FilledCells = ChipSlots + static_cast<int>(sizeof BoardCells / sizeof BoardCells[0]);

// One-byte placeholders (image, EEPROM, final block) for parts a release does not supply.
uint8_t Placeholders[FilledCells][3];

const BuildCell* FindBuildCell(int row, int slot) {
  for (int i = 0; i < BuildCellCount; ++i)
    if (BuildCells[i].row == row && BuildCells[i].slot == slot) return &BuildCells[i];
  return nullptr;
}

void TakePart(const BuildCell* cell, BuildPart BuildCell::*part, uint8_t* placeholder,
              uint8_t** bytes, int32_t* length) {
  if (cell == nullptr || (cell->*part).length == BuildPartMissing) {
    *bytes = placeholder;
    *length = 1;
  } else {
    *bytes = (cell->*part).bytes;
    *length = (cell->*part).length;
  }
}

// Copies the build data of (dataRow, slot) into the catalogue cell (row, slot).
void FillCell(int row, int dataRow, int slot, uint8_t* placeholders) {
  const BuildCell* cell = FindBuildCell(dataRow, slot);
  ImageSlot& s = ImageCatalogue[row][slot];
  TakePart(cell, &BuildCell::finalBlock, &placeholders[2], &s.finalBytes, &s.finalLength);
  TakePart(cell, &BuildCell::image, &placeholders[0], &s.image, &s.imageLength);
  TakePart(cell, &BuildCell::eeprom, &placeholders[1], &s.eeprom, &s.eepromLength);
  s.plain = 0;
  if (cell != nullptr && slot == 6) {
    s.plain = row == 0 ? cell->plain : 0;
    s.print = cell->print;
    s.preparation = cell->preparation;
  } else if (cell != nullptr && slot == 7 && row == 0) {
    s.plain = cell->plain;
  }
}

void CopySlot(const ImageSlot& s) {
  CurrentImage.image = s.image;
  CurrentImage.imageLength = s.imageLength;
  CurrentImage.eeprom = s.eeprom;
  CurrentImage.eepromLength = s.eepromLength;
  CurrentImage.finalBytes = s.finalBytes;
  CurrentImage.finalLength = s.finalLength;
  CurrentImage.plain = s.plain;
  CurrentImage.print = s.print;
  CurrentImage.preparation = s.preparation;
}

bool IsChipSlot(int8_t slot) { return slot >= 0 && slot < CatalogueSlots; }

}  // namespace

uint8_t FillCatalogue() {
  for (auto& row : ImageCatalogue)
    for (auto& slot : row) slot.imageLength = 0;
  for (int slot = 0; slot < ChipSlots; ++slot) FillCell(0, 0, slot, Placeholders[slot]);
  int n = ChipSlots;
  uint8_t* shared = nullptr;  // the sharing row takes the shared row's data, placeholders included
  for (const BoardCell& c : BoardCells) {
    uint8_t* placeholders =
        c.row == SharingRow && shared != nullptr ? shared : Placeholders[n++];
    if (c.row == SharedRow) shared = placeholders;
    FillCell(c.row, c.row == SharingRow ? SharedRow : c.row, c.slot, placeholders);
  }
  return CountImages();
}

uint8_t CountImages() {
  ImagesPending = 0;
  for (int slot = 0; slot < ChipSlots; ++slot) {
    ImageSlot& s = ImageCatalogue[0][slot];
    s.pending = 0xFF;
    if (s.imageLength > 10) {
      s.pending = 1;
      ++ImagesPending;
    }
  }
  ImageCatalogue[0][7].afterWrite = 2;
  ImageCatalogue[0][6].afterWrite = 2;
  ImageCatalogue[0][9].afterWrite = 1;
  return ImagesPending;
}

int SlotOfChip(uint8_t chipCode) {
  switch (chipCode) {
    case 0x42: return 0;
    case 0x43: return 1;
    case 0x44: return 2;
    case 0x45: return 3;
    case 0x46: return 4;
    case 0xC7: return 5;
    case 0xFC:
    case 0xFE: return 6;
    case 0xFD: return 7;
    case 0x47: return 8;
    case 0x48: return 9;
    default: return 0;
  }
}

uint8_t SelectImage(uint8_t chipCode, uint8_t boardId) {
  const int slot = SlotOfChip(chipCode);
  const int row = boardId < CatalogueRows ? boardId : 0;
  CopySlot(ImageCatalogue[row][slot]);
  if (CurrentImage.imageLength <= 1) CopySlot(ImageCatalogue[0][slot]);
  return static_cast<uint8_t>(slot);
}

uint8_t SlotPending(int8_t slot) { return IsChipSlot(slot) ? ImageCatalogue[0][slot].pending : 0; }

uint8_t SlotAfterWrite(int8_t slot) {
  return IsChipSlot(slot) ? ImageCatalogue[0][slot].afterWrite : 0;
}

void MarkImageDone(int8_t slot) {
  if (!IsChipSlot(slot)) return;
  ImageSlot& s = ImageCatalogue[0][slot];
  if (static_cast<int8_t>(s.pending) > 0) --ImagesPending;
  s.pending = 0;
}

uint8_t DataMask(uint8_t value, uint8_t flag) {
  return flag == 0 ? 0 : static_cast<uint8_t>(value + 0xA5);
}

void ResetCatalogue() {
  for (auto& row : ImageCatalogue)
    for (auto& slot : row) slot = {};
  CurrentImage = {};
  ImagesPending = 0;
  std::memset(Placeholders, 0, sizeof Placeholders);
}
