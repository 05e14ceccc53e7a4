#include "protocol/frames.h"

#include <cstdio>
#include <cstring>

#include "engine/colours.h"
#include "engine/view.h"
#include "protocol/decoder.h"
#include "serial/channel.h"

uint8_t FrameBuffer[FrameBufferSize];
int32_t FramesSent;
int32_t FramesResent;

namespace {

constexpr int FrameWaitMs = 2000;
constexpr int MaxResends = 4;

// Discards what has arrived since the last answer, so that a late answer is never taken
// for the next frame's, then writes (counting the write when the line took it) and waits
// for the answer.
int16_t WriteAndWait(const uint8_t* bytes, int count, int waitMs, int32_t* written = nullptr) {
  DrainPort();
  AckReceived = false;
  RefusalReceived = false;
  if (WritePort(CurrentPort, bytes, count) != 0 && written != nullptr) ++*written;
  return WaitReply(waitMs);
}

// Shown in the Updater window's status bar whatever window runs the engine.
void ShowResend(int attempt) {
  char text[32];
  std::snprintf(text, sizeof text, "Resend %d", attempt);
  SetUpdaterStatusText(MessagePanel, text);
}

void WriteSum16(uint8_t* frame, int count) {
  unsigned sum = 0;
  for (int i = 0; i < count; ++i) sum += frame[i];
  frame[count] = static_cast<uint8_t>(sum >> 8);
  frame[count + 1] = static_cast<uint8_t>(sum);
}

}  // namespace

uint8_t FrameChecksum(const uint8_t* bytes, int count) {
  unsigned sum = 0;
  for (int i = 0; i < count; ++i) sum += bytes[i];
  return static_cast<uint8_t>(0u - sum);
}

int16_t SendFrame(uint8_t* buffer, int n) {
  buffer[n] = FrameChecksum(buffer, n);
  for (int attempt = 0;; ++attempt) {
    switch (WriteAndWait(buffer, n + 1, FrameWaitMs, attempt == 0 ? &FramesSent : &FramesResent)) {
      case WaitAborted: return SendAborted;
      case WaitTimedOut: return SendNoAnswer;
      case WaitAcknowledged: return SendAcknowledged;
      default: break;
    }
    ShowResend(attempt);
    if (attempt >= MaxResends) return SendRefused;
  }
}

int16_t SendCommandByte(uint8_t command, int waitMs) {
  FrameBuffer[0] = command;
  return WriteAndWait(FrameBuffer, 1, waitMs);
}

void ReportError(int16_t code) {
  const char* text = nullptr;
  switch (code) {
    case -1: text = " not Response "; break;
    case -2: text = " User Abort !! "; break;
    case -3: text = " CHK Error !! "; break;
    case -4: text = " Incompatible Bootloader !! "; break;
    default: return;
  }
  ShowResult(text, ColourRed);
}

int BuildEepromFrame(uint8_t* buffer, int index, uint8_t value) {
  buffer[0] = EepromCommand;
  buffer[1] = static_cast<uint8_t>(index);
  buffer[2] = value;
  buffer[3] = EepromByteCount;
  buffer[4] = EepromFrameTail;
  return 5;
}

void SendPatternFrame() {
  uint8_t frame[19] = {0x00, 0x0F};
  std::memcpy(frame + 2, FramePattern, 15);
  WriteSum16(frame, 17);
  WritePort(CurrentPort, frame, sizeof frame);
}

void SendCommand4Frame() {
  uint8_t frame[4] = {0x04, 0x00};
  WriteSum16(frame, 2);
  WritePort(CurrentPort, frame, sizeof frame);
}

void ResetFrames() {
  std::memset(FrameBuffer, 0, sizeof FrameBuffer);
  FramesSent = 0;
  FramesResent = 0;
}
