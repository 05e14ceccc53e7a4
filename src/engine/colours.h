// Colours in the program's 32-bit encoding: 0x00BBGGRR for an RGB colour, top byte 0xFF
// for a system colour (0xFF00000F is the button face, the usual window background). The
// engine hands these to its view; the view turns them into what the front end draws.
#pragma once

#include <cstdint>

constexpr uint32_t ColourBlack = 0x000000;
constexpr uint32_t ColourRed = 0x0000FF;
constexpr uint32_t ColourGreen = 0x008000;
constexpr uint32_t ColourWhite = 0xFFFFFF;
constexpr uint32_t ColourSilver = 0xC0C0C0;
constexpr uint32_t ColourButtonFace = 0xFF00000F;
