// The single-instance lock. The descriptor stays open until ReleaseInstanceLock or the
// end of the process; the kernel drops an flock with the last descriptor, so a killed
// instance never leaves a stale lock behind.
//
// The lock lives where only this user can create files: the runtime folder, or a folder of
// the user's own in the temp folder. Either is checked before use, so another local user can
// neither take the lock nor point it elsewhere.
#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int lockFd = -1;  // the held lock file, or -1

// A folder that is a real folder (not a link), owned by this user and closed to others.
bool IsPrivateFolder(const std::string& path) {
  struct stat st{};
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
         (st.st_mode & 077) == 0;
}

// The user's own folder in the temp folder, made when missing; empty when what is there
// is not private.
std::string PrivateTempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
  const std::string folder = base + "/tarvik-" + std::to_string(getuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return "";
  return IsPrivateFolder(folder) ? folder : "";
}

// What one folder gave: Held, Taken, or Unavailable to try the next folder.
int TryFolder(const std::string& folder, const char* name) {
  if (folder.empty()) return InstanceLockUnavailable;
  const std::string path = folder + "/" + name + ".lock";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
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
  // The runtime folder is per user and per login; where it is unset or not private, the
  // user's own folder in the temp folder stands in for it.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && IsPrivateFolder(runtime)) {
    const int result = TryFolder(runtime, name);
    if (result != InstanceLockUnavailable) return result;
  }
  return TryFolder(PrivateTempFolder(), name);
}

void ReleaseInstanceLock() {
  if (lockFd < 0) return;
  flock(lockFd, LOCK_UN);
  close(lockFd);
  lockFd = -1;
}
