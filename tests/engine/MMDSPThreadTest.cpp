// Device threads: priorities, registration, and DSPSynchronize handing work
// to the main thread only from a registered device thread.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include "engine/MMDSPObj.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Threads.h"

namespace engine {
namespace {

// Runs `work` as its Execute.
class TWorkThread : public TMMDSPThread {
 public:
  TWorkThread(vcl::TComponent* owner, std::function<void()> work)
      : TMMDSPThread(owner), work_(std::move(work)) {}
  ~TWorkThread() override {
    Terminate();
    // One never started ends in the base destructor without running Execute.
    if (!Suspended()) WaitFor();
  }

 protected:
  void Execute() override { work_(); }

 private:
  std::function<void()> work_;
};

class TIdleThread : public TMMThreadEx {
 public:
  TIdleThread() : TMMThreadEx(true) {}

 protected:
  void Execute() override {}
};

TEST(MMThreadExTest, PrioritiesMapToTheSystemValues) {
  struct Case {
    vcl::TThreadPriority priority;
    int system;
  };
  const Case cases[] = {{vcl::tpIdle, -15}, {vcl::tpLowest, -2}, {vcl::tpLower, -1},       {vcl::tpNormal, 0},
                        {vcl::tpHigher, 1}, {vcl::tpHighest, 2}, {vcl::tpTimeCritical, 15}};
  TIdleThread thread;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.system);
    EXPECT_EQ(TMMThreadEx::SystemPriority(c.priority), c.system);
    thread.SetPriority(c.priority);
    EXPECT_EQ(plat::GetThreadPriority(thread.Handle()), c.system);
  }
}

TEST(DSPSynchronizeTest, DeviceThreadHandsTheMethodToTheMainThread) {
  ASSERT_TRUE(plat::IsMainThread());
  std::atomic<bool> ran_on_main{false};
  std::atomic<bool> device_waited{false};
  std::atomic<bool> returned{false};
  std::string caught;
  const int before = DSPThreadCount();
  {
    TWorkThread thread(nullptr, [&] {
      DSPSynchronize([&] {
        ran_on_main = plat::IsMainThread();
        device_waited = !returned;
      });
      returned = true;
      // What the method raises on the main thread comes back here.
      try {
        DSPSynchronize([] { throw EMMDSPError("from the main thread"); });
      } catch (const EMMDSPError& e) {
        caught = e.Message();
      }
    });
    EXPECT_EQ(DSPThreadCount(), before + 1);
    EXPECT_TRUE(thread.Suspended());
    thread.Start();
    thread.WaitFor();  // serves the synchronise calls meanwhile
  }
  EXPECT_EQ(DSPThreadCount(), before);
  EXPECT_TRUE(ran_on_main);
  EXPECT_TRUE(device_waited);
  EXPECT_TRUE(returned);
  EXPECT_EQ(caught, "from the main thread");
}

TEST(DSPSynchronizeTest, OtherCallersRunTheMethodAtOnce) {
  // A registered device thread exists, but is not the caller.
  TWorkThread idle(nullptr, [] {});
  const plat::DWORD main_id = plat::GetCurrentThreadId();
  plat::DWORD ran_on = 0;
  DSPSynchronize([&] { ran_on = plat::GetCurrentThreadId(); });
  EXPECT_EQ(ran_on, main_id);

  // An unregistered thread (a driver callback, say) runs it itself, without
  // the main thread serving anything.
  plat::DWORD caller = 0;
  std::thread other([&] {
    caller = plat::GetCurrentThreadId();
    DSPSynchronize([&] { ran_on = plat::GetCurrentThreadId(); });
  });
  other.join();
  EXPECT_EQ(ran_on, caller);
  EXPECT_NE(ran_on, main_id);
}

}  // namespace
}  // namespace engine
