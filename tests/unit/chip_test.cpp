#include <gtest/gtest.h>
#include <vector>

#include "protocol/chip.h"

namespace {

std::vector<uint8_t> Vector() { return {ResetVector.begin(), ResetVector.begin() + ResetVectorLength}; }

TEST(ChipGeometry, ResetVectorAndAddressUnitByChipAndVersion) {
  const struct {
    uint8_t chip, version;
    int32_t unit;
    std::vector<uint8_t> vector;
  } cases[] = {
      {66, 5, 1, {0x40, 0xEF, 0x3F, 0xF0}},  {66, 4, 1, {0x80, 0xEF, 0x3F, 0xF0}},
      {67, 8, 1, {0x40, 0xEF, 0x3F, 0xF0}},  {68, 5, 1, {0x40, 0xEF, 0x1F, 0xF0}},
      {69, 0, 1, {0x80, 0xEF, 0x1F, 0xF0}},  {70, 5, 1, {0x80, 0xEF, 0x0F, 0xF0}},
      {70, 4, 1, {0x80, 0xEF, 0x0F, 0xF0}},  {71, 5, 1, {0x40, 0xEF, 0x3F, 0xF0}},
      {72, 31, 1, {0x40, 0xEF, 0x7F, 0xF0}}, {199, 5, 1, {0x00, 0xEF, 0x1E, 0xF0}},
      {199, 1, 1, {0x00, 0xEF, 0x1E, 0xF0}},
      {252, 5, 2, {0x00, 0xA8, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}},
      {253, 0, 2, {0x00, 0x54, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00}},
      {254, 9, 2, {0x00, 0xA8, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(ChipGeometry(c.chip, c.version)) << int(c.chip) << " v" << int(c.version);
    EXPECT_EQ(AddressUnit, c.unit) << int(c.chip);
    EXPECT_EQ(Vector(), c.vector) << int(c.chip) << " v" << int(c.version);
    EXPECT_EQ(TopReserve, c.version >= 5 ? 448 : 320);
    EXPECT_EQ(TopReserveJ, 1088);
  }
}

TEST(ChipGeometry, AChipWithoutAVectorForTheVersionKeepsTheLastOne) {
  ASSERT_TRUE(ChipGeometry(253, 5));
  for (uint8_t chip : {71, 72}) {
    EXPECT_FALSE(ChipGeometry(chip, 4));
    EXPECT_EQ(ResetVectorLength, 8);
    EXPECT_EQ(ResetVector[1], 0x54);
    EXPECT_EQ(AddressUnit, 1);
  }
}

TEST(ChipGeometry, LabelsOnlyForKnownCodes) {
  EXPECT_STREQ(ChipLabel(66), "Found 258");
  EXPECT_STREQ(ChipLabel(253), "Found 33FJ128 - 24HJ128");
  EXPECT_STREQ(ChipLabel(72), "Found 18F26k80");
  for (uint8_t chip : {0, 65, 73, 198, 251, 255}) EXPECT_EQ(ChipLabel(chip), nullptr) << int(chip);
}

}  // namespace
