// tarvik-devsim as the device of a test: started on a pseudo-terminal that it links into a
// ports folder as COM<n>, waited for (with a bound) until it names its pty, stopped with
// SIGTERM so that it writes its files, and the paths of those files.
#pragma once

#include <string>
#include <vector>

#include "support/child_process.h"

struct DevsimOptions {
  std::string portsDir;       // --ports-dir
  std::string port = "COM1";  // --port
  // When set, the dump (Intel HEX), the transcript and the report are written into this
  // folder under fixed names (see the paths below).
  std::string outputDir;
  std::vector<std::string> args;  // device, time model and fault options, e.g. {"--chip", "0xFD,0x48"}
  std::vector<std::string> environment;  // "NAME=value" entries for the process
  int readyTimeoutMs = 10'000;
};

class DevsimProcess {
 public:
  DevsimProcess() = default;
  ~DevsimProcess();  // stops it when it still runs
  DevsimProcess(const DevsimProcess&) = delete;
  DevsimProcess& operator=(const DevsimProcess&) = delete;

  // Starts it and waits for its ready line. False, with the reason in error, when it could
  // not be started or did not get ready in time.
  bool start(const DevsimOptions& options, std::string* error = nullptr);
  // SIGTERM, then a bounded wait: its exit code (0 when it wrote its files), or -1 when it
  // had to be killed. Nothing happens when it is not running.
  int stop(int timeoutMs = 10'000);
  bool running() { return process_.running(); }
  ChildProcess& process() { return process_; }

  const std::string& readyLine() const { return readyLine_; }
  // The pty the port link points to, e.g. "/dev/pts/7".
  const std::string& ptsPath() const { return ptsPath_; }
  // The port link, e.g. ".../ports/COM1".
  std::string linkPath() const { return options_.portsDir + "/" + options_.port; }

  // Files in the output folder; empty without one. With several chips device k (from 1)
  // writes its own dump.
  std::string dumpPath(int device = 1) const;
  std::string transcriptPath() const;
  std::string reportPath() const;

  // The transcript as far as it is written: one JSON line per frame, written as frames
  // come; a line still being written is left out.
  std::vector<std::string> transcriptLines() const;
  // The number of its lines that contain every one of the texts, e.g. "\"kind\":\"block\"".
  int transcriptCount(const std::string& text) const {
    return transcriptCountAll(std::vector<std::string>{text});
  }
  int transcriptCountAll(const std::vector<std::string>& texts) const;

 private:
  std::string output(const char* name) const;

  DevsimOptions options_;
  ChildProcess process_;
  std::string readyLine_;
  std::string ptsPath_;
  int devices_ = 1;
};
