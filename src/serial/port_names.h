// The port namespace: port index i (0 = COM1) is the device named COM<i+1>.
//
// 1. A link named COM<n> (any letter case) in the ports folder: $TARVIK_PORTS_DIR, by
//    default $XDG_CONFIG_HOME/tarvik/ports (~/.config/tarvik/ports). Only a link whose
//    target is a character device counts. When several spellings exist, the upper-case
//    COM<n> is used, else the first in byte order. A link that is present but does not
//    lead to a character device leaves the index without a device: the user's explicit
//    choice is never silently replaced by the fixed table.
// 2. Otherwise the fixed table: COM1-COM32 = /dev/ttyS0-31, COM33-COM64 = /dev/ttyUSB0-31,
//    COM65-COM96 = /dev/ttyACM0-31. Other indices have no device unless linked.
#pragma once

#include <cstddef>

// A device path the front end gives a port index for this process (the headless tool's
// --port /dev/...): that index names the device, before the ports folder and the fixed
// table. nullptr takes the assignment back. One index at a time.
void AssignPortDevice(int index, const char* devicePath);

// The ports folder in use (no trailing slash), e.g. "/home/ana/.config/tarvik/ports".
// Empty when there is no home folder to put it in.
const char* PortsDirectory();

// Writes the device path of a port index into out (a NUL-terminated path of at most size - 1
// characters): a link's fully resolved target, or the fixed-table path (present or not).
// 0 on success, -1 when the index has no device (or the path does not fit).
int PortDevicePath(int index, char* out, size_t size);

// Writes the name, as stored, of the ports folder's link for a port index (e.g. "com7"),
// whether or not it leads to a device. 0 when there is such a link, -1 otherwise.
int PortLinkName(int index, char* out, size_t size);

// The fixed-table port index of a device path such as "/dev/ttyUSB3" (35), or -1.
int FixedPortIndex(const char* devicePath);

// The port index a name "COM<n>" stands for (any letter case, n from 1 without leading
// zeros and of at most ComNameMaxDigits digits): n - 1; -1 for any other text.
constexpr int ComNameMaxDigits = 6;
int ComNameIndex(const char* name);
