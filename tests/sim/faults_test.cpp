// The injected faults, against a host that re-sends refused frames and passes over frames
// that get no answer.
#include <gtest/gtest.h>

#include "sim/device.h"
#include "test_host.h"

namespace {

using devsim::Config;
using devsim::Device;
using devsim::Fault;
using devsim::FaultKind;
using namespace simtest;

constexpr int64_t HostTimeoutUs = 2000000;

struct Played {
  std::string answers;  // per write: K, N, "-" for none, "?" for each stray byte
  std::string stored;   // per block: 1 stored, 0 not
  std::vector<int64_t> delaysUs;  // per write: from writing to the answer's last byte
};

std::string Shown(const std::string& answer) {
  if (answer.empty()) return "-";
  std::string s;
  for (char ch : answer) s += (ch == 'K' || ch == 'N') ? ch : '?';
  return s;
}

// Identifies the device, then sends blocks 1..n at 64-byte steps, each up to five times
// while it is refused.
Played PlayBlocks(Device& d, int n) {
  Played p;
  VirtualHost host{d};
  host.exchange({0xC2});
  for (int k = 0; k < n; ++k) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      const int64_t sent = host.clock;
      const std::string a = host.exchange(Block(64 * k, Bytes(64, static_cast<uint8_t>(k + 1))));
      p.answers += (p.answers.empty() ? "" : " ") + Shown(a);
      p.delaysUs.push_back(host.clock - sent);
      if (a.empty()) host.clock += HostTimeoutUs;
      if (a.empty() || a.back() != 'N') break;
    }
  }
  for (int k = 0; k < n; ++k) p.stored += d.memory().flashByte(64 * k).has_value() ? '1' : '0';
  return p;
}

Fault F(FaultKind kind, int frame, int count = 1, int device = 0) {
  Fault f;
  f.kind = kind;
  f.frame = frame;
  f.count = count;
  f.device = device;
  return f;
}

TEST(DeviceFaults, EachFaultActsOnItsFrame) {
  struct Case {
    const char* name;
    std::vector<Fault> faults;
    const char* answers;
    const char* stored;
  };
  const std::vector<Case> cases = {
      {"none", {}, "K K K K", "1111"},
      {"refuse frame 2 twice", {F(FaultKind::Refuse, 2, 2)}, "K N N K K K", "1111"},
      {"drop frame 3", {F(FaultKind::Drop, 3)}, "K K - K", "1111"},
      {"garbage before frame 2", {F(FaultKind::Garbage, 2, 3)}, "K ???K K K", "1111"},
      {"garbage before every answer to a refused frame",
       {F(FaultKind::Refuse, 2, 1), F(FaultKind::Garbage, 2, 1)}, "K ?N ?K K K", "1111"},
      {"silent after frame 2", {F(FaultKind::Silent, 2)}, "K K - -", "1100"},
      {"hang up after frame 2", {F(FaultKind::HangUp, 2)}, "K K - -", "1100"},
      {"fault of another device", {F(FaultKind::Refuse, 2, 1, 2)}, "K K K K", "1111"},
      {"fault of this device", {F(FaultKind::Refuse, 2, 1, 1)}, "K N K K K", "1111"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Config config;
    config.faults = c.faults;
    Device d(config);
    const Played p = PlayBlocks(d, 4);
    EXPECT_EQ(p.answers, c.answers);
    EXPECT_EQ(p.stored, c.stored);
  }
}

TEST(DeviceFaults, GarbageBytesAreNoneOfTheControlCharacters) {
  Config config;
  config.faults = {F(FaultKind::Garbage, 1, 40)};
  Device d(config);
  VirtualHost host{d};
  host.exchange({0xC2});
  const std::string a = host.exchange(Block(0, Bytes(64, 0)));
  ASSERT_EQ(a.size(), 41u);
  EXPECT_EQ(a.back(), 'K');
  EXPECT_EQ(a.substr(0, 40).find_first_of("KNVR"), std::string::npos);
}

TEST(DeviceFaults, LateAnswersComeAfterTheirDelay) {
  struct Case {
    const char* name;
    int frame;  // 0: every numbered frame
    std::vector<int64_t> delaysUs;
  };
  const std::vector<Case> cases = {
      {"frame 2", 2, {0, 5000, 0}},
      {"every frame", 0, {5000, 5000, 5000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Config config;
    Fault late = F(FaultKind::Late, c.frame);
    late.delayUs = 5000;
    config.faults = {late};
    Device d(config);
    VirtualHost host{d};
    host.exchange({0xC2});
    EXPECT_EQ(host.clock, 0) << "probes are never late";
    const Played p = PlayBlocks(d, 3);
    EXPECT_EQ(p.answers, "K K K");
    EXPECT_EQ(p.delaysUs, c.delaysUs);
  }
}

TEST(DeviceFaults, SilentDeviceIgnoresProbesToo) {
  Config config;
  config.faults = {F(FaultKind::Silent, 1)};
  Device d(config);
  VirtualHost host{d};
  host.exchange({0xC2});
  EXPECT_EQ(host.exchange(Block(0, Bytes(64, 1))), "K");
  EXPECT_EQ(host.exchange({0xC2}), "");
  EXPECT_EQ(host.exchange({0xCC}), "");
  EXPECT_EQ(host.exchange(Eeprom(0, 1)), "");
  EXPECT_FALSE(d.hungUp(host.clock + 1000000));
}

TEST(DeviceFaults, HangUpCutsTheLineOnceTheAnswerIsThrough) {
  Config config;
  config.timeModel = true;
  config.faults = {F(FaultKind::HangUp, 1)};
  Device d(config);
  VirtualHost host{d};
  host.exchange({0xC2});
  const Bytes block = Block(0, Bytes(64, 1));
  d.hostWrite(block.data(), block.size(), host.clock);
  const int64_t answerAt = d.nextArrivalUs();
  EXPECT_EQ(d.hangUpUs(), answerAt);
  EXPECT_FALSE(d.hungUp(answerAt - 1));
  EXPECT_EQ(host.collect(), "K") << "the answer of the last frame still comes";
  EXPECT_TRUE(d.hungUp(answerAt));

  const int64_t before = d.stats().bytesToDevice;
  EXPECT_EQ(host.exchange({0xC2}), "");
  EXPECT_EQ(d.stats().bytesToDevice, before) << "nothing reaches a hung-up device";
}

}  // namespace
