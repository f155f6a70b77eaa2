#pragma once
// Per-thread message queues: the posted and sent messages and the window
// timers of one thread. The window layer gives them their meaning; here they
// are data that waits can watch. All members are guarded by the wait core's lock.
#include <deque>
#include <exception>
#include <memory>
#include <vector>

#include "platform/kernel/Sync.h"
#include "platform/kernel/Types.h"

namespace plat {

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;
};

// A message sent from another thread, waiting for its receiver.
struct SentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;
  bool dropped = false;  // the receiver ended before handling it
  std::exception_ptr error;
};

using TIMERPROC = void (*)(HWND, UINT, uintptr_t, DWORD);

struct QueueTimer {
  HWND hwnd = nullptr;
  uintptr_t id = 0;
  DWORD elapse_ms = 0;
  int64_t next_due = 0;  // clock time, microseconds
  TIMERPROC proc = nullptr;
};

// Wake masks.
constexpr DWORD QS_KEY = 0x0001;
constexpr DWORD QS_MOUSEMOVE = 0x0002;
constexpr DWORD QS_MOUSEBUTTON = 0x0004;
constexpr DWORD QS_POSTMESSAGE = 0x0008;
constexpr DWORD QS_TIMER = 0x0010;
constexpr DWORD QS_PAINT = 0x0020;
constexpr DWORD QS_SENDMESSAGE = 0x0040;
constexpr DWORD QS_HOTKEY = 0x0080;
constexpr DWORD QS_MOUSE = QS_MOUSEMOVE | QS_MOUSEBUTTON;
constexpr DWORD QS_INPUT = QS_MOUSE | QS_KEY;
constexpr DWORD QS_ALLEVENTS = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY;
constexpr DWORD QS_ALLINPUT = QS_ALLEVENTS | QS_SENDMESSAGE;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;

class ThreadQueue {
 public:
  explicit ThreadQueue(DWORD thread_id) : thread_id(thread_id) {}

  // True when input of the kinds in `wake_mask` is waiting.
  bool HasInput(DWORD wake_mask, int64_t now) const;
  // The earliest due time of this thread's timers, or kNoDeadline.
  int64_t NextTimerDue() const;

  const DWORD thread_id;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::vector<QueueTimer> timers;
  bool quit_posted = false;
  int quit_code = 0;
  // Set by the window layer when windows of this thread need painting.
  bool paint_pending = false;
  // Set when the presentation backend holds input events for this thread.
  bool input_pending = false;
  bool closed = false;
};

DWORD GetCurrentThreadId();
// The process's first thread, which runs the user interface.
DWORD GetMainThreadId();
bool IsMainThread();

// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> CurrentThreadQueue();
// Another thread's queue, or null when that thread has none (or has ended).
std::shared_ptr<ThreadQueue> FindThreadQueue(DWORD thread_id);

// The window layer installs how a sent message is delivered on its receiver.
using SentMessageDispatcher = void (*)(SentMessage& message);
void SetSentMessageDispatcher(SentMessageDispatcher dispatcher);
// Delivers every message sent to the calling thread; returns how many. Call without the wait lock.
int ServeSentMessages();
// Queues `message` for its receiver thread and waits until it was handled,
// serving the caller's own incoming sends meanwhile. Returns false when the
// receiver has no queue or ended before handling it. On the receiver's own
// thread the message is dispatched directly.
bool SendToThread(DWORD thread_id, SentMessage& message, DWORD timeout_ms = INFINITE);

BOOL PostThreadMessageA(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam);
// Tells a thread that input waits for it outside its queue (in the
// presentation backend), so its queue waits wake up and fetch it.
void SignalQueueInput(DWORD thread_id);
// Queues a message (hwnd may be null) for a thread; false when it has no queue.
bool PostToThread(DWORD thread_id, const MSG& message);

// Waits for objects or for input in the calling thread's queue; returns
// WAIT_OBJECT_0 + count for queue input.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all, DWORD milliseconds,
                                DWORD wake_mask);

// The common wait of the layer: waits on handles (none, any or all) and,
// when wake_mask is non-zero, the calling thread's queue.
DWORD WaitForObjectsAndQueue(DWORD count, const HANDLE* handles, bool wait_all, int64_t deadline,
                             DWORD wake_mask);

}  // namespace plat
