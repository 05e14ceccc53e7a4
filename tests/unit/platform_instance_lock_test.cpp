// The single-instance lock between real processes.
#include "platform/instance_lock.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class InstanceLockTest : public testing::Test {
 protected:
  void SetUp() override {
    ReleaseInstanceLock();
    char templ[] = "/tmp/tarvik-lock-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir = templ;
  }
  void TearDown() override {
    ReleaseInstanceLock();
    std::system(("rm -rf '" + dir + "'").c_str());
  }
  std::string dir;
};

TEST_F(InstanceLockTest, SecondProcessSeesTakenUntilFirstIsKilled) {
  ScopedEnv runtime("XDG_RUNTIME_DIR", dir.c_str());
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const char result = static_cast<char>(AcquireInstanceLock("TARVIK.MUTEX"));
    (void)!write(ready[1], &result, 1);
    for (;;) pause();  // holds the lock until killed
  }
  close(ready[1]);
  char childResult = 0;
  ASSERT_EQ(read(ready[0], &childResult, 1), 1);
  close(ready[0]);
  EXPECT_EQ(childResult, InstanceLockHeld);

  EXPECT_EQ(AcquireInstanceLock("TARVIK.MUTEX"), InstanceLockTaken);
  EXPECT_EQ(AcquireInstanceLock("TARVIK.MUTEX"), InstanceLockTaken);  // nothing kept from a refusal

  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(AcquireInstanceLock("TARVIK.MUTEX"), InstanceLockHeld);
  EXPECT_EQ(AcquireInstanceLock("TARVIK.MUTEX"), InstanceLockHeld);  // held already: still ours
}

TEST_F(InstanceLockTest, FallsBackToTempFolder) {
  const std::string missing = dir + "/no-such-folder";
  for (const char* runtimeDir : {static_cast<const char*>(nullptr), "", missing.c_str()}) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", runtimeDir);
    ScopedEnv tmp("TMPDIR", dir.c_str());
    EXPECT_EQ(AcquireInstanceLock("fallback"), InstanceLockHeld);
    EXPECT_EQ(access((dir + "/fallback.lock").c_str(), F_OK), 0);
    ReleaseInstanceLock();
    unlink((dir + "/fallback.lock").c_str());
  }
}

TEST_F(InstanceLockTest, NameThatIsAPathIsRefused) {
  ScopedEnv runtime("XDG_RUNTIME_DIR", dir.c_str());
  EXPECT_EQ(AcquireInstanceLock("../escape"), InstanceLockUnavailable);
  EXPECT_EQ(AcquireInstanceLock(""), InstanceLockUnavailable);
}

}  // namespace
