// The port namespace: which device a port index stands for. The ports folder is read
// afresh at every call, so a link made or removed while the program runs counts at once.
#include "serial/port_names.h"

#include <dirent.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char portsDirectory[PATH_MAX];  // the last answer of PortsDirectory
int assignedIndex = -1;         // the index AssignPortDevice gave a path, or -1
char assignedPath[PATH_MAX];

struct FixedRange {
  const char* prefix;
  int firstIndex;
};
constexpr FixedRange fixedTable[] = {
    {"/dev/ttyS", 0},     // COM1-COM32
    {"/dev/ttyUSB", 32},  // COM33-COM64
    {"/dev/ttyACM", 64},  // COM65-COM96
};
constexpr int FixedRangeSize = 32;

int CopyIfFits(const char* text, char* out, size_t size) {
  const size_t length = std::strlen(text);
  if (length >= size) {
    out[0] = '\0';
    return -1;
  }
  std::memcpy(out, text, length + 1);
  return 0;
}

const char* NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// The folder's entry that names COM<index+1>: the exact upper-case name when there is one,
// else the first other spelling in byte order (readdir order is arbitrary).
bool FindLinkEntry(int index, char (&name)[NAME_MAX + 1]) {
  const size_t size = sizeof name;
  const char* dir = PortsDirectory();
  if (*dir == '\0') return false;
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "COM%lld", index + 1LL);
  char path[PATH_MAX];
  struct stat st{};
  if (std::snprintf(path, sizeof path, "%s/%s", dir, wanted) < static_cast<int>(sizeof path) &&
      lstat(path, &st) == 0)
    return CopyIfFits(wanted, name, size) == 0;

  DIR* d = opendir(dir);
  if (d == nullptr) return false;
  bool found = false;
  while (const dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, wanted) != 0) continue;
    if (found && std::strcmp(e->d_name, name) >= 0) continue;
    found = CopyIfFits(e->d_name, name, size) == 0;
  }
  closedir(d);
  return found;
}

// The device a link leads to, fully resolved, when that is a character device.
int LinkTarget(const char* linkName, char* out, size_t size) {
  char path[PATH_MAX];
  char resolved[PATH_MAX];
  struct stat st{};
  if (std::snprintf(path, sizeof path, "%s/%s", PortsDirectory(), linkName) >=
          static_cast<int>(sizeof path) ||
      realpath(path, resolved) == nullptr || stat(resolved, &st) != 0 || !S_ISCHR(st.st_mode))
    return -1;
  return CopyIfFits(resolved, out, size);
}

}  // namespace

const char* PortsDirectory() {
  const char* base = nullptr;
  const char* tail = "";
  char* out = portsDirectory;
  const size_t size = sizeof portsDirectory;
  if (const char* dir = NonEmptyEnv("TARVIK_PORTS_DIR")) {
    base = dir;
  } else if (const char* config = NonEmptyEnv("XDG_CONFIG_HOME"); config && *config == '/') {
    base = config;  // a relative XDG_CONFIG_HOME is to be ignored
    tail = "/tarvik/ports";
  } else {
    base = NonEmptyEnv("HOME");
    if (base == nullptr) {
      const passwd* pw = getpwuid(getuid());
      base = pw != nullptr && pw->pw_dir != nullptr ? pw->pw_dir : "";
    }
    tail = *base != '\0' ? "/.config/tarvik/ports" : "";
  }
  size_t baseLength = std::strlen(base);
  while (baseLength > 1 && base[baseLength - 1] == '/') --baseLength;  // no "//" before tail
  if (std::snprintf(out, size, "%.*s%s", static_cast<int>(baseLength), base, tail) >=
      static_cast<int>(size))
    out[0] = '\0';
  return out;
}

void AssignPortDevice(int index, const char* devicePath) {
  assignedIndex = -1;
  if (devicePath == nullptr || index < 0 || CopyIfFits(devicePath, assignedPath, sizeof assignedPath) != 0)
    return;
  assignedIndex = index;
}

int PortLinkName(int index, char* out, size_t size) {
  if (out == nullptr || size == 0) return -1;
  out[0] = '\0';
  if (index < 0) return -1;
  char link[NAME_MAX + 1];
  return FindLinkEntry(index, link) ? CopyIfFits(link, out, size) : -1;
}

int PortDevicePath(int index, char* out, size_t size) {
  if (out == nullptr || size == 0) return -1;
  out[0] = '\0';
  if (index < 0) return -1;
  if (index == assignedIndex) return CopyIfFits(assignedPath, out, size);
  char link[NAME_MAX + 1];
  // A link the user made is the user's choice: when it leads nowhere usable the port has
  // no device, rather than silently being some other device from the fixed table.
  if (FindLinkEntry(index, link)) return LinkTarget(link, out, size);
  for (const FixedRange& r : fixedTable) {
    if (index < r.firstIndex || index >= r.firstIndex + FixedRangeSize) continue;
    char path[32];
    std::snprintf(path, sizeof path, "%s%d", r.prefix, index - r.firstIndex);
    return CopyIfFits(path, out, size);
  }
  return -1;
}

int FixedPortIndex(const char* devicePath) {
  if (devicePath == nullptr) return -1;
  for (const FixedRange& r : fixedTable) {
    const size_t length = std::strlen(r.prefix);
    if (std::strncmp(devicePath, r.prefix, length) != 0) continue;
    const char* digits = devicePath + length;
    // Device names carry no leading zeros: ttyS01 is not ttyS1.
    int n = 0;
    int count = 0;
    for (; digits[count] >= '0' && digits[count] <= '9' && count < 3; ++count)
      n = n * 10 + (digits[count] - '0');
    if (count == 0 || digits[count] != '\0' || (count > 1 && digits[0] == '0')) continue;
    if (n < FixedRangeSize) return r.firstIndex + n;
  }
  return -1;
}
