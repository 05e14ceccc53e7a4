// The termios serial device over real ptys: the test holds the master as the device and
// its own slave descriptor to read the line settings back.
#include "platform/serial_device.h"

#include <dirent.h>
#include <signal.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/port_users.h"
#include "support/child_process.h"
#include "support/pty_pair.h"

namespace {

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d) != nullptr) ++n;
    closedir(d);
  }
  return n;
}

int64_t ThreadCpuUs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// Reads from the master until count bytes came or nothing comes for a while.
std::vector<uint8_t> ReadMaster(int master, size_t count) {
  std::vector<uint8_t> got;
  uint8_t chunk[4096];
  while (got.size() < count) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 2000) <= 0) break;
    const ssize_t n = read(master, chunk, sizeof chunk);
    if (n <= 0) break;
    got.insert(got.end(), chunk, chunk + n);
  }
  return got;
}

class SerialDeviceTest : public testing::Test {
 protected:
  void SetUp() override {
    InstallSerialBackend(nullptr);
    ASSERT_TRUE(pty.ok());
  }
  void TearDown() override {
    if (h != NoSerialHandle) SerialClose(h);
  }
  // Opens and sets up the port as the channel does: 115200 8N2, immediate reads.
  void OpenPort() {
    ASSERT_EQ(SerialOpen(pty.slavePath.c_str(), &h), SerialOk);
    ASSERT_EQ(SerialConfigure(h, LineSettings{115200, 0, 2, 8}), SerialOk);
    ASSERT_EQ(SerialSetImmediateReads(h), SerialOk);
  }

  PtyPair pty;
  SerialHandle h = NoSerialHandle;
};

TEST_F(SerialDeviceTest, ConfiguresRawLineWithoutFlowControl) {
  OpenPort();
  termios t{};
  ASSERT_EQ(tcgetattr(pty.slave, &t), 0);
  EXPECT_EQ(cfgetispeed(&t), B115200);
  EXPECT_EQ(cfgetospeed(&t), B115200);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_TRUE(t.c_cflag & CLOCAL);
  EXPECT_TRUE(t.c_cflag & CREAD);
  EXPECT_FALSE(t.c_cflag & (PARENB | CRTSCTS | HUPCL));
  EXPECT_FALSE(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | INPCK));
  EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
  EXPECT_FALSE(t.c_oflag & OPOST);
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);

  // Every byte value crosses unchanged both ways: no translation, no flow-control bytes
  // taken out, no echo.
  std::vector<uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
  ASSERT_EQ(SerialWrite(h, all.data(), 256, 2000), SerialOk);
  EXPECT_EQ(ReadMaster(pty.master, 256), all);
  ASSERT_EQ(write(pty.master, all.data(), 256), 256);
  std::vector<uint8_t> got;
  uint8_t buffer[512];
  while (got.size() < 256 && SerialWaitReadable(h, 2000) == 1) {
    const int n = SerialRead(h, buffer, sizeof buffer);
    ASSERT_GE(n, 0);
    got.insert(got.end(), buffer, buffer + n);
  }
  EXPECT_EQ(got, all);
  EXPECT_EQ(SerialRead(h, buffer, sizeof buffer), 0);  // nothing more, and not gone
}

TEST_F(SerialDeviceTest, LineSettingsTakeOrAreRefused) {
  ASSERT_EQ(SerialOpen(pty.slavePath.c_str(), &h), SerialOk);
  // A pty keeps the speed and stop bits but forces 8 data bits and no parity, so the
  // settings it cannot carry show up as refused when they are read back.
  const struct {
    LineSettings settings;
    int result;
    speed_t speed;
    tcflag_t stopBits;
  } cases[] = {
      {{9600, 0, 0, 8}, SerialOk, B9600, 0},
      {{19200, 0, 1, 8}, SerialOk, B19200, CSTOPB},  // one and a half: two
      {{230400, 0, 2, 8}, SerialOk, B230400, CSTOPB},
      {{115200, 2, 2, 8}, SerialConfigFailed, 0, 0},  // even parity: not on a pty
      {{115200, 0, 2, 7}, SerialConfigFailed, 0, 0},  // 7 data bits: not on a pty
      {{115201, 0, 2, 8}, SerialConfigFailed, 0, 0},  // no such rate
      {{115200, 5, 2, 8}, SerialConfigFailed, 0, 0},  // codes out of range
      {{115200, 0, 3, 8}, SerialConfigFailed, 0, 0},
      {{115200, 0, 2, 9}, SerialConfigFailed, 0, 0},
  };
  for (const auto& c : cases) {
    const LineSettings& s = c.settings;
    const std::string row = std::to_string(s.baudRate) + " parity " + std::to_string(s.parity) +
                            " stop " + std::to_string(s.stopBits) + " size " +
                            std::to_string(s.byteSize);
    EXPECT_EQ(SerialConfigure(h, s), c.result) << row;
    termios t{};
    ASSERT_EQ(tcgetattr(pty.slave, &t), 0);
    if (c.result == SerialOk) {
      EXPECT_EQ(cfgetospeed(&t), c.speed) << row;
      EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), CS8 | c.stopBits) << row;
    }
  }
  // Settings of something that is not a terminal cannot be read.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  EXPECT_EQ(SerialConfigure(fds[0], LineSettings{115200, 0, 2, 8}), SerialFailed);
  close(fds[0]);
  close(fds[1]);
}

TEST_F(SerialDeviceTest, OpenIsExclusiveUntilClose) {
  OpenPort();
  int excl = 0;
  ASSERT_EQ(ioctl(pty.slave, TIOCGEXCL, &excl), 0);
  EXPECT_EQ(excl, 1);

  SerialHandle second = NoSerialHandle;
  EXPECT_EQ(SerialOpen(pty.slavePath.c_str(), &second), SerialBusy);
  EXPECT_EQ(second, NoSerialHandle);
  ASSERT_EQ(ioctl(pty.slave, TIOCGEXCL, &excl), 0);
  EXPECT_EQ(excl, 1) << "a refused opening must leave the holder's exclusive mode alone";

  SerialClose(h);
  h = NoSerialHandle;
  ASSERT_EQ(ioctl(pty.slave, TIOCGEXCL, &excl), 0);
  EXPECT_EQ(excl, 0) << "the exclusive mode would outlive the close on a pty";
  EXPECT_EQ(SerialOpen(pty.slavePath.c_str(), &h), SerialOk);
}

TEST_F(SerialDeviceTest, FailedOpensLeakNothing) {
  char file[] = "/tmp/tarvik-notadevice-XXXXXX";
  const int fileFd = mkstemp(file);
  ASSERT_GE(fileFd, 0);
  close(fileFd);
  SerialHandle held = NoSerialHandle;
  ASSERT_EQ(SerialOpen(pty.slavePath.c_str(), &held), SerialOk);

  const int before = OpenDescriptors();
  const struct {
    const char* path;
    int result;
  } cases[] = {
      {"/nonexistent/ttyUSB9", SerialNoDevice},
      {file, SerialNoDevice},        // a regular file
      {"/tmp", SerialNoDevice},      // a folder
      {"/dev/null", SerialNoDevice}, // a character device, but no terminal
      {pty.slavePath.c_str(), SerialBusy},
      {"", SerialNoDevice},
  };
  for (const auto& c : cases) {
    SerialHandle bad = 123;
    EXPECT_EQ(SerialOpen(c.path, &bad), c.result) << c.path;
    EXPECT_EQ(bad, NoSerialHandle) << c.path;
  }
  EXPECT_EQ(OpenDescriptors(), before);

  SerialClose(held);
  ASSERT_EQ(SerialOpen(pty.slavePath.c_str(), &h), SerialOk);
  SerialClose(h);
  h = NoSerialHandle;
  EXPECT_EQ(OpenDescriptors(), before - 1);
  unlink(file);
}

TEST_F(SerialDeviceTest, LargeWriteCompletesAgainstSlowReader) {
  OpenPort();
  std::vector<uint8_t> data(256 * 1024);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 251);
  std::vector<uint8_t> got;
  std::thread reader([&] {
    uint8_t chunk[1024];
    while (got.size() < data.size()) {
      pollfd p{pty.master, POLLIN, 0};
      if (poll(&p, 1, 5000) <= 0) break;
      const ssize_t n = read(pty.master, chunk, sizeof chunk);
      if (n <= 0) break;
      got.insert(got.end(), chunk, chunk + n);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  EXPECT_EQ(SerialWrite(h, data.data(), static_cast<int>(data.size()), 20000), SerialOk);
  reader.join();
  EXPECT_TRUE(got == data) << got.size() << " of " << data.size() << " bytes arrived";
}

TEST_F(SerialDeviceTest, WriteTimesOutWhenNothingReads) {
  OpenPort();
  std::vector<uint8_t> data(1024 * 1024, 0x55);
  const int64_t cpuBefore = ThreadCpuUs();
  EXPECT_EQ(SerialWrite(h, data.data(), static_cast<int>(data.size()), 150), SerialTimedOut);
  // The wait for room is a poll, not a loop around write.
  EXPECT_LT(ThreadCpuUs() - cpuBefore, 75000);
  // Draining holds no queue to wait for on a pty, however full the peer is.
  EXPECT_EQ(SerialDrain(h, 100), SerialOk);
}

TEST_F(SerialDeviceTest, ModemLinesAndLowLatencyAreAcceptedOnPty) {
  OpenPort();
  for (ModemLine line : {ModemLine::Dtr, ModemLine::Rts})
    for (bool on : {true, false}) EXPECT_EQ(SerialSetLine(h, line, on), SerialOk);
  EXPECT_EQ(SerialRequestLowLatency(h), SerialOk);
  const uint8_t probe = 0xC1;
  ASSERT_EQ(SerialWrite(h, &probe, 1, 1000), SerialOk);
  EXPECT_EQ(SerialDrain(h, 1000), SerialOk);
}

TEST_F(SerialDeviceTest, WaitReadableSeesBytesOrTimesOut) {
  OpenPort();
  const int64_t cpuBefore = ThreadCpuUs();
  EXPECT_EQ(SerialWaitReadable(h, 60), 0);
  EXPECT_LT(ThreadCpuUs() - cpuBefore, 30000);
  std::thread device([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    (void)!write(pty.master, "K", 1);
  });
  EXPECT_EQ(SerialWaitReadable(h, 5000), 1);
  device.join();
  uint8_t byte = 0;
  EXPECT_EQ(SerialRead(h, &byte, 1), 1);
  EXPECT_EQ(byte, 'K');
}

TEST_F(SerialDeviceTest, VanishedDeviceIsGone) {
  OpenPort();
  // The device goes while a long wait is under way: the wait ends with it, not at its
  // time-out.
  std::thread device([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    pty.closeMaster();
  });
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(SerialWaitReadable(h, 20000), SerialGone);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
  device.join();

  uint8_t buffer[16];
  EXPECT_EQ(SerialRead(h, buffer, sizeof buffer), SerialGone);
  EXPECT_EQ(SerialWaitReadable(h, 1000), SerialGone);
  EXPECT_EQ(SerialWrite(h, buffer, 4, 1000), SerialGone);
  EXPECT_EQ(SerialDrain(h, 1000), SerialGone);
}

// Another program that simply has the port open (a terminal program, say) would take some
// of the device's answers: the port is refused until it lets go.
TEST_F(SerialDeviceTest, APortAnotherProcessHasOpenIsRefused) {
  ChildProcess holder;
  ASSERT_TRUE(holder.start("/bin/sh", {"-c", "exec 3<>" + pty.slavePath + "; echo open; exec sleep 30"}));
  std::string line;
  ASSERT_TRUE(holder.readLine(&line, 10'000));
  EXPECT_EQ(SerialOpen(pty.slavePath.c_str(), &h), SerialBusy);
  EXPECT_EQ(h, NoSerialHandle);
  holder.signal(SIGKILL);
  ASSERT_TRUE(holder.wait(10'000));
  EXPECT_EQ(SerialOpen(pty.slavePath.c_str(), &h), SerialOk);
}

// The lock files of Linux serial tools: a live owner holds the port, a dead one's lock is
// stale; ours names us while the port is open and goes with it.
TEST_F(SerialDeviceTest, LockFilesOfLiveOwnersHoldThePortAndStaleOnesAreRemoved) {
  ScratchDir locks;
  setenv("TARVIK_LOCK_DIR", locks.path().c_str(), 1);
  const std::string lock = locks.file(LockFileName(pty.slavePath.c_str()));
  EXPECT_EQ(LockFileName("/dev/pts/3"), "LCK..pts_3");
  EXPECT_EQ(LockFileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
  const auto writeLock = [&](long pid) {
    FILE* f = std::fopen(lock.c_str(), "w");
    std::fprintf(f, "%10ld\n", pid);
    std::fclose(f);
  };

  ChildProcess owner;
  ASSERT_TRUE(owner.start("/bin/sleep", {"30"}));
  writeLock(owner.pid());
  EXPECT_EQ(SerialOpen(pty.slavePath.c_str(), &h), SerialBusy);
  owner.signal(SIGKILL);
  ASSERT_TRUE(owner.wait(10'000));  // its lock is stale now

  ASSERT_EQ(SerialOpen(pty.slavePath.c_str(), &h), SerialOk);
  EXPECT_EQ(std::stol(ReadTextFile(lock)), static_cast<long>(getpid()));
  SerialClose(h);
  h = NoSerialHandle;
  EXPECT_NE(access(lock.c_str(), F_OK), 0);
  unsetenv("TARVIK_LOCK_DIR");
}

// The kernel keeps a port's last settings after a close: the next program finds the line
// as it was before this one opened it.
TEST_F(SerialDeviceTest, TheLineSettingsAreGivenBackAtClose) {
  termios before{};
  ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
  before.c_lflag |= ICANON | ECHO;
  cfsetispeed(&before, B9600);
  cfsetospeed(&before, B9600);
  ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &before), 0);
  ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
  OpenPort();
  SerialClose(h);
  h = NoSerialHandle;
  termios after{};
  ASSERT_EQ(tcgetattr(pty.slave, &after), 0);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(cfgetospeed(&after), B9600);
}

}  // namespace
