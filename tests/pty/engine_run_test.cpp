// One whole update through the real channel: the Upgrade window (offscreen) runs the search
// and the programming run against tarvik-devsim on a pseudo-terminal.
#include <QSettings>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "protocol/run.h"
#include "protocol/search.h"
#include "serial/channel.h"
#include "support/child_process.h"
#include "support/engine_fixture.h"
#include "support/expected_run.h"
#include "ui/forms.h"
#include "ui/status_bar.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"

namespace {

TEST(EngineOverPty, UpdatesTheDeviceToProgramOk) {
  ScratchDir dir;
  const std::string ports = dir.file("ports");
  mkdir(ports.c_str(), 0700);
  setenv("TARVIK_PORTS_DIR", ports.c_str(), 1);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.file("config").c_str());
  ResetEngineState();

  ChildProcess sim;
  std::string line;
  ASSERT_TRUE(sim.start(TARVIK_DEVSIM, {"--chip", "0x48", "--version", "5", "--port", "COM1",
                                        "--ports-dir", ports, "--dump", dir.file("device.hex")}));
  ASSERT_TRUE(sim.readLine(&line, 10'000));

  TForm5* window = new TForm5;
  new TForm1;
  SelectImage(0x48, 0);
  RunInput in;
  in.image.assign(CurrentImage.image, CurrentImage.image + CurrentImage.imageLength);
  in.eeprom.assign(CurrentImage.eeprom, CurrentImage.eeprom + CurrentImage.eepromLength);
  in.finalBytes.assign(CurrentImage.finalBytes, CurrentImage.finalBytes + CurrentImage.finalLength);

  ASSERT_EQ(SearchDevice(window->ProgressBar1, window->StatusBar1), SearchFound);
  EXPECT_EQ(PrgMode(window->ProgressBar1, window->StatusBar1), 0);
  EXPECT_EQ(window->StatusBar1->panelText(1), "Program OK");
  EXPECT_EQ(window->StatusBar1->panelText(3), "Found 18F26k80");

  ClosePort(0);
  sim.signal(SIGTERM);
  ASSERT_TRUE(sim.wait(10'000));
  EXPECT_EQ(CompareWithDump(ExpectRun(in), ReadIntelHex(dir.file("device.hex"))), "");
  delete Form1;
  delete window;
}

}  // namespace
