// A status bar with fixed-width text panels, addressed by panel index.
#pragma once

#include <QStatusBar>
#include <initializer_list>
#include <vector>

class QFont;
class QLabel;

// The designed panel widths were made for the designed 8-point font. A panel is as much
// wider or narrower as the font it shows is: the designed width times the ratio of the
// font's average letter width to the designed font's, so that the bar keeps its proportions.
double DesignedFontScale(const QFont& font);
int ScaledPanelWidth(int designedWidth, const QFont& font);

class TStatusBar : public QStatusBar {
  Q_OBJECT
 public:
  // designedWidths: the panels' widths in pixels for the designed font, scaled to the bar's.
  TStatusBar(std::initializer_list<int> designedWidths, QWidget* parent);
  int panelCount() const { return static_cast<int>(panels_.size()); }
  // Writes a panel's text as plain text; an index without a panel is ignored. A text that
  // does not fit its panel is there in full as the panel's tooltip.
  void setPanelText(int index, const QString& text);
  QString panelText(int index) const;
  QLabel* panel(int index) const;

 private:
  std::vector<QLabel*> panels_;
};
