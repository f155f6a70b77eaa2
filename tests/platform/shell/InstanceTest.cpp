// One running copy per user and display, between real processes: races of
// simultaneous starts, the hand-over of a command line, a killed holder.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/shell/Instance.h"
#include "support/TempDir.h"

namespace plat {
namespace {

class Instance : public ::testing::Test {
 protected:
  // A child that runs `body` and exits with its result; the parent's
  // destructors never run in it.
  template <class F>
  static pid_t Child(F body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    return pid;
  }

  static int Wait(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  // Reads one byte within five seconds; 0 on time-out or end.
  static char ReadByte(int fd) {
    pollfd p{fd, POLLIN, 0};
    char c = 0;
    if (poll(&p, 1, 5000) == 1 && read(fd, &c, 1) == 1) return c;
    return 0;
  }

  testsupport::TempDir temp_;
  testsupport::ScopedEnv runtime_{"XDG_RUNTIME_DIR", temp_.path().string()};
  testsupport::ScopedEnv display_{"DISPLAY", ":65"};
};

TEST_F(Instance, OfSimultaneousStartsExactlyOneRuns) {
  constexpr int kStarts = 8;
  int start[2], results[2], release[2];
  ASSERT_EQ(pipe(start), 0);
  ASSERT_EQ(pipe(results), 0);
  ASSERT_EQ(pipe(release), 0);
  std::vector<pid_t> children;
  for (int i = 0; i < kStarts; ++i) {
    children.push_back(Child([&] {
      close(start[1]);
      close(results[0]);
      close(release[1]);
      char c;
      while (read(start[0], &c, 1) > 0) {
      }
      std::unique_ptr<InstanceLock> lock;
      InstanceState state = TryAcquireInstance("Sonavex pro 4.6.OneInstance.", lock);
      char answer = state == instanceAcquired ? 'A' : state == instanceBusy ? 'B' : 'F';
      if (write(results[1], &answer, 1) != 1) return 2;
      // The holder keeps the lock until every start has asked.
      while (lock && read(release[0], &c, 1) > 0) {
      }
      return 0;
    }));
  }
  close(start[0]);
  close(results[1]);
  close(release[0]);
  close(start[1]);  // all go at once
  int acquired = 0, busy = 0;
  for (int i = 0; i < kStarts; ++i) {
    char c = ReadByte(results[0]);
    acquired += c == 'A';
    busy += c == 'B';
  }
  close(release[1]);
  close(results[0]);
  for (pid_t pid : children) EXPECT_EQ(Wait(pid), 0);
  EXPECT_EQ(acquired, 1);
  EXPECT_EQ(busy, kStarts - 1);
}

TEST_F(Instance, ALaterStartHandsItsCommandLineOver) {
  std::unique_ptr<InstanceLock> lock;
  ASSERT_EQ(TryAcquireInstance("Q", lock), instanceAcquired);
  std::unique_ptr<InstanceLock> second;
  EXPECT_EQ(TryAcquireInstance("Q", second), instanceBusy);
  EXPECT_EQ(TryAcquireInstance("R", second), instanceAcquired);  // another identity does not collide
  second.reset();

  pid_t pid = Child([] { return HandToInstance("Q", {"--open", "a b.wav", ""}, 3000) ? 0 : 1; });
  EXPECT_EQ(Wait(pid), 0);
  EXPECT_EQ(lock->TakeRequests(), (std::vector<std::vector<std::string>>{{"--open", "a b.wav", ""}}));
  EXPECT_TRUE(lock->TakeRequests().empty());

  lock.reset();
  EXPECT_FALSE(HandToInstance("Q", {}, 3000));  // nobody holds it: no wait for the time-out
}

TEST_F(Instance, AKilledHolderLeavesNoObstacle) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t holder = Child([&] {
    std::unique_ptr<InstanceLock> lock;
    if (TryAcquireInstance("Q", lock) != instanceAcquired) return 1;
    if (write(ready[1], "A", 1) != 1) return 2;
    for (;;) pause();
  });
  close(ready[1]);
  ASSERT_EQ(ReadByte(ready[0]), 'A');
  close(ready[0]);
  std::unique_ptr<InstanceLock> lock;
  EXPECT_EQ(TryAcquireInstance("Q", lock), instanceBusy);
  kill(holder, SIGKILL);
  EXPECT_EQ(Wait(holder), 128 + SIGKILL);

  // Its socket file is still there; the next start takes over all the same.
  ASSERT_EQ(TryAcquireInstance("Q", lock), instanceAcquired);
  pid_t pid = Child([] { return HandToInstance("Q", {"x"}, 3000) ? 0 : 1; });
  EXPECT_EQ(Wait(pid), 0);
  EXPECT_EQ(lock->TakeRequests().size(), 1u);
}

TEST_F(Instance, AFolderOthersMayWriteIsRefused) {
  std::filesystem::path folder = temp_.path() / "quellix";
  ASSERT_EQ(mkdir(folder.c_str(), 0777), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  std::unique_ptr<InstanceLock> lock;
  EXPECT_EQ(TryAcquireInstance("Q", lock), instanceFailed);
  EXPECT_EQ(InstanceFolder(), "");
  ASSERT_EQ(chmod(folder.c_str(), 0700), 0);
  EXPECT_EQ(InstanceFolder(), folder.string());
  // Per display: the same identity on another display is another copy.
  std::string here = InstanceStem("Q");
  testsupport::ScopedEnv other("DISPLAY", ":66");
  EXPECT_NE(InstanceStem("Q"), here);
}

}  // namespace
}  // namespace plat
