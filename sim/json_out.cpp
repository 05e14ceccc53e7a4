#include "sim/json_out.h"

#include <cinttypes>
#include <cstdio>

namespace devsim {

std::string TranscriptJson(const TranscriptEntry& e) {
  char answerUs[24] = "null";
  if (e.answerUs != Never) std::snprintf(answerUs, sizeof answerUs, "%" PRId64, e.answerUs);
  char buf[320];
  // kind and answer are fixed words of our own; no escaping needed.
  std::snprintf(buf, sizeof buf,
                "{\"device\":%d,\"frame\":%d,\"kind\":\"%s\",\"address\":%u,\"length\":%d,"
                "\"checksumOk\":%s,\"answer\":\"%s\",\"timeUs\":%" PRId64 ",\"answerUs\":%s}",
                e.device, e.frame, e.kind.c_str(), static_cast<unsigned>(e.address), e.length,
                e.checksumOk ? "true" : "false", e.answer.c_str(), e.timeUs, answerUs);
  return buf;
}

std::string ReportJson(const Device& device, bool hungUp) {
  const Stats s = device.stats();
  char buf[320];
  std::snprintf(buf, sizeof buf,
                "{\"devices\":%d,\"devicesStarted\":%d,\"frames\":%" PRId64
                ",\"bytesToDevice\":%" PRId64 ",\"bytesFromDevice\":%" PRId64
                ",\"physicalLimitUs\":%" PRId64 ",\"sessionUs\":%" PRId64 ",\"hungUp\":%s}",
                device.deviceCount(), s.devicesStarted, s.frames, s.bytesToDevice,
                s.bytesFromDevice, s.physicalLimitUs, s.sessionUs(), hungUp ? "true" : "false");
  return buf;
}

}  // namespace devsim
