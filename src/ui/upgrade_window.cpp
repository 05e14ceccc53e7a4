#include "ui/upgrade_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QLayout>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include "catalogue/catalogue.h"
#include "protocol/decoder.h"
#include "protocol/run.h"
#include "protocol/search.h"
#include "remote/udp_listener.h"
#include "serial/channel.h"
#include "startup/identity.h"
#include "startup/program.h"
#include "startup/settings.h"
#include "ui/SerialSetup.h"
#include "ui/colours.h"
#include "ui/engine_session.h"
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

  // A port that cannot be bound ends the start-up with the socket's error, shown in place
  // of this window (the rest of the creation still runs: it only fills the window).
  QString listenerError;
  if (!StartListener(&listenerError)) FailStartup(listenerError);

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
  connect(Button1, &QPushButton::clicked, this, &TForm5::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm5::Button2Click);

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

void TForm5::Button1Click() {
  const EngineSession session;
  if (!session) return;  // STOP or the end of an image showed START while a loop runs
  const QPointer<TForm5> self(this);
  ProgressBar2->setMinimum(0);
  ProgressBar2->setMaximum(CountImages() + 1);
  ProgressBar2->setValue(0);
  int8_t left = 0;
  do {
    left = 0;
    const int16_t r = SearchDevice(ProgressBar1, StatusBar1);
    if (self == nullptr) return;
    if (r == SearchFound) {
      left = static_cast<int8_t>(PrgMode(ProgressBar1, StatusBar1));
      if (self == nullptr) return;
      ProgressBar2->setValue(ProgressBar2->maximum() - left);
    }
  } while (left != 0);
}

void TForm5::Button2Click() {
  SetIdle();
  AbortRequested = true;
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
  if (CloseWhenIdle(this)) {
    event->ignore();
    return;
  }
  FormClose();
  QMainWindow::closeEvent(event);
}
