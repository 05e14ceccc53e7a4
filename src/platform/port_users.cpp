#include "platform/port_users.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/serial_device.h"

namespace {

bool IsNumber(const char* text) {
  if (*text == '\0') return false;
  for (; *text != '\0'; ++text)
    if (*text < '0' || *text > '9') return false;
  return true;
}

// The pty index of a pseudo-terminal slave (/dev/pts/<n>: Unix98 majors 136-143), or -1.
int PtyIndex(dev_t device) {
  const unsigned m = major(device);
  if (m < 136 || m > 143) return -1;
  return static_cast<int>((m - 136) * 256 + minor(device));
}

// The pty a /dev/ptmx descriptor stands for, from its fdinfo ("tty-index:"), or -1.
int MasterIndex(const std::string& process, const char* fd) {
  FILE* info = std::fopen((process + "/fdinfo/" + fd).c_str(), "r");
  if (info == nullptr) return -1;
  int index = -1;
  char line[128];
  while (index < 0 && std::fgets(line, sizeof line, info) != nullptr)
    if (std::sscanf(line, "tty-index: %d", &index) != 1) index = -1;
  std::fclose(info);
  return index;
}

// Whether a process has the device open, other than as the far end of a pty (the master of
// pty <ptyIndex>, which the device's own simulator holds).
bool UsesDevice(const std::string& process, dev_t device, int ptyIndex) {
  DIR* fds = opendir((process + "/fd").c_str());
  if (fds == nullptr) return false;  // not ours to look into
  bool opened = false, farEnd = false;
  while (const dirent* e = readdir(fds)) {
    if (!IsNumber(e->d_name)) continue;
    struct stat st{};
    if (stat((process + "/fd/" + e->d_name).c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) continue;
    if (st.st_rdev == device)
      opened = true;
    else if (ptyIndex >= 0 && st.st_rdev == makedev(5, 2))  // /dev/ptmx
      farEnd = farEnd || MasterIndex(process, e->d_name) == ptyIndex;
  }
  closedir(fds);
  return opened && !farEnd;
}

// The process id a lock file names: ASCII digits (the usual "%10d\n") or, from older
// tools, a binary int; -1 when it names none (empty, or cut short by a crash).
long LockOwner(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return -1;
  char text[32] = {};
  const ssize_t n = read(fd, text, sizeof text - 1);
  close(fd);
  if (n <= 0) return -1;
  char* end = nullptr;
  const long pid = std::strtol(text, &end, 10);
  if (end != text && pid > 0) return pid;
  if (n == sizeof(int)) {
    int binary = 0;
    std::memcpy(&binary, text, sizeof binary);
    return binary > 0 ? binary : -1;
  }
  return -1;
}

bool Alive(long pid) { return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

}  // namespace

bool OpenedByAnotherProcess(dev_t device) {
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return false;
  const int pty = PtyIndex(device);
  const std::string self = std::to_string(getpid());
  bool found = false;
  const dirent* e = nullptr;
  while (!found && (e = readdir(proc)) != nullptr)
    found = IsNumber(e->d_name) && self != e->d_name &&
            UsesDevice(std::string("/proc/") + e->d_name, device, pty);
  closedir(proc);
  return found;
}

std::string LockFolder() {
  const char* folder = std::getenv("TARVIK_LOCK_DIR");
  if (folder != nullptr && folder[0] == '/') return folder;
  struct stat st{};
  return stat("/run/lock", &st) == 0 && S_ISDIR(st.st_mode) ? "/run/lock" : "/var/lock";
}

std::string LockFileName(const char* devicePath) {
  std::string name = devicePath != nullptr ? devicePath : "";
  if (name.rfind("/dev/", 0) == 0) name = name.substr(5);
  for (char& c : name)
    if (c == '/') c = '_';
  return "LCK.." + name;
}

int TakePortLock(const char* devicePath, std::string* lockPath) {
  lockPath->clear();
  const std::string path = LockFolder() + "/" + LockFileName(devicePath);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd >= 0) {
      char text[16];
      const int n = std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(getpid()));
      const bool written = write(fd, text, static_cast<size_t>(n)) == n;
      close(fd);
      if (!written) {
        unlink(path.c_str());
        return SerialOk;
      }
      *lockPath = path;
      return SerialOk;
    }
    if (errno != EEXIST) return SerialOk;  // no lock folder we may write in: go unclaimed
    const long owner = LockOwner(path);
    if (owner == getpid()) return SerialBusy;  // held by another descriptor of ours
    if (owner > 0 && Alive(owner)) return SerialBusy;
    unlink(path.c_str());  // a stale lock: its process is gone, or it names none
  }
  return SerialBusy;
}

void ReleasePortLock(const std::string& lockPath) {
  if (lockPath.empty() || LockOwner(lockPath) != getpid()) return;
  unlink(lockPath.c_str());
}
