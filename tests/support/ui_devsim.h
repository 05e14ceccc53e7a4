// Window tests against tarvik-devsim: the forms (offscreen) press their own buttons, the
// real channel opens the simulator's pty through the test's ports folder, and the
// simulator's transcript and dumps show what reached the device.
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/built_in_image.h"
#include "support/devsim_process.h"
#include "support/expected_run.h"
#include "support/sim_link.h"
#include "support/ui_fixture.h"

class QMainWindow;
class QProgressBar;
class QPushButton;

// The three main windows, for tables of cases that each window has in its own way.
enum class WindowKind { Upgrade, Updater, Loader };
const char* KindName(WindowKind kind);

struct MainWindowUnderTest {
  WindowKind kind;
  QMainWindow* window;
  QPushButton* start;  // "START", "&Update", "Update FW"
  QPushButton* stop;   // "STOP", "&Stop", "Abort"
  QProgressBar* bar;   // the bar of searches and runs
  uint8_t settingsRoot;
  // The window's result or message: the Upgrade's message panel, the Updater's result
  // line, the Loader's message line.
  QString message() const;
  // Whether the start button can be pressed (shown, or in the Loader enabled).
  bool startOffered() const;
};

class UiDevsimTest : public UiTest {
 protected:
  void TearDown() override;
  // A fresh start within one test, for tables of whole runs.
  void restart() {
    TearDown();
    SetUp();
  }

  // Creates and shows a main window as the start-up does (the Updater as main window).
  MainWindowUnderTest open(WindowKind kind);

  // A simulator on a port of the test's ports folder, its files in a folder of its own.
  // The test fails (and the result is not usable) when it does not get ready.
  DevsimProcess& startDevice(std::vector<std::string> args, const std::string& port = "COM1");
  // A port link that leads nowhere: that port has no device (rather than the fixed table's).
  void linkNowhere(const std::string& port);

 private:
  std::vector<std::unique_ptr<DevsimProcess>> devices_;
};

// Window tests against the in-process simulator in virtual time, for runs that wait long
// (a hundred probes of 100 ms): the windows open the port as always, and the link answers.
// The link outlives the windows, whose ports close at the end of each test.
class VirtualTimeTest : public UiDevsimTest {
 protected:
  SimLink link;
};

// Runs an action once, from the event loop that the engine's waits process, as soon as a
// condition holds: how a test presses a button in the middle of a search or run.
class OnceWhen : public QObject {
 public:
  OnceWhen(std::function<bool()> condition, std::function<void()> action);
  bool fired() const { return fired_; }

 private:
  std::function<bool()> condition_;
  std::function<void()> action_;
  QTimer timer_;
  bool fired_ = false;
};

// Transcript lines of the frames that carry data: blocks, the final block, EEPROM bytes.
inline const char* const BlockFrame = "\"kind\":\"block\"";
inline const char* const EepromFrame = "\"kind\":\"eeprom\"";
// The transcript line of numbered frame k of the first device.
std::string FrameNumber(int k);
