#include "sim/device.h"

#include <algorithm>
#include <cmath>

namespace devsim {

namespace {

constexpr uint8_t Ack = 'K';
constexpr uint8_t Refusal = 'N';
constexpr size_t RTextSize = 24;
constexpr uint8_t RBodyLength = 28;  // text, skip start, skip length

// Stray bytes for the Garbage fault: none of them is K, N, V or R.
constexpr uint8_t GarbageBytes[] = {0x00, 0xFF, 0x55, 0xAA, 0x3C, 0xC3, 0x01, 0x7E};

int64_t UsToNs(int64_t us) { return us >= Never / 1000 ? Never : us * 1000; }
int64_t NsToUs(int64_t ns) { return ns == Never ? Never : (ns + 999) / 1000; }

}  // namespace

Device::Device(Config config)
    : config_(std::move(config)),
      parser_(config_.probes),
      byteNs_(std::llround(config_.byteUs * 1000.0)) {
  if (config_.chips.empty()) config_.chips.push_back(0x48);
  for (uint8_t chip : config_.chips) {
    Unit u;
    u.chip = chip;
    units_.push_back(std::move(u));
  }
  parser_.setWideLength(IsWideChip(units_[0].chip));
}

uint8_t Device::chip(int device) const {
  return device >= 1 && device <= deviceCount() ? units_[device - 1].chip : 0;
}

const DeviceMemory& Device::memory(int device) const {
  static const DeviceMemory empty;
  return device >= 1 && device <= deviceCount() ? units_[device - 1].memory : empty;
}

Stats Device::stats() const {
  Stats s;
  s.devicesStarted = currentDevice();
  s.frames = static_cast<int64_t>(transcript_.size());
  s.bytesToDevice = bytesToDevice_;
  s.bytesFromDevice = bytesFromDevice_;
  s.physicalLimitUs = (physicalNs_ + 500) / 1000;
  s.firstByteUs = NsToUs(firstByteNs_);
  s.lastByteUs = NsToUs(lastByteNs_);
  return s;
}

void Device::hostWrite(const uint8_t* data, size_t n, int64_t tUs) {
  const int64_t tNs = UsToNs(tUs);
  if (config_.streamAfterFrame == 0 && streamNextNs_ == Never && firstByteNs_ == Never)
    streamNextNs_ = tNs;
  streamUntil(tNs);
  for (size_t i = 0; i < n && hangUpNs_ == Never; ++i) {
    // The line carries one byte after the other; without the time model a byte takes no time.
    const int64_t start = std::max(tNs, toDeviceFreeNs_);
    const int64_t arrival = start + (config_.timeModel ? byteNs_ : 0);
    toDeviceFreeNs_ = arrival;
    ++bytesToDevice_;
    physicalNs_ += byteNs_;
    if (firstByteNs_ == Never) firstByteNs_ = start;
    lastByteNs_ = lastByteNs_ == Never ? arrival : std::max(lastByteNs_, arrival);
    receive(data[i], arrival);
  }
}

size_t Device::hostRead(uint8_t* out, size_t cap, int64_t tUs) {
  const int64_t tNs = UsToNs(tUs);
  streamUntil(tNs);
  size_t n = 0;
  while (n < cap && !toHost_.empty() && toHost_.front().first <= tNs) {
    out[n++] = toHost_.front().second;
    toHost_.pop_front();
  }
  return n;
}

int64_t Device::nextArrivalUs() const {
  const int64_t queued = toHost_.empty() ? Never : toHost_.front().first;
  const int64_t stream = streamNextNs_ == Never ? Never : std::max(streamNextNs_, toHostFreeNs_);
  return NsToUs(std::min(queued, stream));
}

void Device::streamUntil(int64_t tNs) {
  while (streamNextNs_ != Never && streamNextNs_ <= tNs && hangUpNs_ == Never) {
    sendByte(GarbageBytes[streamSent_++ % std::size(GarbageBytes)], streamNextNs_);
    streamNextNs_ += std::max<int64_t>(UsToNs(config_.streamPeriodUs), 1);
  }
}

bool Device::hungUp(int64_t tUs) const { return hangUpNs_ != Never && UsToNs(tUs) >= hangUpNs_; }

int64_t Device::hangUpUs() const { return NsToUs(hangUpNs_); }

void Device::receive(uint8_t b, int64_t atNs) {
  if (!unit().identified) {
    // Before its identification the device listens for probes only; every byte stands alone.
    HostFrame single;
    single.bytes = {b};
    const bool isProbe =
        std::find(config_.probes.begin(), config_.probes.end(), b) != config_.probes.end();
    single.kind = isProbe ? FrameKind::Probe : FrameKind::Unknown;
    process(single, atNs);
    return;
  }
  if (parser_.feed(b)) process(parser_.frame(), atNs);
}

void Device::process(const HostFrame& frame, int64_t atNs) {
  Reaction r;
  int number = 0;
  switch (frame.kind) {
    case FrameKind::Probe:
      r = probe(atNs);
      break;
    case FrameKind::Entry:
      if (!unit().silent) {
        r.answer = {Ack};
        r.answerText = "K";
        r.lateNs = UsToNs(config_.entryLateUs);
      }
      break;
    case FrameKind::Block:
    case FrameKind::Eeprom:
      r = numberedFrame(frame, &number);
      unit().lastFrameNs = atNs;
      if (number == config_.streamAfterFrame && streamNextNs_ == Never) streamNextNs_ = atNs;
      break;
    case FrameKind::Pattern:
    case FrameKind::Command4:
    case FrameKind::Unknown:
      break;  // never answered
  }
  const int64_t answerNs = respond(r, atNs);
  record(frame, number, r, atNs, answerNs);
}

Device::Reaction Device::probe(int64_t atNs) {
  Reaction r;
  if (config_.unplugAfterUs != Never) {
    // Swapped by hand: gone some time after its data, the next one plugged in later.
    const Unit& u = unit();
    if (u.blockSeen && atNs >= u.lastFrameNs + UsToNs(config_.unplugAfterUs)) {
      const int64_t nextNs = u.lastFrameNs + UsToNs(config_.unplugAfterUs + config_.plugGapUs);
      if (current_ + 1 >= units_.size() || atNs < nextNs) return r;
      ++current_;
      parser_.setWideLength(IsWideChip(unit().chip));
    }
  } else if (unit().identified && unit().blockSeen && current_ + 1 < units_.size()) {
    ++current_;
    parser_.setWideLength(IsWideChip(unit().chip));
  }
  Unit& u = unit();
  if (!u.identified && current_ == 0 && ignoredProbes_ < config_.answerAfterProbes) {
    ++ignoredProbes_;
    return r;
  }
  if (u.silent) return r;
  u.identified = true;
  r.answer = identification();
  if (config_.cutIdentification > 0 && r.answer.size() > static_cast<size_t>(config_.cutIdentification))
    r.answer.resize(static_cast<size_t>(config_.cutIdentification));
  r.answerText = "K";
  for (const Fault& f : config_.faults)
    if (f.kind == FaultKind::HangUp && f.frame == 0 && (f.device == 0 || f.device == currentDevice()))
      r.hangUpAfter = true;
  return r;
}

std::vector<uint8_t> Device::identification() const {
  std::vector<uint8_t> id;
  const uint8_t chip = units_[current_].chip;
  if (config_.vRecord) {
    id = {'V', config_.version, chip, config_.board, config_.preparation, Ack};
  } else {
    id = {chip, Ack};
  }
  if (config_.rRecord && config_.version >= 8 && config_.version <= 31) {
    const uint8_t length = config_.rRecordPromise > 0 ? static_cast<uint8_t>(config_.rRecordPromise) : RBodyLength;
    id.insert(id.end(), {'R', length, 0x00});
    for (size_t i = 0; i < RTextSize; ++i) {
      id.push_back(i < config_.rText.size() ? static_cast<uint8_t>(config_.rText[i]) : 0);
    }
    id.insert(id.end(), {static_cast<uint8_t>(config_.skipStart & 0xFF),
                         static_cast<uint8_t>(config_.skipStart >> 8),
                         static_cast<uint8_t>(config_.skipLength & 0xFF),
                         static_cast<uint8_t>(config_.skipLength >> 8), Ack});
  }
  return id;
}

bool Device::faultApplies(const Fault& f, int number) const {
  const bool deviceMatches = f.device == 0 || f.device == currentDevice();
  const bool frameMatches = f.frame == number || (f.kind == FaultKind::Late && f.frame == 0);
  return deviceMatches && frameMatches;
}

Device::Reaction Device::numberedFrame(const HostFrame& frame, int* number) {
  Unit& u = unit();
  if (!u.lastRefused) {
    ++u.frameNumber;
    u.faultRefusals = 0;
  }
  *number = u.frameNumber;
  if (frame.kind == FrameKind::Block) u.blockSeen = true;

  Reaction r;
  if (u.silent) return r;  // a silent device takes nothing in either

  int refusals = 0;
  for (const Fault& f : config_.faults) {
    if (!faultApplies(f, *number)) continue;
    switch (f.kind) {
      case FaultKind::Refuse: refusals += f.count; break;
      case FaultKind::Late: r.lateNs += UsToNs(f.delayUs); break;
      case FaultKind::Garbage: r.garbage += f.count; break;
      default: break;
    }
  }

  if (!frame.checksumOk || u.faultRefusals < refusals) {
    if (frame.checksumOk) ++u.faultRefusals;
    u.lastRefused = true;
    r.answer = {Refusal};
    r.answerText = "N";
    return r;
  }

  u.lastRefused = false;
  store(frame);
  r.workNs = writeTimeNs(frame);
  bool dropped = false;
  for (const Fault& f : config_.faults) {
    if (!faultApplies(f, *number)) continue;
    if (f.kind == FaultKind::Drop) dropped = true;
    if (f.kind == FaultKind::Silent) u.silent = true;
    if (f.kind == FaultKind::HangUp) r.hangUpAfter = true;
  }
  if (!dropped) {
    r.answer = {Ack};
    r.answerText = "K";
  }
  return r;
}

void Device::store(const HostFrame& frame) {
  Unit& u = unit();
  if (frame.kind == FrameKind::Eeprom) {
    u.memory.writeEeprom(static_cast<uint8_t>(frame.address), frame.bytes[frame.dataOffset]);
    return;
  }
  const uint32_t offset = frame.address * static_cast<uint32_t>(AddressUnitOf(u.chip));
  u.memory.writeFlash(offset, frame.bytes.data() + frame.dataOffset,
                      static_cast<size_t>(frame.dataLength));
}

int64_t Device::writeTimeNs(const HostFrame& frame) const {
  if (frame.kind == FrameKind::Eeprom) return UsToNs(config_.eepromByteWriteUs);
  return UsToNs(IsWideChip(units_[current_].chip) ? config_.wideBlockWriteUs
                                                  : config_.pic18BlockWriteUs);
}

int64_t Device::respond(const Reaction& r, int64_t atNs) {
  // The device handles one frame after the other: a frame that arrives while an earlier
  // answer is still being prepared waits for it.
  const int64_t start = std::max(atNs, busyUntilNs_);
  const int64_t ready = start + (config_.timeModel ? r.workNs : 0) + r.lateNs;
  busyUntilNs_ = ready;
  physicalNs_ += r.workNs + r.lateNs;

  int64_t last = Never;
  if (!r.answer.empty()) {
    for (int i = 0; i < r.garbage; ++i) {
      sendByte(GarbageBytes[i % std::size(GarbageBytes)], ready);
    }
    int64_t at = ready;
    for (uint8_t b : r.answer) {
      last = sendByte(b, at);
      at = last + UsToNs(config_.splitAnswersUs);
    }
  }
  if (r.hangUpAfter) hangUpNs_ = last == Never ? ready : last;
  return last;
}

int64_t Device::sendByte(uint8_t b, int64_t readyNs) {
  const int64_t start = std::max(readyNs, toHostFreeNs_);
  const int64_t arrival = start + (config_.timeModel ? byteNs_ : 0);
  toHostFreeNs_ = arrival;
  toHost_.emplace_back(arrival, b);
  ++bytesFromDevice_;
  physicalNs_ += byteNs_;
  lastByteNs_ = lastByteNs_ == Never ? arrival : std::max(lastByteNs_, arrival);
  return arrival;
}

void Device::record(const HostFrame& frame, int number, const Reaction& r, int64_t atNs,
                    int64_t answerNs) {
  TranscriptEntry e;
  e.device = currentDevice();
  e.frame = number;
  e.kind = FrameKindName(frame.kind);
  e.address = frame.address;
  e.length = frame.dataLength;
  e.checksumOk = frame.checksumOk;
  e.answer = r.answerText;
  e.timeUs = NsToUs(atNs);
  e.answerUs = NsToUs(answerNs);
  transcript_.push_back(std::move(e));
}

}  // namespace devsim
