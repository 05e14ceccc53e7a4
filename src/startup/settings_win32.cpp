// The settings store in the Windows registry: one key per window variant under
// HKEY_LOCAL_MACHINE, string values.
#include "startup/settings.h"

#include <windows.h>

namespace {

const char* KeyOf(uint8_t root) {
  switch (root) {
    case UpgradeSettings: return "Software\\Ostrana\\Upgrade\\";
    case LoaderSettings: return "Software\\Venkor\\Loader\\";
    default: return "Software\\Korvex\\Tarvik\\";
  }
}

}  // namespace

std::string ReadSetting(const char* name, uint8_t root) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyOf(root), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  std::string text;
  DWORD type = 0;
  DWORD size = 0;
  // Only a string counts; a missing value, or one of another type, reads as empty.
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0 && size < 4096) {
    text.resize(size);
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) ==
        ERROR_SUCCESS) {
      text.resize(size);
      while (!text.empty() && text.back() == '\0') text.pop_back();
    } else {
      text.clear();
    }
  }
  RegCloseKey(key);
  return text;
}

void WriteSetting(const char* name, const char* value, uint8_t root) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyOf(root), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  const std::string text = value != nullptr ? value : "";
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}
