// The shared 25 ms timer on the manual clock: client periods in whole ticks,
// suspension, order of calls, and the system timer living exactly as long as
// its clients.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/MMTimer.h"
#include "platform/kernel/Clock.h"

namespace engine {
namespace {

// Which client ran at which tick, written on the timer thread.
struct TickLog {
  std::mutex mutex;
  int tick = 0;  // advanced by the test between ticks
  std::map<std::string, std::vector<int>> calls;
  std::vector<std::string> order;

  std::vector<int> Calls(const std::string& name) {
    std::lock_guard lock(mutex);
    return calls[name];
  }
};

struct Named {
  TickLog* log;
  std::string name;
};

void Record(TMMTimerClient*, void* data) {
  auto* n = static_cast<Named*>(data);
  std::lock_guard lock(n->log->mutex);
  n->log->calls[n->name].push_back(n->log->tick);
  n->log->order.push_back(n->name);
}

class MMTimerTest : public ::testing::Test {
 protected:
  void TearDown() override { ASSERT_EQ(TimerClientCount(), 0); }

  // Advances one tick at a time, numbering the ticks from 1.
  void Ticks(TickLog& log, int count) {
    for (int i = 0; i < count; ++i) {
      {
        std::lock_guard lock(log.mutex);
        ++log.tick;
      }
      plat::clock::AdvanceMs(kMMTimerPeriod);
    }
  }
  plat::ScopedManualClock clock_;
};

TEST_F(MMTimerTest, ClientsRunEveryWholeNumberOfTicks) {
  struct Case {
    const char* name;
    int32_t interval;
    std::vector<int> ticks;  // of the first eight
  };
  const std::vector<Case> cases = {
      {"10 ms", 10, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"25 ms", 25, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"30 ms", 30, {2, 4, 6, 8}},
      {"50 ms", 50, {2, 4, 6, 8}},
      {"100 ms", 100, {4, 8}},
      {"0 ms", 0, {1, 2, 3, 4, 5, 6, 7, 8}},
  };
  TickLog log;
  std::vector<Named> names;
  names.reserve(cases.size());
  std::vector<TMMTimerClient*> clients;
  for (const Case& c : cases) {
    names.push_back(Named{&log, c.name});
    clients.push_back(AddTimerClient(c.interval, false, Record, &names.back()));
    ASSERT_NE(clients.back(), nullptr);
  }
  EXPECT_EQ(clients[0]->Interval, 25);
  Ticks(log, 8);
  for (const Case& c : cases) EXPECT_EQ(log.Calls(c.name), c.ticks) << c.name;
  // Within a tick the clients run in the order they were added.
  {
    std::lock_guard lock(log.mutex);
    ASSERT_GE(log.order.size(), 3u);
    EXPECT_EQ(log.order[0], "10 ms");
    EXPECT_EQ(log.order[1], "25 ms");
    EXPECT_EQ(log.order[2], "0 ms");
  }
  for (TMMTimerClient* c : clients) RemoveTimerClient(c);
}

TEST_F(MMTimerTest, SuspendedClientsCountNoTime) {
  TickLog log;
  Named late{&log, "late"}, twice{&log, "twice"};
  TMMTimerClient* added_suspended = AddTimerClient(50, true, Record, &late);
  TMMTimerClient* suspended_twice = AddTimerClient(25, false, Record, &twice);
  ASSERT_TRUE(added_suspended && suspended_twice);
  Ticks(log, 1);  // tick 1: "twice" runs
  SuspendTimerClient(suspended_twice);
  SuspendTimerClient(suspended_twice);
  Ticks(log, 2);  // ticks 2, 3: nobody runs
  ResumeTimerClient(added_suspended);
  ResumeTimerClient(suspended_twice);
  Ticks(log, 2);  // ticks 4, 5: "late" counts from 0 and runs at 5
  ResumeTimerClient(suspended_twice);
  ResumeTimerClient(suspended_twice);  // no count below 0
  Ticks(log, 1);                       // tick 6: "twice" runs again
  EXPECT_EQ(log.Calls("late"), (std::vector<int>{5}));
  EXPECT_EQ(log.Calls("twice"), (std::vector<int>{1, 6}));
  EXPECT_EQ(suspended_twice->SuspendCount, 0);
  RemoveTimerClient(added_suspended);
  RemoveTimerClient(suspended_twice);
}

TEST_F(MMTimerTest, TimerLivesAsLongAsItsClients) {
  TickLog log;
  Named a{&log, "a"}, b{&log, "b"};
  EXPECT_FALSE(MMTimerRunning());
  TMMTimerClient* first = AddTimerClient(25, false, Record, &a);
  TMMTimerClient* second = AddTimerClient(25, false, Record, &b);
  EXPECT_TRUE(MMTimerRunning());
  // The 25 ms resolution is held while clients exist: one more end succeeds.
  ASSERT_EQ(plat::timeEndPeriod(kMMTimerPeriod), plat::TIMERR_NOERROR);
  plat::timeBeginPeriod(kMMTimerPeriod);

  RemoveTimerClient(first);
  TMMTimerClient stranger;
  RemoveTimerClient(&stranger);  // never added: nothing happens
  EXPECT_EQ(TimerClientCount(), 1);
  Ticks(log, 1);
  RemoveTimerClient(second);
  EXPECT_FALSE(MMTimerRunning());
  EXPECT_EQ(plat::timeEndPeriod(kMMTimerPeriod), plat::TIMERR_NOCANDO);
  Ticks(log, 4);
  EXPECT_EQ(log.Calls("a"), std::vector<int>{});
  EXPECT_EQ(log.Calls("b"), (std::vector<int>{1}));

  // Adding a client again starts a new timer.
  TMMTimerClient* again = AddTimerClient(25, false, Record, &a);
  EXPECT_TRUE(MMTimerRunning());
  Ticks(log, 1);
  EXPECT_EQ(log.Calls("a"), (std::vector<int>{6}));
  RemoveTimerClient(again);
}

TEST_F(MMTimerTest, ProcMayAddAClient) {
  TickLog log;
  Named added{&log, "added"};
  TMMTimerClient* late_client = nullptr;
  TMMTimerClient* adder = AddTimerClient(
      25, false,
      [&](TMMTimerClient* self, void*) {
        late_client = AddTimerClient(25, false, Record, &added);
        SuspendTimerClient(self);
      },
      nullptr);
  ASSERT_NE(adder, nullptr);
  Ticks(log, 2);
  ASSERT_NE(late_client, nullptr);
  // Appended behind the adder, it already ran in the tick that added it.
  EXPECT_EQ(log.Calls("added"), (std::vector<int>{1, 2}));
  RemoveTimerClient(late_client);
  RemoveTimerClient(adder);
}

plat::UINT RefuseTimer(plat::UINT, plat::UINT, plat::LPTIMECALLBACK, plat::DWORD_PTR, plat::UINT) {
  return 0;
}

TEST_F(MMTimerTest, NoClientWhenTheSystemTimerCannotBeMade) {
  TTimeSetEvent previous = SetMMTimerSetEvent(&RefuseTimer);
  TickLog log;
  Named n{&log, "n"};
  EXPECT_EQ(AddTimerClient(25, false, Record, &n), nullptr);
  EXPECT_EQ(TimerClientCount(), 0);
  EXPECT_FALSE(MMTimerRunning());
  EXPECT_EQ(plat::timeEndPeriod(kMMTimerPeriod), plat::TIMERR_NOCANDO);
  SetMMTimerSetEvent(previous);
  // The failed start left nothing behind: the next client starts the timer.
  TMMTimerClient* client = AddTimerClient(25, false, Record, &n);
  ASSERT_NE(client, nullptr);
  Ticks(log, 1);
  EXPECT_EQ(log.Calls("n"), (std::vector<int>{1}));
  RemoveTimerClient(client);
}

}  // namespace
}  // namespace engine
