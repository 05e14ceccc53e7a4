// What both platforms' port namespaces share.
#include "serial/port_names.h"

int ComNameIndex(const char* name) {
  if (name == nullptr) return -1;
  for (int i = 0; i < 3; ++i) {
    const char c = name[i];
    if (c != "COM"[i] && c != "com"[i]) return -1;
  }
  const char* digits = name + 3;
  if (digits[0] < '1' || digits[0] > '9') return -1;
  int n = 0;
  for (int i = 0; digits[i] != '\0'; ++i) {
    if (digits[i] < '0' || digits[i] > '9' || i >= ComNameMaxDigits) return -1;
    n = n * 10 + (digits[i] - '0');
  }
  return n - 1;
}
