// The device information: bootloader version, board and preparation of the device on the
// line and the image chosen for it, in the window that runs the engine.
#pragma once

void ShowDeviceInfo();
