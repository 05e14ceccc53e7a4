// tarvik-devsim over a real pty: the link, the answers, the files it writes, the hang-up.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "test_host.h"

namespace {

namespace fs = std::filesystem;
using namespace simtest;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Reads from fd until want bytes have come, timeoutMs have passed or the fd is closed.
std::string ReadFor(int fd, int timeoutMs, size_t want) {
  std::string got;
  const int64_t deadline = NowMs() + timeoutMs;
  while (got.size() < want) {
    const int64_t left = deadline - NowMs();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
    if (!(p.revents & POLLIN)) break;
    char buf[512];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  return got;
}

// One tarvik-devsim process with its stdout and stderr on pipes.
class Devsim {
 public:
  ~Devsim() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }

  void start(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    int out[2], err[2];
    ASSERT_EQ(pipe(out), 0);
    ASSERT_EQ(pipe(err), 0);
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      dup2(out[1], 1);
      dup2(err[1], 2);
      close(out[0]);
      close(err[0]);
      for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
      std::vector<char*> argv{const_cast<char*>(TARVIK_DEVSIM)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(TARVIK_DEVSIM, argv.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }

  // The first line on stdout, without its newline.
  std::string readyLine() {
    std::string line;
    const int64_t deadline = NowMs() + 5000;
    while (line.find('\n') == std::string::npos && NowMs() < deadline) {
      const std::string more = ReadFor(out_, 100, 1);
      line += more;
    }
    return line.substr(0, line.find('\n'));
  }

  std::string standardError() { return ReadFor(err_, 1000, 1 << 16); }

  // Waits for the process to end by itself: its exit code, or -1.
  int waitExit(int timeoutMs) {
    const int64_t deadline = NowMs() + timeoutMs;
    while (NowMs() < deadline) {
      int status = 0;
      const pid_t r = wait4(pid_, &status, WNOHANG, &usage_);
      if (r == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
  }

  int stop() {
    kill(pid_, SIGTERM);
    return waitExit(5000);
  }

  double cpuSeconds() const {
    auto s = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return s(usage_.ru_utime) + s(usage_.ru_stime);
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1, err_ = -1;
  rusage usage_{};
};

class DevsimProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/devsim-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    if (host_ >= 0) close(host_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Opens the port as a host would and checks the ready line names the link's target.
  void openPort(const std::string& readyLine, const fs::path& link) {
    const std::string prefix = "tarvik-devsim: " + link.filename().string() + " -> ";
    ASSERT_EQ(readyLine.rfind(prefix, 0), 0u) << readyLine;
    const std::string pts = readyLine.substr(prefix.size());
    EXPECT_EQ(pts.rfind("/dev/pts/", 0), 0u);
    EXPECT_EQ(fs::read_symlink(link).string(), pts);
    host_ = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(host_, 0);
  }

  std::string exchange(const Bytes& frame, size_t answerSize, int timeoutMs = 2000) {
    EXPECT_EQ(write(host_, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    return ReadFor(host_, timeoutMs, answerSize);
  }

  fs::path dir_;
  int host_ = -1;
};

const std::string VRecord48("V\x05\x48\x02\x00K", 6);

size_t LineCount(const fs::path& file) {
  const std::string text = ReadFile(file);
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(DevsimProgram, ServesAPortAndWritesItsFilesOnExit) {
  const fs::path ports = dir_ / "config" / "ports";  // created by the program
  Devsim sim;
  sim.start({"--port", "COM3", "--ports-dir", ports.string(), "--dump", (dir_ / "d.hex").string(),
             "--dump-bin", (dir_ / "d.bin").string(), "--transcript",
             (dir_ / "t.jsonl").string(), "--report", (dir_ / "r.json").string()});
  openPort(sim.readyLine(), ports / "COM3");

  EXPECT_EQ(exchange({0xC2}, 6), VRecord48);
  const Bytes data = Counting(64, 0x20);
  EXPECT_EQ(exchange(Block(0, data), 1), "K");
  EXPECT_EQ(exchange(Eeprom(2, 0x77), 1), "K");
  EXPECT_EQ(ReadFor(host_, 50, 1), "") << "nothing more, no echo";

  // The transcript is written as frames come.
  const int64_t deadline = NowMs() + 2000;
  while (LineCount(dir_ / "t.jsonl") < 3 && NowMs() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const std::string transcript = ReadFile(dir_ / "t.jsonl");
  EXPECT_EQ(LineCount(dir_ / "t.jsonl"), 3u) << transcript;
  EXPECT_NE(transcript.find("\"kind\":\"block\",\"address\":0,\"length\":64,\"checksumOk\":true,"
                            "\"answer\":\"K\""),
            std::string::npos)
      << transcript;

  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // idle: it must sleep, not spin
  EXPECT_EQ(sim.stop(), 0);
  EXPECT_LT(sim.cpuSeconds(), 0.15);
  EXPECT_FALSE(fs::exists(fs::symlink_status(ports / "COM3")));

  EXPECT_EQ(ReadFile(dir_ / "d.bin"), Text(data));
  const std::string report = ReadFile(dir_ / "r.json");
  EXPECT_NE(report.find("\"frames\":3,\"bytesToDevice\":76,\"bytesFromDevice\":8"), std::string::npos)
      << report;

  // An independent HEX reader must find the same flash and the EEPROM byte at 0xF00002.
  const std::string srecCat = TARVIK_SREC_CAT;
  if (srecCat.empty()) GTEST_SKIP() << "srec_cat not found: HEX not cross-checked";
  const std::string hex = (dir_ / "d.hex").string();
  const std::string flash = (dir_ / "flash.bin").string(), ee = (dir_ / "ee.bin").string();
  ASSERT_EQ(std::system((srecCat + " " + hex + " -Intel -crop 0 0xF00000 -o " + flash +
                         " -Binary").c_str()), 0);
  ASSERT_EQ(std::system((srecCat + " " + hex + " -Intel -crop 0xF00000 0xF00100 -offset -0xF00000"
                         " -o " + ee + " -Binary").c_str()), 0);
  EXPECT_EQ(ReadFile(flash), Text(data));
  EXPECT_EQ(ReadFile(ee), std::string("\0\0\x77", 3));
}

TEST_F(DevsimProgram, HangUpFaultClosesThePtyAndEndsTheProgram) {
  Devsim sim;
  sim.start({"--ports-dir", dir_.string(), "--hangup-after", "1"});
  openPort(sim.readyLine(), dir_ / "COM1");
  EXPECT_EQ(exchange({0xC2}, 6), VRecord48);
  EXPECT_EQ(exchange(Block(0, Bytes(64, 1)), 1), "K") << "the last frame is still answered";

  pollfd p{host_, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 3000), 1);
  EXPECT_TRUE(p.revents & (POLLHUP | POLLERR)) << p.revents;
  EXPECT_EQ(sim.waitExit(3000), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir_ / "COM1")));
}

TEST_F(DevsimProgram, PlaysSeveralDevicesAndDumpsEach) {
  Devsim sim;
  sim.start({"--ports-dir", dir_.string(), "--chip", "0x48,0x42", "--dump-bin",
             (dir_ / "d.bin").string()});
  openPort(sim.readyLine(), dir_ / "COM1");
  EXPECT_EQ(exchange({0xC2}, 6), VRecord48);
  EXPECT_EQ(exchange(Block(0, Bytes(64, 0x11)), 1), "K");
  EXPECT_EQ(exchange({0xC2}, 6), std::string("V\x05\x42\x02\x00K", 6));
  EXPECT_EQ(exchange(Block(0, Bytes(32, 0x22)), 1), "K");
  EXPECT_EQ(sim.stop(), 0);
  EXPECT_EQ(ReadFile(dir_ / "d.bin.1"), std::string(64, '\x11'));
  EXPECT_EQ(ReadFile(dir_ / "d.bin.2"), std::string(32, '\x22'));
}

TEST_F(DevsimProgram, TakesThePortsFolderFromTheEnvironmentAndReplacesAStaleLink) {
  fs::create_symlink("/nonexistent/pts/99", dir_ / "COM1");
  Devsim sim;
  sim.start({}, {"TARVIK_PORTS_DIR=" + dir_.string()});
  openPort(sim.readyLine(), dir_ / "COM1");
  EXPECT_EQ(exchange({0xC5}, 6), VRecord48);
  EXPECT_EQ(sim.stop(), 0);
}

TEST_F(DevsimProgram, TimeModelAndLateFaultHoldTheAnswerBack) {
  Devsim sim;
  sim.start({"--ports-dir", dir_.string(), "--line-rate", "--late", "1:30"});
  openPort(sim.readyLine(), dir_ / "COM1");
  EXPECT_EQ(exchange({0xC2}, 6), VRecord48);
  const auto sent = std::chrono::steady_clock::now();
  EXPECT_EQ(exchange(Block(0, Bytes(64, 1)), 1), "K");
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count();
  // 69 bytes in, 2.8 ms block write, 30 ms late, 1 byte out: never earlier than that.
  EXPECT_GE(ms, 30 + 2.8 + 70 * 0.095486);
  EXPECT_EQ(sim.stop(), 0);
}

TEST_F(DevsimProgram, BadOptionExitsWithCode2AndHelpWith0) {
  {
    Devsim sim;
    sim.start({"--ports-dir", (dir_ / "ports").string(), "--chip", "zz"});
    EXPECT_EQ(sim.waitExit(5000), 2);
    EXPECT_NE(sim.standardError().find("--chip"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "ports")) << "nothing is set up";
  }
  Devsim sim;
  sim.start({"--help"});
  const std::string firstLine = sim.readyLine();
  EXPECT_EQ(firstLine.rfind("Usage: tarvik-devsim", 0), 0u) << firstLine;
  EXPECT_EQ(sim.waitExit(5000), 0);
}

}  // namespace
