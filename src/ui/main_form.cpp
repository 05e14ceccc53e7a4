#include "ui/main_form.h"

#include <QCloseEvent>
#include <QLayout>

#include "engine/engine.h"
#include "protocol/decoder.h"
#include "startup/settings.h"
#include "ui/engine_session.h"
#include "ui/form_kit.h"
#include "ui/status_bar.h"
#include "ui/window_view.h"

TMainForm::TMainForm(uint8_t settingsRoot, QWidget* parent)
    : QMainWindow(parent), settingsRoot_(settingsRoot) {
  setFont(UiFont(12));
}

TMainForm::~TMainForm() {
  // A window that goes while the engine runs for it: the engine stops at its next wait.
  if (mainWindow_ && EngineBusy()) AbortRequested = true;
}

QWidget* TMainForm::CreateFrame(const QString& caption, int clientWidth, int clientHeight,
                                const TStatusBar* shownStatusBar) {
  setWindowFlags(FixedMainWindowFlags());
  setWindowTitle(caption);
  if (shownStatusBar != nullptr)
    clientWidth = qMax(clientWidth, shownStatusBar->sizeHint().width());
  auto* client = new QWidget(this);
  client->setFixedSize(clientWidth, clientHeight);
  setCentralWidget(client);
  return client;
}

void TMainForm::FinishFrame(TStatusBar* statusBar) {
  setStatusBar(statusBar);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TMainForm::StartUpdate(QProgressBar* bar, TStatusBar* statusBar, QProgressBar* imageBar) {
  const EngineSession session;
  if (!session) return;  // a stop or a result showed the start button while the engine runs
  PrepareUpdate();
  UpdateDevices(HandleOf(bar), HandleOf(statusBar), HandleOf(imageBar));
}

void TMainForm::FormClose() {
  if (!mainWindow_ || remembered_) return;
  remembered_ = true;
  CloseAndRememberPort(settingsRoot_);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (mainWindow_ && CloseWhenIdle(this)) {
    event->ignore();
    return;
  }
  FormClose();
  QMainWindow::closeEvent(event);
}
