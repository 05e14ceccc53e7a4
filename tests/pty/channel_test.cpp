// The port channel over real pseudo-terminals: tarvik-devsim as the device, or a bare pty
// pair where the test plays the line itself.
#include <signal.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

#include "engine/engine.h"
#include "platform/serial_device.h"
#include "protocol/decoder.h"
#include "protocol/frames.h"
#include "serial/channel.h"
#include "serial/port_names.h"
#include "support/child_process.h"
#include "support/pty_pair.h"
#include "support/recording_view.h"

namespace {

// Counts the reads that reach the device backend.
int Reads = 0;
int CountedRead(SerialHandle h, uint8_t* buffer, int capacity) {
  ++Reads;
  return DeviceSerialBackend().read(h, buffer, capacity);
}

class Channel : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.path().empty());
    ports = dir.file("ports");
    mkdir(ports.c_str(), 0700);
    setenv("TARVIK_PORTS_DIR", ports.c_str(), 1);
    ResetEngineState();
    SetUpEngine(EngineWindow::Upgrade);  // "Invalid Port Com" lands in its message panel
  }
  void TearDown() override {
    InstallSerialBackend(nullptr);
    ResetEngineState();
  }
  bool startDevice(const std::string& port, std::vector<std::string> args = {}) {
    args.insert(args.end(), {"--port", port, "--ports-dir", ports});
    std::string line;
    return sim.start(TARVIK_DEVSIM, args) && sim.readLine(&line, 10'000) &&
           line.rfind("tarvik-devsim: " + port + " -> ", 0) == 0;
  }
  void link(const std::string& name, const std::string& target) {
    ASSERT_EQ(symlink(target.c_str(), (ports + "/" + name).c_str()), 0);
  }
  // The test plays the line on the pair's master; the channel opens its slave as COM3.
  void openAsCom3(PtyPair& pair) {
    ASSERT_TRUE(pair.ok());
    link("COM3", pair.slavePath);
    CurrentPort = 2;
    ASSERT_NE(OpenPort(2, PortBaudRate, 0, 2, 8, 0, 0), nullptr);
  }
  std::string message() const { return view.message(); }

  RecordingView view;
  ScratchDir dir;
  std::string ports;
  ChildProcess sim;
};

TEST_F(Channel, ApplyPortOpensWithTheFixedLineSettings) {
  ASSERT_TRUE(startDevice("COM1"));
  CurrentPort = 0;
  OpenedPort = -1;
  ApplyPort();
  ASSERT_EQ(CheckPort(0), 0);
  termios t{};
  ASSERT_EQ(tcgetattr(PortTable[0].handle, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B115200);
  EXPECT_EQ(t.c_cflag & CSIZE, CS8);
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_FALSE(t.c_cflag & PARENB);
  EXPECT_FALSE(t.c_cflag & CRTSCTS);
  EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));
  EXPECT_TRUE((t.c_cflag & (CLOCAL | CREAD)) == (CLOCAL | CREAD));
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
  EXPECT_EQ(message(), "");

  // Nothing happens while the selection has not changed, even once the port is closed.
  ClosePort(0);
  ApplyPort();
  EXPECT_EQ(CheckPort(0), -2);
  EXPECT_EQ(message(), "");
}

TEST_F(Channel, AScriptOfChannelOperationsTalksToTheDevice) {
  ASSERT_TRUE(startDevice("COM1", {"--chip", "0x48", "--version", "5", "--transcript",
                                   dir.file("transcript.jsonl")}));
  CurrentPort = 0;
  OpenedPort = -1;
  ApplyPort();
  ASSERT_EQ(CheckPort(0), 0);
  const uint8_t probe = 0xC5;
  ASSERT_NE(WritePort(0, &probe, 1), 0);
  ASSERT_EQ(WaitReply(1000), WaitAcknowledged);
  EXPECT_TRUE(VRecordSeen);
  EXPECT_EQ(DeviceInfo.bootVersion, 5);
  EXPECT_EQ(DeviceInfo.chipCode, 0x48);
  uint8_t block[4 + 64 + 1] = {0x00, 0x00, 0x40, 64};
  for (int i = 0; i < 64; ++i) block[4 + i] = static_cast<uint8_t>(i * 7);
  EXPECT_EQ(SendFrame(block, 68), SendAcknowledged);
  sim.signal(SIGTERM);
  ASSERT_TRUE(sim.wait(10'000));
  const std::string transcript = ReadTextFile(dir.file("transcript.jsonl"));
  EXPECT_NE(transcript.find("\"kind\":\"block\",\"address\":64,\"length\":64"), std::string::npos)
      << transcript;
}

TEST_F(Channel, AnAbsentOrHeldPortIsInvalidUntilItIsFree) {
  link("COM1", dir.file("nothing"));  // a link to nothing: COM1 is absent
  CurrentPort = 0;
  OpenedPort = -1;
  ApplyPort();
  EXPECT_EQ(CheckPort(0), -2);
  EXPECT_EQ(message(), "Invalid Port Com");

  ASSERT_TRUE(startDevice("COM1"));  // replaces the stale link
  char path[512];
  ASSERT_EQ(PortDevicePath(0, path, sizeof path), 0);
  SerialHandle other = NoSerialHandle;
  ASSERT_EQ(SerialOpen(path, &other), SerialOk);  // another program holds the port
  view.clear();
  OpenedPort = -1;
  ApplyPort();
  EXPECT_EQ(CheckPort(0), -2);
  EXPECT_EQ(message(), "Invalid Port Com");
  SerialClose(other);
  OpenedPort = -1;
  ApplyPort();
  EXPECT_EQ(CheckPort(0), 0);
}

TEST_F(Channel, IndicesOutsideTheTableHaveNoPort) {
  ASSERT_TRUE(startDevice("COM257"));
  EXPECT_NE(OpenPort(256, PortBaudRate, 0, 2, 8, 0, 0), nullptr);  // COM257, linked
  EXPECT_EQ(OpenPort(257, PortBaudRate, 0, 2, 8, 0, 0), nullptr);
  EXPECT_EQ(OpenPort(-1, PortBaudRate, 0, 2, 8, 0, 0), nullptr);
  for (int16_t port : {-1, 257, 300}) {
    view.clear();
    CurrentPort = port;
    OpenedPort = 0;
    ApplyPort();
    EXPECT_EQ(CheckPort(port), -2) << port;
    EXPECT_EQ(message(), "Invalid Port Com") << port;
    EXPECT_EQ(ReadPort(), 0) << port;
    EXPECT_EQ(WritePort(port, reinterpret_cast<const uint8_t*>("x"), 1), 0) << port;
  }
}

TEST_F(Channel, ChoosingAnotherPortLetsTheFormerOneGo) {
  ASSERT_TRUE(startDevice("COM1"));
  ChildProcess second;
  std::string line;
  ASSERT_TRUE(second.start(TARVIK_DEVSIM, {"--port", "COM2", "--ports-dir", ports}));
  ASSERT_TRUE(second.readLine(&line, 10'000));
  CurrentPort = 0;
  OpenedPort = -1;
  ApplyPort();
  ASSERT_EQ(CheckPort(0), 0);
  CurrentPort = 1;
  ApplyPort();
  EXPECT_EQ(CheckPort(1), 0);
  EXPECT_EQ(CheckPort(0), -2);
  char path[512];
  ASSERT_EQ(PortDevicePath(0, path, sizeof path), 0);
  SerialHandle other = NoSerialHandle;
  EXPECT_EQ(SerialOpen(path, &other), SerialOk);  // free for another program
  SerialClose(other);
}

TEST_F(Channel, ReopeningKeepsTheRecordsBuffer) {
  ASSERT_TRUE(startDevice("COM1"));
  ASSERT_NE(OpenPort(0, PortBaudRate, 0, 2, 8, 0, 0), nullptr);
  uint8_t* buffer = PortTable[0].buffer;
  ASSERT_NE(OpenPort(0, PortBaudRate, 0, 2, 8, 0, 0), nullptr);  // closes the old handle first
  EXPECT_EQ(PortTable[0].buffer, buffer);
  EXPECT_EQ(PortTable[0].isOpen, 1);
  ClosePort(0);
  EXPECT_EQ(PortTable[0].buffer, nullptr);
}

TEST_F(Channel, DrainReadsOnceOnASilentLineAndEndsOnAChatteringOne) {
  PtyPair pair;
  openAsCom3(pair);
  static SerialBackend counting;  // installed beyond this function: TearDown closes through it
  counting = DeviceSerialBackend();
  counting.read = CountedRead;
  InstallSerialBackend(&counting);
  Reads = 0;
  DrainPort();
  EXPECT_EQ(Reads, 1);

  std::atomic<bool> stop{false};
  fcntl(pair.master, F_SETFL, O_NONBLOCK);  // a full line must not block the writer for ever
  std::thread chatter([&] {
    const uint8_t junk[256] = {};
    while (!stop) (void)!write(pair.master, junk, sizeof junk);
  });
  Reads = 0;
  DrainPort();  // must come back although the line never falls silent
  stop = true;
  chatter.join();
  EXPECT_GE(Reads, 1);
  EXPECT_LE(Reads, 16);
}

TEST_F(Channel, AVanishedDeviceLeavesThePortUnusable) {
  PtyPair pair;
  openAsCom3(pair);
  pair.closeMaster();
  ::close(pair.slave);
  pair.slave = -1;
  EXPECT_EQ(ReadPort(), 0);
  EXPECT_EQ(PortTable[2].isOpen, 0);
  EXPECT_EQ(CheckPort(2), -2);
  EXPECT_EQ(WaitReply(2000), WaitTimedOut);  // at once: nothing can answer any more
}

}  // namespace
