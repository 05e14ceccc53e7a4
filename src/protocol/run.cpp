#include "protocol/run.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "catalogue/build_data.h"
#include "catalogue/catalogue.h"
#include "engine/colours.h"
#include "platform/waiting.h"
#include "protocol/chip.h"
#include "protocol/compat.h"
#include "protocol/decoder.h"
#include "protocol/frames.h"
#include "protocol/search.h"
#include "serial/channel.h"

bool MultiImageMode;
RunEnd LastRunEnd;

namespace {

constexpr uint8_t EntryCommand = 0xCC;
constexpr int EntryWaitMs = 2000;
// After an unanswered entry command the line must fall quiet this long before block 0, so
// that a late answer is never taken for block 0's.
constexpr int QuietLineMs = 100;
// A device that leaves this many blocks in a row without an answer has gone silent.
constexpr int SilentBlocksInARow = 3;
constexpr int RRecordPolls = 251;

bool UpdaterOnly() { return RunningWindow == EngineWindow::Updater; }

// Bytes the run adds itself are masked unless the image is stored plain.
uint8_t Added(uint8_t byte, uint8_t maskValue) {
  return CurrentImage.plain != 0 ? byte : byte ^ DataMask(maskValue, MaskEnabled);
}

void WaitForRRecord() {
  for (int i = 0; i < RRecordPolls && RRecordDone == 0; ++i) {
    ReplyDecoder();
    PumpWait(5);
  }
}

// What a device whose image was already written in this multi-image run gets instead.
int AfterWriteAction(int8_t slot) {
  switch (SlotAfterWrite(slot)) {
    case 1:
      SleepMs(1000);
      return 1;
    case 2:
      SendPatternFrame();
      PumpWait(300);
      ReadPort();
      SendCommand4Frame();
      PumpWait(300);
      ReadPort();
      return 1;
    default:
      return -1;  // write it again
  }
}

// The run goes on whatever the device answers; only the user's stop ends it here, before
// anything is written. An answer that did not come in time may still come: it is waited for
// once more and the line left to fall quiet, so that it cannot answer block 0.
int16_t EnterProgrammingMode(StatusBarHandle statusBar) {
  if (!VRecordSeen || DeviceInfo.bootVersion < 5) return SendAcknowledged;
  SetStatusText(statusBar, MessagePanel, "Entry in PrgMode");
  int16_t r = SendCommandByte(EntryCommand, EntryWaitMs);
  if (r == WaitTimedOut) {
    r = WaitReply(EntryWaitMs);
    if (r != WaitAborted) r = WaitQuietLine(QuietLineMs, EntryWaitMs);
  }
  if (r != WaitAborted) return SendAcknowledged;
  ReportError(SendAborted);
  return SendAborted;
}

void WriteResetVector() {
  const int n = std::min(ResetVectorLength, CurrentImage.imageLength);
  for (int i = 0; i < n; ++i) CurrentImage.image[i] = Added(ResetVector[i], 0);
}

// Starts a block frame at a device address; returns the header size.
int StartBlock(int32_t address, uint8_t blank) {
  std::memset(FrameBuffer, blank, sizeof FrameBuffer);
  FrameBuffer[0] = static_cast<uint8_t>(address >> 16);
  FrameBuffer[1] = static_cast<uint8_t>(address >> 8);
  FrameBuffer[2] = static_cast<uint8_t>(address);
  if (BlockSize <= 255) {
    FrameBuffer[3] = static_cast<uint8_t>(BlockSize);
    return 4;
  }
  FrameBuffer[3] = static_cast<uint8_t>(BlockSize >> 8);
  FrameBuffer[4] = static_cast<uint8_t>(BlockSize);
  return 5;
}

bool Skipped(int32_t next) {
  return SkipStart != 0 && SkipStart <= next && next <= SkipStart + SkipLength;
}

void ShowProgramAddress(int32_t address, StatusBarHandle statusBar) {
  if (!UpdaterOnly()) return;
  char text[32];
  std::snprintf(text, sizeof text, "Program %05d (%05x)", address, address);
  SetStatusText(statusBar, MessagePanel, text);
}

// Any negative result of the frames after the block loop ends the run (reported).
int16_t Sent(int16_t r) {
  if (r >= 0) return SendAcknowledged;
  ReportError(r);
  return r;
}

// Sends the image block by block and then its last block. Blocks inside the loop that got
// no answer are passed over but counted; a device silent for several blocks in a row ends
// the run. Negative: the run ended (reported).
int16_t SendImage(BarHandle bar, StatusBarHandle statusBar, int* unanswered) {
  int32_t pos = 0;
  int silentInARow = 0;
  for (;;) {
    const int32_t address = pos / AddressUnit;
    ShowProgramAddress(address, statusBar);
    const int h = StartBlock(address, 0xFF);
    const int32_t n = std::min(BlockSize, ProgramLength - pos);
    std::memcpy(FrameBuffer + h, CurrentImage.image + pos, n);
    pos += n;
    int fill = h + n;
    if (pos >= ProgramLength) {
      // The last block, full or not; neither the skip range nor the bar apply to it.
      if (BlockSize <= 255 && PadLastBlock) {
        // The blank value: 0xFF in a plain image, its masked form in a masked one.
        std::memset(FrameBuffer + fill, Added(0xFF, address & 0xFF), h + BlockSize - fill);
        fill = h + BlockSize;
      } else if (BlockSize <= 255) {
        FrameBuffer[3] = static_cast<uint8_t>(fill - 4);
      } else {
        FrameBuffer[3] = static_cast<uint8_t>((fill - 5) >> 8);
        FrameBuffer[4] = static_cast<uint8_t>(fill - 5);
      }
      return Sent(SendFrame(FrameBuffer, fill));
    }
    const int32_t next = pos / AddressUnit;
    SetBarPosition(bar, next);
    if (Skipped(next)) continue;
    const int16_t r = SendFrame(FrameBuffer, fill);
    if (r == SendAborted || r == SendRefused) {
      ReportError(r);
      return r;
    }
    if (r != SendNoAnswer) {
      silentInARow = 0;
      continue;
    }
    ++*unanswered;
    if (++silentInARow >= SilentBlocksInARow) {
      ReportError(r);
      return r;
    }
  }
}

int16_t SendFinalBlock(StatusBarHandle statusBar) {
  if (RunningWindow != EngineWindow::Loader) SetStatusText(statusBar, MessagePanel, "Fix Program");
  const uint8_t low = static_cast<uint8_t>(FlashLimit);
  const int h = StartBlock(FlashLimit, Added(0xFF, low));
  const int count = std::min(CurrentImage.finalLength, BlockSize);
  uint8_t* at = FrameBuffer + h + BlockSize - count;
  for (int i = 0; i < count; ++i) at[i] = Added(CurrentImage.finalBytes[i], low);
  return Sent(SendFrame(FrameBuffer, h + BlockSize));
}

int16_t SendEeprom(BarHandle bar, StatusBarHandle statusBar) {
  if (CurrentImage.eepromLength <= 0) return SendAcknowledged;
  SetBarPosition(bar, 0);
  SetBarMaximum(bar, CurrentImage.eepromLength);
  ShowStep(EngineStep::WritingEeprom);
  // The Upgrade and Updater windows count the EEPROM bytes in their status bars.
  const bool counted =
      RunningWindow == EngineWindow::Upgrade || RunningWindow == EngineWindow::Updater;
  for (int i = 0; i < CurrentImage.eepromLength; ++i) {
    if (counted) {
      char text[32];
      std::snprintf(text, sizeof text, "Program EEP %d", i);
      SetStatusText(statusBar, MessagePanel, text);
    }
    std::memset(FrameBuffer, 0xFF, sizeof FrameBuffer);
    const int n = BuildEepromFrame(FrameBuffer, i, CurrentImage.eeprom[i]);
    if (const int16_t r = Sent(SendFrame(FrameBuffer, n)); r < 0) return r;
    SetBarPosition(bar, i);
  }
  return SendAcknowledged;
}

void ShowSuccess(BarHandle bar, StatusBarHandle statusBar) {
  SetBarPosition(bar, 0);
  switch (RunningWindow) {
    case EngineWindow::Loader: ShowProgress("Successfully updated", ColourGreen); break;
    case EngineWindow::Upgrade: SetStatusText(statusBar, MessagePanel, "Program OK"); break;
    default: ShowResult(" Program Ok ", ColourGreen); break;
  }
  SetIdle();
}

// Records how the run ended and tells the view; the run's result.
int Ended(RunEnd end, int result = 0) {
  LastRunEnd = end;
  ShowStep(EngineStep::RunEnded);
  return result;
}

RunEnd EndOfFailure(int16_t r) { return r == SendAborted ? RunEnd::Aborted : RunEnd::Failed; }

}  // namespace

int PrgMode(BarHandle bar, StatusBarHandle statusBar) {
  LastRunEnd = RunEnd::None;
  SetBarPosition(bar, 0);
  SetBarSmooth(bar, false);
  if (!CheckBootloaderVersion()) return Ended(RunEnd::Refused);
  if (ExpectsRRecord(DeviceInfo.bootVersion)) WaitForRRecord();
  if (!VRecordSeen) DeviceInfo.boardId = 2;
  const int8_t slot = static_cast<int8_t>(SelectImage(DeviceInfo.chipCode, DeviceInfo.boardId));
  if (MultiImageMode && SlotPending(slot) == 0) {
    const int left = AfterWriteAction(slot);
    if (left >= 0) return Ended(RunEnd::AlreadyWritten, left);
  }
  if (!IdentifyChip(statusBar)) return Ended(RunEnd::Refused);
  ReadImageRequirements();
  if (IsWideChip(DeviceInfo.chipCode) && ExpectsRRecord(DeviceInfo.bootVersion)) {
    SkipStart = RRecord.skipStart;
    SkipLength = RRecord.skipLength;
  }
  SetPlainMark(static_cast<uint8_t>(CurrentImage.plain));
  ShowDeviceInfo();
  if (!CheckCompatibility(statusBar)) return Ended(RunEnd::Refused);
  if (UpdaterOnly()) {
    char text[64];
    std::snprintf(text, sizeof text, "Loaded %d bytes (%04X to %04X)",
                  CurrentImage.imageLength / AddressUnit, 0, ProgramLength / AddressUnit);
    SetStatusText(statusBar, ExtraPanel, text);
  }
  if (EnterProgrammingMode(statusBar) < 0) return Ended(RunEnd::Aborted);
  ShowProgress(" Programming... ", ColourButtonFace);
  WriteResetVector();
  SetBarPosition(bar, 0);
  SetBarMaximum(bar, ProgramLength / AddressUnit);
  ShowStep(EngineStep::Writing);

  int unanswered = 0;
  if (const int16_t r = SendImage(bar, statusBar, &unanswered); r < 0)
    return Ended(EndOfFailure(r));
  if (const int16_t r = SendFinalBlock(statusBar); r < 0) return Ended(EndOfFailure(r));
  if (const int16_t r = SendEeprom(bar, statusBar); r < 0) return Ended(EndOfFailure(r));
  if (unanswered > 0) {
    // Blocks the device never confirmed: the device may not hold the image.
    SetBarPosition(bar, 0);
    ReportError(SendNoAnswer);
    return Ended(RunEnd::Failed);
  }
  ShowSuccess(bar, statusBar);
  MarkImageDone(slot);
  if (!MultiImageMode) return Ended(RunEnd::Programmed);
  if (slot == 9) {
    PumpWait(2000);
    ReadPort();
  }
  return Ended(RunEnd::Programmed, ImagesPending);
}

void ResetRun() {
  MultiImageMode = false;
  LastRunEnd = RunEnd::None;
}
