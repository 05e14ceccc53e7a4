// The port dialog's reading of a port name on any text: no undefined arithmetic, and a
// well-formed "COM<n>" gives n - 1.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/port_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  const int16_t port = PortOfPortName(name);
  if (size >= 4 && size <= 7 && name.compare(0, 3, "COM") == 0 && name[3] >= '1' && name[3] <= '9') {
    int n = 0;
    bool digits = true;
    for (size_t i = 3; i < size; ++i) {
      digits = digits && name[i] >= '0' && name[i] <= '9';
      n = n * 10 + (name[i] - '0');
    }
    if (digits && port != static_cast<int16_t>(n - 1)) __builtin_trap();
  }
  return 0;
}
