#pragma once
// TThread: a worker thread object of the class library, and the hand-over of
// work to the main thread (Synchronize, Queue, CheckSynchronize).
//
// Synchronize sends a message to a hidden window of the main thread; every
// wait of the main thread serves such sends, so a worker that synchronises
// while the main thread waits for it does not deadlock. Loops that run
// without waiting call CheckSynchronize.
#include <atomic>
#include <exception>
#include <functional>
#include <utility>

#include "platform/kernel/Threads.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Lists.h"

namespace vcl {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TThreadMethod = std::function<void()>;

VCL_DECLARE_EXCEPTION(EThread, Exception);

class TThread : public TObject {
  VCL_DECLARE_CLASS(TThread, TObject)
 public:
  // The thread always starts held at its gate. Without create_suspended it is
  // released by AfterConstruction, which NewThread calls: a base constructor
  // cannot let Execute run before the derived object is complete.
  explicit TThread(bool create_suspended);
  // Ends the thread first (StopAndWait). A derived class whose Execute uses
  // its own members calls StopAndWait in its own destructor, since they are
  // gone by the time this one runs.
  ~TThread() override;

  // Starts a thread that was not created suspended.
  void AfterConstruction();

  // Undoes one Suspend; the thread starts when none is left.
  void Resume();
  // Only before the thread has started: a running thread cannot be stopped
  // from outside (EThread).
  void Suspend();
  // Starts a thread that has not started yet, whatever its suspend count;
  // EThread when it has.
  void Start();
  // Asks Execute to finish; Execute polls Terminated.
  void Terminate() { terminated_ = true; }
  // Waits for the end and returns ReturnValue. On the main thread the wait
  // keeps serving sent messages and Synchronize calls. A thread that was
  // neither created suspended nor started yet is started first.
  int WaitFor();
  // Terminate, drop this thread's queued methods, then WaitFor; a thread that
  // has not started ends without running Execute. Does nothing on the thread
  // itself.
  void StopAndWait();

  bool Suspended() const { return suspended_; }
  void SetSuspended(bool value);
  bool Terminated() const { return terminated_; }
  // True once Execute has returned (before OnTerminate).
  bool Finished() const { return finished_; }
  bool FreeOnTerminate() const { return free_on_terminate_; }
  void SetFreeOnTerminate(bool value) { free_on_terminate_ = value; }
  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority value);
  // The thread's exit code.
  int ReturnValue() const { return return_value_; }
  void SetReturnValue(int value) { return_value_ = value; }
  plat::HANDLE Handle() const { return handle_; }
  plat::DWORD ThreadID() const { return thread_id_; }
  // What escaped Execute, if anything; the thread ended there.
  std::exception_ptr FatalException() const { return fatal_exception_; }

  // Runs on the main thread after Execute has ended.
  TNotifyEvent OnTerminate;

  // Runs `method` on the main thread while the caller waits; what it raises
  // is raised again in the caller. On the main thread it runs at once.
  void Synchronize(const TThreadMethod& method) { Synchronize(this, method); }
  static void Synchronize(TThread* thread, const TThreadMethod& method);
  // Runs `method` on the main thread later, without waiting; on the main
  // thread at once. What it raises goes to the main thread's loop.
  void Queue(TThreadMethod method) { Queue(this, std::move(method)); }
  static void Queue(TThread* thread, TThreadMethod method);
  // Drops the queued, not yet run methods of `thread`.
  static void RemoveQueuedEvents(TThread* thread);

 protected:
  virtual void Execute() = 0;
  // Fires OnTerminate on the main thread.
  virtual void DoTerminate();

 private:
  static plat::DWORD ThreadProc(void* parameter);
  void Release();

  plat::HANDLE handle_ = nullptr;
  plat::DWORD thread_id_ = 0;
  bool create_suspended_;
  std::atomic<bool> started_{false};
  std::atomic<bool> suspended_{true};
  std::atomic<bool> skip_execute_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> free_on_terminate_{false};
  std::atomic<int> return_value_{0};
  std::exception_ptr fatal_exception_;
};

// Makes a thread object and starts it unless it was created suspended.
template <class T, class... A>
T* NewThread(A&&... args) {
  T* thread = new T(std::forward<A>(args)...);
  thread->AfterConstruction();
  return thread;
}

// Runs the pending Synchronize and Queue methods (main thread only; false on
// any other). With a timeout it first waits that long for one to arrive.
// True when any ran. A queued method's exception propagates from here.
bool CheckSynchronize(int timeout_ms = 0);

// The main thread's hidden window that Synchronize sends to, so that every
// wait of the main thread serves it; InitApplication and DoneApplication call
// these. Without the window Synchronize is served only by TThread::WaitFor
// and CheckSynchronize.
void InitThreadSynchronization();
void DoneThreadSynchronization();

}  // namespace vcl
