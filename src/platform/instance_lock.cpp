// The single-instance lock. The descriptor stays open until ReleaseInstanceLock or the
// end of the process; the kernel drops an flock with the last descriptor, so a killed
// instance never leaves a stale lock behind.
#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int lockFd = -1;  // the held lock file, or -1

// What one folder gave: Held, Taken, or Unavailable to try the next folder.
int TryFolder(const char* folder, const char* name) {
  if (folder == nullptr || *folder == '\0') return InstanceLockUnavailable;
  char path[4096];
  const int n = std::snprintf(path, sizeof path, "%s/%s.lock", folder, name);
  if (n < 0 || static_cast<size_t>(n) >= sizeof path) return InstanceLockUnavailable;
  // O_NOFOLLOW: in a shared temp folder the name must not lead somewhere else.
  const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return InstanceLockUnavailable;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
    lockFd = fd;
    return InstanceLockHeld;
  }
  const int err = errno;
  close(fd);
  return err == EWOULDBLOCK ? InstanceLockTaken : InstanceLockUnavailable;
}

}  // namespace

int AcquireInstanceLock(const char* name) {
  if (lockFd >= 0) return InstanceLockHeld;
  if (name == nullptr || *name == '\0' || std::strchr(name, '/') != nullptr)
    return InstanceLockUnavailable;
  // The runtime folder is per user and per login; the temp folder stands in for it where
  // it is unset or unusable (a user who owns no file of that name there).
  const char* folders[] = {std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"), "/tmp"};
  for (const char* folder : folders) {
    const int result = TryFolder(folder, name);
    if (result != InstanceLockUnavailable) return result;
  }
  return InstanceLockUnavailable;
}

void ReleaseInstanceLock() {
  if (lockFd < 0) return;
  flock(lockFd, LOCK_UN);
  close(lockFd);
  lockFd = -1;
}
