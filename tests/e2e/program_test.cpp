// The built executable of this release, started as a user would: in a display of its own
// (Xvfb), against tarvik-devsim on a pseudo-terminal, pressed with the keyboard, closed as a
// window manager closes windows.
#include <signal.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

#include "support/built_in_image.h"
#include "support/child_process.h"
#include "support/expected_run.h"
#include "support/x11_display.h"

namespace {

const std::string Program = TARVIK_BINARY_DIR "/tarvik-kap-dl-01.24.04.00";
const std::string UpgradeCaption = "Upgrade 1.1 -   KAP DL 01.24.04.00   - Sep 23 2014";
const std::string UpdaterCaption = "Updater 2.7 - KAP DL 01.24.04.00   [ Sep 23 2014 ]";

class Program_ : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(display.ok()) << "Xvfb did not start";
    for (const char* d : {"config", "run", "ports", "locks"}) mkdir(dir.file(d).c_str(), 0700);
  }
  std::vector<std::string> environment() const {
    return {display.environment(),         "QT_QPA_PLATFORM=xcb",
            "XDG_CONFIG_HOME=" + dir.file("config"), "XDG_RUNTIME_DIR=" + dir.file("run"),
            "TARVIK_PORTS_DIR=" + dir.file("ports"), "TARVIK_LOCK_DIR=" + dir.file("locks")};
  }
  bool startProgram(ChildProcess& p, std::vector<std::string> args = {}) {
    return p.start(Program, args, environment());
  }
  bool startDevice(ChildProcess& sim, std::vector<std::string> args) {
    args.insert(args.end(), {"--port", "COM1", "--ports-dir", dir.file("ports")});
    std::string line;
    return sim.start(TARVIK_DEVSIM, args) && sim.readLine(&line, 10'000) &&
           line.rfind("tarvik-devsim: COM1 -> ", 0) == 0;
  }
  void shot(const char* name) { display.screenshot(TARVIK_BINARY_DIR "/e2e-" + std::string(name) + ".png"); }

  ScratchDir dir;
  X11Display display;
};

TEST_F(Program_, ShowsTheUpgradeWindowWithItsExactCaptionAndRemembersThePort) {
  ChildProcess program;
  ASSERT_TRUE(startProgram(program));
  const Window window = display.waitForWindow(UpgradeCaption, 20'000);
  ASSERT_NE(window, 0u) << "no window captioned \"" << UpgradeCaption << "\"";
  EXPECT_TRUE(display.windowsNamed(UpdaterCaption).empty());  // the Updater window stays hidden
  shot("upgrade-window");
  display.closeWindow(window);
  ASSERT_TRUE(program.wait(10'000));
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_NE(ReadTextFile(dir.file("config/Ostrana/Upgrade.conf")).find("com=0"), std::string::npos);
}

TEST_F(Program_, ASecondStartShowsOnlyTheAlreadyInProgressBox) {
  ChildProcess first;
  ASSERT_TRUE(startProgram(first));
  ASSERT_NE(display.waitForWindow(UpgradeCaption, 20'000), 0u);

  ChildProcess second;
  ASSERT_TRUE(startProgram(second));
  const Window box = display.waitForWindow(UpdaterCaption, 20'000);
  ASSERT_NE(box, 0u) << "no box captioned with the Updater title";
  EXPECT_EQ(display.windowsNamed(UpgradeCaption).size(), 1u);
  shot("already-in-progress");
  ASSERT_TRUE(display.pressKeys(box, "Return"));
  ASSERT_TRUE(second.wait(10'000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(first.running());

  // A first instance that dies leaves no lock behind.
  first.signal(SIGKILL);
  ASSERT_TRUE(first.wait(10'000));
  ASSERT_TRUE(display.waitUntilGone(UpgradeCaption, 10'000));
  ChildProcess third;
  ASSERT_TRUE(startProgram(third));
  const Window window = display.waitForWindow(UpgradeCaption, 20'000);
  ASSERT_NE(window, 0u);
  display.closeWindow(window);
  ASSERT_TRUE(third.wait(10'000));
}

size_t CountLines(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(Program_, StartFromTheKeyboardProgramsTheDevice) {
  ChildProcess sim;
  ASSERT_TRUE(startDevice(sim, {"--chip", "0x48", "--version", "5", "--dump", dir.file("device.hex"),
                                "--transcript", dir.file("transcript.jsonl")}));
  ChildProcess program;
  ASSERT_TRUE(startProgram(program));
  const Window window = display.waitForWindow(UpgradeCaption, 20'000);
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(display.pressKeys(window, "Return"));  // START has the focus

  // The run ends with the last of the 1024 EEPROM frames answered.
  std::string transcript;
  for (int i = 0; i < 1200; ++i) {
    transcript = ReadTextFile(dir.file("transcript.jsonl"));
    if (CountLines(transcript, "\"kind\":\"eeprom\"") >= 1024) break;
    usleep(50'000);
  }
  ASSERT_EQ(CountLines(transcript, "\"kind\":\"eeprom\""), 1024u);
  usleep(300'000);
  shot("program-ok");
  display.closeWindow(window);
  ASSERT_TRUE(program.wait(10'000));
  EXPECT_EQ(program.exitCode(), 0);
  sim.signal(SIGTERM);
  ASSERT_TRUE(sim.wait(10'000));
  EXPECT_EQ(CompareWithDump(ExpectRun(BuiltInImage(0x48, 9)), ReadIntelHex(dir.file("device.hex"))), "");
}

// The names in a folder, without "." and "..".
std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = opendir(path.c_str())) {
    while (const dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
  }
  return names;
}

TEST_F(Program_, ATerminationSignalEndsTheProgramAsClosingTheWindowDoes) {
  // While idle and in the middle of a run: the run stops, the port is given back with its
  // lock file, the port setting is written, the program ends normally.
  for (bool running : {false, true}) {
    unlink(dir.file("config/Ostrana/Upgrade.conf").c_str());
    unlink(dir.file("transcript.jsonl").c_str());
    ChildProcess sim;
    ASSERT_TRUE(startDevice(sim, {"--chip", "0x48", "--line-rate", "--transcript",
                                  dir.file("transcript.jsonl")}));
    ChildProcess program;
    ASSERT_TRUE(startProgram(program));
    const Window window = display.waitForWindow(UpgradeCaption, 20'000);
    ASSERT_NE(window, 0u);
    if (running) {
      ASSERT_TRUE(display.pressKeys(window, "Return"));
      for (int i = 0; i < 200 && CountLines(ReadTextFile(dir.file("transcript.jsonl")),
                                            "\"kind\":\"block\"") < 100; ++i)
        usleep(50'000);
      ASSERT_EQ(FolderEntries(dir.file("locks")).size(), 1u) << "the port is not held";
    }

    program.signal(SIGTERM);
    ASSERT_TRUE(program.wait(10'000)) << running;
    EXPECT_EQ(program.exitCode(), 0) << running;
    EXPECT_TRUE(FolderEntries(dir.file("locks")).empty()) << running;
    // Written by the close as a close writes it (no port chosen: 0).
    EXPECT_NE(ReadTextFile(dir.file("config/Ostrana/Upgrade.conf")).find("com=0"),
              std::string::npos) << running;
    if (running) {  // stopped, not finished: no EEPROM frame went out
      EXPECT_EQ(CountLines(ReadTextFile(dir.file("transcript.jsonl")), "\"kind\":\"eeprom\""),
                0u);
    }
    sim.signal(SIGTERM);
    ASSERT_TRUE(sim.wait(10'000));
  }
}

TEST_F(Program_, AListenerPortThatIsTakenEndsTheStartWithTheSocketsError) {
  const int holder = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(3004);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ChildProcess program;
  ASSERT_TRUE(startProgram(program, {"\\p"}));
  const Window box = display.waitForWindow("KAP DL 01.24.04.00", 20'000);
  close(holder);
  ASSERT_NE(box, 0u) << "no error box";
  EXPECT_TRUE(display.windowsNamed(UpgradeCaption).empty());
  shot("listener-failure");
  ASSERT_TRUE(display.pressKeys(box, "Return"));
  ASSERT_TRUE(program.wait(10'000));
  EXPECT_EQ(program.exitCode(), 0);
}

}  // namespace
