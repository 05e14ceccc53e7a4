#include "ui/SerialSetup.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <cstdio>
#include <cstdlib>

#include "serial/channel.h"
#include "serial/port_discovery.h"
#include "ui/engine_session.h"
#include "ui/form_kit.h"
#include "ui/forms.h"
#include "ui/port_entry.h"

namespace {

constexpr Qt::WindowFlags BorderHints = Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

}  // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  Form3 = this;
  // Left open, it must not keep the program running once the main window has closed.
  setAttribute(Qt::WA_QuitOnClose, false);
  setWindowFlags(Qt::Dialog | BorderHints);
  setWindowTitle(QStringLiteral("Setup"));
  setFont(UiFont(11));
  setFixedSize(456, 94);
  move(136, 107);

  Button1 = MakeButton(this, QStringLiteral("&Ok"), QRect(293, 56, 75, 25));
  Button2 = MakeButton(this, QStringLiteral("&Cancel"), QRect(373, 56, 75, 25));
  ComboBox1 = new QComboBox(this);
  ComboBox1->setGeometry(41, 16, 408, 21);
  ComboBox2 = new QComboBox(this);
  ComboBox2->setGeometry(0, 56, 41, 21);
  ComboBox2->hide();
  // The caption sizes itself to its text from its designed place, as the design's did.
  Label1 = MakeLabel(this, QStringLiteral("Port :"), QRect(9, 19, 25, 13));
  Label1->resize(qMax(25, Label1->sizeHint().width()), 13);
  setTabOrder(Button1, Button2);
  setTabOrder(Button2, ComboBox1);
  setTabOrder(ComboBox1, ComboBox2);

  connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
}

TForm3::~TForm3() {
  if (Form3 == this) Form3 = nullptr;
}

void TForm3::showEvent(QShowEvent* event) {
  // A spontaneous show is the window system's (de-iconifying): the dialog was visible.
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

void TForm3::FormShow() {
  FillPortLists();
  ComboBox1->setCurrentIndex(FindPortEntry(ChosenPort()));
}

void TForm3::FillPortLists() {
  ComboBox1->clear();
  ComboBox2->clear();
  char portName[200];
  char friendlyName[200];
  const PortList set = OpenPortList();
  while (NextPort(set, portName, sizeof portName, friendlyName, sizeof friendlyName) == 1) {
    // Friendly names carry the system's device descriptions, which are UTF-8.
    ComboBox1->addItem(QString::fromUtf8(friendlyName));
    ComboBox2->addItem(UiText(portName));
  }
  ClosePortList(set);
}

int16_t TForm3::FindPortEntry(int16_t port) {
  char text[16];
  std::snprintf(text, sizeof text, "COM%d", port + 1);
  const QString wanted = UiText(text);
  for (int i = 0; i < ComboBox2->count(); ++i)
    if (ComboBox2->itemText(i).compare(wanted, Qt::CaseInsensitive) == 0)
      return static_cast<int16_t>(i);
  return 0;
}

int16_t TForm3::PortOfEntry(int16_t entry) {
  const std::string name =
      entry >= 0 && entry < ComboBox2->count() ? NarrowText(ComboBox2->itemText(entry)) : "";
  return PortOfPortName(name);
}

void TForm3::Button1Click() {
  // While a search or run is on the stack the port is reopened only once it has ended.
  ChoosePort(PortOfEntry(static_cast<int16_t>(ComboBox1->currentIndex())));
  close();
}

void TForm3::Button2Click() {
  ComboBox1->setCurrentIndex(FindPortEntry(ChosenPort()));
  close();
}

void TForm3::UseToolWindowBorder() {
  if ((windowFlags() & Qt::WindowType_Mask) == Qt::Tool) return;
  const bool visible = isVisible();
  setWindowFlags(Qt::Tool | BorderHints);  // hides the dialog
  if (visible) show();
}
