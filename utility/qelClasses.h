#pragma once
// The library's worker threads, all on one cooperative model: every thread
// owns a wake event; stopping sets its terminated flag and wakes it; it looks
// at the flag again after every wait and right before every callback, so a
// stopped thread never calls its owner once more. A thread that should not
// run is paused at its next wait, never suspended or killed from outside,
// and its owner joins it.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/kernel/Types.h"
#include "platform/registry/Registry.h"
#include "platform/vcl/VclThread.h"

namespace utility {

class TqelThread;
using TqelThreadEvent = std::function<void(TqelThread* thread)>;
using TqelChangeEvent = std::function<void()>;

class TqelThread : public vcl::TThread {
  VCL_DECLARE_CLASS(TqelThread, vcl::TThread)
 public:
  explicit TqelThread(bool create_suspended);
  ~TqelThread() override;

  // Terminated and stopped, the thread woken; then OnFinish on the main
  // thread.
  virtual void Stop();
  bool Stopped() const { return stopped_; }
  // Held before the start, or paused after it: a started thread is not
  // suspended but waits on its wake event until it is resumed.
  bool Suspended() const;
  void SetSuspended(bool value);
  void Wake();
  // True while the main thread runs a callback of this thread.
  bool InCallback() const { return in_callback_; }

  // Set before the thread starts; runs on the main thread.
  TqelThreadEvent OnFinish;

 protected:
  void Execute() override {}
  // Terminates, wakes and joins the thread. A derived destructor calls it
  // before the members its Execute uses are gone.
  void Shutdown();
  // Runs `call` on the main thread unless the thread is stopped by then;
  // false when it did not run.
  bool CallSynchronized(const std::function<void()>& call);
  // Waits for the wake event (index 0) and `handles` (1 on), for the wake
  // event only while paused. Returns as WaitForMultipleObjects does.
  plat::DWORD WaitWake(plat::DWORD count, const plat::HANDLE* handles, plat::DWORD timeout);
  bool Paused() const { return paused_; }

 private:
  plat::HANDLE wake_event_ = nullptr;
  std::atomic<bool> paused_{false};
  std::atomic<bool> stopped_{false};
  std::atomic<bool> in_callback_{false};
};

// Runs OnEvent once, in the thread or, when Synchronized, on the main thread.
class TqelEventThread : public TqelThread {
  VCL_DECLARE_CLASS(TqelEventThread, TqelThread)
 public:
  explicit TqelEventThread(bool create_suspended);
  ~TqelEventThread() override;

  TqelThreadEvent OnEvent() const;
  void SetOnEvent(TqelThreadEvent value);
  bool Synchronized() const { return synchronized_; }
  void SetSynchronized(bool value) { synchronized_ = value; }

 protected:
  void Execute() override;
  // One run of the event, on the main thread when Synchronized.
  void RunEvent();
  virtual void DoEvent();

 private:
  mutable std::mutex event_mutex_;
  TqelThreadEvent on_event_;
  std::atomic<bool> synchronized_{false};
};

// Runs OnEvent every Interval ms while it is not paused. Interval 0 never
// ticks. A new interval restarts the wait.
class TqelTimerThread : public TqelEventThread {
  VCL_DECLARE_CLASS(TqelTimerThread, TqelEventThread)
 public:
  explicit TqelTimerThread(bool create_suspended);
  ~TqelTimerThread() override;

  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t value);

 protected:
  void Execute() override;

 private:
  std::atomic<uint32_t> interval_{1000};
};

// Calls OnChange on the main thread whenever the folder reports a change.
// Ends by itself when the folder cannot be watched or goes away.
class TqelFolderMonitorThread : public TqelThread {
  VCL_DECLARE_CLASS(TqelFolderMonitorThread, TqelThread)
 public:
  // Created suspended.
  explicit TqelFolderMonitorThread(TqelChangeEvent on_change);
  ~TqelFolderMonitorThread() override;

  // A blank folder is the current one. A running thread takes the new
  // parameters at its next wake, which this gives it.
  void SetParameters(const std::string& folder, bool watch_subtree, plat::DWORD filter);

 protected:
  void Execute() override;

 private:
  // Under the folder section.
  bool Open();

  const TqelChangeEvent on_change_;
  plat::HANDLE change_ = plat::INVALID_HANDLE_VALUE;  // the thread's own
  std::string folder_;
  bool watch_subtree_ = true;
  plat::DWORD filter_ = 0;
  bool restart_ = false;
};

// Calls OnChange on the main thread whenever the key (or, with the subtree,
// a key below it) changes, when it is deleted and when it is made again.
class TqelRegistryMonitorThread : public TqelThread {
  VCL_DECLARE_CLASS(TqelRegistryMonitorThread, TqelThread)
 public:
  // Created suspended.
  explicit TqelRegistryMonitorThread(TqelChangeEvent on_change);
  ~TqelRegistryMonitorThread() override;

  void SetParameters(plat::HKEY root, const std::string& key, plat::DWORD filter, bool watch_subtree);

 protected:
  void Execute() override;

 private:
  // The thread's own state, touched by the thread only.
  void Attach();
  void Detach();
  void AttachKey();
  void DetachKey();
  // Looks at the key again; true when it went away, came or was replaced.
  bool Recheck();

  const TqelChangeEvent on_change_;
  plat::HANDLE changed_ = nullptr;
  std::atomic<bool> key_changed_{false};
  std::atomic<bool> root_changed_{false};
  plat::HKEY key_ = nullptr;
  plat::RegistryListenerToken key_listener_ = 0;
  plat::RegistryListenerToken root_listener_ = 0;
  bool key_exists_ = false;
  // Under the registry section.
  plat::HKEY root_ = plat::HKEY_CURRENT_USER;
  std::string key_path_;
  plat::DWORD filter_ = 0;
  bool watch_subtree_ = true;
  bool restart_ = false;
};

// Terminates and wakes `thread` and frees it once it has ended. Called from inside
// one of the thread's own callbacks (on the thread, or on the main thread
// that serves it) it cannot wait: the thread's events are cleared and it
// frees itself when the callback has returned.
void EndThread(std::unique_ptr<TqelThread> thread);

// The unit's shut-down, on the main thread: every monitor thread is stopped,
// and those that components own are waited for. Their components free them
// later; no notice reaches a component after this.
void StopMonitorThreads();

}  // namespace utility
