// Each main window pressing its own buttons against tarvik-devsim on COM1: a whole update,
// a port that cannot be opened, no device, stopping a run, a start pressed while the
// engine is still on the stack, closing the window in the middle of a run, and a port
// chosen in the port dialog during a run; and, against the in-process device, the buttons
// pressed from the keyboard and the Loader's port menu in the middle of a run.
#include <algorithm>

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QComboBox>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>

#include "serial/channel.h"
#include "startup/settings.h"
#include "support/ui_devsim.h"
#include "ui/SerialSetup.h"
#include "ui/colours.h"
#include "ui/engine_session.h"
#include "ui/loader_window.h"
#include "ui/progress.h"
#include "ui/status_bar.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"

namespace {

using WindowRunTest = UiDevsimTest;

const WindowKind AllWindows[] = {WindowKind::Upgrade, WindowKind::Updater, WindowKind::Loader};

QColor TextColour(const QWidget* w) { return w->palette().color(QPalette::WindowText); }
QColor Background(const QWidget* w) { return w->palette().color(QPalette::Window); }

// The chip the simulator plays by default (0x48, 18F26k80) has its image in slot 9.
constexpr uint8_t Chip = 0x48;
constexpr int ChipSlot = 9;

// The colour and look of the window's final text where the window shows one.
void ExpectResultLook(const MainWindowUnderTest& w, uint32_t colour) {
  if (w.kind == WindowKind::Updater) {
    auto* form = static_cast<TForm1*>(w.window);
    EXPECT_FALSE(form->Label2->isHidden());
    EXPECT_EQ(Background(form->Label2), ToQColor(colour));
    EXPECT_EQ(TextColour(form->Label2), ToQColor(ColourWhite));
  } else if (w.kind == WindowKind::Loader) {
    auto* form = static_cast<TForm6*>(w.window);
    EXPECT_EQ(TextColour(form->Label1), ToQColor(colour));
    EXPECT_TRUE(form->Label1->font().bold());
  }
}

TEST_F(WindowRunTest, EachWindowUpdatesTheDeviceToItsSuccessText) {
  const struct {
    WindowKind kind;
    const char* success;
  } cases[] = {
      {WindowKind::Upgrade, "Program OK"},
      {WindowKind::Updater, " Program Ok "},
      {WindowKind::Loader, "Successfully updated"},
  };
  const RunInput image = BuiltInImage(Chip, ChipSlot);
  for (const auto& c : cases) {
    SCOPED_TRACE(KindName(c.kind));
    DevsimProcess& device = startDevice({"--chip", "0x48"});
    const MainWindowUnderTest w = open(c.kind);
    w.start->click();

    EXPECT_EQ(w.message(), c.success);
    EXPECT_TRUE(w.startOffered());
    EXPECT_FALSE(EngineBusy());
    ExpectResultLook(w, ColourGreen);
    if (c.kind == WindowKind::Updater) {
      EXPECT_EQ(w.window->focusWidget(), w.start);
    }
    ClosePort(CurrentPort);
    ASSERT_EQ(device.stop(), 0);
    EXPECT_EQ(CompareWithDump(ExpectRun(image), ReadIntelHex(device.dumpPath())), "");
    restart();
  }
}

TEST_F(WindowRunTest, APortThatCannotBeOpenedEndsTheStartAtOnce) {
  const struct {
    WindowKind kind;
    const char* message;
    uint32_t colour;
  } cases[] = {
      {WindowKind::Upgrade, "Invalid Port Com", ColourRed},
      {WindowKind::Updater, "Invalid Port Com", ColourRed},
      // The Loader replaces the reopen's message with its own, left-aligned.
      {WindowKind::Loader, "Port not valid. Select a new port.", ColourRed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(KindName(c.kind));
    linkNowhere("COM1");
    const MainWindowUnderTest w = open(c.kind);
    w.start->click();
    EXPECT_EQ(w.message(), c.message);
    ExpectResultLook(w, c.colour);
    EXPECT_TRUE(w.startOffered());
    if (c.kind == WindowKind::Loader) {
      auto* form = static_cast<TForm6*>(w.window);
      EXPECT_EQ(form->Label1->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
      EXPECT_FALSE(form->Button2->isEnabled());
    }
    restart();
  }
}

// A search that gets no answer takes its 100 probes of 100 ms (in virtual time).
class NoDeviceTest : public VirtualTimeTest, public testing::WithParamInterface<WindowKind> {};

TEST_P(NoDeviceTest, ASearchWithoutAnswerEndsIdleWithTheWindowsText) {
  // The device answers only a probe that neither of these windows sends.
  devsim::Config config;
  config.probes = {0xC6};
  link.connect(config);
  const MainWindowUnderTest w = open(GetParam());
  w.start->click();
  EXPECT_TRUE(w.startOffered());
  EXPECT_EQ(w.window->focusWidget(), w.start);
  if (GetParam() == WindowKind::Updater) {
    auto* form = static_cast<TForm1*>(w.window);
    EXPECT_EQ(form->StatusBar1->panelText(1), "Device not Found");
    EXPECT_TRUE(form->Label2->isHidden());  // no run, no result line
  } else {
    auto* form = static_cast<TForm6*>(w.window);
    EXPECT_EQ(form->Label1->text(), "The device is not find.");
    EXPECT_EQ(TextColour(form->Label1), ToQColor(ColourBlack));
    EXPECT_FALSE(form->Label1->font().bold());
    EXPECT_TRUE(HasCellHeight(form->Label1->font(), 25));
  }
}

INSTANTIATE_TEST_SUITE_P(UpdaterAndLoader, NoDeviceTest,
                         testing::Values(WindowKind::Updater, WindowKind::Loader),
                         [](const auto& info) { return std::string(KindName(info.param)); });

// The window made active, as a user's click or the window manager makes it: only then does
// Qt move the keyboard focus off a control that is hidden.
void Activate(QWidget* window) {
  window->activateWindow();
  for (int i = 0; i < 100 && QApplication::activeWindow() != window; ++i)
    QCoreApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), window);
}

// A key pressed and released, delivered where the window sends keys: its focus control.
void PressKey(QWidget* window, Qt::Key key) {
  QWidget* focus = window->focusWidget();
  ASSERT_NE(focus, nullptr) << "no control has the keyboard focus";
  const Qt::KeyboardModifiers modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers);
  QCoreApplication::sendEvent(focus, &press);
  QCoreApplication::sendEvent(focus, &release);
}

// Whether the run has written a data block to the first device.
bool Writing(SimLink& link) {
  const auto& t = link.device()->transcript();
  return std::any_of(t.begin(), t.end(), [](const auto& e) { return e.kind == "block"; });
}

using KeyboardTest = VirtualTimeTest;

TEST_F(KeyboardTest, ReturnAndEnterPressTheFocusedStartAndStopButtons) {
  const struct {
    Qt::Key key;
    bool stopByKey;  // else the device refuses a block five times
    const char* result;
  } endings[] = {
      {Qt::Key_Return, true, " User Abort !! "},
      {Qt::Key_Enter, false, " CHK Error !! "},
  };
  for (WindowKind kind : AllWindows) {
    for (const auto& e : endings) {
      SCOPED_TRACE(testing::Message() << KindName(kind) << " " << e.result);
      devsim::Config config;
      if (!e.stopByKey) config.faults = {{devsim::FaultKind::Refuse, 0, 2, 5}};
      link.connect(config);
      const MainWindowUnderTest w = open(kind);
      Activate(w.window);
      ASSERT_EQ(w.window->focusWidget(), w.start);
      bool sawStopFocused = false;
      link.when([&] { return Writing(link); },
                [&] {
                  sawStopFocused = w.window->focusWidget() == w.stop;
                  if (e.stopByKey) PressKey(w.window, e.key);
                });
      PressKey(w.window, e.key);
      EXPECT_TRUE(Writing(link));  // the key started a search, and the run began
      EXPECT_TRUE(sawStopFocused);
      EXPECT_EQ(w.message(), e.result);
      EXPECT_TRUE(w.startOffered());
      EXPECT_EQ(w.window->focusWidget(), w.start);  // after the red result too
      restart();
    }
  }
}

TEST_F(KeyboardTest, TheLoadersPortMenuDuringARunLeavesTheRunsMessagesAndClearsTheButtons) {
  link.connect(devsim::Config{});
  const MainWindowUnderTest w = open(WindowKind::Loader);
  auto* form = static_cast<TForm6*>(w.window);
  TForm3* dialog = Make<TForm3>();
  link.when([&] { return Writing(link) && form->ProgressBar1->value() > 0; },
            [&] {
              const int position = form->ProgressBar1->value();
              const QString hardware = form->Label6->text();
              form->ChangePort1->trigger();
              EXPECT_TRUE(dialog->isVisible());
              EXPECT_EQ(form->Label1->text(), " Programming... ");
              EXPECT_FALSE(form->Label1->font().italic());
              EXPECT_EQ(form->Label6->text(), hardware);
              EXPECT_FALSE(hardware.isEmpty());
              EXPECT_EQ(form->ProgressBar1->value(), position);
              EXPECT_TRUE(form->Button2->isEnabled());
              EXPECT_FALSE(CoversOnScreen(dialog, form->Button1));
              EXPECT_FALSE(CoversOnScreen(dialog, form->Button2));
              dialog->Button2->click();  // Cancel
            });
  w.start->click();
  EXPECT_TRUE(dialog->isHidden());
  EXPECT_EQ(w.message(), "Successfully updated");
}

// The answer to frame 3 comes 1.5 s late (within the 2 s the run waits), so the run is
// surely in that wait when the test presses a button.
constexpr const char* LateThirdFrame[] = {"--chip", "0x48", "--late", "3:1500"};
std::vector<std::string> LateRun() { return {std::begin(LateThirdFrame), std::end(LateThirdFrame)}; }

// Nothing after the frame the run was stopped in reached the device.
void ExpectStoppedAtFrame3(DevsimProcess& device) {
  ASSERT_EQ(device.stop(), 0);
  EXPECT_EQ(device.transcriptCount(FrameNumber(3)), 1);
  EXPECT_EQ(device.transcriptCount(FrameNumber(4)), 0);
}

TEST_F(WindowRunTest, StopDuringARunEndsItWithUserAbort) {
  for (WindowKind kind : AllWindows) {
    SCOPED_TRACE(KindName(kind));
    DevsimProcess& device = startDevice(LateRun());
    const MainWindowUnderTest w = open(kind);
    OnceWhen press([&] { return device.transcriptCount(FrameNumber(3)) == 1; },
                   [&] {
                     w.stop->click();
                     // At once, before the engine has noticed.
                     switch (kind) {
                       case WindowKind::Upgrade:
                         EXPECT_FALSE(w.start->isHidden());
                         EXPECT_TRUE(w.stop->isHidden());
                         break;
                       case WindowKind::Updater:  // neither button until the result
                         EXPECT_TRUE(w.start->isHidden());
                         EXPECT_TRUE(w.stop->isHidden());
                         break;
                       case WindowKind::Loader:
                         EXPECT_TRUE(w.start->isEnabled());
                         EXPECT_FALSE(w.stop->isEnabled());
                         EXPECT_EQ(BarStateOf(w.bar), BarState::Error);
                         break;
                     }
                   });
    w.start->click();
    EXPECT_TRUE(press.fired());
    EXPECT_EQ(w.message(), " User Abort !! ");
    ExpectResultLook(w, ColourRed);
    EXPECT_TRUE(w.startOffered());
    if (kind == WindowKind::Loader) {
      EXPECT_EQ(BarStateOf(w.bar), BarState::Error);
    }
    ExpectStoppedAtFrame3(device);
    restart();
  }
}

TEST_F(WindowRunTest, AStartPressedWhileTheEngineIsOnTheStackIsIgnored) {
  // After a stop the start button is offered again before the engine has unwound; a
  // second search run from there would take the stop request and let the run go on.
  for (WindowKind kind : AllWindows) {
    SCOPED_TRACE(KindName(kind));
    DevsimProcess& device = startDevice(LateRun());
    const MainWindowUnderTest w = open(kind);
    int nestedReturned = 0;
    OnceWhen press([&] { return device.transcriptCount(FrameNumber(3)) == 1; },
                   [&] {
                     w.stop->click();
                     w.start->click();  // the "&Update" of the Updater is hidden: pressed anyway
                     ++nestedReturned;
                     EXPECT_TRUE(EngineBusy());
                   });
    w.start->click();
    EXPECT_EQ(nestedReturned, 1);
    EXPECT_EQ(w.message(), " User Abort !! ");
    ExpectStoppedAtFrame3(device);
    restart();
  }
}

TEST_F(WindowRunTest, ClosingDuringARunStopsItAndClosesOnceItHasUnwound) {
  for (WindowKind kind : AllWindows) {
    SCOPED_TRACE(KindName(kind));
    DevsimProcess& device = startDevice(LateRun());
    const MainWindowUnderTest w = open(kind);
    OnceWhen close([&] { return device.transcriptCount(FrameNumber(3)) == 1; },
                   [&] {
                     EXPECT_FALSE(w.window->close());  // refused while the engine runs
                     EXPECT_TRUE(w.window->isVisible());
                     EXPECT_EQ(PortTable[0].isOpen, 1);
                     // A chosen port that is written back only by the close.
                     Remember(w.settingsRoot, "77");
                   });
    w.start->click();
    EXPECT_TRUE(close.fired());
    EXPECT_FALSE(w.window->isVisible());
    EXPECT_EQ(w.message(), " User Abort !! ");
    EXPECT_EQ(PortTable[0].isOpen, 0);
    EXPECT_EQ(Remembered(w.settingsRoot), "0");
    // The close ran once: a later close finds nothing more to do.
    Remember(w.settingsRoot, "77");
    w.window->close();
    EXPECT_EQ(Remembered(w.settingsRoot), "77");
    ExpectStoppedAtFrame3(device);
    restart();
  }
}

TEST_F(WindowRunTest, APortChosenDuringARunBecomesCurrentWhenTheRunHasEnded) {
  DevsimProcess& first = startDevice(LateRun(), "COM1");
  DevsimProcess& second = startDevice({}, "COM2");
  UsePorts({{"COM1", "devsim 1"}, {"COM2", "devsim 2"}});
  const RunInput image = BuiltInImage(Chip, ChipSlot);
  const MainWindowUnderTest w = open(WindowKind::Upgrade);
  auto* form = static_cast<TForm5*>(w.window);
  TForm3* dialog = Make<TForm3>();
  OnceWhen choose([&] { return first.transcriptCount(FrameNumber(3)) == 1; },
                  [&] {
                    form->SerialPort1->trigger();
                    ASSERT_TRUE(dialog->isVisible());
                    EXPECT_EQ(dialog->ComboBox1->currentIndex(), 0);
                    dialog->ComboBox1->setCurrentIndex(1);
                    dialog->Button1->click();
                    EXPECT_TRUE(dialog->isHidden());
                    // Nothing reopened under the run.
                    EXPECT_EQ(CurrentPort, 0);
                    EXPECT_EQ(OpenedPort, 0);
                    EXPECT_EQ(PortTable[1].isOpen, 0);
                    // Shown again, the dialog offers the choice; Cancel keeps it.
                    form->SerialPort1->trigger();
                    EXPECT_EQ(dialog->ComboBox1->currentIndex(), 1);
                    dialog->ComboBox1->setCurrentIndex(0);
                    dialog->Button2->click();
                    EXPECT_EQ(dialog->ComboBox1->currentIndex(), 1);
                  });
  w.start->click();
  EXPECT_TRUE(choose.fired());
  // The run went on to the end on COM1, then COM2 was opened.
  EXPECT_EQ(w.message(), "Program OK");
  EXPECT_EQ(CurrentPort, 1);
  EXPECT_EQ(OpenedPort, 1);
  EXPECT_EQ(PortTable[1].isOpen, 1);
  ClosePort(0);
  ASSERT_EQ(first.stop(), 0);
  EXPECT_EQ(CompareWithDump(ExpectRun(image), ReadIntelHex(first.dumpPath())), "");

  // The next START searches on COM2; closing remembers it.
  w.start->click();
  EXPECT_EQ(w.message(), "Program OK");
  w.window->close();
  EXPECT_EQ(Remembered(UpgradeSettings), "1");
  ASSERT_EQ(second.stop(), 0);
  EXPECT_EQ(CompareWithDump(ExpectRun(image), ReadIntelHex(second.dumpPath())), "");
}

}  // namespace
