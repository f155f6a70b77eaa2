#include "platform/vcl/VclThread.h"

#include <deque>
#include <memory>
#include <mutex>

#include "platform/kernel/Errors.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Messages.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/UtilWindow.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TThread)

namespace {

// wParam 1: sent by a waiting worker; 0: posted for a queued method.
constexpr plat::UINT CM_EXECPROC = plat::WM_USER + 0x7F00;
// Re-raises on the main loop what a queued method raised while a worker's send was served.
constexpr plat::UINT CM_RAISEQUEUED = plat::WM_USER + 0x7F01;

struct SyncRequest {
  TThread* thread = nullptr;
  TThreadMethod method;
  bool queued = false;
  bool done = false;  // guarded by sync_mutex
  plat::HANDLE done_event = nullptr;
  std::exception_ptr error;
};

std::mutex sync_mutex;
std::deque<std::shared_ptr<SyncRequest>>& Pending() {
  static auto* pending = new std::deque<std::shared_ptr<SyncRequest>>;
  return *pending;
}
// Exceptions of queued methods caught while a send was served, for the loop.
std::deque<std::exception_ptr>& Deferred() {
  static auto* deferred = new std::deque<std::exception_ptr>;
  return *deferred;
}
std::atomic<plat::HWND> sync_window{nullptr};

// Auto-reset; set whenever work is pending, so the main thread's own waits
// see work even when the window does not exist yet.
plat::HANDLE SyncEvent() {
  static plat::HANDLE event = plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr);
  return event;
}

void Wake(bool posted) {
  plat::SetEvent(SyncEvent());
  if (plat::HWND hwnd = sync_window.load(); hwnd && posted) plat::PostMessageA(hwnd, CM_EXECPROC, 0, 0);
}

// Runs the oldest pending request; false when there is none.
bool RunOne() {
  std::shared_ptr<SyncRequest> request;
  {
    std::lock_guard lock(sync_mutex);
    if (Pending().empty()) return false;
    request = Pending().front();
    Pending().pop_front();
  }
  if (request->queued) {
    request->method();
    return true;
  }
  try {
    request->method();
  } catch (...) {
    request->error = std::current_exception();
  }
  std::lock_guard lock(sync_mutex);
  request->done = true;
  if (request->done_event) plat::SetEvent(request->done_event);
  return true;
}

plat::LRESULT SyncWindowProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
  if (message == CM_EXECPROC) {
    if (wparam == 0) {
      CheckSynchronize();
      return 0;
    }
    // A worker waits on this send: what a queued method raises must not
    // reach it, so it goes back to the loop.
    try {
      CheckSynchronize();
    } catch (...) {
      {
        std::lock_guard lock(sync_mutex);
        Deferred().push_back(std::current_exception());
      }
      plat::PostMessageA(hwnd, CM_RAISEQUEUED, 0, 0);
    }
    return 0;
  }
  if (message == CM_RAISEQUEUED) {
    std::exception_ptr error;
    {
      std::lock_guard lock(sync_mutex);
      if (Deferred().empty()) return 0;
      error = Deferred().front();
      Deferred().pop_front();
    }
    std::rethrow_exception(error);
  }
  return plat::DefWindowProcA(hwnd, message, wparam, lparam);
}

constexpr int kPriorities[] = {plat::THREAD_PRIORITY_IDLE,         plat::THREAD_PRIORITY_LOWEST,
                               plat::THREAD_PRIORITY_BELOW_NORMAL, plat::THREAD_PRIORITY_NORMAL,
                               plat::THREAD_PRIORITY_ABOVE_NORMAL, plat::THREAD_PRIORITY_HIGHEST,
                               plat::THREAD_PRIORITY_TIME_CRITICAL};

}  // namespace

void InitThreadSynchronization() {
  SyncEvent();
  if (!plat::IsMainThread() || sync_window.load()) return;
  sync_window.store(AllocateUtilityWindow(SyncWindowProc));
}

void DoneThreadSynchronization() {
  if (!plat::IsMainThread()) return;
  DeallocateUtilityWindow(sync_window.exchange(nullptr));
}

bool CheckSynchronize(int timeout_ms) {
  if (!plat::IsMainThread()) return false;
  if (timeout_ms > 0) {
    bool empty;
    {
      std::lock_guard lock(sync_mutex);
      empty = Pending().empty();
    }
    if (empty) plat::WaitForSingleObject(SyncEvent(), static_cast<plat::DWORD>(timeout_ms));
  }
  bool ran = false;
  while (RunOne()) ran = true;
  return ran;
}

TThread::TThread(bool create_suspended) : create_suspended_(create_suspended) {
  SyncEvent();
  handle_ = plat::CreateThread(nullptr, 0, &TThread::ThreadProc, this, plat::CREATE_SUSPENDED, &thread_id_);
  if (!handle_) throw EThread("Thread creation error: %d", {static_cast<int>(plat::GetLastError())});
}

TThread::~TThread() {
  if (handle_) {
    StopAndWait();
    plat::CloseHandle(handle_);
  }
  // After the end: the thread may queue until then.
  RemoveQueuedEvents(this);
}

void TThread::StopAndWait() {
  // A thread that frees itself on termination is deleted by its own thread.
  if (plat::GetCurrentThreadId() == thread_id_) return;
  // Queued methods usually reach into the object that is being taken down.
  RemoveQueuedEvents(this);
  if (!finished_) {
    Terminate();
    if (!started_) {
      skip_execute_ = true;
      Release();
    }
  }
  // Also when Execute is over: OnTerminate may still be on its way.
  WaitFor();
}

void TThread::AfterConstruction() {
  if (!create_suspended_ && !started_) Release();
}

void TThread::Release() {
  bool expected = false;
  if (!started_.compare_exchange_strong(expected, true)) return;
  suspended_ = false;
  while (plat::ResumeThread(handle_) > 1) {
  }
}

void TThread::Resume() {
  if (started_) return;
  if (plat::ResumeThread(handle_) == 1) {
    started_ = true;
    suspended_ = false;
  }
}

void TThread::Suspend() {
  if (started_) throw EThread("Cannot suspend a running thread");
  suspended_ = true;
  plat::SuspendThread(handle_);
}

void TThread::Start() {
  if (started_) throw EThread("Cannot call Start on a running or finished thread");
  Release();
}

void TThread::SetSuspended(bool value) {
  if (value == suspended_) return;
  if (value)
    Suspend();
  else
    Resume();
}

int TThread::WaitFor() {
  if (!started_ && !create_suspended_) Release();
  if (plat::IsMainThread()) {
    const plat::HANDLE handles[2] = {handle_, SyncEvent()};
    for (;;) {
      plat::DWORD result = plat::WaitForMultipleObjects(2, handles, plat::FALSE, plat::INFINITE);
      if (result == plat::WAIT_OBJECT_0 + 1) {
        CheckSynchronize();
        continue;
      }
      break;
    }
  } else {
    plat::WaitForSingleObject(handle_, plat::INFINITE);
  }
  plat::DWORD code = 0;
  plat::GetExitCodeThread(handle_, &code);
  return static_cast<int>(code);
}

TThreadPriority TThread::Priority() const {
  int value = plat::GetThreadPriority(handle_);
  for (int p = tpIdle; p <= tpTimeCritical; ++p)
    if (kPriorities[p] == value) return static_cast<TThreadPriority>(p);
  return tpNormal;
}

void TThread::SetPriority(TThreadPriority value) {
  if (value == Priority()) return;
  plat::SetThreadPriority(handle_, kPriorities[value]);
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

plat::DWORD TThread::ThreadProc(void* parameter) {
  auto* thread = static_cast<TThread*>(parameter);
  const bool ran = !thread->skip_execute_;
  if (ran) {
    try {
      thread->Execute();
    } catch (...) {
      thread->fatal_exception_ = std::current_exception();
    }
  }
  const bool free_thread = thread->free_on_terminate_;
  const auto result = static_cast<plat::DWORD>(thread->return_value_.load());
  thread->finished_ = true;
  if (ran) {
    try {
      thread->DoTerminate();
    } catch (...) {
      if (!thread->fatal_exception_) thread->fatal_exception_ = std::current_exception();
    }
  }
  if (free_thread) delete thread;
  return result;
}

void TThread::Synchronize(TThread* thread, const TThreadMethod& method) {
  if (plat::IsMainThread()) {
    method();
    return;
  }
  auto request = std::make_shared<SyncRequest>();
  request->thread = thread;
  request->method = method;
  {
    std::lock_guard lock(sync_mutex);
    Pending().push_back(request);
  }
  Wake(false);
  if (plat::HWND hwnd = sync_window.load()) plat::SendMessageA(hwnd, CM_EXECPROC, 1, 0);
  // The send comes back undone when the main thread was already running an
  // earlier request, or there is no window yet: wait for CheckSynchronize.
  plat::HANDLE event = nullptr;
  {
    std::lock_guard lock(sync_mutex);
    if (!request->done)
      event = request->done_event = plat::CreateEventA(nullptr, plat::TRUE, plat::FALSE, nullptr);
  }
  if (event) {
    plat::WaitForSingleObject(event, plat::INFINITE);
    std::lock_guard lock(sync_mutex);
    request->done_event = nullptr;
    plat::CloseHandle(event);
  }
  if (request->error) std::rethrow_exception(request->error);
}

void TThread::Queue(TThread* thread, TThreadMethod method) {
  if (plat::IsMainThread()) {
    method();
    return;
  }
  auto request = std::make_shared<SyncRequest>();
  request->thread = thread;
  request->method = std::move(method);
  request->queued = true;
  {
    std::lock_guard lock(sync_mutex);
    Pending().push_back(request);
  }
  Wake(true);
}

void TThread::RemoveQueuedEvents(TThread* thread) {
  std::lock_guard lock(sync_mutex);
  std::erase_if(Pending(),
                [thread](const auto& request) { return request->queued && request->thread == thread; });
}

}  // namespace vcl
