// The single-instance lock between real processes.
#include "platform/instance_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>

#include <filesystem>
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
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
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

// The user's own folder in the temp folder.
std::string OwnFolder(const std::string& tmp) { return tmp + "/tarvik-" + std::to_string(getuid()); }

TEST_F(InstanceLockTest, FallsBackToTheUsersOwnFolderInTheTempFolder) {
  const std::string missing = dir + "/no-such-folder";
  const std::string open = dir + "/open";
  mkdir(open.c_str(), 0777);
  chmod(open.c_str(), 0777);  // a runtime folder others may write in is not used
  for (const char* runtimeDir : {static_cast<const char*>(nullptr), "", missing.c_str(), open.c_str()}) {
    SCOPED_TRACE(runtimeDir != nullptr ? runtimeDir : "(unset)");
    ScopedEnv runtime("XDG_RUNTIME_DIR", runtimeDir);
    ScopedEnv tmp("TMPDIR", dir.c_str());
    EXPECT_EQ(AcquireInstanceLock("fallback"), InstanceLockHeld);
    EXPECT_EQ(access((OwnFolder(dir) + "/fallback.lock").c_str(), F_OK), 0);
    struct stat st{};
    ASSERT_EQ(lstat(OwnFolder(dir).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ReleaseInstanceLock();
  }
}

TEST_F(InstanceLockTest, AnotherUsersLockInTheSharedTempFolderDoesNotStopThisOne) {
  ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
  ScopedEnv tmp("TMPDIR", dir.c_str());
  // Another user's program holds a lock file of the same name in the shared folder.
  const int other = open((dir + "/TARVIK.MUTEX.lock").c_str(), O_RDWR | O_CREAT, 0666);
  ASSERT_GE(other, 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    flock(other, LOCK_EX);
    for (;;) pause();
  }
  usleep(100'000);
  EXPECT_EQ(AcquireInstanceLock("TARVIK.MUTEX"), InstanceLockHeld);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(other);
}

TEST_F(InstanceLockTest, AnOwnFolderThatIsNotPrivateIsNotUsed) {
  ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
  ScopedEnv tmp("TMPDIR", dir.c_str());
  // Made by someone else beforehand: open to others, or a link to elsewhere.
  mkdir(OwnFolder(dir).c_str(), 0777);
  chmod(OwnFolder(dir).c_str(), 0777);
  EXPECT_EQ(AcquireInstanceLock("TARVIK.MUTEX"), InstanceLockUnavailable);
  rmdir(OwnFolder(dir).c_str());
  const std::string elsewhere = dir + "/elsewhere";
  mkdir(elsewhere.c_str(), 0700);
  ASSERT_EQ(symlink(elsewhere.c_str(), OwnFolder(dir).c_str()), 0);
  EXPECT_EQ(AcquireInstanceLock("TARVIK.MUTEX"), InstanceLockUnavailable);
  EXPECT_NE(access((elsewhere + "/TARVIK.MUTEX.lock").c_str(), F_OK), 0);
}

TEST_F(InstanceLockTest, NameThatIsAPathIsRefused) {
  ScopedEnv runtime("XDG_RUNTIME_DIR", dir.c_str());
  EXPECT_EQ(AcquireInstanceLock("../escape"), InstanceLockUnavailable);
  EXPECT_EQ(AcquireInstanceLock(""), InstanceLockUnavailable);
}

}  // namespace
