#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Threads.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/SyncObjs.h"
#include "platform/vcl/VclThread.h"
#include "support/PumpUntil.h"

using namespace vcl;

namespace {

// A thread whose Execute is given by the test.
class TTestThread : public TThread {
 public:
  using Body = std::function<void(TTestThread&)>;
  TTestThread(bool create_suspended, Body body, std::atomic<bool>* destroyed = nullptr)
      : TThread(create_suspended), body_(std::move(body)), destroyed_(destroyed) {}
  ~TTestThread() override {
    // Execute uses body_, which goes before the base destructor runs.
    StopAndWait();
    if (destroyed_) *destroyed_ = true;
  }
  using TThread::Synchronize;
  using TThread::Terminated;

 protected:
  void Execute() override {
    if (body_) body_(*this);
  }

 private:
  Body body_;
  std::atomic<bool>* destroyed_;
};

void ServeMainThread() {
  Application->ProcessMessages();
  CheckSynchronize();
}

// Serves the main thread's loop until `done` or a generous real-time bound.
bool PumpUntil(const std::function<bool()>& done) {
  return testsupport::PumpUntil(done, {.serve = ServeMainThread});
}

// Waits, without serving anything, for a thread to have ended.
bool Ended(TThread& thread) {
  return plat::WaitForSingleObject(thread.Handle(), 5000) == plat::WAIT_OBJECT_0 && thread.Finished();
}

class ThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { InitApplication(); }
  void TearDown() override { DoneApplication(); }
};

}  // namespace

TEST_F(ThreadTest, SuspendedThreadRunsOnlyAfterResumeAndReportsItsEnd) {
  std::atomic<int> runs{0};
  TTestThread thread(true, [&](TTestThread& self) {
    ++runs;
    self.SetReturnValue(42);
  });
  EXPECT_TRUE(thread.Suspended());
  EXPECT_NE(thread.Handle(), nullptr);
  EXPECT_EQ(plat::GetThreadId(thread.Handle()), thread.ThreadID());
  // A second Suspend needs a second Resume.
  thread.Suspend();
  thread.Resume();
  EXPECT_TRUE(thread.Suspended());
  plat::Sleep(20);
  EXPECT_EQ(runs, 0);
  thread.Resume();
  EXPECT_FALSE(thread.Suspended());
  EXPECT_EQ(thread.WaitFor(), 42);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(thread.Finished());
  EXPECT_THROW(thread.Suspend(), EThread);
  EXPECT_THROW(thread.Start(), EThread);
}

TEST_F(ThreadTest, TerminateEndsAPollingLoopAndWaitForReturnsItsValue) {
  std::atomic<bool> looping{false};
  std::unique_ptr<TTestThread> thread(NewThread<TTestThread>(false, [&](TTestThread& self) {
    looping = true;
    while (!self.Terminated()) plat::Sleep(1);
    self.SetReturnValue(7);
  }));
  EXPECT_FALSE(thread->Suspended());
  ASSERT_TRUE(testsupport::PumpUntil([&] { return looping.load(); }, {}));
  EXPECT_FALSE(thread->Finished());
  thread->Terminate();
  EXPECT_TRUE(thread->Terminated());
  EXPECT_EQ(thread->WaitFor(), 7);
}

TEST_F(ThreadTest, DestroyingAThreadThatNeverStartedSkipsExecute) {
  std::atomic<int> runs{0};
  auto* thread = new TTestThread(true, [&](TTestThread&) { ++runs; });
  delete thread;
  // Not created suspended, but AfterConstruction never called.
  thread = new TTestThread(false, [&](TTestThread&) { ++runs; });
  delete thread;
  EXPECT_EQ(runs, 0);
}

TEST_F(ThreadTest, WaitForStartsAThreadThatWasNotCreatedSuspended) {
  std::atomic<int> runs{0};
  TTestThread thread(false, [&](TTestThread&) { ++runs; });
  thread.WaitFor();
  EXPECT_EQ(runs, 1);
}

TEST_F(ThreadTest, OnTerminateRunsOnTheMainThreadAfterExecute) {
  plat::DWORD execute_thread = 0, terminate_thread = 0;
  bool finished_at_terminate = false;
  TTestThread thread(true, [&](TTestThread&) { execute_thread = plat::GetCurrentThreadId(); });
  thread.OnTerminate = [&](TObject* sender) {
    EXPECT_EQ(sender, &thread);
    terminate_thread = plat::GetCurrentThreadId();
    finished_at_terminate = thread.Finished();
  };
  thread.Start();
  thread.WaitFor();
  EXPECT_EQ(execute_thread, thread.ThreadID());
  EXPECT_EQ(terminate_thread, plat::GetMainThreadId());
  EXPECT_TRUE(finished_at_terminate);
}

TEST_F(ThreadTest, FreeOnTerminateDeletesTheThreadAfterOnTerminate) {
  std::atomic<bool> destroyed{false};
  std::vector<std::string> order;
  auto* thread = new TTestThread(
      true, [&](TTestThread&) {}, &destroyed);
  thread->SetFreeOnTerminate(true);
  thread->OnTerminate = [&](TObject*) { order.push_back(destroyed ? "after" : "before"); };
  thread->Resume();
  // OnTerminate needs the main loop; the thread is gone afterwards.
  ASSERT_TRUE(PumpUntil([&] { return destroyed.load(); }));
  EXPECT_EQ(order, std::vector<std::string>{"before"});
}

TEST_F(ThreadTest, SynchronizeRunsOnTheMainThreadWhileItWaitsForTheWorker) {
  std::vector<plat::DWORD> ran_on;
  TTestThread thread(true, [&](TTestThread& self) {
    for (int i = 0; i < 3; ++i) self.Synchronize([&] { ran_on.push_back(plat::GetCurrentThreadId()); });
  });
  thread.Start();
  // The main thread is blocked in WaitFor while the worker synchronises.
  thread.WaitFor();
  EXPECT_EQ(ran_on, std::vector<plat::DWORD>(3, plat::GetMainThreadId()));
}

TEST_F(ThreadTest, SynchronizeIsServedByTheMessageLoop) {
  std::atomic<bool> synced{false}, worker_done{false};
  TTestThread thread(true, [&](TTestThread& self) {
    self.Synchronize([&] { synced = plat::IsMainThread(); });
    worker_done = true;
  });
  thread.Start();
  ASSERT_TRUE(PumpUntil([&] { return worker_done.load(); }));
  EXPECT_TRUE(synced);
}

TEST_F(ThreadTest, SynchronizeRaisesTheMainThreadsExceptionInTheWorker) {
  std::string caught;
  bool went_on = false;
  TTestThread thread(true, [&](TTestThread& self) {
    try {
      self.Synchronize([] { throw EConvertError("'x' is not a valid integer value"); });
    } catch (const EConvertError& e) {
      caught = e.Message();
    }
    went_on = true;
  });
  thread.Start();
  thread.WaitFor();
  EXPECT_EQ(caught, "'x' is not a valid integer value");
  EXPECT_TRUE(went_on);
  EXPECT_FALSE(thread.FatalException());
}

TEST_F(ThreadTest, SynchronizeOnTheMainThreadRunsAtOnce) {
  int runs = 0;
  TThread::Synchronize(nullptr, [&] { ++runs; });
  TThread::Queue(nullptr, [&] { ++runs; });
  EXPECT_EQ(runs, 2);
}

TEST_F(ThreadTest, QueuedMethodsRunInOrderOnTheMainThreadWithoutBlockingTheWorker) {
  std::vector<int> ran;
  std::vector<bool> on_main;
  TTestThread thread(true, [&](TTestThread& self) {
    for (int i = 0; i < 3; ++i)
      self.Queue([&, i] {
        ran.push_back(i);
        on_main.push_back(plat::IsMainThread());
      });
  });
  thread.Start();
  ASSERT_TRUE(Ended(thread));
  EXPECT_TRUE(ran.empty());
  ASSERT_TRUE(PumpUntil([&] { return ran.size() == 3; }));
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(on_main, std::vector<bool>(3, true));
  thread.WaitFor();
}

TEST_F(ThreadTest, QueuedMethodsOfADestroyedThreadAreDropped) {
  int ran = 0;
  auto* thread = new TTestThread(true, [&](TTestThread& self) { self.Queue([&] { ++ran; }); });
  thread->Start();
  // Not WaitFor: it would serve the queue.
  ASSERT_TRUE(Ended(*thread));
  delete thread;
  TThread::Queue(nullptr, [&] { ran += 10; });  // main thread: at once
  std::thread([&] { TThread::Queue(nullptr, [&] { ran += 100; }); }).join();
  Application->ProcessMessages();
  EXPECT_EQ(ran, 110);
}

TEST_F(ThreadTest, ExceptionLeavingExecuteEndsTheThreadAndIsKept) {
  bool terminated_fired = false;
  TTestThread thread(true, [](TTestThread&) { throw EInOutError("disk gone"); });
  thread.OnTerminate = [&](TObject*) { terminated_fired = true; };
  thread.Start();
  thread.WaitFor();
  ASSERT_TRUE(thread.FatalException());
  EXPECT_THROW(std::rethrow_exception(thread.FatalException()), EInOutError);
  EXPECT_TRUE(terminated_fired);
}

TEST_F(ThreadTest, PrioritiesMapToTheKernelsValues) {
  TTestThread thread(true, nullptr);
  EXPECT_EQ(thread.Priority(), tpNormal);
  const std::pair<TThreadPriority, int> cases[] = {
      {tpIdle, -15}, {tpLowest, -2}, {tpLower, -1},        {tpNormal, 0},
      {tpHigher, 1}, {tpHighest, 2}, {tpTimeCritical, 15},
  };
  for (auto [priority, kernel] : cases) {
    thread.SetPriority(priority);
    EXPECT_EQ(plat::GetThreadPriority(thread.Handle()), kernel) << priority;
    EXPECT_EQ(thread.Priority(), priority);
  }
}

TEST(SyncObjects, CriticalSectionIsRecursiveAndExcludesOtherThreads) {
  TCriticalSection section;
  section.Enter();
  EXPECT_TRUE(section.TryEnter());
  std::atomic<int> other{-1};
  auto try_from_other = [&] {
    TTestThread probe(false, [&](TTestThread&) { other = section.TryEnter() ? 1 : 0; });
    probe.WaitFor();  // starts it
  };
  try_from_other();
  EXPECT_EQ(other, 0);
  section.Leave();
  section.Leave();
  try_from_other();
  EXPECT_EQ(other, 1);
}

TEST(SyncObjects, EventsReportSignalAndTimeout) {
  TSimpleEvent manual;
  EXPECT_EQ(manual.WaitFor(0), wrTimeout);
  EXPECT_EQ(manual.WaitFor(10), wrTimeout);
  manual.SetEvent();
  EXPECT_EQ(manual.WaitFor(0), wrSignaled);
  EXPECT_EQ(manual.WaitFor(0), wrSignaled);  // manual reset: stays set
  manual.ResetEvent();
  EXPECT_EQ(manual.WaitFor(0), wrTimeout);

  TEvent automatic(nullptr, false, true, "");
  EXPECT_EQ(automatic.WaitFor(0), wrSignaled);
  EXPECT_EQ(automatic.WaitFor(0), wrTimeout);  // the wait took the signal

  // An endless wait ends when another thread sets the event.
  std::atomic<int> result{-1};
  TTestThread waiter(true, [&](TTestThread&) { result = automatic.WaitFor(plat::INFINITE); });
  waiter.Start();
  plat::Sleep(10);
  EXPECT_EQ(result, -1);
  automatic.SetEvent();
  waiter.WaitFor();
  EXPECT_EQ(result, wrSignaled);
}

TEST(SyncObjects, NamedEventsAreShared) {
  TEvent a(nullptr, true, false, "QuellixTestEvent");
  TEvent b(nullptr, true, false, "QuellixTestEvent");
  a.SetEvent();
  EXPECT_EQ(b.WaitFor(0), wrSignaled);
}
