// The package as installed: the programs under $TARVIK_INSTALLED_ROOT (a package unpacked
// into a folder of its own, see tools/package), run from there and nothing of the build
// tree: the headless tool against the installed tarvik-devsim, and the installed window
// from its desktop entry's command. Skipped when no installed root is given.
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

#include "support/built_in_image.h"
#include "support/child_process.h"
#include "support/expected_run.h"
#include "support/x11_display.h"

namespace {

const std::string Release = "tarvik-kap-dl-01.24.04.00";

class Installed : public testing::Test {
 protected:
  void SetUp() override {
    const char* root = std::getenv("TARVIK_INSTALLED_ROOT");
    if (root == nullptr || *root == '\0') GTEST_SKIP() << "TARVIK_INSTALLED_ROOT is not set";
    bin = std::string(root) + "/usr/bin/";
    share = std::string(root) + "/usr/share/";
    for (const char* d : {"ports", "config", "run"}) mkdir(dir.file(d).c_str(), 0700);
  }
  std::vector<std::string> environment() const {
    return {"TARVIK_PORTS_DIR=" + dir.file("ports"), "XDG_CONFIG_HOME=" + dir.file("config"),
            "XDG_RUNTIME_DIR=" + dir.file("run")};
  }
  std::string bin, share;
  ScratchDir dir;
};

TEST_F(Installed, TheHeadlessToolUpdatesTheInstalledSimulator) {
  ChildProcess sim;
  ASSERT_TRUE(sim.start(bin + "tarvik-devsim", {"--chip", "0x48", "--port", "COM1", "--ports-dir",
                                                 dir.file("ports"), "--dump", dir.file("device.hex")}));
  std::string line;
  ASSERT_TRUE(sim.readLine(&line, 10'000)) << "the installed tarvik-devsim did not start";
  ChildProcess tool;
  ASSERT_TRUE(tool.start(bin + Release + "-cli", {"-p", "COM1", "-q"}, environment()));
  while (tool.readLine(&line, 60'000)) {
  }
  ASSERT_TRUE(tool.wait(60'000));
  EXPECT_EQ(tool.exitCode(), 0);
  sim.signal(SIGTERM);
  ASSERT_TRUE(sim.wait(10'000));
  EXPECT_EQ(CompareWithDump(ExpectRun(BuiltInImage(0x48, 9)), ReadIntelHex(dir.file("device.hex"))), "");
}

TEST_F(Installed, TheWindowStartsFromItsDesktopEntryAndEndsWhenClosed) {
  // The command the desktop entry starts.
  std::ifstream entry(share + "applications/" + Release + ".desktop");
  ASSERT_TRUE(entry.good());
  std::string line, exec;
  while (std::getline(entry, line))
    if (line.rfind("Exec=", 0) == 0) exec = line.substr(5);
  ASSERT_EQ(exec, Release);

  X11Display display;
  ASSERT_TRUE(display.ok()) << "Xvfb did not start";
  std::vector<std::string> env = environment();
  env.push_back(display.environment());
  env.push_back("QT_QPA_PLATFORM=xcb");
  ChildProcess window;
  ASSERT_TRUE(window.start(bin + exec, {}, env));
  const std::string caption = "Upgrade 1.1 -   KAP DL 01.24.04.00   - Sep 23 2014";
  const Window w = display.waitForWindow(caption, 20'000);
  ASSERT_NE(w, 0u) << "no window with the release's caption";
  display.closeWindow(w);
  ASSERT_TRUE(window.wait(20'000)) << "the window did not end when closed";
  EXPECT_EQ(window.exitCode(), 0);
}

}  // namespace
