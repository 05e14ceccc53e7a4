// The device search: reopen the chosen port and probe it until a bootloader answers with
// its identification.
#pragma once

#include <cstdint>

#include "engine/view.h"

// Set up for the Loader window when the identity carries "HUB" or "QIX": selects probe 0xC6.
extern bool NVariant;
// Device addresses whose blocks the programming run does not send; SkipStart 0: none.
extern int32_t SkipStart;
extern int32_t SkipLength;

enum SearchResult : int16_t {
  SearchFound = 0,
  SearchPortUnusable = -1,
  SearchNoDevice = -2,
  SearchAborted = -3,
};

constexpr int SearchTries = 100;
constexpr int ProbeWaitMs = 100;

// The probe of the window that runs the engine: Upgrade 0xC5, else 0xC6 with NVariant, 0xC2.
uint8_t ProbeByte();
int16_t SearchDevice(BarHandle bar, StatusBarHandle statusBar);

// NVariant and the skip range back to their values at program start.
void ResetSearch();
