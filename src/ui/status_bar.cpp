#include "ui/status_bar.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLabel>
#include <QTextDocument>
#include <cmath>

namespace {

// The average width of the letters A-Z and a-z (the measure the design's platform lays its
// dialogs out by) of the designed 8-point font at 96 dpi, in pixels.
constexpr double DesignedAverageLetterWidth = 6.0;

const QString& Letters() {
  static const QString letters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return letters;
}

bool TextFits(const QLabel* label, const QString& text) {
  return label->fontMetrics().horizontalAdvance(text) <= label->contentsRect().width();
}

}  // namespace

double DesignedFontScale(const QFont& font) {
  const double average = QFontMetricsF(font).horizontalAdvance(Letters()) / Letters().size();
  return average / DesignedAverageLetterWidth;
}

int ScaledPanelWidth(int designedWidth, const QFont& font) {
  return static_cast<int>(std::lround(designedWidth * DesignedFontScale(font)));
}

TStatusBar::TStatusBar(std::initializer_list<int> designedWidths, QWidget* parent)
    : QStatusBar(parent) {
  setSizeGripEnabled(false);
  for (int designedWidth : designedWidths) {
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setContentsMargins(2, 0, 2, 0);
    // A fixed size, so a new text never lays the whole bar out again.
    label->setFixedSize(ScaledPanelWidth(designedWidth, label->font()), label->sizeHint().height());
    addWidget(label);
    panels_.push_back(label);
  }
}

void TStatusBar::setPanelText(int index, const QString& text) {
  QLabel* label = panel(index);
  if (label == nullptr) return;
  label->setText(text);
  // As plain text, blanks kept: a tooltip that looks like markup would be taken as markup.
  label->setToolTip(TextFits(label, text) ? QString()
                                          : Qt::convertFromPlainText(text, Qt::WhiteSpacePre));
}

QString TStatusBar::panelText(int index) const {
  const QLabel* label = panel(index);
  return label != nullptr ? label->text() : QString();
}

QLabel* TStatusBar::panel(int index) const {
  return index >= 0 && index < panelCount() ? panels_[static_cast<size_t>(index)] : nullptr;
}
