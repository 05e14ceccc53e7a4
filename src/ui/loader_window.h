// The Loader window: a single-device screen in large type, with "Update FW" and "Abort",
// the fields "FW :", "HW :" and "BS :", one message line and a progress bar. Its status
// bar exists for the engine but is never shown.
#pragma once

#include "protocol/search.h"  // NVariant, set up for this window
#include "ui/main_form.h"
#include "ui/status_bar.h"

class QAction;
class QFrame;
class QLabel;
class QMenuBar;
class QProgressBar;
class QPushButton;

class TForm6 : public TMainForm {
  Q_OBJECT
 public:
  // Sets Form6 to the new window, as the start-up's form creation does.
  explicit TForm6(QWidget* parent = nullptr);
  ~TForm6() override;

  QMenuBar* MainMenu1 = nullptr;
  QAction* ChangePort1 = nullptr;  // "&Change Port"
  QPushButton* Button1 = nullptr;  // "Update FW"
  QPushButton* Button2 = nullptr;  // "Abort", disabled until a search runs
  QLabel* Image1 = nullptr;        // logo below the buttons
  QFrame* Bevel1 = nullptr;
  QLabel* Label2 = nullptr;  // "FW :"
  QLabel* Label5 = nullptr;  // firmware identity (bold)
  QLabel* Label3 = nullptr;  // "HW :"
  QLabel* Label6 = nullptr;  // hardware
  QLabel* Label4 = nullptr;  // "BS :"
  QLabel* Label7 = nullptr;  // bootloader
  QLabel* Label1 = nullptr;  // message line; its font, colour and alignment change
  QProgressBar* ProgressBar1 = nullptr;
  TStatusBar* StatusBar1 = nullptr;  // hidden

  // Resets the message line to the prompt, empties "HW :" and "BS :", zeroes the bar.
  void clearLabel();
  // "Update FW": a search and, by its result, a run or the window's own message. Ignored
  // while one is on the stack.
  void Button1Click();
  // "Abort": back to idle at once, the bar in its error state; the running search or run
  // stops at its next wait and reports.
  void Button2Click();
  // "&Change Port": the port dialog as a tool window at this window's top, right of the
  // buttons; the message line is reset to the prompt unless a search or run is on.
  void ChangePort1Click();

 protected:
  // Every start begins on the prompt.
  void PrepareUpdate() override { clearLabel(); }

 private:
  void CreateControls();
  // The port dialog's place: this window's top, right of the buttons (both lie at the left).
  QPoint PortDialogPlace() const;
};
