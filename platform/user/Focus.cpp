#include "platform/user/Focus.h"

#include <map>
#include <mutex>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/kernel/Errors.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Messages.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

struct ThreadFocus {
  HWND focus = nullptr;
  HWND active = nullptr;
};

struct FocusState {
  std::mutex mutex;  // never held while a window procedure runs or with WindowLock()
  std::map<DWORD, ThreadFocus> threads;
  HWND foreground = nullptr;
};

FocusState& State() {
  static auto* state = new FocusState;
  return *state;
}

ThreadFocus Mine() {
  auto& state = State();
  std::lock_guard lock(state.mutex);
  return state.threads[GetCurrentThreadId()];
}

struct Facts {
  bool exists = false;
  DWORD thread = 0;
  HWND top = nullptr;
  bool usable = true;  // it and its ancestors are enabled and not minimised
};

Facts FactsOf(HWND hwnd) {
  Facts facts;
  std::lock_guard lock(user::WindowLock());
  auto record = user::LookupWindowLocked(hwnd);
  if (!record) return facts;
  facts.exists = true;
  facts.thread = record->thread_id;
  for (; record; record = user::LookupWindowLocked(record->parent)) {
    if (record->style & (WS_DISABLED | WS_MINIMIZE)) facts.usable = false;
    facts.top = record->hwnd;
  }
  return facts;
}

bool Within(HWND ancestor, HWND hwnd) {
  std::lock_guard lock(user::WindowLock());
  return ancestor && user::IsSelfOrDescendantLocked(ancestor, hwnd);
}

// Moves the focus without asking anyone; both windows hear of it.
void MoveFocus(HWND to) {
  HWND from = nullptr;
  {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    auto& mine = state.threads[GetCurrentThreadId()];
    from = mine.focus;
    if (from == to) return;
    mine.focus = to;
  }
  if (from && IsWindow(from)) SendMessageA(from, WM_KILLFOCUS, reinterpret_cast<WPARAM>(to), 0);
  // A KILLFOCUS handler may have moved the focus on.
  if (to && Mine().focus == to && IsWindow(to))
    SendMessageA(to, WM_SETFOCUS, reinterpret_cast<WPARAM>(from), 0);
}

void SendActivateApp(DWORD thread, bool active, DWORD other_thread) {
  for (HWND top : user::TopLevelWindows()) {
    auto record = user::LookupWindow(top);
    if (record && record->thread_id == thread)
      SendMessageA(top, WM_ACTIVATEAPP, active ? TRUE : FALSE, static_cast<LPARAM>(other_thread));
  }
}

// The default procedure: an activated window takes the focus unless it is minimised.
bool DefaultFocusHandling(HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  if (message != WM_ACTIVATE) return false;
  if (LOWORD(wparam) != WA_INACTIVE && !HIWORD(wparam) && !Within(hwnd, Mine().focus)) SetFocus(hwnd);
  *result = 0;
  return true;
}

void InstallDefaults() {
  static std::once_flag once;
  std::call_once(once, [] { AddDefWindowProcHandler(DefaultFocusHandling); });
}

// Set while a window manager's own focus change is followed: it has already
// raised and focused the window, and asking it again would answer with focus
// events of its own, back and forth.
thread_local bool following_desktop = false;

}  // namespace

namespace user {

bool Activate(HWND hwnd, bool by_mouse) {
  InstallDefaults();
  const Facts facts = FactsOf(hwnd);
  if (!facts.exists || facts.thread != GetCurrentThreadId() || facts.top != hwnd) return false;
  {
    auto record = LookupWindow(hwnd);
    if (!record || (record->style & WS_DISABLED)) return false;
  }
  const ThreadFocus before = Mine();
  if (before.active == hwnd) {
    std::lock_guard lock(State().mutex);
    State().foreground = hwnd;
    return true;
  }
  CBTACTIVATESTRUCT cbt;
  cbt.fMouse = by_mouse ? TRUE : FALSE;
  cbt.hWndActive = before.active;
  if (CbtRefuses(HCBT_ACTIVATE, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&cbt))) return false;

  HWND old_foreground = nullptr;
  {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    state.threads[GetCurrentThreadId()].active = hwnd;
    old_foreground = state.foreground;
    state.foreground = hwnd;
  }
  const DWORD me = GetCurrentThreadId();
  DWORD old_thread = 0;
  if (auto record = LookupWindow(old_foreground)) old_thread = record->thread_id;
  if (before.active && IsWindow(before.active)) {
    SendMessageA(before.active, WM_NCACTIVATE, FALSE, 0);
    SendMessageA(before.active, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
  }
  if (old_thread != me) {
    if (old_thread) SendActivateApp(old_thread, false, me);
    SendActivateApp(me, true, old_thread);
  }
  if (!IsWindow(hwnd)) return false;
  SendMessageA(hwnd, WM_NCACTIVATE, TRUE, 0);
  const bool minimized = (GetWindowLongA(hwnd, GWL_STYLE) & static_cast<LONG>(WS_MINIMIZE)) != 0;
  SendMessageA(hwnd, WM_ACTIVATE, MAKELONG(by_mouse ? WA_CLICKACTIVE : WA_ACTIVE, minimized ? 1 : 0),
               reinterpret_cast<LPARAM>(before.active));
  // Focus left in a window that is no longer active goes.
  const HWND focus = Mine().focus;
  if (focus && !Within(hwnd, focus)) MoveFocus(nullptr);
  if (auto record = LookupWindow(hwnd); record && record->backend_open && !following_desktop)
    backend::Current().Raise(hwnd);
  return true;
}

void ForgetWindow(HWND hwnd) {
  auto& state = State();
  std::lock_guard lock(state.mutex);
  for (auto& [thread, focus] : state.threads) {
    if (focus.focus == hwnd) focus.focus = nullptr;
    if (focus.active == hwnd) focus.active = nullptr;
  }
  if (state.foreground == hwnd) state.foreground = nullptr;
}

void BackendFocusChanged(HWND top_level, bool gained) {
  if (gained) {
    if (Mine().active == top_level) return;
    if (!backend::Current().WindowManagerRuns()) {
      Activate(top_level, false);
      return;
    }
    // A hidden window (the application's own) is nothing a user can work in.
    if (!IsWindowVisible(top_level)) return;
    following_desktop = true;
    ScopeExit done([] { following_desktop = false; });
    Activate(top_level, false);
    return;
  }
  // The desktop took the focus: the active window stays, but shown inactive.
  HWND active = Mine().active;
  if (active == top_level && IsWindow(active)) SendMessageA(active, WM_NCACTIVATE, FALSE, 0);
}

}  // namespace user

HWND SetFocus(HWND hwnd) {
  const ThreadFocus before = Mine();
  if (!hwnd) {
    if (before.focus && user::CbtRefuses(HCBT_SETFOCUS, 0, reinterpret_cast<LPARAM>(before.focus)))
      return nullptr;
    MoveFocus(nullptr);
    return before.focus;
  }
  const Facts facts = FactsOf(hwnd);
  if (!facts.exists) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (facts.thread != GetCurrentThreadId()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (!facts.usable) return nullptr;
  if (before.focus == hwnd) return hwnd;
  if (user::CbtRefuses(HCBT_SETFOCUS, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(before.focus)))
    return nullptr;
  if (Mine().active != facts.top) {
    if (!user::Activate(facts.top, false)) return nullptr;
    if (!IsWindow(hwnd)) return nullptr;
  }
  const HWND previous = Mine().focus;
  MoveFocus(hwnd);
  return previous;
}

HWND GetFocus() { return Mine().focus; }

HWND SetActiveWindow(HWND hwnd) {
  const HWND previous = Mine().active;
  if (!hwnd) return previous;
  if (!user::Activate(hwnd, false)) return nullptr;
  return previous;
}

HWND GetActiveWindow() { return Mine().active; }

BOOL SetForegroundWindow(HWND hwnd) {
  const Facts facts = FactsOf(hwnd);
  if (!facts.exists) return FALSE;
  // Another thread activates its own windows.
  if (facts.thread != GetCurrentThreadId()) return FALSE;
  return user::Activate(facts.top, false) ? TRUE : FALSE;
}

HWND GetForegroundWindow() {
  auto& state = State();
  std::lock_guard lock(state.mutex);
  return state.foreground;
}

}  // namespace plat
