// What a device must hold after a correct programming run, worked out from the image on
// the test's side: the chips' geometry and the frame layout are stated here again, from
// the wire formats, so that a misreading in the engine shows as a difference.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/device.h"

struct ExpectedChip {
  int unit;             // image bytes per address
  int blockSize;        // data bytes per block
  int32_t flashLimit;   // device address of the final block
  std::vector<uint8_t> resetVector;
  bool padLastBlock;
};
// The chip's figures for a bootloader version; nullopt for a chip the run must refuse.
std::optional<ExpectedChip> ChipFor(uint8_t chip, uint8_t version);

struct ExpectedFrame {
  std::string kind;  // "block" or "eeprom"
  uint32_t address;
  int length;        // length field (block) or 1 (eeprom)
};

struct ExpectedRun {
  std::vector<ExpectedFrame> frames;    // in order: blocks, last block, final block, EEPROM
  std::map<uint32_t, uint8_t> flash;    // byte offset -> value
  std::map<uint8_t, uint8_t> eeprom;    // address byte -> last value written
};

struct RunInput {
  std::vector<uint8_t> image;  // as stored, before the run
  std::vector<uint8_t> eeprom;
  std::vector<uint8_t> finalBytes;
  bool plain = false;
  uint8_t chip = 0x48;
  uint8_t version = 5;
  uint32_t skipStart = 0, skipLength = 0;
};

ExpectedRun ExpectRun(const RunInput& in);

// Compares what the device holds and was sent with the expectation; empty when they agree,
// else a description of the first differences.
std::string CompareWithDevice(const ExpectedRun& expected, const devsim::Device& device,
                              int deviceNumber = 1);

// Reads an Intel HEX file into byte address -> value; empty when it cannot be read.
std::map<uint32_t, uint8_t> ReadIntelHex(const std::string& path);
// Compares a simulator's memory dump (flash by byte offset, EEPROM at 0xF00000 + address)
// with the expectation; empty when they agree.
std::string CompareWithDump(const ExpectedRun& expected, const std::map<uint32_t, uint8_t>& dump);
