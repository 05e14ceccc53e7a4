// Colours in the program's 32-bit encoding: 0x00BBGGRR for an RGB colour, top byte 0xFF
// for a system colour (0xFF00000F is the button face, the usual window background).
#pragma once

#include <QColor>
#include <cstdint>

class QWidget;

constexpr uint32_t ColourBlack = 0x000000;
constexpr uint32_t ColourRed = 0x0000FF;
constexpr uint32_t ColourGreen = 0x008000;
constexpr uint32_t ColourWhite = 0xFFFFFF;
constexpr uint32_t ColourSilver = 0xC0C0C0;
constexpr uint32_t ColourButtonFace = 0xFF00000F;

// The one conversion from the encoding to a Qt colour. The button face is the palette's
// window colour, so a control in that colour blends with the window.
QColor ToQColor(uint32_t colour);

// The text colour of a label (or any widget that draws with the window-text role).
void SetTextColour(QWidget* widget, uint32_t colour);
// The background of an opaque control: the widget fills its area with the colour.
void SetBackgroundColour(QWidget* widget, uint32_t colour);
