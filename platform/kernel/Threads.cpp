#include "platform/kernel/Threads.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/kernel/Errors.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/WaitCore.h"

namespace plat {

namespace {

HANDLE const kCurrentThreadPseudo = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));

class Thread : public KernelObject {
 public:
  // All fields below are guarded by the wait core's lock.
  bool IsSignaled() const override { return ended; }
  DWORD id = 0;
  DWORD suspend_count = 0;
  bool started = false;
  bool ended = false;
  DWORD exit_code = STILL_ACTIVE;
  int priority = THREAD_PRIORITY_NORMAL;
  bool id_ready = false;
};

// The calling thread's own record, for threads the layer created.
thread_local std::shared_ptr<Thread> current_thread;
// Priorities of threads the layer did not create (such as the main thread).
thread_local int foreign_priority = THREAD_PRIORITY_NORMAL;

void ApplyPriority(int priority) {
  // Best effort: raising priority usually needs privileges we do not have.
  if (priority >= THREAD_PRIORITY_TIME_CRITICAL) {
    sched_param param{};
    param.sched_priority = 1;
    pthread_setschedparam(pthread_self(), SCHED_RR, &param);
  }
}

std::shared_ptr<Thread> ThreadFor(HANDLE handle) {
  if (handle == kCurrentThreadPseudo) return current_thread;
  return LookupHandleAs<Thread>(handle);
}

}  // namespace

HANDLE GetCurrentThread() { return kCurrentThreadPseudo; }

HANDLE CreateThread(void*, size_t, LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags,
                    DWORD* thread_id) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto record = std::make_shared<Thread>();
  record->suspend_count = (flags & CREATE_SUSPENDED) ? 1 : 0;
  try {
    std::thread([record, start, parameter] {
      current_thread = record;
      // The queue exists before the creator learns the id, so messages can be
      // posted or sent to the thread at once.
      CurrentThreadQueue();
      {
        std::unique_lock lock(waitcore::Mutex());
        record->id = GetCurrentThreadId();
        record->id_ready = true;
        waitcore::NotifyAll();
      }
      {
        std::unique_lock lock(waitcore::Mutex());
        waitcore::WaitUntil(lock, waitcore::kNoDeadline, [&] { return record->suspend_count == 0; });
        record->started = true;
      }
      ApplyPriority(record->priority);
      DWORD code = start(parameter);
      {
        std::lock_guard lock(waitcore::Mutex());
        record->exit_code = code;
        record->ended = true;
      }
      waitcore::NotifyAll();
      current_thread.reset();
    }).detach();
  } catch (const std::system_error&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::unique_lock lock(waitcore::Mutex());
  // The id is known once the thread has run its first lines; this wait is
  // short and does not follow the clock.
  while (!record->id_ready) {
    lock.unlock();
    std::this_thread::yield();
    lock.lock();
  }
  if (thread_id) *thread_id = record->id;
  lock.unlock();
  return RegisterHandle(record);
}

DWORD ResumeThread(HANDLE handle) {
  auto thread = ThreadFor(handle);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0xFFFFFFFF;
  }
  DWORD previous;
  {
    std::lock_guard lock(waitcore::Mutex());
    previous = thread->suspend_count;
    if (thread->suspend_count > 0) --thread->suspend_count;
  }
  waitcore::NotifyAll();
  return previous;
}

DWORD SuspendThread(HANDLE handle) {
  auto thread = ThreadFor(handle);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0xFFFFFFFF;
  }
  std::lock_guard lock(waitcore::Mutex());
  if (thread->started) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0xFFFFFFFF;
  }
  return thread->suspend_count++;
}

BOOL SetThreadPriority(HANDLE handle, int priority) {
  if (priority < THREAD_PRIORITY_IDLE || priority > THREAD_PRIORITY_TIME_CRITICAL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (handle == kCurrentThreadPseudo && !current_thread) {
    foreign_priority = priority;
    ApplyPriority(priority);
    return TRUE;
  }
  auto thread = ThreadFor(handle);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  bool running_here;
  {
    std::lock_guard lock(waitcore::Mutex());
    thread->priority = priority;
    running_here = thread == current_thread;
  }
  if (running_here) ApplyPriority(priority);
  return TRUE;
}

int GetThreadPriority(HANDLE handle) {
  if (handle == kCurrentThreadPseudo && !current_thread) return foreign_priority;
  auto thread = ThreadFor(handle);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return THREAD_PRIORITY_ERROR_RETURN;
  }
  std::lock_guard lock(waitcore::Mutex());
  return thread->priority;
}

BOOL GetExitCodeThread(HANDLE handle, DWORD* exit_code) {
  auto thread = ThreadFor(handle);
  if (!thread || !exit_code) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard lock(waitcore::Mutex());
  *exit_code = thread->exit_code;
  return TRUE;
}

DWORD GetThreadId(HANDLE handle) {
  auto thread = ThreadFor(handle);
  if (!thread) return GetCurrentThreadId();
  std::lock_guard lock(waitcore::Mutex());
  return thread->id;
}

}  // namespace plat
