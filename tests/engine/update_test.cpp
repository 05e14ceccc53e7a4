// One press of a start button, as every front end makes it: the engine's own loop.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "protocol/run.h"
#include "protocol/search.h"
#include "support/engine_fixture.h"
#include "support/expected_run.h"

namespace {

class Update : public EngineTest {
 protected:
  int16_t press() {
    return UpdateDevices(RecordingView::MainBar, statusBar(), RecordingView::ImageBar);
  }
};

TEST_F(Update, InMultiImageModeOneStartWritesEveryDeviceInTurnAndCountsTheImages) {
  open();
  MultiImageMode = true;  // as a "TRI" build sets it up
  RunInput first, second;
  first.image = TestImage(600, 1, 0xFD);
  first.finalBytes = TestBytes(8, 2);
  first.chip = 0xFD;
  second.image = TestImage(200, 3, 0x48);
  second.eeprom = TestBytes(4, 4);
  second.finalBytes = TestBytes(8, 5);
  second.chip = 0x48;
  useImage(0, 7, first.image, {}, first.finalBytes, 0);
  useImage(0, 9, second.image, second.eeprom, second.finalBytes, 0);
  devsim::Config config = device(0xFD);
  config.chips = {0xFD, 0x48};  // one device after the other on the same line
  connect(config);

  EXPECT_EQ(press(), SearchFound);
  EXPECT_EQ(message(), "Program OK");
  EXPECT_EQ(view.bar(RecordingView::ImageBar).maximum, 3);  // two images and one
  EXPECT_EQ(view.bar(RecordingView::ImageBar).position, 3);
  EXPECT_EQ(ImagesPending, 0);
  EXPECT_TRUE(view.startOffered);
  EXPECT_EQ(CompareWithDevice(ExpectRun(first), *link.device(), 1), "");
  EXPECT_EQ(CompareWithDevice(ExpectRun(second), *link.device(), 2), "");
}

TEST_F(Update, ASingleImageStartEndsAfterOneRun) {
  open();
  connect(device(0x48));
  EXPECT_EQ(press(), SearchFound);
  EXPECT_EQ(message(), "Program OK");
  EXPECT_EQ(link.opens(), 1);  // no second search
  EXPECT_EQ(view.bar(RecordingView::ImageBar).maximum, CountImages() + 1);
}

TEST_F(Update, TheLoaderWordsAFailedSearchItsOwnWay) {
  const struct {
    bool portPresent;
    int16_t result;
    const char* message;
    uint32_t colour;
  } cases[] = {
      {true, SearchNoDevice, "The device is not find.", 0x000000},
      {false, SearchPortUnusable, "Port not valid. Select a new port.", 0x0000FF},
  };
  for (const auto& c : cases) {
    restart();
    open(MainWindow::Loader);
    link.disconnect();
    link.setPortPresent(c.portPresent);
    EXPECT_EQ(press(), c.result) << c.message;
    EXPECT_EQ(message(), c.message);
    EXPECT_EQ(view.messageColour, c.colour) << c.message;
    EXPECT_TRUE(view.startOffered) << c.message;
  }
}

TEST_F(Update, AResetLeavesNoTraceOfTheUpdatesBefore) {
  // The Updater window's update of a 16-bit chip with an R record and a skip range.
  const auto reference = [this] {
    open(MainWindow::Updater);
    useImage(0, 6, TestImage(2000, 9, 0xFC), {}, TestBytes(8, 10), 0);
    devsim::Config config = device(0xFC, 8);
    config.rRecord = true;
    config.rText = "R";
    config.skipStart = 0x40;
    config.skipLength = 0x40;
    connect(config);
    std::vector<std::string> shown = view.log;
    shown.push_back("result " + std::to_string(update()));
    for (int i = 0; i < 5; ++i) shown.push_back("panel " + panel(i));
    return std::make_pair(link.writes(), shown);
  };
  const auto forget = [this] {
    ResetEngineState();
    link.forgetWrites();
    view.clear();
  };
  const auto first = reference();
  forget();
  // Updates that leave as much behind as they can: another window and its panel table,
  // multi-image mode and its bookkeeping, the other probe, refusals, an R record, a device
  // that stops answering mid-run.
  open(MainWindow::Upgrade);
  MultiImageMode = true;
  NVariant = true;
  devsim::Config config = device(0x48, 9);
  config.rRecord = true;
  config.rText = "left over";
  config.skipStart = 0x10;
  config.skipLength = 0x100;
  config.faults = {{devsim::FaultKind::Refuse, 0, 2, 2}, {devsim::FaultKind::Silent, 0, 5}};
  connect(config);
  press();
  forget();
  const auto again = reference();

  ASSERT_EQ(first.first.size(), again.first.size());
  for (size_t i = 0; i < first.first.size(); ++i)
    EXPECT_EQ(first.first[i].bytes, again.first[i].bytes) << "write " << i;
  EXPECT_EQ(first.second, again.second);
}

}  // namespace
