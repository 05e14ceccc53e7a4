// The headless tool as scripts and production lines run it: the built executable against
// tarvik-devsim on pseudo-terminals, its exit codes, its JSON Lines and its traces.
#include <signal.h>
#include <sys/stat.h>

#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/serial_device.h"
#include "support/built_in_image.h"
#include "support/child_process.h"
#include "support/devsim_process.h"
#include "support/expected_run.h"

namespace {

using nlohmann::json;

const std::string Tool = TARVIK_BINARY_DIR "/tarvik-kap-dl-01.24.04.00-cli";

struct ToolRun {
  int code = -1;
  std::vector<std::string> lines;  // standard output
  std::vector<json> events;        // the lines as JSON, where they parse
  bool allParse = true;
  const json& last() const {
    static const json none;
    return events.empty() ? none : events.back();
  }
  std::vector<json> of(const std::string& kind) const {
    std::vector<json> found;
    for (const json& e : events)
      if (e.value("event", "") == kind) found.push_back(e);
    return found;
  }
};

class Cli : public testing::Test {
 protected:
  void SetUp() override {
    mkdir(dir.file("ports").c_str(), 0700);
    mkdir(dir.file("config").c_str(), 0700);
  }
  std::vector<std::string> environment() const {
    return {"TARVIK_PORTS_DIR=" + dir.file("ports"), "XDG_CONFIG_HOME=" + dir.file("config")};
  }
  DevsimProcess& device(std::vector<std::string> args, const std::string& port = "COM1") {
    const std::string out = dir.file("devsim-" + port);
    mkdir(out.c_str(), 0700);
    auto sim = std::make_unique<DevsimProcess>();
    std::string error;
    EXPECT_TRUE(sim->start({dir.file("ports"), port, out, std::move(args), {}}, &error)) << error;
    devices.push_back(std::move(sim));
    return *devices.back();
  }
  bool start(ChildProcess& tool, std::vector<std::string> args) {
    return tool.start(Tool, args, environment());
  }
  // Reads the tool's output to its end and waits for its exit.
  static ToolRun finish(ChildProcess& tool, int timeoutMs = 60'000) {
    ToolRun run;
    std::string line;
    while (tool.readLine(&line, timeoutMs)) {
      run.lines.push_back(line);
      const json e = json::parse(line, nullptr, false);
      if (e.is_discarded() || !e.is_object() || e.value("v", 0) != 1 || !e.contains("event"))
        run.allParse = false;
      else
        run.events.push_back(e);
    }
    EXPECT_TRUE(tool.wait(timeoutMs)) << "the tool did not end";
    run.code = tool.exitCode();
    return run;
  }
  ToolRun run(std::vector<std::string> args) {
    ChildProcess tool;
    EXPECT_TRUE(start(tool, std::move(args)));
    return finish(tool);
  }

  ScratchDir dir;
  std::vector<std::unique_ptr<DevsimProcess>> devices;
};

TEST_F(Cli, UpdatesTheDeviceAndEndsWithItsResultLine) {
  DevsimProcess& sim = device({"--chip", "0x48"});
  const ToolRun r = run({"-p", "COM1", "--json"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.allParse);
  const json& result = r.last();
  EXPECT_EQ(result["event"], "result");
  EXPECT_EQ(result["ok"], true);
  EXPECT_EQ(result["code"], 0);
  EXPECT_EQ(result["text"], "Program OK");
  EXPECT_EQ(result["frames"], 153 + 1 + 1024);
  EXPECT_EQ(result["resends"], 0);
  ASSERT_EQ(r.of("device").size(), 1u);
  EXPECT_EQ(r.of("device")[0]["chip"], "0x48");
  EXPECT_EQ(r.of("device")[0]["label"], "18F26k80");
  EXPECT_EQ(r.of("start")[0]["window"], "Upgrade");
  EXPECT_FALSE(r.of("progress").empty());
  ASSERT_EQ(sim.stop(), 0);
  EXPECT_EQ(CompareWithDump(ExpectRun(BuiltInImage(0x48, 9)), ReadIntelHex(sim.dumpPath())), "");
}

TEST_F(Cli, EachOutcomeHasItsExitCode) {
  const struct {
    const char* what;
    std::vector<std::string> device;
    int code;
    const char* text;
  } cases[] = {
      {"no device", {"--probes", "C6"}, 4, "Device not Found"},
      {"unknown chip", {"--chip", "0x41"}, 5, " Error !! "},
      {"incompatible bootloader", {"--version", "33"}, 5, " Incompatible Bootloader !! "},
      {"five refusals", {"--refuse", "2:5"}, 6, " CHK Error !! "},
      {"hang-up mid-run", {"--hangup-after", "3"}, 6, " not Response "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DevsimProcess& sim = device(c.device);
    const ToolRun r = run({"-p", "COM1", "--json"});
    EXPECT_EQ(r.code, c.code);
    EXPECT_TRUE(r.allParse);
    EXPECT_EQ(r.last()["event"], "result");
    EXPECT_EQ(r.last()["code"], c.code);
    EXPECT_EQ(r.last()["text"], c.text);
    EXPECT_EQ(r.last()["ok"], false);
    sim.stop();
    devices.clear();
  }
}

TEST_F(Cli, APortAnotherProgramHoldsIsRefusedWithItsReason) {
  DevsimProcess& sim = device({});
  SerialHandle held = NoSerialHandle;
  ASSERT_EQ(SerialOpen(sim.ptsPath().c_str(), &held), SerialOk);
  const ToolRun r = run({"-p", "COM1", "--json"});
  SerialClose(held);
  EXPECT_EQ(r.code, 3);
  ASSERT_FALSE(r.of("error").empty());
  EXPECT_EQ(r.of("error")[0]["text"], "COM1: held by another program");
  EXPECT_EQ(r.last()["text"], "Invalid Port Com");
}

TEST_F(Cli, CtrlCStopsTheRunWithUserAbort) {
  for (int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    DevsimProcess& sim = device({"--chip", "0x48", "--line-rate"});
    ChildProcess tool;
    ASSERT_TRUE(start(tool, {"-p", "COM1", "--json"}));
    std::string line;
    while (tool.readLine(&line, 10'000) && line.find("\"progress\"") == std::string::npos) {
    }
    tool.signal(sig);
    const ToolRun r = finish(tool);
    EXPECT_EQ(r.code, 130);
    EXPECT_EQ(r.last()["text"], " User Abort !! ");
    EXPECT_EQ(sim.stop(), 0);
    // The port was let go: another program can take it at once.
    SerialHandle after = NoSerialHandle;
    DevsimProcess& next = device({}, "COM2");
    EXPECT_EQ(SerialOpen(next.ptsPath().c_str(), &after), SerialOk);
    SerialClose(after);
    devices.clear();
  }
}

TEST_F(Cli, RepeatUpdatesEachDeviceOnceAsTheOperatorSwapsThem) {
  DevsimProcess& sim =
      device({"--chip", "0x48,0xFD,0x48", "--unplug-after", "300", "--plug-gap", "500"});
  const ToolRun r = run({"-p", "COM1", "--json", "--repeat", "--count", "3"});
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.allParse);
  const std::vector<json> results = r.of("result");
  ASSERT_EQ(results.size(), 3u);
  for (const json& result : results) EXPECT_EQ(result["text"], "Program OK");
  EXPECT_EQ(r.last()["event"], "summary");
  EXPECT_EQ(r.last()["programmed"], 3);
  ASSERT_EQ(sim.stop(), 0);
  const uint8_t chips[] = {0x48, 0xFD, 0x48};
  for (int k = 0; k < 3; ++k)
    EXPECT_EQ(CompareWithDump(ExpectRun(BuiltInImage(chips[k], chips[k] == 0x48 ? 9 : 7)),
                              ReadIntelHex(sim.dumpPath(k + 1))),
              "")
        << "device " << k + 1;
}

TEST_F(Cli, RepeatNeverUpdatesADeviceThatStaysTwice) {
  DevsimProcess& sim = device({"--chip", "0x48"});  // answers every probe, for ever
  ChildProcess tool;
  ASSERT_TRUE(start(tool, {"-p", "COM1", "--json", "--repeat"}));
  std::string line;
  while (tool.readLine(&line, 20'000) && line.find("\"result\"") == std::string::npos) {
  }
  // Long enough for a second search and run, were the device taken for a new one.
  sleep(2);
  tool.signal(SIGINT);
  const ToolRun r = finish(tool);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.last()["event"], "summary");
  EXPECT_EQ(r.last()["devices"], 1);
  ASSERT_EQ(sim.stop(), 0);
  EXPECT_EQ(sim.transcriptCount("\"kind\":\"block\""), 154);  // 153 blocks and the final block
}

TEST_F(Cli, FourToolsUpdateFourDevicesAtOnce) {
  const char* ports[] = {"COM1", "COM2", "COM3", "COM4"};
  std::vector<DevsimProcess*> sims;
  for (const char* port : ports) sims.push_back(&device({"--chip", "0x48", "--line-rate"}, port));
  ChildProcess tools[4];
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(start(tools[i], {"-p", ports[i], "-q"}));
  for (int i = 0; i < 4; ++i) {
    const ToolRun r = finish(tools[i]);
    EXPECT_EQ(r.code, 0) << ports[i];
    ASSERT_EQ(sims[i]->stop(), 0);
    EXPECT_EQ(CompareWithDump(ExpectRun(BuiltInImage(0x48, 9)), ReadIntelHex(sims[i]->dumpPath())), "")
        << ports[i];
  }
}

// The device-to-host bytes of a trace, in order, and its host-to-device writes.
std::vector<std::string> TraceOf(const std::string& path, const char* direction) {
  std::vector<std::string> hex;
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    const json e = json::parse(line, nullptr, false);
    if (!e.is_discarded() && e.value("dir", "") == direction) hex.push_back(e["hex"]);
  }
  return hex;
}

TEST_F(Cli, ATraceReplaysToTheSameResultAndFrames) {
  DevsimProcess& faulty = device(
      {"--chip", "0x48", "--refuse", "3:2", "--late", "5:1500", "--garbage", "7:3", "--drop", "9"});
  const std::string first = dir.file("first.jsonl");
  const ToolRun recorded = run({"-p", "COM1", "--json", "--trace", first});
  faulty.stop();
  devices.clear();
  ASSERT_EQ(recorded.code, 6);
  EXPECT_EQ(recorded.last()["resends"], 2);

  DevsimProcess replay;
  std::string error;
  ASSERT_TRUE(replay.start({dir.file("ports"), "COM1", "", {"--replay", first}, {}}, &error))
      << error;
  const std::string second = dir.file("second.jsonl");
  const ToolRun replayed = run({"-p", "COM1", "--json", "--trace", second});
  EXPECT_EQ(replay.stop(), 0);  // every write as traced
  EXPECT_EQ(replayed.code, recorded.code);
  EXPECT_EQ(replayed.last()["text"], recorded.last()["text"]);
  EXPECT_EQ(replayed.last()["frames"], recorded.last()["frames"]);
  EXPECT_EQ(replayed.last()["resends"], recorded.last()["resends"]);
  const std::vector<std::string> writes = TraceOf(first, "out");
  EXPECT_GT(writes.size(), 1000u);
  EXPECT_EQ(TraceOf(second, "out"), writes);
}

TEST_F(Cli, ListsTheImagesAndThePorts) {
  const ToolRun images = run({"--list-images", "--json"});
  EXPECT_EQ(images.code, 0);
  const std::vector<json> listed = images.of("listed-image");
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0]["slot"], 7);
  EXPECT_EQ(listed[0]["chips"], json::array({"0xfd"}));
  EXPECT_EQ(listed[0]["plain"], true);
  EXPECT_EQ(listed[1]["slot"], 9);
  EXPECT_EQ(listed[1]["image"], 9766);
  EXPECT_EQ(listed[1]["eeprom"], 1024);
  EXPECT_EQ(listed[1]["final"], 8);

  DevsimProcess& sim = device({}, "COM7");
  const ToolRun ports = run({"--list-ports", "--json"});
  EXPECT_EQ(ports.code, 0);
  bool seen = false;
  for (const json& p : ports.of("listed-port"))
    if (p["port"] == "COM7") {
      seen = true;
      EXPECT_EQ(p["device"], sim.ptsPath());
      EXPECT_EQ(p["description"], "Pseudo-terminal");
    }
  EXPECT_TRUE(seen);
}

TEST_F(Cli, BadUsageEndsWithCode2) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--no-such-option"}, {"--count", "3"}, {"-p", "nowhere"},
        {"--repeat", "--count", "0"}}) {
    EXPECT_EQ(run(args).code, 2) << args[0];
  }
  EXPECT_EQ(run({"--help"}).code, 0);
}

TEST_F(Cli, WithoutAPortItUsesThePortTheWindowRemembers) {
  mkdir(dir.file("config/Ostrana").c_str(), 0700);
  std::ofstream(dir.file("config/Ostrana/Upgrade.conf")) << "[General]\ncom=2\n";
  DevsimProcess& sim = device({"--chip", "0x48"}, "COM3");
  const ToolRun r = run({"--json"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.of("start")[0]["port"], "COM3");
  EXPECT_EQ(r.of("start")[0]["device"], sim.ptsPath());
  // A device path works as well.
  const ToolRun byPath = run({"-p", sim.ptsPath(), "-q"});
  EXPECT_EQ(byPath.code, 0);
}

}  // namespace
