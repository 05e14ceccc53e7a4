// The simulator's frame parser fed any byte stream: every frame it completes is within the
// bytes it was given, and its fields agree with its bytes.
#include <cstddef>
#include <cstdint>

#include "sim/frame_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  devsim::FrameParser parser({0xC2, 0xC5, 0xC6});
  parser.setWideLength((data[0] & 1) != 0);  // the first byte picks the length field's size
  size_t fed = 0;
  for (size_t i = 1; i < size; ++i) {
    ++fed;
    if (!parser.feed(data[i])) continue;
    const devsim::HostFrame& f = parser.frame();
    if (f.bytes.empty() || f.bytes.size() > fed) __builtin_trap();
    if (f.dataOffset + static_cast<size_t>(f.dataLength) > f.bytes.size()) __builtin_trap();
    fed = 0;
  }
  return 0;
}
