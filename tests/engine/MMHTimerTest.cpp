// The high-resolution timer on the manual clock: ticks in each delivery mode,
// the queue limit of the window mode, and stops that are final: no tick
// after a stop or after destruction, also when the stop comes from inside a
// tick.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/MMHTimer.h"
#include "engine/MMUtils.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/mm/MMTime.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Graphics.h"
#include "support/PumpUntil.h"

namespace engine {
namespace {

using namespace std::chrono_literals;

// Where a tick ran.
enum TickThread { kMain, kTimerThread, kOwnThread };

class HiTimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vcl::InitApplication();
    vcl::SetMessageBoxSink([this](const std::string& text, const std::string& caption, unsigned) {
      boxes_.push_back(caption + ": " + text);
      return vcl::IDOK;
    });
    vcl::Application->OnException = [this](vcl::TObject*, const vcl::Exception& e) {
      errors_.push_back(e.Message());
    };
    main_id_ = plat::GetCurrentThreadId();
  }
  void TearDown() override {
    timer_.reset();
    // Anything a stopped timer left behind would show here.
    plat::clock::AdvanceMs(500);
    Pump();
    vcl::Application->OnException = nullptr;
    vcl::SetMessageBoxSink(nullptr);
    vcl::DoneApplication();
  }

  // Serves the hidden windows and synchronized ticks.
  static void Pump() {
    vcl::Application->ProcessMessages();
    vcl::CheckSynchronize();
  }
  // Pumps until done, in real time, for ticks that other threads still deliver.
  template <class Pred>
  static bool PumpUntil(Pred done) {
    testsupport::PumpUntil(done, {.serve = Pump, .limit_ms = 3000});
    Pump();
    return done();
  }

  TMMHiTimer& MakeTimer(TMMCBMode mode, bool synchronize, uint32_t interval) {
    timer_ = std::make_unique<TMMHiTimer>(nullptr);
    raw_timer_ = timer_.get();
    timer_->SetCallBackMode(mode);
    timer_->SetSynchronize(synchronize);
    timer_->SetInterval(interval);
    return *timer_;
  }
  // Counts the ticks and where they ran.
  vcl::TNotifyEvent Counter() {
    return [this](vcl::TObject* sender) {
      EXPECT_EQ(sender, raw_timer_);
      const plat::DWORD id = plat::GetCurrentThreadId();
      std::lock_guard lock(where_lock_);
      where_.push_back(id == main_id_ ? kMain : id == timer_thread_id_ ? kTimerThread : kOwnThread);
      ++ticks_;
    };
  }

  plat::ScopedManualClock clock_;
  std::unique_ptr<TMMHiTimer> timer_;
  TMMHiTimer* raw_timer_ = nullptr;  // the sender ticks name, also while timer_ is being reset
  std::atomic<int> ticks_{0};
  std::mutex where_lock_;
  std::vector<TickThread> where_;  // guarded by where_lock_
  std::vector<std::string> boxes_;
  std::vector<std::string> errors_;
  plat::DWORD main_id_ = 0;
  plat::DWORD timer_thread_id_ = 0;  // the multimedia timer's thread, once seen
};

// The callback mode is allowed only with the Windows 95 flag; the unit
// reads it at start-up.
class Win95Flags {
 public:
  Win95Flags() {
    plat::OSVERSIONINFOA v;
    v.dwOSVersionInfoSize = sizeof(v);
    v.dwPlatformId = plat::VER_PLATFORM_WIN32_WINDOWS;
    v.dwMajorVersion = 4;
    v.dwMinorVersion = 0;
    plat::SetVersionProfile(v);
    MMUtilsInitialize();
  }
  // The flags keep what the last start-up found, so find them again.
  ~Win95Flags() {
    MMUtilsFinalize();
    plat::SetVersionProfile(std::nullopt);
    MMUtilsInitialize();
    MMUtilsFinalize();
  }
};

struct ModeCase {
  const char* name;
  TMMCBMode mode;
  bool synchronize;
  TickThread expected;
};

const ModeCase kModes[] = {
    {"window", cmWindow, true, kMain},
    {"thread, synchronized", cmThread, true, kMain},
    {"thread", cmThread, false, kOwnThread},
    {"callback", cmCallback, false, kTimerThread},
};

TEST_F(HiTimerTest, TicksEveryIntervalInEachModeUntilIntervalIsZero) {
  for (const ModeCase& c : kModes) {
    SCOPED_TRACE(c.name);
    Win95Flags win95;
    ticks_ = 0;
    {
      std::lock_guard lock(where_lock_);
      where_.clear();
    }
    TMMHiTimer& timer = MakeTimer(c.mode, c.synchronize, 1000);
    ASSERT_EQ(timer.CallBackMode(), c.mode);
    EXPECT_FALSE(timer.Running());
    // The handler starts it: Enabled and Interval were set already.
    timer.SetOnTimer(Counter());
    ASSERT_TRUE(timer.Running());
    if (c.mode == cmCallback) {
      // Learn the timer thread's id from a one-shot timer of the same layer.
      plat::timeSetEvent(
          1, 0,
          [](plat::UINT, plat::UINT, plat::DWORD_PTR user, plat::DWORD_PTR, plat::DWORD_PTR) {
            *reinterpret_cast<plat::DWORD*>(user) = plat::GetCurrentThreadId();
          },
          reinterpret_cast<plat::DWORD_PTR>(&timer_thread_id_), plat::TIME_ONESHOT);
    }
    plat::clock::AdvanceMs(999);
    Pump();
    EXPECT_EQ(ticks_, 0);
    for (int n = 1; n <= 3; ++n) {
      plat::clock::AdvanceMs(n == 1 ? 1 : 1000);
      EXPECT_TRUE(PumpUntil([&] { return ticks_ == n; }));
    }
    {
      std::lock_guard lock(where_lock_);
      EXPECT_EQ(where_, std::vector<TickThread>(3, c.expected));
    }
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    plat::clock::AdvanceMs(3000);
    Pump();
    EXPECT_EQ(ticks_, 3);
    timer_.reset();
  }
}

TEST_F(HiTimerTest, AFailingTickReachesTheApplicationOnTheMainThreadInEachMode) {
  for (const ModeCase& c : kModes) {
    SCOPED_TRACE(c.name);
    Win95Flags win95;
    errors_.clear();
    std::atomic<int> failed{0};
    std::vector<plat::DWORD> handled_on;
    vcl::Application->OnException = [&](vcl::TObject*, const vcl::Exception& e) {
      errors_.push_back(e.Message());
      handled_on.push_back(plat::GetCurrentThreadId());
    };
    TMMHiTimer& timer = MakeTimer(c.mode, c.synchronize, 100);
    timer.SetOnTimer([&](vcl::TObject*) {
      // Once, so the ticks that follow do not pile up reports.
      if (failed++ == 0) throw EMMHiTimerError("tick failed");
    });
    plat::clock::AdvanceMs(100);
    EXPECT_TRUE(PumpUntil([&] { return !errors_.empty(); }));
    timer_.reset();
    EXPECT_EQ(errors_, std::vector<std::string>{"tick failed"});
    EXPECT_EQ(handled_on, std::vector<plat::DWORD>{main_id_});
    EXPECT_TRUE(boxes_.empty());
    vcl::Application->OnException = nullptr;
  }
}

TEST_F(HiTimerTest, CallbackModeNeedsTheWindows95Flag) {
  TMMHiTimer& timer = MakeTimer(cmWindow, true, 100);
  timer.SetCallBackMode(cmCallback);
  EXPECT_EQ(timer.CallBackMode(), cmWindow);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(
      boxes_[0],
      "TMMHiTimer: \"CallBacks\" are called at interrupt time !\n\rThis is currently only supported under "
      "Windows 95");
}

TEST_F(HiTimerTest, WindowModeQueuesAtMostTenTicks) {
  TMMHiTimer& timer = MakeTimer(cmWindow, true, 10);
  timer.SetOnTimer(Counter());
  // The main thread is busy for 25 intervals.
  plat::clock::AdvanceMs(250);
  EXPECT_EQ(timer.PendingTicks(), kMaxPendingTicks);
  Pump();
  EXPECT_EQ(ticks_, kMaxPendingTicks);
  EXPECT_EQ(timer.PendingTicks(), 0);
  plat::clock::AdvanceMs(10);
  Pump();
  EXPECT_EQ(ticks_, kMaxPendingTicks + 1);
}

TEST_F(HiTimerTest, QueuedTicksDieWithTheStop) {
  TMMHiTimer& timer = MakeTimer(cmWindow, true, 10);
  timer.SetOnTimer(Counter());
  plat::clock::AdvanceMs(30);
  ASSERT_EQ(timer.PendingTicks(), 3);
  timer.SetEnabled(false);
  Pump();
  EXPECT_EQ(ticks_, 0);
  // A restart does not bring them back either.
  timer.SetEnabled(true);
  Pump();
  EXPECT_EQ(ticks_, 0);
  plat::clock::AdvanceMs(10);
  Pump();
  EXPECT_EQ(ticks_, 1);
}

TEST_F(HiTimerTest, NoTickReachesOnTimerAfterDestruction) {
  for (const ModeCase& c : kModes) {
    SCOPED_TRACE(c.name);
    Win95Flags win95;
    ticks_ = 0;
    TMMHiTimer& timer = MakeTimer(c.mode, c.synchronize, 10);
    timer.SetOnTimer(Counter());
    plat::clock::AdvanceMs(10);
    ASSERT_TRUE(PumpUntil([&] { return ticks_ == 1; }));
    // A tick on its way (a queued message, a woken thread, a synchronized
    // call) may finish while the timer stops, but none starts afterwards.
    plat::clock::AdvanceMs(10);
    timer_.reset();
    const int at_reset = ticks_;
    EXPECT_LE(at_reset, 2);
    plat::clock::AdvanceMs(200);
    std::this_thread::sleep_for(20ms);
    Pump();
    EXPECT_EQ(ticks_, at_reset);
  }
}

TEST_F(HiTimerTest, StopFromInsideItsOwnTickIsFinal) {
  enum Action { kDisable, kDestroy };
  for (const ModeCase& c : kModes) {
    for (Action action : {kDisable, kDestroy}) {
      SCOPED_TRACE(std::string(c.name) + (action == kDisable ? ", disabled" : ", destroyed"));
      Win95Flags win95;
      ticks_ = 0;
      std::atomic<bool> returned{false};
      TMMHiTimer& timer = MakeTimer(c.mode, c.synchronize, 10);
      timer.SetOnTimer([&](vcl::TObject*) {
        ++ticks_;
        if (action == kDisable)
          timer_->SetEnabled(false);
        else
          timer_.reset();
        returned = true;
      });
      plat::clock::AdvanceMs(10);
      ASSERT_TRUE(PumpUntil([&] { return returned.load(); }));
      EXPECT_EQ(action == kDestroy, timer_ == nullptr);
      if (timer_) {
        EXPECT_FALSE(timer_->Running());
      }
      plat::clock::AdvanceMs(200);
      std::this_thread::sleep_for(20ms);
      Pump();
      EXPECT_EQ(ticks_, 1);
      timer_.reset();
    }
  }
}

TEST_F(HiTimerTest, DestructionWaitsForATickUnderWay) {
  // The tick holds its own thread inside OnTimer until released.
  plat::HANDLE release = plat::CreateEventA(nullptr, plat::TRUE, plat::FALSE, nullptr);
  std::atomic<bool> inside{false};
  std::atomic<bool> finished{false};
  TMMHiTimer& timer = MakeTimer(cmThread, false, 10);
  timer.SetOnTimer([&](vcl::TObject*) {
    ++ticks_;
    inside = true;
    plat::WaitForSingleObject(release, plat::INFINITE);
    finished = true;
  });
  plat::clock::AdvanceMs(10);
  ASSERT_TRUE(PumpUntil([&] { return inside.load(); }));
  std::thread releaser([&] {
    std::this_thread::sleep_for(30ms);
    plat::SetEvent(release);
  });
  timer_.reset();
  // The tick had ended before the destructor returned.
  EXPECT_TRUE(finished);
  releaser.join();
  plat::clock::AdvanceMs(200);
  Pump();
  EXPECT_EQ(ticks_, 1);
  plat::CloseHandle(release);
}

TEST_F(HiTimerTest, NoFreeTimerRaisesAndLeavesNothingRunning) {
  TMMHiTimer& timer = MakeTimer(cmThread, true, 2'000'000);  // beyond what the system timer takes
  EXPECT_THROW(
      {
        try {
          timer.SetOnTimer(Counter());
        } catch (const vcl::EOutOfResources& e) {
          EXPECT_EQ(e.Message(), "Not enough timers available");
          throw;
        }
      },
      vcl::EOutOfResources);
  EXPECT_FALSE(timer.Running());
  // The resolution was given back.
  plat::TIMECAPS caps;
  plat::timeGetDevCaps(&caps, sizeof(caps));
  EXPECT_EQ(plat::timeEndPeriod(caps.wPeriodMin), plat::TIMERR_NOCANDO);
  // A usable interval afterwards starts it.
  timer.SetInterval(10);
  EXPECT_TRUE(timer.Running());
}

}  // namespace
}  // namespace engine
