#include <gtest/gtest.h>

#include "platform/waiting.h"
#include "serial/channel.h"
#include "support/recording_view.h"

namespace {

int Sleeps, SleptMs, Rounds;
const WaitBackend Counting = {
    [](int ms) { ++Sleeps; SleptMs += ms; },
    [] { ++Rounds; },
    [] { return int64_t{0}; },
    [](SerialHandle, int) { return 0; },
};

TEST(PumpWait, SleepsFiveMillisecondsPerStepAndProcessesMessagesAfterEach) {
  InstallWaitBackend(&Counting);
  const struct {
    int ms, steps;
  } cases[] = {{7, 2}, {5, 1}, {1, 1}, {0, 0}, {-3, 0}, {300, 60}};
  for (const auto& c : cases) {
    Sleeps = SleptMs = Rounds = 0;
    PumpWait(c.ms);
    EXPECT_EQ(Sleeps, c.steps) << c.ms;
    EXPECT_EQ(SleptMs, 5 * c.steps) << c.ms;
    EXPECT_EQ(Rounds, c.steps) << c.ms;
  }
  InstallWaitBackend(nullptr);
}

TEST(ShowPortStatus, NamesThePortInThePortPanel) {
  RecordingView view;
  const StatusBarHandle bar = RecordingView::MainStatusBar;
  const struct {
    int16_t port;
    const char* text;
  } cases[] = {{-1, "-----"}, {-300, "-----"}, {0, "COM1"}, {15, "COM16"}, {256, "COM257"}};
  for (const auto& c : cases) {
    CurrentPort = c.port;
    ShowPortStatus(bar);
    EXPECT_EQ(view.panel(bar, 0), c.text);
  }
  CurrentPort = 0;
}

}  // namespace
