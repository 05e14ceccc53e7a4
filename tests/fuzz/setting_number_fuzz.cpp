// The "com" number rule on any text: no undefined arithmetic, and for a plain decimal number
// the low 16 bits of what was written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "startup/setting_number.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int32_t n = SettingNumber(text);
  // Up to nine digits after blanks and a sign: strtol agrees.
  size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return 0;
  size_t digits = i + (text[i] == '-' || text[i] == '+' ? 1 : 0);
  size_t end = digits;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  if (end > digits && end - digits <= 9) {
    const long expected = std::strtol(text.substr(i, end - i).c_str(), nullptr, 10);
    if (static_cast<int16_t>(n) != static_cast<int16_t>(expected)) __builtin_trap();
  }
  return 0;
}
