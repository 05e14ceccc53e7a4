// Chip identification and memory geometry: from the chip code and the bootloader version,
// the chip's label, address unit, block size, flash limit and the reset vector that keeps
// the device's reset entering the bootloader.
#pragma once

#include <array>
#include <cstdint>

#include "engine/view.h"

extern std::array<uint8_t, 8> ResetVector;
extern int32_t ResetVectorLength;
extern int32_t AddressUnit;  // image bytes per device address: 1 PIC18, 2 PIC24 / dsPIC33
extern int32_t TopReserve;   // bytes at the top of a PIC18 flash the image may not use
extern int32_t TopReserveJ;  // the same for chip code 0xC7
extern int16_t PadLastBlock; // chip codes 0x47 and 0x48 pad their last block to full size

// Per run, settled by IdentifyChip.
extern int32_t FlashLimit;     // device address of the final block, just above the program
extern int32_t ProgramLength;  // image bytes the block loop sends
extern int32_t BlockSize;      // data bytes per block frame

// Table lookup: address unit, reserves and reset vector. A chip without a reset vector for
// the version leaves ResetVector as it was; returns whether it had one.
bool ChipGeometry(uint8_t chipCode, uint8_t bootVersion);
// The label shown for a chip code ("Found 258"), or nullptr for an unknown code.
const char* ChipLabel(uint8_t chipCode);
bool IsWideChip(uint8_t chipCode);  // PIC24 / dsPIC33: 0xFC, 0xFD, 0xFE

// The chip step of the programming run: geometry and the image's limits. False: refused
// (the reason is shown) and the run ends.
bool IdentifyChip(StatusBarHandle statusBar);

// The chip variables back to their values at program start.
void ResetChip();
