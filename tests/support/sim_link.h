// The engine against an in-process simulated device, in virtual time: the serial and
// waiting backends of the platform layer are replaced so that every open of a port reaches
// the simulator, every sleep and every wait for input advances a virtual clock, and a
// 100-probe search or a 2 s time-out costs no real time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "sim/device.h"

class SimLink {
 public:
  // Installs the backends; the destructor restores the real ones.
  SimLink();
  ~SimLink();
  SimLink(const SimLink&) = delete;
  SimLink& operator=(const SimLink&) = delete;

  // The device on the line from now on (nullptr: nothing answers, but the port opens).
  void connect(devsim::Config config);
  void disconnect();
  devsim::Device* device() { return device_.get(); }
  // Whether opening a port succeeds.
  void setPortPresent(bool present) { portPresent_ = present; }

  // Bytes that reach the host at the current virtual time, from the line rather than the
  // device (a stray or stale answer).
  void injectToHost(std::vector<uint8_t> bytes);

  int64_t nowUs() const { return nowUs_; }
  // Runs once at the first message processing at or after the virtual time.
  void at(int64_t timeUs, std::function<void()> action);
  // Runs once at the first message processing at which the condition holds.
  void when(std::function<bool()> condition, std::function<void()> action);

  // Everything the host wrote, one entry per write, with its virtual time.
  struct Write {
    int64_t timeUs;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Write>& writes() const { return writes_; }
  void forgetWrites() { writes_.clear(); }
  int messageRounds() const { return messageRounds_; }
  int opens() const { return opens_; }

  static SimLink* current();

 private:
  friend struct SimBackends;
  std::unique_ptr<devsim::Device> device_;
  bool portPresent_ = true;
  bool open_ = false;
  int64_t nowUs_ = 1'000'000;
  std::vector<std::pair<int64_t, std::function<void()>>> actions_;
  std::vector<std::pair<std::function<bool()>, std::function<void()>>> conditional_;
  std::vector<Write> writes_;
  std::vector<uint8_t> injected_;
  int messageRounds_ = 0;
  int opens_ = 0;
};
