#include "sim/dump.h"

#include <cstdio>
#include <string>
#include <optional>
#include <vector>

namespace devsim {

namespace {

constexpr size_t MaxRecordBytes = 16;

class HexWriter {
 public:
  // Adds one byte at a 32-bit address; consecutive bytes join one record.
  void add(uint32_t address, uint8_t value) {
    const bool continues = !record_.empty() && address == recordStart_ + record_.size() &&
                           record_.size() < MaxRecordBytes && (address & 0xFFFF) != 0;
    if (!continues) {
      flush();
      const uint16_t upper = static_cast<uint16_t>(address >> 16);
      if (upper != upper_) {
        const uint8_t payload[] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
        line(0, 0x04, payload, 2);
        upper_ = upper;
      }
      recordStart_ = address;
    }
    record_.push_back(value);
  }

  std::string finish() {
    flush();
    line(0, 0x01, nullptr, 0);
    return text_;
  }

 private:
  void flush() {
    if (record_.empty()) return;
    line(static_cast<uint16_t>(recordStart_ & 0xFFFF), 0x00, record_.data(), record_.size());
    record_.clear();
  }

  void line(uint16_t offset, uint8_t type, const uint8_t* data, size_t n) {
    char buf[8];
    unsigned sum = static_cast<unsigned>(n) + (offset >> 8) + (offset & 0xFF) + type;
    std::snprintf(buf, sizeof buf, ":%02X", static_cast<unsigned>(n));
    text_ += buf;
    std::snprintf(buf, sizeof buf, "%04X%02X", offset, type);
    text_ += buf;
    for (size_t i = 0; i < n; ++i) {
      std::snprintf(buf, sizeof buf, "%02X", data[i]);
      text_ += buf;
      sum += data[i];
    }
    std::snprintf(buf, sizeof buf, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    text_ += buf;
  }

  std::string text_;
  uint16_t upper_ = 0;
  uint32_t recordStart_ = 0;
  std::vector<uint8_t> record_;
};

bool WriteFile(const std::string& path, const void* data, size_t n) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, n, f) == n;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

std::string IntelHexText(const DeviceMemory& memory) {
  HexWriter hex;
  for (uint32_t offset = 0; offset < memory.flashEnd(); ++offset) {
    if (std::optional<uint8_t> b = memory.flashByte(offset)) hex.add(offset, *b);
  }
  for (unsigned a = 0; a < 256; ++a) {
    if (std::optional<uint8_t> b = memory.eepromByte(static_cast<uint8_t>(a))) {
      hex.add(HexEepromBase + a, *b);
    }
  }
  return hex.finish();
}

bool WriteIntelHex(const DeviceMemory& memory, const std::string& path) {
  const std::string text = IntelHexText(memory);
  return WriteFile(path, text.data(), text.size());
}

bool WriteFlatBinary(const DeviceMemory& memory, const std::string& path) {
  const std::vector<uint8_t>& image = memory.flashImage();
  return WriteFile(path, image.data(), image.size());
}

}  // namespace devsim

namespace devsim {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The bytes of one record line (after the colon), or false.
bool RecordBytes(const std::string& line, std::vector<uint8_t>* bytes) {
  if (line.size() < 11 || line[0] != ':' || (line.size() - 1) % 2 != 0) return false;
  bytes->clear();
  unsigned sum = 0;
  for (size_t i = 1; i + 1 < line.size(); i += 2) {
    const int high = HexValue(line[i]);
    const int low = HexValue(line[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes->push_back(static_cast<uint8_t>(high * 16 + low));
    sum += bytes->back();
  }
  return (sum & 0xFF) == 0 && bytes->size() == 5u + (*bytes)[0];
}

}  // namespace

bool ReadIntelHex(const std::string& path, DeviceMemory* memory, std::string* error) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) {
    *error = "cannot read " + path;
    return false;
  }
  char buffer[600];
  uint32_t upper = 0;
  std::vector<uint8_t> record;
  bool ok = true;
  for (int number = 1; std::fgets(buffer, sizeof buffer, file) != nullptr; ++number) {
    std::string line = buffer;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.empty()) continue;
    if (!RecordBytes(line, &record)) {
      *error = path + ":" + std::to_string(number) + ": not an Intel HEX record";
      ok = false;
      break;
    }
    const uint8_t type = record[3];
    if (type == 0x01) break;
    if (type == 0x04 && record[0] == 2) upper = static_cast<uint32_t>(record[4] << 8 | record[5]) << 16;
    if (type != 0x00) continue;
    const uint32_t address = upper | static_cast<uint32_t>(record[1] << 8 | record[2]);
    for (size_t i = 0; i < record[0]; ++i) {
      const uint32_t at = address + static_cast<uint32_t>(i);
      if (at >= HexEepromBase)
        memory->writeEeprom(static_cast<uint8_t>(at - HexEepromBase), record[4 + i]);
      else
        memory->writeFlash(at, &record[4 + i], 1);
    }
  }
  std::fclose(file);
  return ok;
}

}  // namespace devsim
