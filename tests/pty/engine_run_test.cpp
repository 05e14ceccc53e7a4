// One whole update through the real channel: the engine, set up for the Upgrade window,
// runs a press of START against tarvik-devsim on a pseudo-terminal.
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "protocol/search.h"
#include "serial/channel.h"
#include "support/child_process.h"
#include "support/expected_run.h"
#include "support/recording_view.h"

namespace {

TEST(EngineOverPty, UpdatesTheDeviceToProgramOk) {
  ScratchDir dir;
  const std::string ports = dir.file("ports");
  mkdir(ports.c_str(), 0700);
  setenv("TARVIK_PORTS_DIR", ports.c_str(), 1);
  ResetEngineState();
  RecordingView view;

  ChildProcess sim;
  std::string line;
  ASSERT_TRUE(sim.start(TARVIK_DEVSIM, {"--chip", "0x48", "--version", "5", "--port", "COM1",
                                        "--ports-dir", ports, "--dump", dir.file("device.hex")}));
  ASSERT_TRUE(sim.readLine(&line, 10'000));

  SetUpEngine(EngineWindow::Upgrade);
  UsePort(0);
  SelectImage(0x48, 0);
  RunInput in;
  in.image.assign(CurrentImage.image, CurrentImage.image + CurrentImage.imageLength);
  in.eeprom.assign(CurrentImage.eeprom, CurrentImage.eeprom + CurrentImage.eepromLength);
  in.finalBytes.assign(CurrentImage.finalBytes, CurrentImage.finalBytes + CurrentImage.finalLength);

  const StatusBarHandle bar = RecordingView::MainStatusBar;
  ASSERT_EQ(UpdateDevices(RecordingView::MainBar, bar, RecordingView::ImageBar), SearchFound);
  EXPECT_EQ(view.panel(bar, 1), "Program OK");
  EXPECT_EQ(view.panel(bar, 3), "Found 18F26k80");

  ClosePort(0);
  sim.signal(SIGTERM);
  ASSERT_TRUE(sim.wait(10'000));
  EXPECT_EQ(CompareWithDump(ExpectRun(in), ReadIntelHex(dir.file("device.hex"))), "");
  ResetEngineState();
}

}  // namespace
