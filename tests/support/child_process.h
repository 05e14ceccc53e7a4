// A program started by a test: arguments, extra environment, its standard output read
// line by line, and a bounded wait for its end. Every wait has a bound, so a test that
// goes wrong fails instead of hanging.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // kills the program if it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the program; environment entries "NAME=value" are added to (or replace) the
  // test's own. False when it could not be started.
  bool start(const std::string& program, const std::vector<std::string>& args,
             const std::vector<std::string>& environment = {});
  // The next line of standard output, waiting at most timeoutMs; false at end or time-out.
  bool readLine(std::string* line, int timeoutMs);
  // Sends a signal.
  void signal(int sig);
  // Waits for the end; false on time-out. exitCode() is then the exit status (or -1 when a
  // signal ended it).
  bool wait(int timeoutMs);
  bool running();
  int exitCode() const { return exitCode_; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string pending_;
  int exitCode_ = -1;
  bool ended_ = false;
};

// A temporary folder removed with everything in it at the end of the test.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadTextFile(const std::string& path);
