// The catalogue as this release builds it.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "catalogue/version_listing.h"

namespace {

TEST(ReleaseCatalogue, HoldsTheTwoBuiltInImagesWithTheirExactSizes) {
  EXPECT_EQ(FillCatalogue(), 2);
  const struct {
    uint8_t chip;
    int32_t image, eeprom, final;
    int32_t plain;
  } cases[] = {
      {0xFD, 144896, 0, 8, 1},
      {0x48, 9766, 1024, 8, 0},
      {0x47, 1, 0, 1, 0},  // slot 8: placeholders, no EEPROM
      {0x42, 1, 1, 1, 0},
      {0xFC, 1, 1, 1, 0},
  };
  for (const auto& c : cases) {
    SelectImage(c.chip, 0);
    EXPECT_EQ(CurrentImage.imageLength, c.image) << int(c.chip);
    EXPECT_EQ(CurrentImage.eepromLength, c.eeprom) << int(c.chip);
    EXPECT_EQ(CurrentImage.finalLength, c.final) << int(c.chip);
    EXPECT_EQ(CurrentImage.plain, c.plain) << int(c.chip);
  }
  // The masked image's header unmasks to print 0 and preparation 0.
  SelectImage(0x48, 0);
  EXPECT_EQ(CurrentImage.image[14] ^ DataMask(0, 1), 0);
  EXPECT_EQ(CurrentImage.image[15] ^ DataMask(0, 1), 0);
}

TEST(ReleaseCatalogue, ListsNoImagesOfTheListedChips) {
  EXPECT_EQ(VersionListing().size(), 2u);
}

TEST(DataMask, AddsA5WhenEnabled) {
  EXPECT_EQ(DataMask(0x00, 1), 0xA5);
  EXPECT_EQ(DataMask(0x10, 1), 0xB5);
  EXPECT_EQ(DataMask(0x60, 1), 0x05);
  EXPECT_EQ(DataMask(0xFF, 1), 0xA4);
  for (int v : {0x00, 0x10, 0x60, 0xFF}) EXPECT_EQ(DataMask(v, 0), 0) << v;
}

}  // namespace
