// What the forms are built from: the conversion of the program's narrow texts, the UI
// font, plain-text labels, frames, buttons, logos, and hiding a control at once.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <string>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

// Narrow texts are bytes; each byte is one character (Latin-1), so any byte a device
// sends shows as a character and the text converts back unchanged. Null gives "".
QString UiText(const char* text);
std::string NarrowText(const QString& text);

// The forms' sans-serif font at a pixel size.
QFont UiFont(int pixelSize, bool bold = false, bool italic = false);
// Sets a label's font style and pixel size, keeping its family.
void SetLabelFont(QLabel* label, int pixelSize, bool bold, bool italic = false);
// The same for a design value that is a cell height (ascent + descent) in pixels rather
// than an em size: the largest pixel size whose cell is no higher.
void SetLabelCellHeight(QLabel* label, int cellHeight, bool bold, bool italic = false);
int PixelSizeForCellHeight(QFont font, int cellHeight);

// A label that shows its text as plain text, never as markup.
QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
QPushButton* MakeButton(QWidget* parent, const QString& text, const QRect& geometry);
// Return and Enter press the button while it has the focus, as Space does; outside a
// dialog Qt leaves those keys to the window.
void PressedByEnter(QPushButton* button);
// A lowered frame drawn behind the controls placed on it.
QFrame* MakeBevel(QWidget* parent, const QRect& geometry);

// Hides a control and repaints the place it held at once (the engine keeps the GUI thread
// busy between its waits).
void HideAtOnce(QWidget* widget);

// The logos, painted in code.
enum class Logo { Chip, Arrow };
QPixmap LogoPixmap(Logo logo, const QSize& size);

// Shows a window without making it modal and brings it to the front.
void ShowModeless(QWidget* window);

// Fixed-size main window flags: caption, system menu, minimize and close boxes (the
// Upgrade window adds the maximize box).
Qt::WindowFlags FixedMainWindowFlags();
