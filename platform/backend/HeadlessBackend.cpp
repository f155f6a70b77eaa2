#include "platform/backend/HeadlessBackend.h"

#include <algorithm>

#include "platform/backend/KeyMap.h"
#include "platform/gdi/PngWriter.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/WaitCore.h"

namespace plat::backend {

struct HeadlessBackend::Window {
  Window(const WindowParams& p, const RECT& r)
      : rect(r),
        title(p.title),
        shown(p.visible),
        topmost(p.topmost),
        popup(p.popup),
        tool(p.tool_window),
        backing(r.right - r.left, r.bottom - r.top),
        presented(r.right - r.left, r.bottom - r.top) {}
  RECT rect;
  RECT restore_rect{};
  std::optional<std::vector<RECT>> shape;  // window coordinates
  std::string title;
  bool shown;
  bool topmost;
  bool popup;
  bool tool;
  bool minimized = false;
  bool maximized = false;
  BackingSurface backing;
  BackingSurface presented;  // what is on the memory screen
  std::vector<RECT> last_present;
  int presents = 0;
};

struct HeadlessBackend::Drag {
  HWND window;
  DragAction action;
  RECT start_rect;
  POINT start_point;
};

namespace {

bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

POINT ClampToRect(POINT p, const RECT& r) {
  if (IsEmpty(r)) return p;
  return POINT{std::clamp<LONG>(p.x, r.left, r.right - 1), std::clamp<LONG>(p.y, r.top, r.bottom - 1)};
}

UINT ButtonFlag(MouseButton b) {
  switch (b) {
    case MouseButton::Left:
      return kMkLButton;
    case MouseButton::Right:
      return kMkRButton;
    case MouseButton::Middle:
      return kMkMButton;
    case MouseButton::X1:
      return kMkXButton1;
    case MouseButton::X2:
      return kMkXButton2;
    default:
      return 0;
  }
}

Event WindowEvent(EventType type, HWND window, const RECT& rect = RECT{}) {
  Event e;
  e.type = type;
  e.window = window;
  e.rect = rect;
  return e;
}

bool IsPointerEvent(EventType t) {
  return t == EventType::MouseMove || t == EventType::MouseDown || t == EventType::MouseUp ||
         t == EventType::MouseWheel;
}

void CopyRect(const BackingSurface& from, BackingSurface& to, const RECT& r) {
  // Both are 32-bit surfaces, so a row is a run of pixel values.
  const RECT c = ClipRect(ClipRect(r, from.width(), from.height()), to.width(), to.height());
  if (IsEmpty(c)) return;
  for (int y = c.top; y < c.bottom; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(from.view().Row(y));
    to.surface()->PutRow(c.left, y, c.right - c.left, row + c.left);
  }
}

}  // namespace

HeadlessBackend::HeadlessBackend(int screen_width, int screen_height)
    : screen_width_(std::max(screen_width, 1)),
      screen_height_(std::max(screen_height, 1)),
      work_area_{0, 0, screen_width_, screen_height_} {}

HeadlessBackend::~HeadlessBackend() = default;

bool HeadlessBackend::Ready(std::string*) { return true; }

HeadlessBackend::Window* HeadlessBackend::Find(HWND window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.get();
}

const HeadlessBackend::Window* HeadlessBackend::Find(HWND window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.get();
}

int HeadlessBackend::Band(const Window& w) const { return w.popup ? 2 : w.topmost ? 1 : 0; }

void HeadlessBackend::PlaceOnTop(HWND window) {
  std::erase(stack_, window);
  const int band = Band(*Find(window));
  auto above = std::find_if(stack_.begin(), stack_.end(), [&](HWND h) { return Band(*Find(h)) > band; });
  stack_.insert(above, window);
}

bool HeadlessBackend::OpenWindow(HWND window, const WindowParams& params) {
  std::lock_guard lock(mutex_);
  if (!window || Find(window)) return false;
  windows_[window] = std::make_unique<Window>(params, FitWindowRect(params.rect));
  PlaceOnTop(window);
  return true;
}

void HeadlessBackend::CloseWindow(HWND window) {
  std::lock_guard lock(mutex_);
  if (!windows_.erase(window)) return;
  std::erase(stack_, window);
  if (focus_ == window) focus_ = nullptr;
  if (capture_ == window) capture_ = nullptr;
  if (pointer_window_ == window) pointer_window_ = nullptr;
  if (drag_ && drag_->window == window) drag_.reset();
}

bool HeadlessBackend::IsOpen(HWND window) const {
  std::lock_guard lock(mutex_);
  return Find(window) != nullptr;
}

void HeadlessBackend::ApplyRect(Window& w, const RECT& rect) {
  w.rect = FitWindowRect(rect);
  const int width = w.rect.right - w.rect.left;
  const int height = w.rect.bottom - w.rect.top;
  w.backing.Resize(width, height);
  w.presented.Resize(width, height);
}

bool HeadlessBackend::SetWindowRect(HWND window, const RECT& rect) {
  std::lock_guard lock(mutex_);
  Window* w = Find(window);
  if (!w) return false;
  ApplyRect(*w, rect);
  return true;
}

std::optional<RECT> HeadlessBackend::WindowRect(HWND window) const {
  std::lock_guard lock(mutex_);
  const Window* w = Find(window);
  if (!w) return std::nullopt;
  return w->rect;
}

bool HeadlessBackend::Show(HWND window, bool visible) {
  std::lock_guard lock(mutex_);
  Window* w = Find(window);
  if (!w) return false;
  if (w->shown == visible) return true;
  w->shown = visible;
  if (visible) {
    PlaceOnTop(window);
  } else if (focus_ == window) {
    SetFocusLocked(nullptr);
  }
  return true;
}

void HeadlessBackend::SetFocusLocked(HWND window) {
  if (focus_ == window) return;
  if (focus_) Queue(WindowEvent(EventType::FocusLost, focus_));
  focus_ = window;
  if (focus_) Queue(WindowEvent(EventType::FocusGained, focus_));
}

bool HeadlessBackend::Raise(HWND window) {
  std::lock_guard lock(mutex_);
  Window* w = Find(window);
  if (!w) return false;
  PlaceOnTop(window);
  if (w->shown && !w->minimized && !w->popup) SetFocusLocked(window);
  return true;
}

void HeadlessBackend::QueueRectChange(HWND window, const RECT& old_rect, const RECT& new_rect,
                                      EventType state) {
  std::vector<Event> events;
  if (old_rect.left != new_rect.left || old_rect.top != new_rect.top)
    Emit(events, EventType::Moved, window, new_rect);
  if (old_rect.right - old_rect.left != new_rect.right - new_rect.left ||
      old_rect.bottom - old_rect.top != new_rect.bottom - new_rect.top)
    Emit(events, EventType::Resized, window, new_rect);
  Emit(events, state, window, new_rect);
  for (Event& e : events) Queue(std::move(e));
}

void HeadlessBackend::Emit(std::vector<Event>& out, EventType type, HWND window, const RECT& rect) {
  out.push_back(WindowEvent(type, window, rect));
}

bool HeadlessBackend::Minimize(HWND window) {
  std::lock_guard lock(mutex_);
  Window* w = Find(window);
  if (!w) return false;
  if (w->minimized) return true;
  w->minimized = true;
  if (focus_ == window) SetFocusLocked(nullptr);
  QueueRectChange(window, w->rect, w->rect, EventType::Minimized);
  return true;
}

bool HeadlessBackend::Maximize(HWND window) {
  std::lock_guard lock(mutex_);
  Window* w = Find(window);
  if (!w) return false;
  const RECT old = w->rect;
  w->minimized = false;
  if (!w->maximized) w->restore_rect = w->rect;
  w->maximized = true;
  ApplyRect(*w, work_area_);
  QueueRectChange(window, old, w->rect, EventType::Maximized);
  return true;
}

bool HeadlessBackend::Restore(HWND window) {
  std::lock_guard lock(mutex_);
  Window* w = Find(window);
  if (!w) return false;
  const RECT old = w->rect;
  // From minimised the window comes back as it was, maximised or not.
  if (w->minimized) {
    w->minimized = false;
    QueueRectChange(window, old, old, w->maximized ? EventType::Maximized : EventType::Restored);
    return true;
  }
  if (w->maximized) {
    w->maximized = false;
    ApplyRect(*w, w->restore_rect);
  }
  QueueRectChange(window, old, w->rect, EventType::Restored);
  return true;
}

bool HeadlessBackend::SetTitle(HWND window, const std::string& title) {
  std::lock_guard lock(mutex_);
  Window* w = Find(window);
  if (!w) return false;
  w->title = title;
  return true;
}

bool HeadlessBackend::SetTopmost(HWND window, bool topmost) {
  std::lock_guard lock(mutex_);
  Window* w = Find(window);
  if (!w) return false;
  if (w->topmost != topmost) {
    w->topmost = topmost;
    PlaceOnTop(window);
  }
  return true;
}

Surface* HeadlessBackend::WindowSurface(HWND window) {
  std::lock_guard lock(mutex_);
  Window* w = Find(window);
  return w ? w->backing.surface() : nullptr;
}

bool HeadlessBackend::Present(HWND window, const std::vector<RECT>& dirty) {
  std::lock_guard lock(mutex_);
  Window* w = Find(window);
  if (!w) return false;
  const int width = w->backing.width();
  const int height = w->backing.height();
  std::vector<RECT> rects = dirty.empty() ? std::vector<RECT>{RECT{0, 0, width, height}} : dirty;
  w->last_present.clear();
  for (const RECT& r : rects) {
    RECT c = ClipRect(r, width, height);
    if (IsEmpty(c)) continue;
    CopyRect(w->backing, w->presented, c);
    w->last_present.push_back(c);
  }
  ++w->presents;
  return true;
}

SIZE HeadlessBackend::ScreenSize() {
  std::lock_guard lock(mutex_);
  return SIZE{screen_width_, screen_height_};
}

RECT HeadlessBackend::WorkArea() {
  std::lock_guard lock(mutex_);
  return work_area_;
}

void HeadlessBackend::SetWorkArea(const RECT& rect) {
  std::lock_guard lock(mutex_);
  work_area_ = rect;
}

void HeadlessBackend::SetCapture(HWND window) {
  std::lock_guard lock(mutex_);
  capture_ = window && Find(window) ? window : nullptr;
}

void HeadlessBackend::SetCursor(CursorShape shape) {
  std::lock_guard lock(mutex_);
  cursor_shape_ = shape;
  custom_cursor_.reset();
}

bool HeadlessBackend::SetCursorImage(const CursorImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
    return false;
  std::lock_guard lock(mutex_);
  custom_cursor_ = image;
  return true;
}

void HeadlessBackend::ClipCursor(const std::optional<RECT>& screen_rect) {
  std::lock_guard lock(mutex_);
  clip_ = screen_rect;
  if (clip_) cursor_ = ClampToRect(cursor_, *clip_);
}

POINT HeadlessBackend::CursorPos() {
  std::lock_guard lock(mutex_);
  return cursor_;
}

void HeadlessBackend::SetCursorPos(POINT screen_point) {
  {
    std::lock_guard lock(mutex_);
    cursor_ = clip_ ? ClampToRect(screen_point, *clip_) : screen_point;
  }
  InjectMouseMove(screen_point);
}

void HeadlessBackend::SetHitTest(HitTestCallback callback) {
  std::lock_guard lock(mutex_);
  hit_test_ = std::move(callback);
}

void HeadlessBackend::Beep(UINT type) {
  std::lock_guard lock(mutex_);
  beeps_.push_back(type);
}

bool HeadlessBackend::SetClipboardText(const std::string& text) {
  std::lock_guard lock(mutex_);
  clipboard_ = text;
  return true;
}

std::optional<std::string> HeadlessBackend::ClipboardText() {
  std::lock_guard lock(mutex_);
  return clipboard_;
}

std::vector<UINT> HeadlessBackend::Beeps() const {
  std::lock_guard lock(mutex_);
  return beeps_;
}

void HeadlessBackend::Queue(Event event) {
  {
    std::lock_guard lock(waitcore::Mutex());
    queue_.push_back(std::move(event));
  }
  waitcore::NotifyAll();
  // The main thread drives the backend; its queue waits fetch the event.
  SignalQueueInput(GetMainThreadId());
}

void HeadlessBackend::InjectMouseMove(POINT screen_point) {
  Event e;
  e.type = EventType::MouseMove;
  e.screen = screen_point;
  Queue(std::move(e));
}

void HeadlessBackend::InjectMouseButton(MouseButton button, bool down) {
  Event e;
  e.type = down ? EventType::MouseDown : EventType::MouseUp;
  e.button = button;
  Queue(std::move(e));
}

void HeadlessBackend::InjectClick(POINT screen_point, MouseButton button) {
  InjectMouseMove(screen_point);
  InjectMouseButton(button, true);
  InjectMouseButton(button, false);
}

void HeadlessBackend::InjectMouseWheel(int delta, bool horizontal) {
  Event e;
  e.type = EventType::MouseWheel;
  e.wheel_delta = delta;
  e.horizontal = horizontal;
  Queue(std::move(e));
}

void HeadlessBackend::InjectKey(UINT key, bool down, UINT scan) {
  KeyCode code = KeyForVk(key);
  Event e;
  e.type = down ? EventType::KeyDown : EventType::KeyUp;
  e.vk = code.vk;
  e.scan = scan ? scan : code.scan;
  e.extended = code.extended;
  Queue(std::move(e));
}

void HeadlessBackend::InjectText(const std::string& utf8) {
  Event e;
  e.type = EventType::Text;
  e.text = utf8;
  Queue(std::move(e));
}

void HeadlessBackend::InjectWindowEvent(HWND window, EventType type) {
  Event e;
  e.type = type;
  e.window = window;
  Queue(std::move(e));
}

void HeadlessBackend::Wake() {
  {
    std::lock_guard lock(waitcore::Mutex());
    wake_ = true;
  }
  waitcore::NotifyAll();
  SignalQueueInput(GetMainThreadId());
}

int HeadlessBackend::PollEvents(EventSink& sink, DWORD timeout_ms) {
  // Computed before taking the wait mutex: reading the clock takes it too.
  const int64_t deadline = timeout_ms == 0 ? 0 : waitcore::DeadlineAfterMs(timeout_ms);
  std::unique_lock lock(waitcore::Mutex());
  if (queue_.empty() && !wake_ && timeout_ms != 0)
    waitcore::WaitUntil(lock, deadline, [&] { return !queue_.empty() || wake_; });
  wake_ = false;
  int delivered = 0;
  while (!queue_.empty()) {
    Event e = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    delivered += Deliver(std::move(e), sink);
    lock.lock();
  }
  return delivered;
}

HWND HeadlessBackend::WindowAtLocked(POINT p) const {
  for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
    const Window* w = Find(*it);
    if (w->shown && !w->minimized && Contains(w->rect, p) &&
        InShape(*w, p.x - w->rect.left, p.y - w->rect.top))
      return *it;
  }
  return nullptr;
}

int HeadlessBackend::Deliver(Event e, EventSink& sink) {
  std::vector<Event> out;
  std::unique_lock lock(mutex_);
  if (IsPointerEvent(e.type)) {
    if (e.type == EventType::MouseMove) cursor_ = clip_ ? ClampToRect(e.screen, *clip_) : e.screen;
    e.screen = cursor_;
    const POINT p = cursor_;

    if (drag_) {
      // The window manager owns the pointer until the button that began the drag is released.
      if (e.type == EventType::MouseMove) {
        if (Window* w = Find(drag_->window)) {
          const RECT old = w->rect;
          ApplyRect(*w, ApplyDrag(drag_->action, drag_->start_rect, p.x - drag_->start_point.x,
                                  p.y - drag_->start_point.y));
          if (old.left != w->rect.left || old.top != w->rect.top)
            Emit(out, EventType::Moved, drag_->window, w->rect);
          if (old.right - old.left != w->rect.right - w->rect.left ||
              old.bottom - old.top != w->rect.bottom - w->rect.top)
            Emit(out, EventType::Resized, drag_->window, w->rect);
        }
      } else if (e.type == EventType::MouseUp && e.button == MouseButton::Left) {
        drag_.reset();
      }
    } else {
      HWND target = capture_ ? capture_ : WindowAtLocked(p);
      if (!capture_ && target != pointer_window_) {
        if (Find(pointer_window_)) Emit(out, EventType::MouseLeave, pointer_window_, RECT{});
        pointer_window_ = target;
      }
      if (e.type == EventType::MouseDown && target && !capture_) {
        if (e.button == MouseButton::Left && hit_test_) {
          HitTestCallback hit_test = hit_test_;
          lock.unlock();
          const DragAction action = DragActionForHit(hit_test(target, p));
          lock.lock();
          if (action != DragAction::None && Find(target)) {
            drag_ = std::make_unique<Drag>(Drag{target, action, Find(target)->rect, p});
            PlaceOnTop(target);
            if (!Find(target)->popup) {
              if (focus_ && focus_ != target) Emit(out, EventType::FocusLost, focus_, RECT{});
              if (focus_ != target) Emit(out, EventType::FocusGained, target, RECT{});
              focus_ = target;
            }
            target = nullptr;
          }
        }
        // Click to focus, as window managers do; menus and tips never take it.
        if (Window* w = target ? Find(target) : nullptr) {
          if (!w->popup) {
            PlaceOnTop(target);
            if (focus_ != target) {
              if (focus_) Emit(out, EventType::FocusLost, focus_, RECT{});
              Emit(out, EventType::FocusGained, target, RECT{});
              focus_ = target;
            }
          }
        } else {
          target = nullptr;
        }
      }
      if (e.type == EventType::MouseDown) buttons_ |= ButtonFlag(e.button);
      if (e.type == EventType::MouseUp) buttons_ &= ~ButtonFlag(e.button);
      if (const Window* w = target ? Find(target) : nullptr) {
        e.window = target;
        e.point = POINT{p.x - w->rect.left, p.y - w->rect.top};
        e.keys = buttons_ | (shift_ ? kMkShift : 0) | (control_ ? kMkControl : 0);
        e.alt = alt_;
        out.push_back(std::move(e));
      }
    }
  } else if (e.type == EventType::KeyDown || e.type == EventType::KeyUp) {
    static constexpr UINT kShift[] = {vk::SHIFT, 0xA0, 0xA1};
    static constexpr UINT kControl[] = {vk::CONTROL, 0xA2, 0xA3};
    static constexpr UINT kAlt[] = {vk::MENU, 0xA4, 0xA5};
    const bool down = e.type == EventType::KeyDown;
    if (std::ranges::count(kShift, e.vk)) shift_ = down;
    if (std::ranges::count(kControl, e.vk)) control_ = down;
    if (std::ranges::count(kAlt, e.vk)) alt_ = down;
    e.repeat = down && !keys_down_.insert(e.vk).second;
    if (!down) keys_down_.erase(e.vk);
    e.window = focus_;
    e.keys = buttons_ | (shift_ ? kMkShift : 0) | (control_ ? kMkControl : 0);
    e.alt = alt_;
    out.push_back(std::move(e));
  } else if (e.type == EventType::Text) {
    e.window = focus_;
    out.push_back(std::move(e));
  } else if (Window* w = Find(e.window)) {
    if (e.type == EventType::FocusGained) focus_ = e.window;
    if (e.type == EventType::FocusLost && focus_ == e.window) focus_ = nullptr;
    // A rectangle the backend made itself stays; injected ones carry the current one.
    if (IsEmpty(e.rect)) e.rect = w->rect;
    out.push_back(std::move(e));
  }
  lock.unlock();
  for (const Event& event : out) sink.OnEvent(event);
  return static_cast<int>(out.size());
}

std::unique_ptr<BackingSurface> HeadlessBackend::ScreenSnapshot() const {
  std::lock_guard lock(mutex_);
  auto screen = std::make_unique<BackingSurface>(screen_width_, screen_height_);
  Surface* s = screen->surface();
  for (int y = 0; y < s->height; ++y)
    for (int x = 0; x < s->width; ++x) s->Put(x, y, kDesktopColor);
  for (HWND h : stack_) {
    const Window* w = Find(h);
    if (!w->shown || w->minimized) continue;
    const RECT on_screen = ClipRect(w->rect, screen_width_, screen_height_);
    for (int y = on_screen.top; y < on_screen.bottom; ++y)
      for (int x = on_screen.left; x < on_screen.right; ++x)
        if (InShape(*w, x - w->rect.left, y - w->rect.top))
          s->Put(x, y, w->presented.Pixel(x - w->rect.left, y - w->rect.top));
  }
  return screen;
}

bool HeadlessBackend::SaveScreenPng(const std::string& path, std::string* error) const {
  return SaveSurfacePng(*ScreenSnapshot()->surface(), path, error);
}

bool HeadlessBackend::SaveWindowPng(HWND window, const std::string& path, std::string* error) const {
  std::lock_guard lock(mutex_);
  const Window* w = Find(window);
  if (!w) {
    if (error) *error = "no such window";
    return false;
  }
  return SaveSurfacePng(w->presented.view(), path, error);
}

uint32_t HeadlessBackend::PresentedPixel(HWND window, int x, int y) const {
  std::lock_guard lock(mutex_);
  const Window* w = Find(window);
  return w ? w->presented.Pixel(x, y) : 0;
}

std::vector<HWND> HeadlessBackend::ZOrder() const {
  std::lock_guard lock(mutex_);
  std::vector<HWND> order;
  for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
    const Window* w = Find(*it);
    if (w->shown && !w->minimized) order.push_back(*it);
  }
  return order;
}

HWND HeadlessBackend::WindowAt(POINT screen_point) const {
  std::lock_guard lock(mutex_);
  return WindowAtLocked(screen_point);
}

HWND HeadlessBackend::Focus() const {
  std::lock_guard lock(mutex_);
  return focus_;
}

HWND HeadlessBackend::Capture() const {
  std::lock_guard lock(mutex_);
  return capture_;
}

bool HeadlessBackend::IsShown(HWND window) const {
  std::lock_guard lock(mutex_);
  const Window* w = Find(window);
  return w && w->shown;
}

bool HeadlessBackend::IsMinimized(HWND window) const {
  std::lock_guard lock(mutex_);
  const Window* w = Find(window);
  return w && w->minimized;
}

bool HeadlessBackend::IsMaximized(HWND window) const {
  std::lock_guard lock(mutex_);
  const Window* w = Find(window);
  return w && w->maximized;
}

bool HeadlessBackend::IsTopmost(HWND window) const {
  std::lock_guard lock(mutex_);
  const Window* w = Find(window);
  return w && w->topmost;
}

bool HeadlessBackend::InShape(const Window& w, int x, int y) {
  if (!w.shape) return true;
  for (const RECT& r : *w.shape)
    if (Contains(r, POINT{x, y})) return true;
  return false;
}

bool HeadlessBackend::SetWindowShape(HWND window, const std::optional<std::vector<RECT>>& shape) {
  std::lock_guard lock(mutex_);
  Window* w = Find(window);
  if (!w) return false;
  w->shape = shape;
  return true;
}

std::optional<std::vector<RECT>> HeadlessBackend::WindowShape(HWND window) const {
  std::lock_guard lock(mutex_);
  const Window* w = Find(window);
  return w ? w->shape : std::nullopt;
}

std::string HeadlessBackend::Title(HWND window) const {
  std::lock_guard lock(mutex_);
  const Window* w = Find(window);
  return w ? w->title : std::string();
}

CursorShape HeadlessBackend::Cursor() const {
  std::lock_guard lock(mutex_);
  return cursor_shape_;
}

std::optional<CursorImage> HeadlessBackend::CustomCursor() const {
  std::lock_guard lock(mutex_);
  return custom_cursor_;
}

std::optional<RECT> HeadlessBackend::CursorClip() const {
  std::lock_guard lock(mutex_);
  return clip_;
}

std::vector<RECT> HeadlessBackend::LastPresented(HWND window) const {
  std::lock_guard lock(mutex_);
  const Window* w = Find(window);
  return w ? w->last_present : std::vector<RECT>{};
}

int HeadlessBackend::PresentCount(HWND window) const {
  std::lock_guard lock(mutex_);
  const Window* w = Find(window);
  return w ? w->presents : 0;
}

}  // namespace plat::backend
