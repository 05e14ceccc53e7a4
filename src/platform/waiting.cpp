// Waiting on the real clock: the system's sleep, the front end's message pump and the
// monotonic clock.
#include "platform/waiting.h"

#ifdef _WIN32
#include <windows.h>
#include <timeapi.h>
#else
#include <cerrno>
#include <ctime>
#endif

namespace {

const WaitBackend* installedBackend = nullptr;  // null: the real backend
MessagePump installedPump = nullptr;

const WaitBackend& Backend() {
  return installedBackend != nullptr ? *installedBackend : RealWaitBackend();
}

#ifdef _WIN32
// Sleeps with the system timer at 1 ms, not its default 15.6 ms: the waits are 5 ms steps.
void RealSleepMs(int ms) {
  static const bool fineTimer = timeBeginPeriod(1) == TIMERR_NOERROR;
  (void)fineTimer;
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

int64_t RealNowUs() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return static_cast<int64_t>(f.QuadPart);
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<int64_t>(now.QuadPart) / frequency * 1000000 +
         static_cast<int64_t>(now.QuadPart) % frequency * 1000000 / frequency;
}
#else
// Sleeps the whole time: a signal only interrupts, the rest is slept afterwards.
void RealSleepMs(int ms) {
  if (ms <= 0) return;
  timespec left{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

int64_t RealNowUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}
#endif

// Without a port there is nothing to wake up for: the wait is a plain sleep.
int RealWaitInput(SerialHandle h, int ms) {
  if (h >= 0) return SerialWaitReadable(h, ms);
  RealSleepMs(ms);
  return 0;
}

const WaitBackend realBackend = {RealSleepMs, PumpMessages, RealNowUs, RealWaitInput};

}  // namespace

const WaitBackend& RealWaitBackend() { return realBackend; }

void InstallWaitBackend(const WaitBackend* backend) { installedBackend = backend; }

void InstallMessagePump(MessagePump pump) { installedPump = pump; }

void PumpMessages() {
  if (installedPump != nullptr) installedPump();
}

void SleepMs(int ms) { Backend().sleepMs(ms); }
void ProcessMessages() { Backend().processMessages(); }
int64_t MonotonicUs() { return Backend().nowUs(); }
int WaitInput(SerialHandle h, int ms) { return Backend().waitInput(h, ms); }
