// Multi-image runs: what a device whose image was already written since START gets.
#include <algorithm>
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "protocol/frames.h"
#include "protocol/run.h"
#include "support/engine_fixture.h"

namespace {

class MultiImage : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    open();
    MultiImageMode = true;
  }
};

TEST_F(MultiImage, AWriteReportsTheImagesStillToWrite) {
  ASSERT_EQ(CountImages(), 2);  // slots 7 and 9 of this release
  useImage(0, 7, TestImage(600, 1, 0xFD), {}, TestBytes(8, 2), 1);
  connect(device(0xFD));
  EXPECT_EQ(update(), 1);
  EXPECT_EQ(SlotPending(7), 0);
  useImage(0, 9, TestImage(200, 3, 0x48), TestBytes(4, 4), TestBytes(8, 5), 0);
  connect(device(0x48));
  const int64_t before = link.nowUs();
  EXPECT_EQ(update(), 0);
  EXPECT_GE(link.nowUs() - before, 2'000'000);  // slot 9 waits 2 s after its write
}

TEST_F(MultiImage, AlreadyWrittenSlotWaitsOrSendsTheClosingFrames) {
  CountImages();
  MarkImageDone(9);  // afterWrite 1: a plain second's sleep
  connect(device(0x48));
  int64_t before = link.nowUs();
  const int rounds = link.messageRounds();
  EXPECT_EQ(update(), 1);
  EXPECT_TRUE(frameWrites().empty());
  EXPECT_GE(link.nowUs() - before, 1'000'000);

  MarkImageDone(7);  // afterWrite 2: pattern and command-4 frames, nothing waited for
  connect(device(0xFD));
  before = link.nowUs();
  EXPECT_EQ(update(), 1);
  const auto frames = frameWrites();
  ASSERT_EQ(frames.size(), 2u);
  std::vector<uint8_t> pattern(2 + 15 + 2);
  pattern[1] = 0x0F;
  std::copy(FramePattern, FramePattern + 15, pattern.begin() + 2);
  unsigned sum = 0;
  for (int i = 0; i < 17; ++i) sum += pattern[i];
  pattern[17] = static_cast<uint8_t>(sum >> 8);
  pattern[18] = static_cast<uint8_t>(sum);
  EXPECT_EQ(frames[0], pattern);
  EXPECT_EQ(frames[1], (std::vector<uint8_t>{0x04, 0x00, 0x00, 0x04}));
  const auto& t = link.device()->transcript();
  EXPECT_EQ(t.back().kind, "command4");
  EXPECT_GT(link.messageRounds(), rounds);
}

TEST_F(MultiImage, ASlotWithoutAfterWriteActionIsWrittenAgain) {
  CountImages();
  useImage(0, 0, TestImage(100, 6, 0x42), {}, TestBytes(8, 7), 0);
  MarkImageDone(0);  // slot 0 has afterWrite 0
  connect(device(0x42));
  EXPECT_EQ(update(), ImagesPending);
  EXPECT_EQ(frameWrites().size(), 3u);  // 2 blocks and the final block
}

}  // namespace
