// The parallel benchmark: N headless tools at once, each updating its own simulated device
// (slot 9's image, the simulator's time model on), as a production line runs several
// stations on one computer. For each N: every device's time over its physical limit (the
// simulator's session time from the first byte to the last, over the time the line and the
// device need), the tool's own share of it (from its trace: from each answer read to the
// next write), and the wall time for all N.
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/devsim_process.h"

namespace {

int64_t NowUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1000000 + ts.tv_nsec / 1000;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string ReportPath(const ScratchDir& dir, int n, int round, int device) {
  return dir.file("report-n" + std::to_string(n) + "-r" + std::to_string(round) + "-" +
                  std::to_string(device) + ".json");
}

std::string TracePath(const ScratchDir& dir, int n, int round, int tool) {
  return dir.file("trace-n" + std::to_string(n) + "-r" + std::to_string(round) + "-" +
                  std::to_string(tool) + ".jsonl");
}

// The tool's own share of an update, from its trace: the time from each answer's last byte
// read to the next write, summed, in milliseconds.
double ToolTimeMs(const std::string& tracePath) {
  std::ifstream file(tracePath);
  std::string line;
  int64_t lastIn = -1;
  int64_t total = 0;
  while (std::getline(file, line)) {
    const nlohmann::json e = nlohmann::json::parse(line, nullptr, false);
    if (e.is_discarded() || !e.contains("dir")) continue;
    const int64_t us = e.value("us", int64_t{0});
    if (e["dir"] == "in") {
      lastIn = us;
    } else {
      if (lastIn >= 0) total += us - lastIn;
      lastIn = -1;
    }
  }
  return static_cast<double>(total) / 1e3;
}

struct Round {
  std::vector<double> ratios;  // one per device
  std::vector<double> toolMs;  // one per tool
  double wallSeconds = 0;
  bool ok = true;
};

// N devices and N tools started together; false when anything failed.
Round RunRound(int n, const std::string& tool, const std::vector<std::string>& extra,
               const ScratchDir& dir, int round) {
  Round result;
  const std::string ports = dir.file("ports");
  std::vector<std::unique_ptr<DevsimProcess>> sims;
  for (int k = 1; k <= n; ++k) {
    // Only the report: a transcript written as frames come would slow the device down.
    std::vector<std::string> args = {"--chip", "0x48", "--line-rate", "--report",
                                     ReportPath(dir, n, round, k)};
    args.insert(args.end(), extra.begin(), extra.end());
    auto sim = std::make_unique<DevsimProcess>();
    std::string error;
    if (!sim->start({ports, "COM" + std::to_string(k), "", args, {}}, &error)) {
      std::fprintf(stderr, "tarvik-devsim: %s\n", error.c_str());
      result.ok = false;
      return result;
    }
    sims.push_back(std::move(sim));
  }
  std::vector<std::unique_ptr<ChildProcess>> tools;
  const int64_t start = NowUs();
  for (int k = 1; k <= n; ++k) {
    tools.push_back(std::make_unique<ChildProcess>());
    tools.back()->start(tool, {"-p", "COM" + std::to_string(k), "-q", "--trace", TracePath(dir, n, round, k)},
                        {"TARVIK_PORTS_DIR=" + ports});
  }
  for (auto& t : tools) {
    std::string line;
    while (t->readLine(&line, 120'000)) {
    }
    if (!t->wait(120'000) || t->exitCode() != 0) result.ok = false;
  }
  result.wallSeconds = static_cast<double>(NowUs() - start) / 1e6;
  for (int k = 1; k <= n; ++k) {
    if (sims[static_cast<size_t>(k) - 1]->stop() != 0) result.ok = false;
    std::ifstream file(ReportPath(dir, n, round, k));
    const nlohmann::json report = nlohmann::json::parse(file, nullptr, false);
    if (report.is_discarded()) {
      result.ok = false;
      continue;
    }
    const double limit = report.value("physicalLimitUs", 0.0);
    const double session = report.value("sessionUs", 0.0);
    if (limit > 0) result.ratios.push_back(session / limit);
    result.toolMs.push_back(ToolTimeMs(TracePath(dir, n, round, k)));
  }
  return result;
}

std::vector<int> ParseCounts(const std::string& text) {
  std::vector<int> counts;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) counts.push_back(std::atoi(item.c_str()));
  return counts;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  std::vector<int> counts = {1, 2, 4};
  std::string tool = TARVIK_CLI;
  std::vector<std::string> extra;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
    } else if (a == "--counts" && i + 1 < argc) {
      counts = ParseCounts(argv[++i]);
    } else if (a == "--") {
      extra.assign(argv + i + 1, argv + argc);
      break;
    } else {
      std::fprintf(stderr,
                   "Usage: %s [--runs N] [--counts 1,2,4] [-- SIMULATOR OPTIONS...]\n"
                   "  --runs N      rounds per count (default 5); the table gives medians\n"
                   "  --counts      how many tools and devices at once (default 1,2,4)\n",
                   argv[0]);
      return 2;
    }
  }
  if (runs < 1 || counts.empty()) return 2;

  ScratchDir dir;
  mkdir(dir.file("ports").c_str(), 0700);
  std::printf("| tools at once | devices | time / physical limit, median (min-max) | vs one tool | "
              "the tool's own time per update ms, median (max) | wall time s, median |\n"
              "|---|---|---|---|---|---|\n");
  // Round by round, every N in turn, so that a change in the machine's load falls on all.
  struct Samples {
    std::vector<double> ratios, walls, toolMs;
  };
  std::vector<Samples> samples(counts.size());
  bool allOk = true;
  for (int r = 0; r < runs; ++r) {
    for (size_t i = 0; i < counts.size(); ++i) {
      const int n = counts[i];
      const Round round = RunRound(n, tool, extra, dir, r);
      allOk = allOk && round.ok;
      Samples& s = samples[i];
      s.ratios.insert(s.ratios.end(), round.ratios.begin(), round.ratios.end());
      s.toolMs.insert(s.toolMs.end(), round.toolMs.begin(), round.toolMs.end());
      s.walls.push_back(round.wallSeconds);
      std::fprintf(stderr, "run %d N=%d: wall %.3f s, ratios", r + 1, n, round.wallSeconds);
      for (double x : round.ratios) std::fprintf(stderr, " %.4f", x);
      std::fprintf(stderr, "%s\n", round.ok ? "" : " (a run failed)");
    }
  }
  const double single = Median(samples.front().ratios);
  for (size_t i = 0; i < counts.size(); ++i) {
    const Samples& s = samples[i];
    const double median = Median(s.ratios);
    std::printf("| %d | %zu | %.4f (%.4f-%.4f) | %+.1f %% | %.0f (%.0f) | %.2f |\n", counts[i],
                s.ratios.size(), median,
                s.ratios.empty() ? 0 : *std::min_element(s.ratios.begin(), s.ratios.end()),
                s.ratios.empty() ? 0 : *std::max_element(s.ratios.begin(), s.ratios.end()),
                single > 0 ? (median / single - 1) * 100 : 0.0, Median(s.toolMs),
                s.toolMs.empty() ? 0 : *std::max_element(s.toolMs.begin(), s.toolMs.end()),
                Median(s.walls));
  }
  return allOk ? 0 : 1;
}
