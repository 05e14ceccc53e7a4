// Waiting on the real clock: nanosleep, the Qt event loop and CLOCK_MONOTONIC.
#include "platform/waiting.h"

#include <QCoreApplication>
#include <cerrno>
#include <ctime>

namespace {

const WaitBackend* installedBackend = nullptr;  // null: the real backend

const WaitBackend& Backend() {
  return installedBackend != nullptr ? *installedBackend : RealWaitBackend();
}

// Sleeps the whole time: a signal only interrupts, the rest is slept afterwards.
void RealSleepMs(int ms) {
  if (ms <= 0) return;
  timespec left{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

void RealProcessMessages() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

int64_t RealNowUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// Without a port there is nothing to wake up for: the wait is a plain sleep.
int RealWaitInput(SerialHandle h, int ms) {
  if (h >= 0) return SerialWaitReadable(h, ms);
  RealSleepMs(ms);
  return 0;
}

const WaitBackend realBackend = {RealSleepMs, RealProcessMessages, RealNowUs, RealWaitInput};

}  // namespace

const WaitBackend& RealWaitBackend() { return realBackend; }

void InstallWaitBackend(const WaitBackend* backend) { installedBackend = backend; }

void SleepMs(int ms) { Backend().sleepMs(ms); }
void ProcessMessages() { Backend().processMessages(); }
int64_t MonotonicUs() { return Backend().nowUs(); }
int WaitInput(SerialHandle h, int ms) { return Backend().waitInput(h, ms); }
