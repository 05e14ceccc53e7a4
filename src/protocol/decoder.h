// The reply decoder: the bytes the device sends become its identification, an
// acknowledgement, a refusal and the optional R record. One poll reads what has arrived
// and feeds it to a byte state machine whose state survives between polls.
#pragma once

#include <cstdint>

struct DeviceInfoRecord {
  uint8_t bootVersion;  // 0: answered without a V record
  uint8_t chipCode;
  uint8_t boardId;
  uint8_t preparation;
};
extern DeviceInfoRecord DeviceInfo;

// The V record being received; committed into DeviceInfo by the next K.
struct PendingVRecordState {
  uint8_t bootVersion;
  uint8_t chipCode;
  uint8_t boardId;
  uint8_t preparation;
  uint8_t vIndex;  // 0 to 3 inside a record, 0xFF outside
};
extern PendingVRecordState PendingVRecord;

extern bool VRecordSeen;
extern bool AckReceived;
extern bool RefusalReceived;
extern bool AbortRequested;  // set by the stop buttons, reported and cleared by WaitReply

constexpr int RRecordTextLength = 24;
struct RRecordState {
  char text[RRecordTextLength + 1];
  uint16_t skipStart;   // first address of the range the run does not send; 0: none
  uint16_t skipLength;
};
extern RRecordState RRecord;

// R-record parser state: 0 idle, 1 length expected, 2 one byte to skip, 3 body.
struct RParserState {
  uint8_t rState;
  uint8_t rLength;
  int16_t rIndex;
};
extern RParserState RParser;
extern int16_t RRecordDone;  // an R record was closed by its K

// Bootloaders 8 to 31 follow their identification with an R record.
bool ExpectsRRecord(uint8_t bootVersion);

// Feeds received bytes to the state machine, in order.
void DecodeReplyBytes(const uint8_t* bytes, int count);
// One poll of CurrentPort; the count of bytes read (and decoded).
int16_t ReplyDecoder();

enum WaitResult : int16_t { WaitTimedOut = 0, WaitAcknowledged = 1, WaitRefused = -1, WaitAborted = -2 };
// Waits up to milliseconds for an answer: 1 acknowledged, -1 refused, -2 user abort, 0 none.
// Under 5 ms it returns 0 at once without reading.
int16_t WaitReply(int milliseconds);
// Reads and throws away what arrives until nothing has come for quietMs, at most limitMs:
// 0, or -2 when the user stopped the wait.
int16_t WaitQuietLine(int quietMs, int limitMs);

void ResetDeviceInfo();
void ResetRRecord();
// Every variable of the decoder back to its value at program start.
void ResetDecoder();
