#include "ui/status_bar.h"

#include <QLabel>

TStatusBar::TStatusBar(std::initializer_list<int> panelWidths, QWidget* parent)
    : QStatusBar(parent) {
  setSizeGripEnabled(false);
  for (int width : panelWidths) {
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setContentsMargins(2, 0, 2, 0);
    // A fixed size, so a new text never lays the whole bar out again.
    label->setFixedSize(width, label->sizeHint().height());
    addWidget(label);
    panels_.push_back(label);
  }
}

void TStatusBar::setPanelText(int index, const QString& text) {
  if (QLabel* label = panel(index)) label->setText(text);
}

QString TStatusBar::panelText(int index) const {
  const QLabel* label = panel(index);
  return label != nullptr ? label->text() : QString();
}

QLabel* TStatusBar::panel(int index) const {
  return index >= 0 && index < panelCount() ? panels_[static_cast<size_t>(index)] : nullptr;
}
