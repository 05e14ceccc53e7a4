// Serial device access: the OS calls the port channel needs, as small signed results.
//
// Every call goes through the installed backend: the termios device backend by
// default, an in-process simulated device in the engine tests. No call throws and
// none blocks longer than the time it is given.
#pragma once

#include <cstdint>

using SerialHandle = int;  // a file descriptor for the device backend
constexpr SerialHandle NoSerialHandle = -1;

// Results. Counts are >= 0; every failure is one of these.
enum SerialResult : int {
  SerialOk = 0,
  SerialNoDevice = -1,      // no such device, or not a serial device (ENOENT, ENODEV, ENOTTY ...)
  SerialBusy = -2,          // held by another process (EBUSY, a held lock)
  SerialDenied = -3,        // no permission (EACCES, EPERM)
  SerialGone = -4,          // the device vanished: hang-up, EIO, ENXIO
  SerialTimedOut = -5,      // a write or drain did not finish within its time
  SerialConfigFailed = -6,  // the line settings were refused
  SerialFailed = -7,        // any other failure
};

// Line settings in the channel's codes: parity 0 none, 1 odd, 2 even, 3 mark, 4 space;
// stop bits 0 one, 1 one and a half (taken as two), 2 two; byte size 5 to 8.
struct LineSettings {
  uint32_t baudRate;
  uint8_t parity;
  uint8_t stopBits;
  uint8_t byteSize;
};

enum class ModemLine : uint8_t { Dtr, Rts };

// Opens a path for exclusive use and raw binary transfer: a terminal character device, not
// held by another descriptor (flock) and kept from further openings (TIOCEXCL) until closed.
// On success *out holds the handle; on failure nothing stays open and *out is NoSerialHandle.
int SerialOpen(const char* path, SerialHandle* out);
// Reads the current settings and applies the line settings, no flow control, receiver on,
// no hang-up on close. SerialFailed when the settings cannot be read, SerialConfigFailed
// when they are refused.
int SerialConfigure(SerialHandle h, const LineSettings& settings);
// Makes reads return at once with whatever has arrived (VMIN 0, VTIME 0).
int SerialSetImmediateReads(SerialHandle h);
// Asks the driver for low latency (USB-serial adapters); SerialOk also when the device has no
// such knob.
int SerialRequestLowLatency(SerialHandle h);
// One read of at most capacity bytes: the count (0 = nothing yet), or a failure
// (SerialGone once the device has hung up).
int SerialRead(SerialHandle h, uint8_t* buffer, int capacity);
// Writes every byte: SerialOk, or a failure within timeoutMs (SerialTimedOut when the
// device would not take them in time).
int SerialWrite(SerialHandle h, const uint8_t* bytes, int count, int timeoutMs);
// Waits until the output queue is empty, at most timeoutMs (then SerialTimedOut). A pty
// holds no output queue: SerialOk at once.
int SerialDrain(SerialHandle h, int timeoutMs);
// Sets or clears a modem line. A device without modem lines (a pty) gives SerialOk.
int SerialSetLine(SerialHandle h, ModemLine line, bool on);
// Waits until the device is readable: 1 readable, 0 time-out, or a failure (SerialGone).
int SerialWaitReadable(SerialHandle h, int timeoutMs);
// Closes the handle; the device can be opened again at once afterwards.
void SerialClose(SerialHandle h);

// Whether a path leads to a pseudo-terminal (a pty slave): no transmitter, no modem lines.
bool IsPseudoTerminalPath(const char* path);

// The mapping of an errno value to a result; the one place where that is decided.
int SerialResultFromErrno(int err);

struct SerialBackend {
  int (*open)(const char* path, SerialHandle* out);
  int (*configure)(SerialHandle h, const LineSettings& settings);
  int (*setImmediateReads)(SerialHandle h);
  int (*requestLowLatency)(SerialHandle h);
  int (*read)(SerialHandle h, uint8_t* buffer, int capacity);
  int (*write)(SerialHandle h, const uint8_t* bytes, int count, int timeoutMs);
  int (*drain)(SerialHandle h, int timeoutMs);
  int (*setLine)(SerialHandle h, ModemLine line, bool on);
  int (*waitReadable)(SerialHandle h, int timeoutMs);
  void (*close)(SerialHandle h);
};

// The termios backend for real devices and ptys.
const SerialBackend& DeviceSerialBackend();
// Installs a backend; nullptr restores the device backend.
void InstallSerialBackend(const SerialBackend* backend);
