// tarvik-devsim: a device in bootloader mode on a pseudo-terminal, linked into the ports
// folder as COM<n>, served under the real monotonic clock.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/device.h"
#include "sim/dump.h"
#include "sim/json_out.h"
#include "sim/options.h"
#include "sim/pty_port.h"
#include "sim/replay.h"

namespace {

// How long before an answer is due the serving loop stops sleeping and spins.
constexpr int64_t SpinUs = 150;

using devsim::Device;
using devsim::DeviceMemory;
using devsim::Never;
using devsim::ProgramOptions;

volatile sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) { g_stopRequested = 1; }

int64_t MonotonicUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1000000 + ts.tv_nsec / 1000;
}

void SleepUs(int64_t us) {
  timespec ts{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
  nanosleep(&ts, nullptr);
}

// Appends the transcript entries that are not in the file yet.
class TranscriptFile {
 public:
  bool open(const std::string& path) {
    if (path.empty()) return true;
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
  }
  void catchUp(const Device& device) {
    const auto& entries = device.transcript();
    if (!file_ || written_ == entries.size()) return;
    for (; written_ < entries.size(); ++written_) {
      std::fprintf(file_, "%s\n", devsim::TranscriptJson(entries[written_]).c_str());
    }
    std::fflush(file_);
  }
  bool close() {
    const bool ok = !file_ || std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  FILE* file_ = nullptr;
  size_t written_ = 0;
};

// What the serving loop plays: the device model (with its transcript), or a replayed
// session.
struct Peer {
  Device* device = nullptr;
  devsim::Replay* replay = nullptr;
  TranscriptFile* transcript = nullptr;

  size_t hostRead(uint8_t* out, size_t cap, int64_t t) {
    return device ? device->hostRead(out, cap, t) : replay->hostRead(out, cap, t);
  }
  void hostWrite(const uint8_t* data, size_t n, int64_t t) {
    if (device)
      device->hostWrite(data, n, t);
    else
      replay->hostWrite(data, n, t);
  }
  int64_t nextArrivalUs() const { return device ? device->nextArrivalUs() : replay->nextArrivalUs(); }
  int64_t hangUpUs() const { return device ? device->hangUpUs() : Never; }
  bool hungUp(int64_t t) const { return device && device->hungUp(t); }
  void catchUp() {
    if (device && transcript) transcript->catchUp(*device);
  }
};

// Serves the peer on the pty until a stop signal or the hang-up fault. True on hang-up.
bool Serve(Peer& device, const devsim::PtyPort& pty, const sigset_t& waitMask) {
  const int64_t start = MonotonicUs();
  auto now = [start] { return MonotonicUs() - start; };
  std::vector<uint8_t> due;  // answer bytes whose time has come, not yet taken by the pty
  bool masterTroubled = false;
  uint8_t buf[4096];

  while (!g_stopRequested) {
    const int64_t t = now();
    for (size_t n; (n = device.hostRead(buf, sizeof buf, t)) > 0;) due.insert(due.end(), buf, buf + n);
    while (!due.empty()) {
      const ssize_t w = write(pty.master, due.data(), due.size());
      if (w <= 0) break;  // the pty is full: wait for POLLOUT
      due.erase(due.begin(), due.begin() + w);
    }
    device.catchUp();
    if (device.hungUp(t) && due.empty()) return true;

    if (masterTroubled) {
      // The master reported a hang-up or an error although we hold a slave: do not spin.
      SleepUs(10000);
      masterTroubled = false;
    }
    const int64_t wake = std::min(device.nextArrivalUs(), device.hangUpUs());
    timespec timeout{};
    if (wake != Never) {
      // Wake a little early and spin to the due time: a sleeping wake-up comes up to a few
      // hundred microseconds late, which would make every answer late.
      const int64_t wait = std::max<int64_t>(0, wake - now() - SpinUs);
      timeout = {static_cast<time_t>(wait / 1000000), static_cast<long>(wait % 1000000) * 1000};
    }
    pollfd p{pty.master, static_cast<short>(POLLIN | (due.empty() ? 0 : POLLOUT)), 0};
    const int r = ppoll(&p, 1, wake == Never ? nullptr : &timeout, &waitMask);
    if (r == 0 && wake != Never)
      while (now() < wake) {
      }
    if (r < 0) {
      if (errno == EINTR) continue;
      std::perror("tarvik-devsim: poll");
      return false;
    }
    if (p.revents & POLLIN) {
      ssize_t n;
      while ((n = read(pty.master, buf, sizeof buf)) > 0) {
        device.hostWrite(buf, static_cast<size_t>(n), now());
      }
      if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        masterTroubled = true;
      }
    } else if (p.revents & (POLLHUP | POLLERR)) {
      masterTroubled = true;
    }
  }
  return false;
}

// Before a hang-up closes the pty, give the host a moment to take the last answer: a
// hang-up flushes what the slave has not read yet.
void LetHostTakeAnswer(const devsim::PtyPort& pty) {
  const int64_t deadline = MonotonicUs() + 500000;
  SleepUs(2000);
  int queued = 0;
  while (ioctl(pty.slave, TIOCINQ, &queued) == 0 && queued > 0 && MonotonicUs() < deadline) {
    SleepUs(1000);
  }
}

bool WriteOutputs(const Device& device, const ProgramOptions& o, bool hungUp) {
  bool ok = true;
  auto fail = [&ok](const std::string& path) {
    std::fprintf(stderr, "tarvik-devsim: cannot write %s\n", path.c_str());
    ok = false;
  };
  const int count = device.deviceCount();
  for (int k = 1; k <= count; ++k) {
    if (!o.dumpHex.empty()) {
      const std::string path = devsim::DeviceFileName(o.dumpHex, k, count);
      if (!devsim::WriteIntelHex(device.memory(k), path)) fail(path);
    }
    if (!o.dumpBin.empty()) {
      const std::string path = devsim::DeviceFileName(o.dumpBin, k, count);
      if (!devsim::WriteFlatBinary(device.memory(k), path)) fail(path);
    }
  }
  if (!o.report.empty()) {
    FILE* f = std::fopen(o.report.c_str(), "w");
    const bool written = f && std::fprintf(f, "%s\n", devsim::ReportJson(device, hungUp).c_str()) > 0;
    if (!(f && std::fclose(f) == 0 && written)) fail(o.report);
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const devsim::ParsedOptions parsed =
      devsim::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.ok) {
    std::fprintf(stderr, "tarvik-devsim: %s\n", parsed.error.c_str());
    return 2;
  }
  const ProgramOptions& options = parsed.options;
  if (options.help) {
    std::fputs(devsim::HelpText().c_str(), stdout);
    return 0;
  }

  // Stop signals stay blocked except while waiting in ppoll, so none is lost between waits.
  sigset_t stopSignals, waitMask;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  sigdelset(&waitMask, SIGTERM);
  sigdelset(&waitMask, SIGINT);
  struct sigaction action{};
  action.sa_handler = OnStopSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  prctl(PR_SET_TIMERSLACK, 1UL);  // wake-ups on time, to the microsecond where we can

  std::string error;
  const std::string portsDir = devsim::PortsFolder(options.portsDir);
  if (portsDir.empty()) {
    std::fprintf(stderr, "tarvik-devsim: no ports folder: no home folder; use --ports-dir\n");
    return 1;
  }
  if (!devsim::EnsureDirectory(portsDir, &error)) {
    std::fprintf(stderr, "tarvik-devsim: %s\n", error.c_str());
    return 1;
  }
  devsim::PtyPort pty;
  if (!devsim::OpenPty(&pty, &error)) {
    std::fprintf(stderr, "tarvik-devsim: %s\n", error.c_str());
    return 1;
  }
  const std::string portName = options.port.empty() ? devsim::FreePortName(portsDir) : options.port;
  if (!devsim::LinkPort(portsDir, portName, pty.slavePath, &error)) {
    std::fprintf(stderr, "tarvik-devsim: %s\n", error.c_str());
    return 1;
  }
  TranscriptFile transcript;
  if (!transcript.open(options.transcript)) {
    std::fprintf(stderr, "tarvik-devsim: cannot write %s\n", options.transcript.c_str());
    devsim::UnlinkPort(portsDir, portName, pty.slavePath);
    return 1;
  }
  std::printf("tarvik-devsim: %s -> %s\n", portName.c_str(), pty.slavePath.c_str());
  std::fflush(stdout);

  if (!options.replay.empty()) {
    devsim::Replay replay;
    if (!replay.load(options.replay, &error)) {
      std::fprintf(stderr, "tarvik-devsim: %s\n", error.c_str());
      devsim::UnlinkPort(portsDir, portName, pty.slavePath);
      return 1;
    }
    Peer peer{nullptr, &replay, nullptr};
    Serve(peer, pty, waitMask);
    devsim::ClosePty(&pty);
    devsim::UnlinkPort(portsDir, portName, pty.slavePath);
    // The host wrote what the trace holds, in the same order, or the replay says where not.
    std::printf("tarvik-devsim: replay: %d of %zu writes as traced, %d differing, %d beyond the trace\n",
                replay.matched(), replay.steps(), replay.differing(), replay.extra());
    return replay.differing() == 0 && replay.extra() == 0 ? 0 : 1;
  }

  Device device(options.device);
  if (!options.load.empty()) {
    DeviceMemory memory;
    if (!devsim::ReadIntelHex(options.load, &memory, &error)) {
      std::fprintf(stderr, "tarvik-devsim: %s\n", error.c_str());
      devsim::UnlinkPort(portsDir, portName, pty.slavePath);
      return 1;
    }
    device.preload(memory);
  }
  Peer peer{&device, nullptr, &transcript};
  const bool hungUp = Serve(peer, pty, waitMask);
  if (hungUp) LetHostTakeAnswer(pty);
  devsim::ClosePty(&pty);
  transcript.catchUp(device);
  bool ok = transcript.close();
  ok = WriteOutputs(device, options, hungUp) && ok;
  devsim::UnlinkPort(portsDir, portName, pty.slavePath);
  return ok ? 0 : 1;
}
