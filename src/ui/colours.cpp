#include "ui/colours.h"

#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

namespace {

// System colour indices that can occur in the encoding's low byte.
constexpr uint32_t SystemButtonFace = 0x0F;
constexpr uint32_t SystemWindow = 0x05;
constexpr uint32_t SystemWindowText = 0x08;
constexpr uint32_t SystemButtonText = 0x12;

QColor SystemColour(uint32_t index) {
  const QPalette palette = QGuiApplication::palette();
  switch (index) {
    case SystemWindow: return palette.color(QPalette::Base);
    case SystemWindowText: return palette.color(QPalette::WindowText);
    case SystemButtonText: return palette.color(QPalette::ButtonText);
    case SystemButtonFace:
    default: return palette.color(QPalette::Window);
  }
}

}  // namespace

QColor ToQColor(uint32_t colour) {
  if ((colour >> 24) == 0xFF) return SystemColour(colour & 0xFF);
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

QColor TextColourOn(uint32_t colour, uint32_t background) {
  if (colour == ColourBlack && background == ColourButtonFace)
    return SystemColour(SystemWindowText);
  return ToQColor(colour);
}

void SetTextColour(QWidget* widget, uint32_t colour, uint32_t background) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, TextColourOn(colour, background));
  widget->setPalette(palette);
}

void SetBackgroundColour(QWidget* widget, uint32_t colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, ToQColor(colour));
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}
