#include <gtest/gtest.h>
#include <numeric>
#include <vector>

#include "protocol/frames.h"

namespace {

TEST(FrameChecksum, MakesEveryFrameSumToZero) {
  const std::vector<std::vector<uint8_t>> frames = {
      {}, {0x00}, {0xFF}, {0x40, 0x05, 0x5A, 0x01, 0x00}, std::vector<uint8_t>(261, 0xFF)};
  for (const auto& f : frames) {
    const uint8_t sum = std::accumulate(f.begin(), f.end(), 0u) & 0xFF;
    EXPECT_EQ(static_cast<uint8_t>(sum + FrameChecksum(f.data(), int(f.size()))), 0);
  }
  EXPECT_EQ(FrameChecksum(nullptr, 0), 0x00);  // an empty frame is the single byte 0x00
  const uint8_t eeprom[] = {0x40, 0x00, 0x12, 0x01, 0x00};
  EXPECT_EQ(FrameChecksum(eeprom, 5), 0xAD);
}

}  // namespace
