#include "sim/checksum.h"

namespace devsim {

static uint8_t Sum8(const uint8_t* bytes, size_t n) {
  unsigned sum = 0;
  for (size_t i = 0; i < n; ++i) sum += bytes[i];
  return static_cast<uint8_t>(sum);
}

uint8_t FrameChecksum(const uint8_t* bytes, size_t n) {
  return static_cast<uint8_t>(0x100 - Sum8(bytes, n));
}

bool FrameSumsToZero(const uint8_t* frame, size_t n) { return Sum8(frame, n) == 0; }

uint16_t Sum16(const uint8_t* bytes, size_t n) {
  unsigned sum = 0;
  for (size_t i = 0; i < n; ++i) sum += bytes[i];
  return static_cast<uint16_t>(sum);
}

}  // namespace devsim
