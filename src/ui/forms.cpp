#include "ui/forms.h"

#include <QCoreApplication>

#include "ui/form_kit.h"

TForm1* Form1 = nullptr;
TForm3* Form3 = nullptr;
TForm4* Form4 = nullptr;
TForm5* Form5 = nullptr;
TForm6* Form6 = nullptr;

namespace {
std::string applicationTitle;
}

EngineWindow RunningWindowOfForms() {
  if (Form6 != nullptr) return EngineWindow::Loader;
  if (Form5 != nullptr) return EngineWindow::Upgrade;
  if (Form1 != nullptr) return EngineWindow::Updater;
  return EngineWindow::None;
}

// Only the application name: a display name would be appended by the X11 platform to
// every window caption that does not already end with it.
void SetApplicationTitle(const char* text) {
  applicationTitle = text != nullptr ? text : "";
  QCoreApplication::setApplicationName(UiText(applicationTitle.c_str()));
}

const std::string& ApplicationTitle() { return applicationTitle; }

void ResetForms() {
  Form1 = nullptr;
  Form3 = nullptr;
  Form4 = nullptr;
  Form5 = nullptr;
  Form6 = nullptr;
  applicationTitle.clear();
}
