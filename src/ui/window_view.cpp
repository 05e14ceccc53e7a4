#include "ui/window_view.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <cstdio>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/version_listing.h"
#include "platform/waiting.h"
#include "protocol/decoder.h"
#include "ui/colours.h"
#include "ui/form_kit.h"
#include "ui/forms.h"
#include "ui/loader_window.h"
#include "ui/progress.h"
#include "ui/status_bar.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"

namespace {

// The widgets the engine has handles for: handle n is entry n - 1. Entries are never
// reused, so a handle kept past its widget's life never reaches another widget.
std::vector<QPointer<QObject>> handleTable;

int32_t HandleIndex(QObject* object) {
  if (object == nullptr) return 0;
  for (size_t i = 0; i < handleTable.size(); ++i)
    if (handleTable[i] == object) return static_cast<int32_t>(i + 1);
  handleTable.emplace_back(object);
  return static_cast<int32_t>(handleTable.size());
}

QObject* ObjectOf(int32_t handle) {
  if (handle <= 0 || static_cast<size_t>(handle) > handleTable.size()) return nullptr;
  return handleTable[static_cast<size_t>(handle) - 1];
}

// The main windows, as long as they exist.
TForm6* Loader() { return RunningWindow == EngineWindow::Loader ? Form6 : nullptr; }
TForm5* Upgrade() { return RunningWindow == EngineWindow::Upgrade ? Form5 : nullptr; }
TForm1* Updater() { return RunningWindow == EngineWindow::Updater ? Form1 : nullptr; }

// The Loader's message line: large bold for results and coloured messages, smaller plain
// for neutral ones. Cell heights in pixels; the line shows on the window's button face.
constexpr int LoaderLargeHeight = 32;
constexpr int LoaderPlainHeight = 25;

void WriteMessagePanel(TStatusBar* statusBar, const char* text) {
  statusBar->setPanelText(StatusPanels[MessagePanel], UiText(text));
}

// Swaps the stop button for the start button and gives it the focus. The start button is
// shown before it takes the focus: a hidden control cannot hold it.
void ShowStartButton(QPushButton* start, QPushButton* stop) {
  stop->hide();
  start->show();
  start->setFocus();
}

void ShowStopButton(QPushButton* start, QPushButton* stop) {
  stop->show();
  start->hide();
}

// The Updater's result and progress line.
void WriteUpdaterLine(TForm1* form, const char* text, uint32_t background, uint32_t textColour) {
  form->Label2->setText(UiText(text));
  form->Label2->show();
  SetBackgroundColour(form->Label2, background);
  SetTextColour(form->Label2, textColour, background);
}

void ViewShowResult(const char* text, uint32_t colour) {
  if (TForm6* form = Loader()) {
    form->Button1->setEnabled(true);
    form->Button2->setEnabled(false);
    SetLabelCellHeight(form->Label1, LoaderLargeHeight, true);
    form->Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    SetTextColour(form->Label1, colour, ColourButtonFace);
    form->Label1->setText(UiText(text));
    form->Label1->repaint();
  } else if (TForm5* form = Upgrade()) {
    ShowStartButton(form->Button1, form->Button2);
    WriteMessagePanel(form->StatusBar1, text);
  } else if (TForm1* form = Updater()) {
    WriteUpdaterLine(form, text, colour, ColourWhite);
    ShowStartButton(form->Button1, form->Button2);
  }
}

void ViewShowProgress(const char* text, uint32_t colour) {
  if (TForm6* form = Loader()) {
    const uint32_t c = colour == ColourButtonFace ? ColourBlack : colour;
    SetTextColour(form->Label1, c, ColourButtonFace);
    if (c == ColourBlack)
      SetLabelCellHeight(form->Label1, LoaderPlainHeight, false);
    else
      SetLabelCellHeight(form->Label1, LoaderLargeHeight, true);
    form->Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->Label1->setText(UiText(text));
  } else if (TForm5* form = Upgrade()) {
    WriteMessagePanel(form->StatusBar1, text);
  } else if (TForm1* form = Updater()) {
    WriteUpdaterLine(form, text, colour, ColourBlack);
  }
}

void ViewSetPlainMark(uint8_t plain) {
  const uint32_t colour = plain != 0 ? ColourSilver : ColourButtonFace;
  if (TForm5* form = Upgrade()) {
    SetBackgroundColour(form->Panel1, colour);
  } else if (TForm1* form = Updater()) {
    SetBackgroundColour(form->Label1, colour);
    SetTextColour(form->Label1, ColourBlack, colour);
  }
}

void ViewSetBusy() {
  if (TForm6* form = Loader()) {
    // "Abort" first: "Update FW" may hold the focus, which then moves on to "Abort".
    form->Button2->setEnabled(true);
    form->Button1->setEnabled(false);
  } else if (TForm5* form = Upgrade()) {
    form->StatusBar1->setPanelText(StatusPanels[DevicePanel], QStringLiteral(" "));
    ShowStopButton(form->Button1, form->Button2);
  } else if (TForm1* form = Updater()) {
    ShowStopButton(form->Button1, form->Button2);
  }
}

void ViewSetIdle() {
  if (TForm6* form = Loader()) {
    form->Button1->setEnabled(true);
    form->Button2->setEnabled(false);
    form->Button1->setFocus();
  } else if (TForm5* form = Upgrade()) {
    ShowStartButton(form->Button1, form->Button2);
  } else if (TForm1* form = Updater()) {
    ShowStartButton(form->Button1, form->Button2);
  }
}

void ViewSetStatusText(StatusBarHandle statusBar, StatusPanelEntry entry, const char* text) {
  if (TStatusBar* bar = StatusBarOf(statusBar))
    bar->setPanelText(StatusPanels[entry], UiText(text));
}

// A neutral line of the Updater's device frame, shown and painted at once.
void ShowNeutralLine(QLabel* label, const char* text) {
  label->setText(UiText(text));
  label->show();
  SetBackgroundColour(label, ColourButtonFace);
  SetTextColour(label, ColourBlack, ColourButtonFace);
  label->repaint();
}

void ShowDeviceInLoader(TForm6* form) {
  if (!VRecordSeen) return;
  char text[64];
  std::snprintf(text, sizeof text, "%s - 0x%02x", BoardName(CurrentImage.print),
                DeviceInfo.preparation);
  form->Label6->setText(UiText(text));
  std::snprintf(text, sizeof text, "0x%02x", DeviceInfo.bootVersion);
  form->Label7->setText(UiText(text));
}

void ShowDeviceInUpdater(TForm1* form) {
  char line[64];
  if (VRecordSeen)
    std::snprintf(line, sizeof line, "BIOS:%02x - %s - Preparation%02x", DeviceInfo.bootVersion,
                  BoardName(DeviceInfo.boardId), DeviceInfo.preparation);
  else
    std::snprintf(line, sizeof line, "BIOS:%02x - %s - Preparation%02x", DeviceInfo.bootVersion,
                  BoardName(CurrentImage.print), CurrentImage.preparation);
  ShowNeutralLine(form->Label3, line);

  // An erased R-record text (first byte 0xFF) shows empty.
  if (ExpectsRRecord(DeviceInfo.bootVersion)) {
    if (static_cast<uint8_t>(RRecord.text[0]) == 0xFF) RRecord.text[0] = '\0';
    ShowNeutralLine(form->Label4, RRecord.text);
  } else {
    form->Label4->hide();
  }
}

void ViewShowDeviceInfo() {
  if (TForm6* form = Loader())
    ShowDeviceInLoader(form);
  else if (TForm1* form = Updater())
    ShowDeviceInUpdater(form);
}

void ViewShowPortStatus(StatusBarHandle statusBar, const char* text) {
  ViewSetStatusText(statusBar, PortPanel, text);
}

int ViewErrorBox(const char* text, const char* caption, int flags) {
  QMessageBox box(QMessageBox::NoIcon, UiText(caption), UiText(text), QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  return box.exec();
}

void ViewSetBarPosition(BarHandle bar, int position) {
  if (QProgressBar* b = BarOf(bar)) b->setValue(position);
}

void ViewSetBarMaximum(BarHandle bar, int maximum) {
  if (QProgressBar* b = BarOf(bar)) b->setMaximum(maximum);
}

void ViewSetBarSmooth(BarHandle bar, bool smooth) {
  if (QProgressBar* b = BarOf(bar)) SetBarSmooth(b, smooth);
}

void ViewSetBarState(BarHandle bar, BarState state) {
  if (QProgressBar* b = BarOf(bar)) SetBarState(b, state);
}

// The Updater window exists in every variant; these reach it whichever window runs.
void ViewSetUpdaterStatusText(StatusPanelEntry entry, const char* text) {
  if (Form1 == nullptr) return;
  Form1->StatusBar1->setPanelText(StatusPanels[entry], UiText(text));
  Form1->StatusBar1->repaint();
}

void ViewHideUpdaterResult() {
  if (Form1 != nullptr) Form1->Label2->hide();
}

void ProcessWindowMessages() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

const EngineView windowView = {
    ViewShowResult,     ViewShowProgress,   ViewSetPlainMark,  ViewSetBusy,
    ViewSetIdle,        ViewSetStatusText,  ViewShowDeviceInfo, ViewShowPortStatus,
    ViewErrorBox,       ViewSetBarPosition, ViewSetBarMaximum, ViewSetBarSmooth,
    ViewSetBarState,    ViewSetUpdaterStatusText, ViewHideUpdaterResult,
    nullptr,  // the steps: the windows show the texts and the bar only
};

}  // namespace

BarHandle HandleOf(QProgressBar* bar) { return BarHandle{HandleIndex(bar)}; }
StatusBarHandle HandleOf(TStatusBar* statusBar) { return StatusBarHandle{HandleIndex(statusBar)}; }

QProgressBar* BarOf(BarHandle handle) {
  return qobject_cast<QProgressBar*>(ObjectOf(static_cast<int32_t>(handle)));
}

TStatusBar* StatusBarOf(StatusBarHandle handle) {
  return qobject_cast<TStatusBar*>(ObjectOf(static_cast<int32_t>(handle)));
}

void InstallWindowView() {
  InstallEngineView(&windowView);
  InstallMessagePump(ProcessWindowMessages);
}
