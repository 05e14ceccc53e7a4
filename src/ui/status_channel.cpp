#include "ui/status_channel.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "ui/colours.h"
#include "ui/form_kit.h"
#include "ui/loader_window.h"
#include "ui/status_bar.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"
#include "ui/window_order.h"

int32_t StatusPanels[4] = {0, 1, 2, 3};

namespace {

// The Loader's message line: large bold for results and coloured messages, smaller plain
// for neutral ones.
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
  SetTextColour(form->Label2, textColour);
}

}  // namespace

void ShowResult(const char* text, uint32_t colour) {
  switch (RunningWindow()) {
    case EngineWindow::Loader: {
      TForm6* form = Form6;
      form->Button1->setEnabled(true);
      form->Button2->setEnabled(false);
      SetLabelFont(form->Label1, LoaderLargeHeight, true);
      form->Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
      SetTextColour(form->Label1, colour);
      form->Label1->setText(UiText(text));
      form->Label1->repaint();
      break;
    }
    case EngineWindow::Upgrade:
      ShowStartButton(Form5->Button1, Form5->Button2);
      WriteMessagePanel(Form5->StatusBar1, text);
      break;
    case EngineWindow::Updater:
      WriteUpdaterLine(Form1, text, colour, ColourWhite);
      ShowStartButton(Form1->Button1, Form1->Button2);
      break;
    case EngineWindow::None: break;
  }
}

void ShowProgress(const char* text, uint32_t colour) {
  switch (RunningWindow()) {
    case EngineWindow::Loader: {
      TForm6* form = Form6;
      const uint32_t c = colour == ColourButtonFace ? ColourBlack : colour;
      SetTextColour(form->Label1, c);
      if (c == ColourBlack)
        SetLabelFont(form->Label1, LoaderPlainHeight, false);
      else
        SetLabelFont(form->Label1, LoaderLargeHeight, true);
      form->Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      form->Label1->setText(UiText(text));
      break;
    }
    case EngineWindow::Upgrade: WriteMessagePanel(Form5->StatusBar1, text); break;
    case EngineWindow::Updater: WriteUpdaterLine(Form1, text, colour, ColourBlack); break;
    case EngineWindow::None: break;
  }
}

void SetPlainMark(uint8_t plain) {
  const uint32_t colour = plain != 0 ? ColourSilver : ColourButtonFace;
  switch (RunningWindow()) {
    case EngineWindow::Upgrade: SetBackgroundColour(Form5->Panel1, colour); break;
    case EngineWindow::Updater: SetBackgroundColour(Form1->Label1, colour); break;
    case EngineWindow::Loader:
    case EngineWindow::None: break;
  }
}

void SetBusy() {
  switch (RunningWindow()) {
    case EngineWindow::Loader:
      Form6->Button1->setEnabled(false);
      Form6->Button2->setEnabled(true);
      break;
    case EngineWindow::Upgrade:
      Form5->StatusBar1->setPanelText(StatusPanels[DevicePanel], QStringLiteral(" "));
      ShowStopButton(Form5->Button1, Form5->Button2);
      break;
    case EngineWindow::Updater: ShowStopButton(Form1->Button1, Form1->Button2); break;
    case EngineWindow::None: break;
  }
}

void SetIdle() {
  switch (RunningWindow()) {
    case EngineWindow::Loader:
      Form6->Button1->setEnabled(true);
      Form6->Button2->setEnabled(false);
      Form6->Button1->setFocus();
      break;
    case EngineWindow::Upgrade: ShowStartButton(Form5->Button1, Form5->Button2); break;
    case EngineWindow::Updater: ShowStartButton(Form1->Button1, Form1->Button2); break;
    case EngineWindow::None: break;
  }
}

void SetStatusText(TStatusBar* statusBar, StatusPanelEntry entry, const char* text) {
  if (statusBar == nullptr) return;
  statusBar->setPanelText(StatusPanels[entry], UiText(text));
}
