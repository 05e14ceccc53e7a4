// The port dialog "Setup": lists the serial ports present, preselects the current one,
// and on OK makes the chosen port current and reopens the channel: at once, or once a
// search or run that is on the stack has ended. Not modal; closing only hides it, and
// every showing lists the ports afresh.
#pragma once

#include <QDialog>
#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;

class TForm3 : public QDialog {
  Q_OBJECT
 public:
  // Sets Form3 to the new dialog, as the start-up's form creation does.
  explicit TForm3(QWidget* parent = nullptr);
  ~TForm3() override;

  QLabel* Label1 = nullptr;        // "Port :"
  QComboBox* ComboBox1 = nullptr;  // friendly names
  QPushButton* Button1 = nullptr;  // "&Ok"
  QPushButton* Button2 = nullptr;  // "&Cancel"
  QComboBox* ComboBox2 = nullptr;  // port names, parallel to ComboBox1; never shown

  // Runs on every showing: relists the ports and preselects the one chosen last.
  void FormShow();
  void Button1Click();
  void Button2Click();

  void FillPortLists();
  // The position of the entry whose port name is COM<port + 1> (any case); 0 when absent.
  int16_t FindPortEntry(int16_t port);
  // The port index of an entry's port name; an empty or missing entry gives 0.
  int16_t PortOfEntry(int16_t entry);

  // The Loader's look: a tool-window border, kept for the rest of the run.
  void UseToolWindowBorder();

 protected:
  void showEvent(QShowEvent* event) override;
};
