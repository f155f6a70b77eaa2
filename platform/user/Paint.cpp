#include "platform/user/Paint.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/Errors.h"
#include "platform/kernel/WaitCore.h"
#include "platform/user/Geometry.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

using user::LookupWindow;
using user::LookupWindowLocked;
using user::WindowLock;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }
RECT WholeWindow(const user::WindowRecord& record) {
  return RECT{0, 0, Width(record.window_rect), Height(record.window_rect)};
}

// What the layer knows about a DC it handed out for a window.
struct WindowDc {
  HWND hwnd = nullptr;
  HWND top = nullptr;
  DWORD thread_id = 0;
};

// Taken last, before GdiLock only.
std::mutex dc_mutex;
std::map<HDC, WindowDc>& Dcs() {
  static auto* dcs = new std::map<HDC, WindowDc>;
  return *dcs;
}

// A DC on nothing, for GetDC(null) and windows without a surface.
Surface& NullSurface() {
  static auto* surface = [] {
    static uint32_t pixel = 0;
    auto* s = new Surface;
    s->width = 1;
    s->height = 1;
    s->stride = 4;
    s->bits = reinterpret_cast<uint8_t*>(&pixel);
    return s;
  }();
  return *surface;
}

Region RegionOf(HRGN handle) {
  GdiLock lock;
  auto* object = LookupAs<RegionObject>(handle, OBJ_REGION);
  return object ? object->region : Region();
}

bool IsRegion(HRGN handle) {
  GdiLock lock;
  return LookupAs<RegionObject>(handle, OBJ_REGION) != nullptr;
}

void StoreRegion(HRGN handle, const Region& region) {
  GdiLock lock;
  if (auto* object = LookupAs<RegionObject>(handle, OBJ_REGION)) object->region = region;
}

HRGN NewRegion(const Region& region) {
  HRGN handle = CreateRectRgn(0, 0, 0, 0);
  StoreRegion(handle, region);
  return handle;
}

// The backing surface of a top-level window, asked each time: whoever closes
// the native window frees it.
Surface* SurfaceOf(HWND top, bool open) {
  if (!top || !open) return nullptr;
  auto& native = backend::Current();
  return native.IsOpen(top) ? native.WindowSurface(top) : nullptr;
}

// Tells the owner thread's queue that something needs painting or presenting.
void WakePainter(DWORD thread_id) {
  auto queue = FindThreadQueue(thread_id);
  if (!queue) return;
  {
    std::lock_guard lock(waitcore::Mutex());
    queue->paint_pending = true;
  }
  waitcore::NotifyAll();
}

bool NeedsPaintLocked(const user::WindowRecord& record) {
  return !record.update.Empty() || record.internal_paint || record.frame_pending;
}

// Whether the children take part in an operation with these flags.
bool IncludeChildren(const user::WindowRecord& record, UINT flags) {
  if (flags & RDW_ALLCHILDREN) return true;
  if (flags & RDW_NOCHILDREN) return false;
  return !(record.style & WS_CLIPCHILDREN);
}

void ApplyLocked(HWND hwnd, const Region& region, UINT flags, std::vector<DWORD>* threads) {
  auto record = LookupWindowLocked(hwnd);
  if (!record || !(record->style & WS_VISIBLE)) return;
  Region area = region.Intersect(WholeWindow(*record));
  if (record->has_window_region) area = area.Intersect(record->window_region);
  const bool touches_frame = !area.Subtract(Region(record->client_rect)).Empty();
  if (flags & RDW_INVALIDATE) {
    if (!area.Empty()) {
      record->update = record->update.Union(area);
      if (flags & RDW_ERASE) record->erase_pending = true;
      if ((flags & RDW_FRAME) && touches_frame) record->frame_pending = true;
    }
    threads->push_back(record->thread_id);
  } else if (flags & RDW_VALIDATE) {
    record->update = record->update.Subtract(area);
    if (flags & RDW_NOINTERNALPAINT) record->internal_paint = false;
    if ((flags & RDW_NOFRAME) && touches_frame) record->frame_pending = false;
    if (record->update.Empty()) {
      record->erase_pending = false;
      record->frame_pending = false;
    } else if (flags & RDW_NOERASE) {
      record->erase_pending = false;
    }
  }
  if (flags & RDW_INTERNALPAINT) {
    record->internal_paint = true;
    threads->push_back(record->thread_id);
  }
  if (!IncludeChildren(*record, flags)) return;
  const RECT client = record->client_rect;
  Region inside = region.Intersect(client);
  if (inside.Empty()) return;
  for (HWND child : record->children) {
    auto c = LookupWindowLocked(child);
    if (!c) continue;
    Region part = inside;
    part.Offset(-client.left - c->window_rect.left, -client.top - c->window_rect.top);
    ApplyLocked(child, part, flags, threads);
  }
}

// Windows that need painting and whose turn it is: parents before children.
HWND FindPaintableLocked(HWND hwnd, HWND filter, bool inside_filter) {
  auto record = LookupWindowLocked(hwnd);
  if (!record || !(record->style & WS_VISIBLE)) return nullptr;
  inside_filter = inside_filter || !filter || hwnd == filter;
  if (inside_filter && NeedsPaintLocked(*record)) return hwnd;
  for (HWND child : record->children)
    if (HWND found = FindPaintableLocked(child, filter, inside_filter)) return found;
  return nullptr;
}

void PresentPendingOfThread(DWORD thread_id) {
  std::vector<std::pair<HWND, std::vector<RECT>>> work;
  {
    std::lock_guard lock(WindowLock());
    for (HWND top : user::TopLevelWindowsLocked()) {
      auto record = LookupWindowLocked(top);
      if (!record || record->thread_id != thread_id || record->present_pending.empty()) continue;
      work.emplace_back(top, std::move(record->present_pending));
      record->present_pending.clear();
    }
  }
  for (auto& [top, rects] : work) user::PresentSurface(top, rects);
}

bool PaintSource(HWND filter, MSG* msg) {
  const DWORD me = GetCurrentThreadId();
  PresentPendingOfThread(me);
  {
    std::lock_guard lock(WindowLock());
    for (HWND top : user::TopLevelZOrderLocked()) {
      auto record = LookupWindowLocked(top);
      if (!record || record->thread_id != me) continue;
      if (HWND found = FindPaintableLocked(top, filter, false)) {
        *msg = MSG{};
        msg->hwnd = found;
        msg->message = WM_PAINT;
        return true;
      }
    }
  }
  if (filter) return false;
  // Nothing left for this thread: the queue stops asking until the next invalidation.
  auto queue = CurrentThreadQueue();
  std::lock_guard wait_lock(waitcore::Mutex());
  std::lock_guard lock(WindowLock());
  for (HWND top : user::TopLevelWindowsLocked()) {
    auto record = LookupWindowLocked(top);
    if (record && record->thread_id == me &&
        (FindPaintableLocked(top, nullptr, false) || !record->present_pending.empty()))
      return false;
  }
  queue->paint_pending = false;
  return false;
}

// A DC for a window: `client` selects the client area; `extra` (surface
// coordinates) limits it further when given.
HDC MakeWindowDc(HWND hwnd, bool client, bool clip_children, const Region* extra) {
  bool open = false;
  POINT origin;
  Region visible;
  HWND top = nullptr;
  DWORD thread_id = 0;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return nullptr;
    top = user::TopLevelOfLocked(hwnd);
    auto top_record = LookupWindowLocked(top);
    open = top_record && top_record->backend_open;
    thread_id = top_record ? top_record->thread_id : 0;
    origin = user::SurfaceOriginLocked(hwnd, client);
    visible = user::VisibleRegionLocked(hwnd, client, clip_children);
  }
  if (extra) visible = visible.Intersect(*extra);
  Surface* surface = SurfaceOf(top, open);
  if (!surface) {
    surface = &NullSurface();
    visible = Region();
  }
  visible.Offset(-origin.x, -origin.y);
  HDC hdc = CreateDCForSurface(surface, origin, &visible);
  if (!hdc) return nullptr;
  std::lock_guard lock(dc_mutex);
  Dcs()[hdc] = WindowDc{hwnd, top, thread_id};
  return hdc;
}

// Surface rectangles a DC may have changed.
std::vector<RECT> DirtyOf(HDC hdc) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (!dc) return {};
  const RECT box = dc->EffectiveClip().Box();
  auto clipped = [&box](const RECT& r) {
    return RECT{std::max(box.left, r.left), std::max(box.top, r.top), std::min(box.right, r.right),
                std::min(box.bottom, r.bottom)};
  };
  auto empty = [](const RECT& r) { return r.right <= r.left || r.bottom <= r.top; };
  if (!dc->BoundsEnabled()) return empty(box) ? std::vector<RECT>{} : std::vector<RECT>{box};
  // Only what the drawing calls reached, when the DC kept count of it.
  std::vector<RECT> dirty;
  for (size_t i = 0; i < dc->BoundsPartCount(); ++i) {
    const RECT r = clipped(dc->BoundsParts()[i]);
    if (!empty(r)) dirty.push_back(r);
  }
  return dirty;
}

void FinishDc(HDC hdc) {
  WindowDc info;
  {
    std::lock_guard lock(dc_mutex);
    auto found = Dcs().find(hdc);
    if (found == Dcs().end()) return;
    info = found->second;
    Dcs().erase(found);
  }
  std::vector<RECT> dirty = DirtyOf(hdc);
  DeleteDC(hdc);
  if (info.top && !dirty.empty()) user::PresentSurface(info.top, dirty);
}

// Sends WM_NCPAINT and WM_ERASEBKGND that are owed. Returns whether the
// background still needs erasing (WM_ERASEBKGND answered 0).
bool SendOwedFrameAndErase(HWND hwnd, HDC paint_dc, bool frame, bool erase, const Region& update) {
  if (frame) {
    RECT screen = user::WindowRectOnScreen(hwnd);
    Region on_screen = update;
    on_screen.Offset(screen.left, screen.top);
    HRGN region = NewRegion(on_screen);
    SendMessageA(hwnd, WM_NCPAINT, reinterpret_cast<WPARAM>(region), 0);
    DeleteObject(region);
  }
  if (!erase) return false;
  bool own_dc = false;
  if (!paint_dc) {
    paint_dc = GetDCEx(hwnd, nullptr, DCX_INTERSECTUPDATE);
    own_dc = true;
  }
  const bool erased = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint_dc), 0) != 0;
  if (own_dc) ReleaseDC(hwnd, paint_dc);
  return !erased;
}

// RDW_UPDATENOW / RDW_ERASENOW on a window and, when included, its children.
void UpdateNow(HWND hwnd, UINT flags) {
  bool needs = false;
  bool frame = false;
  bool erase = false;
  std::vector<HWND> children;
  bool include = false;
  Region update;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record || !user::IsVisibleLocked(hwnd)) return;
    needs = NeedsPaintLocked(*record);
    frame = record->frame_pending;
    erase = record->erase_pending;
    update = record->update;
    include = IncludeChildren(*record, flags);
    children = record->children;
    if (!(flags & RDW_UPDATENOW) && (frame || erase)) {
      record->frame_pending = false;
      record->erase_pending = false;
    }
  }
  if (needs) {
    if (flags & RDW_UPDATENOW)
      SendMessageA(hwnd, WM_PAINT, 0, 0);
    else if (frame || erase)
      SendOwedFrameAndErase(hwnd, nullptr, frame, erase, update);
  }
  if (include)
    for (HWND child : children) UpdateNow(child, flags);
}

void PrintWindowInto(HWND hwnd, HDC hdc, LPARAM flags);

bool DefPaint(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      *result = 0;
      return true;
    }
    case WM_ERASEBKGND: {
      auto record = LookupWindow(hwnd);
      HGDIOBJ_ brush = record ? record->window_class->background : nullptr;
      if (!brush || !wparam) {
        *result = 0;
        return true;
      }
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, static_cast<HBRUSH>(brush));
      *result = 1;
      return true;
    }
    case WM_SETREDRAW: {
      // Redrawing off hides the window from painting without hiding it.
      bool turned_on = false;
      {
        std::lock_guard lock(WindowLock());
        auto record = LookupWindowLocked(hwnd);
        if (!record) return true;
        if (wparam) {
          turned_on = record->redraw_off;
          if (record->redraw_off) record->style |= WS_VISIBLE;
          record->redraw_off = false;
        } else if (record->style & WS_VISIBLE) {
          record->style &= ~WS_VISIBLE;
          record->redraw_off = true;
        }
      }
      (void)turned_on;
      *result = 0;
      return true;
    }
    case WM_PRINT:
      PrintWindowInto(hwnd, reinterpret_cast<HDC>(wparam), lparam);
      *result = 0;
      return true;
    case WM_PRINTCLIENT:
      *result = 0;
      return true;
    case WM_SYNCPAINT:
      RedrawWindow(hwnd, nullptr, nullptr, RDW_ERASENOW | RDW_ALLCHILDREN);
      *result = 0;
      return true;
    default:
      return false;
  }
}

void PrintWindowInto(HWND hwnd, HDC hdc, LPARAM flags) {
  if (!hdc) return;
  if ((flags & PRF_CHECKVISIBLE) && !IsWindowVisible(hwnd)) return;
  RECT window_rect{};
  RECT client{};
  std::vector<HWND> children;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return;
    window_rect = record->window_rect;
    client = record->client_rect;
    children = record->children;
  }
  if (flags & PRF_NONCLIENT) {
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    bool active = false;
    if (auto record = LookupWindow(hwnd)) active = record->nc_active;
    const int saved = SaveDC(hdc);
    ExcludeClipRect(hdc, client.left, client.top, client.right, client.bottom);
    WindowFrame::Of(hwnd).Paint(hdc, title, active, 0);
    RestoreDC(hdc, saved);
  }
  const int saved = SaveDC(hdc);
  OffsetViewportOrgEx(hdc, client.left, client.top, nullptr);
  IntersectClipRect(hdc, 0, 0, Width(client), Height(client));
  if (flags & PRF_ERASEBKGND) SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
  if (flags & PRF_CLIENT) SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), flags);
  if (flags & PRF_CHILDREN) {
    // Bottom child first, so the ones above cover it.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      RECT child_rect{};
      {
        std::lock_guard lock(WindowLock());
        auto c = LookupWindowLocked(*it);
        if (!c || !(c->style & WS_VISIBLE)) continue;
        child_rect = c->window_rect;
      }
      const int child_saved = SaveDC(hdc);
      OffsetViewportOrgEx(hdc, child_rect.left, child_rect.top, nullptr);
      IntersectClipRect(hdc, 0, 0, Width(child_rect), Height(child_rect));
      SendMessageA(*it, WM_PRINT, reinterpret_cast<WPARAM>(hdc),
                   flags | PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
      RestoreDC(hdc, child_saved);
    }
  }
  RestoreDC(hdc, saved);
  (void)window_rect;
}

}  // namespace

namespace user {

POINT SurfaceOriginLocked(HWND hwnd, bool client) {
  POINT origin;
  auto record = LookupWindowLocked(hwnd);
  if (!record) return origin;
  if (client) {
    origin.x = record->client_rect.left;
    origin.y = record->client_rect.top;
  }
  for (; record && record->parent; record = LookupWindowLocked(record->parent)) {
    auto parent = LookupWindowLocked(record->parent);
    if (!parent) break;
    origin.x += record->window_rect.left + parent->client_rect.left;
    origin.y += record->window_rect.top + parent->client_rect.top;
  }
  return origin;
}

namespace {

// A window's shape in surface coordinates.
Region ShapeLocked(const WindowRecord& record) {
  const POINT origin = SurfaceOriginLocked(record.hwnd, false);
  Region shape(
      RECT{origin.x, origin.y, origin.x + Width(record.window_rect), origin.y + Height(record.window_rect)});
  if (record.has_window_region) {
    Region cut = record.window_region;
    cut.Offset(origin.x, origin.y);
    shape = shape.Intersect(cut);
  }
  return shape;
}

}  // namespace

Region VisibleRegionLocked(HWND hwnd, bool client, bool clip_children) {
  auto record = LookupWindowLocked(hwnd);
  if (!record || !IsVisibleLocked(hwnd)) return Region();
  Region visible = ShapeLocked(*record);
  if (client) {
    const POINT origin = SurfaceOriginLocked(hwnd, true);
    visible = visible.Intersect(RECT{origin.x, origin.y, origin.x + Width(record->client_rect),
                                     origin.y + Height(record->client_rect)});
  }
  for (auto child = record; child->parent;) {
    auto parent = LookupWindowLocked(child->parent);
    if (!parent) break;
    const POINT origin = SurfaceOriginLocked(parent->hwnd, true);
    visible = visible.Intersect(RECT{origin.x, origin.y, origin.x + Width(parent->client_rect),
                                     origin.y + Height(parent->client_rect)});
    if (parent->has_window_region) visible = visible.Intersect(ShapeLocked(*parent));
    if (child->style & WS_CLIPSIBLINGS) {
      for (HWND sibling : parent->children) {
        if (sibling == child->hwnd) break;
        auto s = LookupWindowLocked(sibling);
        if (s && (s->style & WS_VISIBLE)) visible = visible.Subtract(ShapeLocked(*s));
      }
    }
    child = parent;
  }
  if (clip_children || (record->style & WS_CLIPCHILDREN)) {
    for (HWND child : record->children) {
      auto c = LookupWindowLocked(child);
      if (c && (c->style & WS_VISIBLE)) visible = visible.Subtract(ShapeLocked(*c));
    }
  }
  return visible;
}

void InvalidateWindowRegion(HWND hwnd, const Region& region, UINT flags) {
  std::vector<DWORD> threads;
  {
    std::lock_guard lock(WindowLock());
    ApplyLocked(hwnd, region, flags, &threads);
  }
  std::sort(threads.begin(), threads.end());
  threads.erase(std::unique(threads.begin(), threads.end()), threads.end());
  for (DWORD thread : threads) WakePainter(thread);
}

// The backend's window takes the window region as its shape, where it can.
void SyncNativeShape(HWND hwnd) {
  std::optional<std::vector<RECT>> shape;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record || record->parent || !record->backend_open) return;
    if (record->has_window_region) shape = record->window_region.Rects();
  }
  backend::Current().SetWindowShape(hwnd, shape);
}

void OpenNativeWindow(HWND hwnd) {
  backend::WindowParams params;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record || record->parent || record->message_only || record->backend_open) return;
    params.rect = backend::FitWindowRect(record->window_rect);
    params.title = record->text;
    params.visible = false;
    params.topmost = record->ex_style & WS_EX_TOPMOST;
    params.tool_window = record->ex_style & WS_EX_TOOLWINDOW;
    // A bordered popup (a drop-down list, a calendar) is still a popup: only a caption makes it a window.
    // Menus, drop-down lists, calendars and tips: captionless tool popups.
    // A captionless form (a splash window) is an ordinary window to the desktop.
    params.popup = (record->style & WS_POPUP) && (record->style & WS_CAPTION) != WS_CAPTION &&
                   (record->ex_style & WS_EX_TOOLWINDOW);
  }
  if (!backend::Current().OpenWindow(hwnd, params)) return;
  bool shaped = false;
  {
    std::lock_guard lock(WindowLock());
    if (auto record = LookupWindowLocked(hwnd)) {
      record->backend_open = true;
      shaped = record->has_window_region;
    }
  }
  if (shaped) SyncNativeShape(hwnd);
}

void CloseNativeWindow(HWND hwnd) {
  {
    std::lock_guard lock(dc_mutex);
    // DCs still out draw into nothing once the surface is gone.
    for (auto it = Dcs().begin(); it != Dcs().end();) {
      if (it->second.top == hwnd) {
        GdiLock gdi;
        if (DeviceContext* dc = LookupDC(it->first)) {
          const Region nothing;
          dc->AttachSurface(&NullSurface(), POINT{});
          dc->SetVisibleRegion(&nothing);
        }
        it->second.top = nullptr;
      }
      ++it;
    }
  }
  bool open = false;
  {
    std::lock_guard lock(WindowLock());
    if (auto record = LookupWindowLocked(hwnd)) {
      open = record->backend_open;
      record->backend_open = false;
    } else {
      open = true;
    }
  }
  if (open) {
    GdiLock gdi;
    backend::Current().CloseWindow(hwnd);
  }
}

void PresentSurface(HWND top, const std::vector<RECT>& rects) {
  DWORD owner = 0;
  bool open = false;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(top);
    if (!record) return;
    owner = record->thread_id;
    open = record->backend_open;
    if (open && owner != GetCurrentThreadId()) {
      record->present_pending.insert(record->present_pending.end(), rects.begin(), rects.end());
    }
  }
  if (!open) return;
  if (owner != GetCurrentThreadId()) {
    WakePainter(owner);
    return;
  }
  GdiLock gdi;
  backend::Current().Present(top, rects);
}

void InstallPainting() {
  static std::once_flag once;
  std::call_once(once, [] {
    SetPaintMessageSource(PaintSource);
    AddDefWindowProcHandler(DefPaint);
  });
}

}  // namespace user

// ---- invalidation -----------------------------------------------------------------

namespace {

// A client-coordinate area in window coordinates; null means the whole client area.
bool ClientAreaToWindow(HWND hwnd, const RECT* rect, const Region* region, Region* out) {
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  if (!record) return false;
  const RECT client = record->client_rect;
  if (region) {
    *out = *region;
    out->Offset(client.left, client.top);
  } else if (rect) {
    *out = Region(Offset(*rect, client.left, client.top));
  } else {
    *out = Region(client);
  }
  return true;
}

}  // namespace

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  if (!hwnd || hwnd == GetDesktopWindow()) {
    for (HWND top : user::TopLevelZOrder()) RedrawWindow(top, nullptr, nullptr, flags | RDW_ALLCHILDREN);
    return TRUE;
  }
  Region area;
  Region given;
  if (region) given = RegionOf(region);
  if (!ClientAreaToWindow(hwnd, rect, region ? &given : nullptr, &area)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if ((flags & RDW_FRAME) && !rect && !region) {
    auto record = LookupWindow(hwnd);
    std::lock_guard lock(WindowLock());
    area = Region(WholeWindow(*record));
  }
  if (flags & (RDW_INVALIDATE | RDW_VALIDATE | RDW_INTERNALPAINT))
    user::InvalidateWindowRegion(hwnd, area, flags);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateNow(hwnd, flags);
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  if (region && !IsRegion(region)) return FALSE;
  return RedrawWindow(hwnd, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN | RDW_NOINTERNALPAINT);
}

BOOL ValidateRgn(HWND hwnd, HRGN region) {
  if (region && !IsRegion(region)) return FALSE;
  return RedrawWindow(hwnd, nullptr, region, RDW_VALIDATE | RDW_NOCHILDREN | RDW_NOINTERNALPAINT);
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase) {
  Region client_update;
  bool frame = false;
  bool owed = false;
  Region update;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return ERROR;
    }
    client_update = record->update.Intersect(record->client_rect);
    client_update.Offset(-record->client_rect.left, -record->client_rect.top);
    update = record->update;
    if (erase && (record->erase_pending || record->frame_pending)) {
      owed = record->erase_pending;
      frame = record->frame_pending;
      record->erase_pending = false;
      record->frame_pending = false;
    }
  }
  if (erase && (owed || frame)) SendOwedFrameAndErase(hwnd, nullptr, frame, owed, update);
  if (region) StoreRegion(region, client_update);
  return client_update.Kind();
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  const int kind = GetUpdateRgn(hwnd, region, erase);
  const Region copy = RegionOf(region);
  DeleteObject(region);
  if (rect) *rect = copy.Empty() ? RECT{} : copy.Box();
  return kind != ERROR && kind != NULLREGION ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  UpdateNow(hwnd, RDW_UPDATENOW | RDW_NOCHILDREN);
  return TRUE;
}

// ---- the paint cycle --------------------------------------------------------------

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
  if (!paint) return nullptr;
  *paint = PAINTSTRUCT{};
  Region update;
  bool frame = false;
  bool erase = false;
  RECT client{};
  POINT client_origin;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    update = record->update;
    frame = record->frame_pending;
    erase = record->erase_pending;
    record->update = Region();
    record->frame_pending = false;
    record->erase_pending = false;
    record->internal_paint = false;
    record->in_paint = true;
    client = record->client_rect;
    client_origin = user::SurfaceOriginLocked(hwnd, true);
  }
  if (frame) SendOwedFrameAndErase(hwnd, nullptr, true, false, update);
  Region client_update = update.Intersect(client);
  client_update.Offset(-client.left, -client.top);
  Region on_surface = client_update;
  on_surface.Offset(client_origin.x, client_origin.y);
  HDC hdc = MakeWindowDc(hwnd, true, false, &on_surface);
  paint->hdc = hdc;
  paint->rcPaint = client_update.Empty() ? RECT{} : client_update.Box();
  if (erase && hdc) paint->fErase = SendOwedFrameAndErase(hwnd, hdc, false, true, update) ? TRUE : FALSE;
  return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  {
    std::lock_guard lock(WindowLock());
    if (auto record = LookupWindowLocked(hwnd)) record->in_paint = false;
  }
  if (paint && paint->hdc) FinishDc(paint->hdc);
  return TRUE;
}

// ---- device contexts --------------------------------------------------------------

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  if (!hwnd || hwnd == GetDesktopWindow()) {
    Region nothing;
    HDC hdc = CreateDCForSurface(&NullSurface(), POINT{}, &nothing);
    std::lock_guard lock(dc_mutex);
    Dcs()[hdc] = WindowDc{};
    return hdc;
  }
  const bool client = !(flags & DCX_WINDOW);
  Region extra;
  bool limited = false;
  if (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN | DCX_INTERSECTUPDATE | DCX_EXCLUDEUPDATE)) {
    // Regions given here are in screen coordinates.
    RECT screen{};
    POINT top_screen;
    Region whole;
    Region update;
    {
      std::lock_guard lock(WindowLock());
      auto record = LookupWindowLocked(hwnd);
      if (!record) return nullptr;
      HWND top = user::TopLevelOfLocked(hwnd);
      RECT top_rect{};
      user::WindowRectOnScreenLocked(top, &top_rect, nullptr);
      top_screen = POINT{top_rect.left, top_rect.top};
      user::WindowRectOnScreenLocked(hwnd, &screen, nullptr);
      update = record->update;
      const POINT origin = user::SurfaceOriginLocked(hwnd, false);
      update.Offset(origin.x, origin.y);
      whole = Region(RECT{-(1 << 28), -(1 << 28), 1 << 28, 1 << 28});
    }
    extra = whole;
    if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
      Region given = RegionOf(clip);
      given.Offset(-top_screen.x, -top_screen.y);
      extra = (flags & DCX_INTERSECTRGN) ? extra.Intersect(given) : extra.Subtract(given);
    }
    if (flags & DCX_INTERSECTUPDATE) extra = extra.Intersect(update);
    if (flags & DCX_EXCLUDEUPDATE) extra = extra.Subtract(update);
    limited = true;
    (void)screen;
  }
  HDC hdc = MakeWindowDc(hwnd, client, (flags & DCX_CLIPCHILDREN) != 0, limited ? &extra : nullptr);
  if (hdc && (flags & DCX_INTERSECTUPDATE) && (flags & DCX_VALIDATE)) ValidateRect(hwnd, nullptr);
  return hdc;
}

HDC GetDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, 0); }

HDC GetWindowDC(HWND hwnd) { return GetDCEx(hwnd, nullptr, DCX_WINDOW); }

int ReleaseDC(HWND, HDC hdc) {
  {
    std::lock_guard lock(dc_mutex);
    if (!Dcs().count(hdc)) return 0;
  }
  FinishDc(hdc);
  return 1;
}

HWND WindowFromDC(HDC hdc) {
  std::lock_guard lock(dc_mutex);
  auto found = Dcs().find(hdc);
  return found == Dcs().end() ? nullptr : found->second.hwnd;
}

// ---- scrolling ----------------------------------------------------------------------

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update_region,
                   RECT* update_rect, UINT flags) {
  bool open = false;
  HWND top = nullptr;
  POINT origin;
  Region visible;
  RECT client{};
  std::vector<HWND> children;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return ERROR;
    }
    top = user::TopLevelOfLocked(hwnd);
    if (auto t = LookupWindowLocked(top)) open = t->backend_open;
    origin = user::SurfaceOriginLocked(hwnd, true);
    visible = user::VisibleRegionLocked(hwnd, true, false);
    visible.Offset(-origin.x, -origin.y);
    client = RECT{0, 0, Width(record->client_rect), Height(record->client_rect)};
    children = record->children;
    // What was waiting to be painted moves with the pixels.
    Region source_update = record->update.Intersect(record->client_rect);
    if (!source_update.Empty()) {
      Region in_scroll = source_update;
      in_scroll.Offset(-record->client_rect.left, -record->client_rect.top);
      if (scroll) in_scroll = in_scroll.Intersect(*scroll);
      Region moved = in_scroll;
      moved.Offset(dx, dy);
      moved = moved.Intersect(clip ? Region(*clip).Intersect(client) : Region(client));
      moved.Offset(record->client_rect.left, record->client_rect.top);
      in_scroll.Offset(record->client_rect.left, record->client_rect.top);
      record->update = record->update.Subtract(in_scroll).Union(moved);
    }
  }
  Region source_area = scroll ? Region(*scroll).Intersect(client) : Region(client);
  Region dest_area = clip ? Region(*clip).Intersect(client) : Region(client);
  Region readable = source_area.Intersect(visible);
  Region moved = readable;
  moved.Offset(dx, dy);
  moved = moved.Intersect(dest_area).Intersect(visible);
  Region uncovered = source_area.Intersect(dest_area).Intersect(visible).Subtract(moved);
  Surface* surface = SurfaceOf(top, open);

  if (surface && !moved.Empty()) {
    GdiLock gdi;
    // Read every source row before writing, so overlapping moves stay intact.
    // Only pixels whose source and destination both lie on the surface move.
    struct Run {
      int x, y, count;
    };
    // Kept per thread: a window scrolled on every refresh would otherwise map
    // fresh memory for each move.
    thread_local std::vector<Run> runs;
    thread_local std::vector<uint32_t> values;
    runs.clear();
    values.clear();
    moved.ForEachSpan([&](int y, int left, int right) {
      const int ty = y + origin.y;
      const int sy = ty - dy;
      if (ty < 0 || sy < 0 || ty >= surface->height || sy >= surface->height) return;
      const int lo = std::max({left + origin.x, 0, dx});
      const int hi = std::min({right + origin.x, surface->width, surface->width + dx});
      if (hi <= lo) return;
      const size_t at = values.size();
      values.resize(at + static_cast<size_t>(hi - lo));
      surface->GetRow(lo - dx, sy, hi - lo, values.data() + at);
      runs.push_back({lo, ty, hi - lo});
    });
    const uint32_t* from = values.data();
    for (const Run& run : runs) {
      surface->PutRow(run.x, run.y, run.count, from);
      from += run.count;
    }
  }
  if (flags & SW_SCROLLCHILDREN) {
    for (HWND child : children) {
      RECT r{};
      {
        std::lock_guard lock(WindowLock());
        auto c = LookupWindowLocked(child);
        if (!c) continue;
        r = c->window_rect;
      }
      if (scroll && !Region(*scroll).Intersects(r)) continue;
      SetWindowPos(child, nullptr, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  if (update_region) StoreRegion(update_region, uncovered);
  if (update_rect) *update_rect = uncovered.Empty() ? RECT{} : uncovered.Box();
  if ((flags & SW_INVALIDATE) && !uncovered.Empty()) {
    HRGN handle = NewRegion(uncovered);
    RedrawWindow(hwnd, nullptr, handle,
                 RDW_INVALIDATE | ((flags & SW_ERASE) ? RDW_ERASE : 0) |
                     ((flags & SW_SCROLLCHILDREN) ? RDW_ALLCHILDREN : 0));
    DeleteObject(handle);
  }
  if (surface && !moved.Empty()) {
    RECT box = moved.Box();
    user::PresentSurface(top, {Offset(box, origin.x, origin.y)});
  }
  return uncovered.Kind();
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip) {
  return ScrollWindowEx(hwnd, dx, dy, scroll, clip, nullptr, nullptr,
                        SW_INVALIDATE | SW_ERASE | (scroll ? 0 : SW_SCROLLCHILDREN)) != ERROR;
}

// ---- window regions ---------------------------------------------------------------

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  Region shape;
  const bool has = region != nullptr;
  if (has) {
    if (!IsRegion(region)) return 0;
    shape = RegionOf(region);
  }
  RECT old_rect{};
  bool child = false;
  Region old_shape;
  bool had = false;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    old_rect = record->window_rect;
    had = record->has_window_region;
    old_shape = record->window_region;
    child = record->parent != nullptr;
    record->has_window_region = has;
    record->window_region = shape;
  }
  // The layer owns the region from now on.
  if (has) DeleteObject(region);
  if (!child) user::SyncNativeShape(hwnd);
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (redraw ? 0 : SWP_NOREDRAW));
  if (redraw) {
    if (child) {
      // The parent shows through where the window no longer is.
      Region before = had ? old_shape : Region(RECT{0, 0, Width(old_rect), Height(old_rect)});
      Region gone = before.Subtract(has ? shape : Region(RECT{0, 0, Width(old_rect), Height(old_rect)}));
      HWND parent = GetAncestor(hwnd, GA_PARENT);
      POINT offset;
      {
        std::lock_guard lock(WindowLock());
        if (auto p = LookupWindowLocked(parent)) offset = POINT{p->client_rect.left, p->client_rect.top};
      }
      gone.Offset(old_rect.left + offset.x, old_rect.top + offset.y);
      if (!gone.Empty())
        user::InvalidateWindowRegion(parent, gone, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN region) {
  Region shape;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record || !record->has_window_region) return ERROR;
    shape = record->window_region;
  }
  if (!region || !IsRegion(region)) return ERROR;
  StoreRegion(region, shape);
  return shape.Kind();
}

}  // namespace plat
