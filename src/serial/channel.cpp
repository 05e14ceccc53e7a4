#include "serial/channel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine/colours.h"
#include "engine/view.h"
#include "platform/waiting.h"
#include "serial/port_names.h"

PortRecord PortTable[MaxPortIndex + 1];
int16_t CurrentPort;
int16_t OpenedPort;
uint8_t RxBuffer[RxBufferSize];
int64_t LineBytesOut;
int64_t LineBytesIn;
int PortOpenResult;

namespace {

// DrainPort gives up after this many reads on a line that never falls silent: 16 full
// reads are far more than a device sends between two frames.
constexpr int DrainReadLimit = 16;

int WriteTimeoutMs(int count) { return 10 * count + 1000; }

PortRecord* OpenRecord(int index) {
  if (index < 0 || index > MaxPortIndex || !PortTable[index].isOpen) return nullptr;
  return &PortTable[index];
}

void ReleaseHandle(PortRecord& r) {
  SerialClose(r.handle);
  r.handle = NoSerialHandle;
}

// A device that vanished leaves its port unusable: the record is closed (its buffer stays,
// as on a reopen), so nothing polls the dead descriptor again.
void ForgetVanished(PortRecord& r, int result) {
  if (result != SerialGone) return;
  r.isOpen = 0;
  ReleaseHandle(r);
}

// One immediate read; a failed read counts as no bytes.
int ReadOnce(PortRecord& r, uint8_t* into, int capacity) {
  const int n = SerialRead(r.handle, into, capacity);
  if (n >= 0) {
    LineBytesIn += n;
    return n;
  }
  ForgetVanished(r, n);
  return 0;
}

// Line settings, then immediate reads; each refusal of the driver is shown.
bool Configure(SerialHandle h, const LineSettings& settings) {
  const int configured = SerialConfigure(h, settings);
  if (configured == SerialConfigFailed) ErrorBox("Unable to configure the serial port", "Error", 0);
  if (configured != SerialOk) return false;
  // The driver's queue sizes are its own on Linux: there is no call to set them.
  if (SerialSetImmediateReads(h) != SerialOk) {
    ErrorBox("Unable to set the time-out parameters", "Error", 0);
    return false;
  }
  return true;
}

}  // namespace

PortRecord* OpenPort(int index, uint32_t baudRate, uint8_t parity, uint8_t stopBits,
                     uint8_t byteSize, uint8_t directionControl, int callerValue) {
  if (index < 0 || index > MaxPortIndex) return nullptr;
  PortRecord& r = PortTable[index];
  if (r.isOpen) {
    r.isOpen = 0;
    ReleaseHandle(r);
  }
  char path[512];
  PortOpenResult = SerialNoDevice;
  if (PortDevicePath(index, path, sizeof path) != 0) return nullptr;
  SerialHandle h = NoSerialHandle;
  PortOpenResult = SerialOpen(path, &h);
  if (PortOpenResult != SerialOk) return nullptr;
  r.handle = h;
  // A fresh exclusive open has no pending output, so there is nothing to flush here.

  // Every failure from here on closes the device again and leaves the record closed.
  if (!Configure(h, LineSettings{baudRate, parity, stopBits, byteSize})) {
    PortOpenResult = SerialConfigFailed;
    ReleaseHandle(r);
    return nullptr;
  }
  if (r.buffer == nullptr) r.buffer = new (std::nothrow) uint8_t[PortBufferSize];
  if (r.buffer == nullptr) {
    PortOpenResult = SerialFailed;
    ReleaseHandle(r);
    return nullptr;
  }
  SerialRequestLowLatency(h);
  r.index = index;
  r.callerValue = callerValue;
  r.directionControl = directionControl;
  r.isOpen = 1;
  return &r;
}

void ClosePort(int index) {
  PortRecord* r = OpenRecord(index);
  if (r == nullptr) return;
  r->isOpen = 0;
  delete[] r->buffer;
  r->buffer = nullptr;
  ReleaseHandle(*r);
}

int SetLines(int index, int clear) {
  if (PortRecord* r = OpenRecord(index)) {
    SerialSetLine(r->handle, ModemLine::Dtr, clear == 0);
    SerialSetLine(r->handle, ModemLine::Rts, clear == 0);
  }
  return 0;
}

void SetDirection(int transmit, SerialHandle handle) {
  const bool on = DirectionPolarity == 1 ? transmit != 0 : transmit == 0;
  SerialSetLine(handle, ModemLine::Rts, on);
}

int WritePort(int index, const uint8_t* bytes, int count) {
  PortRecord* r = OpenRecord(index);
  if (r == nullptr) return 0;
  const bool direction = r->directionControl != 0;
  if (direction) SetDirection(1, r->handle);
  const int written = SerialWrite(r->handle, bytes, count, WriteTimeoutMs(count));
  if (written == SerialOk) LineBytesOut += count;
  if (written != SerialOk) {
    if (direction) SetDirection(0, r->handle);
    ForgetVanished(*r, written);
    return 0;
  }
  if (!direction) return 1;
  // On a two-wire bus the line may only turn round once the last bit has left.
  SerialDrain(r->handle, WriteTimeoutMs(count));
  SetDirection(0, r->handle);
  if (EchoRemoval) {
    uint8_t scratch[PortBufferSize];
    int remaining = std::min(count, PortBufferSize);
    for (int round = 0; round < 100 && remaining > 0 && r->isOpen; ++round) {
      SleepMs(5);
      remaining -= ReadOnce(*r, scratch, remaining);
    }
  }
  return 1;
}

int16_t CheckPort(int16_t index) {
  PortRecord* r = OpenRecord(index);
  if (r == nullptr) return -2;
  const int drained = SerialDrain(r->handle, WriteTimeoutMs(0));
  ForgetVanished(*r, drained);
  return r->isOpen ? 0 : -2;
}

int16_t ReadPort() {
  PortRecord* r = OpenRecord(CurrentPort);
  return r == nullptr ? 0 : static_cast<int16_t>(ReadOnce(*r, RxBuffer, RxBufferSize));
}

void DrainPort() {
  PortRecord* r = OpenRecord(CurrentPort);
  for (int reads = 0; r != nullptr && r->isOpen && reads < DrainReadLimit; ++reads)
    if (ReadOnce(*r, RxBuffer, RxBufferSize) == 0) break;
}

void UsePort(int16_t port) {
  CurrentPort = port;
  OpenedPort = static_cast<int16_t>(port - 1);
}

void ApplyPort() {
  if (CurrentPort == OpenedPort) return;
  OpenedPort = CurrentPort;
  // A port chosen before stays held for exclusive use until it is closed: let it go, so
  // that other programs (or another bench) can use it.
  for (int i = 0; i <= MaxPortIndex; ++i)
    if (i != CurrentPort) ClosePort(i);
  ClosePort(CurrentPort);
  OpenPort(CurrentPort, PortBaudRate, 0, 2, 8, 0, 0);
  SetLines(CurrentPort, 1);
  if (CheckPort(CurrentPort) < 0) ShowResult("Invalid Port Com", ColourRed);
}

void PumpWait(int milliseconds) {
  while (milliseconds > 0) {
    SleepMs(5);
    ProcessMessages();
    milliseconds -= 5;
  }
}

void ShowPortStatus(StatusBarHandle statusBar) {
  char text[16];
  if (CurrentPort < 0)
    std::snprintf(text, sizeof text, "-----");
  else
    std::snprintf(text, sizeof text, "COM%d", CurrentPort + 1);
  ShowPortText(statusBar, text);
}

SerialHandle CurrentPortHandle() {
  PortRecord* r = OpenRecord(CurrentPort);
  return r == nullptr ? NoSerialHandle : r->handle;
}

void ResetChannel() {
  for (PortRecord& r : PortTable) {
    if (r.isOpen) ReleaseHandle(r);
    delete[] r.buffer;
    r = {};
  }
  CurrentPort = 0;
  OpenedPort = 0;
  std::memset(RxBuffer, 0, sizeof RxBuffer);
  LineBytesOut = 0;
  LineBytesIn = 0;
  PortOpenResult = SerialOk;
}
