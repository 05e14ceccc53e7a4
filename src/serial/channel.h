// The serial port channel: the one path to the device. One port, opened for exclusive
// use with fixed line settings, written a frame at a time and read by polling; waits
// keep the front end live.
#pragma once

#include <cstdint>

#include "engine/view.h"
#include "platform/serial_device.h"

struct PortRecord {
  int32_t index;             // the port index the record belongs to (0 = COM1)
  uint8_t directionControl;  // switch RTS around each write and remove the bus echo
  int32_t callerValue;       // stored for the caller, read by nobody
  uint8_t* buffer;           // per-port buffer: allocated by the first opening, kept on reopen
  int32_t isOpen;            // 1 while open and configured
  SerialHandle handle;
};

constexpr int MaxPortIndex = 256;
constexpr uint32_t PortBaudRate = 115200;
constexpr int EchoRemoval = 1;
constexpr int DirectionPolarity = 1;
constexpr int PortBufferSize = 3000;
constexpr int RxBufferSize = 3072;

extern PortRecord PortTable[MaxPortIndex + 1];
extern int16_t CurrentPort;  // the port the user selected; negative: none
extern int16_t OpenedPort;   // the port ApplyPort last opened; differing forces a reopen
extern uint8_t RxBuffer[RxBufferSize];

// Bytes written to and read from the line since the last ResetChannel, for front ends that
// report them.
extern int64_t LineBytesOut;
extern int64_t LineBytesIn;
// How the last opening of a port went: SerialOk, or why it failed (SerialNoDevice,
// SerialBusy: held by another program, SerialDenied, SerialConfigFailed ...).
extern int PortOpenResult;

// Opens and configures a port; the record, or nullptr.
PortRecord* OpenPort(int index, uint32_t baudRate, uint8_t parity, uint8_t stopBits,
                     uint8_t byteSize, uint8_t directionControl, int callerValue);
void ClosePort(int index);
int SetLines(int index, int clear);
void SetDirection(int transmit, SerialHandle handle);
// Nonzero when every byte was written.
int WritePort(int index, const uint8_t* bytes, int count);
// 0 usable (pending output has left), -2 not open.
int16_t CheckPort(int16_t index);
// One immediate read of CurrentPort into RxBuffer; the count.
int16_t ReadPort();
// Reads CurrentPort until no byte comes, throwing the bytes away; bounded.
void DrainPort();
// Makes a port the selected one (CurrentPort); its first use opens it afresh.
void UsePort(int16_t port);
// Reopens CurrentPort when it differs from OpenedPort; "Invalid Port Com" on failure.
void ApplyPort();
// Waits in 5 ms steps, processing the front end's messages after each.
void PumpWait(int milliseconds);
// "COM<n>" or "-----" in the port panel of a status bar.
void ShowPortStatus(StatusBarHandle statusBar);
// The handle of CurrentPort when it is open, else NoSerialHandle.
SerialHandle CurrentPortHandle();

// Every port closed and its buffer released; CurrentPort and OpenedPort 0, as at program
// start.
void ResetChannel();
