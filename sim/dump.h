// Memory dumps of a simulated device.
#pragma once

#include <string>

#include "sim/memory.h"

namespace devsim {

// Where EEPROM cells go in a HEX dump: 0xF00000 + address, the usual place of PIC18 EEPROM
// in HEX files.
constexpr uint32_t HexEepromBase = 0xF00000;

// Intel HEX of every written cell: flash by byte offset, then EEPROM. Data records of up to
// 16 bytes, extended linear address records where the upper 16 bits change, end record.
std::string IntelHexText(const DeviceMemory& memory);
bool WriteIntelHex(const DeviceMemory& memory, const std::string& path);

// Reads a dump written by WriteIntelHex back into memory; false with the reason (a line
// that is no Intel HEX record, a bad checksum).
bool ReadIntelHex(const std::string& path, DeviceMemory* memory, std::string* error);

// Flash only, as a flat image from offset 0 to the highest written byte, 0xFF in holes.
bool WriteFlatBinary(const DeviceMemory& memory, const std::string& path);

}  // namespace devsim
