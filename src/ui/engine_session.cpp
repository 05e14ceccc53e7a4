#include "ui/engine_session.h"

#include <QPointer>
#include <QWidget>
#include <optional>

#include "protocol/decoder.h"
#include "serial/channel.h"

namespace {

bool busy = false;
std::optional<int16_t> deferredPort;
QPointer<QWidget> windowToClose;  // null again if the window goes away meanwhile

void MakeCurrent(int16_t port) {
  if (port == CurrentPort) return;
  CurrentPort = port;
  ApplyPort();
}

}  // namespace

EngineSession::EngineSession() : held_(!busy) {
  if (!held_) return;
  busy = true;
  AbortRequested = false;
}

EngineSession::~EngineSession() {
  if (!held_) return;
  // Still busy while the port is reopened: its error box processes messages, and a start
  // or another OK arriving then must not slip in. An OK made meanwhile is taken as well.
  while (deferredPort) {
    const int16_t port = *deferredPort;
    deferredPort.reset();
    MakeCurrent(port);
  }
  busy = false;
  if (QWidget* window = windowToClose) {
    windowToClose = nullptr;
    window->close();
  }
}

bool EngineBusy() { return busy; }

void ChoosePort(int16_t port) {
  if (busy)
    deferredPort = port;
  else
    MakeCurrent(port);
}

int16_t ChosenPort() { return deferredPort.value_or(CurrentPort); }

bool CloseWhenIdle(QWidget* window) {
  if (!busy) return false;
  AbortRequested = true;
  windowToClose = window;
  return true;
}

void ResetEngineSession() {
  busy = false;
  deferredPort.reset();
  windowToClose = nullptr;
}
