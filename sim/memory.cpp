#include "sim/memory.h"

namespace devsim {

void DeviceMemory::writeFlash(uint32_t offset, const uint8_t* data, size_t n) {
  if (n == 0) return;
  const size_t end = size_t{offset} + n;
  if (end > flash_.size()) {
    flash_.resize(end, 0xFF);
    written_.resize(end, false);
  }
  for (size_t i = 0; i < n; ++i) {
    if (!written_[offset + i]) ++flashCount_;
    written_[offset + i] = true;
    flash_[offset + i] = data[i];
  }
}

void DeviceMemory::writeEeprom(uint8_t address, uint8_t value) {
  if (!eepromWritten_[address]) ++eepromCount_;
  eepromWritten_[address] = true;
  eeprom_[address] = value;
}

std::optional<uint8_t> DeviceMemory::flashByte(uint32_t offset) const {
  if (offset >= written_.size() || !written_[offset]) return std::nullopt;
  return flash_[offset];
}

std::optional<uint8_t> DeviceMemory::eepromByte(uint8_t address) const {
  if (!eepromWritten_[address]) return std::nullopt;
  return eeprom_[address];
}

}  // namespace devsim
