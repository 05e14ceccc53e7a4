#include "support/ui_devsim.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include "startup/settings.h"
#include "ui/loader_window.h"
#include "ui/status_bar.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"

const char* KindName(WindowKind kind) {
  switch (kind) {
    case WindowKind::Upgrade: return "Upgrade";
    case WindowKind::Updater: return "Updater";
    case WindowKind::Loader: return "Loader";
  }
  return "";
}

QString MainWindowUnderTest::message() const {
  switch (kind) {
    case WindowKind::Upgrade: return static_cast<TForm5*>(window)->StatusBar1->panelText(1);
    case WindowKind::Updater: return static_cast<TForm1*>(window)->Label2->text();
    case WindowKind::Loader: return static_cast<TForm6*>(window)->Label1->text();
  }
  return {};
}

bool MainWindowUnderTest::startOffered() const {
  return kind == WindowKind::Loader ? start->isEnabled() : !start->isHidden();
}

MainWindowUnderTest UiDevsimTest::open(WindowKind kind) {
  MainWindowUnderTest w{kind, nullptr, nullptr, nullptr, nullptr, 0};
  switch (kind) {
    case WindowKind::Upgrade: {
      auto* f = Make<TForm5>();
      w = {kind, f, f->Button1, f->Button2, f->ProgressBar1, UpgradeSettings};
      break;
    }
    case WindowKind::Updater: {
      auto* f = Make<TForm1>();
      w = {kind, f, f->Button1, f->Button2, f->ProgressBar1, UpdaterSettings};
      break;
    }
    case WindowKind::Loader: {
      auto* f = Make<TForm6>();
      w = {kind, f, f->Button1, f->Button2, f->ProgressBar1, LoaderSettings};
      break;
    }
  }
  w.window->show();
  return w;
}

void UiDevsimTest::TearDown() {
  UiTest::TearDown();  // the windows go and the ports close before their devices stop
  devices_.clear();
}

DevsimProcess& UiDevsimTest::startDevice(std::vector<std::string> args, const std::string& port) {
  const std::string output = tempPath("devsim-" + port);
  QDir().mkpath(QString::fromStdString(output));
  auto device = std::make_unique<DevsimProcess>();
  DevsimOptions options;
  options.portsDir = portsDir();
  options.port = port;
  options.outputDir = output;
  options.args = std::move(args);
  std::string error;
  EXPECT_TRUE(device->start(options, &error)) << error;
  devices_.push_back(std::move(device));
  return *devices_.back();
}

void UiDevsimTest::linkNowhere(const std::string& port) {
  const std::string link = portsDir() + "/" + port;
  QFile::remove(QString::fromStdString(link));
  EXPECT_TRUE(QFile::link(QString::fromStdString(tempPath("no-such-device")),
                          QString::fromStdString(link)));
}

OnceWhen::OnceWhen(std::function<bool()> condition, std::function<void()> action)
    : condition_(std::move(condition)), action_(std::move(action)) {
  timer_.setInterval(1);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] {
    if (fired_ || !condition_()) return;
    fired_ = true;
    timer_.stop();
    action_();
  });
  timer_.start();
}

std::string FrameNumber(int k) {
  return "\"device\":1,\"frame\":" + std::to_string(k) + ",\"kind\"";
}
