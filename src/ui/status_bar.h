// A status bar with fixed-width text panels, addressed by panel index.
#pragma once

#include <QStatusBar>
#include <initializer_list>
#include <vector>

class QLabel;

class TStatusBar : public QStatusBar {
  Q_OBJECT
 public:
  TStatusBar(std::initializer_list<int> panelWidths, QWidget* parent);
  int panelCount() const { return static_cast<int>(panels_.size()); }
  // Writes a panel's text as plain text; an index without a panel is ignored.
  void setPanelText(int index, const QString& text);
  QString panelText(int index) const;
  QLabel* panel(int index) const;

 private:
  std::vector<QLabel*> panels_;
};
