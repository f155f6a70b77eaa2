#include "engine/MMTrigg.h"

#include <algorithm>
#include <utility>

#include "engine/MMWaveDev.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/UtilWindow.h"
#include "platform/vcl/VclThread.h"

namespace engine {

namespace {

constexpr uint16_t kPropertyWhileOpen = 60;
constexpr uint16_t kNoHeaderMemory = 64;
constexpr uint16_t kCannotStart = 80;
constexpr uint16_t kFillError = 81;
constexpr uint16_t kCouldNotCreateThread = 88;
constexpr uint16_t kInvalidWaveFormat = 89;
constexpr plat::DWORD kThreadReadyTimeoutMs = 5000;
// How long a stop from outside the pump waits for the cycle under way.
constexpr uint32_t kStopWaitMs = 1000;

}  // namespace

// ---- TMMTriggerThread ----

VCL_IMPLEMENT_CLASS(TMMTriggerThread)

TMMTriggerThread::TMMTriggerThread(TMMTrigger* trigger) : TMMDSPThread(trigger), trigger_(trigger) {}

TMMTriggerThread::~TMMTriggerThread() { StopAndWait(); }

void TMMTriggerThread::Execute() {
  SetPriority(vcl::tpNormal);
  trigger_->Run();
}

// ---- TMMTrigger ----

VCL_IMPLEMENT_CLASS(
    TMMTrigger, DSPInputProp(), DSPOutputProp(), DSPBufferSizeProp(),
    IntProp("Interval", &TMMTrigger::Interval, &TMMTrigger::SetInterval).Default(0),
    BoolProp("Synchronize", &TMMTrigger::Synchronize, &TMMTrigger::SetSynchronize).Default(false),
    EnumProp("TimeFormat", &TMMTrigger::TimeFormat, &TMMTrigger::SetTimeFormat,
             {"tfMillisecond", "tfByte", "tfSample"})
        .Default(tfByte),
    DSPOnBufferLoadProp(), DSPOnBufferReadyProp(), EventProp("OnBufferFilled", &TMMTrigger::OnBufferFilled),
    EventProp("OnError", &TMMTrigger::OnError), EventProp("OnErrorEx", &TMMTrigger::OnErrorEx),
    EventProp("OnOpen", &TMMTrigger::OnOpen), EventProp("OnStart", &TMMTrigger::OnStart),
    EventProp("OnPause", &TMMTrigger::OnPause), EventProp("OnRestart", &TMMTrigger::OnRestart),
    EventProp("OnStop", &TMMTrigger::OnStop), EventProp("OnClose", &TMMTrigger::OnClose))

TMMTrigger::TMMTrigger(vcl::TComponent* owner) : TMMCustomSoundComponent(owner) {}

TMMTrigger::~TMMTrigger() {
  Close();
  if (Has(trsOpened)) {
    // A stop is pending on a cycle under way. Let the thread finish that
    // cycle and end (a synchronized push is served meanwhile), then complete
    // the stop, which closes.
    {
      std::lock_guard lock(lock_);
      running_ = false;
      stopping_ = true;
    }
    if (thread_) {
      plat::SetEvent(stop_event_);
      thread_->WaitFor();
    }
    {
      std::lock_guard lock(lock_);
      in_process_ = 0;
      stop_pending_ = false;
    }
    close_pending_ = true;
    try {
      CompleteStop();
    } catch (...) {
      vcl::ReportException(this);
    }
    Close();
  }
  // A stop message still queued goes with the window.
  if (window_) vcl::DeallocateUtilityWindow(std::exchange(window_, nullptr));
  pool_.FreeAll();
}

void TMMTrigger::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  // The owner tells before it frees a component; the cycles must be over by
  // then. From inside a cycle there is nothing to wait for: its caller frees.
  if (operation == vcl::opRemove && component && component != this &&
      component->ComponentState().Contains(vcl::csDestroying) && (Has(trsStarted) || Has(trsPaused)) &&
      !InsideCycle() && InSegment(component)) {
    try {
      StopAfterCycle(true);
    } catch (...) {
      // Stop has closed the trigger; the removal goes on.
      vcl::ReportException(this);
    }
  }
  TMMCustomSoundComponent::Notification(component, operation);
}

bool TMMTrigger::InSegment(const vcl::TComponent* component) const {
  const auto limit = static_cast<size_t>(DSPComponentCount()) + 1;
  size_t steps = limit;
  for (const TMMDSPComponent* m = Output(); m && steps > 0; m = m->Output(), --steps)
    if (m == component) return true;
  steps = limit;
  for (const TMMDSPComponent* m = Input(); m && steps > 0; m = m->Input(), --steps)
    if (m == component) return true;
  return false;
}

void TMMTrigger::Notify(const vcl::TNotifyEvent& event) {
  if (vcl::TNotifyEvent handler = event) handler(this);
}

void TMMTrigger::Error(const std::string& msg) {
  Notify(OnError);
  throw EMMTriggerError(msg);
}

void TMMTrigger::SetFormat(const plat::WAVEFORMATEX* format) {
  Close();
  TMMCustomSoundComponent::SetFormat(format);
}

void TMMTrigger::SetBufferSize(int32_t value) {
  value = std::max(value, kMinTriggerBufferSize);
  if (value == buffer_size_) return;
  if (Has(trsOpened)) Error(LoadLibraryMessage(kPropertyWhileOpen));
  buffer_size_ = value;
  pool_.FreeAll();
}

void TMMTrigger::SetInterval(int32_t value) {
  value = std::max(value, 0);
  if (value != interval_) interval_ = value;
}

void TMMTrigger::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  lpwh->dwBufferLength = static_cast<plat::DWORD>(buffer_size_);
  lpwh->dwBytesRecorded = 0;
  static_cast<TMMWaveHdr*>(lpwh)->Looping = 0;
  TMMCustomSoundComponent::BufferLoad(lpwh, more_buffers);
  // A filler that claims more than the buffer holds would send every
  // reader below past the end of the block.
  lpwh->dwBytesRecorded = std::min(lpwh->dwBytesRecorded, static_cast<plat::DWORD>(buffer_size_));
  lpwh->dwBufferLength = lpwh->dwBytesRecorded;
}

// ---- Open and close ----

void TMMTrigger::Open() {
  try {
    if (!GetFormat()) Error("TriggerOpen:\n\r" + LoadLibraryMessage(kInvalidWaveFormat));
    if (Has(trsOpened)) Close();
    if (!Has(trsOpened) && !closing_) {
      closing_ = false;
      close_pending_ = false;
      {
        std::lock_guard lock(lock_);
        stopping_ = false;
        stop_pending_ = false;
        running_ = false;
        in_process_ = 0;
        thread_error_ = nullptr;
      }
      if (!window_) {
        window_ = vcl::AllocateUtilityWindow(
            [this](plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
              return WindowProc(hwnd, message, wparam, lparam);
            });
      }
      TMMCustomSoundComponent::Opened();
      StartThread();
      void* block = pool_.GetBlock(plat::GHND, WaveHdrBlockSize(static_cast<uint32_t>(buffer_size_)));
      if (!block) Error(LoadLibraryMessage(kNoHeaderMemory));
      header_ = InitWaveHdr(block, static_cast<uint32_t>(buffer_size_));
      SetState({trsOpened});
      Notify(OnOpen);
    }
  } catch (...) {
    Notify(OnError);
    SetState({trsOpened});
    Close();
    SetState({trsClosed});
    throw;
  }
}

void TMMTrigger::Close() {
  if (!Has(trsOpened)) return;
  if (closing_ && !close_pending_) return;
  closing_ = true;
  if (Has(trsStarted) || Has(trsPaused)) {
    try {
      Stop();
    } catch (...) {
      // Closing never raises; Stop has reported it through OnError.
    }
  }
  {
    std::lock_guard lock(lock_);
    if (stop_pending_) {
      close_pending_ = true;
      return;
    }
  }
  // Every step runs whatever the one before raised, so the trigger always
  // ends closed with its thread ended.
  SetState({trsClosed});
  try {
    TMMCustomSoundComponent::Closed();
  } catch (...) {
    vcl::ReportException(this);
  }
  EndThread();
  pool_.ReleaseBlock(header_);
  closing_ = false;
  close_pending_ = false;
  try {
    Notify(OnClose);
  } catch (...) {
    vcl::ReportException(this);
  }
}

void TMMTrigger::StartThread() {
  ready_event_ = plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr);
  go_event_ = plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr);
  stop_event_ = plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr);
  cycle_end_event_ = plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr);
  try {
    thread_ = std::make_unique<TMMTriggerThread>(this);
  } catch (const std::exception&) {
    Error("Trigger:\n\r" + LoadLibraryMessage(kCouldNotCreateThread));
  }
  thread_->Start();
  if (plat::WaitForSingleObject(ready_event_, kThreadReadyTimeoutMs) != plat::WAIT_OBJECT_0)
    Error("Trigger:\n\r" + LoadLibraryMessage(kCouldNotCreateThread));
}

void TMMTrigger::EndThread() {
  if (thread_) {
    plat::SetEvent(stop_event_);
    // Joined, never abandoned: the thread reads this object to its end. On
    // the main thread the wait serves a synchronized push on its way.
    thread_->WaitFor();
    thread_.reset();
  }
  for (plat::HANDLE* event : {&ready_event_, &go_event_, &stop_event_, &cycle_end_event_}) {
    if (*event) plat::CloseHandle(std::exchange(*event, nullptr));
  }
}

// ---- Start, pause, restart, stop ----

void TMMTrigger::Start() {
  try {
    if (!Has(trsOpened)) Open();
    if (Has(trsOpened) && !Has(trsStarted)) {
      {
        std::lock_guard lock(lock_);
        in_process_ = 0;
        stop_pending_ = false;
        stopping_ = false;
        running_ = false;
      }
      TMMCustomSoundComponent::Started();
      more_buffers_ = true;
      Include(trsStarted);
      Pull(header_);
      if (header_->dwBytesRecorded > 0 && OnBufferFilled) OnBufferFilled(this, header_);
      if (header_->dwBytesRecorded == 0) {
        // Stopped here, so the close that follows does not stop it again.
        Exclude(trsStarted);
        TMMCustomSoundComponent::Stopped();
        Error("TriggerStart:\n\r" + LoadLibraryMessage(kCannotStart));
      }
      const bool paused = Has(trsPaused);
      {
        std::lock_guard lock(lock_);
        running_ = !paused;
      }
      if (!paused) plat::SetEvent(go_event_);
      Notify(OnStart);
    }
  } catch (...) {
    Notify(OnError);
    Close();
    throw;
  }
}

void TMMTrigger::Pause() {
  try {
    if (!Has(trsOpened)) Open();
    if (Has(trsOpened) && !Has(trsPaused)) {
      // The thread is never suspended from outside: it may be holding a lock
      // or be inside the chain. It finishes the cycle under way and waits.
      if (Has(trsStarted)) {
        std::lock_guard lock(lock_);
        running_ = false;
      }
      Include(trsPaused);
      TMMCustomSoundComponent::Paused();
      Notify(OnPause);
    }
  } catch (...) {
    Notify(OnError);
    Close();
    throw;
  }
}

void TMMTrigger::Restart() {
  if (!Has(trsStarted) || !Has(trsPaused)) return;
  try {
    {
      std::lock_guard lock(lock_);
      if (!stopping_) running_ = true;
    }
    // Also for a trigger paused before it started, which has had no go yet.
    plat::SetEvent(go_event_);
    Exclude(trsPaused);
    TMMCustomSoundComponent::Restarted();
    Notify(OnRestart);
  } catch (...) {
    Notify(OnError);
    Close();
    throw;
  }
}

void TMMTrigger::Stop() { StopAfterCycle(false); }

void TMMTrigger::StopAfterCycle(bool until_ended) {
  if (!Has(trsStarted) && !Has(trsPaused)) return;
  try {
    {
      std::lock_guard lock(lock_);
      stopping_ = true;
    }
    // A cycle under way on another thread ends first; only one that asks
    // for the stop itself defers it, and so does one that does not end in
    // time (its end then completes the stop).
    if (!InsideCycle()) {
      while (!WaitForCycleEnd(kStopWaitMs) && until_ended) {
      }
      // A handler served meanwhile may have stopped or closed the trigger.
      if (!Has(trsStarted) && !Has(trsPaused)) return;
    }
    {
      std::lock_guard lock(lock_);
      if (in_process_ > 0) {
        // The cycle's end posts the stop message, which completes it.
        stop_pending_ = true;
        return;
      }
      running_ = false;
      stop_pending_ = false;
    }
    CompleteStop();
  } catch (...) {
    Notify(OnError);
    Close();
    throw;
  }
}

bool TMMTrigger::InsideCycle() const {
  const plat::DWORD self = plat::GetCurrentThreadId();
  return (thread_ && self == thread_->ThreadID()) || sync_push_thread_.load() == self;
}

bool TMMTrigger::WaitForCycleEnd(uint32_t span_ms) {
  const bool main = plat::IsMainThread();
  return WaitServingMessages(
      [this, main] {
        // A synchronized push of the cycle runs here.
        if (main) vcl::CheckSynchronize();
        std::lock_guard lock(lock_);
        return in_process_ == 0;
      },
      span_ms, cycle_end_event_, false);
}

void TMMTrigger::CompleteStop() {
  Exclude(trsStarted);
  Exclude(trsPaused);
  TMMCustomSoundComponent::Stopped();
  Notify(OnStop);
  if (close_pending_) Close();
}

// ---- The pump ----

void TMMTrigger::Pull(TMMWaveHdr* header) {
  more_buffers_ = false;
  bool more = false;
  BufferLoad(header, more);
  if (header->dwBytesRecorded == 0) more = false;
  more_buffers_ = more;
}

void TMMTrigger::Push(TMMWaveHdr* header) {
  if (synchronize_ && thread_ && plat::GetCurrentThreadId() == thread_->ThreadID())
    thread_->Synchronize([this, header] {
      sync_push_thread_ = plat::GetCurrentThreadId();
      plat::ScopeExit done([this] { sync_push_thread_ = 0; });
      TMMCustomSoundComponent::BufferReady(header);
    });
  else
    TMMCustomSoundComponent::BufferReady(header);
  if (OnBufferPushed) OnBufferPushed(this, header);
}

bool TMMTrigger::CanCycle() {
  std::lock_guard lock(lock_);
  return running_ && !stopping_;
}

void TMMTrigger::Run() {
  plat::SetEvent(ready_event_);
  const plat::HANDLE waits[2] = {stop_event_, go_event_};
  for (;;) {
    if (plat::WaitForMultipleObjects(2, waits, plat::FALSE, plat::INFINITE) != plat::WAIT_OBJECT_0 + 1) break;
    bool stop = false;
    while (!stop && CanCycle()) {
      try {
        PumpCycle();
      } catch (...) {
        // The thread ends here; the main thread closes the trigger and
        // reports the error when it handles the message.
        {
          std::lock_guard lock(lock_);
          running_ = false;
          if (!thread_error_) thread_error_ = std::current_exception();
        }
        plat::PostMessageA(window_, MM_TRIGGER_STOP, 0, 0);
        return;
      }
      if (!CanCycle()) break;
      // The pause between cycles ends early when the thread is told to end,
      // or for a go: a start or restart since the last cycle runs at once.
      // Without an interval it only looks for those: the chain has taken the
      // buffer, so the next one can go.
      const auto pause = static_cast<plat::DWORD>(std::max<int32_t>(interval_, 0));
      stop = plat::WaitForMultipleObjects(2, waits, plat::FALSE, pause) == plat::WAIT_OBJECT_0;
    }
    if (stop) break;
  }
  plat::SetEvent(ready_event_);
}

void TMMTrigger::PumpCycle() {
  {
    std::lock_guard lock(lock_);
    if (!running_ || stopping_) return;
    ++in_process_;
  }
  // The count goes down however the cycle ends; the last one out posts the
  // stop when one is due.
  struct CycleEnd {
    TMMTrigger* self;
    ~CycleEnd() {
      bool post = false;
      {
        std::lock_guard lock(self->lock_);
        --self->in_process_;
        if (self->in_process_ == 0 && (self->stop_pending_ || !self->more_buffers_)) {
          self->stopping_ = true;
          post = true;
        }
      }
      if (post) plat::PostMessageA(self->window_, MM_TRIGGER_STOP, 0, 0);
      plat::SetEvent(self->cycle_end_event_);
    }
  } cycle_end{this};

  // Once a stop has begun the cycle pulls nothing more.
  auto stop_pending = [this] {
    std::lock_guard lock(lock_);
    return stopping_;
  };
  try {
    Push(header_);
    if (more_buffers_ && !stop_pending()) {
      Pull(header_);
      if (header_->dwBytesRecorded == 0) Error(LoadLibraryMessage(kFillError));
      if (!stop_pending()) {
        if (OnBufferFilled) OnBufferFilled(this, header_);
        // The source's last buffer goes down in the cycle that pulled it.
        if (!more_buffers_) Push(header_);
      }
    }
  } catch (...) {
    handled_ = false;
    Notify(OnError);
    if (OnErrorEx) OnErrorEx(this, handled_);
    if (!handled_) throw;
  }
}

plat::LRESULT TMMTrigger::WindowProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                     plat::LPARAM lparam) {
  if (message != MM_TRIGGER_STOP) return plat::DefWindowProcA(hwnd, message, wparam, lparam);
  try {
    std::exception_ptr failure;
    bool stopping;
    {
      std::lock_guard lock(lock_);
      failure = std::exchange(thread_error_, nullptr);
      stopping = stopping_;
    }
    if (failure) {
      Close();
      std::rethrow_exception(failure);
    }
    // A message left from a run that has since been stopped and started
    // again must not stop the new run.
    if (stopping && (Has(trsStarted) || Has(trsPaused))) Stop();
  } catch (...) {
    Close();
    vcl::ReportException(this);
  }
  return 0;
}

}  // namespace engine
