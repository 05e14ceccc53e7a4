// The Upgrade window: a START/STOP screen whose status bar carries every message. In
// "TRI" builds one START writes every built-in image and a second bar counts the images.
#pragma once

#include "protocol/run.h"  // MultiImageMode, set up for this window
#include "ui/main_form.h"
#include "ui/status_bar.h"

class QAction;
class QFrame;
class QMenuBar;
class QProgressBar;
class QPushButton;

class TForm5 : public TMainForm {
  Q_OBJECT
 public:
  // Sets Form5 to the new window, as the start-up's form creation does.
  explicit TForm5(QWidget* parent = nullptr);
  ~TForm5() override;

  QMenuBar* MainMenu1 = nullptr;
  QAction* SerialPort1 = nullptr;        // "Serial Port"
  QFrame* Panel1 = nullptr;              // lowered panel with its own background
  QPushButton* Button1 = nullptr;        // "START"
  QPushButton* Button2 = nullptr;        // "STOP", hidden; same size and place as Button1
  QProgressBar* ProgressBar1 = nullptr;  // search and run
  QProgressBar* ProgressBar2 = nullptr;  // images of a multi-image run, hidden
  TStatusBar* StatusBar1 = nullptr;

  // The width of ProgressBar2 and the gap before it, taken from ProgressBar1 in
  // multi-image mode.
  static constexpr int ImageBarWidth = 158;
  static constexpr int ImageBarGap = 5;

  // START: one search and at most one run; in multi-image mode search and write again
  // while the run reports images still to write. Ignored while a loop is on the stack.
  void Button1Click();
  // STOP: back to idle at once, and the running search or run stops at its next wait.
  void Button2Click();
  void SerialPort1Click();

 private:
  void CreateControls();
};
