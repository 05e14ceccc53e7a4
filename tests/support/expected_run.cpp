#include "support/expected_run.h"

#include <algorithm>
#include <fstream>
#include <sstream>

std::optional<ExpectedChip> ChipFor(uint8_t chip, uint8_t version) {
  const bool v5 = version >= 5;
  const auto pic18 = [&](int32_t flash, std::vector<uint8_t> vector5,
                         std::vector<uint8_t> vectorOld, bool pad) -> std::optional<ExpectedChip> {
    if (!v5 && vectorOld.empty()) return std::nullopt;
    return ExpectedChip{1, 64, flash - (v5 ? 448 : 320), v5 ? vector5 : vectorOld, pad};
  };
  switch (chip) {
    case 0x42:
    case 0x43: return pic18(0x8000, {0x40, 0xEF, 0x3F, 0xF0}, {0x80, 0xEF, 0x3F, 0xF0}, false);
    case 0x44:
    case 0x45: return pic18(0x4000, {0x40, 0xEF, 0x1F, 0xF0}, {0x80, 0xEF, 0x1F, 0xF0}, false);
    case 0x46: return pic18(0x2000, {0x80, 0xEF, 0x0F, 0xF0}, {0x80, 0xEF, 0x0F, 0xF0}, false);
    case 0x47: return pic18(0x8000, {0x40, 0xEF, 0x3F, 0xF0}, {}, true);
    case 0x48: return pic18(0x10000, {0x40, 0xEF, 0x7F, 0xF0}, {}, true);
    case 0xC7: return ExpectedChip{1, 64, 0x3BC0, {0x00, 0xEF, 0x1E, 0xF0}, false};
    case 0xFC:
    case 0xFE: return ExpectedChip{2, 256, 0xA780, {0x00, 0xA8, 0x04, 0, 0, 0, 0, 0}, false};
    case 0xFD: return ExpectedChip{2, 256, 0x15380, {0x00, 0x54, 0x04, 0, 0x01, 0, 0, 0}, false};
    default: return std::nullopt;
  }
}

ExpectedRun ExpectRun(const RunInput& in) {
  ExpectedRun out;
  const ExpectedChip chip = *ChipFor(in.chip, in.version);
  const auto mask = [&](uint8_t value) -> uint8_t { return in.plain ? 0 : uint8_t(value + 0xA5); };

  std::vector<uint8_t> image = in.image;
  for (size_t i = 0; i < chip.resetVector.size() && i < image.size(); ++i)
    image[i] = chip.resetVector[i] ^ mask(0);
  size_t length = image.size();
  if (chip.unit == 1) length = std::min<size_t>(length, chip.flashLimit);

  const auto addBlock = [&](uint32_t address, const std::vector<uint8_t>& data, int lengthField) {
    out.frames.push_back({"block", address, lengthField});
    for (size_t i = 0; i < data.size(); ++i) out.flash[address * chip.unit + i] = data[i];
  };
  for (size_t offset = 0; offset < length; offset += chip.blockSize) {
    const size_t end = std::min(length, offset + chip.blockSize);
    std::vector<uint8_t> data(image.begin() + offset, image.begin() + end);
    const uint32_t address = offset / chip.unit;
    if (end == length) {  // the last block
      int field = static_cast<int>(data.size());
      if (chip.padLastBlock) {
        data.resize(chip.blockSize, uint8_t(0xFF ^ mask(address & 0xFF)));
        field = chip.blockSize;
      }
      addBlock(address, data, field);
      break;
    }
    const uint32_t next = end / chip.unit;
    if (in.skipStart != 0 && in.skipStart <= next && next <= in.skipStart + in.skipLength) continue;
    addBlock(address, data, chip.blockSize);
  }

  const uint8_t low = chip.flashLimit & 0xFF;
  std::vector<uint8_t> final(chip.blockSize, uint8_t(0xFF ^ mask(low)));
  std::vector<uint8_t> finals = in.finalBytes;
  if (chip.padLastBlock)
    for (size_t i = 4; i < finals.size(); ++i) finals[i] = 0;
  for (size_t i = 0; i < finals.size(); ++i)
    final[chip.blockSize - finals.size() + i] = finals[i] ^ mask(low);
  addBlock(chip.flashLimit, final, chip.blockSize);

  for (size_t i = 0; i < in.eeprom.size(); ++i) {
    out.frames.push_back({"eeprom", static_cast<uint32_t>(i & 0xFF), 1});
    out.eeprom[i & 0xFF] = in.eeprom[i];
  }
  return out;
}

std::string CompareWithDevice(const ExpectedRun& expected, const devsim::Device& device,
                              int deviceNumber) {
  std::ostringstream problems;
  int reported = 0;
  const auto problem = [&](const std::string& text) {
    if (reported++ < 8) problems << text << "\n";
  };

  std::vector<ExpectedFrame> sent;
  for (const devsim::TranscriptEntry& t : device.transcript()) {
    if (t.device != deviceNumber || (t.kind != "block" && t.kind != "eeprom")) continue;
    if (!t.checksumOk) problem("frame " + std::to_string(t.frame) + ": bad checksum");
    if (t.answer == "N") continue;  // refused: its re-send follows
    sent.push_back({t.kind, t.address, t.length});
  }
  for (size_t i = 0; i < std::max(sent.size(), expected.frames.size()); ++i) {
    if (i >= sent.size() || i >= expected.frames.size()) {
      problem("frame count: sent " + std::to_string(sent.size()) + ", expected " +
              std::to_string(expected.frames.size()));
      break;
    }
    const ExpectedFrame& s = sent[i];
    const ExpectedFrame& e = expected.frames[i];
    if (s.kind != e.kind || s.address != e.address || s.length != e.length) {
      std::ostringstream line;
      line << "frame " << i << ": sent " << s.kind << " @" << std::hex << s.address << std::dec
           << " len " << s.length << ", expected " << e.kind << " @" << std::hex << e.address
           << std::dec << " len " << e.length;
      problem(line.str());
    }
  }

  const devsim::DeviceMemory& memory = device.memory(deviceNumber);
  for (const auto& [offset, value] : expected.flash) {
    const std::optional<uint8_t> got = memory.flashByte(offset);
    if (!got || *got != value) {
      std::ostringstream line;
      line << "flash[0x" << std::hex << offset << "] = "
           << (got ? std::to_string(*got) : std::string("unwritten")) << ", expected "
           << std::dec << int(value);
      problem(line.str());
    }
  }
  if (memory.flashBytesWritten() != expected.flash.size())
    problem("flash bytes written: " + std::to_string(memory.flashBytesWritten()) +
            ", expected " + std::to_string(expected.flash.size()));
  for (const auto& [address, value] : expected.eeprom) {
    const std::optional<uint8_t> got = memory.eepromByte(address);
    if (!got || *got != value) problem("eeprom[" + std::to_string(address) + "] differs");
  }
  return problems.str();
}

std::map<uint32_t, uint8_t> ReadIntelHex(const std::string& path) {
  std::map<uint32_t, uint8_t> bytes;
  std::ifstream in(path);
  std::string line;
  uint32_t upper = 0;
  const auto hex = [](const std::string& s, size_t at, size_t n) {
    return static_cast<uint32_t>(std::stoul(s.substr(at, n), nullptr, 16));
  };
  while (std::getline(in, line)) {
    if (line.size() < 11 || line[0] != ':') continue;
    const uint32_t count = hex(line, 1, 2), address = hex(line, 3, 4), type = hex(line, 7, 2);
    if (type == 4) upper = hex(line, 9, 4) << 16;
    if (type != 0) continue;
    for (uint32_t i = 0; i < count; ++i) bytes[upper + address + i] = hex(line, 9 + 2 * i, 2);
  }
  return bytes;
}

std::string CompareWithDump(const ExpectedRun& expected, const std::map<uint32_t, uint8_t>& dump) {
  std::ostringstream problems;
  size_t flash = 0;
  for (const auto& [address, value] : dump)
    if (address < 0xF00000) ++flash;
  for (const auto& [offset, value] : expected.flash) {
    const auto got = dump.find(offset);
    if (got == dump.end() || got->second != value) {
      problems << "flash[0x" << std::hex << offset << std::dec << "] differs\n";
      if (problems.tellp() > 400) return problems.str();
    }
  }
  if (flash != expected.flash.size())
    problems << "flash bytes " << flash << ", expected " << expected.flash.size() << "\n";
  for (const auto& [address, value] : expected.eeprom) {
    const auto got = dump.find(0xF00000 + address);
    if (got == dump.end() || got->second != value) problems << "eeprom[" << int(address) << "] differs\n";
  }
  return problems.str();
}
