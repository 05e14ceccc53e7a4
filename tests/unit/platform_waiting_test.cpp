// The real waiting backend: full sleeps, the front end's message pump, and waits for input
// that sleep rather than spin.
#include "platform/waiting.h"

#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <ctime>

#include <gtest/gtest.h>

namespace {

int64_t ThreadCpuUs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void OnAlarm(int) {}

TEST(RealWaiting, SleepLastsItsTimeThroughSignals) {
  struct sigaction action{};
  struct sigaction old{};
  action.sa_handler = OnAlarm;  // no SA_RESTART: nanosleep returns EINTR
  sigaction(SIGALRM, &action, &old);
  itimerval every10ms{{0, 10000}, {0, 10000}};
  itimerval off{};
  setitimer(ITIMER_REAL, &every10ms, nullptr);
  const int64_t before = MonotonicUs();
  SleepMs(60);
  const int64_t slept = MonotonicUs() - before;
  setitimer(ITIMER_REAL, &off, nullptr);
  sigaction(SIGALRM, &old, nullptr);
  EXPECT_GE(slept, 60000);
}

int PumpRounds = 0;

TEST(RealWaiting, ProcessMessagesRunsTheFrontEndsPumpWhereThereIsOne) {
  ProcessMessages();  // none installed: nothing to run
  InstallMessagePump([] { ++PumpRounds; });
  ProcessMessages();
  ProcessMessages();
  InstallMessagePump(nullptr);
  ProcessMessages();
  EXPECT_EQ(PumpRounds, 2);
}

TEST(RealWaiting, WaitInputWithoutPortSleepsAndWithPortWakesOnBytes) {
  // No port: a plain sleep of the whole time, not a busy loop.
  const int64_t cpuBefore = ThreadCpuUs();
  const int64_t before = MonotonicUs();
  EXPECT_EQ(WaitInput(NoSerialHandle, 50), 0);
  EXPECT_GE(MonotonicUs() - before, 50000);
  EXPECT_LT(ThreadCpuUs() - cpuBefore, 25000);

  // Any readable descriptor does for the real backend.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  EXPECT_EQ(WaitInput(fds[0], 20), 0);
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  EXPECT_EQ(WaitInput(fds[0], 5000), 1);
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
