// Colours of the program's 32-bit encoding (engine/colours.h) on Qt widgets.
#pragma once

#include <QColor>
#include <cstdint>

#include "engine/colours.h"

class QWidget;

// The one conversion from the encoding to a Qt colour. The button face is the palette's
// window colour, so a control in that colour blends with the window.
QColor ToQColor(uint32_t colour);

// The colour text is drawn in on a background. Black on the button face is the neutral
// text: it takes the palette's window-text colour, which a dark theme makes light, as the
// button face turns dark. Every other pair keeps the colour given.
QColor TextColourOn(uint32_t colour, uint32_t background);
// The text colour of a label (or any widget that draws with the window-text role) that
// shows on the given background.
void SetTextColour(QWidget* widget, uint32_t colour, uint32_t background);
// The background of an opaque control: the widget fills its area with the colour.
void SetBackgroundColour(QWidget* widget, uint32_t colour);
