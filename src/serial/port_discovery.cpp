// Port discovery: the device set is captured when a listing opens (the system's enumeration:
// port_discovery_qt.cpp on Linux, port_discovery_win32.cpp on Windows); NextPort then walks
// it with the listing state below, delivering the ports the port dialog can offer.
#include "serial/port_discovery.h"

#include <cctype>
#include <cstring>
#include <new>

struct PortListSet {
  std::vector<PortCandidate> ports;
};

namespace {

PortEnumeration installedEnumeration = nullptr;  // null: SystemPortEnumeration

// The listing under way: whether one is, and the position of the next port to examine.
bool listing = false;
size_t position = 0;

// The longest port name a listing delivers; a longer one ends it.
constexpr size_t MaxPortNameLength = 6;

void EndListing() {
  listing = false;
  position = 0;
}

// The number after "com", read as a decimal integer: leading blanks and a sign allowed,
// reading stops at the first non-digit, no digits give 0.
long PortNumber(const std::string& name) {
  const char* p = name.c_str() + 3;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  long n = 0;
  for (; *p >= '0' && *p <= '9' && n < 100000000; ++p) n = n * 10 + (*p - '0');
  return negative ? -n : n;
}

bool BeginsWithCom(const std::string& name) {
  return name.size() >= 3 && std::tolower(static_cast<unsigned char>(name[0])) == 'c' &&
         std::tolower(static_cast<unsigned char>(name[1])) == 'o' &&
         std::tolower(static_cast<unsigned char>(name[2])) == 'm';
}

// Copies text into a caller's buffer, cut to fit and NUL-terminated; a cut never splits a
// UTF-8 sequence (device descriptions may carry any character).
void CopyCut(const std::string& text, char* out, size_t size) {
  if (out == nullptr || size == 0) return;
  size_t length = text.size();
  if (length >= size) {
    length = size - 1;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  }
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

}  // namespace

void InstallPortEnumeration(PortEnumeration enumerate) { installedEnumeration = enumerate; }

PortList OpenPortList() {
  PortListSet* set = new (std::nothrow) PortListSet;
  if (set == nullptr) return InvalidPortList;
  const PortEnumeration enumerate =
      installedEnumeration != nullptr ? installedEnumeration : SystemPortEnumeration;
  if (!enumerate(&set->ports)) {
    delete set;
    return InvalidPortList;
  }
  return set;
}

int NextPort(PortList set, char* portName, size_t portNameSize, char* friendlyName,
             size_t friendlyNameSize) {
  if (!listing) {
    listing = true;
    position = 0;
  }
  for (;;) {
    if (set == InvalidPortList || position >= set->ports.size()) break;
    const PortCandidate& port = set->ports[position];
    if (port.portName.size() > MaxPortNameLength) break;
    ++position;
    if (!BeginsWithCom(port.portName)) continue;  // ports of other kinds
    if (PortNumber(port.portName) < 1) break;
    CopyCut(port.portName, portName, portNameSize);
    CopyCut(port.friendlyName, friendlyName, friendlyNameSize);
    return 1;
  }
  EndListing();
  return 0;
}

int ClosePortList(PortList set) {
  if (set == InvalidPortList) return 0;
  // A listing the caller stopped early belongs to this set: the next one starts afresh.
  EndListing();
  delete set;
  return 1;
}

void ResetPortDiscovery() {
  EndListing();
  installedEnumeration = nullptr;
}
