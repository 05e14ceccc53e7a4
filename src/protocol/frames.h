// What the program sends to the device: single command bytes, bootloader frames closed by
// an 8-bit checksum, and two fixed frames closed by a 16-bit sum; sending a frame with its
// re-sends, and the user's messages for the engine's failures.
#pragma once

#include <cstdint>

// The one buffer every probe, command and bootloader frame is built in. The largest frame
// is 262 bytes: 5 header bytes, 256 data bytes and the checksum.
constexpr int FrameBufferSize = 300;
extern uint8_t FrameBuffer[FrameBufferSize];

enum SendResult : int16_t { SendAcknowledged = 0, SendNoAnswer = -1, SendAborted = -2, SendRefused = -3 };

// The two's complement of the 8-bit sum of the bytes: the frame then sums to 0.
uint8_t FrameChecksum(const uint8_t* bytes, int count);

// Checksummed frames the line took (each once) and their re-sends after refusals, since the
// last ResetFrames; for front ends that report them.
extern int32_t FramesSent;
extern int32_t FramesResent;

// Sends an n-byte frame (the checksum goes to position n) and waits up to 2 s for its
// answer; a refused frame is sent again, five times at the most.
int16_t SendFrame(uint8_t* buffer, int n);
// Writes one command byte and waits for its answer (WaitReply's result).
int16_t SendCommandByte(uint8_t command, int waitMs);
// The message of a failure: -1 " not Response ", -2 " User Abort !! ", -3 " CHK Error !! ",
// -4 " Incompatible Bootloader !! "; other codes show nothing.
void ReportError(int16_t code);
// The EEPROM frame: one byte of the EEPROM image, addressed by the low 8 bits of its index.
constexpr uint8_t EepromCommand = 0x40;
constexpr uint8_t EepromByteCount = 0x01;  // bytes the frame carries
constexpr uint8_t EepromFrameTail = 0x00;  // always 0, whatever the index
// Builds the frame for EEPROM byte index into buffer; the count before the checksum.
int BuildEepromFrame(uint8_t* buffer, int index, uint8_t value);

// The closing frames of a multi-image run; written without waiting.
void SendPatternFrame();
void SendCommand4Frame();

constexpr char FramePattern[] = "Qw7Rt2Yp9Ux4Zk3";

// The frame buffer and the counters zeroed, as at program start.
void ResetFrames();
