// The status channel: the same call shows as the Loader's message line, the Upgrade's
// status bar or the Updater's result line, and never in the hidden Updater window.
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include "support/ui_fixture.h"
#include "ui/SerialSetup.h"
#include "ui/colours.h"
#include "ui/loader_window.h"
#include "ui/status_bar.h"
#include "engine/view.h"
#include "ui/window_view.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"
#include "ui/version_dialog.h"

namespace {

using StatusChannelTest = UiTest;

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
const QColor Silver(192, 192, 192);

QColor TextColour(const QWidget* w) { return w->palette().color(QPalette::WindowText); }
QColor Background(const QWidget* w) { return w->palette().color(QPalette::Window); }
Qt::Alignment Horizontal(const QLabel* l) { return l->alignment() & Qt::AlignHorizontal_Mask; }

// Every operation once, so that a test can see that none of them reached a window.
void CallEveryOperation() {
  SetBusy();
  ShowProgress("Search Device", ColourRed);
  SetPlainMark(1);
  ShowResult("Device not Found", ColourRed);
  SetIdle();
}

// The hidden Updater window of a Loader or Upgrade build as it was created.
void ExpectUntouched(const TForm1* updater) {
  EXPECT_TRUE(updater->Label2->isHidden());
  EXPECT_TRUE(updater->Label2->text().isEmpty());
  EXPECT_EQ(Background(updater->Label1), ToQColor(ColourButtonFace));
  EXPECT_FALSE(updater->Button1->isHidden());
  EXPECT_TRUE(updater->Button2->isHidden());
}

TEST_F(StatusChannelTest, WithoutMainWindowOnlySetStatusTextActs) {
  Make<TForm3>();
  Make<TForm4>();
  CallEveryOperation();
  TStatusBar bar({50, 130}, nullptr);
  SetStatusText(HandleOf(&bar), MessagePanel, "Try 3");
  SetStatusText(StatusBarHandle::None, MessagePanel, "ignored");
  EXPECT_EQ(bar.panelText(1), "Try 3");
}

TEST_F(StatusChannelTest, LoaderProgressIsSmallPlainWhenNeutralAndLargeBoldWhenColoured) {
  TForm6* form = Make<TForm6>();
  struct Case {
    uint32_t colour;
    QColor text;
    int height;
    bool bold;
  };
  const Case cases[] = {
      {ColourButtonFace, Black, 25, false},
      {ColourBlack, Black, 25, false},
      {ColourRed, Red, 32, true},
      {ColourGreen, Green, 32, true},
  };
  for (const Case& c : cases) {
    for (bool afterResult : {false, true}) {
      SCOPED_TRACE(testing::Message() << std::hex << c.colour << " after result " << afterResult);
      // From the prompt (italic) or from a result (bold, centred).
      form->clearLabel();
      if (afterResult) ShowResult(" Error !! ", ColourRed);
      ShowProgress("Search Device", c.colour);
      QLabel* line = form->Label1;
      EXPECT_EQ(line->text(), "Search Device");
      EXPECT_EQ(TextColour(line), c.text);
      EXPECT_TRUE(HasCellHeight(line->font(), c.height));
      EXPECT_EQ(line->font().bold(), c.bold);
      EXPECT_FALSE(line->font().italic());
      EXPECT_EQ(Horizontal(line), Qt::AlignLeft);
    }
  }
}

TEST_F(StatusChannelTest, LoaderResultIsLargeBoldCentredInItsColourAndEndsBusy) {
  TForm6* form = Make<TForm6>();
  for (uint32_t colour : {ColourRed, ColourGreen, ColourBlack}) {
    SCOPED_TRACE(colour);
    form->clearLabel();
    const QColor background = Background(form->Label1);
    SetBusy();
    EXPECT_FALSE(form->Button1->isEnabled());
    EXPECT_TRUE(form->Button2->isEnabled());

    ShowResult(" User Abort !! ", colour);
    QLabel* line = form->Label1;
    EXPECT_EQ(line->text(), " User Abort !! ");
    EXPECT_EQ(TextColour(line), ToQColor(colour));
    EXPECT_EQ(Background(line), background);
    EXPECT_TRUE(HasCellHeight(line->font(), 32));
    EXPECT_TRUE(line->font().bold());
    EXPECT_FALSE(line->font().italic());
    EXPECT_EQ(Horizontal(line), Qt::AlignHCenter);
    EXPECT_TRUE(form->Button1->isEnabled());
    EXPECT_FALSE(form->Button2->isEnabled());
  }
}

TEST_F(StatusChannelTest, LoaderIdleFocusesUpdateFw) {
  TForm6* form = Make<TForm6>();
  form->show();
  SetBusy();
  form->Button2->setFocus();
  SetIdle();
  EXPECT_TRUE(form->Button1->isEnabled());
  EXPECT_FALSE(form->Button2->isEnabled());
  EXPECT_EQ(form->focusWidget(), form->Button1);
}

TEST_F(StatusChannelTest, LoaderComesBeforeTheHiddenUpdater) {
  Make<TForm6>();
  TForm1* updater = Make<TForm1>();
  CallEveryOperation();
  ExpectUntouched(updater);
}

TEST_F(StatusChannelTest, UpgradeComesBeforeTheHiddenUpdater) {
  TForm5* upgrade = Make<TForm5>();
  TForm1* updater = Make<TForm1>();
  CallEveryOperation();
  ExpectUntouched(updater);
  EXPECT_EQ(upgrade->StatusBar1->panelText(1), "Device not Found");
}

TEST_F(StatusChannelTest, UpgradeWritesTheMessagePanelOnlyAndSwapsStartAndStop) {
  TForm5* form = Make<TForm5>();
  form->show();
  TStatusBar* bar = form->StatusBar1;
  bar->setPanelText(3, "Found 258");
  const QColor panelColour = TextColour(bar->panel(1));

  SetBusy();
  EXPECT_EQ(bar->panelText(3), " ");
  EXPECT_EQ(bar->panelText(2), "");
  EXPECT_FALSE(form->Button2->isHidden());
  EXPECT_TRUE(form->Button1->isHidden());

  ShowProgress("Search Device", ColourRed);
  EXPECT_EQ(bar->panelText(1), "Search Device");
  EXPECT_FALSE(form->Button2->isHidden());  // progress leaves the buttons alone

  form->Button2->setFocus();
  ShowResult("Device not Found", ColourRed);
  EXPECT_EQ(bar->panelText(1), "Device not Found");
  EXPECT_EQ(TextColour(bar->panel(1)), panelColour);  // the colour is not used
  EXPECT_EQ(bar->panelText(0), "COM1");
  EXPECT_EQ(bar->panelText(2), "");
  EXPECT_TRUE(form->Button2->isHidden());
  EXPECT_FALSE(form->Button1->isHidden());
  EXPECT_EQ(form->focusWidget(), form->Button1);

  SetBusy();
  SetIdle();
  EXPECT_TRUE(form->Button2->isHidden());
  EXPECT_FALSE(form->Button1->isHidden());
  EXPECT_EQ(form->focusWidget(), form->Button1);
}

TEST_F(StatusChannelTest, UpdaterProgressIsBlackOnItsColourAndLeavesTheButtons) {
  TForm1* form = Make<TForm1>();
  form->show();
  SetBusy();
  EXPECT_FALSE(form->Button2->isHidden());
  EXPECT_TRUE(form->Button1->isHidden());

  for (uint32_t colour : {ColourButtonFace, ColourRed}) {
    ShowProgress(" Programming... ", colour);
    EXPECT_FALSE(form->Label2->isHidden());
    EXPECT_EQ(form->Label2->text(), " Programming... ");
    EXPECT_EQ(Background(form->Label2), ToQColor(colour));
    EXPECT_EQ(TextColour(form->Label2), Black);
  }
  EXPECT_EQ(Background(form->Label2), Red);
  EXPECT_FALSE(form->Button2->isHidden());
  EXPECT_TRUE(form->Button1->isHidden());
}

TEST_F(StatusChannelTest, UpdaterResultIsWhiteOnRedOrGreenWithUpdateFocused) {
  TForm1* form = Make<TForm1>();
  form->show();
  const struct {
    const char* text;
    uint32_t colour;
    QColor background;
  } cases[] = {{" Program Ok ", ColourGreen, Green}, {" User Abort !! ", ColourRed, Red}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ShowProgress("Try 1", ColourButtonFace);
    SetBusy();
    form->Button2->setFocus();
    ShowResult(c.text, c.colour);
    EXPECT_EQ(form->Label2->text(), c.text);
    EXPECT_FALSE(form->Label2->isHidden());
    EXPECT_EQ(Background(form->Label2), c.background);
    EXPECT_EQ(TextColour(form->Label2), White);
    EXPECT_TRUE(form->Button2->isHidden());
    EXPECT_FALSE(form->Button1->isHidden());
    EXPECT_EQ(form->focusWidget(), form->Button1);
  }
}

TEST_F(StatusChannelTest, PlainMarkTintsTheUpgradePanelOrTheUpdaterIdentity) {
  TForm1* updater = Make<TForm1>();
  SetPlainMark(1);
  EXPECT_EQ(Background(updater->Label1), Silver);
  EXPECT_TRUE(updater->Label1->autoFillBackground());
  SetPlainMark(0);
  EXPECT_EQ(Background(updater->Label1), ToQColor(ColourButtonFace));

  TForm5* upgrade = Make<TForm5>();
  SetPlainMark(1);
  EXPECT_EQ(Background(upgrade->Panel1), Silver);
  SetPlainMark(0);
  EXPECT_EQ(Background(upgrade->Panel1), ToQColor(ColourButtonFace));
  EXPECT_EQ(Background(updater->Label1), ToQColor(ColourButtonFace));
}

TEST_F(StatusChannelTest, PanelEntriesNameThePanelsOfEachWindow) {
  const struct {
    StatusPanelEntry entry;
    int updaterPanel;
    int upgradePanel;
  } cases[] = {{PortPanel, 0, 0}, {MessagePanel, 1, 1}, {DevicePanel, 2, 3}, {ExtraPanel, 3, 3}};
  TForm1* updater = Make<TForm1>();
  for (const auto& c : cases) {
    SetStatusText(HandleOf(updater->StatusBar1), c.entry, "Found 258");
    EXPECT_EQ(updater->StatusBar1->panelText(c.updaterPanel), "Found 258") << c.entry;
    updater->StatusBar1->setPanelText(c.updaterPanel, "");
  }
  TForm5* upgrade = Make<TForm5>();
  EXPECT_EQ(StatusPanels[DevicePanel], 3);
  for (const auto& c : cases) {
    SetStatusText(HandleOf(upgrade->StatusBar1), c.entry, "Found 258");
    EXPECT_EQ(upgrade->StatusBar1->panelText(c.upgradePanel), "Found 258") << c.entry;
    EXPECT_EQ(upgrade->StatusBar1->panelText(2), "");
    upgrade->StatusBar1->setPanelText(c.upgradePanel, "");
  }
}

TEST(ColourTest, EncodingIsBlueGreenRedAndButtonFaceIsTheWindowColour) {
  EXPECT_EQ(ToQColor(0x0000FF), QColor(255, 0, 0));
  EXPECT_EQ(ToQColor(0x008000), QColor(0, 128, 0));
  EXPECT_EQ(ToQColor(0x123456), QColor(0x56, 0x34, 0x12));
  EXPECT_EQ(ToQColor(ColourButtonFace), QGuiApplication::palette().color(QPalette::Window));
}

}  // namespace
