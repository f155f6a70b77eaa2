#include "platform/backend/SdlBackend.h"

#include <SDL.h>
#include <SDL_shape.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/backend/KeyMap.h"
#include "platform/backend/X11Desktop.h"
#include "platform/kernel/Clock.h"

namespace plat::backend {

struct SdlBackend::Window {
  explicit Window(const RECT& r) : rect(r), backing(r.right - r.left, r.bottom - r.top) {}
  ~Window() {
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (sdl) SDL_DestroyWindow(sdl);
  }
  RECT rect;
  BackingSurface backing;
  std::string title;
  Uint32 flags = 0;
  bool shaped = false;                     // SDL's window is a shaped one
  std::optional<std::vector<RECT>> shape;  // window coordinates; none: rectangular
  SDL_Window* sdl = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int texture_width = 0;
  int texture_height = 0;
  bool hidden_as_minimized = false;  // minimised without a window manager
  bool visible = false;
  bool topmost = false;
  bool popup = false;
  HWND owner = nullptr;
  bool modal = false;
  uint64_t raised = 0;  // when it last went to the top
  // SDL's ids of the windows this one replaced (made again with a shape):
  // input the desktop sent them before they went is still this window's.
  std::vector<uint32_t> former_ids;
  bool restate = false;  // shown under a window manager: states asked again once it draws
};

struct SdlThunks {
  static SDL_HitTestResult SDLCALL HitTest(SDL_Window* window, const SDL_Point* point, void* self) {
    switch (DragActionForHit(
        static_cast<SdlBackend*>(self)->HitTest(SDL_GetWindowID(window), point->x, point->y))) {
      case DragAction::Move:
        return SDL_HITTEST_DRAGGABLE;
      case DragAction::Left:
        return SDL_HITTEST_RESIZE_LEFT;
      case DragAction::Right:
        return SDL_HITTEST_RESIZE_RIGHT;
      case DragAction::Top:
        return SDL_HITTEST_RESIZE_TOP;
      case DragAction::TopLeft:
        return SDL_HITTEST_RESIZE_TOPLEFT;
      case DragAction::TopRight:
        return SDL_HITTEST_RESIZE_TOPRIGHT;
      case DragAction::Bottom:
        return SDL_HITTEST_RESIZE_BOTTOM;
      case DragAction::BottomLeft:
        return SDL_HITTEST_RESIZE_BOTTOMLEFT;
      case DragAction::BottomRight:
        return SDL_HITTEST_RESIZE_BOTTOMRIGHT;
      case DragAction::None:
        break;
    }
    return SDL_HITTEST_NORMAL;
  }
};

namespace {

SDL_SystemCursor SystemCursor(CursorShape shape) {
  switch (shape) {
    case CursorShape::Arrow:
      return SDL_SYSTEM_CURSOR_ARROW;
    case CursorShape::IBeam:
      return SDL_SYSTEM_CURSOR_IBEAM;
    case CursorShape::Wait:
      return SDL_SYSTEM_CURSOR_WAIT;
    case CursorShape::AppStarting:
      return SDL_SYSTEM_CURSOR_WAITARROW;
    case CursorShape::Cross:
      return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case CursorShape::SizeNWSE:
      return SDL_SYSTEM_CURSOR_SIZENWSE;
    case CursorShape::SizeNESW:
      return SDL_SYSTEM_CURSOR_SIZENESW;
    case CursorShape::SizeWE:
      return SDL_SYSTEM_CURSOR_SIZEWE;
    case CursorShape::SizeNS:
      return SDL_SYSTEM_CURSOR_SIZENS;
    case CursorShape::SizeAll:
      return SDL_SYSTEM_CURSOR_SIZEALL;
    case CursorShape::No:
      return SDL_SYSTEM_CURSOR_NO;
    case CursorShape::Hand:
      return SDL_SYSTEM_CURSOR_HAND;
  }
  return SDL_SYSTEM_CURSOR_ARROW;
}

MouseButton ButtonFromSdl(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return MouseButton::Left;
    case SDL_BUTTON_RIGHT:
      return MouseButton::Right;
    case SDL_BUTTON_MIDDLE:
      return MouseButton::Middle;
    case SDL_BUTTON_X1:
      return MouseButton::X1;
    case SDL_BUTTON_X2:
      return MouseButton::X2;
    default:
      return MouseButton::None;
  }
}

UINT HeldKeys() {
  const Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
  const SDL_Keymod mod = SDL_GetModState();
  UINT keys = 0;
  if (buttons & SDL_BUTTON_LMASK) keys |= kMkLButton;
  if (buttons & SDL_BUTTON_RMASK) keys |= kMkRButton;
  if (buttons & SDL_BUTTON_MMASK) keys |= kMkMButton;
  if (buttons & SDL_BUTTON_X1MASK) keys |= kMkXButton1;
  if (buttons & SDL_BUTTON_X2MASK) keys |= kMkXButton2;
  if (mod & KMOD_SHIFT) keys |= kMkShift;
  if (mod & KMOD_CTRL) keys |= kMkControl;
  return keys;
}

bool AltHeld() { return (SDL_GetModState() & KMOD_ALT) != 0; }

SDL_Rect ToSdl(const RECT& r) { return SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top}; }

// Where SDL keeps a shaped window while its shape is being set.
constexpr int kShapeParking = -1000;

bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

struct VideoState {
  bool ready = false;
  std::string error;
};

// SDL's video is one per process and is started once: every backend instance
// shares it, and it stays up to the end, as do the X libraries it loads.
const VideoState& Video() {
  static VideoState state;
  static std::once_flag once;
  std::call_once(once, [] {
    // The layer decides about capture, signals and quitting; SDL is not to.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // The layer draws every pixel itself: SDL's software renderer puts them on
    // the screen through shared memory, where a GL context (a software
    // rasteriser on most desktops without a GPU driver) costs a third of a
    // second a window and most of the time a frame takes.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // With no X display, no Wayland display and no runtime folder to find one
    // in, nothing can open; asking SDL anyway has the Wayland client library
    // print an "error:" line on a run that goes on fine without windows.
    if (!EnvSet("DISPLAY") && !EnvSet("WAYLAND_DISPLAY") && !EnvSet("XDG_RUNTIME_DIR") &&
        !EnvSet("SDL_VIDEODRIVER")) {
      state.error = "the display could not be opened: DISPLAY and WAYLAND_DISPLAY are not set";
      return;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      state.error = std::string("the display could not be opened: ") + SDL_GetError();
      return;
    }
    // SDL's own handler ends the process on the first X error, even one about
    // a window that has just gone.
    if (const char* driver = SDL_GetCurrentVideoDriver(); driver && std::strcmp(driver, "x11") == 0)
      x11::InstallErrorHandlers();
    state.ready = true;
  });
  return state;
}

}  // namespace

// Other threads wake the loop through an eventfd rather than an SDL event:
// SDL wakes a waiting loop by sending an X event to one of its windows, which
// may be a menu that the loop destroys before the event arrives.
SdlBackend::SdlBackend() : wake_fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

SdlBackend::~SdlBackend() {
  windows_.clear();
  if (custom_cursor_) SDL_FreeCursor(custom_cursor_);
  for (auto& [shape, cursor] : system_cursors_) SDL_FreeCursor(cursor);
  if (wake_fd_ >= 0) close(wake_fd_);
}

bool SdlBackend::Start() {
  if (started_) return video_ready_;
  started_ = true;
  const VideoState& video = Video();
  if (!video.ready) {
    error_ = video.error;
    return false;
  }
  video_ready_ = true;
  return true;
}

bool SdlBackend::Ready(std::string* error) {
  const bool ready = Start();
  if (!ready && error) *error = error_;
  return ready;
}

SdlBackend::Window* SdlBackend::Find(HWND window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.get();
}

const SdlBackend::Window* SdlBackend::Find(HWND window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.get();
}

SdlBackend::Window* SdlBackend::FindById(uint32_t id) {
  for (auto& [hwnd, w] : windows_)
    if (SDL_GetWindowID(w->sdl) == id) return w.get();
  for (auto& [hwnd, w] : windows_)
    if (std::find(w->former_ids.begin(), w->former_ids.end(), id) != w->former_ids.end()) return w.get();
  return nullptr;
}

bool SdlBackend::OpenWindow(HWND window, const WindowParams& params) {
  if (!Start() || !window || Find(window)) return false;
  auto w = std::make_unique<Window>(FitWindowRect(params.rect));
  Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_RESIZABLE;
  flags |= params.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  if (params.topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  // SDL takes at most one window type; a popup (menus, drop-down lists) wins.
  if (params.popup)
    flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_POPUP_MENU;
  else if (params.tool_window)
    flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_UTILITY;
  const SDL_Rect r = ToSdl(w->rect);
  w->title = params.title;
  w->flags = flags;
  w->visible = params.visible;
  w->topmost = params.topmost;
  w->popup = params.popup;
  w->raised = ++raise_serial_;
  w->sdl = SDL_CreateWindow(params.title.c_str(), r.x, r.y, r.w, r.h, flags);
  if (!w->sdl) {
    error_ = std::string("a window could not be made: ") + SDL_GetError();
    return false;
  }
  w->renderer = SDL_CreateRenderer(w->sdl, -1, 0);
  if (!w->renderer) w->renderer = SDL_CreateRenderer(w->sdl, -1, SDL_RENDERER_SOFTWARE);
  if (!w->renderer) {
    error_ = std::string("a window could not be drawn to: ") + SDL_GetError();
    return false;
  }
  SDL_SetWindowHitTest(w->sdl, &SdlThunks::HitTest, this);
  x11::SetClassHint(w->sdl);
  x11::SetTitle(w->sdl, params.title);
  windows_[window] = std::move(w);
  return true;
}

void SdlBackend::CloseWindow(HWND window) {
  if (capture_ == window) SetCapture(nullptr);
  windows_.erase(window);
}

bool SdlBackend::IsOpen(HWND window) const { return Find(window) != nullptr; }

bool SdlBackend::SetWindowRect(HWND window, const RECT& rect) {
  Window* w = Find(window);
  if (!w) return false;
  const RECT old = w->rect;
  w->rect = FitWindowRect(rect);
  const SDL_Rect r = ToSdl(w->rect);
  SDL_SetWindowPosition(w->sdl, r.x, r.y);
  const bool resized = r.w != old.right - old.left || r.h != old.bottom - old.top;
  if (resized || !w->shaped) SDL_SetWindowSize(w->sdl, r.w, r.h);
  w->backing.Resize(r.w, r.h);
  if (w->shaped && resized) ApplyShape(*w);
  return true;
}

std::optional<RECT> SdlBackend::WindowRect(HWND window) const {
  const Window* w = Find(window);
  if (!w) return std::nullopt;
  return w->rect;
}

bool SdlBackend::Show(HWND window, bool visible) {
  Window* w = Find(window);
  if (!w) return false;
  // Without a window manager SDL gives the keyboard to every window it shows;
  // a menu or a drop-down list must leave it where it was.
  SDL_Window* focus_before = visible && w->popup ? SDL_GetKeyboardFocus() : nullptr;
  if (visible && !w->visible) {
    // The window manager dropped the states when the window was hidden last.
    x11::SetWmState(w->sdl, x11::WmState::kAbove, WantsAbove(*w));
    x11::SetWmState(w->sdl, x11::WmState::kModal, w->modal);
  }
  visible ? SDL_ShowWindow(w->sdl) : SDL_HideWindow(w->sdl);
  if (visible && !w->visible && WindowManager()) {
    // A window manager behind with its events may take the window in again
    // before it has finished dropping it, and with it the states set above:
    // now that the window is mapped, the states are asked for once more.
    RestateWmStates(*w);
    w->restate = true;
  }
  if (focus_before && focus_before != w->sdl && SDL_GetKeyboardFocus() == w->sdl)
    SDL_SetWindowInputFocus(focus_before);
  if (visible && !w->visible) w->raised = ++raise_serial_;
  w->visible = visible;
  if (visible) KeepBands();
  return true;
}

bool SdlBackend::Raise(HWND window) {
  Window* w = Find(window);
  if (!w) return false;
  SDL_RaiseWindow(w->sdl);
  w->raised = ++raise_serial_;
  KeepBands();
  return true;
}

bool SdlBackend::WindowManager() {
  const uint32_t now = SDL_GetTicks();
  if (wm_known_ && now - wm_checked_ms_ < 1000) return wm_running_;
  for (auto& [hwnd, w] : windows_) {
    wm_running_ = x11::WindowManagerRunning(w->sdl);
    wm_known_ = true;
    wm_checked_ms_ = now;
    break;
  }
  return wm_running_;
}

void SdlBackend::KeepBands() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0 || WindowManager()) return;
  // 1: stay-on-top windows and what they own; 2: popups, above everything.
  auto band = [&](const Window& w) {
    if (w.popup) return 2;
    const Window* at = &w;
    for (int depth = 0; at && depth < 8; ++depth, at = at->owner ? Find(at->owner) : nullptr)
      if (at->topmost) return 1;
    return 0;
  };
  std::vector<std::pair<std::pair<int, uint64_t>, SDL_Window*>> above;
  for (auto& [hwnd, w] : windows_)
    if (w->visible && !w->hidden_as_minimized)
      if (const int b = band(*w); b > 0) above.push_back({{b, w->raised}, w->sdl});
  std::sort(above.begin(), above.end());
  for (auto& [key, sdl] : above) x11::RaiseWindow(sdl);
}

bool SdlBackend::Minimize(HWND window) {
  Window* w = Find(window);
  if (!w) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && std::strcmp(driver, "x11") == 0 && !WindowManager()) {
    // Only a window manager iconifies; without one the window is taken off
    // the screen until it is restored.
    SDL_HideWindow(w->sdl);
    w->hidden_as_minimized = true;
    return true;
  }
  SDL_MinimizeWindow(w->sdl);
  return true;
}

bool SdlBackend::Maximize(HWND window) {
  Window* w = Find(window);
  if (!w) return false;
  SDL_MaximizeWindow(w->sdl);
  return true;
}

bool SdlBackend::Restore(HWND window) {
  Window* w = Find(window);
  if (!w) return false;
  if (w->hidden_as_minimized) {
    w->hidden_as_minimized = false;
    SDL_ShowWindow(w->sdl);
    return true;
  }
  SDL_RestoreWindow(w->sdl);
  return true;
}

bool SdlBackend::SetTitle(HWND window, const std::string& title) {
  Window* w = Find(window);
  if (!w) return false;
  SDL_SetWindowTitle(w->sdl, title.c_str());
  x11::SetTitle(w->sdl, title);
  w->title = title;
  return true;
}

bool SdlBackend::WantsAbove(const Window& w) const {
  const Window* at = &w;
  for (int depth = 0; at && depth < 8; ++depth, at = at->owner ? Find(at->owner) : nullptr)
    if (at->topmost) return true;
  return false;
}

void SdlBackend::RestateWmStates(Window& w) {
  if (WantsAbove(w)) x11::SetWmState(w.sdl, x11::WmState::kAbove, true);
  if (w.modal) x11::SetWmState(w.sdl, x11::WmState::kModal, true);
}

void SdlBackend::ApplyAbove(Window& w) {
  const bool above = WantsAbove(w);
  const bool now = (SDL_GetWindowFlags(w.sdl) & SDL_WINDOW_ALWAYS_ON_TOP) != 0;
  if (above != now) SDL_SetWindowAlwaysOnTop(w.sdl, above ? SDL_TRUE : SDL_FALSE);
}

bool SdlBackend::SetOwner(HWND window, HWND owner, bool modal) {
  Window* w = Find(window);
  if (!w) return false;
  const Window* o = owner != window ? Find(owner) : nullptr;
  w->owner = o ? owner : nullptr;
  w->modal = modal && o;
  x11::SetTransientFor(w->sdl, o ? o->sdl : nullptr);
  // A window that belongs with a stay-on-top window stays on top with it, as
  // a window manager keeps transients in their own layer only. SDL rewrites
  // the whole state of a hidden window for that, so the modal state follows.
  ApplyAbove(*w);
  x11::SetWmState(w->sdl, x11::WmState::kModal, w->modal);
  return true;
}

bool SdlBackend::SetTopmost(HWND window, bool topmost) {
  Window* w = Find(window);
  if (!w) return false;
  w->topmost = topmost;
  ApplyAbove(*w);
  return true;
}

Surface* SdlBackend::WindowSurface(HWND window) {
  Window* w = Find(window);
  return w ? w->backing.surface() : nullptr;
}

bool SdlBackend::Upload(Window& w, const std::vector<RECT>& dirty) {
  const int width = w.backing.width();
  const int height = w.backing.height();
  std::vector<RECT> rects = dirty;
  if (!w.texture || w.texture_width != width || w.texture_height != height) {
    if (w.texture) SDL_DestroyTexture(w.texture);
    // The high byte is not alpha: the surface's pixels are 0x00RRGGBB.
    w.texture =
        SDL_CreateTexture(w.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!w.texture) {
      w.texture_width = w.texture_height = 0;
      error_ = std::string("a window texture could not be made: ") + SDL_GetError();
      return false;
    }
    w.texture_width = width;
    w.texture_height = height;
    rects.clear();  // a new texture needs everything
  }
  if (rects.empty()) rects.push_back(RECT{0, 0, width, height});
  const Surface& s = w.backing.view();
  for (const RECT& r : rects) {
    const RECT c = ClipRect(r, width, height);
    if (IsEmpty(c)) continue;
    const SDL_Rect area = ToSdl(c);
    const uint8_t* first = s.bits + static_cast<ptrdiff_t>(c.top) * s.stride + c.left * 4;
    if (SDL_UpdateTexture(w.texture, &area, first, s.stride) != 0) return false;
  }
  return true;
}

void SdlBackend::Redraw(Window& w) {
  SDL_RenderCopy(w.renderer, w.texture, nullptr, nullptr);
  SDL_RenderPresent(w.renderer);
}

bool SdlBackend::Present(HWND window, const std::vector<RECT>& dirty) {
  Window* w = Find(window);
  if (!w || !Upload(*w, dirty)) return false;
  // The renderer's back buffer is undefined after a present, so the whole texture is drawn.
  Redraw(*w);
  return true;
}

bool SdlBackend::MakeShaped(Window& w) {
  if (w.shaped) return true;
  const SDL_Rect r = ToSdl(w.rect);
  const Uint32 live = SDL_GetWindowFlags(w.sdl);
  // SDL makes shaped windows hidden and borderless; shown once they have their shape.
  // Made for OpenGL from the start: a renderer would otherwise have SDL make
  // the window again, and the new one has no shape.
  SDL_Window* shaped =
      SDL_CreateShapedWindow(w.title.c_str(), r.x, r.y, r.w, r.h,
                             (w.flags & ~SDL_WINDOW_SHOWN) | SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
  if (!shaped) return false;
  SDL_Renderer* renderer = SDL_CreateRenderer(shaped, -1, 0);
  if (!renderer) renderer = SDL_CreateRenderer(shaped, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer || !SDL_IsShapedWindow(shaped)) {
    if (renderer) SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(shaped);
    return false;
  }
  // A click on the window as it was, not yet taken from the desktop, would go
  // with the old window: it is taken now and kept under the old window's id.
  SDL_PumpEvents();
  w.former_ids.push_back(SDL_GetWindowID(w.sdl));
  if (w.texture) SDL_DestroyTexture(w.texture);
  SDL_DestroyRenderer(w.renderer);
  SDL_DestroyWindow(w.sdl);
  w.texture = nullptr;
  w.texture_width = w.texture_height = 0;
  w.sdl = shaped;
  w.renderer = renderer;
  w.shaped = true;
  SDL_SetWindowHitTest(w.sdl, &SdlThunks::HitTest, this);
  x11::SetClassHint(w.sdl);
  x11::SetTitle(w.sdl, w.title);
  if (live & SDL_WINDOW_ALWAYS_ON_TOP) SDL_SetWindowAlwaysOnTop(w.sdl, SDL_TRUE);
  if (const Window* owner = w.owner ? Find(w.owner) : nullptr) {
    x11::SetTransientFor(w.sdl, owner->sdl);
    x11::SetWmState(w.sdl, x11::WmState::kModal, w.modal);
  }
  ApplyShape(w);
  if (live & SDL_WINDOW_SHOWN) SDL_ShowWindow(w.sdl);
  // The new window starts with the whole picture.
  if (Upload(w, {})) Redraw(w);
  return true;
}

bool SdlBackend::ApplyShape(Window& w) {
  if (!w.shaped) return false;
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(w.sdl, &width, &height);
  if (width <= 0 || height <= 0) return false;
  SDL_Surface* mask = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!mask) return false;
  const Uint32 opaque = SDL_MapRGBA(mask->format, 0, 0, 0, 255);
  if (!w.shape) {
    SDL_FillRect(mask, nullptr, opaque);
  } else {
    SDL_FillRect(mask, nullptr, SDL_MapRGBA(mask->format, 0, 0, 0, 0));
    for (const RECT& part : *w.shape) {
      const RECT c = ClipRect(part, width, height);
      if (IsEmpty(c)) continue;
      const SDL_Rect area = ToSdl(c);
      SDL_FillRect(mask, &area, opaque);
    }
  }
  SDL_WindowShapeMode mode;
  mode.mode = ShapeModeBinarizeAlpha;
  mode.parameters.binarizationCutoff = 128;
  const bool ok = SDL_SetWindowShape(w.sdl, mask, &mode) == 0;
  SDL_FreeSurface(mask);
  SDL_SetWindowPosition(w.sdl, w.rect.left, w.rect.top);
  return ok;
}

bool SdlBackend::SetWindowShape(HWND window, const std::optional<std::vector<RECT>>& shape) {
  Window* w = Find(window);
  if (!w) return false;
  w->shape = shape;
  // A rectangular window needs no shaping; a shaped one takes a full mask.
  if (!shape && !w->shaped) return true;
  if (!w->shaped) return MakeShaped(*w);
  return ApplyShape(*w);
}

bool SdlBackend::IsShaped(HWND window) const {
  const Window* w = Find(window);
  return w && w->shaped && SDL_IsShapedWindow(w->sdl);
}

std::optional<uint32_t> SdlBackend::ReadBackPixel(HWND window, int x, int y) {
  Window* w = Find(window);
  if (!w || !w->texture || x < 0 || y < 0 || x >= w->texture_width || y >= w->texture_height)
    return std::nullopt;
  SDL_RenderCopy(w->renderer, w->texture, nullptr, nullptr);
  const SDL_Rect one{x, y, 1, 1};
  uint32_t pixel = 0;
  const int read = SDL_RenderReadPixels(w->renderer, &one, SDL_PIXELFORMAT_RGB888, &pixel, 4);
  SDL_RenderPresent(w->renderer);
  if (read != 0) return std::nullopt;
  return pixel & 0x00FFFFFFu;
}

SIZE SdlBackend::ScreenSize() {
  SDL_Rect r{};
  if (!Start() || SDL_GetDisplayBounds(0, &r) != 0) return SIZE{};
  return SIZE{r.w, r.h};
}

RECT SdlBackend::WorkArea() {
  SDL_Rect r{};
  if (!Start() || SDL_GetDisplayUsableBounds(0, &r) != 0) return RECT{};
  return RECT{r.x, r.y, r.x + r.w, r.y + r.h};
}

void SdlBackend::SetCapture(HWND window) {
  if (!Start()) return;
  capture_ = Find(window) ? window : nullptr;
  // SDL keeps reporting the pointer outside the windows while captured.
  SDL_CaptureMouse(capture_ ? SDL_TRUE : SDL_FALSE);
}

void SdlBackend::SetCursor(CursorShape shape) {
  if (!Start()) return;
  SDL_Cursor*& cursor = system_cursors_[shape];
  if (!cursor) cursor = SDL_CreateSystemCursor(SystemCursor(shape));
  if (cursor) SDL_SetCursor(cursor);
  if (custom_cursor_) {
    SDL_FreeCursor(custom_cursor_);
    custom_cursor_ = nullptr;
  }
}

bool SdlBackend::SetCursorImage(const CursorImage& image) {
  if (!Start() || image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
    return false;
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(image.pixels.data()), image.width,
                                         image.height, 32, image.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return false;
  SDL_Cursor* cursor = SDL_CreateColorCursor(surface, image.hot_spot.x, image.hot_spot.y);
  SDL_FreeSurface(surface);
  if (!cursor) return false;
  SDL_SetCursor(cursor);
  // SDL must not be left pointing at a freed cursor, so the old one goes after.
  if (custom_cursor_) SDL_FreeCursor(custom_cursor_);
  custom_cursor_ = cursor;
  return true;
}

void SdlBackend::ApplyClip() {
  SDL_Window* focus = SDL_GetKeyboardFocus();
  for (auto& [hwnd, w] : windows_) {
    if (!clip_ || w->sdl != focus) {
      SDL_SetWindowMouseRect(w->sdl, nullptr);
      continue;
    }
    const RECT local = ClipRect(RECT{clip_->left - w->rect.left, clip_->top - w->rect.top,
                                     clip_->right - w->rect.left, clip_->bottom - w->rect.top},
                                w->rect.right - w->rect.left, w->rect.bottom - w->rect.top);
    const SDL_Rect r = ToSdl(local);
    SDL_SetWindowMouseRect(w->sdl, IsEmpty(local) ? nullptr : &r);
  }
}

void SdlBackend::ClipCursor(const std::optional<RECT>& screen_rect) {
  if (!Start()) return;
  // SDL confines the pointer per window: the rectangle applies to the focused one.
  clip_ = screen_rect;
  ApplyClip();
}

POINT SdlBackend::CursorPos() {
  int x = 0, y = 0;
  if (Start()) SDL_GetGlobalMouseState(&x, &y);
  return POINT{x, y};
}

void SdlBackend::SetCursorPos(POINT screen_point) {
  if (Start()) SDL_WarpMouseGlobal(screen_point.x, screen_point.y);
}

void SdlBackend::SetHitTest(HitTestCallback callback) { hit_test_ = std::move(callback); }

int SdlBackend::HitTest(uint32_t sdl_window_id, int x, int y) {
  Window* w = FindById(sdl_window_id);
  if (!w || !hit_test_) return HTCLIENT;
  for (auto& [hwnd, candidate] : windows_)
    if (candidate.get() == w) return hit_test_(hwnd, POINT{w->rect.left + x, w->rect.top + y});
  return HTCLIENT;
}

bool SdlBackend::SetClipboardText(const std::string& text) {
  return Start() && SDL_SetClipboardText(text.c_str()) == 0;
}

std::optional<std::string> SdlBackend::ClipboardText() {
  if (!Start() || !SDL_HasClipboardText()) return std::nullopt;
  char* text = SDL_GetClipboardText();
  if (!text) return std::nullopt;
  std::string out(text);
  SDL_free(text);
  return out;
}

void SdlBackend::Wake() {
  wake_pending_ = true;
  if (wake_fd_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] auto written = write(wake_fd_, &one, sizeof one);
  }
}

bool SdlBackend::WaitForInput(int timeout_ms) {
  SDL_Window* any = windows_.empty() ? nullptr : windows_.begin()->second->sdl;
  // Xlib may already hold events it read while answering another request.
  if (any && x11::FlushAndCheckQueued(any)) return false;
  pollfd fds[2] = {{wake_fd_, POLLIN, 0}, {any ? x11::ConnectionFd(any) : -1, POLLIN, 0}};
  const int ready = wake_fd_ >= 0 || fds[1].fd >= 0 ? poll(fds, 2, timeout_ms) : 0;
  if (ready <= 0 && wake_fd_ < 0 && fds[1].fd < 0 && timeout_ms != 0) {
    // Neither descriptor exists (another video driver): SDL waits instead.
    SDL_WaitEventTimeout(nullptr, timeout_ms < 0 ? 10 : std::min(timeout_ms, 10));
  }
  if (wake_fd_ >= 0 && (fds[0].revents & POLLIN)) {
    uint64_t count = 0;
    [[maybe_unused]] auto got = read(wake_fd_, &count, sizeof count);
    return true;
  }
  return false;
}

Event SdlBackend::PointerEvent(EventType type, Window& w, int x, int y) {
  Event e;
  e.type = type;
  e.screen = POINT{w.rect.left + x, w.rect.top + y};
  Window* target = &w;
  if (Window* captured = Find(capture_)) target = captured;
  for (auto& [hwnd, candidate] : windows_)
    if (candidate.get() == target) e.window = hwnd;
  e.point = POINT{e.screen.x - target->rect.left, e.screen.y - target->rect.top};
  e.keys = HeldKeys();
  e.alt = AltHeld();
  return e;
}

void SdlBackend::TranslateWindowEvent(const SDL_Event& sdl, Window& w, std::vector<Event>& out) {
  HWND hwnd = nullptr;
  for (auto& [h, candidate] : windows_)
    if (candidate.get() == &w) hwnd = h;
  auto emit = [&](EventType type) {
    Event e;
    e.type = type;
    e.window = hwnd;
    e.rect = w.rect;
    out.push_back(std::move(e));
  };
  const int data1 = sdl.window.data1;
  const int data2 = sdl.window.data2;
  switch (sdl.window.event) {
    case SDL_WINDOWEVENT_MOVED: {
      int x = data1, y = data2;
      x11::RootPosition(w.sdl, &x, &y);
      // The layer's own moves come back too; only news is passed on.
      if (x == w.rect.left && y == w.rect.top) break;
      // Where SDL parks a shaped window while it reshapes it; ApplyShape brings it back.
      if (w.shaped && x == kShapeParking && y == kShapeParking) break;
      w.rect = RECT{x, y, x + (w.rect.right - w.rect.left), y + (w.rect.bottom - w.rect.top)};
      emit(EventType::Moved);
      break;
    }
    case SDL_WINDOWEVENT_RESIZED:
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      const RECT fitted =
          FitWindowRect(RECT{w.rect.left, w.rect.top, w.rect.left + data1, w.rect.top + data2});
      if (fitted.right == w.rect.right && fitted.bottom == w.rect.bottom) break;
      w.rect = fitted;
      w.backing.Resize(fitted.right - fitted.left, fitted.bottom - fitted.top);
      if (w.shaped) {
        // Sized by the window manager: SDL's shape mask is still of the old
        // size until the size goes through SDL once more.
        SDL_SetWindowSize(w.sdl, fitted.right - fitted.left, fitted.bottom - fitted.top);
        ApplyShape(w);
      }
      emit(EventType::Resized);
      break;
    }
    case SDL_WINDOWEVENT_MINIMIZED:
      emit(EventType::Minimized);
      break;
    case SDL_WINDOWEVENT_SHOWN:
      // Hidden for a minimise, and mapped again by another program (a pager,
      // a tool): it is back.
      if (w.hidden_as_minimized) {
        w.hidden_as_minimized = false;
        emit(EventType::Restored);
      }
      break;
    case SDL_WINDOWEVENT_MAXIMIZED:
      emit(EventType::Maximized);
      break;
    case SDL_WINDOWEVENT_RESTORED:
      emit(EventType::Restored);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      // The window manager has taken the window in by the time it is exposed.
      if (w.restate) {
        w.restate = false;
        RestateWmStates(w);
      }
      // The surface still holds the picture, so it is shown again at once.
      if (w.texture) Redraw(w);
      emit(EventType::Exposed);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      // Popups never take the focus (see Show); SDL's passing focus is not news.
      if (w.popup) break;
      emit(EventType::FocusGained);
      if (clip_) ApplyClip();
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST: {
      if (w.popup) break;
      // Lost to a popup of ours, or already given back: the window still has it.
      SDL_Window* now = SDL_GetKeyboardFocus();
      if (now == w.sdl) break;
      bool to_popup = false;
      for (auto& [h, other] : windows_)
        if (other->sdl == now && other->popup) to_popup = true;
      if (to_popup) break;
      emit(EventType::FocusLost);
      break;
    }
    case SDL_WINDOWEVENT_LEAVE:
      if (!capture_) emit(EventType::MouseLeave);
      break;
    case SDL_WINDOWEVENT_CLOSE:
      emit(EventType::CloseRequested);
      break;
    default:
      break;
  }
}

void SdlBackend::Translate(const SDL_Event& sdl, std::vector<Event>& out) {
  switch (sdl.type) {
    case SDL_WINDOWEVENT:
      if (Window* w = FindById(sdl.window.windowID)) TranslateWindowEvent(sdl, *w, out);
      break;
    case SDL_MOUSEMOTION:
      if (Window* w = FindById(sdl.motion.windowID))
        out.push_back(PointerEvent(EventType::MouseMove, *w, sdl.motion.x, sdl.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (Window* w = FindById(sdl.button.windowID)) {
        Event e = PointerEvent(sdl.type == SDL_MOUSEBUTTONDOWN ? EventType::MouseDown : EventType::MouseUp,
                               *w, sdl.button.x, sdl.button.y);
        e.button = ButtonFromSdl(sdl.button.button);
        if (e.button != MouseButton::None) out.push_back(std::move(e));
      }
      break;
    case SDL_MOUSEWHEEL:
      if (Window* w = FindById(sdl.wheel.windowID)) {
        const float flip = sdl.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0f : 1.0f;
        const int x = static_cast<int>(std::lround(sdl.wheel.preciseX * flip * 120.0f));
        const int y = static_cast<int>(std::lround(sdl.wheel.preciseY * flip * 120.0f));
        int gx = 0, gy = 0;
        SDL_GetGlobalMouseState(&gx, &gy);
        for (int axis = 0; axis < 2; ++axis) {
          const int delta = axis == 0 ? y : x;
          if (delta == 0) continue;
          Event e = PointerEvent(EventType::MouseWheel, *w, gx - w->rect.left, gy - w->rect.top);
          e.wheel_delta = delta;
          e.horizontal = axis == 1;
          out.push_back(std::move(e));
        }
      }
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const KeyCode code =
          MapSdlKey(sdl.key.keysym.sym, sdl.key.keysym.scancode, (sdl.key.keysym.mod & KMOD_NUM) != 0);
      if (code.vk == 0) break;
      Event e;
      e.type = sdl.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp;
      for (auto& [hwnd, w] : windows_)
        if (SDL_GetWindowID(w->sdl) == sdl.key.windowID) e.window = hwnd;
      e.vk = code.vk;
      e.scan = code.scan;
      e.extended = code.extended;
      e.repeat = sdl.key.repeat != 0;
      e.keys = HeldKeys();
      e.alt = (sdl.key.keysym.mod & KMOD_ALT) != 0;
      out.push_back(std::move(e));
      break;
    }
    case SDL_TEXTINPUT: {
      Event e;
      e.type = EventType::Text;
      for (auto& [hwnd, w] : windows_)
        if (SDL_GetWindowID(w->sdl) == sdl.text.windowID) e.window = hwnd;
      e.text = sdl.text.text;
      out.push_back(std::move(e));
      break;
    }
    default:
      break;
  }
}

int SdlBackend::PollEvents(EventSink& sink, DWORD timeout_ms) {
  if (!Start()) return 0;
  bool woken = wake_pending_.exchange(false);
  int delivered = 0;
  std::vector<Event> out;
  auto handle = [&](const SDL_Event& sdl) {
    out.clear();
    Translate(sdl, out);
    // The sink may open, close or resize windows; nothing above refers into the map.
    for (const Event& e : out) sink.OnEvent(e);
    delivered += static_cast<int>(out.size());
  };
  SDL_Event sdl;
  while (SDL_PollEvent(&sdl)) handle(sdl);
  if (delivered == 0 && !woken && timeout_ms != 0) {
    const int wait_ms = timeout_ms == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(timeout_ms, INT_MAX));
    woken = WaitForInput(wait_ms);
    while (SDL_PollEvent(&sdl)) handle(sdl);
  }
  return delivered;
}

}  // namespace plat::backend
