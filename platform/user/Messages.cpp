#include "platform/user/Messages.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>

#include "platform/backend/Backend.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Errors.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/kernel/WaitCore.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

using user::LookupWindow;
using user::LookupWindowLocked;
using user::WindowLock;

std::atomic<PaintMessageSource> paint_source{nullptr};
// Ids of thread timers; they never collide with each other.
std::atomic<UINT_PTR> next_thread_timer_id{0x1000};

// What the thread saw at its last look at the queue, so WaitMessage waits
// for something new instead of returning for input the caller left queued.
struct SeenState {
  size_t posted = 0;
  bool quit = false;
  bool paint = false;
  bool timer_due = false;
};
thread_local SeenState seen;
thread_local MSG last_message;
thread_local int in_send_depth = 0;

struct Filter {
  HWND hwnd = nullptr;
  UINT min = 0;
  UINT max = 0;

  bool Range(UINT message) const { return (min == 0 && max == 0) || (message >= min && message <= max); }
  // Caller holds WindowLock().
  bool Window(HWND target) const {
    if (!hwnd) return true;
    if (hwnd == HWND_THREAD_MESSAGES) return target == nullptr;
    return target && user::IsSelfOrDescendantLocked(hwnd, target);
  }
};

DWORD MessageTime(int64_t now) { return static_cast<DWORD>(static_cast<uint64_t>(now / 1000)); }

// The earliest due time of a timer that the filter takes. Caller holds both locks.
int64_t NextMatchingTimerDueLocked(const ThreadQueue& queue, const Filter& filter) {
  if (!filter.Range(WM_TIMER)) return waitcore::kNoDeadline;
  int64_t due = waitcore::kNoDeadline;
  for (const auto& timer : queue.timers)
    if (filter.Window(timer.hwnd)) due = std::min(due, timer.next_due);
  return due;
}

bool HasMatchingPostedLocked(const ThreadQueue& queue, const Filter& filter) {
  for (const auto& msg : queue.posted) {
    // Messages of dead windows count, so the next look drops them.
    if (msg.hwnd && !LookupWindowLocked(msg.hwnd)) return true;
    if (filter.Window(msg.hwnd) && filter.Range(msg.message)) return true;
  }
  return false;
}

void NoteSeenLocked(const ThreadQueue& queue, int64_t now) {
  seen.posted = queue.posted.size();
  seen.quit = queue.quit_posted;
  seen.paint = queue.paint_pending;
  seen.timer_due = queue.NextTimerDue() <= now;
}

void Retrieved(const MSG& msg) { last_message = msg; }

bool PeekCore(MSG* out, const Filter& filter, bool remove) {
  ServeSentMessages();
  auto queue = CurrentThreadQueue();
  bool paint = false;
  {
    std::lock_guard lock(waitcore::Mutex());
    std::lock_guard windows(WindowLock());
    const int64_t now = waitcore::NowHeld();
    NoteSeenLocked(*queue, now);
    auto& posted = queue->posted;
    for (auto it = posted.begin(); it != posted.end();) {
      if (it->hwnd && !LookupWindowLocked(it->hwnd)) {
        it = posted.erase(it);  // never dispatched to a dead handle
        continue;
      }
      if (filter.Window(it->hwnd) && filter.Range(it->message)) {
        *out = *it;
        if (remove) posted.erase(it);
        NoteSeenLocked(*queue, now);
        Retrieved(*out);
        return true;
      }
      ++it;
    }
    if (queue->quit_posted) {
      *out = MSG{};
      out->message = WM_QUIT;
      out->wParam = static_cast<WPARAM>(queue->quit_code);
      out->time = MessageTime(now);
      if (remove) queue->quit_posted = false;
      NoteSeenLocked(*queue, now);
      Retrieved(*out);
      return true;
    }
    paint = queue->paint_pending && filter.Range(WM_PAINT);
  }
  PaintMessageSource source = paint_source.load();
  if (paint && source && source(filter.hwnd, out)) {
    Retrieved(*out);
    return true;
  }
  std::lock_guard lock(waitcore::Mutex());
  std::lock_guard windows(WindowLock());
  if (!filter.Range(WM_TIMER)) return false;
  const int64_t now = waitcore::NowHeld();
  QueueTimer* due = nullptr;
  for (auto& timer : queue->timers) {
    if (timer.next_due > now || !filter.Window(timer.hwnd)) continue;
    if (timer.hwnd && !LookupWindowLocked(timer.hwnd)) continue;
    if (!due || timer.next_due < due->next_due) due = &timer;
  }
  if (!due) return false;
  *out = MSG{};
  out->hwnd = due->hwnd;
  out->message = WM_TIMER;
  out->wParam = due->id;
  out->lParam = reinterpret_cast<LPARAM>(due->proc);
  out->time = MessageTime(now);
  // One pending message per timer: the next counts from this retrieval.
  if (remove) due->next_due = now + static_cast<int64_t>(due->elapse_ms) * 1000;
  NoteSeenLocked(*queue, now);
  Retrieved(*out);
  return true;
}

// Blocks until something the filter takes may be waiting (or a sent message).
// The main thread drives the presentation backend: before it looks at its
// queue, the backend's pending input becomes queued messages. Not re-entered
// from the window procedures that turning input into messages calls.
thread_local bool pumping_input = false;

void PumpInput() {
  if (pumping_input || !IsMainThread() || !backend::HasCurrent()) return;
  pumping_input = true;
  auto queue = CurrentThreadQueue();
  {
    std::lock_guard lock(waitcore::Mutex());
    queue->input_pending = false;
  }
  plat::ScopeExit done([] { pumping_input = false; });
  user::PumpBackendEvents(0);
}

// A backend that must be asked for its events limits how long the driving
// thread may sleep in its queue.
int64_t InputPollDeadline(int64_t until) {
  if (!IsMainThread() || !backend::HasCurrent() || !backend::Current().NeedsPolling()) return until;
  return std::min(until, waitcore::NowHeld() + 10'000);
}

void WaitForMatching(const Filter& filter) {
  auto queue = CurrentThreadQueue();
  std::unique_lock lock(waitcore::Mutex());
  int64_t until = 0;
  {
    std::lock_guard windows(WindowLock());
    until = NextMatchingTimerDueLocked(*queue, filter);
  }
  until = InputPollDeadline(until);
  waitcore::WaitUntil(lock, until, [&] {
    if (!queue->sent.empty() || queue->quit_posted || queue->input_pending) return true;
    if (queue->paint_pending && !filter.hwnd && filter.Range(WM_PAINT)) return true;
    std::lock_guard windows(WindowLock());
    // A timer set or moved meanwhile needs a new deadline.
    return HasMatchingPostedLocked(*queue, filter) || NextMatchingTimerDueLocked(*queue, filter) < until;
  });
}

std::shared_ptr<ThreadQueue> TimerQueue(HWND hwnd) {
  if (!hwnd) return CurrentThreadQueue();
  auto record = LookupWindow(hwnd);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return FindThreadQueue(record->thread_id);
}

void DeliverSent(SentMessage& message) {
  auto record = LookupWindow(message.hwnd);
  if (!record || record->thread_id != GetCurrentThreadId()) return;
  ++in_send_depth;
  struct Leave {
    ~Leave() { --in_send_depth; }
  } leave;
  message.result =
      user::DeliverToWindow(message.hwnd, message.message, message.wParam, message.lParam, true, false);
}

// Sends across threads; false when the receiver went away or time ran out.
bool SendAcross(DWORD thread_id, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, DWORD timeout,
                LRESULT* result) {
  SentMessage sent;
  sent.hwnd = hwnd;
  sent.message = message;
  sent.wParam = wparam;
  sent.lParam = lparam;
  if (!SendToThread(thread_id, sent, timeout)) return false;
  if (sent.error) std::rethrow_exception(sent.error);
  *result = sent.result;
  return true;
}

}  // namespace

namespace user {

void InstallSentMessageDelivery() {
  static std::once_flag once;
  std::call_once(once, [] { SetSentMessageDispatcher(DeliverSent); });
}

void PurgeWindowMessages(HWND hwnd, DWORD thread_id) {
  auto queue = FindThreadQueue(thread_id);
  if (!queue) return;
  std::lock_guard lock(waitcore::Mutex());
  std::erase_if(queue->posted, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
  std::erase_if(queue->timers, [hwnd](const QueueTimer& timer) { return timer.hwnd == hwnd; });
}

}  // namespace user

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!hwnd) return PostThreadMessageA(GetCurrentThreadId(), message, wparam, lparam);
  if (hwnd == HWND_BROADCAST) {
    for (HWND target : user::TopLevelWindows()) PostMessageA(target, message, wparam, lparam);
    return TRUE;
  }
  auto record = LookupWindow(hwnd);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  MSG msg;
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  // A post that races with DestroyWindow is dropped when it is retrieved.
  if (!PostToThread(record->thread_id, msg)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (hwnd == HWND_BROADCAST) {
    for (HWND target : user::TopLevelWindows()) SendMessageA(target, message, wparam, lparam);
    return 0;
  }
  auto record = LookupWindow(hwnd);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (record->thread_id == GetCurrentThreadId())
    return user::DeliverToWindow(hwnd, message, wparam, lparam, true, true);
  LRESULT result = 0;
  SendAcross(record->thread_id, hwnd, message, wparam, lparam, INFINITE, &result);
  return result;
}

LRESULT SendMessageTimeoutA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT, UINT timeout_ms,
                            DWORD_PTR* result) {
  auto record = LookupWindow(hwnd);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LRESULT value = 0;
  if (record->thread_id == GetCurrentThreadId()) {
    value = SendMessageA(hwnd, message, wparam, lparam);
  } else if (!SendAcross(record->thread_id, hwnd, message, wparam, lparam, timeout_ms, &value)) {
    return 0;
  }
  if (result) *result = static_cast<DWORD_PTR>(value);
  return 1;
}

BOOL InSendMessage() { return in_send_depth > 0 ? TRUE : FALSE; }

BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  PumpInput();
  if (!PeekCore(msg, Filter{hwnd, filter_min, filter_max}, (remove & PM_REMOVE) != 0)) return FALSE;
  user::RetrievedMessageHook(msg, remove);
  return TRUE;
}

BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (hwnd && hwnd != HWND_THREAD_MESSAGES && !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  const Filter filter{hwnd, filter_min, filter_max};
  for (;;) {
    PumpInput();
    if (PeekCore(msg, filter, true)) {
      user::RetrievedMessageHook(msg, PM_REMOVE);
      return msg->message == WM_QUIT ? FALSE : TRUE;
    }
    WaitForMatching(filter);
  }
}

BOOL WaitMessage() {
  auto queue = CurrentThreadQueue();
  {
    std::unique_lock lock(waitcore::Mutex());
    const int64_t timer_until = seen.timer_due ? waitcore::kNoDeadline : queue->NextTimerDue();
    const int64_t until = InputPollDeadline(timer_until);
    waitcore::WaitUntil(lock, until, [&] {
      return !queue->sent.empty() || queue->input_pending || queue->posted.size() != seen.posted ||
             (queue->quit_posted && !seen.quit) || (queue->paint_pending && !seen.paint) ||
             (!seen.timer_due && queue->NextTimerDue() < timer_until);
    });
  }
  ServeSentMessages();
  return TRUE;
}

void PostQuitMessage(int exit_code) {
  auto queue = CurrentThreadQueue();
  {
    std::lock_guard lock(waitcore::Mutex());
    queue->quit_posted = true;
    queue->quit_code = exit_code;
  }
  waitcore::NotifyAll();
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (msg->message == WM_TIMER && msg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    // Only a timer that still exists gets its procedure called: lParam is not
    // trusted as a code pointer on its own.
    auto queue = CurrentThreadQueue();
    bool live = false;
    {
      std::lock_guard lock(waitcore::Mutex());
      live = std::any_of(queue->timers.begin(), queue->timers.end(), [&](const QueueTimer& timer) {
        return timer.hwnd == msg->hwnd && timer.id == msg->wParam && timer.proc == proc;
      });
    }
    if (live) proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  if (!msg->hwnd) return 0;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(msg->hwnd);
    if (!record) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (record->thread_id != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
  }
  return user::DeliverToWindow(msg->hwnd, msg->message, msg->wParam, msg->lParam, false, true);
}

namespace {

// The character a key-down stands for when the backend's text input leaves it
// out: that input carries printable characters only, so the control keys
// (Backspace, Enter, Tab, Escape) and Ctrl+letter are made here. Zero: none.
WPARAM ControlCharacter(WPARAM vk) {
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const bool alt = GetKeyState(VK_MENU) < 0;
  if (ctrl && alt) return 0;  // AltGr: the text input has whatever it types
  if (ctrl) {
    if (vk >= 'A' && vk <= 'Z') return vk - 'A' + 1;  // Shift and Caps Lock do not change it
    if (vk == static_cast<WPARAM>(VK_RETURN)) return 0x0A;
    if (vk == static_cast<WPARAM>(VK_BACK)) return 0x7F;
    return 0;
  }
  switch (vk) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
      return vk;  // their key codes are their characters
    default:
      return 0;
  }
}

}  // namespace

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  const WPARAM ch = ControlCharacter(msg->wParam);
  if (!ch) return FALSE;
  auto record = LookupWindow(msg->hwnd);
  if (!record) return FALSE;
  MSG character = *msg;
  character.message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  character.wParam = ch;
  if (record->thread_id != GetCurrentThreadId())
    return PostMessageA(character.hwnd, character.message, ch, character.lParam);
  // The character is the next message the thread takes, ahead of the keys
  // typed after it that are already queued, so typing keeps its order.
  {
    std::lock_guard lock(waitcore::Mutex());
    CurrentThreadQueue()->posted.push_front(character);
  }
  waitcore::NotifyAll();
  return TRUE;
}

DWORD GetQueueStatus(UINT flags) {
  auto queue = CurrentThreadQueue();
  DWORD kinds = 0;
  {
    std::lock_guard lock(waitcore::Mutex());
    for (const auto& msg : queue->posted) {
      if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
        kinds |= QS_KEY;
      else if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
        kinds |= QS_MOUSEBUTTON;
      else
        kinds |= QS_POSTMESSAGE;
    }
    if (queue->quit_posted) kinds |= QS_POSTMESSAGE;
    if (!queue->sent.empty()) kinds |= QS_SENDMESSAGE;
    if (queue->paint_pending) kinds |= QS_PAINT;
    if (queue->NextTimerDue() <= waitcore::NowHeld()) kinds |= QS_TIMER;
  }
  kinds &= flags;
  return MAKELONG(static_cast<WORD>(kinds), static_cast<WORD>(kinds));
}

BOOL GetInputState() { return (GetQueueStatus(QS_INPUT) & 0xFFFF) ? TRUE : FALSE; }

LONG GetMessageTime() { return static_cast<LONG>(last_message.time); }

DWORD GetMessagePos() {
  return MAKELONG(static_cast<WORD>(last_message.pt.x), static_cast<WORD>(last_message.pt.y));
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC proc) {
  auto queue = TimerQueue(hwnd);
  if (!queue) return 0;
  elapse_ms = std::clamp(elapse_ms, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  UINT_PTR result = 0;
  {
    std::lock_guard lock(waitcore::Mutex());
    const int64_t due = waitcore::NowHeld() + static_cast<int64_t>(elapse_ms) * 1000;
    auto existing = std::find_if(queue->timers.begin(), queue->timers.end(), [&](const QueueTimer& timer) {
      return timer.hwnd == hwnd && timer.id == id && (hwnd || id != 0);
    });
    if (existing != queue->timers.end()) {
      existing->elapse_ms = elapse_ms;
      existing->next_due = due;
      existing->proc = proc;
      result = existing->id;
    } else {
      QueueTimer timer;
      timer.hwnd = hwnd;
      timer.id = hwnd ? id : next_thread_timer_id.fetch_add(1);
      timer.elapse_ms = elapse_ms;
      timer.next_due = due;
      timer.proc = proc;
      queue->timers.push_back(timer);
      result = timer.id;
    }
  }
  waitcore::NotifyAll();
  // Success is never zero, even for a window timer with id 0.
  return result ? result : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto queue = TimerQueue(hwnd);
  if (!queue) return FALSE;
  std::lock_guard lock(waitcore::Mutex());
  // Retrieval generates WM_TIMER from the timer itself, so removing the
  // timer also removes its pending message.
  auto removed = std::erase_if(queue->timers,
                               [&](const QueueTimer& timer) { return timer.hwnd == hwnd && timer.id == id; });
  if (!removed) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

void SetPaintMessageSource(PaintMessageSource source) { paint_source.store(source); }

}  // namespace plat
