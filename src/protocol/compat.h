// The checks before anything changes on the device: a bootloader generation the program
// can serve, and hardware (board and preparation) that the selected image suits.
#pragma once

#include <cstdint>

#include "engine/view.h"

// False for bootloader version 33 and above (device information and the refusal shown).
bool CheckBootloaderVersion();
// A masked image's print and preparation come from its header bytes (Pic18HeaderAt,
// WideHeaderAt).
void ReadImageRequirements();
// The decision table: whether an image requiring (print, required preparation) suits a
// device reporting (board, device preparation).
bool ImageSuits(uint8_t print, uint8_t requiredPreparation, bool vRecordSeen, uint8_t boardId,
                uint8_t devicePreparation);
// False: the hardware does not suit the image (the refusal shown).
bool CheckCompatibility(StatusBarHandle statusBar);
