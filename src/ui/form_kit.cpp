#include "ui/form_kit.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

QString UiText(const char* text) { return text == nullptr ? QString() : QString::fromLatin1(text); }

std::string NarrowText(const QString& text) { return text.toLatin1().toStdString(); }

QFont UiFont(int pixelSize, bool bold, bool italic) {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

void SetLabelFont(QLabel* label, int pixelSize, bool bold, bool italic) {
  QFont font = label->font();
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setItalic(italic);
  font.setUnderline(false);
  font.setStrikeOut(false);
  label->setFont(font);
}

int PixelSizeForCellHeight(QFont font, int cellHeight) {
  int pixelSize = cellHeight;
  for (; pixelSize > 1; --pixelSize) {
    font.setPixelSize(pixelSize);
    if (QFontMetrics(font).height() <= cellHeight) break;
  }
  return pixelSize;
}

void SetLabelCellHeight(QLabel* label, int cellHeight, bool bold, bool italic) {
  QFont font = label->font();
  font.setBold(bold);
  font.setItalic(italic);
  SetLabelFont(label, PixelSizeForCellHeight(font, cellHeight), bold, italic);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry,
                  Qt::Alignment alignment) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(text);
  label->setGeometry(geometry);
  label->setAlignment(alignment);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const QRect& geometry) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(geometry);
  return button;
}

void PressedByEnter(QPushButton* button) { button->setAutoDefault(true); }

QFrame* MakeBevel(QWidget* parent, const QRect& geometry) {
  auto* bevel = new QFrame(parent);
  bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
  bevel->setGeometry(geometry);
  return bevel;
}

void HideAtOnce(QWidget* widget) {
  widget->hide();
  if (QWidget* parent = widget->parentWidget()) parent->repaint(widget->geometry());
}

namespace {

// A chip package with pins on both long sides and an upward arrow on it.
void PaintChip(QPainter& p, const QRectF& r) {
  const qreal pinW = r.width() * 0.08;
  const QRectF body =
      r.adjusted(r.width() * 0.12, r.height() * 0.04, -r.width() * 0.12, -r.height() * 0.04);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xB0, 0xB4, 0xBA));
  for (int i = 0; i < 4; ++i) {
    const qreal y = body.top() + body.height() * (0.14 + 0.22 * i);
    p.drawRect(QRectF(r.left(), y, body.left() - r.left(), pinW));
    p.drawRect(QRectF(body.right(), y, r.right() - body.right(), pinW));
  }
  p.setBrush(QColor(0x26, 0x32, 0x38));
  p.drawRoundedRect(body, 3, 3);
  p.setBrush(QColor(0x4C, 0xAF, 0x50));
  const QPointF c = body.center();
  const qreal w = body.width() * 0.22;
  const qreal h = body.height() * 0.30;
  QPainterPath arrow;
  arrow.moveTo(c.x(), c.y() - h);
  arrow.lineTo(c.x() + w, c.y());
  arrow.lineTo(c.x() + w * 0.45, c.y());
  arrow.lineTo(c.x() + w * 0.45, c.y() + h);
  arrow.lineTo(c.x() - w * 0.45, c.y() + h);
  arrow.lineTo(c.x() - w * 0.45, c.y());
  arrow.lineTo(c.x() - w, c.y());
  arrow.closeSubpath();
  p.drawPath(arrow);
}

// A round badge with a lightning-shaped arrow: data going down the line.
void PaintArrow(QPainter& p, const QRectF& r) {
  const qreal d = qMin(r.width(), r.height()) - 2;
  const QRectF disc(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
  p.setPen(QPen(QColor(0x0D, 0x47, 0xA1), 2));
  p.setBrush(QColor(0x19, 0x76, 0xD2));
  p.drawEllipse(disc);
  QPainterPath bolt;
  const auto at = [&](qreal x, qreal y) {
    return QPointF(disc.left() + disc.width() * x, disc.top() + disc.height() * y);
  };
  bolt.moveTo(at(0.56, 0.12));
  bolt.lineTo(at(0.30, 0.54));
  bolt.lineTo(at(0.48, 0.54));
  bolt.lineTo(at(0.40, 0.88));
  bolt.lineTo(at(0.72, 0.42));
  bolt.lineTo(at(0.54, 0.42));
  bolt.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xFF, 0xD5, 0x4F));
  p.drawPath(bolt);
}

}  // namespace

QPixmap LogoPixmap(Logo logo, const QSize& size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(1, 1, size.width() - 2, size.height() - 2);
  if (logo == Logo::Chip)
    PaintChip(p, r);
  else
    PaintArrow(p, r);
  return pixmap;
}

void ShowModeless(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

Qt::WindowFlags FixedMainWindowFlags() {
  return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
}
