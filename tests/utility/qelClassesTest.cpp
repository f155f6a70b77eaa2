// The library's worker threads: the timer's ticks, pausing, intervals and a
// quick end; callbacks on the main thread and none after a stop; a thread
// ended from inside its own callback; the registry notification routines.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "ThreadTestSupport.h"
#include "platform/kernel/ChangeNotify.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "support/TempDir.h"
#include "utility/qelClasses.h"
#include "utility/qelSysUtils.h"

namespace utility {
namespace {

using namespace threadtest;
namespace fs = std::filesystem;

class qelThreads : public ThreadTest {};

TEST_F(qelThreads, TimerTicksPausesAndTakesANewIntervalAtOnce) {
  auto timer = std::make_unique<TqelTimerThread>(true);
  std::atomic<int> ticks{0};
  timer->SetOnEvent([&](TqelThread*) { ++ticks; });
  timer->SetInterval(50);
  ServeFor(150);
  EXPECT_EQ(ticks.load(), 0);  // created suspended
  timer->SetSuspended(false);
  EXPECT_TRUE(Until([&] { return ticks >= 5; }, 2000));

  timer->SetSuspended(true);
  EXPECT_TRUE(timer->Suspended());
  ServeFor(100);  // a tick already on its way
  const int paused_at = ticks;
  ServeFor(kQuiet);
  EXPECT_EQ(ticks.load(), paused_at);

  timer->SetSuspended(false);
  EXPECT_TRUE(Until([&] { return ticks > paused_at; }, 2000));

  // A longer interval applies to the wait under way.
  timer->SetInterval(1000);
  const int before = ticks;
  ServeFor(600);
  EXPECT_EQ(ticks.load(), before);

  // Interval 0 never ticks and does not spin.
  timer->SetInterval(0);
  ServeFor(kQuiet);
  EXPECT_EQ(ticks.load(), before);

  // An hour's interval does not hold up the end.
  timer->SetInterval(3600000);
  const auto start = std::chrono::steady_clock::now();
  timer.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

TEST_F(qelThreads, SynchronizedEventsRunOnTheMainThreadAndStopTellsOnFinish) {
  auto thread = std::make_unique<TqelEventThread>(true);
  std::atomic<plat::DWORD> ran_on{0};
  thread->SetSynchronized(true);
  thread->SetOnEvent([&](TqelThread*) { ran_on = plat::GetCurrentThreadId(); });
  TqelThread* finished = nullptr;
  thread->OnFinish = [&](TqelThread* t) { finished = t; };
  thread->SetSuspended(false);
  EXPECT_TRUE(Until([&] { return ran_on != 0u; }));
  EXPECT_EQ(ran_on.load(), plat::GetCurrentThreadId());
  thread->Stop();
  EXPECT_TRUE(thread->Stopped());
  EXPECT_TRUE(thread->Terminated());
  EXPECT_EQ(finished, thread.get());
}

TEST_F(qelThreads, AStoppedThreadNeverCallsAgainEvenWithACallOnItsWay) {
  testsupport::TempDir temp;
  std::atomic<int> calls{0};
  auto thread = std::make_unique<TqelFolderMonitorThread>([&] { ++calls; });
  thread->SetParameters(temp.path().string(), true, plat::FILE_NOTIFY_CHANGE_FILE_NAME);
  thread->SetSuspended(false);
  ServeFor(100);  // the thread opens its watch
  std::ofstream(temp.path() / "a.txt") << "a";
  ASSERT_TRUE(Until([&] { return calls > 0; }));

  // The next call waits for the main thread, which stops the thread first.
  const int seen = calls;
  std::ofstream(temp.path() / "b.txt") << "b";
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EndThread(std::move(thread));
  ServeFor(kQuiet);
  EXPECT_EQ(calls.load(), seen);
}

TEST_F(qelThreads, EndedFromItsOwnCallbackItReturnsAndFreesItself) {
  testsupport::TempDir temp;
  std::unique_ptr<TqelThread> thread;
  std::atomic<int> calls{0};
  thread = std::make_unique<TqelFolderMonitorThread>([&] {
    ++calls;
    EndThread(std::move(thread));  // must not wait for itself
  });
  static_cast<TqelFolderMonitorThread*>(thread.get())
      ->SetParameters(temp.path().string(), false, plat::FILE_NOTIFY_CHANGE_FILE_NAME);
  thread->SetSuspended(false);
  ServeFor(100);  // the thread opens its watch
  std::ofstream(temp.path() / "a.txt") << "a";
  ASSERT_TRUE(Until([&] { return calls > 0; }));
  EXPECT_EQ(thread, nullptr);
  std::ofstream(temp.path() / "b.txt") << "b";
  ServeFor(kQuiet);
  EXPECT_EQ(calls.load(), 1);
}

TEST_F(qelThreads, AFolderMonitorWithoutAFolderEndsAtOnce) {
  testsupport::TempDir temp;
  auto thread = std::make_unique<TqelFolderMonitorThread>([] {});
  thread->SetParameters((temp.path() / "missing").string(), true, plat::FILE_NOTIFY_CHANGE_FILE_NAME);
  thread->SetSuspended(false);
  EXPECT_TRUE(Until([&] { return thread->Finished(); }));
}

TEST(qelRegNotify, SignalsTheNextChangeAndReArms) {
  testsupport::TempDir temp;
  plat::RegistrySetStorePath(temp.File("registry.reg"));
  plat::HKEY key = nullptr;
  ASSERT_EQ(plat::RegCreateKeyA(plat::HKEY_CURRENT_USER, "Software\\QTest", &key), plat::ERROR_SUCCESS);
  auto set = [&](plat::DWORD v) {
    plat::RegSetValueExA(key, "v", 0, plat::REG_DWORD, reinterpret_cast<const plat::BYTE*>(&v), 4);
  };
  TqelRegNotifyRec rec;
  plat::HANDLE event = RegNotifyStart(key, true, plat::REG_NOTIFY_CHANGE_LAST_SET, rec);
  ASSERT_NE(event, plat::INVALID_HANDLE_VALUE);
  EXPECT_EQ(rec.watch_subtree, -1);
  EXPECT_EQ(plat::WaitForSingleObject(event, 0), plat::WAIT_TIMEOUT);
  set(1);
  EXPECT_EQ(plat::WaitForSingleObject(event, 0), plat::WAIT_OBJECT_0);
  ASSERT_TRUE(RegNotifyNext(event, rec));
  EXPECT_EQ(plat::WaitForSingleObject(event, 0), plat::WAIT_TIMEOUT);
  set(2);
  EXPECT_EQ(plat::WaitForSingleObject(event, 0), plat::WAIT_OBJECT_0);
  RegNotifyClose(event);

  EXPECT_FALSE(RegNotifyNext(plat::INVALID_HANDLE_VALUE, rec));
  RegNotifyClose(plat::INVALID_HANDLE_VALUE);
  plat::RegCloseKey(key);
  EXPECT_EQ(RegNotifyStart(key, false, plat::REG_NOTIFY_CHANGE_LAST_SET, rec), plat::INVALID_HANDLE_VALUE);
  EXPECT_EQ(plat::GetLastError(), static_cast<plat::DWORD>(plat::ERROR_INVALID_HANDLE));
  plat::RegistrySetStorePath("");
}

}  // namespace
}  // namespace utility
