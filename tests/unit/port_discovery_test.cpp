// Port discovery: the listing contract over a fake enumeration, and the system enumeration
// of the ports folder's links.
#include "serial/port_discovery.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <filesystem>
#include <gtest/gtest.h>

#include "support/pty_pair.h"

namespace {

using Ports = std::vector<std::pair<std::string, std::string>>;

std::vector<PortCandidate> fakePorts;
bool fakeFails = false;

bool FakeEnumeration(std::vector<PortCandidate>* out) {
  *out = fakePorts;
  return !fakeFails;
}

// One whole listing, as the port dialog runs it.
Ports Listing() {
  Ports delivered;
  PortList set = OpenPortList();
  char name[200];
  char friendly[200];
  while (NextPort(set, name, sizeof name, friendly, sizeof friendly) == 1)
    delivered.emplace_back(name, friendly);
  ClosePortList(set);
  return delivered;
}

class PortListingTest : public testing::Test {
 protected:
  void SetUp() override {
    fakePorts.clear();
    fakeFails = false;
    InstallPortEnumeration(FakeEnumeration);
  }
  void TearDown() override { InstallPortEnumeration(nullptr); }

  static void Give(const std::vector<std::string>& names) {
    fakePorts.clear();
    for (const std::string& n : names) fakePorts.push_back({n, "dev " + n});
  }
  static std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& p : Listing()) names.push_back(p.first);
    return names;
  }
};

TEST_F(PortListingTest, DeliversInEnumerationOrderTheSameEveryTime) {
  Give({"COM5", "LPT1", "com7", "COM100", "COM2"});
  const Ports expected = {
      {"COM5", "dev COM5"}, {"com7", "dev com7"}, {"COM100", "dev COM100"}, {"COM2", "dev COM2"}};
  EXPECT_EQ(Listing(), expected);
  EXPECT_EQ(Listing(), expected);
}

TEST_F(PortListingTest, NameRulesSkipOrEndTheListing) {
  const struct {
    std::vector<std::string> given;
    std::vector<std::string> delivered;
  } cases[] = {
      {{}, {}},
      {{"COM1", "COM1000", "COM2"}, {"COM1"}},  // 7 characters end it
      {{"COM1", "COM0", "COM2"}, {"COM1"}},     // a number below 1 ends it
      {{"COM1", "COM-3", "COM2"}, {"COM1"}},
      {{"COM1", "COM", "COM2"}, {"COM1"}},      // no digits read as 0
      {{"COM1", "COMX", "COM2"}, {"COM1"}},
      {{"PRN", "CO", "", "cOm4", "LPT12345", "COM2"}, {"cOm4"}},  // LPT12345: too long, ends
      {{"COM 4", "COM+5", "COM6x"}, {"COM 4", "COM+5", "COM6x"}},  // read like a decimal
  };
  for (const auto& c : cases) {
    Give(c.given);
    EXPECT_EQ(Names(), c.delivered) << "first listing, starting " << (c.given.empty() ? "" : c.given[0]);
    EXPECT_EQ(Names(), c.delivered) << "second listing";
  }
}

TEST_F(PortListingTest, EveryEndRestartsAtTheFirstDevice) {
  Give({"COM1", "COM1000"});
  PortList set = OpenPortList();
  char name[16];
  ASSERT_EQ(NextPort(set, name, sizeof name, nullptr, 0), 1);
  EXPECT_EQ(NextPort(set, name, sizeof name, nullptr, 0), 0);
  // Same set, new listing: from the first device again.
  ASSERT_EQ(NextPort(set, name, sizeof name, nullptr, 0), 1);
  EXPECT_STREQ(name, "COM1");
  EXPECT_EQ(ClosePortList(set), 1);

  // A listing the caller stopped early does not carry over to the next set.
  Give({"COM3", "COM4"});
  set = OpenPortList();
  ASSERT_EQ(NextPort(set, name, sizeof name, nullptr, 0), 1);
  ClosePortList(set);
  EXPECT_EQ(Names(), (std::vector<std::string>{"COM3", "COM4"}));
}

TEST_F(PortListingTest, FailedEnumerationGivesAnEmptyListing) {
  Give({"COM1"});
  fakeFails = true;
  PortList set = OpenPortList();
  EXPECT_EQ(set, InvalidPortList);
  char name[16];
  EXPECT_EQ(NextPort(set, name, sizeof name, nullptr, 0), 0);
  EXPECT_EQ(ClosePortList(set), 0);
  fakeFails = false;
  EXPECT_EQ(Names(), (std::vector<std::string>{"COM1"}));
}

TEST_F(PortListingTest, CallerBuffersAreCutAndTerminated) {
  fakePorts = {{"COM100", "Ünïcode adapter"}, {"COM2", "second"}};
  PortList set = OpenPortList();
  char name[8];
  char friendly[8];
  std::memset(name, '#', sizeof name);
  std::memset(friendly, '#', sizeof friendly);
  ASSERT_EQ(NextPort(set, name, 4, friendly, 5), 1);
  EXPECT_STREQ(name, "COM");
  EXPECT_STREQ(friendly, "\xC3\x9Cn");  // "Ün", not half of the "ï"
  EXPECT_EQ(name[4], '#');
  EXPECT_EQ(friendly[5], '#');
  // No friendly-name buffer, and a buffer of one byte.
  ASSERT_EQ(NextPort(set, name, 1, nullptr, 0), 1);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(NextPort(set, name, sizeof name, friendly, sizeof friendly), 0);
  ClosePortList(set);
}

// The system enumeration over a ports folder: links to a pty are offered under their
// upper-case COM names, which their friendly names carry too; bad links and names a
// listing cannot deliver are not offered.
TEST(SystemPortEnumeration, ListsLinksToDevicesFirst) {
  PtyPair a;
  PtyPair b;
  ASSERT_TRUE(a.ok() && b.ok());
  char dir[] = "/tmp/tarvik-disc-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string ports = dir;
  const std::string file = ports + "/file";
  std::fclose(std::fopen(file.c_str(), "w"));
  const std::pair<const char*, std::string> links[] = {
      {"COM12", a.slavePath}, {"com7", b.slavePath}, {"COM5", file},
      {"COM0", a.slavePath},  {"COM07", a.slavePath}, {"COM1000", a.slavePath},
      {"COMX", a.slavePath},  {"COM3", ports + "/nothing"},
  };
  for (const auto& [name, target] : links)
    ASSERT_EQ(symlink(target.c_str(), (ports + "/" + name).c_str()), 0) << name;
  const char* old = getenv("TARVIK_PORTS_DIR");
  const std::string saved = old ? old : "";
  setenv("TARVIK_PORTS_DIR", dir, 1);

  std::vector<PortCandidate> found;
  EXPECT_TRUE(SystemPortEnumeration(&found));
  ASSERT_GE(found.size(), 2u);
  EXPECT_EQ(found[0].portName, "COM7");
  EXPECT_EQ(found[0].friendlyName, "COM7  Pseudo-terminal (" + b.slavePath + ")");
  EXPECT_EQ(found[1].portName, "COM12");
  EXPECT_EQ(found[1].friendlyName, "COM12  Pseudo-terminal (" + a.slavePath + ")");
  // The rest are the machine's own devices, under fixed-table names the links leave free.
  for (size_t i = 2; i < found.size(); ++i) {
    EXPECT_NE(found[i].portName, "COM3");
    EXPECT_NE(found[i].portName, "COM5");
    EXPECT_EQ(found[i].portName.rfind("COM", 0), 0u) << found[i].portName;
    EXPECT_EQ(found[i].friendlyName.rfind(found[i].portName + "  ", 0), 0u)
        << found[i].friendlyName;
  }

  if (old)
    setenv("TARVIK_PORTS_DIR", saved.c_str(), 1);
  else
    unsetenv("TARVIK_PORTS_DIR");
  std::error_code ignored;
  std::filesystem::remove_all(ports, ignored);
}

}  // namespace
