// The Updater window: the main window of the general builds. One start button, the
// product identity, a result line, two device-information lines, a progress bar and a
// status bar. In the Loader and Upgrade builds it exists but stays hidden and inert.
#pragma once

#include "ui/main_form.h"
#include "ui/status_bar.h"

class QAction;
class QFrame;
class QLabel;
class QMenuBar;
class QProgressBar;
class QPushButton;

class TForm1 : public TMainForm {
  Q_OBJECT
 public:
  // Sets Form1 to the new window, as the start-up's form creation does.
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  QMenuBar* MainMenu1 = nullptr;
  QAction* S1 = nullptr;           // "&Change port"
  QPushButton* Button1 = nullptr;  // "&Update"
  QPushButton* Button2 = nullptr;  // "&Stop", hidden; same size and place as Button1
  QLabel* Image1 = nullptr;        // logos, top right
  QLabel* Image2 = nullptr;
  QFrame* Bevel1 = nullptr;
  QLabel* Label1 = nullptr;  // the identity: large, bold, centred, opaque
  QFrame* Bevel2 = nullptr;
  QLabel* Label3 = nullptr;  // device-information line
  QLabel* Label4 = nullptr;  // bootloader text line (smaller type)
  QLabel* Label2 = nullptr;  // result and progress line
  QProgressBar* ProgressBar1 = nullptr;
  TStatusBar* StatusBar1 = nullptr;  // port, progress message, device, extra

  // Whether this is the program's main window (creation did not stop after the controls).
  bool isMainWindow() const { return mainWindow(); }

  // "&Update": a search and, when a device answered, a run. Ignored while one is on the
  // stack.
  void Button1Click();
  // "&Stop": hides itself; the running search or run stops at its next wait and reports.
  void Button2Click();
  void S1Click();
  void Label1DblClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
};
