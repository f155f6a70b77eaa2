#pragma once
// The trigger pump: moves audio through a chain without a sound device. Its
// worker thread pulls one buffer of BufferSize bytes from Input and pushes it
// to Output per cycle, then waits Interval ms. With an Interval of 0 the next
// cycle follows as soon as the chain has taken the buffer (a push returns
// once every member has processed it), so a file goes through as fast as the
// chain can analyse it. When the source runs dry the pump stops, and OnStop
// fires on the main thread.
//
// A stop asked for inside a cycle (from a handler in the pump thread, say)
// only marks the stop; the cycle's end posts MM_TRIGGER_STOP to the trigger's
// hidden window, whose handling completes it on the main thread. A stop from
// any other thread waits for the cycle under way to end.
//
// A member of the chain the trigger pumps through that its owner is about to
// free stops the trigger first: the cycle under way ends, and no other
// begins, before the member goes.
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/MMAlloc.h"
#include "engine/MMDSPObj.h"
#include "engine/MMTypes.h"
#include "engine/MMWaveHdr.h"
#include "platform/vcl/SysUtils.h"

namespace engine {

class EMMTriggerError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// An error inside a pump cycle; setting handled swallows it.
using TMMErrorEvent = std::function<void(vcl::TObject* sender, bool& handled)>;

// Posted to the hidden window when a stop can complete.
constexpr plat::UINT MM_TRIGGER_STOP = 0x8001;
constexpr int32_t kMinTriggerBufferSize = 32;

enum TMMTriggerStateFlag { trsClosed, trsOpened, trsStarted, trsPaused };
using TMMTriggerState = vcl::TSet<TMMTriggerStateFlag>;

class TMMTrigger;

// The pump thread. Execute is the trigger's loop.
class TMMTriggerThread : public TMMDSPThread {
  VCL_DECLARE_CLASS(TMMTriggerThread, TMMDSPThread)
 public:
  explicit TMMTriggerThread(TMMTrigger* trigger);
  ~TMMTriggerThread() override;

 protected:
  void Execute() override;

 private:
  TMMTrigger* trigger_;
};

class TMMTrigger : public TMMCustomSoundComponent {
  VCL_DECLARE_CLASS(TMMTrigger, TMMCustomSoundComponent)
 public:
  explicit TMMTrigger(vcl::TComponent* owner);
  // Closes; a cycle under way is let finish first.
  ~TMMTrigger() override;

  // OnError, then raises EMMTriggerError with msg.
  virtual void Error(const std::string& msg);
  virtual void Open();
  // Never raises, and always ends closed unless a stop is pending, in which
  // case the stop's completion closes.
  virtual void Close();
  virtual void Start();
  // Stops the pump after the cycle under way; the thread keeps running.
  virtual void Pause();
  virtual void Restart();
  virtual void Stop();

  // Another device's walk reaching the trigger commands it.
  void Opened() override { Open(); }
  void Closed() override { Close(); }
  void Started() override { Start(); }
  void Paused() override { Pause(); }
  void Restarted() override { Restart(); }
  void Stopped() override { Stop(); }

  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

  // Closes, then stores.
  void SetFormat(const plat::WAVEFORMATEX* format) override;
  int32_t BufferSize() const override { return buffer_size_; }
  // At least 32; a change while opened raises message 60.
  void SetBufferSize(int32_t value) override;
  // Nothing can push into a trigger.
  void BufferReady(plat::WAVEHDR*) override {}
  // A pull of at most BufferSize bytes; dwBufferLength comes back as the
  // bytes filled.
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

  int32_t Interval() const { return interval_; }
  // Negative values become 0.
  void SetInterval(int32_t value);
  bool Synchronize() const { return synchronize_; }
  void SetSynchronize(bool value) { synchronize_ = value; }
  TMMTimeFormats TimeFormat() const { return time_format_; }
  void SetTimeFormat(TMMTimeFormats value) { time_format_ = value; }

  TMMTriggerState State() const { return TMMTriggerState::FromBits(state_bits_); }
  // The pump thread, while opened.
  TMMTriggerThread* Thread() const { return thread_.get(); }

  TMMBufferEvent OnBufferFilled;
  // After the chain has taken a buffer, on the thread that pushed it: what
  // the members computed from that buffer is there to read.
  TMMBufferEvent OnBufferPushed;
  vcl::TNotifyEvent OnError;
  TMMErrorEvent OnErrorEx;
  vcl::TNotifyEvent OnOpen;
  vcl::TNotifyEvent OnStart;
  vcl::TNotifyEvent OnPause;
  vcl::TNotifyEvent OnRestart;
  vcl::TNotifyEvent OnStop;
  vcl::TNotifyEvent OnClose;

 private:
  friend class TMMTriggerThread;

  // Not a sound device: the device accessors hold nothing and are not published.
  void SetNumBuffers(int32_t) override {}
  int32_t NumBuffers() const override { return 1; }
  void SetDeviceID(TMMDeviceId) override {}
  TMMDeviceId DeviceID() const override { return InvalidId; }
  void SetProductName(const std::string&) override {}
  std::string ProductName() const override { return std::string(); }
  void SetCallBackMode(TMMCBMode) override {}
  TMMCBMode CallBackMode() const override { return cmThread; }

  bool Has(TMMTriggerStateFlag flag) const { return State().Contains(flag); }
  void SetState(TMMTriggerState state) { state_bits_ = state.Bits(); }
  void Include(TMMTriggerStateFlag flag) { SetState(State().Include(flag)); }
  void Exclude(TMMTriggerStateFlag flag) { SetState(State().Exclude(flag)); }
  void Notify(const vcl::TNotifyEvent& event);

  void StartThread();
  void EndThread();
  // The thread's loop and one turn of it.
  void Run();
  bool CanCycle();
  // In the pump thread, or in a synchronized push of its cycle.
  bool InsideCycle() const;
  // Waits, at most span_ms, for the cycle under way to end, serving a
  // synchronized push meanwhile; true when none is under way.
  bool WaitForCycleEnd(uint32_t span_ms);
  // Stop; a cycle under way on another thread ends first, waited for at
  // most a while, or for as long as it takes when until_ended.
  void StopAfterCycle(bool until_ended);
  // Whether component is in the chain the cycles go through.
  bool InSegment(const vcl::TComponent* component) const;
  void PumpCycle();
  void Pull(TMMWaveHdr* header);
  void Push(TMMWaveHdr* header);
  void CompleteStop();
  plat::LRESULT WindowProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam);

  plat::HWND window_ = nullptr;
  std::atomic<uint64_t> state_bits_{TMMTriggerState{trsClosed}.Bits()};
  TMMWaveHdr* header_ = nullptr;
  std::atomic<bool> more_buffers_{false};
  int32_t buffer_size_ = kDefaultBufferSize;
  std::atomic<int32_t> interval_{0};
  std::atomic<bool> synchronize_{false};
  TMMTimeFormats time_format_ = tfByte;
  bool handled_ = false;

  // Guarded by lock_: the cycle's gate and the stop's bookkeeping.
  std::mutex lock_;
  int32_t in_process_ = 0;
  bool running_ = false;  // cycles may run: started, not paused, not stopped
  bool stopping_ = false;
  bool stop_pending_ = false;
  std::exception_ptr thread_error_;               // the thread failed and ended
  std::atomic<plat::DWORD> sync_push_thread_{0};  // the main thread, in a synchronized push

  // Main thread only.
  bool closing_ = false;
  bool close_pending_ = false;

  TMMAllocator pool_;
  std::unique_ptr<TMMTriggerThread> thread_;
  plat::HANDLE ready_event_ = nullptr;
  plat::HANDLE go_event_ = nullptr;
  plat::HANDLE stop_event_ = nullptr;
  plat::HANDLE cycle_end_event_ = nullptr;
};

}  // namespace engine
