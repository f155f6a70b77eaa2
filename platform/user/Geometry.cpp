#include "platform/user/Geometry.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>

#include "platform/backend/Backend.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/Errors.h"
#include "platform/user/Focus.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

using user::LookupWindow;
using user::LookupWindowLocked;
using user::WindowLock;

// Classic flags of WM_WINDOWPOSCHANGED that say the client area kept its size or place.
constexpr UINT SWP_NOCLIENTSIZE = 0x0800;
constexpr UINT SWP_NOCLIENTMOVE = 0x1000;

// The desktop is not in the window table; it stands for the screen.
HWND const kDesktop = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x0010));

std::atomic<user::ActivateHandler> activate_handler{nullptr};

// Stacking counters of top-level windows; guarded by WindowLock().
int64_t z_top = 0;
int64_t z_bottom = 0;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

bool IsChildRecord(const user::WindowRecord& record) { return record.parent != nullptr; }

// Where a window's client area starts on the screen. Caller holds the lock.
POINT ClientOriginLocked(HWND hwnd) {
  POINT origin;
  for (auto record = LookupWindowLocked(hwnd); record; record = LookupWindowLocked(record->parent)) {
    origin.x += record->window_rect.left + record->client_rect.left;
    origin.y += record->window_rect.top + record->client_rect.top;
  }
  return origin;
}

// The parent's client origin on the screen ((0, 0) for top-level windows).
POINT ParentOriginLocked(const user::WindowRecord& record) {
  return record.parent ? ClientOriginLocked(record.parent) : POINT{};
}

std::vector<HWND> SortedTopLevelsLocked(DWORD thread_filter) {
  std::vector<std::shared_ptr<user::WindowRecord>> tops;
  for (HWND hwnd : user::TopLevelWindowsLocked()) {
    auto record = LookupWindowLocked(hwnd);
    if (record && (!thread_filter || record->thread_id == thread_filter)) tops.push_back(record);
  }
  std::stable_sort(tops.begin(), tops.end(), [](const auto& a, const auto& b) {
    const bool ta = a->ex_style & WS_EX_TOPMOST;
    const bool tb = b->ex_style & WS_EX_TOPMOST;
    if (ta != tb) return ta;
    return a->z > b->z;
  });
  std::vector<HWND> result;
  for (auto& record : tops) result.push_back(record->hwnd);
  return result;
}

// Siblings in z-order, topmost first. Caller holds the lock.
std::vector<HWND> SiblingsLocked(const user::WindowRecord& record) {
  if (record.parent) {
    auto parent = LookupWindowLocked(record.parent);
    return parent ? parent->children : std::vector<HWND>{};
  }
  return SortedTopLevelsLocked(0);
}

void SendSizeAndMove(HWND hwnd, UINT flags) {
  RECT client;
  POINT origin;
  DWORD style = 0;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return;
    client = record->client_rect;
    origin = POINT{record->window_rect.left + client.left, record->window_rect.top + client.top};
    style = record->style;
  }
  if (!(flags & SWP_NOCLIENTMOVE))
    SendMessageA(hwnd, WM_MOVE, 0,
                 static_cast<LPARAM>(MAKELONG(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y))));
  if (!(flags & SWP_NOCLIENTSIZE)) {
    WPARAM kind = (style & WS_MINIMIZE)   ? SIZE_MINIMIZED
                  : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                          : SIZE_RESTORED;
    SendMessageA(
        hwnd, WM_SIZE, kind,
        static_cast<LPARAM>(MAKELONG(static_cast<WORD>(Width(client)), static_cast<WORD>(Height(client)))));
  }
}

// Fills in the defaults of WM_GETMINMAXINFO and lets the window change them.
MINMAXINFO MinMaxInfo(HWND hwnd) {
  MINMAXINFO info;
  RECT area = user::WorkArea();
  RECT parent_client{};
  bool child = false;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (record && record->parent) {
      child = true;
      if (auto parent = LookupWindowLocked(record->parent))
        parent_client = RECT{0, 0, Width(parent->client_rect), Height(parent->client_rect)};
    }
  }
  if (child) area = parent_client;
  // Maximised windows fill the work area exactly; their frame drops its sizing border.
  info.ptMaxSize = POINT{Width(area), Height(area)};
  info.ptMaxPosition = POINT{area.left, area.top};
  info.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  info.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  return info;
}

// Tells the desktop, as the window is shown, its title (the caption may have
// come with its creation, after the native window was made), which window it
// belongs with and whether it is modal: shown while the window it belongs
// with is disabled (a modal loop disables its owner first). Windows owned by
// the hidden application window belong with the window that was active.
void TellDesktop(HWND hwnd, backend::Backend& native) {
  HWND owner = nullptr;
  bool popup = false;
  std::string title;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return;
    title = record->text;
    popup = (record->style & WS_POPUP) && (record->style & WS_CAPTION) != WS_CAPTION &&
            (record->ex_style & WS_EX_TOOLWINDOW);
    auto shown_native = [&](HWND candidate) {
      auto r = LookupWindowLocked(candidate);
      return r && candidate != hwnd && !r->parent && r->backend_open && (r->style & WS_VISIBLE);
    };
    if (shown_native(record->owner)) owner = record->owner;
  }
  native.SetTitle(hwnd, title);
  if (popup) return;
  bool modal = false;
  if (owner) {
    modal = !IsWindowEnabled(owner);
  } else if (HWND active = GetActiveWindow(); active && active != hwnd && !IsWindowEnabled(active)) {
    auto r = LookupWindow(active);
    if (r && !r->parent && r->backend_open && (r->style & WS_VISIBLE)) {
      owner = active;
      modal = true;
    }
  }
  native.SetOwner(hwnd, owner, modal);
}

// The native window of a top-level window follows its record. No lock held.
void SyncNative(HWND hwnd, bool rect_changed, bool shown, bool hidden, bool raised, bool topmost_changed) {
  bool open = false;
  RECT rect;
  DWORD style = 0;
  DWORD ex_style = 0;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record || record->parent || !record->backend_open) return;
    open = true;
    rect = record->window_rect;
    style = record->style;
    ex_style = record->ex_style;
  }
  if (!open) return;
  auto& native = backend::Current();
  if (rect_changed && !(style & WS_MINIMIZE)) {
    // Resizing moves the surface's pixels; nobody may draw meanwhile.
    GdiLock gdi;
    native.SetWindowRect(hwnd, backend::FitWindowRect(rect));
  }
  if (topmost_changed) native.SetTopmost(hwnd, (ex_style & WS_EX_TOPMOST) != 0);
  if (hidden) native.Show(hwnd, false);
  if (shown) TellDesktop(hwnd, native);
  if (shown) {
    if (style & WS_MINIMIZE) {
      native.Show(hwnd, true);
      native.Minimize(hwnd);
    } else {
      native.Show(hwnd, true);
    }
  }
  if (raised && !(style & WS_MINIMIZE) && (style & WS_VISIBLE)) native.Raise(hwnd);
}

struct PosResult {
  bool ok = false;
};

BOOL SetWindowPosCore(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags, bool native,
                      bool state_changed) {
  WINDOWPOS pos;
  RECT old_window;
  RECT old_client;  // parent coordinates
  DWORD old_style = 0;
  bool child = false;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    old_window = record->window_rect;
    old_client = Offset(record->client_rect, old_window.left, old_window.top);
    old_style = record->style;
    child = IsChildRecord(*record);
  }
  if (flags & SWP_NOMOVE) {
    x = old_window.left;
    y = old_window.top;
  }
  if (flags & SWP_NOSIZE) {
    cx = Width(old_window);
    cy = Height(old_window);
  }
  cx = std::max(cx, 0);
  cy = std::max(cy, 0);
  const bool was_visible = old_style & WS_VISIBLE;
  if ((flags & SWP_SHOWWINDOW) && was_visible) flags &= ~SWP_SHOWWINDOW;
  if ((flags & SWP_HIDEWINDOW) && !was_visible) flags &= ~SWP_HIDEWINDOW;
  pos.hwnd = hwnd;
  pos.hwndInsertAfter = insert_after;
  pos.x = x;
  pos.y = y;
  pos.cx = cx;
  pos.cy = cy;
  pos.flags = flags;
  if (!(flags & SWP_NOSENDCHANGING)) {
    SendMessageA(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!IsWindow(hwnd)) return FALSE;
    flags = pos.flags;
  }
  if (flags & SWP_NOMOVE) {
    pos.x = old_window.left;
    pos.y = old_window.top;
  }
  if (flags & SWP_NOSIZE) {
    pos.cx = Width(old_window);
    pos.cy = Height(old_window);
  }
  const RECT new_window{pos.x, pos.y, pos.x + std::max(pos.cx, 0), pos.y + std::max(pos.cy, 0)};
  const bool moved = new_window.left != old_window.left || new_window.top != old_window.top;
  const bool sized = Width(new_window) != Width(old_window) || Height(new_window) != Height(old_window);

  RECT new_client = Offset(old_client, new_window.left - old_window.left, new_window.top - old_window.top);
  LRESULT valid = 0;
  if (sized || (flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS params;
    params.rgrc[0] = new_window;
    params.rgrc[1] = old_window;
    params.rgrc[2] = old_client;
    params.lppos = &pos;
    valid = SendMessageA(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    if (!IsWindow(hwnd)) return FALSE;
    new_client = params.rgrc[0];
    new_client.right = std::max(new_client.right, new_client.left);
    new_client.bottom = std::max(new_client.bottom, new_client.top);
  }

  bool z_changed = false;
  bool topmost_changed = false;
  bool shown = false;
  bool hidden = false;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return FALSE;
    record->window_rect = new_window;
    record->client_rect = Offset(new_client, -new_window.left, -new_window.top);
    // A minimised top-level window's rectangle is the one it comes back to.
    if (!record->parent && (record->style & WS_MINIMIZE) && !state_changed && !record->restore_to_maximized) {
      record->normal_rect = new_window;
      record->normal_rect_set = true;
    }
    if (flags & SWP_SHOWWINDOW) {
      record->style |= WS_VISIBLE;
      shown = true;
    }
    if (flags & SWP_HIDEWINDOW) {
      record->style &= ~WS_VISIBLE;
      hidden = true;
    }
    if (!(flags & SWP_NOZORDER)) {
      HWND after = pos.hwndInsertAfter;
      if (record->parent) {
        auto parent = LookupWindowLocked(record->parent);
        if (parent) {
          auto& list = parent->children;
          const auto before = list;
          std::erase(list, hwnd);
          if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
            list.insert(list.begin(), hwnd);
          } else if (after == HWND_BOTTOM) {
            list.push_back(hwnd);
          } else {
            auto at = std::find(list.begin(), list.end(), after);
            list.insert(at == list.end() ? list.end() : at + 1, hwnd);
          }
          z_changed = before != list;
        }
      } else {
        const DWORD old_ex = record->ex_style;
        if (after == HWND_TOPMOST) record->ex_style |= WS_EX_TOPMOST;
        if (after == HWND_NOTOPMOST) record->ex_style &= ~WS_EX_TOPMOST;
        topmost_changed = old_ex != record->ex_style;
        const int64_t old_z = record->z;
        if (after == HWND_BOTTOM) {
          record->z = --z_bottom;
        } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
          record->z = ++z_top;
        } else if (auto other = LookupWindowLocked(after); other && !other->parent) {
          // Just below `after`: everything below it moves one further down.
          for (HWND top : SortedTopLevelsLocked(0)) {
            auto r = LookupWindowLocked(top);
            if (r->z < other->z && r->hwnd != hwnd) --r->z;
          }
          record->z = other->z - 1;
          z_bottom = std::min(z_bottom, record->z);
        }
        z_changed = old_z != record->z || topmost_changed;
      }
    }
  }

  // What the move uncovered and what the window must paint again.
  if (!(flags & SWP_NOREDRAW)) {
    const bool visible_now = IsWindowVisible(hwnd);
    const bool area_changed = moved || sized || shown || hidden || z_changed;
    if (child && area_changed) {
      HWND parent = GetAncestor(hwnd, GA_PARENT);
      RECT parent_client{};
      POINT parent_offset{};
      {
        std::lock_guard lock(WindowLock());
        if (auto p = LookupWindowLocked(parent))
          parent_offset = POINT{p->client_rect.left, p->client_rect.top};
      }
      (void)parent_client;
      Region exposed;
      if (was_visible) exposed = Region(old_window);
      if (visible_now && !hidden) exposed = exposed.Subtract(Region(new_window));
      if (!exposed.Empty()) {
        exposed.Offset(parent_offset.x, parent_offset.y);
        user::InvalidateWindowRegion(parent, exposed, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      }
    }
    if (visible_now) {
      const RECT whole{0, 0, Width(new_window), Height(new_window)};
      const UINT all = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN;
      UINT class_style = 0;
      if (auto record = LookupWindow(hwnd)) class_style = record->window_class->style;
      const bool client_sized =
          Width(new_client) != Width(old_client) || Height(new_client) != Height(old_client);
      const bool client_shifted =
          (new_client.left - new_window.left) != (old_client.left - old_window.left) ||
          (new_client.top - new_window.top) != (old_client.top - old_window.top);
      const bool redraw_all = shown || (child && (moved || z_changed)) || client_shifted || state_changed ||
                              (valid & WVR_REDRAW) ||
                              (client_sized && (class_style & (CS_HREDRAW | CS_VREDRAW)));
      if (redraw_all) {
        user::InvalidateWindowRegion(hwnd, Region(whole), all);
      } else if (sized || (flags & SWP_FRAMECHANGED)) {
        // Pixels that still fit stay; only what is new and the frame repaint.
        const RECT kept_client = Offset(old_client, -old_window.left, -old_window.top);
        const RECT client_now = Offset(new_client, -new_window.left, -new_window.top);
        Region fresh = Region(client_now).Subtract(Region(kept_client));
        Region frame = Region(whole).Subtract(Region(client_now));
        if (!frame.Empty() || (flags & SWP_FRAMECHANGED))
          user::InvalidateWindowRegion(hwnd, frame.Empty() ? Region(whole) : frame,
                                       RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
        if (!fresh.Empty()) user::InvalidateWindowRegion(hwnd, fresh, all);
      }
    }
  }

  if (!child && native)
    SyncNative(hwnd, moved || sized, shown, hidden, z_changed && !(flags & SWP_NOACTIVATE), topmost_changed);
  if (!child && native && shown && (old_style & WS_MINIMIZE) == 0) {
    // Nothing was drawn into a hidden window's surface that counts.
  }

  WINDOWPOS changed = pos;
  changed.x = new_window.left;
  changed.y = new_window.top;
  changed.cx = Width(new_window);
  changed.cy = Height(new_window);
  changed.flags = flags;
  if (!moved) changed.flags |= SWP_NOMOVE;
  if (!sized) changed.flags |= SWP_NOSIZE;
  if (new_client.left == old_client.left && new_client.top == old_client.top)
    changed.flags |= SWP_NOCLIENTMOVE;
  if (Width(new_client) == Width(old_client) && Height(new_client) == Height(old_client) && !state_changed)
    changed.flags |= SWP_NOCLIENTSIZE;
  SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&changed));

  const bool activate =
      !child && !(flags & SWP_NOACTIVATE) && (shown || (!(flags & SWP_NOZORDER) && z_changed));
  if (activate)
    if (auto handler = activate_handler.load()) handler(hwnd);
  return TRUE;
}

bool DefGeometry(HWND hwnd, UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lparam);
      *result = 0;
      if (!pos || (pos->flags & SWP_NOSIZE)) return true;
      DWORD style = 0;
      if (auto record = LookupWindow(hwnd)) style = record->style;
      if ((style & WS_THICKFRAME) || !(style & (WS_POPUP | WS_CHILD))) {
        if (style & WS_MINIMIZE) return true;
        const MINMAXINFO info = MinMaxInfo(hwnd);
        pos->cx = std::clamp<int>(pos->cx, info.ptMinTrackSize.x,
                                  std::max(info.ptMinTrackSize.x, info.ptMaxTrackSize.x));
        pos->cy = std::clamp<int>(pos->cy, info.ptMinTrackSize.y,
                                  std::max(info.ptMinTrackSize.y, info.ptMaxTrackSize.y));
        if (style & WS_MAXIMIZE) {
          pos->cx = std::min<int>(pos->cx, std::max(info.ptMaxSize.x, info.ptMinTrackSize.x));
          pos->cy = std::min<int>(pos->cy, std::max(info.ptMaxSize.y, info.ptMinTrackSize.y));
        }
      }
      return true;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* pos = reinterpret_cast<const WINDOWPOS*>(lparam);
      if (pos) SendSizeAndMove(hwnd, pos->flags);
      *result = 0;
      return true;
    }
    case WM_GETMINMAXINFO:
    case WM_SHOWWINDOW:
    case WM_MOVE:
    case WM_SIZE:
    case WM_ENABLE:
    case WM_STYLECHANGING:
    case WM_STYLECHANGED:
      *result = 0;
      return true;
    default:
      return false;
  }
}

// Where a minimised child window goes: its icon at the bottom of the parent.
// A top-level window keeps its rectangle: the desktop iconifies or hides it,
// and its place and size stay those it will come back to.
RECT MinimizedRect(HWND hwnd) {
  const int cx = GetSystemMetrics(SM_CXMINIMIZED);
  const int cy = GetSystemMetrics(SM_CYMINIMIZED);
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  if (!record) return RECT{};
  if (record->parent) {
    if (auto parent = LookupWindowLocked(record->parent)) {
      const int bottom = Height(parent->client_rect);
      return RECT{0, bottom - cy, cx, bottom};
    }
  }
  return record->window_rect;
}

// What the desktop did to a top-level window reaches the window as if the
// program had done it.
void NativeWindowEvent(const backend::Event& e) {
  if (!IsWindow(e.window)) return;
  const bool iconic = IsIconic(e.window);
  switch (e.type) {
    case backend::EventType::Moved:
    case backend::EventType::Resized:
      // Where the desktop keeps an iconified window is not where it comes back to.
      if (!iconic) user::ApplyNativeWindowRect(e.window, e.rect, -1);
      break;
    case backend::EventType::Minimized:
      user::ApplyNativeWindowRect(e.window, e.rect, SW_MINIMIZE);
      break;
    case backend::EventType::Maximized:
      user::ApplyNativeWindowRect(e.window, e.rect, SW_MAXIMIZE);
      break;
    case backend::EventType::Restored:
      // The layer maximises by itself, so the desktop's restore ends an iconified state only.
      if (iconic) user::ApplyNativeWindowRect(e.window, e.rect, SW_RESTORE);
      break;
    default:
      break;
  }
}

}  // namespace

namespace user {

bool IsVisibleLocked(HWND hwnd) {
  auto record = LookupWindowLocked(hwnd);
  if (!record) return false;
  for (; record; record = LookupWindowLocked(record->parent))
    if (!(record->style & WS_VISIBLE)) return false;
  return true;
}

HWND TopLevelOfLocked(HWND hwnd) {
  auto record = LookupWindowLocked(hwnd);
  while (record && record->parent) {
    hwnd = record->parent;
    record = LookupWindowLocked(hwnd);
  }
  return record ? hwnd : nullptr;
}

HWND TopLevelOf(HWND hwnd) {
  std::lock_guard lock(WindowLock());
  return TopLevelOfLocked(hwnd);
}

bool WindowRectOnScreenLocked(HWND hwnd, RECT* window, RECT* client) {
  auto record = LookupWindowLocked(hwnd);
  if (!record) return false;
  const POINT origin = ParentOriginLocked(*record);
  const RECT w = Offset(record->window_rect, origin.x, origin.y);
  if (window) *window = w;
  if (client) *client = Offset(record->client_rect, w.left, w.top);
  return true;
}

RECT WindowRectOnScreen(HWND hwnd) {
  RECT r{};
  std::lock_guard lock(WindowLock());
  WindowRectOnScreenLocked(hwnd, &r, nullptr);
  return r;
}

RECT ClientRectOnScreen(HWND hwnd) {
  RECT r{};
  std::lock_guard lock(WindowLock());
  WindowRectOnScreenLocked(hwnd, nullptr, &r);
  return r;
}

std::vector<HWND> TopLevelZOrder() {
  std::lock_guard lock(WindowLock());
  return SortedTopLevelsLocked(0);
}

std::vector<HWND> TopLevelZOrderLocked() { return SortedTopLevelsLocked(0); }

void SetActivateHandler(ActivateHandler handler) { activate_handler.store(handler); }

int64_t NextTopZLocked() { return ++z_top; }

void InstallGeometry() {
  static std::once_flag once;
  std::call_once(once, [] {
    AddDefWindowProcHandler(DefGeometry);
    SetWindowEventHandler(NativeWindowEvent);
  });
}

void ApplyNativeWindowRect(HWND hwnd, const RECT& rect, int show_command) {
  if (show_command == SW_MINIMIZE || show_command == SW_MAXIMIZE || show_command == SW_RESTORE) {
    DWORD style = 0;
    if (auto record = LookupWindow(hwnd)) style = record->style;
    const bool already = (show_command == SW_MINIMIZE && (style & WS_MINIMIZE)) ||
                         (show_command == SW_MAXIMIZE && (style & WS_MAXIMIZE)) ||
                         (show_command == SW_RESTORE && !(style & (WS_MINIMIZE | WS_MAXIMIZE)));
    if (!already) {
      ShowWindowCore(hwnd, show_command, false);
      return;
    }
    if (show_command == SW_MINIMIZE) return;
  }
  SetWindowPosCore(hwnd, nullptr, rect.left, rect.top, Width(rect), Height(rect),
                   SWP_NOZORDER | SWP_NOACTIVATE, false, false);
}

BOOL ShowWindowCore(HWND hwnd, int command, bool native) {
  DWORD style = 0;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    style = record->style;
  }
  const bool was_visible = style & WS_VISIBLE;
  UINT flags = SWP_NOZORDER | SWP_NOSIZE | SWP_NOMOVE;
  bool show = true;
  int target = 0;  // 0 keep, 1 normal, 2 minimised, 3 maximised
  switch (command) {
    case SW_HIDE:
      show = false;
      flags |= SWP_NOACTIVATE;
      break;
    case SW_SHOWMINNOACTIVE:
    case SW_MINIMIZE:
    case SW_FORCEMINIMIZE:
      flags |= SWP_NOACTIVATE;
      target = 2;
      break;
    case SW_SHOWMINIMIZED:
      target = 2;
      break;
    case SW_SHOWMAXIMIZED:
      target = 3;
      break;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
      flags |= SWP_NOACTIVATE;
      break;
    case SW_SHOW:
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
      target = 1;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
  if (!show && !was_visible) return FALSE;
  if (show && !was_visible) SendMessageA(hwnd, WM_SHOWWINDOW, TRUE, 0);
  if (!show) SendMessageA(hwnd, WM_SHOWWINDOW, FALSE, 0);
  if (!IsWindow(hwnd)) return was_visible;

  RECT rect{};
  bool state_changed = false;
  const bool minimized = style & WS_MINIMIZE;
  const bool maximized = style & WS_MAXIMIZE;
  if (target == 1 && command == SW_RESTORE && minimized) {
    // A window minimised from the maximised state goes back to it.
    bool back_to_max = false;
    if (auto record = LookupWindow(hwnd)) back_to_max = record->restore_to_maximized;
    if (back_to_max) target = 3;
  }
  if ((target == 1 && (minimized || maximized)) || (target == 2 && !minimized) ||
      (target == 3 && !maximized)) {
    state_changed = true;
    {
      std::lock_guard lock(WindowLock());
      auto record = LookupWindowLocked(hwnd);
      if (!record) return was_visible;
      if (!minimized && !maximized) {
        record->normal_rect = record->window_rect;
        record->normal_rect_set = true;
      }
      if (target == 2) record->restore_to_maximized = maximized;
      if (!record->normal_rect_set) {
        record->normal_rect = record->window_rect;
        record->normal_rect_set = true;
      }
      record->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
      if (target == 2) record->style |= WS_MINIMIZE;
      if (target == 3) record->style |= WS_MAXIMIZE;
      rect = record->normal_rect;
    }
    if (target == 2) rect = MinimizedRect(hwnd);
    if (target == 3) {
      const MINMAXINFO info = MinMaxInfo(hwnd);
      rect = RECT{info.ptMaxPosition.x, info.ptMaxPosition.y, info.ptMaxPosition.x + info.ptMaxSize.x,
                  info.ptMaxPosition.y + info.ptMaxSize.y};
    }
    flags &= ~(SWP_NOSIZE | SWP_NOMOVE);
    flags |= SWP_FRAMECHANGED;
    if (target == 2) flags |= SWP_NOACTIVATE;
  }
  flags |= show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
  const bool top_level = !GetAncestor(hwnd, GA_PARENT) || GetAncestor(hwnd, GA_PARENT) == kDesktop;
  if (state_changed && top_level && native) {
    auto& backend = backend::Current();
    if (target == 2) {
      backend.Minimize(hwnd);
    } else if (minimized) {
      backend.Restore(hwnd);
    }
  }
  SetWindowPosCore(hwnd, HWND_TOP, rect.left, rect.top, Width(rect), Height(rect), flags, native,
                   state_changed);
  return was_visible ? TRUE : FALSE;
}

}  // namespace user

HWND GetDesktopWindow() { return kDesktop; }

BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
  if (hwnd == kDesktop) return FALSE;
  return SetWindowPosCore(hwnd, insert_after, x, y, cx, cy, flags, true, false);
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND hwnd, int command) { return user::ShowWindowCore(hwnd, command, true); }

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL IsWindowVisible(HWND hwnd) {
  if (hwnd == kDesktop) return TRUE;
  std::lock_guard lock(WindowLock());
  return user::IsVisibleLocked(hwnd) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  auto record = LookupWindow(hwnd);
  return record && (record->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  auto record = LookupWindow(hwnd);
  return record && (record->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement) {
  if (!placement) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool minimized = record->style & WS_MINIMIZE;
  const bool maximized = record->style & WS_MAXIMIZE;
  placement->length = sizeof(WINDOWPLACEMENT);
  placement->flags = record->restore_to_maximized && minimized ? WPF_RESTORETOMAXIMIZED : 0;
  placement->showCmd = minimized                      ? SW_SHOWMINIMIZED
                       : maximized                    ? SW_SHOWMAXIMIZED
                       : (record->style & WS_VISIBLE) ? SW_SHOWNORMAL
                                                      : SW_HIDE;
  placement->ptMinPosition =
      minimized ? POINT{record->window_rect.left, record->window_rect.top} : POINT{-1, -1};
  placement->ptMaxPosition =
      maximized ? POINT{record->window_rect.left, record->window_rect.top} : POINT{-1, -1};
  placement->rcNormalPosition =
      (minimized || maximized) && record->normal_rect_set ? record->normal_rect : record->window_rect;
  return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement) {
  if (!placement) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD style = 0;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    style = record->style;
    record->normal_rect = placement->rcNormalPosition;
    record->normal_rect_set = true;
    record->restore_to_maximized = placement->flags & WPF_RESTORETOMAXIMIZED;
  }
  const RECT& normal = placement->rcNormalPosition;
  if (!(style & (WS_MINIMIZE | WS_MAXIMIZE)))
    SetWindowPos(hwnd, nullptr, normal.left, normal.top, Width(normal), Height(normal),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(hwnd, static_cast<int>(placement->showCmd));
  return TRUE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  bool was_disabled = false;
  bool changed = false;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    was_disabled = record->style & WS_DISABLED;
    changed = was_disabled == static_cast<bool>(enable);
    if (changed) record->style = enable ? (record->style & ~WS_DISABLED) : (record->style | WS_DISABLED);
  }
  if (changed) SendMessageA(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return was_disabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  if (hwnd == kDesktop) return TRUE;
  auto record = LookupWindow(hwnd);
  return record && !(record->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  if (!rect) return FALSE;
  if (hwnd == kDesktop) {
    const SIZE size = user::ScreenSize();
    *rect = RECT{0, 0, size.cx, size.cy};
    return TRUE;
  }
  std::lock_guard lock(WindowLock());
  if (!user::WindowRectOnScreenLocked(hwnd, rect, nullptr)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  if (!rect) return FALSE;
  if (hwnd == kDesktop) return GetWindowRect(hwnd, rect);
  auto record = LookupWindow(hwnd);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  std::lock_guard lock(WindowLock());
  *rect = RECT{0, 0, Width(record->client_rect), Height(record->client_rect)};
  return TRUE;
}

namespace {

// Client origin on the screen; the desktop and null are the screen itself.
bool OriginOf(HWND hwnd, POINT* origin) {
  if (!hwnd || hwnd == kDesktop) {
    *origin = POINT{};
    return true;
  }
  std::lock_guard lock(WindowLock());
  if (!LookupWindowLocked(hwnd)) return false;
  *origin = ClientOriginLocked(hwnd);
  return true;
}

}  // namespace

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  POINT origin;
  if (!point || !hwnd || !OriginOf(hwnd, &origin)) return FALSE;
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
  POINT origin;
  if (!point || !hwnd || !OriginOf(hwnd, &origin)) return FALSE;
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a;
  POINT b;
  if (!OriginOf(from, &a) || !OriginOf(to, &b)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const int dx = a.x - b.x;
  const int dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

namespace {

// Whether a window's shape contains a point given in its parent's client coordinates.
bool ContainsLocked(const user::WindowRecord& record, POINT p) {
  const RECT& r = record.window_rect;
  if (p.x < r.left || p.x >= r.right || p.y < r.top || p.y >= r.bottom) return false;
  return !record.has_window_region || record.window_region.Contains(p.x - r.left, p.y - r.top);
}

// Candidates under a screen point, deepest first within each top-level
// window, topmost windows first. Disabled children end the descent at their parent.
void CandidatesLocked(HWND hwnd, POINT screen, std::vector<HWND>* out) {
  auto record = LookupWindowLocked(hwnd);
  if (!record || !(record->style & WS_VISIBLE)) return;
  // A minimised top-level window is not on the screen where its rectangle is.
  if (!record->parent && (record->style & WS_MINIMIZE)) return;
  const POINT origin = ParentOriginLocked(*record);
  if (!ContainsLocked(*record, POINT{screen.x - origin.x, screen.y - origin.y})) return;
  const RECT client =
      Offset(record->client_rect, record->window_rect.left + origin.x, record->window_rect.top + origin.y);
  const bool in_client = screen.x >= client.left && screen.x < client.right && screen.y >= client.top &&
                         screen.y < client.bottom;
  if (in_client && !(record->style & WS_MINIMIZE)) {
    for (HWND child : record->children) {
      auto c = LookupWindowLocked(child);
      if (!c || (c->style & WS_DISABLED)) continue;
      CandidatesLocked(child, screen, out);
    }
  }
  out->push_back(hwnd);
}

}  // namespace

HWND WindowFromPoint(POINT screen) {
  std::vector<HWND> candidates;
  {
    std::lock_guard lock(WindowLock());
    for (HWND top : SortedTopLevelsLocked(0)) CandidatesLocked(top, screen, &candidates);
  }
  const DWORD me = GetCurrentThreadId();
  for (HWND hwnd : candidates) {
    auto record = LookupWindow(hwnd);
    if (!record) continue;
    // Only windows of this thread are asked; others cannot answer without a wait.
    if (record->thread_id != me) return hwnd;
    const LRESULT hit =
        SendMessageA(hwnd, WM_NCHITTEST, 0,
                     static_cast<LPARAM>(MAKELONG(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y))));
    if (hit != HTTRANSPARENT) return hwnd;
  }
  return nullptr;
}

HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags) {
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(parent);
  if (!record) return nullptr;
  const RECT client{0, 0, Width(record->client_rect), Height(record->client_rect)};
  if (point.x < client.left || point.x >= client.right || point.y < client.top || point.y >= client.bottom)
    return nullptr;
  for (HWND child : record->children) {
    auto c = LookupWindowLocked(child);
    if (!c) continue;
    if ((flags & CWP_SKIPINVISIBLE) && !(c->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->ex_style & WS_EX_TRANSPARENT)) continue;
    if (ContainsLocked(*c, point)) return child;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) { return ChildWindowFromPointEx(parent, point, CWP_ALL); }

HWND GetWindow(HWND hwnd, UINT command) {
  std::lock_guard lock(WindowLock());
  if (hwnd == kDesktop) {
    if (command != GW_CHILD) return nullptr;
    auto tops = SortedTopLevelsLocked(0);
    return tops.empty() ? nullptr : tops.front();
  }
  auto record = LookupWindowLocked(hwnd);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  switch (command) {
    case GW_CHILD:
      return record->children.empty() ? nullptr : record->children.front();
    case GW_OWNER:
      return record->owner;
    case GW_ENABLEDPOPUP:
      return nullptr;
    default:
      break;
  }
  if (record->message_only) return nullptr;
  const std::vector<HWND> siblings = SiblingsLocked(*record);
  if (siblings.empty()) return nullptr;
  auto at = std::find(siblings.begin(), siblings.end(), hwnd);
  switch (command) {
    case GW_HWNDFIRST:
      return siblings.front();
    case GW_HWNDLAST:
      return siblings.back();
    case GW_HWNDNEXT:
      return at == siblings.end() || at + 1 == siblings.end() ? nullptr : *(at + 1);
    case GW_HWNDPREV:
      return at == siblings.end() || at == siblings.begin() ? nullptr : *(at - 1);
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) { return GetWindow(hwnd ? hwnd : kDesktop, GW_CHILD); }

HWND GetAncestor(HWND hwnd, UINT flags) {
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  if (!record) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return record->parent ? record->parent : kDesktop;
    case GA_ROOT:
      return user::TopLevelOfLocked(hwnd);
    case GA_ROOTOWNER: {
      HWND root = user::TopLevelOfLocked(hwnd);
      for (auto r = LookupWindowLocked(root); r && r->owner; r = LookupWindowLocked(r->owner))
        root = r->owner;
      return root;
    }
    default:
      return nullptr;
  }
}

HWND SetParent(HWND hwnd, HWND new_parent) {
  if (new_parent == kDesktop) new_parent = nullptr;
  HWND old_parent = nullptr;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record || (new_parent && !LookupWindowLocked(new_parent)) ||
        (new_parent && user::IsSelfOrDescendantLocked(hwnd, new_parent))) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    // Only child windows move between parents; top-level windows keep their native window.
    if (!record->parent || !new_parent) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    old_parent = record->parent;
    if (auto old = LookupWindowLocked(old_parent)) std::erase(old->children, hwnd);
    record->parent = new_parent;
    LookupWindowLocked(new_parent)->children.insert(LookupWindowLocked(new_parent)->children.begin(), hwnd);
  }
  // Both parents show different pixels now.
  RECT rect;
  {
    std::lock_guard lock(WindowLock());
    rect = LookupWindowLocked(hwnd)->window_rect;
  }
  RedrawWindow(old_parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  SetWindowPos(hwnd, HWND_TOP, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return old_parent;
}

namespace {

void CollectChildrenLocked(HWND hwnd, std::vector<HWND>* out) {
  auto record = LookupWindowLocked(hwnd);
  if (!record) return;
  for (HWND child : record->children) {
    out->push_back(child);
    CollectChildrenLocked(child, out);
  }
}

BOOL EnumList(const std::vector<HWND>& list, WNDENUMPROC proc, LPARAM lparam) {
  if (!proc) return FALSE;
  for (HWND hwnd : list) {
    // Windows destroyed by an earlier call are skipped.
    if (!IsWindow(hwnd)) continue;
    if (!proc(hwnd, lparam)) return FALSE;
  }
  return TRUE;
}

}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lparam) {
  std::vector<HWND> list;
  {
    std::lock_guard lock(WindowLock());
    if (!parent || parent == kDesktop) {
      for (HWND top : SortedTopLevelsLocked(0)) {
        list.push_back(top);
        CollectChildrenLocked(top, &list);
      }
    } else {
      CollectChildrenLocked(parent, &list);
    }
  }
  return EnumList(list, proc, lparam);
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lparam) { return EnumList(user::TopLevelZOrder(), proc, lparam); }

BOOL EnumThreadWindows(DWORD thread_id, WNDENUMPROC proc, LPARAM lparam) {
  std::vector<HWND> list;
  {
    std::lock_guard lock(WindowLock());
    list = SortedTopLevelsLocked(thread_id);
  }
  return EnumList(list, proc, lparam);
}

// ---- rectangles ---------------------------------------------------------------

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
  if (!rect) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(RECT* rect) { return SetRect(rect, 0, 0, 0, 0); }

BOOL CopyRect(RECT* dest, const RECT* source) {
  if (!dest || !source) return FALSE;
  *dest = *source;
  return TRUE;
}

BOOL OffsetRect(RECT* rect, int dx, int dy) {
  if (!rect) return FALSE;
  *rect = Offset(*rect, dx, dy);
  return TRUE;
}

BOOL InflateRect(RECT* rect, int dx, int dy) {
  if (!rect) return FALSE;
  *rect = RECT{rect->left - dx, rect->top - dy, rect->right + dx, rect->bottom + dy};
  return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) { return !rect || rect->right <= rect->left || rect->bottom <= rect->top; }

BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&r)) {
    *dest = RECT{};
    return FALSE;
  }
  *dest = r;
  return TRUE;
}

BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return FALSE;
  if (IsRectEmpty(a)) {
    *dest = IsRectEmpty(b) ? RECT{} : *b;
  } else if (IsRectEmpty(b)) {
    *dest = *a;
  } else {
    *dest = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                 std::max(a->bottom, b->bottom)};
  }
  return !IsRectEmpty(dest);
}

BOOL SubtractRect(RECT* dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return FALSE;
  RECT r = *a;
  RECT cut;
  if (IntersectRect(&cut, a, b)) {
    // Only a cut across a whole side shrinks the rectangle.
    if (cut.top == r.top && cut.bottom == r.bottom) {
      if (cut.left == r.left)
        r.left = cut.right;
      else if (cut.right == r.right)
        r.right = cut.left;
    } else if (cut.left == r.left && cut.right == r.right) {
      if (cut.top == r.top)
        r.top = cut.bottom;
      else if (cut.bottom == r.bottom)
        r.bottom = cut.top;
    }
  }
  if (IsRectEmpty(&r)) {
    *dest = RECT{};
    return FALSE;
  }
  *dest = r;
  return TRUE;
}

BOOL PtInRect(const RECT* rect, POINT p) {
  return rect && p.x >= rect->left && p.x < rect->right && p.y >= rect->top && p.y < rect->bottom;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

}  // namespace plat
