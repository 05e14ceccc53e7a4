#include "support/ui_fixture.h"

#include <QDir>
#include <QFontMetrics>
#include <QSettings>
#include <cstdlib>

#include "startup/program.h"
#include "startup/settings.h"

testing::AssertionResult HasCellHeight(const QFont& font, int cellHeight) {
  QFont larger = font;
  larger.setPixelSize(font.pixelSize() + 1);
  const int cell = QFontMetrics(font).height();
  const int largerCell = QFontMetrics(larger).height();
  if (cell <= cellHeight && largerCell > cellHeight) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "pixel size " << font.pixelSize() << " has cell " << cell
                                     << ", pixel size " << larger.pixelSize() << " has cell "
                                     << largerCell << "; wanted " << cellHeight;
}

bool CoversOnScreen(const QWidget* window, const QWidget* control) {
  const QRect onScreen(control->mapToGlobal(QPoint(0, 0)), control->size());
  return window->frameGeometry().intersects(onScreen);
}

namespace {

std::vector<PortCandidate> fakePorts;

bool FakeEnumeration(std::vector<PortCandidate>* out) {
  *out = fakePorts;
  return true;
}

void ResetSharedState() {
  ResetProgramState();  // closes every port
  fakePorts.clear();
  InstallPortEnumeration(FakeEnumeration);
}

}  // namespace

void UiTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  const QByteArray config = QFile::encodeName(dir_.path());
  const QByteArray ports = QFile::encodeName(dir_.filePath("ports"));
  QDir().mkpath(dir_.filePath("ports"));
  setenv("XDG_CONFIG_HOME", config.constData(), 1);
  setenv("TARVIK_PORTS_DIR", ports.constData(), 1);
  // QSettings reads XDG_CONFIG_HOME once per process; tell it of every test's folder.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
  ResetSharedState();
}

void UiTest::TearDown() {
  while (!windows_.empty()) windows_.pop_back();
  ResetSharedState();
  InstallPortEnumeration(nullptr);
}

void UiTest::Remember(uint8_t root, const char* value) { WriteSetting("com", value, root); }

std::string UiTest::Remembered(uint8_t root) { return ReadSetting("com", root); }

std::string UiTest::tempPath(const std::string& name) const {
  return QFile::encodeName(dir_.filePath(QString::fromStdString(name))).toStdString();
}

void UiTest::UsePorts(std::vector<PortCandidate> ports) { fakePorts = std::move(ports); }
