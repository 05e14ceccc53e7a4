// The serial ports present on Linux: the ports folder's links, then the devices Qt's
// serial-port information finds (sysfs and udev: USB product, maker) that the fixed table
// names, each with a friendly name that shows the real device.
#include "serial/port_discovery.h"

#include <QList>
#include <QSerialPortInfo>
#include <QString>
#include <dirent.h>
#include <sys/stat.h>

#include <climits>
#include <cstring>
#include <set>
#include <utility>

#include "platform/serial_device.h"
#include "serial/port_names.h"

namespace {

// The longest link name a listing can deliver ("COM999").
constexpr size_t MaxLinkNameLength = 6;

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
    const int index = ComNameIndex(e->d_name);
    if (index >= 0 && std::strlen(e->d_name) <= MaxLinkNameLength) indices.insert(index);
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
