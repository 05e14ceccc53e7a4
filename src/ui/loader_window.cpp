#include "ui/loader_window.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>

#include "engine/engine.h"
#include "protocol/decoder.h"
#include "startup/identity.h"
#include "startup/settings.h"
#include "ui/SerialSetup.h"
#include "ui/colours.h"
#include "ui/engine_session.h"
#include "ui/form_kit.h"
#include "ui/forms.h"
#include "ui/progress.h"
#include "ui/status_bar.h"

namespace {
constexpr int ClientWidth = 660;
constexpr int ClientHeight = 298;
constexpr int FieldFont = 22;
constexpr int MessageCellHeight = 25;
// The port dialog keeps this far right of the buttons, so that it covers neither.
constexpr int DialogGap = 8;
}  // namespace

TForm6::TForm6(QWidget* parent) : TMainForm(LoaderSettings, parent) {
  Form6 = this;
  CreateControls();
  SetUpEngine(EngineWindow::Loader);

  setWindowTitle(UiText(LoaderTitle().c_str()));
  SetApplicationTitle(DisplayIdentity());
  clearLabel();
  Label5->setText(UiText(DisplayIdentity()));
  if (!LoadRememberedPortLoader()) Label1->setText(QString::fromLatin1(PortNotValidText));
  if (NVariant) {
    Image1->hide();
    setWindowTitle(windowTitle() + QStringLiteral("   -(N)-"));
  } else {
    Image1->show();
  }
}

TForm6::~TForm6() {
  if (Form6 == this) Form6 = nullptr;
  RunningWindow = RunningWindowOfForms();
}

void TForm6::CreateControls() {
  QWidget* client = CreateFrame(QStringLiteral("Loader"), ClientWidth, ClientHeight);
  MainMenu1 = menuBar();
  ChangePort1 = MainMenu1->addAction(QStringLiteral("&Change Port"));
  connect(ChangePort1, &QAction::triggered, this, &TForm6::ChangePort1Click);

  Button1 = MakeButton(client, QStringLiteral("Update FW"), QRect(8, 8, 150, 44));
  Button2 = MakeButton(client, QStringLiteral("Abort"), QRect(8, 60, 150, 44));
  for (QPushButton* button : {Button1, Button2}) {
    button->setFont(UiFont(16, true));
    PressedByEnter(button);
  }
  Button2->setEnabled(false);
  connect(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm6::Button2Click);

  const QRect logoPlace(8 + (150 - 72) / 2, 116, 72, 52);
  Image1 = MakeLabel(client, QString(), logoPlace, Qt::AlignCenter);
  Image1->setPixmap(LogoPixmap(Logo::Chip, logoPlace.size()));

  Bevel1 = MakeBevel(client, QRect(168, 8, ClientWidth - 176, 160));
  const int valueLeft = 276;
  const int valueWidth = ClientWidth - 8 - 10 - valueLeft;
  QLabel** rows[3][2] = {{&Label2, &Label5}, {&Label3, &Label6}, {&Label4, &Label7}};
  const char* captions[3] = {"FW :", "HW :", "BS :"};
  for (int i = 0; i < 3; ++i) {
    const int top = 20 + 48 * i;
    *rows[i][0] = MakeLabel(client, QString::fromLatin1(captions[i]), QRect(178, top, 90, 36),
                            Qt::AlignRight | Qt::AlignVCenter);
    *rows[i][1] = MakeLabel(client, QStringLiteral("-"), QRect(valueLeft, top, valueWidth, 36),
                            Qt::AlignCenter);
    SetLabelFont(*rows[i][0], FieldFont, false);
    SetLabelFont(*rows[i][1], FieldFont, i == 0);
  }

  // Two lines of the large type fit, so a long message wraps instead of being cut.
  Label1 = MakeLabel(client, QString(), QRect(8, 176, ClientWidth - 16, 84));
  Label1->setWordWrap(true);
  SetLabelCellHeight(Label1, MessageCellHeight, false, true);

  ProgressBar1 = new QProgressBar(client);
  ProgressBar1->setGeometry(8, 268, ClientWidth - 16, 22);
  ProgressBar1->setTextVisible(false);
  SetBarSmooth(ProgressBar1, true);

  StatusBar1 = new TStatusBar({50, 220, 100, 140, 20}, this);
  FinishFrame(StatusBar1);
  StatusBar1->hide();
  Button1->setFocus();
}

void TForm6::clearLabel() {
  ProgressBar1->setValue(0);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  SetTextColour(Label1, ColourBlack, ColourButtonFace);
  SetLabelCellHeight(Label1, MessageCellHeight, false, true);
  Label1->setText(QStringLiteral("Push 'Update FW' button and connect a device"));
  Label6->setText(QString());
  Label7->setText(QString());
}

void TForm6::Button1Click() { StartUpdate(ProgressBar1, StatusBar1); }

void TForm6::Button2Click() {
  SetIdle();
  AbortRequested = true;
  SetBarState(ProgressBar1, BarState::Error);
}

void TForm6::ChangePort1Click() {
  if (Form3 != nullptr) {
    Form3->UseToolWindowBorder();
    Form3->move(PortDialogPlace());
    ShowModeless(Form3);
  }
  // While a search or run is on, the message line, the fields and the bar are the run's.
  if (!EngineBusy()) clearLabel();
}

QPoint TForm6::PortDialogPlace() const {
  const int buttonsRight = Button1->mapToGlobal(QPoint(Button1->width(), 0)).x();
  return {buttonsRight + DialogGap, pos().y()};
}
