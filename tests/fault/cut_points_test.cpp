// Updates cut at frame after frame: the slot-9 update through the headless tool hangs up
// after frame k; a second update of the same device, starting from the memory the cut left,
// must succeed and leave exactly the expected memory.
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "support/built_in_image.h"
#include "support/child_process.h"
#include "support/devsim_process.h"
#include "support/expected_run.h"

namespace {

const std::string Tool = TARVIK_BINARY_DIR "/tarvik-kap-dl-01.24.04.00-cli";
// Blocks 1 to 153 (152 in the loop and the last), the final block 154, EEPROM 155 to 1178.
constexpr int Frames = 1178;

// The first ten frames, every 25th, the last ten, and either side of every phase boundary.
std::vector<int> CutPoints() {
  std::set<int> k;
  for (int i = 1; i <= 10; ++i) k.insert(i);
  for (int i = 25; i <= Frames; i += 25) k.insert(i);
  for (int i = Frames - 9; i <= Frames; ++i) k.insert(i);
  for (int i : {152, 153, 154, 155}) k.insert(i);
  return {k.begin(), k.end()};
}

class CutPoint : public testing::TestWithParam<int> {
 protected:
  // One update through the tool; its exit code.
  int update(const std::vector<std::string>& device, const std::string& dump) {
    DevsimProcess sim;
    std::vector<std::string> args = {"--chip", "0x48", "--dump", dump};
    args.insert(args.end(), device.begin(), device.end());
    std::string error;
    EXPECT_TRUE(sim.start({dir.file("ports"), "COM1", "", args, {}}, &error)) << error;
    ChildProcess tool;
    EXPECT_TRUE(tool.start(Tool, {"-p", "COM1", "-q"}, {"TARVIK_PORTS_DIR=" + dir.file("ports")}));
    std::string line;
    while (tool.readLine(&line, 60'000)) {
    }
    EXPECT_TRUE(tool.wait(60'000));
    sim.stop();
    return tool.exitCode();
  }
  ScratchDir dir;
};

TEST_P(CutPoint, ASecondUpdateAfterTheCutLeavesTheExpectedMemory) {
  const int k = GetParam();
  mkdir(dir.file("ports").c_str(), 0700);
  const std::string cut = dir.file("cut.hex");
  const int first = update({"--hangup-after", std::to_string(k)}, cut);
  // Cut before the end, the tool reports a partial image; cut after the last answer, all
  // went through.
  EXPECT_EQ(first, k < Frames ? 6 : 0);
  const std::string done = dir.file("done.hex");
  EXPECT_EQ(update({"--load", cut}, done), 0);
  EXPECT_EQ(CompareWithDump(ExpectRun(BuiltInImage(0x48, 9)), ReadIntelHex(done)), "");
}

INSTANTIATE_TEST_SUITE_P(Slot9, CutPoint, testing::ValuesIn(CutPoints()),
                         [](const auto& info) { return "AfterFrame" + std::to_string(info.param); });

}  // namespace
