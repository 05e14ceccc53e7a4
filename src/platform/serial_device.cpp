// Serial device access through the installed backend: the device backend of the platform
// (termios on Linux, the communications functions on Windows) or a test's.
#include "platform/serial_device.h"

namespace {

const SerialBackend* installedBackend = nullptr;  // null: the device backend

const SerialBackend& Backend() {
  return installedBackend != nullptr ? *installedBackend : DeviceSerialBackend();
}

}  // namespace

void InstallSerialBackend(const SerialBackend* backend) { installedBackend = backend; }

int SerialOpen(const char* path, SerialHandle* out) { return Backend().open(path, out); }
int SerialConfigure(SerialHandle h, const LineSettings& settings) {
  return Backend().configure(h, settings);
}
int SerialSetImmediateReads(SerialHandle h) { return Backend().setImmediateReads(h); }
int SerialRequestLowLatency(SerialHandle h) { return Backend().requestLowLatency(h); }
int SerialRead(SerialHandle h, uint8_t* buffer, int capacity) {
  return Backend().read(h, buffer, capacity);
}
int SerialWrite(SerialHandle h, const uint8_t* bytes, int count, int timeoutMs) {
  return Backend().write(h, bytes, count, timeoutMs);
}
int SerialDrain(SerialHandle h, int timeoutMs) { return Backend().drain(h, timeoutMs); }
int SerialSetLine(SerialHandle h, ModemLine line, bool on) {
  return Backend().setLine(h, line, on);
}
int SerialWaitReadable(SerialHandle h, int timeoutMs) {
  return Backend().waitReadable(h, timeoutMs);
}
void SerialClose(SerialHandle h) { Backend().close(h); }
