// What one simulated device was given: flash by byte offset (device address times address
// unit) and 256 EEPROM cells by address byte. Cells never written read as blank.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace devsim {

class DeviceMemory {
 public:
  void writeFlash(uint32_t offset, const uint8_t* data, size_t n);
  void writeEeprom(uint8_t address, uint8_t value);

  std::optional<uint8_t> flashByte(uint32_t offset) const;
  std::optional<uint8_t> eepromByte(uint8_t address) const;

  // One past the highest flash offset written (0 when none was).
  uint32_t flashEnd() const { return static_cast<uint32_t>(written_.size()); }
  size_t flashBytesWritten() const { return flashCount_; }
  size_t eepromBytesWritten() const { return eepromCount_; }

  // Flash from offset 0 to flashEnd(), 0xFF where nothing was written.
  const std::vector<uint8_t>& flashImage() const { return flash_; }

 private:
  std::vector<uint8_t> flash_;
  std::vector<bool> written_;
  size_t flashCount_ = 0;
  std::array<uint8_t, 256> eeprom_{};
  std::array<bool, 256> eepromWritten_{};
  size_t eepromCount_ = 0;
};

}  // namespace devsim
