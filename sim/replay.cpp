#include "sim/replay.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

#include "sim/config.h"

namespace devsim {

namespace {

bool FromHex(const std::string& hex, std::vector<uint8_t>* out) {
  if (hex.size() % 2 != 0) return false;
  out->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    int value = 0;
    for (size_t j = i; j < i + 2; ++j) {
      const char c = hex[j];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return false;
      value = value * 16 + digit;
    }
    out->push_back(static_cast<uint8_t>(value));
  }
  return true;
}

}  // namespace

bool Replay::load(const std::string& path, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = "cannot read " + path;
    return false;
  }
  steps_.clear();
  std::string line;
  int64_t lastOutUs = 0;
  for (int number = 1; std::getline(file, line); ++number) {
    const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
    const auto where = [&] { return path + ":" + std::to_string(number); };
    if (entry.is_discarded() || !entry.is_object()) {
      *error = where() + ": not a JSON object";
      return false;
    }
    if (!entry.contains("dir")) continue;  // the header
    std::vector<uint8_t> bytes;
    if (!entry.value("hex", std::string()).empty() &&
        !FromHex(entry.value("hex", std::string()), &bytes)) {
      *error = where() + ": bad hex";
      return false;
    }
    const int64_t us = entry.value("us", int64_t{0});
    const std::string dir = entry.value("dir", std::string());
    if (dir == "out") {
      steps_.push_back({bytes, {}});
      lastOutUs = us;
    } else if (dir == "in" && !steps_.empty()) {
      steps_.back().in.emplace_back(std::max<int64_t>(0, us - lastOutUs), bytes);
    }
  }
  return true;
}

void Replay::hostWrite(const uint8_t* data, size_t n, int64_t tUs) {
  pending_.insert(pending_.end(), data, data + n);
  while (!pending_.empty()) {
    if (next_ >= steps_.size()) {
      ++extra_;
      pending_.clear();
      return;
    }
    const Step& step = steps_[next_];
    if (pending_.size() < step.out.size()) return;  // the rest of the write is still coming
    if (std::equal(step.out.begin(), step.out.end(), pending_.begin()))
      ++matched_;
    else
      ++differing_;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(step.out.size()));
    for (const auto& [delayUs, bytes] : step.in)
      for (uint8_t b : bytes) toHost_.emplace_back(tUs + delayUs, b);
    std::stable_sort(toHost_.begin(), toHost_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    ++next_;
  }
}

size_t Replay::hostRead(uint8_t* out, size_t cap, int64_t tUs) {
  size_t n = 0;
  while (n < cap && !toHost_.empty() && toHost_.front().first <= tUs) {
    out[n++] = toHost_.front().second;
    toHost_.pop_front();
  }
  return n;
}

int64_t Replay::nextArrivalUs() const { return toHost_.empty() ? Never : toHost_.front().first; }

}  // namespace devsim
