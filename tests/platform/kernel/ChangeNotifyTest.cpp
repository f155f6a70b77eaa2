// Folder change notifications: what each filter hears, subtrees and folders
// made later, bursts, the folder going away, closing under a waiter, and the
// cap on watches.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/kernel/ChangeNotify.h"
#include "platform/kernel/Errors.h"
#include "platform/kernel/Sync.h"
#include "support/TempDir.h"

using namespace plat;
namespace fs = std::filesystem;

namespace {

constexpr DWORD kNames = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;
// Long enough for a change to arrive; short enough to show that none does.
constexpr DWORD kArrives = 2000;
constexpr DWORD kQuiet = 300;

void Write(const fs::path& file, const std::string& text, bool append = false) {
  std::ofstream out(file, append ? std::ios::app : std::ios::trunc);
  out << text;
}

class ChangeNotify : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = temp_.path() / "watched";
    fs::create_directories(root_ / "sub");
    Write(root_ / "existing.txt", "x");
  }
  void TearDown() override { SetChangeNotificationWatchLimit(0); }

  HANDLE Watch(bool subtree, DWORD filter) {
    HANDLE h = FindFirstChangeNotificationA(root_.c_str(), subtree ? TRUE : FALSE, filter);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    return h;
  }

  testsupport::TempDir temp_;
  fs::path root_;
};

TEST_F(ChangeNotify, EachFilterHearsItsOwnChanges) {
  struct Case {
    const char* label;
    DWORD filter;
    bool subtree;
    std::function<void(const fs::path&)> change;
    bool heard;
  };
  const Case cases[] = {
      {"file made", kNames, true, [](const fs::path& r) { Write(r / "a.txt", "a"); }, true},
      {"file appended, names only", kNames, true,
       [](const fs::path& r) { Write(r / "existing.txt", "y", true); }, false},
      {"file appended, last write", FILE_NOTIFY_CHANGE_LAST_WRITE, true,
       [](const fs::path& r) { Write(r / "existing.txt", "y", true); }, true},
      {"file appended, size", FILE_NOTIFY_CHANGE_SIZE, false,
       [](const fs::path& r) { Write(r / "existing.txt", "y", true); }, true},
      {"file made below, no subtree", kNames, false,
       [](const fs::path& r) { Write(r / "sub" / "b.txt", "b"); }, false},
      {"file made below, subtree", kNames, true, [](const fs::path& r) { Write(r / "sub" / "b.txt", "b"); },
       true},
      {"file renamed", FILE_NOTIFY_CHANGE_FILE_NAME, false,
       [](const fs::path& r) { fs::rename(r / "existing.txt", r / "renamed.txt"); }, true},
      {"file removed", FILE_NOTIFY_CHANGE_FILE_NAME, false,
       [](const fs::path& r) { fs::remove(r / "existing.txt"); }, true},
      {"folder made, file names only", FILE_NOTIFY_CHANGE_FILE_NAME, false,
       [](const fs::path& r) { fs::create_directory(r / "d"); }, false},
      {"folder made, folder names", FILE_NOTIFY_CHANGE_DIR_NAME, false,
       [](const fs::path& r) { fs::create_directory(r / "d"); }, true},
      {"file made, folder names only", FILE_NOTIFY_CHANGE_DIR_NAME, false,
       [](const fs::path& r) { Write(r / "c.txt", "c"); }, false},
      {"mode changed, attributes", FILE_NOTIFY_CHANGE_ATTRIBUTES, true,
       [](const fs::path& r) { ::chmod((r / "existing.txt").c_str(), 0600); }, true},
      {"mode changed, security", FILE_NOTIFY_CHANGE_SECURITY, true,
       [](const fs::path& r) { ::chmod((r / "existing.txt").c_str(), 0640); }, true},
      {"mode changed, names only", kNames, true,
       [](const fs::path& r) { ::chmod((r / "existing.txt").c_str(), 0600); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(root_);
    fs::create_directories(root_ / "sub");
    Write(root_ / "existing.txt", "x");
    ::chmod((root_ / "existing.txt").c_str(), 0644);
    HANDLE h = Watch(c.subtree, c.filter);
    c.change(root_);
    EXPECT_EQ(WaitForSingleObject(h, c.heard ? kArrives : kQuiet), c.heard ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
    EXPECT_TRUE(FindCloseChangeNotification(h));
  }
}

TEST_F(ChangeNotify, ABurstIsHeardAndChangesAfterTheWakeAreKept) {
  HANDLE h = Watch(true, kNames);
  for (int i = 0; i < 40; ++i) Write(root_ / ("f" + std::to_string(i)), "x");
  ASSERT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  // The object stays signalled until it is re-armed.
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_OBJECT_0);
  // Re-armed after the last of the burst has been taken, it falls quiet.
  bool quiet = false;
  for (int round = 0; round < 10 && !quiet; ++round) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    WaitForSingleObject(h, 0);
    ASSERT_TRUE(FindNextChangeNotification(h));
    quiet = WaitForSingleObject(h, kQuiet) == WAIT_TIMEOUT;
  }
  EXPECT_TRUE(quiet);

  // A change between the wake and the re-arm is not lost.
  Write(root_ / "g1", "x");
  ASSERT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  Write(root_ / "g2", "x");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(FindNextChangeNotification(h));
  EXPECT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  FindCloseChangeNotification(h);
}

TEST_F(ChangeNotify, FoldersMadeLaterAreFollowed) {
  HANDLE h = Watch(true, FILE_NOTIFY_CHANGE_FILE_NAME);
  // Only folders: the file filter would not hear them, the follow-up does.
  fs::create_directories(root_ / "n" / "deep" / "er");
  ASSERT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(FindNextChangeNotification(h));
  Write(root_ / "n" / "deep" / "er" / "x.txt", "x");
  EXPECT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  FindCloseChangeNotification(h);
}

TEST_F(ChangeNotify, TheFolderGoingAwaySignalsAndEndsTheWatch) {
  HANDLE h = Watch(false, FILE_NOTIFY_CHANGE_LAST_WRITE);
  fs::remove_all(root_);
  ASSERT_EQ(WaitForSingleObject(h, kArrives), WAIT_OBJECT_0);
  // Wait for the kernel to drop the watch, then re-arming says it is over.
  BOOL rearmed = TRUE;
  for (int i = 0; i < 200 && rearmed; ++i) {
    rearmed = FindNextChangeNotification(h);
    if (rearmed) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(rearmed);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(FindCloseChangeNotification(h));
}

TEST_F(ChangeNotify, ClosingWakesAThreadThatWaits) {
  HANDLE h = Watch(true, kNames);
  std::atomic<DWORD> result{0xDEAD};
  std::thread waiter([&] { result = WaitForSingleObject(h, 10000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(FindCloseChangeNotification(h));
  waiter.join();
  EXPECT_EQ(result.load(), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED);
  EXPECT_FALSE(FindNextChangeNotification(h));
  EXPECT_FALSE(FindCloseChangeNotification(h));
}

TEST_F(ChangeNotify, TwoObjectsOnOneFolderFilterForThemselves) {
  HANDLE names = Watch(false, FILE_NOTIFY_CHANGE_FILE_NAME);
  HANDLE writes = Watch(false, FILE_NOTIFY_CHANGE_LAST_WRITE);
  Write(root_ / "existing.txt", "more", true);
  EXPECT_EQ(WaitForSingleObject(writes, kArrives), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(names, kQuiet), WAIT_TIMEOUT);
  // Closing one leaves the shared folder watched for the other.
  FindCloseChangeNotification(writes);
  Write(root_ / "new.txt", "x");
  EXPECT_EQ(WaitForSingleObject(names, kArrives), WAIT_OBJECT_0);
  FindCloseChangeNotification(names);
}

TEST_F(ChangeNotify, RefusesWhatItCannotWatchWhole) {
  const size_t before = ChangeNotificationWatchCount();
  struct Case {
    const char* label;
    std::string path;
    BOOL subtree;
    DWORD filter;
    size_t limit;
    DWORD error;
  };
  fs::create_directories(root_ / "a" / "b" / "c");
  const Case cases[] = {
      {"missing folder", (root_ / "missing").string(), FALSE, kNames, 0, ERROR_PATH_NOT_FOUND},
      {"a file, not a folder", (root_ / "existing.txt").string(), FALSE, kNames, 0, ERROR_PATH_NOT_FOUND},
      {"no filter", root_.string(), FALSE, 0, 0, ERROR_INVALID_PARAMETER},
      {"tree past the cap", root_.string(), TRUE, kNames, before + 3, ERROR_NOT_ENOUGH_QUOTA},
      {"the whole disk", "/", TRUE, kNames, before + 64, ERROR_NOT_ENOUGH_QUOTA},
      {"the drive's root", "C:\\", TRUE, kNames, before + 64, ERROR_NOT_ENOUGH_QUOTA},
      {"the whole disk, default cap", "/", TRUE, kNames, 0, ERROR_NOT_ENOUGH_QUOTA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SetChangeNotificationWatchLimit(c.limit);
    EXPECT_EQ(FindFirstChangeNotificationA(c.path.c_str(), c.subtree, c.filter), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(ChangeNotificationWatchCount(), before);  // nothing watched in part
  }
  // The same tree within the cap: root, sub, a, a/b, a/b/c.
  SetChangeNotificationWatchLimit(before + 5);
  HANDLE h = Watch(true, kNames);
  EXPECT_EQ(ChangeNotificationWatchCount(), before + 5);
  FindCloseChangeNotification(h);
  EXPECT_EQ(ChangeNotificationWatchCount(), before);
}

}  // namespace
