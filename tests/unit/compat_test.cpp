#include <gtest/gtest.h>

#include "protocol/compat.h"

namespace {

TEST(Compatibility, DecisionTable) {
  const struct {
    uint8_t print, req;    // what the image requires
    uint8_t board, dev;    // what the device reports
    bool suitable;
  } cases[] = {
      // No requirement: nothing is compared.
      {0, 0x04, 9, 0x01, true},
      {0xFF, 0x04, 9, 0x01, true},
      // Board.
      {5, 0x04, 5, 0x04, true},
      {5, 0x04, 6, 0x04, false},
      {32, 0x04, 16, 0x04, true},
      {16, 0x04, 32, 0x04, false},
      // Preparation rows.
      {5, 0x81, 5, 0x84, true},   // both carry bit 7
      {5, 0x80, 5, 0x03, true},   // dev 3 and req bit 7
      {5, 0x04, 5, 0x03, false},  // kind 4 is not 3
      {5, 0x04, 5, 0x01, true},
      {5, 0x01, 5, 0x04, false},
      {5, 0x01, 5, 0x02, true},
      {5, 0x02, 5, 0x02, true},
      {5, 0x04, 5, 0x02, true},
      {5, 0x05, 5, 0x02, false},
      {5, 0x01, 5, 0x05, false},
      {5, 0x04, 5, 0x05, true},
      {5, 0x05, 5, 0x15, false},  // bit 4 on the device only
      {5, 0x01, 5, 0x11, false},
      {5, 0x11, 5, 0x01, true},   // req's bit 4 is masked off for the kind
      {5, 0x21, 5, 0x02, false},  // k = 0x21
      {5, 0x07, 5, 0x87, true},   // equal bytes always suit
  };
  for (const auto& c : cases)
    EXPECT_EQ(ImageSuits(c.print, c.req, true, c.board, c.dev), c.suitable)
        << "print " << int(c.print) << " req " << int(c.req) << " board " << int(c.board)
        << " dev " << int(c.dev);
}

TEST(Compatibility, ADeviceWithoutVRecordIsNeverRefused) {
  EXPECT_TRUE(ImageSuits(5, 0x04, false, 2, 0x01));
  EXPECT_TRUE(ImageSuits(16, 0x01, false, 32, 0x11));
}

}  // namespace
