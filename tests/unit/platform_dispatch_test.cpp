// The platform's free functions reach the installed backend, and errno values map to the
// results the channel acts on.
#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "platform/serial_device.h"
#include "platform/waiting.h"

namespace {

std::string calls;  // what the fake backends were asked, in order

SerialBackend FakeSerial() {
  SerialBackend b{};
  b.open = [](const char*, SerialHandle* out) { calls += "open "; *out = 7; return 0; };
  b.configure = [](SerialHandle, const LineSettings& s) {
    calls += "configure" + std::to_string(s.baudRate) + " ";
    return 0;
  };
  b.setImmediateReads = [](SerialHandle) { calls += "immediate "; return 0; };
  b.requestLowLatency = [](SerialHandle) { calls += "lowlatency "; return 0; };
  b.read = [](SerialHandle, uint8_t*, int capacity) { calls += "read "; return capacity; };
  b.write = [](SerialHandle, const uint8_t*, int count, int) { calls += "write "; return 0; };
  b.drain = [](SerialHandle, int ms) { calls += "drain" + std::to_string(ms) + " "; return 0; };
  b.setLine = [](SerialHandle, ModemLine line, bool on) {
    calls += std::string(line == ModemLine::Dtr ? "dtr" : "rts") + (on ? "+ " : "- ");
    return 0;
  };
  b.waitReadable = [](SerialHandle, int) { calls += "wait "; return 1; };
  b.close = [](SerialHandle h) { calls += "close" + std::to_string(h); };
  return b;
}

TEST(SerialBackend, FreeFunctionsDispatchToInstalledBackend) {
  const SerialBackend fake = FakeSerial();
  InstallSerialBackend(&fake);
  calls.clear();
  SerialHandle h = NoSerialHandle;
  uint8_t buffer[4] = {};
  EXPECT_EQ(SerialOpen("/dev/whatever", &h), 0);
  EXPECT_EQ(h, 7);
  SerialConfigure(h, LineSettings{115200, 0, 2, 8});
  SerialSetImmediateReads(h);
  SerialRequestLowLatency(h);
  EXPECT_EQ(SerialRead(h, buffer, 3), 3);
  SerialWrite(h, buffer, 1, 100);
  SerialDrain(h, 250);
  SerialSetLine(h, ModemLine::Dtr, false);
  SerialSetLine(h, ModemLine::Rts, true);
  EXPECT_EQ(SerialWaitReadable(h, 5), 1);
  SerialClose(h);
  EXPECT_EQ(calls,
            "open configure115200 immediate lowlatency read write drain250 dtr- rts+ wait close7");

  InstallSerialBackend(nullptr);  // the device backend again: a bad handle fails there
  EXPECT_EQ(SerialRead(NoSerialHandle, buffer, 4), SerialFailed);
  EXPECT_EQ(SerialWaitReadable(NoSerialHandle, 0), SerialFailed);
}

TEST(WaitBackend, FreeFunctionsDispatchToInstalledBackend) {
  WaitBackend fake{};
  fake.sleepMs = [](int ms) { calls += "sleep" + std::to_string(ms) + " "; };
  fake.processMessages = [] { calls += "messages "; };
  fake.nowUs = []() -> int64_t { return 42; };
  fake.waitInput = [](SerialHandle h, int ms) {
    calls += "input" + std::to_string(h) + "/" + std::to_string(ms);
    return 0;
  };
  InstallWaitBackend(&fake);
  calls.clear();
  SleepMs(5);
  ProcessMessages();
  EXPECT_EQ(MonotonicUs(), 42);
  WaitInput(3, 100);
  EXPECT_EQ(calls, "sleep5 messages input3/100");

  InstallWaitBackend(nullptr);
  const int64_t before = MonotonicUs();
  SleepMs(2);
  EXPECT_GE(MonotonicUs() - before, 2000);
}

TEST(SerialResultFromErrno, MapsErrnoToResults) {
  const struct {
    int err;
    int result;
  } cases[] = {
      {ENOENT, SerialNoDevice}, {ENODEV, SerialNoDevice}, {ENOTTY, SerialNoDevice},
      {EISDIR, SerialNoDevice}, {EBUSY, SerialBusy},      {EWOULDBLOCK, SerialBusy},
      {EACCES, SerialDenied},   {EPERM, SerialDenied},    {EIO, SerialGone},
      {ENXIO, SerialGone},      {ETIMEDOUT, SerialTimedOut}, {EINVAL, SerialFailed},
      {EBADF, SerialFailed},    {0, SerialFailed},
  };
  for (const auto& c : cases) EXPECT_EQ(SerialResultFromErrno(c.err), c.result) << c.err;
}

}  // namespace
