#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

int64_t NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1'000'000;
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !ended_) {
    kill(pid_, SIGKILL);
    wait(5000);
  }
  if (out_ >= 0) close(out_);
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& environment) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& extra : environment)
      replaced = replaced || extra.substr(0, extra.find('=')) == name;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), environment.begin(), environment.end());
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  const int r = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  out_ = pipeFds[0];
  if (r != 0) {
    pid_ = -1;
    return false;
  }
  return true;
}

bool ChildProcess::readLine(std::string* line, int timeoutMs) {
  const int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      *line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return true;
    }
    const int64_t left = deadline - NowMs();
    if (left <= 0 || out_ < 0) return false;
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    char buffer[4096];
    const ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) return false;
    pending_.append(buffer, static_cast<size_t>(n));
  }
}

void ChildProcess::signal(int sig) {
  if (pid_ > 0 && !ended_) kill(pid_, sig);
}

bool ChildProcess::running() {
  if (pid_ <= 0 || ended_) return false;
  return !wait(0);
}

bool ChildProcess::wait(int timeoutMs) {
  if (pid_ <= 0) return true;
  if (ended_) return true;
  const int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      ended_ = true;
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return true;
    }
    if (NowMs() >= deadline) return false;
    usleep(10'000);
  }
}

ScratchDir::ScratchDir() {
  char pattern[] = "/tmp/tarvik-test.XXXXXX";
  if (mkdtemp(pattern) != nullptr) path_ = pattern;
}

ScratchDir::~ScratchDir() {
  if (!path_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
