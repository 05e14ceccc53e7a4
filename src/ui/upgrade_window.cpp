#include "ui/upgrade_window.h"

#include <QAction>
#include <QFrame>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

#include "engine/engine.h"
#include "protocol/decoder.h"
#include "remote/udp_listener.h"
#include "serial/channel.h"
#include "startup/identity.h"
#include "startup/program.h"
#include "startup/settings.h"
#include "ui/SerialSetup.h"
#include "ui/colours.h"
#include "ui/form_kit.h"
#include "ui/forms.h"
#include "ui/progress.h"
#include "ui/status_bar.h"
#include "ui/window_view.h"

namespace {
constexpr int ClientWidth = 580;
constexpr int ClientHeight = 146;
}  // namespace

TForm5::TForm5(QWidget* parent) : TMainForm(UpgradeSettings, parent) {
  Form5 = this;
  CreateControls();
  SetUpEngine(EngineWindow::Upgrade);

  // A port that cannot be bound ends the start-up with the socket's error, shown in place
  // of this window (the rest of the creation still runs: it only fills the window).
  QString listenerError;
  if (!StartListener(&listenerError)) FailStartup(listenerError);

  setWindowTitle(UiText(UpgradeTitle().c_str()));
  SetApplicationTitle(DisplayIdentity());
  LoadRememberedPort(UpgradeSettings);
  ShowPortStatus(HandleOf(StatusBar1));
  if (MultiImageMode) {
    ProgressBar1->resize(ProgressBar1->width() - (ProgressBar2->width() + ImageBarGap),
                         ProgressBar1->height());
    ProgressBar2->show();
  }
}

TForm5::~TForm5() {
  if (Form5 == this) Form5 = nullptr;
  RunningWindow = RunningWindowOfForms();
}

void TForm5::CreateControls() {
  StatusBar1 = new TStatusBar({50, 220, 100, 140, 20}, this);
  QWidget* client =
      CreateFrame(QStringLiteral("Upgrade"), ClientWidth, ClientHeight, StatusBar1);
  const int rowWidth = client->width() - 16;
  setWindowFlag(Qt::WindowMaximizeButtonHint);  // this window has a maximize box as well
  MainMenu1 = menuBar();
  SerialPort1 = MainMenu1->addAction(QStringLiteral("Serial Port"));
  connect(SerialPort1, &QAction::triggered, this, &TForm5::SerialPort1Click);

  Panel1 = new QFrame(client);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(2);
  Panel1->setGeometry(8, 8, rowWidth, 96);
  SetBackgroundColour(Panel1, ColourButtonFace);

  const QRect buttonPlace(8, 8, rowWidth - 16, 80);
  Button1 = MakeButton(Panel1, QStringLiteral("START"), buttonPlace);
  Button2 = MakeButton(Panel1, QStringLiteral("STOP"), buttonPlace);
  for (QPushButton* button : {Button1, Button2}) {
    button->setFont(UiFont(33, true));
    PressedByEnter(button);
  }
  Button2->hide();
  connect(Button1, &QPushButton::clicked, this, &TForm5::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm5::Button2Click);

  ProgressBar1 = new QProgressBar(client);
  ProgressBar1->setGeometry(8, 114, rowWidth, 22);
  ProgressBar2 = new QProgressBar(client);
  ProgressBar2->setGeometry(8 + rowWidth - ImageBarWidth, 114, ImageBarWidth, 22);
  for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
    bar->setTextVisible(false);
    SetBarSmooth(bar, true);
  }
  ProgressBar2->hide();

  FinishFrame(StatusBar1);
  Button1->setFocus();
}

void TForm5::Button1Click() { StartUpdate(ProgressBar1, StatusBar1, ProgressBar2); }

void TForm5::Button2Click() {
  SetIdle();
  AbortRequested = true;
}

void TForm5::SerialPort1Click() {
  if (Form3 != nullptr) ShowModeless(Form3);
}
