// A device in bootloader mode, as the host sees it through the serial line.
//
// It is driven with explicit times in microseconds, so that it runs under a virtual clock
// in-process and under the real clock in tarvik-devsim: the host's bytes are handed in
// with the time they were written, and the answers come out with the time they reach the
// host. Everything the device does follows from the bytes and their times, so a frame is
// processed as soon as it is handed in, and its answer is queued for its arrival time.
//
// Several devices can be played one after another (Config::chips): a probe that arrives
// after the current device has received a data block starts the next one, which answers
// that probe. The last device stays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "sim/config.h"
#include "sim/frame_parser.h"
#include "sim/memory.h"

namespace devsim {

struct TranscriptEntry {
  int device = 1;             // from 1
  int frame = 0;              // number of a checksummed frame, 0 for the other kinds
  std::string kind;           // probe, entry, block, eeprom, pattern, command4, unknown
  uint32_t address = 0;       // block: device address; eeprom: address byte
  int length = 0;             // data bytes (block), 1 (eeprom), else 0
  bool checksumOk = true;     // true for frames that carry no checksum
  std::string answer;         // "K", "N" or "" (an identification counts as "K")
  int64_t timeUs = 0;         // when the frame's last byte reached the device
  int64_t answerUs = Never;   // when the answer's last byte reached the host
};

// The session's physical limit is the time the line and the device needed with a host
// that answers at once: the line time of every byte in both directions (stray bytes
// included) plus the write time of every stored block and EEPROM byte plus injected late
// delays. It leaves out the gaps between frames and the host's waits for answers that never
// came. It is computed from the configured figures also when the time model is off.
struct Stats {
  int devicesStarted = 1;
  int64_t frames = 0;
  int64_t bytesToDevice = 0;
  int64_t bytesFromDevice = 0;
  int64_t physicalLimitUs = 0;
  int64_t firstByteUs = Never;  // the host's first byte went on the line
  int64_t lastByteUs = Never;   // the last byte in either direction arrived
  // From the host's first byte to the last byte either way; 0 before any byte.
  int64_t sessionUs() const { return firstByteUs == Never ? 0 : lastByteUs - firstByteUs; }
};

class Device {
 public:
  explicit Device(Config config);

  // Bytes the host wrote at tUs. Ignored once the hang-up fault has fired.
  void hostWrite(const uint8_t* data, size_t n, int64_t tUs);
  // Up to cap bytes that have reached the host by tUs, in order.
  size_t hostRead(uint8_t* out, size_t cap, int64_t tUs);
  // When the next byte reaches the host, or Never.
  int64_t nextArrivalUs() const;
  // The hang-up fault has fired by tUs: the line is gone.
  bool hungUp(int64_t tUs) const;
  // When the line goes down, or Never.
  int64_t hangUpUs() const;

  // Device 1 starts with this memory (what an earlier, cut session left).
  void preload(const DeviceMemory& memory) { units_[0].memory = memory; }

  int deviceCount() const { return static_cast<int>(units_.size()); }
  int currentDevice() const { return static_cast<int>(current_) + 1; }
  uint8_t chip(int device) const;
  // The memory of device 1.. deviceCount() (an empty one for other numbers).
  const DeviceMemory& memory(int device = 1) const;
  const std::vector<TranscriptEntry>& transcript() const { return transcript_; }
  Stats stats() const;
  const Config& config() const { return config_; }

 private:
  // One simulated device of the chain.
  struct Unit {
    uint8_t chip = 0;
    DeviceMemory memory;
    bool identified = false;
    bool blockSeen = false;
    bool silent = false;
    int frameNumber = 0;      // number of the last checksummed frame
    bool lastRefused = false; // that frame was answered N: the next one is its re-send
    int faultRefusals = 0;    // refusals the Refuse fault gave to that frame
    int64_t lastFrameNs = Never;  // when it received its last frame
  };

  // What a frame makes the device do.
  struct Reaction {
    std::vector<uint8_t> answer;
    std::string answerText;   // for the transcript
    int64_t workNs = 0;       // write time
    int64_t lateNs = 0;
    int garbage = 0;
    bool hangUpAfter = false;
  };

  Unit& unit() { return units_[current_]; }
  void receive(uint8_t b, int64_t atNs);
  void process(const HostFrame& frame, int64_t atNs);
  Reaction probe(int64_t atNs);
  Reaction numberedFrame(const HostFrame& frame, int* number);
  void store(const HostFrame& frame);
  std::vector<uint8_t> identification() const;
  int64_t writeTimeNs(const HostFrame& frame) const;
  bool faultApplies(const Fault& f, int number) const;
  int64_t respond(const Reaction& r, int64_t atNs);  // queues the answer; its last arrival or Never
  int64_t sendByte(uint8_t b, int64_t readyNs);
  void streamUntil(int64_t tNs);  // the stray bytes of the stream fault, due by tNs
  void record(const HostFrame& frame, int number, const Reaction& r, int64_t atNs, int64_t answerNs);

  Config config_;
  std::vector<Unit> units_;
  size_t current_ = 0;
  FrameParser parser_;
  int ignoredProbes_ = 0;

  // Line and device timing, in nanoseconds.
  int64_t byteNs_;
  int64_t toDeviceFreeNs_ = 0;    // the host-to-device line is free from then on
  int64_t busyUntilNs_ = 0;       // the device has answered everything before then
  int64_t toHostFreeNs_ = 0;      // the device-to-host line is free from then on
  int64_t hangUpNs_ = Never;
  std::deque<std::pair<int64_t, uint8_t>> toHost_;  // arrival time, byte
  int64_t streamNextNs_ = Never;  // the stream's next stray byte
  size_t streamSent_ = 0;

  std::vector<TranscriptEntry> transcript_;
  int64_t bytesToDevice_ = 0, bytesFromDevice_ = 0;
  int64_t physicalNs_ = 0;
  int64_t firstByteNs_ = Never, lastByteNs_ = Never;
};

}  // namespace devsim
