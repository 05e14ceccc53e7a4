#include "ui/upgrade_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

#include "catalogue/catalogue.h"
#include "serial/channel.h"
#include "startup/identity.h"
#include "startup/settings.h"
#include "ui/SerialSetup.h"
#include "ui/colours.h"
#include "ui/form_kit.h"
#include "ui/forms.h"
#include "ui/progress.h"
#include "ui/status_bar.h"
#include "ui/status_channel.h"

namespace {
constexpr int ClientWidth = 580;
constexpr int ClientHeight = 146;
constexpr int RowWidth = ClientWidth - 16;
}  // namespace

TForm5::TForm5(QWidget* parent) : QMainWindow(parent) {
  Form5 = this;
  CreateControls();

  // The UDP listener starts here when the command line asks for it.

  setWindowTitle(UiText(UpgradeTitle().c_str()));
  SetApplicationTitle(DisplayIdentity());
  LoadRememberedPort(UpgradeSettings);
  FillCatalogue();
  ShowPortStatus(StatusBar1);
  StatusPanels[DevicePanel] = 3;
  MultiImageMode = IdentityHas("TRI");
  if (MultiImageMode) {
    ProgressBar1->resize(ProgressBar1->width() - (ProgressBar2->width() + ImageBarGap),
                         ProgressBar1->height());
    ProgressBar2->show();
  }
}

TForm5::~TForm5() {
  if (Form5 == this) Form5 = nullptr;
}

void TForm5::CreateControls() {
  setWindowFlags(FixedMainWindowFlags());
  setWindowTitle(QStringLiteral("Upgrade"));
  setFont(UiFont(12));

  MainMenu1 = menuBar();
  SerialPort1 = MainMenu1->addAction(QStringLiteral("Serial Port"));
  connect(SerialPort1, &QAction::triggered, this, &TForm5::SerialPort1Click);

  auto* client = new QWidget(this);
  client->setFixedSize(ClientWidth, ClientHeight);
  setCentralWidget(client);

  Panel1 = new QFrame(client);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(2);
  Panel1->setGeometry(8, 8, RowWidth, 96);
  SetBackgroundColour(Panel1, ColourButtonFace);

  const QRect buttonPlace(8, 8, RowWidth - 16, 80);
  Button1 = MakeButton(Panel1, QStringLiteral("START"), buttonPlace);
  Button2 = MakeButton(Panel1, QStringLiteral("STOP"), buttonPlace);
  for (QPushButton* button : {Button1, Button2}) button->setFont(UiFont(33, true));
  Button2->hide();

  ProgressBar1 = new QProgressBar(client);
  ProgressBar1->setGeometry(8, 114, RowWidth, 22);
  ProgressBar2 = new QProgressBar(client);
  ProgressBar2->setGeometry(8 + RowWidth - ImageBarWidth, 114, ImageBarWidth, 22);
  for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
    bar->setTextVisible(false);
    SetBarSmooth(bar, true);
  }
  ProgressBar2->hide();

  StatusBar1 = new TStatusBar({50, 220, 100, 140, 20}, this);
  setStatusBar(StatusBar1);

  layout()->setSizeConstraint(QLayout::SetFixedSize);
  Button1->setFocus();
}

void TForm5::SerialPort1Click() {
  if (Form3 != nullptr) ShowModeless(Form3);
}

void TForm5::FormClose() {
  if (remembered_) return;
  remembered_ = true;
  CloseAndRememberPort(UpgradeSettings);
}

void TForm5::closeEvent(QCloseEvent* event) {
  FormClose();
  QMainWindow::closeEvent(event);
}
