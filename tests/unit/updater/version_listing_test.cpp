#include <gtest/gtest.h>

#include "catalogue/version_listing.h"

namespace {

TEST(VersionListing, ListsTheImagesOfTheListedChipsInGroupOrder) {
  const std::vector<std::string> expected = {
      "Device - Print          - Preparation",
      "-------------------------------------",
      "24HJ64 - MB16[16PIN] - UNKNOWN   [Code:10]",  // row 0 slot 6 empty: board 16's
      "2580   - MB05[16PIN] - CAN   [Code:04]",      // board 5's slot-1 image
      "258    - MB03[16PIN] - CAN  RES[Code:84]",
      "2480   - MB02[14PIN] - UNKNOWN   [Code:00]",  // too short to carry a header
      "248    - MB02[14PIN] - UNKNOWN   [Code:00]",
  };
  EXPECT_EQ(VersionListing(), expected);
}

TEST(VersionListing, ComposesLinesFromPrintAndPreparation) {
  const struct {
    int8_t index;
    uint8_t print, preparation;
    const char* line;
  } cases[] = {
      {0, 3, 0x84, "258    - MB03[16PIN] - CAN  RES[Code:84]"},
      {0, 3, 0x10, "258    - MB03[16PIN] - UNKNOWN   [Code:10]"},  // kind 0
      {0, 3, 0x00, "258    - MB03[16PIN] - UNKNOWN   [Code:00]"},
      {0, 3, 0x0B, "258    - MB03[16PIN] - UNKNOWN   [Code:0b]"},  // kind 11
      {0, 3, 0x2A, "258    - MB03[16PIN] - UNKNOWN   [Code:2a]"},  // kind 0x2A
      {0, 20, 0x0A, "258    - MB20[RJ45] - ETH0   [Code:0a]"},
      {0, 21, 0x02, "258    - MB21[6PIN] -    [Code:02]"},        // kind 2 has no name
      {0, 0, 0x84, "258    - MB02[14PIN] - UNKNOWN   [Code:84]"},  // print 0, first lines
      {6, 0, 0x04, "258    - UNK[16PIN] - UNKNOWN   [Code:04]"},   // print 0, seventh line
      {5, 33, 0x04, "258    - MB02[14PIN] - UNKNOWN   [Code:04]"},
      {0, 32, 0x81, "258    - MB32[16PIN] - CAN+SPI  RES[Code:81]"},
      {0, 1, 0x05, "258    - UNK[UNK] - SRV   [Code:05]"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ComposeVersionLine(c.index, "258   ", c.print, c.preparation), c.line);
}

TEST(VersionListing, BoardNamesFallBackToEntryTwo) {
  EXPECT_STREQ(BoardName(32), "MB32");
  EXPECT_STREQ(BoardName(1), "UNK");
  EXPECT_STREQ(BoardName(27), "28");
  for (int id : {33, 0, -1, 255}) EXPECT_STREQ(BoardName(id), "MB02") << id;
}

}  // namespace
