// The fault suite: the Upgrade window (offscreen) updating a tarvik-devsim device that
// misbehaves in every way the simulator can, at every kind of frame. Each scenario names the
// text the window ends with, how far the device got, and the state the window is left in;
// nothing may be reported as success unless every frame was acknowledged.
#include <signal.h>

#include <QProgressBar>
#include <QPushButton>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "serial/channel.h"
#include "startup/settings.h"
#include "support/ui_devsim.h"
#include "ui/engine_session.h"
#include "ui/status_bar.h"
#include "ui/upgrade_window.h"

namespace {

// The slot-9 update's numbered frames: blocks 1 to 152 in the loop, the last block 153,
// the final block 154, EEPROM frames 155 to 1178.
constexpr int FirstBlock = 1, MiddleBlock = 77, LastBlock = 153, FinalBlock = 154,
              AnEepromFrame = 600, Frames = 1178;
const char* const ProgramOk = "Program OK";
const char* const NotResponse = " not Response ";
const char* const ChkError = " CHK Error !! ";

struct Scenario {
  std::string name;
  std::vector<std::string> device;  // tarvik-devsim options
  std::string text;                 // the window's message at the end
  int lastFrame = 0;                // the last frame the device saw; 0: all, and memory complete
  bool holdPort = false;            // another process has the port open
};

void PrintTo(const Scenario& s, std::ostream* out) { *out << s.name; }

std::vector<Scenario> Scenarios() {
  std::vector<Scenario> all;
  const struct {
    const char* name;
    int frame;
  } places[] = {{"FirstBlock", FirstBlock},   {"MiddleBlock", MiddleBlock},
                {"LastBlock", LastBlock},     {"FinalBlock", FinalBlock},
                {"EepromFrame", AnEepromFrame}};
  for (const auto& p : places) {
    const std::string k = std::to_string(p.frame);
    const bool inLoop = p.frame < LastBlock;
    for (int n = 1; n <= 4; ++n)
      all.push_back({"Refused" + std::to_string(n) + "x" + p.name, {"--refuse", k + ":" + std::to_string(n)}, ProgramOk});
    all.push_back({"Refused5x" + std::string(p.name), {"--refuse", k + ":5"}, ChkError, p.frame});
    // A block inside the loop without answer is passed over, and the run ends unconfirmed.
    all.push_back({std::string("Dropped") + p.name, {"--drop", k}, NotResponse, inLoop ? Frames : p.frame});
    all.push_back({std::string("Late") + p.name, {"--late", k + ":1500"}, ProgramOk});
    all.push_back({std::string("Garbage") + p.name, {"--garbage", k + ":5"}, ProgramOk});
    // Silent: three blocks in a row go unanswered inside the loop; after it, the next frame.
    all.push_back({std::string("SilentAfter") + p.name, {"--silent-after", k}, NotResponse,
                   inLoop ? p.frame + 3 : p.frame + 1});
    all.push_back({std::string("HangUpAfter") + p.name, {"--hangup-after", k}, NotResponse, p.frame});
  }
  all.push_back({"AnswersSplitByteByByte", {"--split-answers", "300"}, ProgramOk});
  all.push_back({"StreamWithoutEndDuringTheSearch", {"--stream-after", "0", "--probes", "C6"},
                 "Device not Found", -1});
  all.push_back({"StreamWithoutEndDuringTheRun", {"--stream-after", "5"}, ProgramOk});
  all.push_back({"IdentificationCutShort", {"--cut-identification", "3"}, "Device not Found", -1});
  all.push_back({"RRecordPromisingMoreThanComes", {"--version", "8", "--rrecord-promise", "60"},
                 NotResponse, -2});
  all.push_back({"PortVanishesBetweenSearchAndRun", {"--hangup-after", "0"}, NotResponse, -1});
  all.push_back({"PortHeldByAnotherProcess", {}, "Invalid Port Com", -1, true});
  return all;
}

// Per frame number, the answers the device gave, in order ("K", "N", "").
std::map<int, std::vector<std::string>> Answers(const DevsimProcess& device) {
  std::map<int, std::vector<std::string>> answers;
  for (const std::string& line : device.transcriptLines()) {
    const nlohmann::json e = nlohmann::json::parse(line, nullptr, false);
    if (e.is_discarded() || e.value("frame", 0) == 0) continue;
    answers[e["frame"].get<int>()].push_back(e.value("answer", ""));
  }
  return answers;
}

class FaultSuite : public UiDevsimTest, public testing::WithParamInterface<Scenario> {};

TEST_P(FaultSuite, EndsWithItsTextInAKnownState) {
  const Scenario& s = GetParam();
  Remember(UpgradeSettings, "0");
  std::vector<std::string> args = {"--chip", "0x48"};
  args.insert(args.end(), s.device.begin(), s.device.end());
  DevsimProcess& device = startDevice(args);
  ChildProcess holder;
  if (s.holdPort) {
    ASSERT_TRUE(holder.start("/bin/sh", {"-c", "exec 3<>" + device.ptsPath() + "; echo open; exec sleep 60"}));
    std::string line;
    ASSERT_TRUE(holder.readLine(&line, 10'000));
  }
  const MainWindowUnderTest w = open(WindowKind::Upgrade);
  w.start->click();

  EXPECT_EQ(w.message().toStdString(), s.text);
  // Idle again on the same port, and that port is what the window remembers.
  EXPECT_TRUE(w.startOffered());
  EXPECT_TRUE(w.stop->isHidden());
  EXPECT_FALSE(EngineBusy());
  EXPECT_EQ(CurrentPort, 0);
  w.window->close();
  EXPECT_EQ(Remembered(UpgradeSettings), "0");
  holder.signal(SIGKILL);

  ASSERT_EQ(device.stop(), 0);
  const std::map<int, std::vector<std::string>> answers = Answers(device);
  if (s.lastFrame == 0) {
    EXPECT_EQ(CompareWithDump(ExpectRun(BuiltInImage(0x48, 9)), ReadIntelHex(device.dumpPath())), "");
  } else if (s.lastFrame > 0) {
    ASSERT_FALSE(answers.empty());
    EXPECT_EQ(answers.rbegin()->first, s.lastFrame);  // nothing after it reached the device
  }
  if (s.text == ProgramOk) {
    // Success only when the device acknowledged every frame.
    ASSERT_EQ(static_cast<int>(answers.size()), Frames);
    for (const auto& [frame, given] : answers) EXPECT_EQ(given.back(), "K") << "frame " << frame;
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultSuite, testing::ValuesIn(Scenarios()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
