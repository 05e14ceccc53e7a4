// The update-time benchmark: whole updates of this release's two built-in images, slot 7 on a
// chip 0xFD device and slot 9 with its EEPROM on a chip 0x48 device, each against a fresh
// tarvik-devsim on a pty with its time model, through the real channel, engine and Upgrade
// window (offscreen). Every image is updated three ways:
//   readable     the program's own waiting: until the port is readable, 5 ms at the most
//   fixed-sleep  5 ms sleeps with a poll after each, installed here through the waiting
//                interface, for comparison
//   bare         no engine and no windows: the bytes the last engine update wrote, replayed
//                on the same kind of pty with nothing but write, poll and read, each write
//                waiting for its K. It shows what the pty, the simulator and this machine
//                cost by themselves.
//
// Measured time runs from the host's first byte (the write of the first probe) to the
// success text ("Program OK", set just before PrgMode returns). The simulator's physical
// limit starts from that same byte and counts the line time of every byte both ways and the
// write time of every block and EEPROM byte; the simulator's session time ends with the last
// answer's last byte. Measuring up to the success text is the stricter of the two: it also
// holds the host's reaction to the last answer, and it is what the user waits for.
//
// CPU time is the process's, over the measured interval. A gap is the time between the starts
// of two message-processing rounds, the run's start and end counting as rounds; it is taken
// by wrapping processMessages in the installed waiting backend. Host time per frame is the
// time from the end of the wait that brought an answer to the write of the next frame,
// taken by wrapping the device backend's read and write.
#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QSettings>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "platform/serial_device.h"
#include "platform/waiting.h"
#include "protocol/decoder.h"
#include "protocol/run.h"
#include "protocol/search.h"
#include "serial/channel.h"
#include "ui/forms.h"
#include "ui/status_bar.h"
#include "ui/window_view.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"

extern char** environ;

namespace {

constexpr double ByteUs = 11 * 1e6 / 115200;  // one byte on the line, as the simulator has it
constexpr int64_t LongGapUs = 10000;          // the windows must never wait this long

int64_t ClockUs(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return int64_t{ts.tv_sec} * 1000000 + ts.tv_nsec / 1000;
}
int64_t NowUs() { return ClockUs(CLOCK_MONOTONIC); }
int64_t CpuUs() { return ClockUs(CLOCK_PROCESS_CPUTIME_ID); }

// ---- What one update records through the backends it installs ----

// The host's writes of an engine update, kept for the bare replay. Reserved before the run,
// so recording allocates nothing while it is measured.
struct Recording {
  std::vector<uint8_t> bytes;
  std::vector<int> ends;  // where each write ends in bytes
};

struct Trace {
  int64_t firstWriteUs = 0;
  int64_t firstWriteCpuUs = 0;
  int64_t wakeUs = 0;      // end of the last wait for input, until a write takes it
  int64_t answerUs = 0;    // the first read after that wait that brought bytes
  int64_t hostUs = 0;      // sum over frames: end of the wait that brought the answer -> next write
  int64_t messagesUs = 0;  // the part of it before the answer was read
  int reactions = 0;
  int64_t lastRoundUs = 0;
  int64_t longestGapUs = 0;
  int longGaps = 0;  // gaps of LongGapUs or more
  int64_t longestRoundUs = 0;
  Recording* recording = nullptr;
};
Trace trace;

int TimedWrite(SerialHandle h, const uint8_t* bytes, int count, int timeoutMs) {
  const int64_t now = NowUs();
  if (trace.firstWriteUs == 0) {
    trace.firstWriteUs = now;
    trace.firstWriteCpuUs = CpuUs();
  }
  if (trace.wakeUs != 0) {
    trace.hostUs += now - trace.wakeUs;
    if (trace.answerUs != 0) trace.messagesUs += trace.answerUs - trace.wakeUs;
    ++trace.reactions;
    trace.wakeUs = trace.answerUs = 0;
  }
  if (Recording* r = trace.recording) {
    r->bytes.insert(r->bytes.end(), bytes, bytes + count);
    r->ends.push_back(static_cast<int>(r->bytes.size()));
  }
  return DeviceSerialBackend().write(h, bytes, count, timeoutMs);
}

int TimedRead(SerialHandle h, uint8_t* buffer, int capacity) {
  const int64_t before = NowUs();
  const int n = DeviceSerialBackend().read(h, buffer, capacity);
  if (n > 0 && trace.wakeUs != 0 && trace.answerUs == 0) trace.answerUs = before;
  return n;
}

void NoteRound(int64_t now) {
  const int64_t gap = now - trace.lastRoundUs;
  trace.longestGapUs = std::max(trace.longestGapUs, gap);
  if (gap >= LongGapUs) ++trace.longGaps;
  trace.lastRoundUs = now;
}

void TimedRound() {
  const int64_t start = NowUs();
  NoteRound(start);
  RealWaitBackend().processMessages();
  trace.longestRoundUs = std::max(trace.longestRoundUs, NowUs() - start);
}

// The program's own wait: until the port is readable, at most ms.
int ReadableWait(SerialHandle h, int ms) {
  const int r = RealWaitBackend().waitInput(h, ms);
  trace.wakeUs = NowUs();
  trace.answerUs = 0;
  return r;
}

// The fixed-sleep wait: the whole step is slept, whatever arrives, and the port is then
// taken as readable, so the poll follows every step.
int FixedSleepWait(SerialHandle, int ms) {
  RealWaitBackend().sleepMs(ms);
  trace.wakeUs = NowUs();
  trace.answerUs = 0;
  return 1;
}

struct Strategy {
  const char* name;
  int (*waitInput)(SerialHandle, int);  // nullptr: the bare replay
};
const Strategy Strategies[] = {
    {"readable", ReadableWait}, {"fixed-sleep", FixedSleepWait}, {"bare", nullptr}};

struct Image {
  int slot;
  const char* chip;
  bool wide;  // 16-bit chip: five-byte block header
};
const Image Images[] = {{7, "0xFD", true}, {9, "0x48", false}};

// ---- The simulated device ----

struct Simulator {
  pid_t pid = -1;
};

bool StartSimulator(const std::string& devsim, const std::vector<std::string>& extra,
                    const Image& image, const std::string& portsDir, const std::string& report,
                    const std::string& transcript, Simulator* sim) {
  std::vector<std::string> args = {devsim, "--chip", image.chip, "--version", "5", "--line-rate",
                                   "--port", "COM1", "--ports-dir", portsDir, "--report", report};
  if (!transcript.empty()) args.insert(args.end(), {"--transcript", transcript});
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const int spawned = posix_spawn(&sim->pid, devsim.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    std::fprintf(stderr, "cannot start %s: %s\n", devsim.c_str(), std::strerror(spawned));
    return false;
  }
  // Ready once it names its pty: "tarvik-devsim: COM1 -> /dev/pts/N".
  std::string line;
  const int64_t deadline = NowUs() + 5000000;
  char c = 0;
  while (c != '\n' && NowUs() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    if (read(out[0], &c, 1) != 1) break;
    line += c;
  }
  close(out[0]);
  if (line.rfind("tarvik-devsim: COM1 -> /dev/pts/", 0) == 0) return true;
  std::fprintf(stderr, "tarvik-devsim did not come up (%s)\n", line.c_str());
  kill(sim->pid, SIGTERM);
  waitpid(sim->pid, nullptr, 0);
  return false;
}

// SIGTERM makes the simulator write its report and exit; *cpuUs is the CPU time it used.
bool StopSimulator(Simulator* sim, int64_t* cpuUs) {
  int status = 0;
  rusage usage{};
  kill(sim->pid, SIGTERM);
  const bool exited = wait4(sim->pid, &status, 0, &usage) == sim->pid && WIFEXITED(status) &&
                      WEXITSTATUS(status) == 0;
  sim->pid = -1;
  *cpuUs = (int64_t{usage.ru_utime.tv_sec} + usage.ru_stime.tv_sec) * 1000000 +
           usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
  return exited;
}

// CPU time the whole machine was busy, all CPUs together (/proc/stat), so that the load
// of other work during a run can be shown beside its result.
int64_t MachineBusyUs() {
  long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
  if (FILE* f = std::fopen("/proc/stat", "r")) {
    if (std::fscanf(f, "cpu %lld %lld %lld %lld %lld %lld %lld %lld", &user, &nice, &system, &idle,
                    &iowait, &irq, &softirq, &steal) != 8)
      user = nice = system = irq = softirq = steal = 0;
    std::fclose(f);
  }
  return (user + nice + system + irq + softirq + steal) * 1000000 / sysconf(_SC_CLK_TCK);
}

// Time a thread spent ready to run but waiting for a CPU (/proc/.../schedstat), in us.
int64_t RunQueueWaitUs(const std::string& schedstat) {
  long long running = 0, waiting = 0;
  if (FILE* f = std::fopen(schedstat.c_str(), "r")) {
    if (std::fscanf(f, "%lld %lld", &running, &waiting) != 2) waiting = 0;
    std::fclose(f);
  }
  return waiting / 1000;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A number field of a flat JSON object; -1 when absent.
int64_t JsonNumber(const std::string& json, const char* key) {
  const std::string quoted = std::string("\"") + key + "\":";
  const size_t at = json.find(quoted);
  return at == std::string::npos ? -1 : std::strtoll(json.c_str() + at + quoted.size(), nullptr, 10);
}

std::string JsonWord(const std::string& json, const char* key) {
  const std::string quoted = std::string("\"") + key + "\":\"";
  const size_t at = json.find(quoted);
  if (at == std::string::npos) return {};
  const size_t begin = at + quoted.size();
  return json.substr(begin, json.find('"', begin) - begin);
}

// ---- Gaps between frames, from the simulator's transcript ----

// Per pair of frame kinds: the time from an answer's last byte at the host to the device's
// start of receiving the next frame. The host, the OS and the pty account for all of it.
using GapTable = std::map<std::string, std::vector<int64_t>>;

void AddGaps(const std::string& transcript, const Image& image, GapTable* gaps) {
  std::istringstream lines(ReadFile(transcript));
  std::string line, previousKind;
  int64_t previousAnswerUs = -1;
  while (std::getline(lines, line)) {
    const std::string kind = JsonWord(line, "kind");
    int bytes = 1;  // probe, entry
    if (kind == "block") bytes = (image.wide ? 5 : 4) + static_cast<int>(JsonNumber(line, "length")) + 1;
    if (kind == "eeprom") bytes = 6;
    const int64_t startUs = JsonNumber(line, "timeUs") - static_cast<int64_t>(bytes * ByteUs + 0.5);
    if (previousAnswerUs >= 0) (*gaps)[previousKind + " -> " + kind].push_back(startUs - previousAnswerUs);
    previousKind = kind;
    previousAnswerUs = JsonNumber(line, "answerUs");  // -1 (null) when not answered
  }
}

// ---- One update ----

struct Sample {
  int64_t frames = 0, wireBytes = 0, limitUs = 0, sessionUs = 0;
  int64_t measuredUs = 0, cpuUs = 0, hostUs = 0, messagesUs = 0;
  int64_t longestGapUs = 0, longestRoundUs = 0, simCpuUs = 0;
  int64_t queueUs = 0, simQueueUs = 0;  // ready to run but waiting for a CPU
  int reactions = 0, longGaps = 0;
  double othersLoad = 0;  // per cent of all CPUs
  double ratio() const { return static_cast<double>(measuredUs) / static_cast<double>(limitUs); }
};

// The engine's update, as the Upgrade window's START runs it; true on "Program OK".
bool EngineUpdate(const Strategy& strategy) {
  // The channel and the decoder as a START finds them.
  UsePort(0);
  AckReceived = RefusalReceived = AbortRequested = false;
  WaitBackend wait = RealWaitBackend();
  wait.processMessages = TimedRound;
  wait.waitInput = strategy.waitInput;
  InstallWaitBackend(&wait);
  const int16_t found = UpdateDevices(HandleOf(Form5->ProgressBar1), HandleOf(Form5->StatusBar1),
                                      HandleOf(Form5->ProgressBar2));
  InstallWaitBackend(nullptr);
  const QString message = Form5->StatusBar1->panelText(StatusPanels[MessagePanel]);
  if (message == QLatin1String("Program OK")) return true;
  std::fprintf(stderr, "the update failed (search %d, message \"%s\")\n", found,
               message.toUtf8().constData());
  return false;
}

// The recorded writes again on a port the channel opened, each followed by a drain before
// it and a plain wait for its K; true when every write got one.
bool BareReplay(const Recording& recording) {
  CurrentPort = 0;
  OpenedPort = -1;
  ApplyPort();
  const SerialHandle h = CurrentPortHandle();
  if (h == NoSerialHandle || recording.ends.empty()) return false;
  uint8_t in[RxBufferSize];
  int begin = 0;
  for (const int end : recording.ends) {
    while (SerialRead(h, in, sizeof in) > 0) {
    }
    SerialWrite(h, recording.bytes.data() + begin, end - begin, 1000 + 10 * (end - begin));
    begin = end;
    for (bool answered = false; !answered;) {
      if (SerialWaitReadable(h, 2000) != 1) return false;
      trace.wakeUs = NowUs();
      const int n = std::max(SerialRead(h, in, sizeof in), 0);
      answered = std::find(in, in + n, 'K') != in + n;
    }
  }
  return true;
}

bool RunUpdate(const std::string& devsim, const std::vector<std::string>& extra,
               const std::string& work, const Image& image, const Strategy& strategy,
               Recording* recording, GapTable* gaps, Sample* s) {
  const std::string report = work + "/report.json";
  const std::string transcript = gaps != nullptr ? work + "/transcript.jsonl" : std::string();
  std::remove(report.c_str());
  if (strategy.waitInput == nullptr && recording->ends.empty()) {
    std::fprintf(stderr, "bare: no engine update of slot %d to replay yet\n", image.slot);
    return false;
  }
  Simulator sim;
  if (!StartSimulator(devsim, extra, image, work + "/ports", report, transcript, &sim)) return false;

  trace = Trace{};
  if (strategy.waitInput != nullptr) {
    recording->bytes.clear();
    recording->ends.clear();
    recording->bytes.reserve(1 << 20);
    recording->ends.reserve(1 << 13);
    trace.recording = recording;
  }
  const int64_t busyStartUs = MachineBusyUs();
  const int64_t queueStartUs = RunQueueWaitUs("/proc/self/schedstat");
  const int64_t startUs = NowUs();
  trace.lastRoundUs = startUs;
  const bool updated = strategy.waitInput != nullptr ? EngineUpdate(strategy) : BareReplay(*recording);
  const int64_t endUs = NowUs();
  const int64_t endCpuUs = CpuUs();
  const int64_t busyUs = MachineBusyUs() - busyStartUs;
  s->queueUs = RunQueueWaitUs("/proc/self/schedstat") - queueStartUs;
  s->simQueueUs = RunQueueWaitUs("/proc/" + std::to_string(sim.pid) + "/schedstat");
  if (strategy.waitInput != nullptr) NoteRound(endUs);  // the bare replay has no rounds
  trace.recording = nullptr;

  ClosePort(CurrentPort);
  int64_t simCpuUs = 0;
  const bool stopped = StopSimulator(&sim, &simCpuUs);
  const std::string json = ReadFile(report);
  s->frames = JsonNumber(json, "frames");
  s->wireBytes = JsonNumber(json, "bytesToDevice") + JsonNumber(json, "bytesFromDevice");
  s->limitUs = JsonNumber(json, "physicalLimitUs");
  s->sessionUs = JsonNumber(json, "sessionUs");
  s->measuredUs = endUs - trace.firstWriteUs;
  s->cpuUs = endCpuUs - trace.firstWriteCpuUs;
  s->hostUs = trace.hostUs;
  s->messagesUs = trace.messagesUs;
  s->reactions = trace.reactions;
  s->longestGapUs = trace.longestGapUs;
  s->longGaps = trace.longGaps;
  s->longestRoundUs = trace.longestRoundUs;
  s->simCpuUs = simCpuUs;
  // Everything the machine did besides this process and the simulator, in per cent of all CPUs.
  s->othersLoad = 100.0 * static_cast<double>(busyUs - s->cpuUs - simCpuUs) /
                  (static_cast<double>(endUs - startUs) * static_cast<double>(sysconf(_SC_NPROCESSORS_ONLN)));
  const bool ok = updated && stopped && s->limitUs > 0 && trace.firstWriteUs != 0;
  if (ok && gaps != nullptr) AddGaps(transcript, image, gaps);
  return ok;
}

// ---- Output ----

template <class F>
double Median(const std::vector<Sample>& samples, F value) {
  std::vector<double> v;
  for (const Sample& s : samples) v.push_back(value(s));
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Group {
  const Image* image;
  const Strategy* strategy;
  std::vector<Sample> samples;
  GapTable gaps;
};

double PerGap(const Sample& s, int64_t us) { return double(us) / std::max(s.reactions, 1); }

void PrintTables(const std::vector<Group>& groups, int runs) {
  std::printf("\nWhole updates over a pty against tarvik-devsim --line-rate (115200 baud, 11 bits a byte),\n"
              "medians of %d run(s); the ratio with its min-max; measured/bare: median against the bare replay's;\n"
              "long gaps: gaps of 10 ms or more between message-processing rounds, all runs together.\n\n",
              runs);
  std::printf("| image | wait | frames | bytes on the wire | physical limit s | measured s | ratio measured/limit "
              "| measured/bare | host us/frame | CPU s (%% of wall) | longest gap ms (long gaps) |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
  for (const Group& g : groups) {
    const auto& v = g.samples;
    if (v.empty()) continue;
    const double wall = Median(v, [](const Sample& s) { return s.measuredUs / 1e6; });
    char vsBare[16] = "-";
    for (const Group& b : groups)
      if (b.image == g.image && b.strategy->waitInput == nullptr && !b.samples.empty())
        std::snprintf(vsBare, sizeof vsBare, "%.3f", wall / Median(b.samples, [](const Sample& s) { return s.measuredUs / 1e6; }));
    double lo = v[0].ratio(), hi = lo;
    int longGaps = 0;
    for (const Sample& s : v) {
      lo = std::min(lo, s.ratio());
      hi = std::max(hi, s.ratio());
      longGaps += s.longGaps;
    }
    char gap[32] = "-";  // the bare replay has no message rounds
    if (g.strategy->waitInput != nullptr)
      std::snprintf(gap, sizeof gap, "%.1f (%d)", Median(v, [](const Sample& s) { return s.longestGapUs / 1e3; }),
                    longGaps);
    std::printf("| slot %d (chip %s) | %s | %.0f | %.0f | %.3f | %.3f | %.3f (%.3f-%.3f) | %s | %.0f | %.3f (%.1f %%) | %s |\n",
                g.image->slot, g.image->chip, g.strategy->name,
                Median(v, [](const Sample& s) { return double(s.frames); }),
                Median(v, [](const Sample& s) { return double(s.wireBytes); }),
                Median(v, [](const Sample& s) { return s.limitUs / 1e6; }), wall,
                Median(v, [](const Sample& s) { return s.ratio(); }), lo, hi, vsBare,
                Median(v, [](const Sample& s) { return PerGap(s, s.hostUs); }),
                Median(v, [](const Sample& s) { return s.cpuUs / 1e6; }),
                Median(v, [](const Sample& s) { return 100.0 * s.cpuUs / s.measuredUs; }), gap);
  }

  std::printf("\nWhere the time beyond the limit goes (medians). Between frames: session - limit, per gap, from an\n"
              "answer's last byte to the next frame's first byte at the device. Of it the host's work: from the end of\n"
              "the wait that brought the answer to the read of it (message processing) and from there to the next\n"
              "write (decoding, the next frame, window texts, the drain); the rest is waiting, wake-ups and the pty.\n"
              "Edges: measured - session (first byte into the simulator, success text after the last answer).\n\n");
  std::printf("| image | wait | beyond the limit ms | between frames us/gap | host: messages us | host: answer to write us "
              "| rest us | edges ms | others' CPU load %% | waiting for a CPU ms: host, simulator |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
  for (const Group& g : groups) {
    const auto& v = g.samples;
    if (v.empty()) continue;
    std::printf("| slot %d | %s | %.0f | %.0f | %.0f | %.0f | %.0f | %.1f | %.0f | %.0f, %.0f |\n", g.image->slot, g.strategy->name,
                Median(v, [](const Sample& s) { return (s.measuredUs - s.limitUs) / 1e3; }),
                Median(v, [](const Sample& s) { return PerGap(s, s.sessionUs - s.limitUs); }),
                Median(v, [](const Sample& s) { return PerGap(s, s.messagesUs); }),
                Median(v, [](const Sample& s) { return PerGap(s, s.hostUs - s.messagesUs); }),
                Median(v, [](const Sample& s) { return PerGap(s, s.sessionUs - s.limitUs - s.hostUs); }),
                Median(v, [](const Sample& s) { return (s.measuredUs - s.sessionUs) / 1e3; }),
                Median(v, [](const Sample& s) { return s.othersLoad; }),
                Median(v, [](const Sample& s) { return s.queueUs / 1e3; }),
                Median(v, [](const Sample& s) { return s.simQueueUs / 1e3; }));
  }

  bool anyGaps = false;
  for (const Group& g : groups) anyGaps = anyGaps || !g.gaps.empty();
  if (!anyGaps) return;
  std::printf("\nGaps before each frame, from the answer's last byte to the next frame's first byte at the device\n"
              "(all runs together, us).\n\n");
  std::printf("| image | wait | previous -> frame | count | total ms | median | max |\n|---|---|---|---|---|---|---|\n");
  for (const Group& g : groups) {
    for (auto [kinds, values] : g.gaps) {
      std::sort(values.begin(), values.end());
      int64_t total = 0;
      for (int64_t x : values) total += x;
      std::printf("| slot %d | %s | %s | %zu | %.1f | %lld | %lld |\n", g.image->slot, g.strategy->name,
                  kinds.c_str(), values.size(), total / 1e3, static_cast<long long>(values[values.size() / 2]),
                  static_cast<long long>(values.back()));
    }
  }
}

int Usage(const char* program) {
  std::fprintf(stderr,
               "Usage: %s [--runs N] [--image 7|9] [--wait readable,fixed-sleep,bare] [--gaps]\n"
               "          [--devsim PATH] [-- SIMULATOR OPTIONS...]\n"
               "  --runs N   updates per image and way of waiting (default 5); the tables give medians\n"
               "  --image    only this slot (default both)\n"
               "  --wait     only these ways of waiting (default all three; bare replays the writes of the\n"
               "             last engine update of the same image, so it needs one before it)\n"
               "  --gaps     also take the simulator's transcript and list the gaps between frames\n"
               "  --devsim   the simulator to run (default the one built with this benchmark)\n"
               "  after --   further options for every tarvik-devsim, e.g. -- --late-all 1\n",
               program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int runs = 5;
  int onlySlot = 0;
  std::string onlyWait;
  bool withGaps = false;
  std::string devsim = TARVIK_DEVSIM;
  std::vector<std::string> extra;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--runs" && hasValue) runs = std::atoi(argv[++i]);
    else if (a == "--image" && hasValue) onlySlot = std::atoi(argv[++i]);
    else if (a == "--wait" && hasValue) onlyWait = argv[++i];
    else if (a == "--devsim" && hasValue) devsim = argv[++i];
    else if (a == "--gaps") withGaps = true;
    else if (a == "--") extra.assign(argv + i + 1, argv + argc), i = argc;
    else return Usage(argv[0]);
  }
  if (runs < 1) return Usage(argv[0]);

  std::vector<Group> groups;
  for (const Image& image : Images)
    for (const Strategy& strategy : Strategies)
      if ((onlySlot == 0 || onlySlot == image.slot) &&
          (onlyWait.empty() || ("," + onlyWait + ",").find(std::string(",") + strategy.name + ",") != std::string::npos))
        groups.push_back({&image, &strategy, {}, {}});
  if (groups.empty()) return Usage(argv[0]);

  QApplication app(argc, argv);
  InstallWindowView();
  QTemporaryDir work;
  if (!work.isValid()) return 1;
  const std::string dir = QDir::toNativeSeparators(work.path()).toStdString();
  QDir().mkpath(work.filePath("ports"));
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  setenv("TARVIK_PORTS_DIR", (dir + "/ports").c_str(), 1);  // looked up at every port opening
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, work.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, work.path());

  // The device backend, with its reads and writes timed.
  SerialBackend serial = DeviceSerialBackend();
  serial.write = TimedWrite;
  serial.read = TimedRead;
  InstallSerialBackend(&serial);

  // The Upgrade window, and the hidden Updater window that the status channel and re-sends use.
  auto* upgrade = new TForm5;
  auto* updater = new TForm1;
  upgrade->show();
  app.processEvents();

  // Run by run, every image and way of waiting in turn, so that a change in the machine's
  // load falls on all of them.
  Recording recordings[std::size(Images)];
  bool allOk = true;
  for (int run = 1; run <= runs; ++run) {
    for (Group& g : groups) {
      Sample s;
      Recording& recording = recordings[g.image - Images];
      const bool ok = RunUpdate(devsim, extra, dir, *g.image, *g.strategy, &recording,
                                withGaps ? &g.gaps : nullptr, &s);
      if (!ok) {
        std::fprintf(stderr, "run %d slot %d %s: failed\n", run, g.image->slot, g.strategy->name);
        allOk = false;
        continue;
      }
      g.samples.push_back(s);
      std::fprintf(stderr,
                   "run %d slot %d %-11s: %lld frames, limit %.3f s, measured %.3f s, ratio %.4f, CPU %.3f s, "
                   "host %.0f us/frame, longest gap %.1f ms (%d of 10 ms or more), longest round %.1f ms, "
                   "simulator CPU %.3f s, others' load %.0f %%, waiting for a CPU %.0f ms (simulator %.0f ms)\n",
                   run, g.image->slot, g.strategy->name, static_cast<long long>(s.frames), s.limitUs / 1e6,
                   s.measuredUs / 1e6, s.ratio(), s.cpuUs / 1e6, PerGap(s, s.hostUs), s.longestGapUs / 1e3,
                   s.longGaps, s.longestRoundUs / 1e3, s.simCpuUs / 1e6, s.othersLoad, s.queueUs / 1e3,
                   s.simQueueUs / 1e3);
    }
  }
  PrintTables(groups, runs);

  InstallSerialBackend(nullptr);
  delete updater;
  delete upgrade;
  return allOk ? 0 : 1;
}
