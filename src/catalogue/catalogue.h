// The image catalogue: the built-in firmware by board and chip slot, the choice of the
// image for a device, the bookkeeping of multi-image runs, and the byte mask.
//
// Slots and the current image point into the build data; nothing is copied.
#pragma once

#include <cstdint>

struct ImageSlot {
  uint8_t* finalBytes;
  int32_t finalLength;
  uint8_t* image;        // writable: the programming run writes the reset vector in place
  int32_t imageLength;   // 0 or 1: no image
  uint8_t* eeprom;
  int32_t eepromLength;  // 0: no EEPROM data
  int8_t plain;          // nonzero: stored plain, requirements are print/preparation below
  uint8_t print;         // required board id; 0 and 0xFF: none
  uint8_t preparation;   // required hardware preparation
  uint8_t pending;       // multi-image run: 1 to write, 0xFF not counted, 0 written
  uint8_t afterWrite;    // asked again after writing: 0 write again, 1 wait, 2 closing frames
};

constexpr int CatalogueRows = 255;  // board ids 0 to 254; row 0 serves every board
constexpr int CatalogueSlots = 47;  // only slots 0 to 9 are used
constexpr int ChipSlots = 10;

extern ImageSlot ImageCatalogue[CatalogueRows][CatalogueSlots];

// The copy of one slot that the programming run works on.
struct CurrentImageRecord {
  uint8_t* image;
  int32_t imageLength;
  uint8_t* eeprom;
  int32_t eepromLength;
  uint8_t* finalBytes;
  int32_t finalLength;
  int32_t plain;
  uint8_t print;
  uint8_t preparation;
};
extern CurrentImageRecord CurrentImage;

// Row-0 slots whose pending is 1.
extern uint8_t ImagesPending;

// Fills the catalogue from the build data (once, when the main window is created); returns
// CountImages().
uint8_t FillCatalogue();
// Re-arms every row-0 slot for a multi-image run; returns ImagesPending.
uint8_t CountImages();
// Chooses the image for a device into CurrentImage; returns the slot. Board 255 and boards
// without an image of their own get row 0.
uint8_t SelectImage(uint8_t chipCode, uint8_t boardId);
uint8_t SlotPending(int8_t slot);
uint8_t SlotAfterWrite(int8_t slot);
void MarkImageDone(int8_t slot);

// The chip slot of a chip code; unlisted codes give slot 0.
int SlotOfChip(uint8_t chipCode);

// The catalogue, the current image and the count of pending images back to their values at
// program start (empty until FillCatalogue).
void ResetCatalogue();

// Mask byte for a value: (value + 0xA5) mod 256 when flag is set, else 0.
uint8_t DataMask(uint8_t value, uint8_t flag);
