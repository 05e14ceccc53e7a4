#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "serial/channel.h"
#include "startup/settings.h"

namespace {

// Points the user-scope settings at a fresh folder for each test.
class SettingsStore : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
  }
  QString file(const char* relative) const { return dir_.filePath(relative); }
  void writeFile(const char* relative, const QByteArray& content) const {
    QDir(dir_.path()).mkpath(QFileInfo(file(relative)).path());
    QFile f(file(relative));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
  }
  QTemporaryDir dir_;
};

TEST(SettingNumber, ReadsBlanksSignAndDigitsUpToTheFirstOther) {
  const struct {
    const char* text;
    int16_t low16;
  } cases[] = {
      {"0", 0},        {"4", 4},         {" 7x", 7},     {"-2", -2},       {"-1", -1},
      {"", 0},         {"abc", 0},       {"+5", 5},      {"  -0012", -12}, {"12 3", 12},
      {"x12", 0},      {"65536", 0},     {"70000", 4464}, {"32768", -32768},
      {"99999999999", static_cast<int16_t>(99999999999LL & 0xFFFF)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(static_cast<int16_t>(SettingNumber(c.text)), c.low16) << '"' << c.text << '"';
}

TEST_F(SettingsStore, EachRootHasItsOwnFile) {
  WriteSetting("com", "3", UpdaterSettings);
  WriteSetting("com", "5", UpgradeSettings);
  WriteSetting("com", "7", LoaderSettings);
  EXPECT_TRUE(QFile::exists(file("Korvex/Tarvik.conf")));
  EXPECT_TRUE(QFile::exists(file("Ostrana/Upgrade.conf")));
  EXPECT_TRUE(QFile::exists(file("Venkor/Loader.conf")));
  EXPECT_EQ(ReadSetting("com", UpdaterSettings), "3");
  EXPECT_EQ(ReadSetting("com", UpgradeSettings), "5");
  EXPECT_EQ(ReadSetting("com", LoaderSettings), "7");
  EXPECT_EQ(ReadSetting("com", 9), "3");  // any other root is the Updater's
  EXPECT_EQ(ReadSetting("other", UpgradeSettings), "");
}

TEST_F(SettingsStore, OnlyTheWindowsOwnFileIsRead) {
  // Files QSettings would fall back to: the organisation's own, and the system-wide ones.
  QTemporaryDir system;
  ASSERT_TRUE(system.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, system.path());
  writeFile("Ostrana.conf", "[General]\ncom=7\n");
  QDir().mkpath(system.filePath("Ostrana"));
  for (const char* name : {"Ostrana.conf", "Ostrana/Upgrade.conf"}) {
    QFile f(system.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[General]\ncom=8\n");
  }
  EXPECT_EQ(ReadSetting("com", UpgradeSettings), "");
  WriteSetting("com", "3", UpgradeSettings);
  EXPECT_EQ(ReadSetting("com", UpgradeSettings), "3");
  QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                     QLibraryInfo::path(QLibraryInfo::SettingsPath));
}

TEST_F(SettingsStore, AValueThatIsNotAPlainStringReadsAsEmptyAndIsRewritten) {
  const QByteArray bad[] = {
      "[General]\ncom=1, 2\n",          // a list
      "[General]\ncom=@ByteArray(4)\n", // a byte array
      "[General]\ncom=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n",  // a number
      "[General\ncom=4\n",            // a file that cannot be parsed
  };
  for (const QByteArray& content : bad) {
    writeFile("Ostrana/Upgrade.conf", content);
    LoadRememberedPort(UpgradeSettings);  // as a window does at creation
    EXPECT_EQ(CurrentPort, 0) << content.constData();
    EXPECT_EQ(OpenedPort, -1) << content.constData();
    WriteSetting("com", "6", UpgradeSettings);
    EXPECT_EQ(ReadSetting("com", UpgradeSettings), "6") << content.constData();
  }
}

TEST_F(SettingsStore, RememberedPortAtWindowCreation) {
  const struct {
    const char* stored;  // nullptr: never written
    uint8_t root;
    int16_t current, opened;
    bool loaderValid;
  } cases[] = {
      {nullptr, UpgradeSettings, 0, -1, false}, {"4", UpgradeSettings, 4, 3, false},
      {" 7x", UpdaterSettings, 7, 6, false},    {nullptr, LoaderSettings, 0, -1, false},
      {"4", LoaderSettings, 4, 5, true},        {"-2", LoaderSettings, -2, -1, false},
      {"-1", LoaderSettings, -1, 0, true},      {"32767", LoaderSettings, 32767, -32768, false},
  };
  for (const auto& c : cases) {
    QFile::remove(file("Ostrana/Upgrade.conf"));
    QFile::remove(file("Korvex/Tarvik.conf"));
    QFile::remove(file("Venkor/Loader.conf"));
    if (c.stored != nullptr) WriteSetting("com", c.stored, c.root);
    if (c.root == LoaderSettings) {
      EXPECT_EQ(LoadRememberedPortLoader(), c.loaderValid) << (c.stored ? c.stored : "-");
    } else {
      LoadRememberedPort(c.root);
    }
    EXPECT_EQ(CurrentPort, c.current) << (c.stored ? c.stored : "-");
    EXPECT_EQ(OpenedPort, c.opened) << (c.stored ? c.stored : "-");
  }
}

TEST_F(SettingsStore, ClosingWritesTheCurrentPortWhateverHappened) {
  CurrentPort = 12;
  OpenedPort = 3;
  CloseAndRememberPort(UpgradeSettings);
  EXPECT_EQ(ReadSetting("com", UpgradeSettings), "12");
  CurrentPort = -1;
  CloseAndRememberPort(LoaderSettings);
  EXPECT_EQ(ReadSetting("com", LoaderSettings), "-1");
  EXPECT_FALSE(QFile::exists(file("Korvex/Tarvik.conf")));
}

}  // namespace
