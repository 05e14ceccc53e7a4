// The device side of a recorded session: a headless tool's trace (--trace) played back. The
// host's k-th write is answered with the bytes the traced device sent after the traced k-th
// write, each at the same delay after it, so refusals, late answers, stray bytes and missing
// answers come again as they came. Driven with explicit times like Device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace devsim {

class Replay {
 public:
  // Reads the trace; false with the reason when it cannot be read.
  bool load(const std::string& path, std::string* error);

  // Bytes the host wrote at tUs.
  void hostWrite(const uint8_t* data, size_t n, int64_t tUs);
  // Up to cap bytes due by tUs, in order.
  size_t hostRead(uint8_t* out, size_t cap, int64_t tUs);
  // When the next byte is due, or Never.
  int64_t nextArrivalUs() const;

  // Host writes matched so far, writes that differed from the trace, writes beyond its end.
  int matched() const { return matched_; }
  int differing() const { return differing_; }
  int extra() const { return extra_; }
  size_t steps() const { return steps_.size(); }

 private:
  struct Step {
    std::vector<uint8_t> out;                                // what the host wrote
    std::vector<std::pair<int64_t, std::vector<uint8_t>>> in;  // delay after it, bytes
  };
  std::vector<Step> steps_;
  size_t next_ = 0;               // the step the next host write belongs to
  std::vector<uint8_t> pending_;  // host bytes not yet a whole traced write
  std::deque<std::pair<int64_t, uint8_t>> toHost_;
  int matched_ = 0, differing_ = 0, extra_ = 0;
};

}  // namespace devsim
