// Serial devices through the Win32 communications functions: a COM port opened for
// exclusive use ("\\.\COM<n>", no sharing), synchronous reads that return at once with what
// has arrived, writes bounded by the port's write time-outs.
//
// Handles are kept in a small table; the engine sees the table's index as its handle.
#include "platform/serial_device.h"

#include <windows.h>

namespace {

constexpr int MaxHandles = 16;
HANDLE handles[MaxHandles];
bool used[MaxHandles];

// How waiting for input looks at the port: every millisecond (the default), or in the 5 ms
// steps the engine's waits take (TARVIK_WIN32_WAIT=steps), for measuring the two.
int WaitStepMs() {
  static const int step = [] {
    char value[16] = "";
    const DWORD n = GetEnvironmentVariableA("TARVIK_WIN32_WAIT", value, sizeof value);
    return n > 0 && lstrcmpiA(value, "steps") == 0 ? 5 : 1;
  }();
  return step;
}

HANDLE HandleOf(SerialHandle h) {
  return h >= 0 && h < MaxHandles && used[h] ? handles[h] : INVALID_HANDLE_VALUE;
}

// The result a failed call's error stands for.
int ResultOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return SerialNoDevice;
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return SerialBusy;
    case ERROR_ACCESS_DENIED:
      return SerialDenied;
    case ERROR_BAD_COMMAND:      // a USB adapter unplugged under an open handle
    case ERROR_DEVICE_REMOVED:
    case ERROR_OPERATION_ABORTED:
    case ERROR_GEN_FAILURE:
      return SerialGone;
    case ERROR_SEM_TIMEOUT:
      return SerialTimedOut;
    default:
      return SerialFailed;
  }
}

int Win32Open(const char* path, SerialHandle* out) {
  if (out == nullptr) return SerialFailed;
  *out = NoSerialHandle;
  if (path == nullptr || *path == '\0') return SerialNoDevice;
  int slot = 0;
  while (slot < MaxHandles && used[slot]) ++slot;
  if (slot == MaxHandles) return SerialFailed;
  const HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                               nullptr);
  if (h == INVALID_HANDLE_VALUE) return ResultOf(GetLastError());
  FlushFileBuffers(h);
  handles[slot] = h;
  used[slot] = true;
  *out = slot;
  return SerialOk;
}

// The line settings on the driver's own DCB: every member the settings do not name keeps the
// driver's value.
int Win32Configure(SerialHandle sh, const LineSettings& settings) {
  const HANDLE h = HandleOf(sh);
  if (h == INVALID_HANDLE_VALUE) return SerialFailed;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(h, &dcb)) return SerialFailed;
  dcb.BaudRate = settings.baudRate;
  dcb.fBinary = 1;
  dcb.fParity = 0;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fDsrSensitivity = 0;
  dcb.fTXContinueOnXoff = 0;
  dcb.fOutX = 0;
  dcb.fInX = 0;
  dcb.fErrorChar = 0;
  dcb.fNull = 0;
  dcb.fRtsControl = RTS_CONTROL_DISABLE;
  dcb.fAbortOnError = 0;
  dcb.ByteSize = settings.byteSize;
  dcb.Parity = settings.parity;
  dcb.StopBits = settings.stopBits;
  if (!SetCommState(h, &dcb)) return SerialConfigFailed;
  if (!SetupComm(h, 32768, 9216)) return SerialFailed;
  return SerialOk;
}

// A read returns at once with what has arrived; a write may take 10 ms a byte and 1 s more.
int Win32SetImmediateReads(SerialHandle sh) {
  const HANDLE h = HandleOf(sh);
  if (h == INVALID_HANDLE_VALUE) return SerialFailed;
  COMMTIMEOUTS timeouts{};
  GetCommTimeouts(h, &timeouts);
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
  timeouts.WriteTotalTimeoutMultiplier = 10;
  timeouts.WriteTotalTimeoutConstant = 1000;
  return SetCommTimeouts(h, &timeouts) ? SerialOk : SerialFailed;
}

int Win32RequestLowLatency(SerialHandle) { return SerialOk; }  // the driver's own business

int Win32Read(SerialHandle sh, uint8_t* buffer, int capacity) {
  const HANDLE h = HandleOf(sh);
  if (h == INVALID_HANDLE_VALUE || buffer == nullptr || capacity < 0) return SerialFailed;
  DWORD read = 0;
  if (!ReadFile(h, buffer, static_cast<DWORD>(capacity), &read, nullptr))
    return ResultOf(GetLastError());
  return static_cast<int>(read);
}

// The port's write time-outs bound the write; timeoutMs is the same bound.
int Win32Write(SerialHandle sh, const uint8_t* bytes, int count, int) {
  const HANDLE h = HandleOf(sh);
  if (h == INVALID_HANDLE_VALUE || count < 0 || (bytes == nullptr && count > 0)) return SerialFailed;
  DWORD written = 0;
  if (!WriteFile(h, bytes, static_cast<DWORD>(count), &written, nullptr))
    return ResultOf(GetLastError());
  return written == static_cast<DWORD>(count) ? SerialOk : SerialTimedOut;
}

int Win32Drain(SerialHandle sh, int) {
  const HANDLE h = HandleOf(sh);
  if (h == INVALID_HANDLE_VALUE) return SerialFailed;
  return FlushFileBuffers(h) ? SerialOk : ResultOf(GetLastError());
}

int Win32SetLine(SerialHandle sh, ModemLine line, bool on) {
  const HANDLE h = HandleOf(sh);
  if (h == INVALID_HANDLE_VALUE) return SerialFailed;
  const DWORD function = line == ModemLine::Dtr ? (on ? SETDTR : CLRDTR) : (on ? SETRTS : CLRRTS);
  return EscapeCommFunction(h, function) ? SerialOk : ResultOf(GetLastError());
}

// Until bytes wait in the driver's input queue: looked at between short sleeps, so the CPU
// rests (a synchronous handle has no waiting with a time-out).
int Win32WaitReadable(SerialHandle sh, int timeoutMs) {
  const HANDLE h = HandleOf(sh);
  if (h == INVALID_HANDLE_VALUE) return SerialFailed;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs > 0 ? timeoutMs : 0);
  for (;;) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(h, &errors, &status)) return ResultOf(GetLastError());
    if (status.cbInQue > 0) return 1;
    if (GetTickCount64() >= deadline) return 0;
    Sleep(static_cast<DWORD>(WaitStepMs()));
  }
}

void Win32Close(SerialHandle sh) {
  const HANDLE h = HandleOf(sh);
  if (h == INVALID_HANDLE_VALUE) return;
  CloseHandle(h);
  used[sh] = false;
  handles[sh] = INVALID_HANDLE_VALUE;
}

const SerialBackend win32Backend = {
    Win32Open,  Win32Configure, Win32SetImmediateReads, Win32RequestLowLatency, Win32Read,
    Win32Write, Win32Drain,     Win32SetLine,           Win32WaitReadable,      Win32Close,
};

}  // namespace

const SerialBackend& DeviceSerialBackend() { return win32Backend; }

bool IsPseudoTerminalPath(const char*) { return false; }
