#include "startup/setting_number.h"

#include <cctype>

int32_t SettingNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  uint32_t n = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
    n = n * 10u + static_cast<uint32_t>(text[i++] - '0');
  return static_cast<int32_t>(negative ? 0u - n : n);
}
