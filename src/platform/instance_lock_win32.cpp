// The single-instance lock on Windows: a named mutex of the session. The system drops it
// when the process ends, so a crash never blocks the next start.
#include "platform/instance_lock.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {
HANDLE mutex = nullptr;  // the held mutex, or null
}  // namespace

int AcquireInstanceLock(const char* name) {
  if (mutex != nullptr) return InstanceLockHeld;
  if (name == nullptr || *name == '\0' || std::strchr(name, '\\') != nullptr)
    return InstanceLockUnavailable;
  const HANDLE h = CreateMutexA(nullptr, TRUE, name);
  if (h == nullptr) return InstanceLockUnavailable;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(h);
    return InstanceLockTaken;
  }
  mutex = h;
  return InstanceLockHeld;
}

void ReleaseInstanceLock() {
  if (mutex == nullptr) return;
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  mutex = nullptr;
}
