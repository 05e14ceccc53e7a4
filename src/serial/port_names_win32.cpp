// The port namespace on Windows: port index i is the device "\\.\COM<i+1>", as the system
// names its ports. There is no ports folder.
#include "serial/port_names.h"

#include <cstdio>
#include <cstring>

namespace {

int assignedIndex = -1;  // the index AssignPortDevice gave a path, or -1
char assignedPath[260];

int CopyIfFits(const char* text, char* out, size_t size) {
  const size_t length = std::strlen(text);
  if (length >= size) {
    out[0] = '\0';
    return -1;
  }
  std::memcpy(out, text, length + 1);
  return 0;
}

}  // namespace

void AssignPortDevice(int index, const char* devicePath) {
  assignedIndex = -1;
  if (devicePath == nullptr || index < 0 ||
      CopyIfFits(devicePath, assignedPath, sizeof assignedPath) != 0)
    return;
  assignedIndex = index;
}

const char* PortsDirectory() { return ""; }

int PortDevicePath(int index, char* out, size_t size) {
  if (out == nullptr || size == 0) return -1;
  out[0] = '\0';
  if (index < 0) return -1;
  if (index == assignedIndex) return CopyIfFits(assignedPath, out, size);
  char path[32];
  std::snprintf(path, sizeof path, "\\\\.\\COM%d", index + 1);
  return CopyIfFits(path, out, size);
}

int PortLinkName(int, char* out, size_t size) {
  if (out != nullptr && size > 0) out[0] = '\0';
  return -1;
}

int FixedPortIndex(const char* devicePath) {
  if (devicePath == nullptr) return -1;
  const char* name = devicePath;
  if (std::strncmp(name, "\\\\.\\", 4) == 0) name += 4;
  return ComNameIndex(name);
}
