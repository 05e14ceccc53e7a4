// Waiting for an answer.
#include <gtest/gtest.h>

#include "protocol/decoder.h"
#include "protocol/search.h"
#include "serial/channel.h"
#include "support/engine_fixture.h"

namespace {

class Wait : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    open();
    link.disconnect();
    ApplyPort();  // the port is open, nothing on the line
  }
};

TEST_F(Wait, UnderFiveMillisecondsReturnsAtOnceWithoutReading) {
  link.injectToHost({'K'});
  const int64_t before = link.nowUs();
  EXPECT_EQ(WaitReply(4), WaitTimedOut);
  EXPECT_EQ(link.nowUs(), before);
  EXPECT_EQ(WaitReply(5), WaitAcknowledged);  // the K was still there
}

TEST_F(Wait, AckAndRefusalInOneReadGiveAckAndKeepTheRefusal) {
  link.injectToHost({'N', 'K'});
  EXPECT_EQ(WaitReply(100), WaitAcknowledged);
  EXPECT_TRUE(RefusalReceived);
  EXPECT_EQ(WaitReply(100), WaitRefused);
}

TEST_F(Wait, AStopPressedBeforeTheWaitIsReportedByIt) {
  AbortRequested = true;
  EXPECT_EQ(WaitReply(2000), WaitAborted);
  EXPECT_FALSE(AbortRequested);
}

TEST_F(Wait, TimesOutAtItsDeadlineProcessingMessagesEveryFiveMilliseconds) {
  const int64_t before = link.nowUs();
  const int rounds = link.messageRounds();
  EXPECT_EQ(WaitReply(2000), WaitTimedOut);
  EXPECT_EQ(link.nowUs() - before, 2'000'000);
  EXPECT_GE(link.messageRounds() - rounds, 400);
}

TEST_F(Wait, AnAnswerEndsTheWaitWhenItArrives) {
  link.at(link.nowUs() + 1'200, [this] { link.injectToHost({'K'}); });
  const int64_t before = link.nowUs();
  EXPECT_EQ(WaitReply(2000), WaitAcknowledged);
  EXPECT_LE(link.nowUs() - before, 5'000);
}

}  // namespace
