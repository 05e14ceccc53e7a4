#include "startup/program.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <optional>
#include <string>

#include "engine/engine.h"
#include "platform/instance_lock.h"
#include "remote/udp_listener.h"
#include "serial/port_discovery.h"
#include "startup/identity.h"
#include "startup/stop_signals.h"
#include "ui/SerialSetup.h"
#include "ui/engine_session.h"
#include "ui/form_kit.h"
#include "ui/forms.h"
#include "ui/loader_window.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"
#include "ui/version_dialog.h"
#include "ui/window_view.h"

namespace {

std::optional<QString> StartupFailure;

void ShowError(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void ShowAlreadyRunning() {
  SetApplicationTitle("");
  QMessageBox box(QMessageBox::NoIcon, UiText(UpdaterTitle().c_str()),
                  QStringLiteral("Already in progress"), QMessageBox::Ok);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
}

// Creates the windows in their order (main window, Updater, port dialog, version dialog)
// and runs the message loop until the main window closes.
void RunWindows() {
  QWidget* main = nullptr;
  switch (ChooseVariant(ProductIdentity())) {
    case Variant::Upgrade: main = Form5 = new TForm5; break;
    case Variant::Loader: main = Form6 = new TForm6; break;
    case Variant::Updater: break;
  }
  Form1 = new TForm1;
  if (main == nullptr) main = Form1;
  Form3 = new TForm3;
  Form4 = new TForm4;
  if (StartupFailure) {
    ShowError(*StartupFailure, UiText(ApplicationTitle().c_str()));
    return;
  }
  main->show();
  CloseOnStopSignals(main);
  QApplication::exec();
  ResetStopSignals();
}

}  // namespace

void FailStartup(const QString& message) {
  if (!StartupFailure) StartupFailure = message;
}

void ResetProgramState() {
  ResetEngineState();
  ResetListener();
  ResetPortDiscovery();
  ResetEngineSession();
  ResetForms();
  ResetStopSignals();
  StartupFailure.reset();
  InstallWindowView();
}

int RunProgram(int argc, char** argv) {
  const int lock = AcquireInstanceLock("TARVIK.MUTEX");
  QApplication app(argc, argv);
  InstallWindowView();
  if (lock == InstanceLockTaken) {
    ShowAlreadyRunning();
    return 0;
  }
  try {
    RunWindows();
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()), UiText(ApplicationTitle().c_str()));
  } catch (...) {
    ShowError(QString(), UiText(ApplicationTitle().c_str()));
  }
  ReleaseInstanceLock();
  return 0;
}
