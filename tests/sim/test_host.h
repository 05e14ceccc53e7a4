// What the tests use to play the host against the in-process device: frame builders that
// compute their own sums, and a virtual-clock exchange.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/device.h"

namespace simtest {

using Bytes = std::vector<uint8_t>;

inline Bytes WithChecksum(Bytes frame) {
  unsigned sum = 0;
  for (uint8_t b : frame) sum += b;
  frame.push_back(static_cast<uint8_t>(-sum));
  return frame;
}

// A data block frame; wide: the two-byte length field of the 16-bit chips.
inline Bytes Block(uint32_t address, const Bytes& data, bool wide = false) {
  Bytes f{static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8),
          static_cast<uint8_t>(address)};
  if (wide) f.push_back(static_cast<uint8_t>(data.size() >> 8));
  f.push_back(static_cast<uint8_t>(data.size()));
  f.insert(f.end(), data.begin(), data.end());
  return WithChecksum(f);
}

inline Bytes Eeprom(uint8_t address, uint8_t value) {
  return WithChecksum({0x40, address, value, 0x01, 0x00});
}

inline Bytes Pattern(const std::string& text15) {
  Bytes f{0x00, 0x0F};
  for (char ch : text15) f.push_back(static_cast<uint8_t>(ch));
  unsigned sum = 0;
  for (uint8_t b : f) sum += b;
  f.push_back(static_cast<uint8_t>(sum >> 8));
  f.push_back(static_cast<uint8_t>(sum));
  return f;
}

inline Bytes Command4() { return {0x04, 0x00, 0x00, 0x04}; }

// n bytes counting up from first.
inline Bytes Counting(size_t n, uint8_t first = 0) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(first + i);
  return b;
}

inline std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A host that writes at `clock` and then takes every byte the device sends, moving the clock
// to the arrival of the last one.
struct VirtualHost {
  devsim::Device& device;
  int64_t clock = 0;

  std::string exchange(const Bytes& frame) {
    device.hostWrite(frame.data(), frame.size(), clock);
    return collect();
  }
  std::string collect() {
    std::string got;
    uint8_t buf[512];
    while (device.nextArrivalUs() != devsim::Never) {
      clock = std::max(clock, device.nextArrivalUs());
      const size_t n = device.hostRead(buf, sizeof buf, clock);
      got.append(reinterpret_cast<const char*>(buf), n);
    }
    return got;
  }
};

}  // namespace simtest
