// Port discovery: the serial ports present, as pairs of port name ("COM<n>") and friendly
// name ("COM33  FT232R USB UART (/dev/ttyUSB0)"), one at a time.
//
//   set = OpenPortList(); while (NextPort(set, ...)) ...; ClosePortList(set);
//
// Only one listing at a time: the position is module state. A listing that ends (NextPort
// returns 0) leaves that state so that the next listing starts again at the first device.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One device as the enumeration sees it: its port name and its friendly name (UTF-8); and,
// where the system enumeration found them, the device path and the description the
// friendly name is made of.
struct PortCandidate {
  std::string portName;
  std::string friendlyName;
  std::string devicePath = {};
  std::string description = {};
};

struct PortListSet;  // the listing's device set, owned by the caller until ClosePortList
using PortList = PortListSet*;
constexpr PortList InvalidPortList = nullptr;

// The device set of this moment, or InvalidPortList.
PortList OpenPortList();
// Delivers the next port into the caller's buffers (NUL-terminated, cut to fit);
// friendlyName may be null. 1 when a port was delivered, 0 when the listing is over.
// A port name of 7 characters or more, or "COM" with a number below 1, ends the listing;
// a name that does not begin with "com" (any case) is skipped.
int NextPort(PortList set, char* portName, size_t portNameSize, char* friendlyName,
             size_t friendlyNameSize);
// Releases the set; nonzero when a set was released, 0 for InvalidPortList. A listing the
// caller did not read to its end ends here too, so the next one starts at the first device.
int ClosePortList(PortList set);

// Where the devices come from: the ports folder's links that lead to a device, in port order
// and under their upper-case COM names, then the present serial devices (QSerialPortInfo)
// that the fixed table names, in port order, leaving out those whose COM name a link takes
// or that a listed link leads to. Friendly names carry the COM name and show the real
// device: "COM33  FT232R USB UART (/dev/ttyUSB0)", "COM1  Pseudo-terminal (/dev/pts/4)".
// Tests install a fake enumeration.
using PortEnumeration = bool (*)(std::vector<PortCandidate>* out);
bool SystemPortEnumeration(std::vector<PortCandidate>* out);
// nullptr restores SystemPortEnumeration.
void InstallPortEnumeration(PortEnumeration enumerate);

// No listing under way and the system's enumeration, as at program start.
void ResetPortDiscovery();
