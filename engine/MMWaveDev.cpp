#include "engine/MMWaveDev.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"

namespace engine {

namespace {

constexpr plat::DWORD kThreadWaitMs = 5000;
constexpr plat::DWORD kWaitStepMs = 10;
constexpr uint32_t kDrainWaitMs = 1000;
constexpr auto kStandStillPoll = std::chrono::microseconds(200);

std::mutex quarantine_lock;
// Reachable for the process's life, so what it holds is never taken for a leak.
std::vector<TWaveQuarantined>& Quarantine() {
  static auto* list = new std::vector<TWaveQuarantined>;
  return *list;
}

}  // namespace

// ---- Quarantine ----

void QuarantineWaveBuffers(TWaveQuarantined entry) {
  std::lock_guard guard(quarantine_lock);
  Quarantine().push_back(std::move(entry));
}

void SweepWaveQuarantine() {
  // Freed outside the lock: a pool's release may take its time.
  std::vector<TWaveQuarantined> freed;
  {
    std::lock_guard guard(quarantine_lock);
    auto& list = Quarantine();
    for (auto it = list.begin(); it != list.end();) {
      if (it->release && it->release()) {
        freed.push_back(std::move(*it));
        it = list.erase(it);
      } else {
        ++it;
      }
    }
  }
}

size_t QuarantinedWaveDevices(bool output) {
  std::lock_guard guard(quarantine_lock);
  const auto& list = Quarantine();
  return static_cast<size_t>(std::count_if(
      list.begin(), list.end(), [output](const TWaveQuarantined& q) { return q.output == output; }));
}

int QuarantinedWaveBuffers(const void* device) {
  std::lock_guard guard(quarantine_lock);
  int count = 0;
  for (const TWaveQuarantined& q : Quarantine())
    if (q.device == device) count += q.buffers;
  return count;
}

// ---- Waits ----

bool WaitServingMessages(const std::function<bool()>& done, uint32_t span_ms, plat::HANDLE wake, bool pump) {
  const int64_t deadline = plat::ClockNowMicroseconds() + int64_t{span_ms} * 1000;
  const auto real_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStandStillWaitMs);
  bool quit_seen = false;
  for (;;) {
    if (done()) return true;
    if (pump && !quit_seen) {
      plat::MSG msg;
      while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) {
        if (msg.message == plat::WM_QUIT) {
          // Left for the loop that owns it; taking it up again would spin.
          plat::PostQuitMessage(static_cast<int>(msg.wParam));
          quit_seen = true;
          break;
        }
        plat::TranslateMessage(&msg);
        plat::DispatchMessageA(&msg);
        // A handler may post its next message as it runs (the connectors'
        // idle steps do): the queue need not ever drain, so look after each.
        if (done()) return true;
        if (plat::ClockNowMicroseconds() >= deadline) break;
      }
      if (done()) return true;
    }
    const int64_t left = deadline - plat::ClockNowMicroseconds();
    if (left <= 0) return false;
    if (plat::clock::IsManual()) {
      // The layer's waits end only when the clock moves: poll in real time.
      if (std::chrono::steady_clock::now() >= real_deadline) return false;
      if (pump && !quit_seen)
        plat::MsgWaitForMultipleObjects(wake ? 1 : 0, &wake, plat::FALSE, 0, plat::QS_ALLINPUT);
      else if (wake)
        plat::WaitForSingleObject(wake, 0);
      plat::Sleep(0);
      std::this_thread::sleep_for(kStandStillPoll);
      continue;
    }
    const auto ms = static_cast<plat::DWORD>(std::min<int64_t>(kWaitStepMs, (left + 999) / 1000));
    if (pump && !quit_seen)
      plat::MsgWaitForMultipleObjects(wake ? 1 : 0, &wake, plat::FALSE, ms, plat::QS_ALLINPUT);
    else if (wake)
      plat::WaitForSingleObject(wake, ms);
    else
      plat::Sleep(ms);
  }
}

// ---- Deliveries ----

void TWaveDeliveries::Enter() {
  thread_ = plat::GetCurrentThreadId();
  ++count_;
}

bool TWaveDeliveries::Leave() {
  if (count_.load() == 1) thread_ = 0;
  return --count_ == 0;
}

void TWaveDeliveries::Clear() {
  count_ = 0;
  thread_ = 0;
}

bool TWaveDeliveries::Inside() const {
  return count_.load() > 0 && thread_.load() == plat::GetCurrentThreadId();
}

bool TWaveDeliveries::WaitForEnd(uint32_t span_ms, plat::HANDLE wake, bool pump) const {
  return WaitServingMessages([this] { return !Busy(); }, span_ms, wake, pump);
}

// ---- Device thread ----

TWaveThreadEvents::TWaveThreadEvents()
    : ready(plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr)),
      quit(plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr)),
      drain(plat::CreateEventA(nullptr, plat::TRUE, plat::FALSE, nullptr)) {}

TWaveThreadEvents::~TWaveThreadEvents() {
  for (plat::HANDLE h : {ready, quit, drain})
    if (h) plat::CloseHandle(h);
}

VCL_IMPLEMENT_CLASS(TMMWaveDeviceThread)

TMMWaveDeviceThread::TMMWaveDeviceThread(vcl::TComponent* owner, vcl::TThreadPriority priority,
                                         plat::UINT notice)
    : TMMDSPThread(owner), priority_(priority), notice_(notice) {}

void TMMWaveDeviceThread::Execute() {
  SetPriority(priority_);
  plat::CurrentThreadQueue();
  plat::SetEvent(events_->ready);
  while (!Terminated()) {
    plat::MSG msg;
    if (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) {
      if (msg.message == plat::WM_QUIT) break;
      if (msg.message == notice_ && msg.hwnd == nullptr) {
        try {
          Serve(msg);
        } catch (...) {
          Failed();
        }
      } else {
        plat::DispatchMessageA(&msg);
      }
      continue;
    }
    const plat::HANDLE handles[2] = {events_->quit, events_->drain};
    const plat::DWORD r =
        plat::MsgWaitForMultipleObjects(2, handles, plat::FALSE, plat::INFINITE, plat::QS_ALLINPUT);
    if (r == plat::WAIT_OBJECT_0) break;
    if (r == plat::WAIT_OBJECT_0 + 1) {
      while (plat::PeekMessageA(&msg, plat::HWND_THREAD_MESSAGES, notice_, notice_, plat::PM_REMOVE)) {
      }
      plat::ResetEvent(events_->drain);
      Drained();
    }
  }
  plat::SetEvent(events_->ready);
}

bool TWaveDeviceThreadLink::Start(const std::function<TMMWaveDeviceThread*()>& make) {
  End();
  auto events = std::make_shared<TWaveThreadEvents>();
  TMMWaveDeviceThread* thread = nullptr;
  try {
    thread = make();
  } catch (...) {
    // The caller raises the device's own error for it.
    return false;
  }
  if (!thread) return false;
  thread->events_ = events;
  thread->SetFreeOnTerminate(true);
  thread_ = thread;
  thread_id_ = thread->ThreadID();
  events_ = events;
  thread->Resume();
  if (plat::WaitForSingleObject(events->ready, kThreadWaitMs) == plat::WAIT_OBJECT_0) return true;
  End();
  return false;
}

void TWaveDeviceThreadLink::End() {
  if (!thread_) return;
  plat::SetEvent(events_->quit);
  // The thread cannot wait for its own end.
  if (plat::GetCurrentThreadId() != thread_id_.load())
    plat::WaitForSingleObject(events_->ready, kThreadWaitMs);
  // The thread frees itself; a thread still running keeps its share of the events.
  thread_ = nullptr;
  thread_id_ = 0;
  events_.reset();
}

void TWaveDeviceThreadLink::Drain(plat::HANDLE wake) {
  if (!thread_) return;
  plat::SetEvent(events_->drain);
  const plat::HANDLE drain = events_->drain;
  WaitServingMessages([drain] { return plat::WaitForSingleObject(drain, 0) == plat::WAIT_TIMEOUT; },
                      kDrainWaitMs, wake, false);
}

void TWaveDeviceThreadLink::SetPriority(vcl::TThreadPriority value) {
  if (thread_) thread_->SetPriority(value);
}

}  // namespace engine
