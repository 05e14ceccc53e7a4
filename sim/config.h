// What a simulated device is: chip, identification, the probes it answers, the faults it
// injects and the figures of its time model.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace devsim {

constexpr int64_t Never = INT64_MAX;

// Line time of one byte: 1 start bit, 8 data bits, 2 stop bits at 115200 baud.
constexpr int BitsPerByte = 11;
constexpr int DefaultBaud = 115200;

// Write times, from the chip data sheets' memory programming tables.
//  - PIC18 64-byte block: the self-timed write cycle (TIW) is 2 ms typical in the older
//    PIC18 families and 2.8 ms in the K-series that carries the 64-byte blocks; we take
//    2.8 ms.
//  - 16-bit chip (PIC24/dsPIC33) 256-byte block, i.e. one 64-instruction row: the row
//    write time (TRW) is 1.32 to 1.74 ms; with loading the row latches about 2 ms. The page
//    erase that a real bootloader does every eighth row is not modelled.
//  - EEPROM byte: the erase/write cycle (TDEW) is 4 ms typical on PIC18 chips.
constexpr int64_t DefaultPic18BlockWriteUs = 2800;
constexpr int64_t DefaultWideBlockWriteUs = 2000;
constexpr int64_t DefaultEepromByteWriteUs = 4000;

// Chip codes 0xFC to 0xFE are the 16-bit chips: two bytes per device address and a
// two-byte length field in block frames. Every other code is taken as a PIC18 chip.
constexpr bool IsWideChip(uint8_t chip) { return chip >= 0xFC && chip <= 0xFE; }
constexpr int AddressUnitOf(uint8_t chip) { return IsWideChip(chip) ? 2 : 1; }

enum class FaultKind {
  Refuse,   // answer N to the first `count` receptions of the frame, then go on normally
  Drop,     // store the frame, answer nothing
  Late,     // hold every answer to the frame back by delayUs
  Garbage,  // send `count` stray bytes before every answer to the frame
  Silent,   // after the frame has been answered, answer and store nothing more (probes too)
  HangUp,   // after the frame has been answered, hang up the line
};

// Frames are numbered from 1 per device. Only checksummed frames count (data blocks, the
// final block, EEPROM frames); the frame that follows a refusal is taken as its re-send and
// keeps the number.
struct Fault {
  FaultKind kind = FaultKind::Refuse;
  int device = 0;        // 0: every device; else the device number, from 1
  int frame = 1;         // the frame number; 0 with Late: every numbered frame, with HangUp:
                         // the identification
  int count = 1;         // Refuse: refusals; Garbage: stray bytes
  int64_t delayUs = 0;   // Late
};

struct Config {
  std::vector<uint8_t> chips{0x48};  // one device after another; empty means {0x48}
  uint8_t version = 5;
  bool vRecord = true;               // false: short identification (chip code, then K)
  uint8_t board = 2;
  uint8_t preparation = 0;
  // The R record follows the identification when rRecord is set and version is 8 to 31.
  bool rRecord = false;
  std::string rText;                 // at most 24 characters are sent
  uint16_t skipStart = 0, skipLength = 0;
  std::vector<uint8_t> probes{0xC2, 0xC5, 0xC6};
  int answerAfterProbes = 0;         // the first device ignores this many probes first
  std::vector<Fault> faults;
  int64_t entryLateUs = 0;  // the answer to the programming-mode entry command comes this late
  int64_t splitAnswersUs = 0;  // every answer byte this much after the one before (and its line time)
  // From numbered frame streamAfterFrame on (0: from the host's first byte; -1: never) the
  // line carries a stray byte (none of K, N, V, R) every streamPeriodUs, without end.
  int streamAfterFrame = -1;
  int64_t streamPeriodUs = 500;
  int cutIdentification = 0;  // the identification stops after this many bytes (0: whole)
  int rRecordPromise = 0;     // the R record's length byte (0: the length of what is sent)
  // Devices swapped by hand, as on a production line: a device that received data blocks
  // leaves the line unplugAfterUs after its last frame (Never: it stays, and a probe after
  // its data starts the next device at once); the next one is plugged in plugGapUs later.
  // The last device, once it has left, stays away.
  int64_t unplugAfterUs = Never;
  int64_t plugGapUs = 500000;

  // Time model. Off: answers are ready as soon as their frame is complete (late answers
  // are still late). On: line time per byte both ways and write times.
  bool timeModel = false;
  double byteUs = BitsPerByte * 1e6 / DefaultBaud;  // 95.486 us
  int64_t pic18BlockWriteUs = DefaultPic18BlockWriteUs;
  int64_t wideBlockWriteUs = DefaultWideBlockWriteUs;
  int64_t eepromByteWriteUs = DefaultEepromByteWriteUs;
};

}  // namespace devsim
