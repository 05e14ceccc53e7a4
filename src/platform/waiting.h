// Waiting: sleeping, processing the front end's messages, the monotonic clock and waiting for
// input. The engine tests install a virtual clock here, so long waits cost no real time.
#pragma once

#include <cstdint>

#include "platform/serial_device.h"

struct WaitBackend {
  void (*sleepMs)(int ms);
  void (*processMessages)();
  int64_t (*nowUs)();  // monotonic microseconds
  // Until the handle is readable or ms have passed: 1 readable, 0 time-out, or a SerialResult.
  int (*waitInput)(SerialHandle h, int ms);
};

const WaitBackend& RealWaitBackend();

// The front end's message processing (the windows' event loop, a terminal's Ctrl-C check),
// run by every ProcessMessages of the real backend and of the test backends; nullptr: none.
using MessagePump = void (*)();
void InstallMessagePump(MessagePump pump);
// Runs the installed pump once.
void PumpMessages();
// Installs a backend; nullptr restores the real one.
void InstallWaitBackend(const WaitBackend* backend);

void SleepMs(int ms);
void ProcessMessages();
int64_t MonotonicUs();
int WaitInput(SerialHandle h, int ms);
