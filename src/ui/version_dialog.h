// The version dialog: the firmware images built into the executable, one line per image
// with the board and preparation it is made for. Not modal; closing only hides it.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

class TForm4 : public QDialog {
  Q_OBJECT
 public:
  // Sets Form4 to the new dialog, as the start-up's form creation does.
  explicit TForm4(QWidget* parent = nullptr);
  ~TForm4() override;

  QListWidget* ListBox1 = nullptr;  // monospaced, so the columns line up
  QPushButton* Button1 = nullptr;   // "&Ok"

  // Runs each time the dialog passes from hidden to visible: the listing afresh.
  void FormShow();
  void Button1Click();

 protected:
  void showEvent(QShowEvent* event) override;
};
