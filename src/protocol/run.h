// The programming run: after a successful search, write the image for the device's chip
// and board, the final block and the EEPROM bytes, and report the result.
#pragma once

#include <cstdint>

class QProgressBar;
class TStatusBar;

// The Upgrade window writes every built-in image in one go ("TRI" builds).
extern bool MultiImageMode;

// 0 after a single-image run and after every failure; in multi-image mode 1 when the
// device's image was already written since START, else the images still to write.
int PrgMode(QProgressBar* bar, TStatusBar* statusBar);
