#pragma once
// The window layer's side of the per-thread queues: posting and sending to
// windows, retrieval with filters, dispatch, and window timers. Retrieval
// serves sent messages first, then posted messages, WM_QUIT, WM_PAINT and
// finally due timers.
#include <cstdint>

#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Types.h"
#include "platform/user/Window.h"

namespace plat {

using DWORD_PTR = uintptr_t;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_BLOCK = 0x0001;
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;
constexpr UINT SMTO_NOTIMEOUTIFNOTHUNG = 0x0008;

constexpr UINT USER_TIMER_MINIMUM = 0x0000000A;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// The hwnd filter of PeekMessageA/GetMessageA that takes thread messages only.
inline HWND const HWND_THREAD_MESSAGES = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

// A null hwnd posts a thread message to the calling thread.
BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// Calls the procedure directly on the owner thread; from another thread the
// sender waits (serving sends to itself) and an exception thrown by the
// procedure is rethrown in the sender.
LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// Zero on time-out (last error ERROR_TIMEOUT) or an invalid window.
LRESULT SendMessageTimeoutA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT flags,
                            UINT timeout_ms, DWORD_PTR* result);
// True while the calling thread handles a message sent from another thread.
BOOL InSendMessage();

// hwnd: null for every message of the thread, a window for it and its
// children, HWND_THREAD_MESSAGES for thread messages. A range of 0..0 takes
// every message; WM_QUIT is taken whatever the filter.
BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove);
// Blocks; 0 for WM_QUIT, -1 for an invalid window filter.
BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max);
// Blocks until input arrives that the thread has not yet looked at.
BOOL WaitMessage();
void PostQuitMessage(int exit_code);
LRESULT DispatchMessageA(const MSG* msg);
// Printable characters come from the backend's text input; this posts the
// characters of the control keys and Ctrl+letter for a key-down.
BOOL TranslateMessage(const MSG* msg);
// Both words hold the kinds of input waiting now.
DWORD GetQueueStatus(UINT flags);
BOOL GetInputState();
LONG GetMessageTime();
DWORD GetMessagePos();

// A window timer belongs to the window's thread; a null hwnd makes a thread
// timer with a new id (unless `id` names one of this thread's). An existing
// timer of the same window and id is replaced. Elapse is clamped to
// USER_TIMER_MINIMUM..USER_TIMER_MAXIMUM. Each timer has at most one WM_TIMER
// pending; the next is due `elapse` after that one was retrieved.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC proc);
// Also drops the WM_TIMER it has pending.
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// The painting unit supplies WM_PAINT for retrieval: it fills `msg` with a
// paint message for a window that matches `hwnd_filter` and returns true.
// Called without locks, only when the queue's paint_pending flag is set.
using PaintMessageSource = bool (*)(HWND hwnd_filter, MSG* msg);
void SetPaintMessageSource(PaintMessageSource source);

}  // namespace plat
