// The three main windows at creation, at closing and through their menus.
#include <QAction>
#include <QCoreApplication>
#include <QTimer>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>

#include "serial/channel.h"
#include "startup/settings.h"
#include "support/ui_fixture.h"
#include "ui/SerialSetup.h"
#include "ui/colours.h"
#include "ui/forms.h"
#include "ui/loader_window.h"
#include "ui/progress.h"
#include "ui/status_bar.h"
#include "engine/view.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"
#include "ui/version_dialog.h"

namespace {

using MainWindowTest = UiTest;

// This build: "KAP DL 01.24.04.00", built Sep 23 2014 at 15:00:15.
const char* const Identity = "KAP DL 01.24.04.00";

struct RememberedPortCase {
  const char* setting;  // nullptr: first run, no value
  const char* portPanel;
  int16_t current;
  int16_t opened;
};

void RememberIfSet(uint8_t root, const char* setting) {
  if (setting != nullptr) WriteSetting("com", setting, root);
}

// The designed widths, scaled to the bar's font.
void ExpectPanelWidths(const TStatusBar* bar, const std::vector<int>& designed) {
  ASSERT_EQ(bar->panelCount(), static_cast<int>(designed.size()));
  const double scale = DesignedFontScale(bar->font());
  for (int i = 0; i < bar->panelCount(); ++i)
    EXPECT_NEAR(bar->panel(i)->width(), designed[static_cast<size_t>(i)] * scale, 0.5)
        << "panel " << i;
}

// Every panel lies wholly inside the bar of the shown window.
void ExpectPanelsFit(QMainWindow* window, TStatusBar* bar) {
  window->show();
  bar->show();
  window->layout()->activate();
  bar->layout()->activate();
  for (int i = 0; i < bar->panelCount(); ++i)
    EXPECT_LE(bar->panel(i)->geometry().right(), bar->rect().right()) << "panel " << i;
}

// The title bar's boxes: system menu and minimize box always; maximize box as given.
void ExpectBoxes(const QWidget* window, bool maximizeBox) {
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(bool(flags & Qt::WindowMaximizeButtonHint), maximizeBox);
}

void DoubleClick(QWidget* widget) {
  const QPointF at(5, 5);
  QMouseEvent event(QEvent::MouseButtonDblClick, at, widget->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}

TEST_F(MainWindowTest, UpgradeStartsIdleOnTheRememberedPort) {
  const RememberedPortCase cases[] = {
      {nullptr, "COM1", 0, -1}, {"4", "COM5", 4, 3}, {" 7x", "COM8", 7, 6}, {"-1", "-----", -1, -2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.portPanel);
    RememberIfSet(UpgradeSettings, c.setting);
    StatusPanels[DevicePanel] = 2;
    auto form = std::make_unique<TForm5>();
    EXPECT_EQ(form->windowTitle(), "Upgrade 1.1 -   KAP DL 01.24.04.00   - Sep 23 2014");
    EXPECT_EQ(QCoreApplication::applicationName(), Identity);
    EXPECT_EQ(ApplicationTitle(), Identity);
    EXPECT_EQ(form->SerialPort1->text(), "Serial Port");
    ExpectBoxes(form.get(), true);
    EXPECT_EQ(form->StatusBar1->panelText(0), c.portPanel);
    EXPECT_EQ(CurrentPort, c.current);
    EXPECT_EQ(OpenedPort, c.opened);
    EXPECT_EQ(StatusPanels[DevicePanel], 3);
    EXPECT_FALSE(MultiImageMode);

    form->show();
    EXPECT_FALSE(form->Button1->isHidden());
    EXPECT_EQ(form->Button1->text(), "START");
    EXPECT_EQ(form->focusWidget(), form->Button1);
    EXPECT_TRUE(form->Button2->isHidden());
    EXPECT_EQ(form->Button2->geometry(), form->Button1->geometry());
    EXPECT_TRUE(form->ProgressBar2->isHidden());
    EXPECT_EQ(form->ProgressBar2->width(), 158);
    // Single-image build: the progress bar runs to the end of the row.
    EXPECT_EQ(form->ProgressBar1->geometry().right(), form->ProgressBar2->geometry().right());
    EXPECT_TRUE(BarIsSmooth(form->ProgressBar1));

    form->close();  // closes no port: none was opened
    EXPECT_EQ(Remembered(UpgradeSettings), std::to_string(c.current));
  }
  EXPECT_EQ(Remembered(UpdaterSettings), "");
  EXPECT_EQ(Remembered(LoaderSettings), "");
}

TEST_F(MainWindowTest, UpgradeBuildLeavesItsUpdaterWindowHiddenAndWithoutSettings) {
  Remember(UpdaterSettings, "9");
  Remember(UpgradeSettings, "4");
  TForm5* upgrade = Make<TForm5>();
  TForm1* updater = Make<TForm1>();
  EXPECT_FALSE(updater->isMainWindow());
  EXPECT_EQ(updater->windowTitle(), "RELEASE");
  EXPECT_TRUE(updater->Label1->text().isEmpty());
  EXPECT_EQ(updater->StatusBar1->panelText(0), "");
  EXPECT_EQ(CurrentPort, 4);
  EXPECT_EQ(OpenedPort, 3);

  CurrentPort = 6;
  updater->close();
  EXPECT_EQ(Remembered(UpdaterSettings), "9");
  upgrade->close();
  EXPECT_EQ(Remembered(UpgradeSettings), "6");
  EXPECT_EQ(Remembered(UpdaterSettings), "9");
}

TEST_F(MainWindowTest, UpdaterStartsWithItsIdentityAndRemembersThePortOnClose) {
  const RememberedPortCase cases[] = {
      {nullptr, "COM1", 0, -1}, {"4", "COM5", 4, 3}, {" 7x", "COM8", 7, 6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.portPanel);
    RememberIfSet(UpdaterSettings, c.setting);
    auto form = std::make_unique<TForm1>();
    EXPECT_TRUE(form->isMainWindow());
    EXPECT_EQ(form->windowTitle(), "Updater 2.7 - KAP DL 01.24.04.00   [ Sep 23 2014 ]");
    EXPECT_EQ(QCoreApplication::applicationName(), Identity);
    EXPECT_EQ(form->Label1->text(), Identity);
    EXPECT_EQ(form->S1->text(), "&Change port");
    ExpectBoxes(form.get(), false);
    EXPECT_EQ(form->StatusBar1->panelText(0), c.portPanel);
    EXPECT_EQ(CurrentPort, c.current);
    EXPECT_EQ(OpenedPort, c.opened);
    // Neither "VT720" nor "ZEN": only the second logo.
    EXPECT_TRUE(form->Image1->isHidden());
    EXPECT_FALSE(form->Image2->isHidden());
    for (const QLabel* line : {form->Label2, form->Label3, form->Label4}) {
      EXPECT_TRUE(line->isHidden());
      EXPECT_TRUE(line->autoFillBackground());
    }
    EXPECT_TRUE(form->Label1->autoFillBackground());
    EXPECT_FALSE(form->Button1->isHidden());
    EXPECT_TRUE(form->Button2->isHidden());
    EXPECT_EQ(form->Button2->geometry(), form->Button1->geometry());

    form->close();
    EXPECT_EQ(Remembered(UpdaterSettings), std::to_string(c.current));
  }
  EXPECT_EQ(Remembered(UpgradeSettings), "");
  EXPECT_EQ(Remembered(LoaderSettings), "");
}

TEST_F(MainWindowTest, LoaderStartsWithThePromptOrAsksForAPort) {
  const char* const prompt = "Push 'Update FW' button and connect a device";
  const char* const askForPort = "Port not valid. Select a new port.";
  const struct {
    const char* setting;
    const char* message;
    int16_t current;
    int16_t opened;
  } cases[] = {
      {nullptr, askForPort, 0, -1},
      {"4", prompt, 4, 5},
      {" 7x", prompt, 7, 8},
      {"-1", prompt, -1, 0},
      {"-2", askForPort, -2, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setting ? c.setting : "first run");
    RememberIfSet(LoaderSettings, c.setting);
    auto form = std::make_unique<TForm6>();
    EXPECT_EQ(form->windowTitle(), "Loader 1.0 -   KAP DL 01.24.04.00   - Sep 23 2014");
    EXPECT_EQ(QCoreApplication::applicationName(), Identity);
    EXPECT_EQ(form->ChangePort1->text(), "&Change Port");
    ExpectBoxes(form.get(), false);
    EXPECT_EQ(CurrentPort, c.current);
    EXPECT_EQ(OpenedPort, c.opened);
    QLabel* line = form->Label1;
    EXPECT_EQ(line->text(), c.message);
    EXPECT_TRUE(line->font().italic());
    EXPECT_FALSE(line->font().bold());
    EXPECT_TRUE(HasCellHeight(line->font(), 25));
    EXPECT_EQ(line->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(line->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);

    EXPECT_EQ(form->Label2->text(), "FW :");
    EXPECT_EQ(form->Label3->text(), "HW :");
    EXPECT_EQ(form->Label4->text(), "BS :");
    EXPECT_EQ(form->Label5->text(), Identity);
    EXPECT_TRUE(form->Label5->font().bold());
    EXPECT_EQ(form->Label6->text(), "");
    EXPECT_EQ(form->Label7->text(), "");
    EXPECT_FALSE(NVariant);  // neither "HUB" nor "QIX"
    EXPECT_FALSE(form->Image1->isHidden());
    EXPECT_EQ(form->Button1->text(), "Update FW");
    EXPECT_TRUE(form->Button1->isEnabled());
    EXPECT_EQ(form->Button2->text(), "Abort");
    EXPECT_FALSE(form->Button2->isEnabled());
    EXPECT_TRUE(form->StatusBar1->isHidden());
    EXPECT_EQ(form->StatusBar1->panelText(0), "");  // the Loader writes no port text

    CurrentPort = 11;
    form->close();
    EXPECT_EQ(Remembered(LoaderSettings), "11");
  }
  EXPECT_EQ(Remembered(UpdaterSettings), "");
}

TEST_F(MainWindowTest, StatusBarsHaveTheirPanelsAndTheWindowsFitThem) {
  const std::vector<int> updaterWidths = {50, 130, 100, 50};
  const std::vector<int> wideWidths = {50, 220, 100, 140, 20};
  TForm6* loader = Make<TForm6>();
  ExpectPanelWidths(loader->StatusBar1, wideWidths);
  ExpectPanelsFit(loader, loader->StatusBar1);
  Form6 = nullptr;
  TForm5* upgrade = Make<TForm5>();
  ExpectPanelWidths(upgrade->StatusBar1, wideWidths);
  ExpectPanelsFit(upgrade, upgrade->StatusBar1);
  Form5 = nullptr;
  TForm1* updater = Make<TForm1>();
  ExpectPanelWidths(updater->StatusBar1, updaterWidths);
  ExpectPanelsFit(updater, updater->StatusBar1);
  for (QMainWindow* w : std::initializer_list<QMainWindow*>{loader, upgrade, updater}) {
    EXPECT_EQ(w->minimumSize(), w->maximumSize()) << w->metaObject()->className();
    EXPECT_FALSE(w->statusBar()->isSizeGripEnabled());
  }
  // Where the bar shows, the controls above it span the window as wide as the bar makes it.
  for (QMainWindow* w : std::initializer_list<QMainWindow*>{upgrade, updater})
    EXPECT_EQ(w->centralWidget()->width(), w->width()) << w->metaObject()->className();
}

TEST_F(MainWindowTest, UpdaterPortMenuHidesTheResultAndDeviceLinesAndShowsTheDialog) {
  TForm1* form = Make<TForm1>();
  TForm3* dialog = Make<TForm3>();
  for (QLabel* line : {form->Label2, form->Label3, form->Label4}) line->show();
  form->S1->trigger();
  EXPECT_TRUE(form->Label2->isHidden());
  EXPECT_TRUE(form->Label3->isHidden());
  EXPECT_FALSE(form->Label4->isHidden());
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());
  EXPECT_NE(dialog->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
}

TEST_F(MainWindowTest, UpgradePortMenuShowsTheDialog) {
  TForm5* form = Make<TForm5>();
  TForm3* dialog = Make<TForm3>();
  form->SerialPort1->trigger();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());
  EXPECT_NE(dialog->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
}

TEST_F(MainWindowTest, LoaderPortMenuShowsAToolDialogClearOfTheButtonsAndClearsTheFields) {
  TForm6* form = Make<TForm6>();
  TForm3* dialog = Make<TForm3>();
  form->move(300, 200);
  form->show();
  ShowResult("Device not Found", ColourRed);
  form->Label6->setText("MB05 - 0x84");
  form->Label7->setText("0x07");
  form->ProgressBar1->setValue(40);

  form->ChangePort1->trigger();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_EQ(dialog->pos().y(), form->pos().y());
  EXPECT_GT(dialog->pos().x(), form->pos().x());
  EXPECT_FALSE(CoversOnScreen(dialog, form->Button1));
  EXPECT_FALSE(CoversOnScreen(dialog, form->Button2));
  EXPECT_EQ(form->Label1->text(), "Push 'Update FW' button and connect a device");
  EXPECT_TRUE(form->Label1->font().italic());
  EXPECT_EQ(form->Label1->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  EXPECT_EQ(form->Label6->text(), "");
  EXPECT_EQ(form->Label7->text(), "");
  EXPECT_EQ(form->ProgressBar1->value(), 0);
}

TEST_F(MainWindowTest, DoubleClickOnTheIdentityOpensTheVersionDialogWithTheBuildStamp) {
  TForm1* form = Make<TForm1>();
  TForm4* dialog = Make<TForm4>();
  DoubleClick(form->Label1);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->windowTitle(), "KAP DL 01.24.04.00   [ 15:00:15 - Sep 23 2014 ]");

  form->Label1->setText("OTHER");
  DoubleClick(form->Label1);
  EXPECT_EQ(dialog->windowTitle(), "OTHER   [ 15:00:15 - Sep 23 2014 ]");
}

TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheProgramAlsoWithItsDialogsOpen) {
  TForm5* form = Make<TForm5>();
  TForm3* ports = Make<TForm3>();
  TForm4* versions = Make<TForm4>();
  form->show();
  ports->show();
  versions->show();
  // The message loop ends with 0 when the last window that counts has closed; the second
  // timer only bounds the wait.
  QTimer::singleShot(0, form, [form] { form->close(); });
  QTimer bound;
  bound.setSingleShot(true);
  QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  bound.start(5000);
  EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST_F(MainWindowTest, EveryLabelShowsPlainText) {
  std::vector<QWidget*> forms = {Make<TForm6>(), Make<TForm1>(), Make<TForm3>(), Make<TForm4>()};
  Form6 = nullptr;
  forms.push_back(Make<TForm5>());
  Form5 = nullptr;
  forms.push_back(Make<TForm1>());  // the Updater as main window
  int labels = 0;
  for (QWidget* form : forms) {
    for (const QLabel* label : form->findChildren<QLabel*>()) {
      EXPECT_EQ(label->textFormat(), Qt::PlainText)
          << form->metaObject()->className() << " " << label->text().toStdString();
      ++labels;
    }
  }
  EXPECT_GT(labels, 0);
}

}  // namespace
