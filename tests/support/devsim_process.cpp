#include "support/devsim_process.h"

#include <signal.h>

#include <algorithm>

#include "sim/options.h"

namespace {

// The number of devices a --chip list plays one after another.
int DeviceCount(const std::vector<std::string>& args) {
  int count = 1;
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == "--chip")
      count = 1 + static_cast<int>(std::count(args[i + 1].begin(), args[i + 1].end(), ','));
  return count;
}

}  // namespace

DevsimProcess::~DevsimProcess() { stop(); }

bool DevsimProcess::start(const DevsimOptions& options, std::string* error) {
  auto fail = [error](std::string why) {
    if (error != nullptr) *error = std::move(why);
    return false;
  };
  options_ = options;
  devices_ = DeviceCount(options.args);
  std::vector<std::string> args = options.args;
  args.insert(args.end(), {"--ports-dir", options.portsDir, "--port", options.port});
  if (!options.outputDir.empty())
    args.insert(args.end(), {"--dump", output("dump.hex"), "--transcript",
                             output("transcript.jsonl"), "--report", output("report.json")});
  if (!process_.start(TARVIK_DEVSIM, args, options.environment))
    return fail("tarvik-devsim could not be started");
  if (!process_.readLine(&readyLine_, options.readyTimeoutMs))
    return fail("tarvik-devsim did not get ready (bad options exit with code 2)");
  const std::string prefix = "tarvik-devsim: " + options.port + " -> ";
  if (readyLine_.rfind(prefix, 0) != 0) return fail("unexpected ready line: " + readyLine_);
  ptsPath_ = readyLine_.substr(prefix.size());
  return true;
}

int DevsimProcess::stop(int timeoutMs) {
  if (!process_.running()) return process_.exitCode();
  process_.signal(SIGTERM);
  if (process_.wait(timeoutMs)) return process_.exitCode();
  process_.signal(SIGKILL);
  process_.wait(timeoutMs);
  return -1;
}

std::string DevsimProcess::output(const char* name) const {
  return options_.outputDir.empty() ? std::string() : options_.outputDir + "/" + name;
}

std::string DevsimProcess::dumpPath(int device) const {
  const std::string path = output("dump.hex");
  return path.empty() ? path : devsim::DeviceFileName(path, device, devices_);
}

std::string DevsimProcess::transcriptPath() const { return output("transcript.jsonl"); }

std::string DevsimProcess::reportPath() const { return output("report.json"); }

std::vector<std::string> DevsimProcess::transcriptLines() const {
  std::vector<std::string> lines;
  if (transcriptPath().empty()) return lines;
  const std::string all = ReadTextFile(transcriptPath());
  for (size_t start = 0, end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(all.substr(start, end - start));
  return lines;
}

int DevsimProcess::transcriptCountAll(const std::vector<std::string>& texts) const {
  int count = 0;
  for (const std::string& line : transcriptLines())
    count += std::all_of(texts.begin(), texts.end(), [&line](const std::string& text) {
      return line.find(text) != std::string::npos;
    });
  return count;
}
