// One press of a start button, as every front end makes it: the engine's own loop.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "protocol/decoder.h"
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
  first.image = TestImage(1200, 1, 0xFD);
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

// Two images, two devices one after the other; the second one's run does not write its
// image. The image bar keeps the count of the first write (2 of 3), never "all done".
TEST_F(Update, ARunThatWritesNoImageLeavesTheImageBarWhereItWas) {
  using devsim::Fault;
  using devsim::FaultKind;
  const struct {
    const char* what;
    uint8_t secondChip;
    std::vector<Fault> faults;
    bool stop;  // the user stops the second device's run
    RunEnd end;
  } cases[] = {
      {"unknown chip", 0x41, {}, false, RunEnd::Refused},
      {"refused five times", 0x48, {{FaultKind::Refuse, 2, 2, 5}}, false, RunEnd::Failed},
      {"device goes silent", 0x48, {{FaultKind::Silent, 2, 2}}, false, RunEnd::Failed},
      {"stopped", 0x48, {}, true, RunEnd::Aborted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    open();
    MultiImageMode = true;
    useImage(0, 7, TestImage(1200, 1, 0xFD), {}, TestBytes(8, 2), 0);
    useImage(0, 9, TestImage(200, 3, 0x48), TestBytes(4, 4), TestBytes(8, 5), 0);
    devsim::Config config = device(0xFD);
    config.chips = {0xFD, c.secondChip};
    config.faults = c.faults;
    connect(config);
    if (c.stop)
      link.when(
          [this] {
            const auto& t = link.device()->transcript();
            return !t.empty() && t.back().device == 2 && t.back().kind == "block";
          },
          [] { AbortRequested = true; });
    press();
    EXPECT_EQ(LastRunEnd, c.end);
    EXPECT_EQ(view.bar(RecordingView::ImageBar).maximum, 3);
    EXPECT_EQ(view.bar(RecordingView::ImageBar).position, 2);
    EXPECT_TRUE(view.startOffered);
  }
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

TEST_F(Update, TheEngineTellsItsStepsAndHowEachRunEnded) {
  using devsim::Fault;
  using devsim::FaultKind;
  const struct {
    const char* what;
    uint8_t chip;
    std::vector<Fault> faults;
    RunEnd end;
    std::vector<EngineStep> steps;
  } cases[] = {
      {"programmed", 0x48, {}, RunEnd::Programmed,
       {EngineStep::Searching, EngineStep::DeviceFound, EngineStep::Writing,
        EngineStep::WritingEeprom, EngineStep::RunEnded}},
      {"unknown chip", 0x41, {}, RunEnd::Refused,
       {EngineStep::Searching, EngineStep::DeviceFound, EngineStep::RunEnded}},
      {"refused five times", 0x48, {{FaultKind::Refuse, 0, 2, 5}}, RunEnd::Failed,
       {EngineStep::Searching, EngineStep::DeviceFound, EngineStep::Writing, EngineStep::RunEnded}},
      {"no answer to the final block", 0x48, {{FaultKind::Drop, 0, 3, 1}}, RunEnd::Failed,
       {EngineStep::Searching, EngineStep::DeviceFound, EngineStep::Writing, EngineStep::RunEnded}},
  };
  for (const auto& c : cases) {
    restart();
    open();
    useImage(0, 9, TestImage(100, 1, 0x48), TestBytes(4, 2), TestBytes(8, 3), 0);
    devsim::Config config = device(c.chip);
    config.faults = c.faults;
    connect(config);
    press();
    EXPECT_EQ(LastRunEnd, c.end) << c.what;
    EXPECT_EQ(view.steps, c.steps) << c.what;
  }
}

TEST_F(Update, AStopDuringTheEntryCommandEndsTheRunBeforeAnythingIsWritten) {
  open();
  connect(device(0x48));
  ASSERT_EQ(search(), SearchFound);
  // The stop comes while the run waits for the entry command's answer.
  link.when(
      [this] {
        return !link.writes().empty() && link.writes().back().bytes == std::vector<uint8_t>{0xCC};
      },
      [] { AbortRequested = true; });
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(message(), " User Abort !! ");
  EXPECT_EQ(LastRunEnd, RunEnd::Aborted);
  EXPECT_TRUE(frameWrites().empty());
}

TEST_F(Update, AfterAnUpdateTheEngineWaitsUntilTheDeviceLeaves) {
  open();
  connect(device(0x48));
  ASSERT_EQ(search(), SearchFound);
  // The device answers every probe until it is unplugged two seconds from now.
  const int64_t unplugged = link.nowUs() + 2'000'000;
  link.at(unplugged, [this] { link.disconnect(); });
  link.forgetWrites();
  EXPECT_EQ(WaitUntilDeviceLeaves(), 0);
  EXPECT_GE(link.nowUs(), unplugged + (LeftAfterSilentProbes - 1) * ProbeWaitMs * 1000);
  EXPECT_LE(link.nowUs(), unplugged + (LeftAfterSilentProbes + 1) * ProbeWaitMs * 1000);
  for (const SimLink::Write& w : link.writes()) EXPECT_EQ(w.bytes, std::vector<uint8_t>{ProbeByte()});

  // A stop ends the wait for a device that stays.
  connect(device(0x48));
  link.at(link.nowUs() + 500'000, [] { AbortRequested = true; });
  EXPECT_EQ(WaitUntilDeviceLeaves(), WaitAborted);
}

}  // namespace
