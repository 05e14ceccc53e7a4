// The port namespace: links in the ports folder, the fixed table, and where the folder is.
#include "serial/port_names.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <optional>
#include <string>

#include <filesystem>
#include <gtest/gtest.h>

#include "support/pty_pair.h"

namespace {

// Sets or unsets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string MakeTempDir() {
  char templ[] = "/tmp/tarvik-ports-XXXXXX";
  return mkdtemp(templ) != nullptr ? templ : "";
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

std::string DevicePath(int index) {
  char path[PATH_MAX];
  return PortDevicePath(index, path, sizeof path) == 0 ? path : "(none)";
}

// A ports folder with links to a real pty slave, to a regular file, a folder and nothing.
class PortNamesTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    root = MakeTempDir();
    ASSERT_FALSE(root.empty());
    ports = root + "/ports";
    ASSERT_EQ(mkdir(ports.c_str(), 0700), 0);
    file = root + "/plain-file";
    close(open(file.c_str(), O_CREAT | O_WRONLY, 0600));
    folder = root + "/a-folder";
    mkdir(folder.c_str(), 0700);
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(pty.slavePath.c_str(), resolved), nullptr);
    device = resolved;
  }
  void TearDown() override { RemoveTree(root); }

  void Link(const std::string& name, const std::string& target) {
    ASSERT_EQ(symlink(target.c_str(), (ports + "/" + name).c_str()), 0) << name;
  }

  PtyPair pty;
  std::string root, ports, file, folder, device;
};

TEST_F(PortNamesTest, IndexMapsToLinkOrFixedTable) {
  Link("COM3", pty.slavePath);    // index 2: a pty
  Link("com7", pty.slavePath);    // index 6: any letter case
  Link("COM2", file);             // index 1: a bad link hides /dev/ttyS1
  Link("COM5", folder);           // index 4
  Link("COM34", root + "/gone");  // index 33: dangling, hides /dev/ttyUSB1
  Link("COM9", pty.slavePath);    // index 8: the upper-case spelling wins ...
  Link("com9", file);
  Link("Com10", pty.slavePath);   // index 9: ... else the first in byte order
  Link("com10", file);
  Link("COM257", pty.slavePath);  // index 256: beyond the fixed table, linked
  ScopedEnv dir("TARVIK_PORTS_DIR", ports.c_str());

  const struct {
    int index;
    std::string expected;
  } cases[] = {
      {2, device},           {6, device},           {8, device},
      {9, device},           {256, device},         {1, "(none)"},
      {4, "(none)"},         {33, "(none)"},        {0, "/dev/ttyS0"},
      {31, "/dev/ttyS31"},   {32, "/dev/ttyUSB0"},  {63, "/dev/ttyUSB31"},
      {64, "/dev/ttyACM0"},  {95, "/dev/ttyACM31"}, {96, "(none)"},
      {255, "(none)"},       {-1, "(none)"},
  };
  for (const auto& c : cases) EXPECT_EQ(DevicePath(c.index), c.expected) << "index " << c.index;

  char name[16];
  ASSERT_EQ(PortLinkName(6, name, sizeof name), 0);
  EXPECT_STREQ(name, "com7");
  ASSERT_EQ(PortLinkName(8, name, sizeof name), 0);
  EXPECT_STREQ(name, "COM9");
  ASSERT_EQ(PortLinkName(1, name, sizeof name), 0);  // bad, but present
  EXPECT_STREQ(name, "COM2");
  EXPECT_EQ(PortLinkName(0, name, sizeof name), -1);
  EXPECT_STREQ(name, "");
}

TEST_F(PortNamesTest, FolderComesFromTarvikPortsDirThenXdgConfigHome) {
  // The same link, found through each way of naming the folder.
  const std::string config = root + "/config";
  ASSERT_EQ(system(("mkdir -p '" + config + "/tarvik/ports'").c_str()), 0);
  ASSERT_EQ(symlink(pty.slavePath.c_str(), (config + "/tarvik/ports/COM4").c_str()), 0);
  ScopedEnv xdg("XDG_CONFIG_HOME", (config + "/").c_str());
  ScopedEnv home("HOME", "/home/ana");

  {
    ScopedEnv dir("TARVIK_PORTS_DIR", nullptr);
    EXPECT_EQ(std::string(PortsDirectory()), config + "/tarvik/ports");
    EXPECT_EQ(DevicePath(3), device);
  }
  {
    ScopedEnv dir("TARVIK_PORTS_DIR", "");  // empty counts as unset
    EXPECT_EQ(DevicePath(3), device);
  }
  {
    ScopedEnv dir("TARVIK_PORTS_DIR", (ports + "//").c_str());  // takes precedence
    EXPECT_EQ(std::string(PortsDirectory()), ports);
    EXPECT_EQ(DevicePath(3), "/dev/ttyS3");
  }
  {
    ScopedEnv dir("TARVIK_PORTS_DIR", nullptr);
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");  // not absolute: ignored
    EXPECT_STREQ(PortsDirectory(), "/home/ana/.config/tarvik/ports");
  }
}

TEST_F(PortNamesTest, PathThatDoesNotFitIsRefused) {
  ScopedEnv dir("TARVIK_PORTS_DIR", ports.c_str());
  char path[13];
  EXPECT_EQ(PortDevicePath(32, path, 12), -1);  // "/dev/ttyUSB0" needs 13 bytes
  EXPECT_STREQ(path, "");
  EXPECT_EQ(PortDevicePath(32, path, 13), 0);
  EXPECT_STREQ(path, "/dev/ttyUSB0");
  EXPECT_EQ(PortDevicePath(32, nullptr, 13), -1);
}

TEST(FixedPortIndex, ReadsFixedTableDeviceNames) {
  const struct {
    const char* path;
    int index;
  } cases[] = {
      {"/dev/ttyS0", 0},      {"/dev/ttyS31", 31},   {"/dev/ttyUSB0", 32},
      {"/dev/ttyUSB3", 35},   {"/dev/ttyACM31", 95}, {"/dev/ttyS32", -1},
      {"/dev/ttyS01", -1},    {"/dev/ttyUSB", -1},   {"/dev/ttyUSB3x", -1},
      {"/dev/ttyusb3", -1},   {"/dev/pts/3", -1},    {"ttyS0", -1},
      {"/dev/ttyS100", -1},   {nullptr, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FixedPortIndex(c.path), c.index) << (c.path ? c.path : "null");
}

TEST(ComNameIndex, ReadsComNamesInAnyCaseAndNothingElse) {
  const struct {
    const char* name;
    int index;
  } cases[] = {
      {"COM1", 0},     {"com5", 4},      {"Com33", 32},   {"COM256", 255},  {"COM999999", 999998},
      {"COM0", -1},    {"COM05", -1},    {"COM", -1},     {"COM5x", -1},    {"COM-5", -1},
      {"COM 5", -1},   {"CON5", -1},     {"C", -1},       {"", -1},         {"COM1000000", -1},
      {"/dev/ttyS0", -1}, {nullptr, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(ComNameIndex(c.name), c.index) << (c.name ? c.name : "null");
}

TEST(FixedPortIndex, InvertsTheFixedTable) {
  char empty[] = "/tmp/tarvik-noports-XXXXXX";
  ASSERT_NE(mkdtemp(empty), nullptr);
  ScopedEnv dir("TARVIK_PORTS_DIR", empty);
  for (int index = 0; index < 96; ++index) EXPECT_EQ(FixedPortIndex(DevicePath(index).c_str()), index);
  rmdir(empty);
}

}  // namespace
