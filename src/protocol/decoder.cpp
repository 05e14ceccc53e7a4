#include "protocol/decoder.h"

#include <algorithm>

#include "platform/waiting.h"
#include "serial/channel.h"

DeviceInfoRecord DeviceInfo;
PendingVRecordState PendingVRecord = {0, 0, 0, 0, 0xFF};
bool VRecordSeen;
bool AckReceived;
bool RefusalReceived;
bool AbortRequested;
RRecordState RRecord;
RParserState RParser;
int16_t RRecordDone;

namespace {

constexpr uint8_t Ack = 'K';
constexpr uint8_t Refusal = 'N';
constexpr uint8_t VRecordStart = 'V';
constexpr uint8_t RRecordStart = 'R';

void RRecordByte(uint8_t b) {
  RParserState& p = RParser;
  switch (p.rState) {
    case 1:
      p.rLength = b;
      p.rIndex = 0;
      p.rState = 2;
      return;
    case 2:
      p.rState = 3;
      return;
    default:
      break;
  }
  if (p.rIndex >= p.rLength) {
    if (b == Ack) {
      RRecordDone = 1;
      p.rState = 0;
    }
    return;
  }
  const int i = p.rIndex++;
  if (i < RRecordTextLength) {
    RRecord.text[i] = static_cast<char>(b);
    RRecord.text[i + 1] = '\0';
  } else if (i == 24) {
    RRecord.skipStart = b;
  } else if (i == 25) {
    RRecord.skipStart = static_cast<uint16_t>((RRecord.skipStart & 0xFF) | (b << 8));
  } else if (i == 26) {
    RRecord.skipLength = b;
  } else if (i == 27) {
    RRecord.skipLength = static_cast<uint16_t>((RRecord.skipLength & 0xFF) | (b << 8));
  }
}

void DataByte(uint8_t b) {
  PendingVRecordState& v = PendingVRecord;
  switch (v.vIndex) {
    case 0: v.bootVersion = b; ++v.vIndex; break;
    case 1: v.chipCode = b; ++v.vIndex; break;
    case 2: v.boardId = b; ++v.vIndex; break;
    case 3: v.preparation = b; v.vIndex = 0xFF; break;
    default:
      // Outside a record a data byte is an old bootloader's chip code.
      VRecordSeen = false;
      v.bootVersion = 0;
      v.chipCode = b;
      break;
  }
}

void DecodeByte(uint8_t b) {
  if (RParser.rState != 0) {
    RRecordByte(b);
  } else if (b == RRecordStart && ExpectsRRecord(DeviceInfo.bootVersion)) {
    RParser.rIndex = 0;
    RParser.rState = 1;
  } else if (b == Ack) {
    DeviceInfo = {PendingVRecord.bootVersion, PendingVRecord.chipCode, PendingVRecord.boardId,
                  PendingVRecord.preparation};
    AckReceived = true;
  } else if (b == Refusal) {
    RefusalReceived = true;
  } else if (b == VRecordStart) {
    VRecordSeen = true;
    PendingVRecord.bootVersion = 1;
    PendingVRecord.vIndex = 0;
    RRecordDone = 0;
  } else {
    DataByte(b);
  }
}

}  // namespace

bool ExpectsRRecord(uint8_t bootVersion) { return bootVersion >= 8 && bootVersion <= 31; }

void DecodeReplyBytes(const uint8_t* bytes, int count) {
  for (int i = 0; i < count; ++i) DecodeByte(bytes[i]);
}

int16_t ReplyDecoder() {
  const int16_t n = ReadPort();
  DecodeReplyBytes(RxBuffer, n);
  return n;
}

int16_t WaitReply(int milliseconds) {
  if (milliseconds < 5) return WaitTimedOut;
  const int64_t deadline = MonotonicUs() + int64_t{milliseconds} * 1000;
  for (;;) {
    // Window messages first, while the frame is still on the line, so that an answer is
    // decoded the moment it arrives.
    ProcessMessages();
    if (AbortRequested) {
      AbortRequested = false;
      return WaitAborted;
    }
    // Sleep until input arrives, 5 ms at the most, so the windows stay live.
    const int64_t leftUs = deadline - MonotonicUs();
    const int ready = WaitInput(
        CurrentPortHandle(), static_cast<int>(std::clamp<int64_t>((leftUs + 999) / 1000, 0, 5)));
    if (ready != 0) ReplyDecoder();  // a failure reads too: that is how a lost port shows
    if (AckReceived) {
      AckReceived = false;
      return WaitAcknowledged;
    }
    if (RefusalReceived) {
      RefusalReceived = false;
      return WaitRefused;
    }
    // A port that is gone (the device vanished) cannot answer any more.
    if (MonotonicUs() >= deadline || CurrentPortHandle() == NoSerialHandle) return WaitTimedOut;
  }
}

int16_t WaitQuietLine(int quietMs, int limitMs) {
  const int64_t deadline = MonotonicUs() + int64_t{limitMs} * 1000;
  int64_t quietSince = MonotonicUs();
  for (;;) {
    ProcessMessages();
    if (AbortRequested) {
      AbortRequested = false;
      return WaitAborted;
    }
    const int64_t now = MonotonicUs();
    if (now - quietSince >= int64_t{quietMs} * 1000 || now >= deadline ||
        CurrentPortHandle() == NoSerialHandle)
      return WaitTimedOut;
    if (WaitInput(CurrentPortHandle(), 5) != 0 && ReadPort() > 0) quietSince = MonotonicUs();
  }
}

void ResetDeviceInfo() { DeviceInfo = {0, 0, 0, 0}; }

void ResetRRecord() {
  RParser.rState = 0;
  RRecord.text[0] = '\0';
  RRecord.skipStart = 0;
  RRecord.skipLength = 0;
}

void ResetDecoder() {
  DeviceInfo = {};
  PendingVRecord = {0, 0, 0, 0, 0xFF};
  VRecordSeen = false;
  AckReceived = false;
  RefusalReceived = false;
  AbortRequested = false;
  RRecord = {};
  RParser = {};
  RRecordDone = 0;
}
