#include "sim/frame_parser.h"

#include <algorithm>

#include "sim/checksum.h"

namespace devsim {

namespace {
constexpr size_t PatternFrameSize = 19;
constexpr size_t EepromFrameSize = 6;
constexpr size_t Command4FrameSize = 4;
}  // namespace

const char* FrameKindName(FrameKind kind) {
  switch (kind) {
    case FrameKind::Probe: return "probe";
    case FrameKind::Entry: return "entry";
    case FrameKind::Block: return "block";
    case FrameKind::Eeprom: return "eeprom";
    case FrameKind::Pattern: return "pattern";
    case FrameKind::Command4: return "command4";
    case FrameKind::Unknown: return "unknown";
  }
  return "unknown";
}

FrameParser::FrameParser(std::vector<uint8_t> probes) : probes_(std::move(probes)) {}

bool FrameParser::isProbe(uint8_t b) const {
  return std::find(probes_.begin(), probes_.end(), b) != probes_.end();
}

bool FrameParser::feed(uint8_t b) {
  buffer_.push_back(b);
  return buffer_.size() == 1 ? startFrame(b) : continueFrame();
}

bool FrameParser::startFrame(uint8_t b) {
  if (isProbe(b)) return finish(FrameKind::Probe);
  switch (b) {
    case 0xCC: return finish(FrameKind::Entry);
    case 0x00:
    case 0x01: pendingKind_ = FrameKind::Block; return false;
    case 0x40: pendingKind_ = FrameKind::Eeprom; return false;
    case 0x04: pendingKind_ = FrameKind::Command4; return false;
    default: return finish(FrameKind::Unknown);
  }
}

bool FrameParser::continueFrame() {
  const size_t n = buffer_.size();
  switch (pendingKind_) {
    case FrameKind::Eeprom:
      return n == EepromFrameSize && finish(FrameKind::Eeprom);
    case FrameKind::Command4:
      return n == Command4FrameSize && finish(FrameKind::Command4);
    case FrameKind::Block: {
      if (n == PatternFrameSize && buffer_[0] == 0x00 && buffer_[1] == 0x0F &&
          Sum16(buffer_.data(), 17) == ((buffer_[17] << 8) | buffer_[18])) {
        return finish(FrameKind::Pattern);
      }
      const size_t header = wideLength_ ? 5 : 4;
      if (n < header) return false;
      const size_t length = wideLength_ ? (buffer_[3] << 8) | buffer_[4] : buffer_[3];
      return n == header + length + 1 && finish(FrameKind::Block);
    }
    default:
      return false;
  }
}

bool FrameParser::finish(FrameKind kind) {
  frame_ = HostFrame{};
  frame_.kind = kind;
  frame_.bytes.swap(buffer_);
  buffer_.clear();
  const std::vector<uint8_t>& f = frame_.bytes;
  switch (kind) {
    case FrameKind::Block: {
      const size_t header = wideLength_ ? 5 : 4;
      frame_.address = (uint32_t{f[0]} << 16) | (uint32_t{f[1]} << 8) | f[2];
      frame_.dataOffset = header;
      frame_.dataLength = static_cast<int>(f.size() - header - 1);
      frame_.checksumOk = FrameSumsToZero(f.data(), f.size());
      break;
    }
    case FrameKind::Eeprom:
      frame_.address = f[1];
      frame_.dataOffset = 2;
      frame_.dataLength = 1;
      frame_.checksumOk = FrameSumsToZero(f.data(), f.size());
      break;
    case FrameKind::Command4:
      frame_.checksumOk = Sum16(f.data(), 2) == ((f[2] << 8) | f[3]);
      break;
    default:
      break;  // probe, entry, pattern (sum already matched), unknown
  }
  return true;
}

}  // namespace devsim
