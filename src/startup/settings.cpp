#include "startup/settings.h"

#include "serial/channel.h"

void LoadRememberedPort(uint8_t root) {
  const std::string text = ReadSetting("com", root);
  UsePort(text.empty() ? 0 : static_cast<int16_t>(SettingNumber(text)));
}

bool LoadRememberedPortLoader() {
  const std::string text = ReadSetting("com", LoaderSettings);
  if (text.empty()) {
    CurrentPort = 0;
    OpenedPort = -1;
  } else {
    const int32_t n = SettingNumber(text);
    CurrentPort = static_cast<int16_t>(n);
    OpenedPort = static_cast<int16_t>(static_cast<uint32_t>(n) + 1u);
  }
  return OpenedPort >= 0;
}

void CloseAndRememberPort(uint8_t root) {
  if (CurrentPort == OpenedPort) ClosePort(CurrentPort);
  WriteSetting("com", std::to_string(CurrentPort).c_str(), root);
}
