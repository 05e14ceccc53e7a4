// The programming run: after a successful search, write the image for the device's chip
// and board, the final block and the EEPROM bytes, and report the result.
#pragma once

#include <cstdint>

#include "engine/view.h"

// Set up for the Upgrade window of "TRI" builds: one START writes every built-in image.
extern bool MultiImageMode;

// How the last run ended, for front ends that report more than texts (the headless tool).
enum class RunEnd : int8_t {
  None,            // no run yet
  Programmed,      // the image, final block and EEPROM were written and confirmed
  AlreadyWritten,  // multi-image mode: this device's image was written since START
  Refused,         // refused before anything was written: the device is untouched
  Failed,          // failed while writing: the device may hold part of the image
  Aborted,         // the user stopped it
};
extern RunEnd LastRunEnd;

// 0 after a single-image run and after every failure; in multi-image mode 1 when the
// device's image was already written since START, else the images still to write.
int PrgMode(BarHandle bar, StatusBarHandle statusBar);

// MultiImageMode back to its value at program start.
void ResetRun();
