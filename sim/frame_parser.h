// Cuts the byte stream that the host sends to a device in bootloader mode into frames,
// by their first byte:
//   probe byte        a probe (one byte)
//   0xCC              programming-mode entry (one byte)
//   0x00, 0x01        data block: 3 address bytes (high first), the length (one byte, or two
//                     bytes high first on 16-bit chips), the data, an 8-bit checksum; or, when
//                     it starts 00 0F and its 19th byte closes a matching 16-bit sum, the
//                     pattern frame
//   0x40              EEPROM frame: 0x40, address, value, 0x01, 0x00, checksum
//   0x04              command-4 frame: 04 00 00 04
//   anything else     an unknown byte (a frame of one byte)
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace devsim {

enum class FrameKind { Probe, Entry, Block, Eeprom, Pattern, Command4, Unknown };

// The transcript's name of a kind: probe, entry, block, eeprom, pattern, command4, unknown.
const char* FrameKindName(FrameKind kind);

struct HostFrame {
  FrameKind kind = FrameKind::Unknown;
  std::vector<uint8_t> bytes;  // the frame as received, checksum included
  uint32_t address = 0;        // Block: device address; Eeprom: the address byte
  int dataLength = 0;          // Block: data bytes; Eeprom: 1; else 0
  size_t dataOffset = 0;       // where the data starts in bytes
  bool checksumOk = true;      // the checksum or sum is right (true for frames with none)
};

class FrameParser {
 public:
  explicit FrameParser(std::vector<uint8_t> probes);

  // Block frames of 16-bit chips carry a two-byte length.
  void setWideLength(bool wide) { wideLength_ = wide; }

  // Feeds one byte. True when it completed a frame; frame() holds it until the next feed.
  bool feed(uint8_t b);
  const HostFrame& frame() const { return frame_; }

  // True between frames.
  bool idle() const { return buffer_.empty(); }

 private:
  bool isProbe(uint8_t b) const;
  bool startFrame(uint8_t b);
  bool continueFrame();
  bool finish(FrameKind kind);

  std::vector<uint8_t> probes_;
  bool wideLength_ = false;
  FrameKind pendingKind_ = FrameKind::Unknown;
  std::vector<uint8_t> buffer_;
  HostFrame frame_;
};

}  // namespace devsim
