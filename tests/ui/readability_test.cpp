// Every text the windows show can be read: each status-bar text in full in its panel or in
// the panel's tooltip, panels that grow with the font, and neutral texts that stand out
// from their background with a dark desktop palette too. The TextFit tests run once more
// at a scale factor of 2.
#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QTextDocumentFragment>
#include <cmath>
#include <cstring>

#include "engine/colours.h"
#include "engine/view.h"
#include "protocol/decoder.h"
#include "support/ui_fixture.h"
#include "ui/form_kit.h"
#include "ui/forms.h"
#include "ui/loader_window.h"
#include "ui/status_bar.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"
#include "ui/window_view.h"

namespace {

using TextFit = UiTest;

// What a user can read of a panel: its text as far as the panel shows it, and its tooltip.
bool WhollyShown(const QLabel* panel) {
  return panel->fontMetrics().horizontalAdvance(panel->text()) <= panel->contentsRect().width();
}

QString ToolTipText(const QLabel* panel) {
  QString text = QTextDocumentFragment::fromHtml(panel->toolTip()).toPlainText();
  return text.replace(QChar::Nbsp, QLatin1Char(' '));
}

struct PanelText {
  StatusPanelEntry entry;
  const char* text;
  bool wholly;  // a text that must show in full in its panel, not only in the tooltip
};

// The longest texts of each kind the engine writes into each window's panels.
const PanelText UpgradeTexts[] = {
    {PortPanel, "COM100", true},
    {PortPanel, "COM999", true},
    {MessagePanel, " Incompatible Bootloader !! ", true},
    {MessagePanel, "Program EEP 1023", true},
    {MessagePanel, "MB32 - Preparation ff", true},
    {DevicePanel, "Found 33FJ128 - 24HJ128", true},
    {ExtraPanel, "not suitable apparatus", true},
};
const PanelText UpdaterTexts[] = {
    {PortPanel, "COM100", true},
    {PortPanel, "COM999", true},
    {MessagePanel, "Program 00192 (000c0)", true},
    {MessagePanel, "Program 87040 (15400)", true},
    {MessagePanel, "Program EEP 1023", true},
    {MessagePanel, "Device not Found", true},
    {DevicePanel, "Found 18F26k80", true},
    {DevicePanel, "Found 33FJ128 - 24HJ128", false},
    {ExtraPanel, "Loaded 320 bytes (0000 to 0140)", false},
    {ExtraPanel, "Loaded 87040 bytes (0000 to 15400)", false},
    {ExtraPanel, "not suitable apparatus", false},
};

template <size_t N>
void ExpectReadable(TStatusBar* bar, const PanelText (&texts)[N]) {
  for (const PanelText& t : texts) {
    SCOPED_TRACE(t.text);
    SetStatusText(HandleOf(bar), t.entry, t.text);
    const QLabel* panel = bar->panel(StatusPanels[t.entry]);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->text(), t.text);
    if (t.wholly) {
      EXPECT_TRUE(WhollyShown(panel)) << panel->width() << " pixels";
    }
    if (!WhollyShown(panel)) {
      EXPECT_EQ(ToolTipText(panel), t.text);
    }
    // A shorter text that follows leaves no tooltip of the one before.
    SetStatusText(HandleOf(bar), t.entry, "OK");
    EXPECT_TRUE(panel->toolTip().isEmpty() || ToolTipText(panel) == "OK");
  }
}

TEST_F(TextFit, EveryPanelTextShowsInFullInItsPanelOrItsTooltip) {
  // The Updater first: the Upgrade window moves the device texts to its panel 3.
  TForm1* updater = Make<TForm1>();
  updater->show();
  ExpectReadable(updater->StatusBar1, UpdaterTexts);
  Form1 = nullptr;
  TForm5* upgrade = Make<TForm5>();
  upgrade->show();
  ExpectReadable(upgrade->StatusBar1, UpgradeTexts);
}

TEST_F(TextFit, PanelsGrowWithTheFontAndKeepTheDesignedProportions) {
  const std::vector<int> designed = {50, 220, 100, 140, 20};
  QWidget normal;
  QWidget large;
  normal.setFont(UiFont(12));
  large.setFont(UiFont(24));
  TStatusBar normalBar({50, 220, 100, 140, 20}, &normal);
  TStatusBar largeBar({50, 220, 100, 140, 20}, &large);
  const double normalScale = normalBar.panel(1)->width() / 220.0;
  const double largeScale = largeBar.panel(1)->width() / 220.0;
  EXPECT_NEAR(largeScale / normalScale, 2.0, 0.1);
  for (size_t i = 0; i < designed.size(); ++i) {
    const int index = static_cast<int>(i);
    EXPECT_NEAR(normalBar.panel(index)->width(), designed[i] * normalScale, 1.0) << i;
    EXPECT_NEAR(largeBar.panel(index)->width(), designed[i] * largeScale, 1.0) << i;
  }
}

// Dark desktop palettes: light text on dark grey.
QPalette DarkPalette() {
  QPalette p;
  const QColor window(0x35, 0x35, 0x35);
  const QColor light(0xEE, 0xEE, 0xEE);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, light);
  p.setColor(QPalette::Base, QColor(0x23, 0x23, 0x23));
  p.setColor(QPalette::Text, light);
  p.setColor(QPalette::Button, window);
  p.setColor(QPalette::ButtonText, light);
  return p;
}

double Luminance(const QColor& c) {
  const auto channel = [](double v) {
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class DarkPaletteTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    saved_ = QApplication::palette();
    QApplication::setPalette(DarkPalette());
  }
  void TearDown() override {
    UiTest::TearDown();
    QApplication::setPalette(saved_);
  }
  // A label's text against what is painted behind it: its own background when it paints
  // one, else the window's (the label's palette inherits it).
  static void ExpectContrast(const char* what, const QLabel* label) {
    const QColor text = label->palette().color(QPalette::WindowText);
    const QColor background = label->palette().color(QPalette::Window);
    EXPECT_GE(Contrast(text, background), 4.5)
        << what << ": " << text.name().toStdString() << " on " << background.name().toStdString();
  }

 private:
  QPalette saved_;
};

TEST_F(DarkPaletteTest, NeutralTextsStandOutFromTheirBackground) {
  // A device with bootloader 8, which shows the bootloader's text line.
  DeviceInfo = {8, 0x48, 5, 0x10};
  VRecordSeen = true;
  std::strncpy(RRecord.text, "BL 8.1", RRecordTextLength);

  TForm1* updater = Make<TForm1>();
  updater->show();
  SetPlainMark(0);
  ExpectContrast("identity on the button face", updater->Label1);
  SetPlainMark(1);
  ExpectContrast("identity on silver", updater->Label1);
  ShowDeviceInfo();
  ExpectContrast("device line", updater->Label3);
  ExpectContrast("bootloader line", updater->Label4);
  ShowProgress(" Programming... ", ColourButtonFace);
  ExpectContrast("programming line", updater->Label2);
  ExpectContrast("status bar", updater->StatusBar1->panel(0));
  Form1 = nullptr;

  TForm6* loader = Make<TForm6>();
  loader->show();
  ExpectContrast("prompt", loader->Label1);
  const struct {
    const char* text;
    uint32_t colour;
  } messages[] = {
      {"Search Device", ColourBlack},
      {" Programming... ", ColourButtonFace},
      {"The device is not find.", ColourBlack},
  };
  for (const auto& m : messages) {
    ShowProgress(m.text, m.colour);
    ExpectContrast(m.text, loader->Label1);
  }
  for (const QLabel* field : {loader->Label2, loader->Label5, loader->Label6})
    ExpectContrast("field", field);
}

}  // namespace
