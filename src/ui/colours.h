// Colours of the program's 32-bit encoding (engine/colours.h) on Qt widgets.
#pragma once

#include <QColor>
#include <cstdint>

#include "engine/colours.h"

class QWidget;

// The one conversion from the encoding to a Qt colour. The button face is the palette's
// window colour, so a control in that colour blends with the window.
QColor ToQColor(uint32_t colour);

// The text colour of a label (or any widget that draws with the window-text role).
void SetTextColour(QWidget* widget, uint32_t colour);
// The background of an opaque control: the widget fills its area with the colour.
void SetBackgroundColour(QWidget* widget, uint32_t colour);
