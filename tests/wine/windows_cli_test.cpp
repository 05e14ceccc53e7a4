// The Windows build of the headless tool under Wine: its COM ports are links in the Wine
// prefix's dosdevices folder to tarvik-devsim's pseudo-terminals. Skipped unless
// tools/test-windows names the tool and Wine (TARVIK_WINDOWS_CLI, TARVIK_WINE, WINEPREFIX).
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "support/built_in_image.h"
#include "support/child_process.h"
#include "support/devsim_process.h"
#include "support/expected_run.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

class WindowsCli : public testing::Test {
 protected:
  void SetUp() override {
    tool = Env("TARVIK_WINDOWS_CLI");
    wine = Env("TARVIK_WINE");
    prefix = Env("WINEPREFIX");
    if (tool.empty() || wine.empty() || prefix.empty())
      GTEST_SKIP() << "no Windows build to try (tools/test-windows runs these)";
    mkdir(dir.file("ports").c_str(), 0700);
  }
  void TearDown() override {
    for (const std::string& link : links) unlink(link.c_str());
  }
  // A simulated device, reached from Windows as COM<port>.
  DevsimProcess& device(std::vector<std::string> args, int port) {
    auto sim = std::make_unique<DevsimProcess>();
    const std::string out = dir.file("devsim" + std::to_string(port));
    mkdir(out.c_str(), 0700);
    std::string error;
    EXPECT_TRUE(sim->start({dir.file("ports"), "COM" + std::to_string(port), out, std::move(args), {}},
                           &error))
        << error;
    const std::string link = prefix + "/dosdevices/com" + std::to_string(port);
    unlink(link.c_str());
    EXPECT_EQ(symlink(sim->ptsPath().c_str(), link.c_str()), 0);
    links.push_back(link);
    sims.push_back(std::move(sim));
    return *sims.back();
  }
  bool start(ChildProcess& p, const std::vector<std::string>& args) {
    std::vector<std::string> all = {tool};
    all.insert(all.end(), args.begin(), args.end());
    return p.start(wine, all, {"WINEDEBUG=-all", "WINEPREFIX=" + prefix});
  }
  int run(const std::vector<std::string>& args, std::vector<std::string>* lines = nullptr) {
    ChildProcess p;
    EXPECT_TRUE(start(p, args));
    std::string line;
    while (p.readLine(&line, 120'000))
      if (lines != nullptr) lines->push_back(line);
    EXPECT_TRUE(p.wait(120'000));
    return p.exitCode();
  }

  std::string tool, wine, prefix;
  ScratchDir dir;
  std::vector<std::string> links;
  std::vector<std::unique_ptr<DevsimProcess>> sims;
};

TEST_F(WindowsCli, UpdatesADeviceThroughAComPort) {
  DevsimProcess& sim = device({"--chip", "0x48"}, 5);
  std::vector<std::string> lines;
  EXPECT_EQ(run({"-p", "COM5", "--json"}, &lines), 0);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("\"text\":\"Program OK\""), std::string::npos) << lines.back();
  ASSERT_EQ(sim.stop(), 0);
  EXPECT_EQ(CompareWithDump(ExpectRun(BuiltInImage(0x48, 9)), ReadIntelHex(sim.dumpPath())), "");
}

TEST_F(WindowsCli, ReportsNoDeviceWithItsCode) {
  device({"--probes", "C6"}, 6);  // answers a probe the Upgrade window does not send
  EXPECT_EQ(run({"-p", "COM6", "-q"}), 4);
}

// Wine turns SIGINT into the console's Ctrl+C event, which the tool handles as on Linux.
TEST_F(WindowsCli, CtrlCStopsTheSearch) {
  device({"--probes", "C6"}, 7);
  ChildProcess p;
  ASSERT_TRUE(start(p, {"-p", "COM7", "--json"}));
  std::string line;
  bool searching = false;
  while (!searching && p.readLine(&line, 60'000))
    searching = line.find("\"event\":\"search\"") != std::string::npos;
  ASSERT_TRUE(searching) << line;
  p.signal(SIGINT);
  std::string last;
  while (p.readLine(&line, 30'000)) last = line;
  ASSERT_TRUE(p.wait(30'000));
  EXPECT_EQ(p.exitCode(), 130);
  EXPECT_NE(last.find("\"code\":130"), std::string::npos) << last;
}

// Without -p the tool takes the port the window remembers in the registry: its
// number counts from COM1 = 0.
TEST_F(WindowsCli, TakesTheRememberedPortFromTheRegistry) {
  ChildProcess reg;
  ASSERT_TRUE(reg.start(
      wine, {"reg", "add", "HKLM\\Software\\Ostrana\\Upgrade", "/v", "com", "/d", "7", "/f"},
      {"WINEDEBUG=-all", "WINEPREFIX=" + prefix}));
  std::string line;
  while (reg.readLine(&line, 60'000)) {
  }
  ASSERT_TRUE(reg.wait(60'000));
  ASSERT_EQ(reg.exitCode(), 0);
  DevsimProcess& sim = device({"--chip", "0x48"}, 8);
  std::vector<std::string> lines;
  EXPECT_EQ(run({"--json"}, &lines), 0);
  ASSERT_EQ(sim.stop(), 0);
  EXPECT_EQ(CompareWithDump(ExpectRun(BuiltInImage(0x48, 9)), ReadIntelHex(sim.dumpPath())), "");
}

TEST_F(WindowsCli, RefusesAPortThatIsNotThere) {
  std::vector<std::string> lines;
  EXPECT_EQ(run({"-p", "COM9", "--json"}, &lines), 3);
  bool named = false;
  for (const std::string& line : lines) named = named || line.find("COM9") != std::string::npos;
  EXPECT_TRUE(named) << "the message names the port";
}

// Windows keeps a COM port to one opener. Wine checks sharing only on files, not on the
// pty behind a COM link, so here COM10 stands on a plain file that another Windows program
// holds without sharing: the tool's open then fails as it would on a held port.
TEST_F(WindowsCli, RefusesAPortAnotherProgramHolds) {
  const std::string holderTool = Env("TARVIK_WINDOWS_HOLDER");
  if (holderTool.empty()) GTEST_SKIP() << "no hold_port.exe named";
  const std::string file = dir.file("com10");
  std::fclose(std::fopen(file.c_str(), "w"));
  const std::string link = prefix + "/dosdevices/com10";
  unlink(link.c_str());
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  links.push_back(link);

  ChildProcess holder;
  ASSERT_TRUE(
      holder.start(wine, {holderTool, "COM10"}, {"WINEDEBUG=-all", "WINEPREFIX=" + prefix}));
  std::string line;
  ASSERT_TRUE(holder.readLine(&line, 60'000));
  ASSERT_EQ(line.rfind("holding", 0), 0u) << line;  // with the console's \r
  std::vector<std::string> lines;
  EXPECT_EQ(run({"-p", "COM10", "--json"}, &lines), 3);
  bool held = false;
  for (const std::string& l : lines)
    held = held || l.find("held by another program") != std::string::npos;
  EXPECT_TRUE(held) << (lines.empty() ? "" : lines.back());
  holder.signal(SIGKILL);
  holder.wait(10'000);
}

}  // namespace
