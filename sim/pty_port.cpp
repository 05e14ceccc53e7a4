#include "sim/pty_port.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace devsim {

namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

std::string ReadLink(const std::string& path) {
  char buf[4096];
  const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
  return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
}

}  // namespace

bool OpenPty(PtyPort* port, std::string* error) {
  port->master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (port->master < 0) {
    *error = SystemError("posix_openpt");
    return false;
  }
  const char* name = nullptr;
  if (grantpt(port->master) != 0 || unlockpt(port->master) != 0 ||
      (name = ptsname(port->master)) == nullptr) {
    *error = SystemError("pty set-up");
    ClosePty(port);
    return false;
  }
  port->slavePath = name;
  port->slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (port->slave < 0) {
    *error = SystemError("open " + port->slavePath);
    ClosePty(port);
    return false;
  }
  termios raw{};
  if (tcgetattr(port->slave, &raw) != 0) {
    *error = SystemError("tcgetattr");
    ClosePty(port);
    return false;
  }
  cfmakeraw(&raw);
  if (tcsetattr(port->slave, TCSANOW, &raw) != 0) {
    *error = SystemError("tcsetattr");
    ClosePty(port);
    return false;
  }
  const int flags = fcntl(port->master, F_GETFL);
  if (flags < 0 || fcntl(port->master, F_SETFL, flags | O_NONBLOCK) != 0) {
    *error = SystemError("fcntl");
    ClosePty(port);
    return false;
  }
  return true;
}

void ClosePty(PtyPort* port) {
  if (port->master >= 0) close(port->master);
  if (port->slave >= 0) close(port->slave);
  port->master = port->slave = -1;
}

bool EnsureDirectory(const std::string& dir, std::string* error) {
  for (size_t at = 1; at <= dir.size(); ++at) {
    if (at != dir.size() && dir[at] != '/') continue;
    const std::string prefix = dir.substr(0, at);
    if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
      *error = SystemError("mkdir " + prefix);
      return false;
    }
  }
  struct stat st{};
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    *error = dir + " is not a folder";
    return false;
  }
  return true;
}

std::string FreePortName(const std::string& dir) {
  for (int n = 1;; ++n) {
    const std::string name = "COM" + std::to_string(n);
    const std::string path = dir + "/" + name;
    struct stat st{};
    if (lstat(path.c_str(), &st) != 0) return name;  // no entry
    if (S_ISLNK(st.st_mode) && stat(path.c_str(), &st) != 0) return name;  // stale link
  }
}

bool LinkPort(const std::string& dir, const std::string& name, const std::string& target,
              std::string* error) {
  const std::string path = dir + "/" + name;
  struct stat st{};
  if (lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    *error = path + " exists and is not a link";
    return false;
  }
  // A new link under a temporary name, renamed over the old one: the port is never missing.
  const std::string temporary = dir + "/." + name + ".devsim." + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0) {
    *error = SystemError("symlink " + temporary);
    return false;
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    *error = SystemError("rename to " + path);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

void UnlinkPort(const std::string& dir, const std::string& name, const std::string& target) {
  const std::string path = dir + "/" + name;
  if (ReadLink(path) == target) unlink(path.c_str());
}

}  // namespace devsim
