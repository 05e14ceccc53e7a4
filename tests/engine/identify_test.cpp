// What the run refuses before it writes anything: unknown chips, empty or oversized
// images, unsuitable hardware.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "protocol/chip.h"
#include "protocol/decoder.h"
#include "protocol/run.h"
#include "support/engine_fixture.h"

namespace {

class Refusals : public EngineTest {};

TEST_F(Refusals, UnknownChipCodesEvenWithAnEmptyImage) {
  for (uint8_t chip : {0xFB, 0xFF, 0x41}) {
    restart();
    open();
    connect(device(chip));
    EXPECT_EQ(update(), 0) << int(chip);
    EXPECT_EQ(message(), " Error !! ") << int(chip);
    EXPECT_EQ(panel(3), "Unknow Device") << int(chip);
    EXPECT_TRUE(frameWrites().empty()) << int(chip);
    EXPECT_TRUE(view.startOffered) << int(chip);  // START is back
  }
}

TEST_F(Refusals, EmptyAndOversizedImagesPerWindow) {
  const struct {
    MainWindow window;
    size_t length;  // for chip 0xFD: 2 x 0x15380 = 173824 bytes fit
    const char* result;
    const char* devicePanel;  // "" where the window shows none
  } cases[] = {
      {MainWindow::Upgrade, 1, " No Hex inside !! ", ""},
      {MainWindow::Upgrade, 173825, " Hex too Big !! ", ""},
      {MainWindow::Updater, 1, " No Hex inside !! ", "Warning"},
      {MainWindow::Updater, 173825, " Hex too Big !! ", "Warning"},
      {MainWindow::Loader, 1, " No Hex inside !! ", ""},
      {MainWindow::Loader, 173825, " Hex too Big !! ", ""},
  };
  for (const auto& c : cases) {
    restart();
    open(c.window);
    useImage(0, 7, TestImage(c.length, 1, 0xFD), {}, TestBytes(8, 2), 1);
    connect(device(0xFD));
    EXPECT_EQ(update(), 0) << c.result;
    EXPECT_EQ(message(), c.result);
    if (c.window == MainWindow::Updater) {
      EXPECT_EQ(panel(2), c.devicePanel);
      EXPECT_GT(view.deviceInfoShown, 0);  // the device information is shown
      EXPECT_TRUE(view.startOffered);
    }
    if (c.window == MainWindow::Upgrade) {
      EXPECT_TRUE(view.startOffered);
    }
    EXPECT_TRUE(frameWrites().empty());
  }
}

TEST_F(Refusals, ImagesTooShortForTheJumpOrTheirHeaderAreRefusedBeforeAnythingIsWritten) {
  const struct {
    uint8_t chip;
    size_t length;
    int plain;
    bool refused;
  } cases[] = {
      {0x42, 2, 1, true},      // half a PIC18 jump
      {0x42, 4, 1, false},     // the whole jump
      {0xFD, 4, 1, true},      // half a 16-bit jump
      {0xFD, 8, 1, false},
      {0x42, 15, 0, true},     // masked: the header bytes 14 and 15 do not both fit
      {0x42, 16, 0, false},
      {0xFC, 1025, 0, true},   // masked 16-bit: 1024 and 1025
      {0xFC, 1026, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << int(c.chip) << std::dec << " " << c.length);
    restart();
    open();
    useImage(0, SlotOfChip(c.chip), TestImage(c.length, 4, c.chip), {}, TestBytes(8, 5), c.plain);
    connect(device(c.chip));
    EXPECT_EQ(update(), 0);
    if (c.refused) {
      EXPECT_EQ(message(), " No Hex inside !! ");
      EXPECT_TRUE(frameWrites().empty());
      EXPECT_EQ(LastRunEnd, RunEnd::Refused);
    } else {
      EXPECT_EQ(message(), "Program OK");
    }
  }
}

TEST_F(Refusals, A16BitImageOfExactlyTwiceTheFlashLimitIsAccepted) {
  open();
  useImage(0, 6, TestImage(85760, 3, 0xFC), {}, TestBytes(8, 4), 1);  // 2 x 0xA780
  connect(device(0xFC));
  EXPECT_EQ(update(), 0);
  EXPECT_EQ(message(), "Program OK");
  EXPECT_EQ(ProgramLength, 85760);
}

TEST_F(Refusals, UnsuitableHardwareIsRefusedWithTheImagesNeeds) {
  const struct {
    uint8_t print, req, board, dev;
    const char* result;  // nullptr: programmed
  } cases[] = {
      {5, 0x04, 6, 0x04, "MB05 - Preparation 4"},
      {16, 0x84, 32, 0x84, "MB16 - Preparation 84"},
      {32, 0x04, 16, 0x04, nullptr},
      {5, 0x01, 5, 0x11, "MB05 - Preparation 1"},
      {0, 0x04, 9, 0x11, nullptr},
  };
  for (const auto& c : cases) {
    restart();
    open();
    std::vector<uint8_t> image = TestBytes(100, 5);
    image[14] = c.print ^ 0xA5;
    image[15] = c.req ^ 0xA5;
    useImage(0, 0, image, {}, TestBytes(8, 6), 0);
    devsim::Config config = device(0x42);
    config.board = c.board;
    config.preparation = c.dev;
    connect(config);
    EXPECT_EQ(update(), 0);
    if (c.result == nullptr) {
      EXPECT_EQ(message(), "Program OK");
      continue;
    }
    EXPECT_EQ(message(), c.result);
    EXPECT_EQ(panel(3), "not suitable apparatus");  // device and extra share panel 3 here
    EXPECT_TRUE(frameWrites().empty());
    const auto& t = link.device()->transcript();
    EXPECT_TRUE(std::none_of(t.begin(), t.end(), [](auto& e) { return e.kind == "entry"; }));
  }
}

TEST_F(Refusals, TheUpdaterShowsWarningAndExtraPanelsApart) {
  open(MainWindow::Updater);
  std::vector<uint8_t> image = TestBytes(100, 7);
  image[14] = 5 ^ 0xA5;
  image[15] = 0x04 ^ 0xA5;
  useImage(0, 0, image, {}, TestBytes(8, 8), 0);
  connect(device(0x42));
  EXPECT_EQ(update(), 0);
  EXPECT_EQ(message(), "MB05 - Preparation 4");
  EXPECT_EQ(panel(2), "Warning!!");
  EXPECT_EQ(panel(3), "not suitable apparatus");
}

}  // namespace
