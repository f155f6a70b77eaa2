// The trigger pump on the manual clock: buffers pumped in order at the set
// pace, the stop at the end of the data completed on the main thread, errors
// of a start and of a cycle, pause and restart without suspending the pump
// thread, and destruction while a cycle is under way, of the trigger or of a
// member of its chain.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ChainTestClasses.h"
#include "engine/MMTrigg.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/vcl/Application.h"
#include "resources/ProgramResources.h"
#include "support/PumpUntil.h"

namespace engine {
namespace {

using namespace std::chrono_literals;
using enginetest::TTestChainForm;
using enginetest::TTestPassive;

class TriggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterProgramResources();
    vcl::InitApplication();
    vcl::Application->OnException = [this](vcl::TObject*, const vcl::Exception& e) {
      errors_.push_back(e.Message());
    };
    main_id_ = plat::GetCurrentThreadId();
    form_ = std::make_unique<TTestChainForm>(nullptr);
    source_ = new TTestPassive(form_.get());
    source_->SetName("Source");
    trigger_ = new TMMTrigger(form_.get());
    trigger_->SetName("Trigger");
    sink_ = new TTestPassive(form_.get());
    sink_->SetName("Sink");
    trigger_->SetInput(source_);
    trigger_->SetOutput(sink_);
    format_ = enginetest::PcmFormat(2);
    trigger_->SetFormat(&format_);
    trigger_->SetBufferSize(64);

    // Each buffer carries its number in its first byte.
    source_->OnBufferLoad = [this](vcl::TObject*, plat::WAVEHDR* h, bool& more) {
      if (plat::GetCurrentThreadId() == main_id_) ++pulls_on_main_;
      if (next_ > buffers_) {
        more = more_after_end_;
        return;
      }
      std::memset(h->lpData, 0, h->dwBufferLength);
      h->lpData[0] = static_cast<char>(next_);
      h->dwBytesRecorded = h->dwBufferLength;
      more = next_ < buffers_ || more_after_end_;
      ++next_;
    };
    sink_->OnBufferReady = [this](vcl::TObject*, plat::WAVEHDR* h) {
      std::lock_guard lock(mutex_);
      pushed_.push_back(h->lpData[0]);
      push_on_main_.push_back(plat::GetCurrentThreadId() == main_id_);
      if (on_push_) on_push_(static_cast<int>(pushed_.size()));
    };
    trigger_->OnStop = [this](vcl::TObject*) {
      ++stops_;
      stop_on_main_ = plat::GetCurrentThreadId() == main_id_;
    };
    trigger_->OnClose = [this](vcl::TObject*) { ++closes_; };
    trigger_->OnError = [this](vcl::TObject*) { ++on_error_; };
  }
  void TearDown() override {
    EndHold();
    // The trigger goes first: its destructor finishes a cycle still pushing
    // into the chain, which the form would otherwise free under it.
    delete trigger_;
    trigger_ = nullptr;
    form_.reset();
    // Nothing of the pump may run after it is gone.
    plat::clock::AdvanceMs(500);
    Pump();
    vcl::Application->OnException = nullptr;
    vcl::DoneApplication();
  }

  static void Pump() {
    vcl::Application->ProcessMessages();
    vcl::CheckSynchronize();
  }
  template <class Pred>
  static bool PumpUntil(Pred done) {
    testsupport::PumpUntil(done, {.serve = Pump, .limit_ms = 3000});
    Pump();
    return done();
  }
  int Pushes() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(pushed_.size());
  }
  // Waits until the pump thread is in its pause, serving the main thread
  // meanwhile: a synchronized push returns to the pump thread only once the
  // main thread has answered it.
  static bool AwaitPumpPause() {
    std::atomic<int> paused{-1};
    std::thread waiter([&] { paused = plat::clock::WaitForTimedWaiters(1) ? 1 : 0; });
    testsupport::PumpUntil([&] { return paused >= 0; }, {.serve = Pump, .limit_ms = 10000});
    waiter.join();
    return paused == 1;
  }
  // One more cycle: the pump thread is in its pause, which the clock ends.
  void NextCycle(int32_t pause_ms) {
    ASSERT_TRUE(AwaitPumpPause());
    plat::clock::AdvanceMs(pause_ms);
  }
  bool Is(TMMTriggerState state) const { return trigger_->State() == state; }
  // Starts the pump and leaves its second cycle under way: the push held in
  // the pump thread, or, synchronized, waiting for the main thread, which
  // does not serve it. A thread lets the held push go 30 ms later; the test
  // acts meanwhile, then calls EndHold.
  void HoldSecondCycle(bool synchronize) {
    buffers_ = 100;
    trigger_->SetInterval(10);
    trigger_->SetSynchronize(synchronize);
    release_ = plat::CreateEventA(nullptr, plat::TRUE, plat::FALSE, nullptr);
    held_ = false;
    if (!synchronize) {
      on_push_ = [this](int n) {
        if (n != 2) return;
        held_ = true;
        plat::WaitForSingleObject(release_, plat::INFINITE);
      };
    }
    trigger_->Start();
    ASSERT_TRUE(PumpUntil([&] { return Pushes() == 1; }));
    if (synchronize) {
      ASSERT_TRUE(AwaitPumpPause());
      plat::clock::AdvanceMs(10);
      std::this_thread::sleep_for(20ms);
    } else {
      NextCycle(10);
      ASSERT_TRUE(PumpUntil([&] { return held_.load(); }));
    }
    releaser_ = std::thread([this] {
      std::this_thread::sleep_for(30ms);
      plat::SetEvent(release_);
    });
  }
  void EndHold() {
    if (releaser_.joinable()) releaser_.join();
    if (release_) plat::CloseHandle(std::exchange(release_, nullptr));
  }

  plat::ScopedManualClock clock_;
  std::unique_ptr<TTestChainForm> form_;
  TTestPassive* source_ = nullptr;
  TTestPassive* sink_ = nullptr;
  TMMTrigger* trigger_ = nullptr;
  plat::WAVEFORMATEX format_{};
  plat::DWORD main_id_ = 0;

  int buffers_ = 0;              // the source's data
  int next_ = 1;                 // number of the next buffer it fills
  bool more_after_end_ = false;  // announces more data after its last buffer
  std::atomic<int> pulls_on_main_{0};
  std::mutex mutex_;
  std::vector<int> pushed_;         // guarded by mutex_
  std::vector<bool> push_on_main_;  // guarded by mutex_
  std::function<void(int)> on_push_;
  std::atomic<int> stops_{0};
  std::atomic<bool> stop_on_main_{false};
  std::atomic<int> closes_{0};
  std::atomic<int> on_error_{0};
  std::vector<std::string> errors_;
  plat::HANDLE release_ = nullptr;
  std::atomic<bool> held_{false};
  std::thread releaser_;
};

TEST_F(TriggerTest, PumpsEveryBufferInOrderAtItsPaceAndStopsAtTheEnd) {
  struct Case {
    const char* name;
    int buffers;
    int32_t interval;
    int32_t pause;  // what one cycle waits
    bool synchronize;
  };
  const Case cases[] = {
      {"one buffer", 1, 0, 0, false},
      {"two buffers", 2, 10, 10, false},
      {"five buffers, synchronized", 5, 10, 10, true},
      // Without an interval a cycle follows the one before as soon as the chain has taken its buffer.
      {"negative interval", 4, -5, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    buffers_ = c.buffers;
    next_ = 1;
    stops_ = 0;
    pulls_on_main_ = 0;
    {
      std::lock_guard lock(mutex_);
      pushed_.clear();
      push_on_main_.clear();
    }
    trigger_->SetInterval(c.interval);
    EXPECT_EQ(trigger_->Interval(), std::max(c.interval, 0));
    trigger_->SetSynchronize(c.synchronize);
    // Each buffer is announced once the sink has it, on the pump thread.
    std::vector<int> announced;
    trigger_->OnBufferPushed = [&](vcl::TObject*, plat::WAVEHDR* h) {
      std::lock_guard lock(mutex_);
      const bool taken = !pushed_.empty() && pushed_.back() == h->lpData[0];
      announced.push_back(taken && plat::GetCurrentThreadId() != main_id_ ? h->lpData[0] : -1);
    };

    trigger_->Start();
    EXPECT_TRUE(Is({trsOpened, trsStarted}));
    EXPECT_EQ(pulls_on_main_, 1);  // Start's own pull
    // The first cycle runs at once, each further one after the pause; the
    // last buffer goes down in the cycle that pulled it.
    const int at_once = c.pause == 0 ? c.buffers : std::min(c.buffers, 1 + (c.buffers == 2));
    ASSERT_TRUE(PumpUntil([&] { return Pushes() == at_once; }));
    for (int cycle = 2; c.pause > 0 && cycle < c.buffers; ++cycle) {
      if (c.pause > 1) {
        ASSERT_TRUE(AwaitPumpPause());
        plat::clock::AdvanceMs(c.pause - 1);
        Pump();
        EXPECT_EQ(Pushes(), cycle - 1);
      }
      NextCycle(c.pause > 1 ? 1 : c.pause);
      const int expected = cycle == c.buffers - 1 ? c.buffers : cycle;
      ASSERT_TRUE(PumpUntil([&] { return Pushes() == expected; }));
    }
    ASSERT_TRUE(PumpUntil([&] { return stops_ == 1; }));
    EXPECT_TRUE(stop_on_main_);
    EXPECT_TRUE(Is({trsOpened}));
    {
      std::lock_guard lock(mutex_);
      std::vector<int> expected;
      for (int i = 1; i <= c.buffers; ++i) expected.push_back(i);
      EXPECT_EQ(pushed_, expected);
      EXPECT_EQ(push_on_main_, std::vector<bool>(c.buffers, c.synchronize));
      EXPECT_EQ(announced, expected);
    }
    EXPECT_EQ(pulls_on_main_, 1);
    plat::clock::AdvanceMs(100);
    Pump();
    EXPECT_EQ(Pushes(), c.buffers);
    EXPECT_EQ(stops_, 1);
  }
  trigger_->OnBufferPushed = nullptr;
  trigger_->Close();
  EXPECT_TRUE(Is({trsClosed}));
  EXPECT_EQ(trigger_->Thread(), nullptr);
}

TEST_F(TriggerTest, FailedOpenOrStartEndsClosed) {
  struct Case {
    const char* name;
    bool with_format;
    int buffers;
    std::string message;
  };
  const Case cases[] = {
      {"no format", false, 3, "TriggerOpen:\n\rInvalid wave format"},
      {"no data", true, 0, "TriggerStart:\n\rUnable to start device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    buffers_ = c.buffers;
    next_ = 1;
    on_error_ = 0;
    stops_ = 0;
    trigger_->SetFormat(c.with_format ? &format_ : nullptr);
    try {
      trigger_->Start();
      ADD_FAILURE() << "no error";
    } catch (const EMMTriggerError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_GE(on_error_, 1);
    EXPECT_TRUE(Is({trsClosed}));
    EXPECT_EQ(trigger_->Thread(), nullptr);
    EXPECT_EQ(stops_, 0);
    EXPECT_EQ(Pushes(), 0);
  }
}

TEST_F(TriggerTest, AFailingOnCloseReachesTheApplicationAndTheTriggerEndsClosed) {
  trigger_->OnClose = [](vcl::TObject*) { throw EMMTriggerError("close handler failed"); };
  trigger_->Open();
  EXPECT_NO_THROW(trigger_->Close());
  EXPECT_TRUE(Is({trsClosed}));
  EXPECT_EQ(trigger_->Thread(), nullptr);
  EXPECT_EQ(errors_, std::vector<std::string>{"close handler failed"});
}

TEST_F(TriggerTest, ErrorInACycleIsSwallowedOrClosesTheTrigger) {
  // The source announces more after its last buffer and then brings nothing.
  for (bool handled : {true, false}) {
    SCOPED_TRACE(handled ? "handled" : "not handled");
    buffers_ = 2;
    next_ = 1;
    more_after_end_ = true;
    stops_ = 0;
    errors_.clear();
    {
      std::lock_guard lock(mutex_);
      pushed_.clear();
    }
    std::atomic<int> error_ex{0};
    trigger_->OnErrorEx = [&](vcl::TObject*, bool& h) {
      ++error_ex;
      h = handled;
    };
    trigger_->SetInterval(10);
    trigger_->Start();
    ASSERT_TRUE(PumpUntil([&] { return Pushes() == 1; }));
    NextCycle(10);  // pushes 2, the pull fails
    ASSERT_TRUE(PumpUntil([&] { return handled ? stops_ == 1 : Is({trsClosed}); }));
    EXPECT_EQ(error_ex, 1);
    EXPECT_EQ(Pushes(), 2);
    if (handled) {
      EXPECT_TRUE(errors_.empty());
      EXPECT_TRUE(Is({trsOpened}));
    } else {
      EXPECT_EQ(errors_, std::vector<std::string>{"Error filling wave buffer"});
      EXPECT_EQ(trigger_->Thread(), nullptr);
    }
    trigger_->Close();
  }
}

TEST_F(TriggerTest, StopFromAPushInThePumpThreadCompletesOnTheMainThread) {
  buffers_ = 10;
  trigger_->SetInterval(10);
  std::atomic<bool> stop_returned{false};
  std::atomic<int> stops_seen_inside{-1};
  on_push_ = [&](int n) {
    if (n != 2) return;
    EXPECT_NE(plat::GetCurrentThreadId(), main_id_);
    trigger_->Stop();
    stops_seen_inside = stops_.load();
    stop_returned = true;
  };
  trigger_->Start();
  ASSERT_TRUE(PumpUntil([&] { return Pushes() == 1; }));
  NextCycle(10);
  ASSERT_TRUE(PumpUntil([&] { return stops_ == 1; }));
  EXPECT_TRUE(stop_returned);
  EXPECT_EQ(stops_seen_inside, 0);
  EXPECT_TRUE(stop_on_main_);
  EXPECT_TRUE(Is({trsOpened}));
  plat::clock::AdvanceMs(100);
  Pump();
  EXPECT_EQ(Pushes(), 2);
  // The next run's stop message stays queued while the main thread stops
  // and starts again itself; handled late, it must not stop the new run.
  on_push_ = nullptr;
  buffers_ = next_;  // one more buffer: the first cycle ends the data
  trigger_->Start();
  testsupport::PumpUntil([&] { return Pushes() >= 3; }, {.limit_ms = 3000});
  ASSERT_EQ(Pushes(), 3);
  std::this_thread::sleep_for(20ms);  // the cycle's end posts the message
  trigger_->Stop();
  EXPECT_EQ(stops_, 2);
  buffers_ += 50;
  trigger_->Start();
  Pump();
  EXPECT_TRUE(Is({trsOpened, trsStarted}));
  EXPECT_EQ(stops_, 2);
  trigger_->Close();
}

TEST_F(TriggerTest, PauseAndRestartFromAnyThreadNeverBlockThePump) {
  for (bool synchronize : {false, true}) {
    SCOPED_TRACE(synchronize ? "synchronized" : "in the pump thread");
    buffers_ = 1000;
    next_ = 1;
    {
      std::lock_guard lock(mutex_);
      pushed_.clear();
    }
    trigger_->SetInterval(10);
    trigger_->SetSynchronize(synchronize);
    // Paused from inside the second push.
    on_push_ = [&](int n) {
      if (n == 2) trigger_->Pause();
    };
    trigger_->Start();
    ASSERT_TRUE(PumpUntil([&] { return Pushes() == 1; }));
    NextCycle(10);
    ASSERT_TRUE(PumpUntil([&] { return Is({trsOpened, trsStarted, trsPaused}); }));
    on_push_ = nullptr;
    plat::clock::AdvanceMs(200);
    Pump();
    EXPECT_EQ(Pushes(), 2);

    trigger_->Restart();
    EXPECT_TRUE(Is({trsOpened, trsStarted}));
    ASSERT_TRUE(PumpUntil([&] { return Pushes() == 3; }));
    // Paused and restarted from the main thread while the pump waits.
    for (int round = 0; round < 3; ++round) {
      ASSERT_TRUE(AwaitPumpPause());
      trigger_->Pause();
      plat::clock::AdvanceMs(50);
      Pump();
      EXPECT_EQ(Pushes(), 3 + round);
      trigger_->Restart();
      ASSERT_TRUE(PumpUntil([&] { return Pushes() == 4 + round; }));
    }
    // A close during a cycle completes when the cycle has ended.
    trigger_->Close();
    ASSERT_TRUE(PumpUntil([&] { return Is({trsClosed}); }));
  }
}

TEST_F(TriggerTest, PausedBeforeStartPumpsFromTheRestart) {
  buffers_ = 5;
  trigger_->SetInterval(10);
  trigger_->Pause();  // opens
  EXPECT_TRUE(Is({trsOpened, trsPaused}));
  trigger_->Start();
  EXPECT_TRUE(Is({trsOpened, trsStarted, trsPaused}));
  plat::clock::AdvanceMs(100);
  Pump();
  EXPECT_EQ(Pushes(), 0);
  trigger_->Restart();
  ASSERT_TRUE(PumpUntil([&] { return Pushes() == 1; }));
}

TEST_F(TriggerTest, DestroyedWhileACycleRunsWaitsForItAndPumpsNoMore) {
  struct Case {
    const char* name;
    bool synchronize;
  };
  for (const Case& c :
       {Case{"push held in the pump thread", false}, Case{"synchronized push pending", true}}) {
    SCOPED_TRACE(c.name);
    SetUp();  // a fresh chain per case
    HoldSecondCycle(c.synchronize);
    if (HasFatalFailure()) return;
    // The trigger goes first: its chain is still in use by the cycle.
    delete trigger_;
    trigger_ = nullptr;
    EndHold();
    EXPECT_EQ(stops_, 1);
    EXPECT_EQ(closes_, 1);
    const int pushes = Pushes();
    EXPECT_EQ(pushes, 2);
    plat::clock::AdvanceMs(500);
    std::this_thread::sleep_for(20ms);
    Pump();
    EXPECT_EQ(Pushes(), pushes);
    stops_ = 0;
    closes_ = 0;
    {
      std::lock_guard lock(mutex_);
      pushed_.clear();
    }
    on_push_ = nullptr;
  }
}

// A member of the chain goes while a cycle is pushing into it: the cycle ends
// before the member is freed and none follows. Under ASan a push into the
// freed member shows as a use after free.
TEST_F(TriggerTest, ChainMemberFreedWhileACycleRunsIsNeverReachedAfter) {
  struct Case {
    const char* name;
    bool synchronize;
    bool middle;           // a passive member between the trigger and the sink
    bool free_whole_form;  // else the sink is unlinked, then freed alone
  };
  for (const Case& c : {Case{"form freed, push held in the pump thread", false, false, true},
                        Case{"form freed, synchronized push pending", true, false, true},
                        Case{"form freed, member below a middle one", false, true, true},
                        Case{"sink unlinked and freed, push held", false, false, false}}) {
    SCOPED_TRACE(c.name);
    SetUp();  // a fresh chain per case
    if (c.middle) {
      auto* middle = new TTestPassive(form_.get());
      middle->SetName("Middle");
      trigger_->SetOutput(middle);
      middle->SetOutput(sink_);
      trigger_->SetFormat(&format_);  // the relink took it from above
    }
    HoldSecondCycle(c.synchronize);
    if (HasFatalFailure()) return;
    if (c.free_whole_form) {
      form_.reset();
      trigger_ = nullptr;  // the form owned it
    } else {
      trigger_->SetOutput(nullptr);
      EXPECT_TRUE(Is({trsOpened}));
      delete sink_;
    }
    EndHold();
    EXPECT_EQ(stops_, 1);
    EXPECT_EQ(Pushes(), 2);
    plat::clock::AdvanceMs(500);
    std::this_thread::sleep_for(20ms);
    Pump();
    EXPECT_EQ(Pushes(), 2);
    EXPECT_TRUE(errors_.empty());
    if (trigger_) {
      trigger_->Close();
      EXPECT_TRUE(Is({trsClosed}));
    }
    stops_ = 0;
    {
      std::lock_guard lock(mutex_);
      pushed_.clear();
    }
    on_push_ = nullptr;
  }
}

TEST_F(TriggerTest, BufferSizeAndIntervalRules) {
  trigger_->SetBufferSize(10);
  EXPECT_EQ(trigger_->BufferSize(), kMinTriggerBufferSize);
  trigger_->SetBufferSize(256);
  buffers_ = 100;
  trigger_->Open();
  EXPECT_EQ(sink_->BufferSize(), 256);  // handed down by the open
  try {
    trigger_->SetBufferSize(512);
    ADD_FAILURE() << "no error";
  } catch (const EMMTriggerError& e) {
    EXPECT_EQ(e.Message(), "Change to property while device was open");
  }
  EXPECT_EQ(trigger_->BufferSize(), 256);
  EXPECT_TRUE(Is({trsOpened}));
  // A source that claims more than the buffer holds is cut to its size.
  source_->OnBufferLoad = [](vcl::TObject*, plat::WAVEHDR* h, bool& more) {
    h->dwBytesRecorded = h->dwBufferLength + 100;
    more = false;
  };
  std::atomic<plat::DWORD> seen{0};
  sink_->OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR* h) { seen = h->dwBytesRecorded; };
  trigger_->Start();
  ASSERT_TRUE(PumpUntil([&] { return stops_ == 1; }));
  EXPECT_EQ(seen.load(), 256u);
}

}  // namespace
}  // namespace engine
