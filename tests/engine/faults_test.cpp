// Re-sends, answers that never come or come late, and the user's stop during a run.
#include <algorithm>
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "protocol/decoder.h"
#include "protocol/frames.h"
#include "protocol/run.h"
#include "protocol/search.h"
#include "support/engine_fixture.h"
#include "support/expected_run.h"

namespace {

using devsim::Fault;
using devsim::FaultKind;

class Faults : public EngineTest {
 protected:
  // A small masked image for chip 0x48: blocks 1 and 2, the final block (3), then four
  // EEPROM frames (4 to 7).
  RunInput prepare() {
    open();
    RunInput in;
    in.image = TestImage(100, 21, 0x48);
    in.eeprom = TestBytes(4, 22);
    in.finalBytes = TestBytes(8, 23);
    useImage(0, 9, in.image, in.eeprom, in.finalBytes, 0);
    return in;
  }
  devsim::Device& withFault(Fault f) {
    devsim::Config config = device(0x48);
    config.faults = {f};
    return connect(config);
  }
  int refusalsOf(int frame) {
    const auto& t = link.device()->transcript();
    return static_cast<int>(std::count_if(t.begin(), t.end(), [&](auto& e) {
      return e.frame == frame && e.answer == "N";
    }));
  }
};

TEST_F(Faults, AFrameRefusedFourTimesIsSentAFifthTime) {
  const RunInput in = prepare();
  withFault({FaultKind::Refuse, 0, 2, 4});
  EXPECT_EQ(update(), 0);
  EXPECT_EQ(message(), "Program OK");
  EXPECT_EQ(refusalsOf(2), 4);
  EXPECT_EQ(view.updaterPanel(1), "Resend 3");  // the Updater's bar, always
  EXPECT_EQ(CompareWithDevice(ExpectRun(in), *link.device()), "");
}

TEST_F(Faults, AFrameRefusedFiveTimesEndsTheRun) {
  for (int frame : {1, 2, 3, 5}) {  // in the loop, the last block, the final block, EEPROM
    restart();
    prepare();
    withFault({FaultKind::Refuse, 0, frame, 5});
    EXPECT_EQ(update(), 0) << frame;
    EXPECT_EQ(message(), " CHK Error !! ") << frame;
    EXPECT_EQ(refusalsOf(frame), 5) << frame;
    EXPECT_EQ(view.updaterPanel(1), "Resend 4") << frame;
  }
}

TEST_F(Faults, ABlockThatIsNeverAnsweredIsNotReportedAsSuccess) {
  prepare();
  MultiImageMode = true;
  CountImages();
  withFault({FaultKind::Drop, 0, 1, 1});
  EXPECT_EQ(update(), 0);
  EXPECT_EQ(message(), " not Response ");
  // The run went on after the silent block: everything else reached the device.
  EXPECT_EQ(link.device()->memory().eepromBytesWritten(), 4u);
  EXPECT_EQ(SlotPending(9), 1);  // not marked written
}

TEST_F(Faults, NoAnswerAfterTheBlockLoopEndsTheRun) {
  for (int frame : {2, 3, 4, 7}) {  // last block, final block, first and last EEPROM frame
    restart();
    prepare();
    withFault({FaultKind::Drop, 0, frame, 1});
    EXPECT_EQ(update(), 0) << frame;
    EXPECT_EQ(message(), " not Response ") << frame;
    const auto& t = link.device()->transcript();
    EXPECT_EQ(std::max_element(t.begin(), t.end(), [](auto& a, auto& b) { return a.frame < b.frame; })->frame,
              frame);  // nothing was sent after it
  }
}

TEST_F(Faults, AStaleAnswerIsNeverTakenForTheNextFrame) {
  prepare();
  withFault({FaultKind::Drop, 0, 1, 1});
  ASSERT_EQ(search(), SearchFound);
  link.injectToHost({'K'});  // a K that came after its frame's time-out
  uint8_t frame[6] = {0x00, 0x00, 0x00, 0x01, 0x55};
  EXPECT_EQ(SendFrame(frame, 5), SendNoAnswer);
}

TEST_F(Faults, LateAndStrayBytesDoNotCorruptTheRun) {
  const struct {
    Fault fault;
    const char* result;
  } cases[] = {
      {{FaultKind::Late, 0, 0, 1, 1500'000}, "Program OK"},  // every answer 1.5 s late
      {{FaultKind::Garbage, 0, 2, 5}, "Program OK"},
      {{FaultKind::Late, 0, 3, 1, 2500'000}, " not Response "},  // the final block, too late
  };
  for (const auto& c : cases) {
    restart();
    const RunInput in = prepare();
    withFault(c.fault);
    EXPECT_EQ(update(), 0);
    EXPECT_EQ(message(), c.result);
    if (std::string(c.result) == "Program OK") {
      EXPECT_EQ(CompareWithDevice(ExpectRun(in), *link.device()), "");
    }
  }
}

TEST_F(Faults, UserAbortDuringTheRun) {
  prepare();
  connect(device(0x48));
  ASSERT_EQ(search(), SearchFound);
  link.at(link.nowUs() + 30'000, [] { AbortRequested = true; });
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(message(), " User Abort !! ");
  EXPECT_LT(link.device()->memory().eepromBytesWritten(), 4u);
}

TEST_F(Faults, ADeviceGoneSilentEndsTheRunAfterThreeBlocksWithoutAnswer) {
  open();
  useImage(0, 9, TestImage(6400, 33, 0x48), {}, TestBytes(8, 34), 0);  // 100 blocks
  withFault({FaultKind::Silent, 0, 3, 1});  // answers block 3, then nothing
  const int64_t start = link.nowUs();
  EXPECT_EQ(update(), 0);
  EXPECT_EQ(message(), " not Response ");
  EXPECT_EQ(frameWrites().size(), 6u);  // three answered, three not
  EXPECT_LT(link.nowUs() - start, 8'000'000);  // three waits of 2 s, not 97
}

TEST_F(Faults, ALateAnswerToTheEntryCommandNeverAnswersBlockZero) {
  // The late answer alone, and followed 3 ms later by a repeat of it (the line must fall
  // quiet before block 0, not just deliver the one answer waited for).
  for (bool repeated : {false, true}) {
    restart();
    const RunInput in = prepare();
    devsim::Config config = device(0x48);
    config.entryLateUs = 2'500'000;                    // after the run's 2 s wait for it
    config.faults = {{FaultKind::Refuse, 0, 1, 1}};    // block 0 must be sent again
    connect(config);
    if (repeated) {
      link.when(
          [this] {
            const auto& w = link.writes();
            const auto entry = std::find_if(w.begin(), w.end(), [](const SimLink::Write& x) {
              return x.bytes == std::vector<uint8_t>{0xCC};  // the entry command
            });
            return entry != w.end() && link.nowUs() >= entry->timeUs + 2'503'000;
          },
          [this] { link.injectToHost({'K'}); });
    }
    EXPECT_EQ(update(), 0) << repeated;
    EXPECT_EQ(message(), "Program OK") << repeated;
    EXPECT_EQ(refusalsOf(1), 1) << repeated;
    EXPECT_EQ(CompareWithDevice(ExpectRun(in), *link.device()), "") << repeated;
  }
}

TEST_F(Faults, ADeviceThatHangsUpEndsTheRunWithoutWaitingOnEveryBlock) {
  open();
  useImage(0, 9, TestImage(6400, 31, 0x48), {}, TestBytes(8, 32), 0);  // 100 blocks
  withFault({FaultKind::HangUp, 0, 3, 1});
  const int64_t start = link.nowUs();
  EXPECT_EQ(update(), 0);
  EXPECT_EQ(message(), " not Response ");
  EXPECT_LT(link.nowUs() - start, 5'000'000);  // not 2 s for each of the 97 blocks left
}

}  // namespace
