#include "ui/port_entry.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {
bool IsPortLetter(char c) { return c == 'C' || c == 'O' || c == 'M'; }
}  // namespace

int16_t PortOfPortName(const std::string& name) {
  if (name.empty()) return 0;
  // Upper-case C, O and M only: a lower-case "com5" keeps its letters.
  size_t start = 0;
  while (start < name.size() && IsPortLetter(name[start])) ++start;
  if (start == name.size()) return 0;
  size_t end = start;
  while (end < name.size() && !IsPortLetter(name[end])) ++end;
  const std::string number = name.substr(start, end - start);
  // strtol saturates out-of-range numbers; the subtraction is done without overflow.
  const long n = std::strtol(number.c_str(), nullptr, 10);
  const long index = n == LONG_MIN ? LONG_MIN : n - 1;
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<unsigned long>(index)));
}
