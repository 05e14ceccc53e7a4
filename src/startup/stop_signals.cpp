#include "startup/stop_signals.h"

#include <cerrno>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

namespace {

constexpr int StopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write to a descriptor; the message loop reads the other end.
int signalPipe[2] = {-1, -1};
QSocketNotifier* notifier = nullptr;
QPointer<QWidget> windowToClose;

void OnSignal(int sig) {
  const int saved = errno;
  const char byte = static_cast<char>(sig);
  [[maybe_unused]] const ssize_t n = write(signalPipe[0], &byte, 1);
  errno = saved;
}

// Closing a dialog ends its own loop; the main window's close then stops a run and closes
// once the run has ended.
void CloseEverything() {
  char bytes[16];
  while (read(signalPipe[1], bytes, sizeof bytes) > 0) {
  }
  for (int i = 0; i < 8; ++i) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == windowToClose) break;
    modal->close();
  }
  if (windowToClose) windowToClose->close();
}

}  // namespace

void CloseOnStopSignals(QWidget* mainWindow) {
  ResetStopSignals();
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
    signalPipe[0] = signalPipe[1] = -1;
    return;  // the signals keep their default actions
  }
  windowToClose = mainWindow;
  notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, [] { CloseEverything(); });
  struct sigaction action{};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;  // a second signal takes its default action
  for (int sig : StopSignals) sigaction(sig, &action, nullptr);
}

void ResetStopSignals() {
  for (int sig : StopSignals) signal(sig, SIG_DFL);
  delete notifier;
  notifier = nullptr;
  windowToClose = nullptr;
  for (int& fd : signalPipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}
