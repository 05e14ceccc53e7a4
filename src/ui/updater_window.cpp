#include "ui/updater_window.h"

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QLabel>
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
#include "ui/version_dialog.h"
#include "ui/window_view.h"

namespace {
constexpr int ClientWidth = 480;
constexpr int ClientHeight = 232;
}  // namespace

TForm1::TForm1(QWidget* parent) : TMainForm(UpdaterSettings, parent) {
  Form1 = this;
  CreateControls();
  // Hidden and inert for the whole run in the Loader and Upgrade variants.
  setMainWindow(Form5 == nullptr && Form6 == nullptr);
  if (!isMainWindow()) return;
  SetUpEngine(EngineWindow::Updater);

  // A port that cannot be bound ends the start-up with the socket's error, shown in place
  // of this window (the rest of the creation still runs: it only fills the window).
  QString listenerError;
  if (!StartListener(&listenerError)) FailStartup(listenerError);

  if (IdentityHas("VT720") || IdentityHas("ZEN")) {
    Image1->hide();
    Image2->hide();
  } else {
    Image1->hide();
    Image2->show();
  }
  setWindowTitle(UiText(UpdaterTitle().c_str()));
  SetApplicationTitle(DisplayIdentity());
  Label1->setText(UiText(DisplayIdentity()));
  LoadRememberedPort(UpdaterSettings);
  ShowPortStatus(HandleOf(StatusBar1));
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
  RunningWindow = RunningWindowOfForms();
}

void TForm1::CreateControls() {
  StatusBar1 = new TStatusBar({50, 130, 100, 50}, this);
  QWidget* client =
      CreateFrame(QStringLiteral("RELEASE"), ClientWidth, ClientHeight, StatusBar1);
  const int clientWidth = client->width();
  const int frameWidth = clientWidth - 16;
  MainMenu1 = menuBar();
  S1 = MainMenu1->addAction(QStringLiteral("&Change port"));
  connect(S1, &QAction::triggered, this, &TForm1::S1Click);

  Button1 = MakeButton(client, QStringLiteral("&Update"), QRect(8, 8, 100, 30));
  Button2 = MakeButton(client, QStringLiteral("&Stop"), QRect(8, 8, 100, 30));
  Button2->hide();
  PressedByEnter(Button1);
  PressedByEnter(Button2);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);

  const QRect logoPlace(clientWidth - 8 - 56, 4, 56, 36);
  Image1 = MakeLabel(client, QString(), logoPlace, Qt::AlignCenter);
  Image1->setPixmap(LogoPixmap(Logo::Chip, logoPlace.size()));
  Image2 = MakeLabel(client, QString(), logoPlace, Qt::AlignCenter);
  Image2->setPixmap(LogoPixmap(Logo::Arrow, logoPlace.size()));
  Image2->hide();

  Bevel1 = MakeBevel(client, QRect(8, 46, frameWidth, 60));
  Label1 = MakeLabel(client, QString(), QRect(10, 48, frameWidth - 4, 56), Qt::AlignCenter);
  SetLabelFont(Label1, 26, true);
  SetBackgroundColour(Label1, ColourButtonFace);
  Label1->installEventFilter(this);

  Bevel2 = MakeBevel(client, QRect(8, 112, frameWidth, 84));
  Label3 = MakeLabel(client, QString(), QRect(10, 114, frameWidth - 4, 22), Qt::AlignCenter);
  SetLabelFont(Label3, 14, true);
  Label4 = MakeLabel(client, QString(), QRect(10, 136, frameWidth - 4, 18), Qt::AlignCenter);
  SetLabelFont(Label4, 11, true);
  Label2 = MakeLabel(client, QString(), QRect(10, 156, frameWidth - 4, 38), Qt::AlignCenter);
  SetLabelFont(Label2, 18, true);
  for (QLabel* line : {Label3, Label4, Label2}) {
    SetBackgroundColour(line, ColourButtonFace);
    line->hide();
  }

  ProgressBar1 = new QProgressBar(client);
  ProgressBar1->setGeometry(8, 204, frameWidth, 20);
  ProgressBar1->setTextVisible(false);
  SetBarSmooth(ProgressBar1, false);

  FinishFrame(StatusBar1);
  Button1->setFocus();
}

void TForm1::Button1Click() { StartUpdate(ProgressBar1, StatusBar1); }

void TForm1::Button2Click() {
  Button2->hide();
  AbortRequested = true;
}

void TForm1::S1Click() {
  HideAtOnce(Label2);
  HideAtOnce(Label3);
  if (Form3 != nullptr) ShowModeless(Form3);
}

void TForm1::Label1DblClick() {
  if (Form4 == nullptr) return;
  Form4->setWindowTitle(UiText(VersionDialogCaption(NarrowText(Label1->text())).c_str()));
  ShowModeless(Form4);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label1 && event->type() == QEvent::MouseButtonDblClick) {
    Label1DblClick();
    return true;
  }
  return TMainForm::eventFilter(watched, event);
}
