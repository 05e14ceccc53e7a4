// Port discovery: the device set is captured when a listing opens; NextPort then walks it
// with the listing state below, delivering the ports the port dialog can offer.
#include "serial/port_discovery.h"

#include <QList>
#include <QSerialPortInfo>
#include <QString>
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <new>
#include <set>
#include <utility>

#include "platform/serial_device.h"
#include "serial/port_names.h"

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

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// A device's description where the system has one, else the kind of device; empty when
// neither is known.
std::string Description(const std::string& path, const QSerialPortInfo* info) {
  const std::string description =
      info != nullptr ? info->description().trimmed().toStdString() : std::string();
  if (!description.empty()) return description;
  if (IsPseudoTerminalPath(path.c_str())) return "Pseudo-terminal";
  if (StartsWith(path, "/dev/ttyUSB")) return "USB serial port";
  if (StartsWith(path, "/dev/ttyACM")) return "USB ACM serial port";
  if (StartsWith(path, "/dev/ttyS")) return "Serial port";
  return "";
}

// What the user sees for a device: the COM name the status bar and the setting use, then
// its description with the device path, so that the real device is always recognisable:
// "COM33  FT232R USB UART (/dev/ttyUSB0)". UTF-8, as the description comes.
PortCandidate Candidate(int index, const std::string& path, const QSerialPortInfo* info) {
  const std::string portName = "COM" + std::to_string(index + 1);
  const std::string description = Description(path, info);
  const std::string device = description.empty() ? path : description + " (" + path + ")";
  return {portName, portName + "  " + device, path, description};
}

// The port indices the ports folder has a link for: names "com" (any case) and a number
// from 1 without leading zeros that a listing can deliver.
std::set<int> LinkedIndices() {
  std::set<int> indices;
  DIR* d = *PortsDirectory() != '\0' ? opendir(PortsDirectory()) : nullptr;
  if (d == nullptr) return indices;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() < 4 || name.size() > MaxPortNameLength || !BeginsWithCom(name) ||
        name[3] < '1' || name[3] > '9' ||
        !std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    int n = 0;
    for (size_t i = 3; i < name.size(); ++i) n = n * 10 + (name[i] - '0');
    indices.insert(n - 1);
  }
  closedir(d);
  return indices;
}

const QSerialPortInfo* InfoAt(const QList<QSerialPortInfo>& present, const std::string& path) {
  for (const QSerialPortInfo& info : present)
    if (info.systemLocation().toStdString() == path) return &info;
  return nullptr;
}

bool DeviceNumber(const std::string& path, dev_t* number) {
  struct stat st{};
  if (stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  *number = st.st_rdev;
  return true;
}

}  // namespace

bool SystemPortEnumeration(std::vector<PortCandidate>* out) {
  if (out == nullptr) return false;
  out->clear();
  const QList<QSerialPortInfo> present = QSerialPortInfo::availablePorts();

  // The links first, in port order; a link that leads nowhere usable is not offered. A link
  // is listed under its upper-case COM name whatever its spelling: the lookup ignores case,
  // and the port dialog reads the port from that name.
  std::set<dev_t> linkedDevices;
  for (int index : LinkedIndices()) {
    char target[PATH_MAX];
    if (PortDevicePath(index, target, sizeof target) != 0) continue;
    dev_t number{};
    if (DeviceNumber(target, &number)) linkedDevices.insert(number);
    out->push_back(Candidate(index, target, InfoAt(present, target)));
  }

  // Then the present devices the fixed table names, unless a link already stands for that
  // name (good or bad) or already leads to that device.
  std::vector<std::pair<int, PortCandidate>> fixed;
  for (const QSerialPortInfo& info : present) {
    const std::string path = info.systemLocation().toStdString();
    const int index = FixedPortIndex(path.c_str());
    char link[NAME_MAX + 1];
    dev_t number{};
    if (index < 0 || PortLinkName(index, link, sizeof link) == 0) continue;
    if (DeviceNumber(path, &number) && linkedDevices.count(number) != 0) continue;
    fixed.push_back({index, Candidate(index, path, &info)});
  }
  std::sort(fixed.begin(), fixed.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& entry : fixed) out->push_back(std::move(entry.second));
  return true;
}

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
