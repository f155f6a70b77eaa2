// The wave devices' shared core: the device thread's start and end, and the
// bounded wait that serves messages.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/MMWaveDev.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/WaitCore.h"

namespace engine {
namespace {

using namespace std::chrono_literals;

constexpr plat::UINT kNotice = 0x8100;

// Serves a notice by holding on until released.
class THoldingThread : public TMMWaveDeviceThread {
 public:
  THoldingThread(std::atomic<bool>& serving, std::atomic<bool>& release)
      : TMMWaveDeviceThread(nullptr, vcl::tpNormal, kNotice), serving_(serving), release_(release) {}

 protected:
  void Serve(const plat::MSG&) override {
    serving_ = true;
    while (!release_) std::this_thread::sleep_for(1ms);
  }
  void Failed() override {}

 private:
  std::atomic<bool>& serving_;
  std::atomic<bool>& release_;
};

// Moves the manual clock on until told to stop, so bounded waits run out.
void PushClockWhile(const std::function<void()>& action) {
  std::atomic<bool> done{false};
  std::thread pusher([&] {
    while (!done) {
      plat::clock::AdvanceMs(50);
      std::this_thread::sleep_for(200us);
    }
    plat::waitcore::ThreadIdle();
  });
  action();
  done = true;
  pusher.join();
}

template <class Pred>
bool EventuallyInRealTime(Pred pred) {
  for (int i = 0; i < 5000 && !pred(); ++i) std::this_thread::sleep_for(1ms);
  return pred();
}

TEST(WaveDeviceThreadTest, AnEndThatTimesOutLeavesTheThreadItsEventsUntilItEnds) {
  plat::ScopedManualClock clock;
  std::atomic<bool> serving{false};
  std::atomic<bool> release{false};
  const int before = DSPThreadCount();
  TWaveDeviceThreadLink link;
  ASSERT_TRUE(link.Start([&] { return new THoldingThread(serving, release); }));
  ASSERT_NE(link.ThreadID(), 0u);
  plat::PostThreadMessageA(link.ThreadID(), kNotice, 0, 0);
  ASSERT_TRUE(EventuallyInRealTime([&] { return serving.load(); }));

  PushClockWhile([&] { link.End(); });
  EXPECT_FALSE(link.Running());
  EXPECT_EQ(link.ThreadID(), 0u);
  EXPECT_EQ(DSPThreadCount(), before + 1);

  // Released, the thread finds the quit on its own events, ends and frees itself.
  release = true;
  EXPECT_TRUE(EventuallyInRealTime([&] { return DSPThreadCount() == before; }));
}

TEST(WaveDeviceThreadTest, AThreadThatCannotBeMadeIsAFailedStart) {
  TWaveDeviceThreadLink link;
  EXPECT_FALSE(link.Start([]() -> TMMWaveDeviceThread* { throw vcl::EThread("no thread"); }));
  EXPECT_FALSE(link.Running());
  EXPECT_EQ(link.ThreadID(), 0u);
}

TEST(WaitServingMessagesTest, RunsOutOnTheClockAndLeavesAQuitForTheLoopThatOwnsIt) {
  plat::ScopedManualClock clock;
  plat::PostThreadMessageA(plat::GetCurrentThreadId(), plat::WM_QUIT, 7, 0);
  const int64_t start = plat::ClockNowMicroseconds();
  bool result = true;
  PushClockWhile([&] { result = WaitServingMessages([] { return false; }, 200, nullptr, true); });
  EXPECT_FALSE(result);
  EXPECT_GE(plat::ClockNowMicroseconds() - start, 200'000);
  plat::MSG msg;
  ASSERT_TRUE(plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE));
  EXPECT_EQ(msg.message, plat::WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE));
}

}  // namespace
}  // namespace engine
