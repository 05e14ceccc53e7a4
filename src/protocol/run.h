// The programming run: after a successful search, write the image for the device's chip
// and board, the final block and the EEPROM bytes, and report the result.
#pragma once

#include <cstdint>

#include "engine/view.h"

// Set up for the Upgrade window of "TRI" builds: one START writes every built-in image.
extern bool MultiImageMode;

// 0 after a single-image run and after every failure; in multi-image mode 1 when the
// device's image was already written since START, else the images still to write.
int PrgMode(BarHandle bar, StatusBarHandle statusBar);

// MultiImageMode back to its value at program start.
void ResetRun();
