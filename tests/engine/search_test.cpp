#include <gtest/gtest.h>

#include "protocol/decoder.h"
#include "protocol/search.h"
#include "serial/channel.h"
#include "support/engine_fixture.h"

namespace {

class Search : public EngineTest {};

TEST_F(Search, FindsADeviceAtItsFirstProbe) {
  open(MainWindow::Updater);
  connect(device(0x48));
  EXPECT_EQ(search(), SearchFound);
  EXPECT_EQ(panel(1), "Try 0");
  EXPECT_EQ(panel(0), "COM1");
  EXPECT_EQ(DeviceInfo.chipCode, 0x48);
  EXPECT_TRUE(VRecordSeen);
  EXPECT_EQ(link.writes().size(), 1u);
  EXPECT_EQ(link.writes()[0].bytes, std::vector<uint8_t>{0xC2});
  EXPECT_EQ(bar()->value(), 0);
  EXPECT_EQ(BarStateOf(bar()), BarState::Normal);
}

TEST_F(Search, TheProbeDependsOnTheWindow) {
  const struct {
    MainWindow window;
    bool nVariant;
    uint8_t probe;
  } cases[] = {{MainWindow::Upgrade, false, 0xC5}, {MainWindow::Upgrade, true, 0xC5},
               {MainWindow::Loader, false, 0xC2},  {MainWindow::Loader, true, 0xC6},
               {MainWindow::Updater, true, 0xC6},  {MainWindow::Updater, false, 0xC2}};
  for (const auto& c : cases) {
    restart();
    open(c.window);
    NVariant = c.nVariant;
    devsim::Config config = device(0x48);
    config.probes = {c.probe};  // answers that probe only
    connect(config);
    EXPECT_EQ(search(), SearchFound) << int(c.probe);
    EXPECT_EQ(link.writes().back().bytes, std::vector<uint8_t>{c.probe});
  }
}

TEST_F(Search, NoDeviceAfterAHundredProbes) {
  open();
  link.disconnect();  // the port opens, nothing answers
  const int64_t start = link.nowUs();
  EXPECT_EQ(search(), SearchNoDevice);
  EXPECT_EQ(message(), "Device not Found");
  EXPECT_EQ(link.writes().size(), 100u);
  EXPECT_GE(link.nowUs() - start, 100 * 100'000);  // a hundred 100 ms waits, virtually
  EXPECT_TRUE(view.startOffered);  // idle again
}

TEST_F(Search, ADeviceThatOnlyRefusesIsNotFound) {
  open();
  devsim::Config config = device(0x48);
  config.probes = {};  // it answers no probe; the line says N after every one
  connect(config);
  for (int i = 0; i < 100; ++i)
    link.at(link.nowUs() + i * 100'000, [this] { link.injectToHost({'N'}); });
  EXPECT_EQ(search(), SearchNoDevice);
}

TEST_F(Search, ADeviceAnsweringLateIsFoundAtALaterProbe) {
  open();
  devsim::Config config = device(0x48);
  config.answerAfterProbes = 7;
  connect(config);
  EXPECT_EQ(search(), SearchFound);
  EXPECT_EQ(link.writes().size(), 8u);
  EXPECT_EQ(bar()->value(), 0);
}

TEST_F(Search, AStaleAnswerIsThrownAwayBeforeEachProbe) {
  open();
  link.disconnect();
  link.injectToHost({'K'});  // arrived before the search: never taken for an answer
  EXPECT_EQ(search(), SearchNoDevice);
}

TEST_F(Search, UserAbortDuringTheSearch) {
  open();
  link.disconnect();
  link.at(link.nowUs() + 350'000, [] { AbortRequested = true; });
  EXPECT_EQ(search(), SearchAborted);
  EXPECT_EQ(message(), " User Abort !! ");
  EXPECT_FALSE(AbortRequested);
  EXPECT_LE(link.writes().size(), 5u);
}

TEST_F(Search, AnAbortLeftFromBeforeEndsTheSearchAtItsFirstWait) {
  open();
  connect(device(0x48));
  AbortRequested = true;
  EXPECT_EQ(search(), SearchAborted);
  EXPECT_EQ(link.writes().size(), 1u);
  EXPECT_EQ(message(), " User Abort !! ");
}

TEST_F(Search, AnUnusablePortEndsTheSearchAtOnce) {
  open();
  link.setPortPresent(false);
  EXPECT_EQ(search(), SearchPortUnusable);
  EXPECT_EQ(message(), "Invalid Port Com");
  EXPECT_TRUE(link.writes().empty());
  CurrentPort = -1;
  link.setPortPresent(true);
  EXPECT_EQ(search(), SearchPortUnusable);
  EXPECT_EQ(panel(0), "-----");
}

TEST_F(Search, EachSearchStartsWithAnEmptyRRecordAndSkipRange) {
  open();
  devsim::Config config = device(0xFC, 8);
  config.rRecord = true;
  config.rText = "first";
  config.skipStart = 0x100;
  config.skipLength = 0x10;
  connect(config);
  ASSERT_EQ(search(), SearchFound);
  for (int i = 0; i < 10 && RRecordDone == 0; ++i) { ReplyDecoder(); PumpWait(5); }
  EXPECT_STREQ(RRecord.text, "first");
  SkipStart = 5;
  connect(device(0x48, 5));
  ASSERT_EQ(search(), SearchFound);
  EXPECT_STREQ(RRecord.text, "");
  EXPECT_EQ(RRecord.skipStart, 0);
  EXPECT_EQ(SkipStart, 0);
}

TEST_F(Search, EverySearchReopensThePort) {
  open();
  connect(device(0x48));
  ASSERT_EQ(search(), SearchFound);
  ASSERT_EQ(search(), SearchFound);
  EXPECT_EQ(link.opens(), 2);
  EXPECT_EQ(OpenedPort, CurrentPort);
}

}  // namespace
