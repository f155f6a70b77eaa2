#include "platform/user/Input.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Errors.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Cursor.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"  // styles and z-order fields
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

using user::LookupWindowLocked;
using user::WindowLock;

struct LastPress {
  HWND hwnd = nullptr;
  UINT message = 0;  // the button's down message, client or non-client
  DWORD time = 0;
  POINT screen;
  bool valid = false;
};

struct InputState {
  std::mutex mutex;              // never held while a window procedure runs or with WindowLock()
  std::array<BYTE, 256> keys{};  // the keyboard now: 0x80 down, 0x01 toggled
  std::array<bool, 256> pressed_since_query{};
  HWND capture = nullptr;
  HWND tracked = nullptr;  // TrackMouseEvent with TME_LEAVE
  bool tracked_nonclient = false;
  HWND under_pointer = nullptr;
  bool under_pointer_nonclient = false;
  LastPress last_press;
  UINT double_click_ms = 500;
};

InputState& State() {
  static auto* state = new InputState;
  return *state;
}

// GetKeyState's view: updated as the thread retrieves input messages.
thread_local std::array<BYTE, 256> thread_keys{};

// ---- geometry from the window record ----------------------------------------

// The window and client rectangles on the screen. Caller holds WindowLock().
bool RectsOnScreenLocked(HWND hwnd, RECT* window, RECT* client) {
  auto record = LookupWindowLocked(hwnd);
  if (!record) return false;
  POINT origin{record->window_rect.left, record->window_rect.top};
  for (auto parent = LookupWindowLocked(record->parent); parent;
       parent = LookupWindowLocked(parent->parent)) {
    origin.x += parent->window_rect.left + parent->client_rect.left;
    origin.y += parent->window_rect.top + parent->client_rect.top;
  }
  const LONG width = record->window_rect.right - record->window_rect.left;
  const LONG height = record->window_rect.bottom - record->window_rect.top;
  *window = RECT{origin.x, origin.y, origin.x + width, origin.y + height};
  const RECT& c = record->client_rect;
  *client = c.right > c.left || c.bottom > c.top
                ? RECT{origin.x + c.left, origin.y + c.top, origin.x + c.right, origin.y + c.bottom}
                : *window;
  return true;
}

bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

POINT ToClient(HWND hwnd, POINT screen) {
  std::lock_guard lock(WindowLock());
  RECT window, client;
  if (!RectsOnScreenLocked(hwnd, &window, &client)) return screen;
  return POINT{screen.x - client.left, screen.y - client.top};
}

// Visible windows under the point, deepest first within each top-level
// window, top-level windows topmost first. The backend names the top-level
// window the pointer is over on the screen where it knows it: then only that
// window's tree is searched, whatever order the layer keeps.
std::vector<HWND> CandidatesAt(POINT screen, HWND shown_top) {
  std::vector<HWND> out;
  std::vector<HWND> top_levels = user::TopLevelWindows();
  if (shown_top && std::find(top_levels.begin(), top_levels.end(), shown_top) != top_levels.end())
    top_levels.assign(1, shown_top);
  std::lock_guard lock(WindowLock());
  std::vector<std::shared_ptr<user::WindowRecord>> tops;
  for (HWND hwnd : top_levels)
    if (auto record = LookupWindowLocked(hwnd); record && (record->style & WS_VISIBLE))
      tops.push_back(record);
  std::stable_sort(tops.begin(), tops.end(), [](const auto& a, const auto& b) {
    const bool a_top = a->ex_style & WS_EX_TOPMOST, b_top = b->ex_style & WS_EX_TOPMOST;
    if (a_top != b_top) return a_top;
    if (a->z != b->z) return a->z > b->z;
    return a->hwnd > b->hwnd;  // made later: nearer the top
  });
  // Appends the deepest descendants first, then the window itself.
  auto walk = [&](auto& self, const std::shared_ptr<user::WindowRecord>& record) -> void {
    RECT window, client;
    if (!RectsOnScreenLocked(record->hwnd, &window, &client) || !Contains(window, screen)) return;
    if (Contains(client, screen)) {
      for (HWND child : record->children) {
        auto c = LookupWindowLocked(child);
        // Topmost first; siblings beneath stay candidates for HTTRANSPARENT.
        if (c && (c->style & WS_VISIBLE)) self(self, c);
      }
    }
    out.push_back(record->hwnd);
  };
  for (auto& top : tops) walk(walk, top);
  return out;
}

// ---- posting ------------------------------------------------------------------

void PostInput(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, POINT screen) {
  auto record = user::LookupWindow(hwnd);
  if (!record) return;
  MSG msg;
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  msg.time = GetTickCount();
  msg.pt = screen;
  PostToThread(record->thread_id, msg);
}

LPARAM PointParam(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

bool EnabledLocked(HWND hwnd) {
  auto record = LookupWindowLocked(hwnd);
  return record && !(record->style & WS_DISABLED);
}

bool Enabled(HWND hwnd) {
  std::lock_guard lock(WindowLock());
  return EnabledLocked(hwnd);
}

bool ClassHasDoubleClicks(HWND hwnd) {
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  return record && (record->window_class->style & CS_DBLCLKS);
}

HWND TopOf(HWND hwnd) {
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  while (record && record->parent) record = LookupWindowLocked(record->parent);
  return record ? record->hwnd : nullptr;
}

// A control takes input only while its top-level window does: a modal dialog
// disables its owner, and with it every control inside.
bool TopEnabled(HWND hwnd) { return Enabled(TopOf(hwnd)); }

// A press on a window disabled by a modal dialog brings the dialog forward,
// where the desktop may have stacked it under its owner.
void ShowModalOver(HWND disabled_top) {
  HWND active = GetActiveWindow();
  if (!active || active == disabled_top || !IsWindowVisible(active) || !Enabled(active)) return;
  BringWindowToTop(active);
}

UINT DownMessage(backend::MouseButton button) {
  switch (button) {
    case backend::MouseButton::Left:
      return WM_LBUTTONDOWN;
    case backend::MouseButton::Right:
      return WM_RBUTTONDOWN;
    case backend::MouseButton::Middle:
      return WM_MBUTTONDOWN;
    default:
      return 0;
  }
}

int ButtonVk(backend::MouseButton button) {
  switch (button) {
    case backend::MouseButton::Left:
      return VK_LBUTTON;
    case backend::MouseButton::Right:
      return VK_RBUTTON;
    case backend::MouseButton::Middle:
      return VK_MBUTTON;
    case backend::MouseButton::X1:
      return VK_XBUTTON1;
    case backend::MouseButton::X2:
      return VK_XBUTTON2;
    default:
      return 0;
  }
}

void SetAsyncKey(int vk, bool down) {
  if (vk <= 0 || vk > 255) return;
  auto& state = State();
  std::lock_guard lock(state.mutex);
  BYTE& key = state.keys[static_cast<size_t>(vk)];
  if (down && !(key & 0x80)) {
    key ^= 0x01;  // toggles on each press
    state.pressed_since_query[static_cast<size_t>(vk)] = true;
  }
  key = static_cast<BYTE>(down ? (key | 0x80) : (key & ~0x80));
}

// Sends WM_MOUSELEAVE to a tracked window the pointer is no longer over.
void CheckLeave(HWND now_under, bool nonclient) {
  HWND leave = nullptr;
  bool leave_nonclient = false;
  {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    state.under_pointer = now_under;
    state.under_pointer_nonclient = nonclient;
    if (state.tracked && (state.tracked != now_under || state.tracked_nonclient != nonclient)) {
      leave = state.tracked;
      leave_nonclient = state.tracked_nonclient;
      state.tracked = nullptr;
    }
  }
  if (leave) PostInput(leave, leave_nonclient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0, POINT{});
}

void HandleMouse(const backend::Event& e) {
  const POINT screen = e.screen;
  const UINT down_message = DownMessage(e.button);
  if (e.type == backend::EventType::MouseDown || e.type == backend::EventType::MouseUp)
    SetAsyncKey(ButtonVk(e.button), e.type == backend::EventType::MouseDown);
  const WPARAM keys =
      e.keys & (MK_LBUTTON | MK_RBUTTON | MK_SHIFT | MK_CONTROL | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2);

  if (e.type == backend::EventType::MouseWheel) {
    HWND focus = GetFocus();
    if (!focus) focus = GetActiveWindow();
    if (!focus || !Enabled(focus)) return;
    const auto delta = static_cast<WORD>(static_cast<SHORT>(e.wheel_delta));
    PostInput(focus, e.horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL,
              MAKEWPARAM(static_cast<WORD>(keys), delta), PointParam(screen), screen);
    return;
  }

  // The window under the pointer: the first candidate whose hit test does not pass it on.
  HWND hwnd = nullptr;
  LRESULT hit = HTNOWHERE;
  for (HWND candidate : CandidatesAt(screen, e.window)) {
    hit = user::HitTest(candidate, screen);
    if (hit != HTTRANSPARENT) {
      hwnd = candidate;
      break;
    }
  }
  // Disabled children leave the click to their parent; a disabled top-level window takes none.
  if (hwnd && !TopEnabled(hwnd)) {
    if (e.type == backend::EventType::MouseDown) ShowModalOver(TopOf(hwnd));
    hwnd = nullptr;
  }
  while (hwnd && !Enabled(hwnd)) {
    auto record = user::LookupWindow(hwnd);
    hwnd = record && (record->style & WS_CHILD) ? record->parent : nullptr;
    if (hwnd) hit = user::HitTest(hwnd, screen);
  }

  HWND capture = GetCapture();
  CheckLeave(hwnd, hwnd && hit != HTCLIENT);
  HWND target = capture ? capture : hwnd;
  if (!target) return;
  if (capture) hit = HTCLIENT;

  UINT message = WM_MOUSEMOVE;
  if (e.type != backend::EventType::MouseMove) {
    if (!down_message) return;
    message = e.type == backend::EventType::MouseDown ? down_message : down_message + 1;
  }
  const bool client = hit == HTCLIENT;
  if (!capture) {
    SendMessageA(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                 MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(hit)), static_cast<WORD>(message)));
  }
  if (e.type == backend::EventType::MouseDown && !capture) {
    const HWND top = TopOf(target);
    if (top && top != GetActiveWindow()) {
      const LRESULT answer =
          SendMessageA(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                       MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(hit)), static_cast<WORD>(message)));
      if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) user::Activate(top, true);
      if (answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT) return;
      if (!IsWindow(target)) return;
    }
  }
  if (e.type == backend::EventType::MouseDown) {
    // A second press of the same button, soon enough and near enough, is a double click.
    const DWORD now = GetTickCount();
    // SM_CXDOUBLECLK by SM_CYDOUBLECLK (4 by 4), centred on the first press.
    constexpr int dx = 2;
    constexpr int dy = 2;
    auto& state = State();
    std::lock_guard lock(state.mutex);
    LastPress& last = state.last_press;
    const bool twice = last.valid && last.hwnd == target &&
                       last.message == (client ? message : message - 0x160) &&
                       now - last.time <= state.double_click_ms && std::abs(screen.x - last.screen.x) <= dx &&
                       std::abs(screen.y - last.screen.y) <= dy;
    if (twice && (!client || ClassHasDoubleClicks(target))) {
      message += 2;
      last.valid = false;
    } else {
      last = LastPress{target, client ? message : message - 0x160, now, screen, true};
    }
  }
  if (client) {
    PostInput(target, message, keys, PointParam(ToClient(target, screen)), screen);
  } else {
    // WM_LBUTTONDOWN (0x201) - 0x160 = WM_NCLBUTTONDOWN (0xA1), and so on; moves likewise.
    PostInput(target, message - 0x160, static_cast<WPARAM>(hit), PointParam(screen), screen);
  }
}

// Characters of the text as the ANSI messages carry them: Latin-1, else '?'.
std::vector<WPARAM> Characters(const std::string& utf8) {
  std::vector<WPARAM> out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    uint32_t code = c;
    size_t length = 1;
    if (c >= 0xF0) {
      length = 4;
      code = c & 0x07;
    } else if (c >= 0xE0) {
      length = 3;
      code = c & 0x0F;
    } else if (c >= 0xC0) {
      length = 2;
      code = c & 0x1F;
    }
    for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += length;
    out.push_back(code <= 0xFF ? code : '?');
  }
  return out;
}

HWND KeyTarget(bool* no_focus) {
  HWND focus = GetFocus();
  *no_focus = !focus;
  // Without a focus window the active window hears the keys as system keys.
  if (!focus) focus = GetActiveWindow();
  if (!focus || !Enabled(focus) || !TopEnabled(focus)) return nullptr;
  return focus;
}

void HandleKey(const backend::Event& e) {
  const bool down = e.type == backend::EventType::KeyDown;
  bool was_down = false;
  {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    was_down = state.keys[e.vk & 0xFF] & 0x80;
  }
  SetAsyncKey(static_cast<int>(e.vk), down);
  bool no_focus = false;
  HWND target = KeyTarget(&no_focus);
  if (!target || !e.vk) return;
  const bool control = GetAsyncKeyState(VK_CONTROL) < 0;
  const bool system = no_focus || (e.alt && !control) || e.vk == VK_F10;
  LPARAM lparam = 1 | static_cast<LPARAM>((e.scan & 0xFF) << 16);
  if (e.extended) lparam |= KF_EXTENDED_BIT;
  if (e.alt) lparam |= KF_ALTDOWN_BIT;
  if (down ? (was_down || e.repeat) : true) lparam |= KF_REPEAT_BIT;
  if (!down) lparam |= KF_UP_BIT;
  const UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  PostInput(target, message, e.vk, lparam, backend::Current().CursorPos());
}

void HandleText(const backend::Event& e) {
  bool no_focus = false;
  HWND target = KeyTarget(&no_focus);
  if (!target) return;
  const bool alt = GetAsyncKeyState(VK_MENU) < 0 && GetAsyncKeyState(VK_CONTROL) >= 0;
  for (WPARAM c : Characters(e.text))
    PostInput(target, alt || no_focus ? WM_SYSCHAR : WM_CHAR, c, 1, POINT{});
}

using WindowEventHandler = void (*)(const backend::Event&);
std::atomic<WindowEventHandler> window_event_handler{nullptr};

class Sink : public backend::EventSink {
 public:
  void OnEvent(const backend::Event& e) override {
    switch (e.type) {
      case backend::EventType::MouseMove:
      case backend::EventType::MouseDown:
      case backend::EventType::MouseUp:
      case backend::EventType::MouseWheel:
        HandleMouse(e);
        break;
      case backend::EventType::MouseLeave: {
        // Left the top-level window for the desktop or another window.
        HWND top = nullptr;
        {
          auto& state = State();
          std::lock_guard lock(state.mutex);
          top = state.under_pointer;
        }
        if (top && TopOf(top) == e.window) CheckLeave(nullptr, false);
        break;
      }
      case backend::EventType::KeyDown:
      case backend::EventType::KeyUp:
        HandleKey(e);
        break;
      case backend::EventType::Text:
        HandleText(e);
        break;
      case backend::EventType::FocusGained:
      case backend::EventType::FocusLost:
        if (IsWindow(e.window))
          user::BackendFocusChanged(e.window, e.type == backend::EventType::FocusGained);
        break;
      case backend::EventType::CloseRequested:
        // The window manager's close button works as the system menu's Close.
        if (IsWindow(e.window)) PostMessageA(e.window, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
      default:
        if (WindowEventHandler handler = window_event_handler.load()) handler(e);
        break;
    }
  }
};

// The default procedure's WM_MOUSEACTIVATE: a child lets its parent decide.
bool DefaultMouseActivate(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message != WM_MOUSEACTIVATE) return false;
  HWND parent = nullptr;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (record && (record->style & WS_CHILD)) parent = record->parent;
  }
  *result = parent ? SendMessageA(parent, WM_MOUSEACTIVATE, wparam, lparam) : 0;
  if (!*result) *result = MA_ACTIVATE;
  return true;
}

}  // namespace

namespace user {

void InstallInputDefaults() {
  static std::once_flag once;
  std::call_once(once, [] {
    AddDefWindowProcHandler(DefaultSetCursor);
    AddDefWindowProcHandler(DefaultMouseActivate);
  });
}

void SetWindowEventHandler(void (*handler)(const backend::Event&)) { window_event_handler.store(handler); }

int PumpBackendEvents(DWORD timeout_ms) {
  InstallInputDefaults();
  Sink sink;
  return backend::Current().PollEvents(sink, timeout_ms);
}

LRESULT HitTest(HWND hwnd, POINT screen_point) {
  return SendMessageA(hwnd, WM_NCHITTEST, 0, PointParam(screen_point));
}

void NoteRetrievedInput(const MSG& msg) {
  auto set = [](int vk, bool down) {
    if (vk <= 0 || vk > 255) return;
    BYTE& key = thread_keys[static_cast<size_t>(vk)];
    if (down && !(key & 0x80)) key ^= 0x01;
    key = static_cast<BYTE>(down ? (key | 0x80) : (key & ~0x80));
  };
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      set(static_cast<int>(msg.wParam), true);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      set(static_cast<int>(msg.wParam), false);
      break;
    default:
      if ((msg.message >= WM_MOUSEMOVE && msg.message <= WM_MBUTTONDBLCLK) ||
          (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK)) {
        // Button states as the message reports them.
        const WPARAM keys = msg.message >= WM_MOUSEMOVE ? msg.wParam : 0;
        if (msg.message >= WM_MOUSEMOVE) {
          set(VK_LBUTTON, keys & MK_LBUTTON);
          set(VK_RBUTTON, keys & MK_RBUTTON);
          set(VK_MBUTTON, keys & MK_MBUTTON);
        }
      }
      break;
  }
}

void ForgetInputWindow(HWND hwnd) {
  {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    if (state.capture == hwnd) state.capture = nullptr;
    if (state.tracked == hwnd) state.tracked = nullptr;
    if (state.under_pointer == hwnd) state.under_pointer = nullptr;
    if (state.last_press.hwnd == hwnd) state.last_press.valid = false;
  }
  ForgetWindow(hwnd);
}

}  // namespace user

HWND SetCapture(HWND hwnd) {
  auto record = user::LookupWindow(hwnd);
  if (!record || record->thread_id != GetCurrentThreadId()) {
    SetLastError(record ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND previous = nullptr;
  {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    previous = state.capture;
    state.capture = hwnd;
  }
  if (previous != hwnd) {
    if (previous && IsWindow(previous))
      SendMessageA(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    backend::Current().SetCapture(TopOf(hwnd));
  }
  return previous;
}

BOOL ReleaseCapture() {
  HWND previous = nullptr;
  {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    previous = state.capture;
    state.capture = nullptr;
  }
  if (previous) {
    backend::Current().SetCapture(nullptr);
    if (IsWindow(previous)) SendMessageA(previous, WM_CAPTURECHANGED, 0, 0);
  }
  return TRUE;
}

HWND GetCapture() {
  auto& state = State();
  std::lock_guard lock(state.mutex);
  return state.capture;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
  if (!track || track->cbSize < 16) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto& state = State();
  if (track->dwFlags & TME_QUERY) {
    std::lock_guard lock(state.mutex);
    track->dwFlags = state.tracked ? (TME_LEAVE | (state.tracked_nonclient ? TME_NONCLIENT : 0)) : 0;
    track->hwndTrack = state.tracked;
    return TRUE;
  }
  if (!IsWindow(track->hwndTrack)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!(track->dwFlags & TME_LEAVE)) return TRUE;  // hover notices are not generated
  const bool nonclient = track->dwFlags & TME_NONCLIENT;
  bool outside = false;
  {
    std::lock_guard lock(state.mutex);
    if (track->dwFlags & TME_CANCEL) {
      if (state.tracked == track->hwndTrack) state.tracked = nullptr;
      return TRUE;
    }
    // Asking while the pointer is already elsewhere gets the notice at once.
    outside = state.under_pointer != track->hwndTrack || state.under_pointer_nonclient != nonclient;
    if (!outside) {
      state.tracked = track->hwndTrack;
      state.tracked_nonclient = nonclient;
    }
  }
  if (outside) PostInput(track->hwndTrack, nonclient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0, POINT{});
  return TRUE;
}

SHORT GetKeyState(int vk) {
  if (vk <= 0 || vk > 255) return 0;
  const BYTE key = thread_keys[static_cast<size_t>(vk)];
  return static_cast<SHORT>(((key & 0x80) ? 0x8000 : 0) | (key & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  if (vk <= 0 || vk > 255) return 0;
  auto& state = State();
  std::lock_guard lock(state.mutex);
  const bool pressed = std::exchange(state.pressed_since_query[static_cast<size_t>(vk)], false);
  return static_cast<SHORT>(((state.keys[static_cast<size_t>(vk)] & 0x80) ? 0x8000 : 0) | (pressed ? 1 : 0));
}

BOOL GetKeyboardState(BYTE* keys) {
  if (!keys) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::copy(thread_keys.begin(), thread_keys.end(), keys);
  return TRUE;
}

BOOL SetKeyboardState(const BYTE* keys) {
  if (!keys) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::copy(keys, keys + 256, thread_keys.begin());
  return TRUE;
}

UINT GetDoubleClickTime() {
  auto& state = State();
  std::lock_guard lock(state.mutex);
  return state.double_click_ms;
}

BOOL SetDoubleClickTime(UINT milliseconds) {
  auto& state = State();
  std::lock_guard lock(state.mutex);
  state.double_click_ms = milliseconds ? milliseconds : 500;
  return TRUE;
}

}  // namespace plat
