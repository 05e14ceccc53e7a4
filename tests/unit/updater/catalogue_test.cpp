// The catalogue against a test release with board-specific images and images of 10 and
// 11 bytes (see tests/releases/updater/release.cmake).
#include <gtest/gtest.h>

#include "catalogue/build_data.h"
#include "catalogue/catalogue.h"

namespace {

class Catalogue : public testing::Test {
 protected:
  void SetUp() override { pending_ = FillCatalogue(); }
  uint8_t pending_ = 0;
};

TEST_F(Catalogue, CountsOnlyImagesOfMoreThanTenBytes) {
  // slot 0 (200 bytes), slot 2 (11 bytes) and slot 9 (300 bytes); slot 3 has 10.
  EXPECT_EQ(pending_, 3);
  EXPECT_EQ(ImagesPending, 3);
  EXPECT_EQ(SlotPending(0), 1);
  EXPECT_EQ(SlotPending(2), 1);
  EXPECT_EQ(SlotPending(3), 0xFF);
  EXPECT_EQ(SlotPending(4), 0xFF);  // placeholder
  EXPECT_EQ(SlotAfterWrite(7), 2);
  EXPECT_EQ(SlotAfterWrite(6), 2);
  EXPECT_EQ(SlotAfterWrite(9), 1);
  EXPECT_EQ(SlotAfterWrite(0), 0);
}

TEST_F(Catalogue, SelectsTheBoardImageOrFallsBackToRowZero) {
  const ImageSlot& row16 = ImageCatalogue[16][6];
  const struct {
    uint8_t chip, board;
    uint8_t slot;
    int32_t length;
  } cases[] = {
      {0x43, 5, 1, 150},    // board 5 has its own slot-1 image
      {0x43, 4, 1, 1},      // board 4 holds a placeholder: row 0's placeholder
      {0x43, 0, 1, 1},
      {0xFC, 16, 6, 1100},  // board-specific slot 6
      {0xFE, 32, 6, 1100},  // row 32 shares row 16's data
      {0xFC, 7, 6, 1},
      {0x41, 0, 0, 200},    // unlisted chip codes take slot 0
      {0xFF, 200, 0, 200},  // a board row never filled takes row 0
      {0x48, 255, 9, 300},  // board 255 has no row: row 0
      {0x44, 2, 2, 11},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SelectImage(c.chip, c.board), c.slot) << int(c.chip) << "/" << int(c.board);
    EXPECT_EQ(CurrentImage.imageLength, c.length) << int(c.chip) << "/" << int(c.board);
  }
  SelectImage(0xFE, 32);
  EXPECT_EQ(CurrentImage.image, row16.image);
  EXPECT_EQ(ImageCatalogue[32][6].image, row16.image);
}

TEST_F(Catalogue, PointsIntoTheBuildDataWithoutCopying) {
  SelectImage(0x48, 0);
  const BuildCell* cell = nullptr;
  for (int i = 0; i < BuildCellCount; ++i)
    if (BuildCells[i].row == 0 && BuildCells[i].slot == 9) cell = &BuildCells[i];
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(CurrentImage.image, cell->image.bytes);
  EXPECT_EQ(CurrentImage.eeprom, cell->eeprom.bytes);
  EXPECT_EQ(CurrentImage.eepromLength, 16);
  EXPECT_EQ(CurrentImage.finalBytes, cell->finalBlock.bytes);
  EXPECT_EQ(CurrentImage.finalLength, 8);
  EXPECT_EQ(CurrentImage.plain, 0);
  SelectImage(0x42, 0);
  EXPECT_EQ(CurrentImage.eepromLength, 0);  // EEPROM NONE
  SelectImage(0x46, 0);                     // nothing given: one-byte placeholders
  EXPECT_EQ(CurrentImage.imageLength, 1);
  EXPECT_EQ(CurrentImage.eepromLength, 1);
  EXPECT_EQ(CurrentImage.finalLength, 1);
  EXPECT_NE(CurrentImage.image, ImageCatalogue[0][5].image);  // each cell its own
}

TEST_F(Catalogue, MarkingImagesDoneCountsEachCountedSlotOnce) {
  MarkImageDone(9);
  EXPECT_EQ(ImagesPending, 2);
  MarkImageDone(9);
  EXPECT_EQ(ImagesPending, 2);
  MarkImageDone(3);  // not counted (0xFF): marked written, count unchanged
  EXPECT_EQ(ImagesPending, 2);
  EXPECT_EQ(SlotPending(3), 0);
  MarkImageDone(0);
  EXPECT_EQ(ImagesPending, 1);
  EXPECT_EQ(CountImages(), 3);  // a new run re-arms every slot
  EXPECT_EQ(SlotPending(9), 1);
  EXPECT_EQ(SlotPending(3), 0xFF);
}

}  // namespace
