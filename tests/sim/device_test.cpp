// The device model's answers, memory and transcript for the frames a host sends.
#include <gtest/gtest.h>

#include "sim/device.h"
#include "test_host.h"

namespace {

using devsim::Config;
using devsim::Device;
using devsim::TranscriptEntry;
using namespace simtest;

const std::string VRecord48 = std::string("V\x05\x48\x02\x00K", 6);

struct ExpectedEntry {
  const char* kind;
  int frame;
  uint32_t address;
  int length;
  bool checksumOk;
  const char* answer;
};

void ExpectTranscript(const Device& d, const std::vector<ExpectedEntry>& expected) {
  const std::vector<TranscriptEntry>& t = d.transcript();
  ASSERT_EQ(t.size(), expected.size());
  for (size_t i = 0; i < t.size(); ++i) {
    SCOPED_TRACE("transcript entry " + std::to_string(i));
    EXPECT_EQ(t[i].kind, expected[i].kind);
    EXPECT_EQ(t[i].frame, expected[i].frame);
    EXPECT_EQ(t[i].address, expected[i].address);
    EXPECT_EQ(t[i].length, expected[i].length);
    EXPECT_EQ(t[i].checksumOk, expected[i].checksumOk);
    EXPECT_EQ(t[i].answer, expected[i].answer);
  }
}

TEST(DeviceSession, ScriptedProgrammingRun) {
  Device d(Config{});
  VirtualHost host{d};

  EXPECT_EQ(host.exchange({0xC2}), VRecord48);
  EXPECT_EQ(host.exchange({0xCC}), "K");

  const Bytes data = Counting(64, 0x10);
  EXPECT_EQ(host.exchange(Block(0x40, data)), "K");

  Bytes corrupt = Block(0x80, Counting(64));
  corrupt.back() ^= 0x01;
  EXPECT_EQ(host.exchange(corrupt), "N");
  EXPECT_FALSE(d.memory().flashByte(0x80).has_value()) << "a refused block must not be stored";
  EXPECT_EQ(host.exchange(Block(0x80, Counting(64))), "K") << "the re-send";

  EXPECT_EQ(host.exchange(Eeprom(3, 0x99)), "K");
  EXPECT_EQ(host.exchange(Pattern("Qw7Rt2Yp9Ux4Zk3")), "");
  EXPECT_EQ(host.exchange(Command4()), "");

  for (uint32_t i = 0; i < 64; ++i) ASSERT_EQ(d.memory().flashByte(0x40 + i), data[i]);
  EXPECT_EQ(d.memory().flashByte(0x80 + 63), 63);
  EXPECT_EQ(d.memory().flashBytesWritten(), 128u);
  EXPECT_EQ(d.memory().eepromByte(3), 0x99);
  EXPECT_EQ(d.memory().eepromBytesWritten(), 1u);

  ExpectTranscript(d, {{"probe", 0, 0, 0, true, "K"},
                       {"entry", 0, 0, 0, true, "K"},
                       {"block", 1, 0x40, 64, true, "K"},
                       {"block", 2, 0x80, 64, false, "N"},
                       {"block", 2, 0x80, 64, true, "K"},
                       {"eeprom", 3, 3, 1, true, "K"},
                       {"pattern", 0, 0, 0, true, ""},
                       {"command4", 0, 0, 0, true, ""}});
}

TEST(DeviceSession, WideChipBlocksUseTwoByteLengthAndTwoBytesPerAddress) {
  Config c;
  c.chips = {0xFD};
  Device d(c);
  VirtualHost host{d};
  EXPECT_EQ(host.exchange({0xC5}), std::string("V\x05\xFD\x02\x00K", 6));

  const Bytes row = Counting(256, 7);
  EXPECT_EQ(host.exchange(Block(0x80, row, /*wide=*/true)), "K");
  EXPECT_EQ(d.memory().flashByte(0x100), 7);
  EXPECT_EQ(d.memory().flashByte(0x1FF), static_cast<uint8_t>(7 + 255));
  EXPECT_FALSE(d.memory().flashByte(0x200).has_value());

  // The final block of chip 0xFD lies above 64K addresses: its frame starts with 0x01.
  EXPECT_EQ(host.exchange(Block(0x15380, Bytes(256, 0xAB), true)), "K");
  EXPECT_EQ(d.memory().flashByte(0x15380 * 2), 0xAB);
  EXPECT_EQ(d.memory().flashEnd(), 0x15380u * 2 + 256);
}

TEST(DeviceSession, FramesStartingWith00_0FArePatternOnlyWhenTheSumMatches) {
  struct Case {
    const char* name;
    Bytes frame;
    const char* kind;
    const char* answer;
  };
  Bytes noSum = Pattern("Qw7Rt2Yp9Ux4Zk3");
  noSum.back() ^= 0xFF;
  const std::vector<Case> cases = {
      {"pattern", Pattern("Qw7Rt2Yp9Ux4Zk3"), "pattern", ""},
      // A short last block at 0x0F00 is over long before 19 bytes.
      {"short block at 0x0F00", Block(0x0F00, Counting(5)), "block", "K"},
      // 19 bytes that end in no matching sum: a block of 14 data bytes.
      {"19-byte block at 0x0F10", Block(0x0F10, Counting(14, 0x30)), "block", "K"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Device d(Config{});
    VirtualHost host{d};
    host.exchange({0xC2});
    EXPECT_EQ(host.exchange(c.frame), c.answer);
    EXPECT_EQ(d.transcript().back().kind, c.kind);
  }

  // A pattern-like start without its sum goes on as a block with length byte 'w' (119).
  Device d(Config{});
  VirtualHost host{d};
  host.exchange({0xC2});
  EXPECT_EQ(host.exchange(noSum), "");
  EXPECT_EQ(d.transcript().size(), 1u) << "the frame is not complete yet";
}

TEST(DeviceIdentification, ShortIdentificationIsChipCodeAndK) {
  Config c;
  c.chips = {0x42};
  c.vRecord = false;
  Device d(c);
  VirtualHost host{d};
  EXPECT_EQ(host.exchange({0xC2}), std::string("\x42K", 2));
}

TEST(DeviceIdentification, RRecordFollowsOnlyForVersions8To31) {
  Config c;
  c.rRecord = true;
  c.rText = "Hello";
  c.skipStart = 0x1234;
  c.skipLength = 0x0100;
  std::string r("R\x1C\x00Hello", 8);
  r.append(19, '\0');
  r += std::string("\x34\x12\x00\x01K", 5);

  for (int version : {7, 8, 31, 32}) {
    SCOPED_TRACE(version);
    c.version = static_cast<uint8_t>(version);
    Device d(c);
    VirtualHost host{d};
    std::string expected = std::string("V", 1) + char(version) + std::string("\x48\x02\x00K", 4);
    if (version >= 8 && version <= 31) expected += r;
    EXPECT_EQ(host.exchange({0xC2}), expected);
  }
}

TEST(DeviceIdentification, AnswersOnlyItsProbesAndOnlyAfterTheIgnoredOnes) {
  Config c;
  c.probes = {0xC6};
  c.answerAfterProbes = 2;
  Device d(c);
  VirtualHost host{d};
  EXPECT_EQ(host.exchange({0xC2}), "") << "not one of its probes";
  EXPECT_EQ(host.exchange({0xCC}), "") << "nothing but probes before the identification";
  EXPECT_EQ(host.exchange({0xC6}), "");
  EXPECT_EQ(host.exchange({0xC6}), "");
  EXPECT_EQ(host.exchange({0xC6}), VRecord48);
  EXPECT_EQ(host.exchange({0xC6}), VRecord48) << "a new search is answered again";
  EXPECT_EQ(host.exchange({0xC2}), "") << "after the identification 0xC2 is an unknown byte";

  ExpectTranscript(d, {{"unknown", 0, 0, 0, true, ""},
                       {"unknown", 0, 0, 0, true, ""},
                       {"probe", 0, 0, 0, true, ""},
                       {"probe", 0, 0, 0, true, ""},
                       {"probe", 0, 0, 0, true, "K"},
                       {"probe", 0, 0, 0, true, "K"},
                       {"unknown", 0, 0, 0, true, ""}});
}

TEST(DeviceChain, ProbeAfterADataBlockStartsTheNextDevice) {
  Config c;
  c.chips = {0x48, 0xFD, 0x42};
  Device d(c);
  VirtualHost host{d};
  auto vRecord = [](char chip) { return std::string("V\x05", 2) + chip + std::string("\x02\x00K", 3); };

  EXPECT_EQ(host.exchange({0xC5}), vRecord('\x48'));
  EXPECT_EQ(host.exchange({0xC5}), vRecord('\x48')) << "no block yet: the same device";
  EXPECT_EQ(host.exchange(Block(0, Bytes(64, 0x11))), "K");

  EXPECT_EQ(host.exchange({0xC5}), vRecord('\xFD'));
  EXPECT_EQ(d.currentDevice(), 2);
  EXPECT_EQ(host.exchange(Block(0x10, Bytes(256, 0x22), true)), "K");

  EXPECT_EQ(host.exchange({0xC5}), vRecord('\x42'));
  EXPECT_EQ(host.exchange(Block(0, Bytes(64, 0x33))), "K");
  EXPECT_EQ(host.exchange({0xC5}), vRecord('\x42')) << "the last device stays";
  EXPECT_EQ(d.currentDevice(), 3);

  EXPECT_EQ(d.memory(1).flashByte(0), 0x11);
  EXPECT_EQ(d.memory(1).flashBytesWritten(), 64u);
  EXPECT_EQ(d.memory(2).flashByte(0x20), 0x22);
  EXPECT_EQ(d.memory(2).flashBytesWritten(), 256u);
  EXPECT_EQ(d.memory(3).flashByte(0), 0x33);
  EXPECT_EQ(d.stats().devicesStarted, 3);

  std::vector<std::pair<int, int>> blocks;  // device, frame number
  for (const TranscriptEntry& e : d.transcript()) {
    if (e.kind == "block") blocks.emplace_back(e.device, e.frame);
  }
  EXPECT_EQ(blocks, (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {3, 1}}));
}

}  // namespace
