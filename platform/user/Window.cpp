#include "platform/user/Window.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstring>
#include <exception>

#include "platform/kernel/Errors.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Atoms.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Icon.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace user {

namespace {

constexpr LONG ERROR_TLW_WITH_WSCHILD = 1406;

struct WindowTable {
  std::mutex mutex;
  // Handles only grow, so the map keeps creation order.
  std::map<uintptr_t, std::shared_ptr<WindowRecord>> windows;
  std::map<std::string, std::shared_ptr<WindowClass>> classes;  // by folded name
  // Starts above the range of integer atoms and the special handle values.
  uintptr_t next_handle = 0x10000;
};

// Never destroyed: windows of threads that end after main still unregister.
WindowTable& Table() {
  static auto* table = new WindowTable;
  return *table;
}

uintptr_t Key(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }

std::string Folded(const char* name) {
  std::string key = name;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
  return key;
}

std::shared_ptr<WindowClass> FindClassLocked(const char* name) {
  if (!name) return nullptr;
  auto& classes = Table().classes;
  if (IS_INTRESOURCE(name)) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
    for (auto& [key, window_class] : classes)
      if (window_class->atom == atom) return window_class;
    return nullptr;
  }
  auto found = classes.find(Folded(name));
  return found == classes.end() ? nullptr : found->second;
}

// Unlinks a window from the table; its thread's queue forgets it afterwards.
void RemoveWindow(HWND hwnd) {
  std::vector<ATOM> atoms;
  DWORD thread_id = 0;
  bool native = false;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    native = record && record->backend_open;
  }
  if (native) CloseNativeWindow(hwnd);
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return;
    thread_id = record->thread_id;
    if (auto parent = LookupWindowLocked(record->parent)) std::erase(parent->children, hwnd);
    for (auto& [atom, prop] : record->props)
      if (prop.owns_atom) atoms.push_back(atom);
    record->props.clear();
    Table().windows.erase(Key(hwnd));
  }
  for (ATOM atom : atoms) GlobalDeleteAtom(atom);
  PurgeWindowMessages(hwnd, thread_id);
  ForgetInputWindow(hwnd);
}

// Windows whose thread ends go with it, without messages: their procedures
// may belong to objects of that thread that are already gone.
struct ThreadWindows {
  bool created = false;
  ~ThreadWindows() {
    if (!created) return;
    const DWORD thread_id = GetCurrentThreadId();
    std::vector<HWND> mine;
    {
      std::lock_guard lock(WindowLock());
      for (auto& [key, record] : Table().windows)
        if (record->thread_id == thread_id) mine.push_back(record->hwnd);
    }
    for (HWND hwnd : mine) RemoveWindow(hwnd);
  }
};
thread_local ThreadWindows thread_windows;

// Pre-order list of a window and its descendants. Caller holds the lock.
void CollectTreeLocked(HWND hwnd, std::vector<HWND>* out) {
  auto record = LookupWindowLocked(hwnd);
  if (!record) return;
  out->push_back(hwnd);
  for (HWND child : record->children) CollectTreeLocked(child, out);
}

constexpr size_t kMaxDefHandlers = 16;
std::array<std::atomic<DefWindowProcHandler>, kMaxDefHandlers> def_handlers{};
std::atomic<size_t> def_handler_count{0};

}  // namespace

std::mutex& WindowLock() { return Table().mutex; }

std::shared_ptr<WindowRecord> LookupWindowLocked(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto& windows = Table().windows;
  auto found = windows.find(Key(hwnd));
  return found == windows.end() ? nullptr : found->second;
}

std::shared_ptr<WindowRecord> LookupWindow(HWND hwnd) {
  std::lock_guard lock(WindowLock());
  return LookupWindowLocked(hwnd);
}

bool IsSelfOrDescendantLocked(HWND ancestor, HWND hwnd) {
  for (auto record = LookupWindowLocked(hwnd); record; record = LookupWindowLocked(record->parent))
    if (record->hwnd == ancestor) return true;
  return false;
}

std::vector<HWND> TopLevelWindows() {
  std::lock_guard lock(WindowLock());
  return TopLevelWindowsLocked();
}

std::vector<HWND> TopLevelWindowsLocked() {
  std::vector<HWND> result;
  for (auto& [key, record] : Table().windows)
    if (!record->parent && !record->message_only) result.push_back(record->hwnd);
  return result;
}

}  // namespace user

using user::LookupWindow;
using user::LookupWindowLocked;
using user::WindowLock;

namespace {

ATOM RegisterClassCommon(const WNDCLASSEXA& source) {
  if (!source.lpszClassName || IS_INTRESOURCE(source.lpszClassName) || !*source.lpszClassName ||
      !source.lpfnWndProc || source.cbWndExtra < 0 || source.cbClsExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto window_class = std::make_shared<user::WindowClass>();
  window_class->name = source.lpszClassName;
  window_class->style = source.style;
  window_class->proc = source.lpfnWndProc;
  window_class->wnd_extra = source.cbWndExtra;
  window_class->class_extra.assign(static_cast<size_t>(source.cbClsExtra), 0);
  window_class->instance = source.hInstance;
  window_class->icon = source.hIcon;
  window_class->icon_small = source.hIconSm;
  window_class->cursor = source.hCursor;
  window_class->background = source.hbrBackground;
  if (source.lpszMenuName && !IS_INTRESOURCE(source.lpszMenuName))
    window_class->menu_name = source.lpszMenuName;
  std::lock_guard lock(WindowLock());
  auto& classes = user::Table().classes;
  std::string key = user::Folded(source.lpszClassName);
  if (classes.count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  window_class->atom = user::AddUserAtom(source.lpszClassName);
  if (!window_class->atom) return 0;
  classes[key] = window_class;
  return window_class->atom;
}

}  // namespace

ATOM RegisterClassA(const WNDCLASSA* window_class) {
  if (!window_class) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXA ex;
  ex.style = window_class->style;
  ex.lpfnWndProc = window_class->lpfnWndProc;
  ex.cbClsExtra = window_class->cbClsExtra;
  ex.cbWndExtra = window_class->cbWndExtra;
  ex.hInstance = window_class->hInstance;
  ex.hIcon = window_class->hIcon;
  ex.hCursor = window_class->hCursor;
  ex.hbrBackground = window_class->hbrBackground;
  ex.lpszMenuName = window_class->lpszMenuName;
  ex.lpszClassName = window_class->lpszClassName;
  return RegisterClassCommon(ex);
}

ATOM RegisterClassExA(const WNDCLASSEXA* window_class) {
  if (!window_class || window_class->cbSize != sizeof(WNDCLASSEXA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return RegisterClassCommon(*window_class);
}

BOOL UnregisterClassA(const char* class_name, HINSTANCE) {
  ATOM atom = 0;
  {
    std::lock_guard lock(WindowLock());
    auto window_class = user::FindClassLocked(class_name);
    if (!window_class) {
      SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
      return FALSE;
    }
    for (auto& [key, record] : user::Table().windows) {
      if (record->window_class == window_class) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
      }
    }
    window_class->registered = false;
    atom = window_class->atom;
    user::Table().classes.erase(user::Folded(window_class->name.c_str()));
  }
  user::DeleteUserAtom(atom);
  return TRUE;
}

BOOL GetClassInfoExA(HINSTANCE, const char* class_name, WNDCLASSEXA* out) {
  if (!out) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(WindowLock());
  auto window_class = user::FindClassLocked(class_name);
  if (!window_class) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  out->style = window_class->style;
  out->lpfnWndProc = window_class->proc;
  out->cbClsExtra = static_cast<int>(window_class->class_extra.size());
  out->cbWndExtra = window_class->wnd_extra;
  out->hInstance = window_class->instance;
  out->hIcon = window_class->icon;
  out->hIconSm = window_class->icon_small;
  out->hCursor = window_class->cursor;
  out->hbrBackground = window_class->background;
  // Points into the class record, which lives as long as the class.
  out->lpszMenuName = window_class->menu_name.empty() ? nullptr : window_class->menu_name.c_str();
  out->lpszClassName = class_name;
  return window_class->atom;
}

BOOL GetClassInfoA(HINSTANCE instance, const char* class_name, WNDCLASSA* out) {
  WNDCLASSEXA ex;
  if (!out || !GetClassInfoExA(instance, class_name, &ex)) {
    if (!out) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  out->style = ex.style;
  out->lpfnWndProc = ex.lpfnWndProc;
  out->cbClsExtra = ex.cbClsExtra;
  out->cbWndExtra = ex.cbWndExtra;
  out->hInstance = ex.hInstance;
  out->hIcon = ex.hIcon;
  out->hCursor = ex.hCursor;
  out->hbrBackground = ex.hbrBackground;
  out->lpszMenuName = ex.lpszMenuName;
  out->lpszClassName = ex.lpszClassName;
  return TRUE;
}

int GetClassNameA(HWND hwnd, char* buffer, int max_count) {
  std::string name;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    name = record->window_class->name;
  }
  if (!buffer || max_count <= 0) return 0;
  size_t count = std::min(name.size(), static_cast<size_t>(max_count - 1));
  std::memcpy(buffer, name.data(), count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

namespace {

// Sends WM_NCDESTROY children first and forgets each window after it.
void FinishDestroy(const std::vector<HWND>& tree, std::exception_ptr* error) {
  for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
    try {
      if (IsWindow(*it)) SendMessageA(*it, WM_NCDESTROY, 0, 0);
    } catch (...) {
      if (!*error) *error = std::current_exception();
    }
    user::RemoveWindow(*it);
  }
}

}  // namespace

namespace {

// Where CW_USEDEFAULT puts top-level windows: a cascade over the work area.
RECT DefaultPlacement(int x, int y, int width, int height) {
  static std::atomic<int> cascade{0};
  const RECT area = user::WorkArea();
  const int area_w = area.right - area.left;
  const int area_h = area.bottom - area.top;
  if (width == CW_USEDEFAULT) {
    width = area_w * 3 / 4;
    height = area_h * 3 / 4;
  }
  if (x == CW_USEDEFAULT) {
    const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
    const int n = cascade++ % 8;
    x = area.left + n * step;
    y = area.top + n * step;
  }
  return RECT{x, y, x + width, y + height};
}

}  // namespace

HWND CreateWindowExA(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
  user::InstallSentMessageDelivery();
  user::InstallGeometry();
  user::InstallPainting();
  user::InstallNonClient();
  user::InstallIcons();
  if (parent == GetDesktopWindow()) parent = nullptr;
  // Posts to the window must find its thread's queue from the start.
  CurrentThreadQueue();
  const bool message_only = parent == HWND_MESSAGE;
  const bool child = !message_only && (style & WS_CHILD);
  // CW_USEDEFAULT is the smallest int: resolve it before adding sizes to positions.
  RECT placement{};
  if (child || message_only) {
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    placement = RECT{x, y, x + width, y + height};
  } else if (x == CW_USEDEFAULT || width == CW_USEDEFAULT) {
    placement = DefaultPlacement(x, y, width, height);
  } else {
    placement = RECT{x, y, x + width, y + height};
  }
  auto record = std::make_shared<user::WindowRecord>();
  {
    std::lock_guard lock(WindowLock());
    auto window_class = user::FindClassLocked(class_name);
    if (!window_class) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    if (!message_only && parent && !LookupWindowLocked(parent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    if (child && !parent) {
      SetLastError(user::ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    auto& table = user::Table();
    record->hwnd = reinterpret_cast<HWND>(table.next_handle++);
    record->thread_id = GetCurrentThreadId();
    record->window_class = window_class;
    record->instance = instance;
    record->proc = window_class->proc;
    record->message_only = message_only;
    if (child) {
      record->parent = parent;
      record->id = static_cast<LONG_PTR>(reinterpret_cast<uintptr_t>(menu));
      LookupWindowLocked(parent)->children.push_back(record->hwnd);
    } else if (!message_only && parent) {
      // Ownership always goes to a top-level window.
      record->owner = user::TopLevelOfLocked(parent);
    }
    record->extra.assign(static_cast<size_t>(window_class->wnd_extra), 0);
    // Shown and put in its state after creation, as ShowWindow would.
    record->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
    record->ex_style = ex_style;
    record->window_rect = placement;
    record->client_rect = RECT{0, 0, placement.right - placement.left, placement.bottom - placement.top};
    if (!child) record->z = user::NextTopZLocked();
    table.windows[user::Key(record->hwnd)] = record;
  }
  user::thread_windows.created = true;
  const HWND hwnd = record->hwnd;
  if (!child && !message_only) user::OpenNativeWindow(hwnd);

  CREATESTRUCTA create;
  create.lpCreateParams = param;
  create.hInstance = instance;
  create.hMenu = menu;
  create.hwndParent = parent;
  create.cx = placement.right - placement.left;
  create.cy = placement.bottom - placement.top;
  create.x = placement.left;
  create.y = placement.top;
  create.style = static_cast<LONG>(style);
  create.lpszName = window_name;
  create.lpszClass = class_name;
  create.dwExStyle = ex_style;
  if (!user::CreationAllowed(hwnd, &create)) {
    user::RemoveWindow(hwnd);
    return nullptr;
  }
  try {
    if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create))) {
      // Refused before it was created: only the non-client end is reported.
      std::exception_ptr error;
      FinishDestroy({hwnd}, &error);
      if (error) std::rethrow_exception(error);
      return nullptr;
    }
    if (!message_only && IsWindow(hwnd)) {
      RECT client = placement;
      SendMessageA(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
      std::lock_guard lock(WindowLock());
      if (auto live = LookupWindowLocked(hwnd)) {
        const RECT& w = live->window_rect;
        live->client_rect =
            RECT{client.left - w.left, client.top - w.top, std::max(client.right, client.left) - w.left,
                 std::max(client.bottom, client.top) - w.top};
      }
    }
    if (IsWindow(hwnd) && SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
      DestroyWindow(hwnd);
      return nullptr;
    }
    if (!message_only && IsWindow(hwnd)) {
      RECT client;
      GetClientRect(hwnd, &client);
      SendMessageA(
          hwnd, WM_SIZE, SIZE_RESTORED,
          static_cast<LPARAM>(MAKELONG(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom))));
      POINT origin{};
      MapWindowPoints(hwnd, child ? parent : nullptr, &origin, 1);
      SendMessageA(hwnd, WM_MOVE, 0,
                   static_cast<LPARAM>(MAKELONG(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y))));
      if (IsWindow(hwnd) && (style & (WS_MINIMIZE | WS_MAXIMIZE))) {
        const bool visible = style & WS_VISIBLE;
        ShowWindow(hwnd,
                   (style & WS_MINIMIZE) ? (visible ? SW_SHOWMINNOACTIVE : SW_MINIMIZE) : SW_SHOWMAXIMIZED);
        if (!visible && IsWindow(hwnd)) ShowWindow(hwnd, SW_HIDE);
      } else if (IsWindow(hwnd) && (style & WS_VISIBLE)) {
        ShowWindow(hwnd, SW_SHOW);
      }
    }
  } catch (...) {
    // A failed creation leaves no half-made window behind.
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    throw;
  }
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  if (!user::DestructionAllowed(hwnd)) return FALSE;
  std::vector<HWND> owned;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (record->thread_id != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (record->destroying) return TRUE;
    record->destroying = true;
    for (auto& [key, other] : user::Table().windows) {
      if (other->owner != hwnd) continue;
      if (other->thread_id == record->thread_id)
        owned.push_back(other->hwnd);
      else
        other->owner = nullptr;  // a window of another thread cannot be destroyed from here
    }
  }
  std::exception_ptr error;
  for (HWND window : owned) {
    try {
      DestroyWindow(window);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  // Hiding first lets whatever was under the window repaint.
  if (IsWindowVisible(hwnd)) {
    try {
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  std::vector<HWND> tree;
  {
    std::lock_guard lock(WindowLock());
    user::CollectTreeLocked(hwnd, &tree);
    for (HWND window : tree) LookupWindowLocked(window)->destroying = true;
  }
  for (HWND window : tree) {
    try {
      if (IsWindow(window)) SendMessageA(window, WM_DESTROY, 0, 0);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  // Children made while handling WM_DESTROY go as well.
  {
    std::lock_guard lock(WindowLock());
    std::vector<HWND> now;
    user::CollectTreeLocked(hwnd, &now);
    for (HWND window : now)
      if (std::find(tree.begin(), tree.end(), window) == tree.end()) tree.push_back(window);
  }
  FinishDestroy(tree, &error);
  // The class library relies on its exceptions reaching the caller.
  if (error) std::rethrow_exception(error);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return hwnd == GetDesktopWindow() || LookupWindow(hwnd) ? TRUE : FALSE; }

HWND GetParent(HWND hwnd) {
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return record->parent ? record->parent : record->owner;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  return record && record->parent && user::IsSelfOrDescendantLocked(parent, record->parent) ? TRUE : FALSE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* process_id) {
  auto record = LookupWindow(hwnd);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (process_id) *process_id = static_cast<DWORD>(getpid());
  return record->thread_id;
}

namespace {

// Reads or writes one long value; `value` is null for a read. Returns the
// previous value. Integers of `size` bytes at a non-negative index are extra bytes.
LONG_PTR AccessLong(HWND hwnd, int index, const LONG_PTR* value, size_t size) {
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (index >= 0) {
    if (static_cast<size_t>(index) + size > record->extra.size()) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    BYTE* at = record->extra.data() + index;
    LONG_PTR previous = 0;
    if (size == sizeof(LONG)) {
      LONG small = 0;
      std::memcpy(&small, at, sizeof small);
      previous = small;
      if (value) {
        small = static_cast<LONG>(*value);
        std::memcpy(at, &small, sizeof small);
      }
    } else {
      std::memcpy(&previous, at, sizeof previous);
      if (value) std::memcpy(at, value, sizeof *value);
    }
    return previous;
  }
  auto swap = [&](auto& field) {
    using Field = std::remove_reference_t<decltype(field)>;
    LONG_PTR previous;
    if constexpr (std::is_pointer_v<Field>)
      previous = reinterpret_cast<LONG_PTR>(field);
    else
      previous = static_cast<LONG_PTR>(field);
    if (value) {
      if constexpr (std::is_pointer_v<Field>)
        field = reinterpret_cast<Field>(*value);
      else
        field = static_cast<Field>(*value);
    }
    return previous;
  };
  // Pointers do not fit the 32-bit accessors.
  const bool pointer = index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT;
  if (pointer && size == sizeof(LONG)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  switch (index) {
    case GWLP_WNDPROC:
      return swap(record->proc);
    case GWLP_HINSTANCE:
      return swap(record->instance);
    case GWLP_HWNDPARENT:
      return record->parent ? reinterpret_cast<LONG_PTR>(record->parent) : swap(record->owner);
    case GWLP_ID:
      return swap(record->id);
    case GWLP_USERDATA:
      return swap(record->user_data);
    case GWL_STYLE:
      return swap(record->style);
    case GWL_EXSTYLE:
      return swap(record->ex_style);
    default:
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

}  // namespace

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  return AccessLong(hwnd, index, nullptr, sizeof(LONG_PTR));
}

namespace {

// Style changes are announced before and after, as callers expect.
LONG_PTR SetStyleLong(HWND hwnd, int index, LONG_PTR value, size_t size) {
  STYLESTRUCT change;
  change.styleOld = static_cast<DWORD>(AccessLong(hwnd, index, nullptr, size));
  change.styleNew = static_cast<DWORD>(value);
  if (!IsWindow(hwnd)) return 0;
  SendMessageA(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(static_cast<intptr_t>(index)),
               reinterpret_cast<LPARAM>(&change));
  LONG_PTR wanted = static_cast<LONG_PTR>(change.styleNew);
  const LONG_PTR previous = AccessLong(hwnd, index, &wanted, size);
  SendMessageA(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(static_cast<intptr_t>(index)),
               reinterpret_cast<LPARAM>(&change));
  return previous;
}

}  // namespace

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  if (index == GWL_STYLE || index == GWL_EXSTYLE) return SetStyleLong(hwnd, index, value, sizeof(LONG_PTR));
  return AccessLong(hwnd, index, &value, sizeof(LONG_PTR));
}

LONG GetWindowLongA(HWND hwnd, int index) {
  return static_cast<LONG>(AccessLong(hwnd, index, nullptr, sizeof(LONG)));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  if (index == GWL_STYLE || index == GWL_EXSTYLE)
    return static_cast<LONG>(SetStyleLong(hwnd, index, static_cast<DWORD>(value), sizeof(LONG)));
  LONG_PTR wide = value;
  return static_cast<LONG>(AccessLong(hwnd, index, &wide, sizeof(LONG)));
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return proc ? proc(hwnd, message, wparam, lparam) : 0;
}

void AddDefWindowProcHandler(DefWindowProcHandler handler) {
  size_t slot = user::def_handler_count.load();
  if (!handler || slot >= user::kMaxDefHandlers) return;
  user::def_handlers[slot].store(handler);
  user::def_handler_count.store(slot + 1);
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  const size_t handlers = user::def_handler_count.load();
  for (size_t i = 0; i < handlers; ++i) {
    LRESULT result = 0;
    DefWindowProcHandler handler = user::def_handlers[i].load();
    if (handler && handler(hwnd, message, wparam, lparam, &result)) return result;
  }
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
      if (create && create->lpszName && !IS_INTRESOURCE(create->lpszName)) {
        std::lock_guard lock(WindowLock());
        if (auto record = LookupWindowLocked(hwnd)) record->text = create->lpszName;
      }
      return TRUE;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SETTEXT: {
      std::lock_guard lock(WindowLock());
      auto record = LookupWindowLocked(hwnd);
      if (!record) return FALSE;
      record->text = lparam ? reinterpret_cast<const char*>(lparam) : "";
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(lparam);
      if (!buffer || wparam == 0) return 0;
      std::lock_guard lock(WindowLock());
      auto record = LookupWindowLocked(hwnd);
      if (!record) {
        buffer[0] = '\0';
        return 0;
      }
      size_t count = std::min(record->text.size(), static_cast<size_t>(wparam - 1));
      std::memcpy(buffer, record->text.data(), count);
      buffer[count] = '\0';
      return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH: {
      std::lock_guard lock(WindowLock());
      auto record = LookupWindowLocked(hwnd);
      return record ? static_cast<LRESULT>(record->text.size()) : 0;
    }
    default:
      return 0;
  }
}

BOOL SetWindowTextA(HWND hwnd, const char* text) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, char* buffer, int max_count) {
  if (!buffer || max_count <= 0) return 0;
  buffer[0] = '\0';
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(
      SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(max_count), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hwnd) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

namespace {

ATOM PropAtom(const char* name) {
  if (!name) return 0;
  if (IS_INTRESOURCE(name)) return static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
  return GlobalFindAtomA(name);
}

}  // namespace

BOOL SetPropA(HWND hwnd, const char* name, HANDLE data) {
  if (!name || (IS_INTRESOURCE(name) && !reinterpret_cast<uintptr_t>(name))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool by_name = !IS_INTRESOURCE(name);
  ATOM atom = by_name ? GlobalAddAtomA(name) : static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
  if (!atom) return FALSE;
  bool release = false;
  bool stored = false;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) {
      release = by_name;
    } else {
      stored = true;
      auto [it, inserted] = record->props.try_emplace(atom);
      it->second.value = data;
      // The property holds one reference to its name at most.
      if (by_name && !it->second.owns_atom)
        it->second.owns_atom = true;
      else
        release = by_name;
    }
  }
  if (release) GlobalDeleteAtom(atom);
  return stored ? TRUE : FALSE;
}

HANDLE GetPropA(HWND hwnd, const char* name) {
  ATOM atom = PropAtom(name);
  if (!atom) return nullptr;
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  if (!record) return nullptr;
  auto found = record->props.find(atom);
  return found == record->props.end() ? nullptr : found->second.value;
}

HANDLE RemovePropA(HWND hwnd, const char* name) {
  ATOM atom = PropAtom(name);
  if (!atom) return nullptr;
  user::WindowProp prop;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return nullptr;
    auto found = record->props.find(atom);
    if (found == record->props.end()) return nullptr;
    prop = found->second;
    record->props.erase(found);
  }
  if (prop.owns_atom) GlobalDeleteAtom(atom);
  return prop.value;
}

}  // namespace plat
