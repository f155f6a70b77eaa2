#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/Threads.h"
#include "platform/mm/MMTime.h"

using namespace plat;

namespace {

// Callback times, relative to the start of the test, in milliseconds.
struct Ticks {
  DWORD start = 0;
  std::mutex mutex;
  std::vector<DWORD> at;
  std::vector<DWORD> Get() {
    std::lock_guard lock(mutex);
    return at;
  }
};

void RecordTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  auto* ticks = reinterpret_cast<Ticks*>(user);
  std::lock_guard lock(ticks->mutex);
  ticks->at.push_back(timeGetTime() - ticks->start);
}

}  // namespace

TEST(MultimediaTimers, FireOnTheManualClock) {
  struct Case {
    const char* what;
    UINT delay;
    UINT flags;
    int64_t advance_ms;
    std::vector<DWORD> expected;
  };
  const Case cases[] = {
      {"periodic 25 ms over 100 ms", 25, TIME_PERIODIC, 100, {25, 50, 75, 100}},
      {"periodic 30 ms over 100 ms", 30, TIME_PERIODIC, 100, {30, 60, 90}},
      {"one-shot fires once", 40, TIME_ONESHOT, 200, {40}},
      {"not yet due", 101, TIME_PERIODIC, 100, {}},
  };
  for (const Case& c : cases) {
    ScopedManualClock manual;
    Ticks ticks;
    ticks.start = timeGetTime();
    UINT id = timeSetEvent(c.delay, 0, RecordTick, reinterpret_cast<DWORD_PTR>(&ticks), c.flags);
    ASSERT_NE(id, 0u) << c.what;
    clock::AdvanceMs(c.advance_ms);
    EXPECT_EQ(ticks.Get(), c.expected) << c.what;
    MMRESULT killed = timeKillEvent(id);
    // A one-shot timer is gone once it has fired.
    EXPECT_EQ(killed, c.flags == TIME_ONESHOT && !c.expected.empty() ? MMSYSERR_INVALPARAM : TIMERR_NOERROR)
        << c.what;
    clock::AdvanceMs(100);
    EXPECT_EQ(ticks.Get().size(), c.expected.size()) << c.what;
  }
}

TEST(MultimediaTimers, LateTicksSkipToTheScheduleInsteadOfBursting) {
  ScopedManualClock manual;
  Ticks ticks;
  ticks.start = timeGetTime();
  // A callback that takes 60 ms of clock time on a 25 ms period.
  std::atomic<bool> slow{true};
  struct Context {
    Ticks* ticks;
    std::atomic<bool>* slow;
    HANDLE release;
  };
  HANDLE release = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  Context context{&ticks, &slow, release};
  UINT id = timeSetEvent(
      25, 0,
      [](UINT id, UINT msg, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
        auto* context = reinterpret_cast<Context*>(user);
        RecordTick(id, msg, reinterpret_cast<DWORD_PTR>(context->ticks), 0, 0);
        if (context->slow->exchange(false)) WaitForSingleObject(context->release, INFINITE);
      },
      reinterpret_cast<DWORD_PTR>(&context), TIME_PERIODIC);
  clock::AdvanceMs(25);  // first tick starts and blocks
  clock::AdvanceMs(60);  // now 85: the ticks of 50 and 75 were missed
  SetEvent(release);
  ASSERT_TRUE(clock::WaitForTimedWaiters(1));  // the late tick ran, the next is planned
  clock::AdvanceMs(15);                        // to 100
  timeKillEvent(id);
  EXPECT_EQ(ticks.Get(), (std::vector<DWORD>{25, 85, 100}));
  CloseHandle(release);
}

namespace {

struct Blocking {
  HANDLE entered;
  HANDLE release;
  std::atomic<bool> finished{false};
  std::atomic<int> calls{0};
};

void BlockingTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  auto* blocking = reinterpret_cast<Blocking*>(user);
  ++blocking->calls;
  SetEvent(blocking->entered);
  WaitForSingleObject(blocking->release, INFINITE);
  blocking->finished = true;
}

}  // namespace

TEST(MultimediaTimers, KillWaitsForARunningCallback) {
  ScopedManualClock manual;
  Blocking blocking;
  blocking.entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  blocking.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  UINT id = timeSetEvent(25, 0, BlockingTick, reinterpret_cast<DWORD_PTR>(&blocking), TIME_PERIODIC);
  clock::AdvanceMs(25);
  ASSERT_EQ(WaitForSingleObject(blocking.entered, 5000), WAIT_OBJECT_0);
  std::atomic<bool> returned{false};
  std::atomic<bool> finished_before_return{false};
  std::thread killer([&] {
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    finished_before_return = blocking.finished.load();
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(returned.load());
  SetEvent(blocking.release);
  killer.join();
  EXPECT_TRUE(finished_before_return.load());
  clock::AdvanceMs(100);
  EXPECT_EQ(blocking.calls.load(), 1);
  EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
  CloseHandle(blocking.entered);
  CloseHandle(blocking.release);
}

namespace {

struct SelfKill {
  UINT id = 0;
  std::atomic<int> calls{0};
  std::atomic<MMRESULT> result{~0u};
};

}  // namespace

TEST(MultimediaTimers, KillFromInsideTheCallbackAndThrowingCallbacks) {
  ScopedManualClock manual;
  SelfKill self;
  self.id = timeSetEvent(
      10, 0,
      [](UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
        auto* self = reinterpret_cast<SelfKill*>(user);
        ++self->calls;
        self->result = timeKillEvent(id);
      },
      reinterpret_cast<DWORD_PTR>(&self), TIME_PERIODIC);
  UINT thrower = timeSetEvent(
      10, 0, [](UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) { throw std::runtime_error("tick"); }, 0,
      TIME_PERIODIC);
  Ticks ticks;
  ticks.start = timeGetTime();
  UINT survivor = timeSetEvent(20, 0, RecordTick, reinterpret_cast<DWORD_PTR>(&ticks), TIME_PERIODIC);
  clock::AdvanceMs(50);
  EXPECT_EQ(self.calls.load(), 1);
  EXPECT_EQ(self.result.load(), TIMERR_NOERROR);
  EXPECT_EQ(ticks.Get(), (std::vector<DWORD>{20, 40}));
  EXPECT_EQ(timeKillEvent(thrower), TIMERR_NOERROR);
  EXPECT_EQ(timeKillEvent(survivor), TIMERR_NOERROR);
}

TEST(MultimediaTimers, EventCallbacksAndBadArguments) {
  ScopedManualClock manual;
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  UINT id =
      timeSetEvent(10, 0, reinterpret_cast<LPTIMECALLBACK>(event), 0, TIME_ONESHOT | TIME_CALLBACK_EVENT_SET);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  clock::AdvanceMs(10);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  CloseHandle(event);

  EXPECT_EQ(timeSetEvent(0, 0, RecordTick, 0, TIME_PERIODIC), 0u);
  EXPECT_EQ(timeSetEvent(10, 0, nullptr, 0, TIME_PERIODIC), 0u);
  EXPECT_EQ(timeSetEvent(10, 0, RecordTick, 0, TIME_PERIODIC | TIME_CALLBACK_EVENT_PULSE), 0u);
  EXPECT_EQ(timeKillEvent(0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(timeKillEvent(0xFFFFFF), MMSYSERR_INVALPARAM);
}

TEST(MultimediaTimers, ResolutionAndTime) {
  struct Case {
    UINT period;
    MMRESULT expected;
  };
  const Case cases[] = {{1, TIMERR_NOERROR},
                        {25, TIMERR_NOERROR},
                        {1000, TIMERR_NOERROR},
                        {0, TIMERR_NOCANDO},
                        {1001, TIMERR_NOCANDO}};
  for (const Case& c : cases) {
    EXPECT_EQ(timeBeginPeriod(c.period), c.expected) << c.period;
    EXPECT_EQ(timeEndPeriod(c.period), c.expected) << c.period;
  }
  EXPECT_EQ(timeEndPeriod(25), TIMERR_NOCANDO);  // no begin left to end
  TIMECAPS caps;
  EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
  EXPECT_EQ(caps.wPeriodMin, 1u);
  EXPECT_EQ(caps.wPeriodMax, 1000000u);
  EXPECT_EQ(timeGetDevCaps(nullptr, sizeof caps), TIMERR_NOCANDO);
  ScopedManualClock manual(3'000'000);
  EXPECT_EQ(timeGetTime(), 3000u);
  clock::AdvanceMs(17);
  EXPECT_EQ(timeGetTime(), 3017u);
}
