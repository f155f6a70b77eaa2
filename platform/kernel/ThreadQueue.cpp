#include "platform/kernel/ThreadQueue.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <unordered_map>

#include "platform/kernel/Errors.h"
#include "platform/kernel/WaitCore.h"

namespace plat {

namespace {

constexpr DWORD kMainThreadId = 1;
constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;

std::atomic<DWORD> next_thread_id{2};

DWORD AssignThreadId() {
  if (static_cast<pid_t>(syscall(SYS_gettid)) == getpid()) return kMainThreadId;
  return next_thread_id.fetch_add(1);
}

std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>>& Queues() {
  static auto* queues = new std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>>;
  return *queues;
}

std::atomic<SentMessageDispatcher> sent_dispatcher{nullptr};

// Set once the thread's queue has been closed at thread end; a plain flag, so
// it stays readable while other thread-local objects are being destroyed.
thread_local bool queue_ended = false;

// Closes the thread's queue when the thread ends: nothing more is queued for
// it, and senders waiting on it are released.
struct QueueOwner {
  std::shared_ptr<ThreadQueue> queue;
  ~QueueOwner() {
    queue_ended = true;
    if (!queue) return;
    {
      std::lock_guard lock(waitcore::Mutex());
      queue->closed = true;
      for (auto& sent : queue->sent) {
        sent->dropped = true;
        sent->done = true;
      }
      queue->sent.clear();
      queue->posted.clear();
      Queues().erase(queue->thread_id);
    }
    waitcore::NotifyAll();
  }
};
thread_local QueueOwner queue_owner;

bool HasSentLocked(const ThreadQueue& queue) { return !queue.sent.empty(); }

}  // namespace

bool ThreadQueue::HasInput(DWORD wake_mask, int64_t now) const {
  if ((wake_mask & QS_SENDMESSAGE) && !sent.empty()) return true;
  if ((wake_mask & (QS_POSTMESSAGE | QS_INPUT | QS_HOTKEY)) && (!posted.empty() || quit_posted)) return true;
  if ((wake_mask & QS_INPUT) && input_pending) return true;
  if ((wake_mask & QS_PAINT) && paint_pending) return true;
  if ((wake_mask & QS_TIMER) && NextTimerDue() <= now) return true;
  return false;
}

int64_t ThreadQueue::NextTimerDue() const {
  int64_t due = waitcore::kNoDeadline;
  for (const auto& timer : timers) due = std::min(due, timer.next_due);
  return due;
}

DWORD GetCurrentThreadId() {
  thread_local DWORD id = AssignThreadId();
  return id;
}

DWORD GetMainThreadId() { return kMainThreadId; }
bool IsMainThread() { return GetCurrentThreadId() == kMainThreadId; }

std::shared_ptr<ThreadQueue> CurrentThreadQueue() {
  if (queue_ended) {
    // Late callers at thread end (other thread-local cleanups) get a closed
    // queue of their own that nothing can post to.
    auto closed = std::make_shared<ThreadQueue>(GetCurrentThreadId());
    closed->closed = true;
    return closed;
  }
  if (!queue_owner.queue) {
    auto queue = std::make_shared<ThreadQueue>(GetCurrentThreadId());
    std::lock_guard lock(waitcore::Mutex());
    Queues()[queue->thread_id] = queue;
    queue_owner.queue = queue;
  }
  return queue_owner.queue;
}

std::shared_ptr<ThreadQueue> FindThreadQueue(DWORD thread_id) {
  if (thread_id == GetCurrentThreadId()) return queue_ended ? nullptr : CurrentThreadQueue();
  std::lock_guard lock(waitcore::Mutex());
  auto it = Queues().find(thread_id);
  return it == Queues().end() ? nullptr : it->second;
}

void SetSentMessageDispatcher(SentMessageDispatcher dispatcher) { sent_dispatcher.store(dispatcher); }

namespace {

void Deliver(SentMessage& message) {
  SentMessageDispatcher dispatcher = sent_dispatcher.load();
  if (!dispatcher) return;
  try {
    dispatcher(message);
  } catch (...) {
    message.error = std::current_exception();
  }
}

}  // namespace

int ServeSentMessages() {
  auto queue = CurrentThreadQueue();
  int served = 0;
  for (;;) {
    std::shared_ptr<SentMessage> message;
    {
      std::lock_guard lock(waitcore::Mutex());
      if (queue->sent.empty()) break;
      message = queue->sent.front();
      queue->sent.pop_front();
    }
    Deliver(*message);
    {
      std::lock_guard lock(waitcore::Mutex());
      message->done = true;
    }
    waitcore::NotifyAll();
    ++served;
  }
  return served;
}

bool SendToThread(DWORD thread_id, SentMessage& message, DWORD timeout_ms) {
  if (thread_id == GetCurrentThreadId()) {
    Deliver(message);
    message.done = true;
    return true;
  }
  auto receiver = FindThreadQueue(thread_id);
  if (!receiver) return false;
  auto own = CurrentThreadQueue();
  auto shared = std::make_shared<SentMessage>(message);
  const int64_t deadline = waitcore::DeadlineAfterMs(timeout_ms);
  std::unique_lock lock(waitcore::Mutex());
  if (receiver->closed) return false;
  receiver->sent.push_back(shared);
  waitcore::NotifyAll();
  for (;;) {
    bool ready = waitcore::WaitUntil(lock, deadline, [&] { return shared->done || HasSentLocked(*own); });
    if (shared->done) break;
    if (!ready) {
      // Timed out: withdraw the message if the receiver has not taken it yet.
      auto& pending = receiver->sent;
      pending.erase(std::remove(pending.begin(), pending.end(), shared), pending.end());
      SetLastError(ERROR_TIMEOUT);
      return false;
    }
    lock.unlock();
    ServeSentMessages();
    lock.lock();
  }
  bool handled = !shared->dropped;
  message.result = shared->result;
  message.error = shared->error;
  message.done = true;
  return handled;
}

bool PostToThread(DWORD thread_id, const MSG& message) {
  auto queue = FindThreadQueue(thread_id);
  if (!queue) return false;
  {
    std::lock_guard lock(waitcore::Mutex());
    if (queue->closed) return false;
    MSG copy = message;
    if (copy.time == 0) copy.time = static_cast<DWORD>(static_cast<uint64_t>(waitcore::NowHeld() / 1000));
    queue->posted.push_back(copy);
  }
  waitcore::NotifyAll();
  return true;
}

void SignalQueueInput(DWORD thread_id) {
  auto queue = FindThreadQueue(thread_id);
  if (!queue) return;
  {
    std::lock_guard lock(waitcore::Mutex());
    queue->input_pending = true;
  }
  waitcore::NotifyAll();
}

BOOL PostThreadMessageA(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam) {
  MSG msg;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  if (!PostToThread(thread_id, msg)) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  return TRUE;
}

DWORD WaitForObjectsAndQueue(DWORD count, const HANDLE* handles, bool wait_all, int64_t deadline,
                             DWORD wake_mask) {
  if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && !handles)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<KernelObject>> objects;
  objects.reserve(count);
  for (DWORD i = 0; i < count; ++i) {
    auto object = LookupHandle(handles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    objects.push_back(std::move(object));
  }
  auto queue = CurrentThreadQueue();
  constexpr DWORD kServe = 0xFFFFFFFE;
  std::unique_lock lock(waitcore::Mutex());
  for (;;) {
    DWORD result = WAIT_TIMEOUT;
    auto ready = [&] {
      if (count > 0) {
        if (wait_all) {
          bool all =
              std::all_of(objects.begin(), objects.end(), [](const auto& o) { return o->IsSignaled(); });
          if (all) {
            for (auto& o : objects) o->Acquire();
            result = WAIT_OBJECT_0;
            return true;
          }
        } else {
          for (DWORD i = 0; i < count; ++i) {
            if (objects[i]->IsSignaled()) {
              objects[i]->Acquire();
              result = WAIT_OBJECT_0 + i;
              return true;
            }
          }
        }
      }
      if (wake_mask && queue->HasInput(wake_mask, waitcore::NowHeld())) {
        result = WAIT_OBJECT_0 + count;
        return true;
      }
      if (!queue->sent.empty()) {
        result = kServe;
        return true;
      }
      return false;
    };
    int64_t until = deadline;
    if (wake_mask & QS_TIMER) until = std::min(until, queue->NextTimerDue());
    bool woke = waitcore::WaitUntil(lock, until, ready);
    if (woke && result == kServe) {
      lock.unlock();
      ServeSentMessages();
      lock.lock();
      continue;
    }
    if (woke) return result;
    if (until >= deadline) return WAIT_TIMEOUT;
    // A timer came due: the next pass reports queue input.
  }
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all, DWORD milliseconds,
                                DWORD wake_mask) {
  return WaitForObjectsAndQueue(count, handles, wait_all != 0, waitcore::DeadlineAfterMs(milliseconds),
                                wake_mask);
}

}  // namespace plat
