// The time model: line time per byte both ways, write times, and the physical limit.
#include <gtest/gtest.h>

#include "sim/device.h"
#include "test_host.h"

namespace {

using devsim::Config;
using devsim::Device;
using devsim::Never;
using namespace simtest;

constexpr double ByteUs = 11e6 / 115200;  // 95.486 us

Config Timed(std::vector<uint8_t> chips = {0x48}) {
  Config c;
  c.chips = std::move(chips);
  c.timeModel = true;
  return c;
}

// Identifies the device, then writes one frame at tUs and returns when its answer arrives.
int64_t AnswerTime(Config c, const Bytes& frame, int64_t tUs) {
  Device d(c);
  VirtualHost host{d};
  host.exchange({0xC2});
  d.hostWrite(frame.data(), frame.size(), tUs);
  return d.nextArrivalUs();
}

TEST(DeviceTimeModel, AnswerComesAfterFrameLineTimeWriteTimeAndAnswerLineTime) {
  struct Case {
    const char* name;
    std::vector<uint8_t> chips;
    Bytes frame;
    double writeUs;
  };
  const std::vector<Case> cases = {
      {"PIC18 block, 69 bytes", {0x48}, Block(0, Bytes(64, 1)), devsim::DefaultPic18BlockWriteUs},
      {"16-bit block, 262 bytes", {0xFC}, Block(0, Bytes(256, 1), true), devsim::DefaultWideBlockWriteUs},
      {"EEPROM frame, 6 bytes", {0x48}, Eeprom(1, 2), devsim::DefaultEepromByteWriteUs},
      {"entry, 1 byte", {0x48}, {0xCC}, 0},
  };
  const int64_t t = 1000000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const double expected = t + c.frame.size() * ByteUs + c.writeUs + ByteUs;
    const int64_t at = AnswerTime(Timed(c.chips), c.frame, t);
    EXPECT_NEAR(static_cast<double>(at), expected, 1.0);
  }
  EXPECT_EQ(AnswerTime(Config{}, Block(0, Bytes(64, 1)), t), t) << "without the time model";
}

TEST(DeviceTimeModel, NothingIsReadableBeforeItsArrival) {
  Device d(Timed());
  d.hostWrite(Bytes{0xC2}.data(), 1, 0);
  uint8_t buf[16];
  const int64_t first = d.nextArrivalUs();
  EXPECT_EQ(d.hostRead(buf, sizeof buf, first - 1), 0u);
  EXPECT_EQ(d.hostRead(buf, sizeof buf, first), 1u);
  EXPECT_EQ(buf[0], 'V');
  EXPECT_NEAR(static_cast<double>(d.nextArrivalUs() - first), ByteUs, 1.0);
}

TEST(DeviceTimeModel, BytesQueueOnEachDirectionOfTheLine) {
  // A probe and the entry byte written at once: the entry arrives a byte time after the probe
  // and its K queues behind the six bytes of the V record.
  Device d(Timed());
  const Bytes burst{0xC2, 0xCC};
  d.hostWrite(burst.data(), burst.size(), 0);
  std::vector<int64_t> arrivals;
  uint8_t b;
  while (d.nextArrivalUs() != Never) {
    arrivals.push_back(d.nextArrivalUs());
    ASSERT_EQ(d.hostRead(&b, 1, arrivals.back()), 1u);
  }
  ASSERT_EQ(arrivals.size(), 7u);
  for (size_t i = 0; i < arrivals.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(arrivals[i]), (i + 2) * ByteUs, 1.0) << "byte " << i;
  }
  EXPECT_EQ(d.transcript()[1].kind, "entry");
  EXPECT_NEAR(static_cast<double>(d.transcript()[1].timeUs), 2 * ByteUs, 1.0);
}

TEST(DeviceTimeModel, PhysicalLimitOfAShortSessionMatchesAnInstantHost) {
  // probe (1 in, 6 out), entry (1, 1), block (69, 1, write), EEPROM (6, 1, write)
  const double limit = (77 + 9) * ByteUs + devsim::DefaultPic18BlockWriteUs +
                       devsim::DefaultEepromByteWriteUs;
  for (bool timeModel : {false, true}) {
    SCOPED_TRACE(timeModel ? "time model on" : "time model off");
    Config c;
    c.timeModel = timeModel;
    Device d(c);
    VirtualHost host{d};
    host.clock = 500;
    for (const Bytes& f : {Bytes{0xC2}, Bytes{0xCC}, Block(0, Bytes(64, 1)), Eeprom(0, 1)}) {
      host.exchange(f);
    }
    const devsim::Stats s = d.stats();
    EXPECT_EQ(s.frames, 4);
    EXPECT_EQ(s.bytesToDevice, 77);
    EXPECT_EQ(s.bytesFromDevice, 9);
    EXPECT_NEAR(static_cast<double>(s.physicalLimitUs), limit, 1.0);
    // A host that writes each frame the moment the last answer is in needs exactly the limit.
    if (timeModel) {
      EXPECT_NEAR(static_cast<double>(s.sessionUs()), limit, 5.0);
    }
  }
}

}  // namespace
