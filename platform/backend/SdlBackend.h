#pragma once
// Top-level windows on the desktop through SDL2: one borderless SDL window
// per top-level window, its backing surface streamed into a texture, and the
// window manager moving and sizing windows through SDL's hit test.
// SDL wants its video calls on one thread: PollEvents and every window call
// run on the main thread; Wake() alone may come from any thread.
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/BackingSurface.h"

struct SDL_Cursor;
union SDL_Event;

namespace plat::backend {

class SdlBackend : public Backend {
 public:
  SdlBackend();
  ~SdlBackend() override;

  std::string_view Name() const override { return "sdl"; }
  bool Ready(std::string* error = nullptr) override;

  bool OpenWindow(HWND window, const WindowParams& params) override;
  void CloseWindow(HWND window) override;
  bool IsOpen(HWND window) const override;
  bool SetWindowRect(HWND window, const RECT& rect) override;
  std::optional<RECT> WindowRect(HWND window) const override;
  bool Show(HWND window, bool visible) override;
  bool Raise(HWND window) override;
  bool Minimize(HWND window) override;
  bool Maximize(HWND window) override;
  bool Restore(HWND window) override;
  bool SetTitle(HWND window, const std::string& title) override;
  bool SetTopmost(HWND window, bool topmost) override;
  bool SetOwner(HWND window, HWND owner, bool modal) override;
  bool WindowManagerRuns() override { return WindowManager(); }
  Surface* WindowSurface(HWND window) override;
  bool Present(HWND window, const std::vector<RECT>& dirty) override;
  SIZE ScreenSize() override;
  RECT WorkArea() override;
  void SetCapture(HWND window) override;
  void SetCursor(CursorShape shape) override;
  bool SetCursorImage(const CursorImage& image) override;
  void ClipCursor(const std::optional<RECT>& screen_rect) override;
  POINT CursorPos() override;
  void SetCursorPos(POINT screen_point) override;
  int PollEvents(EventSink& sink, DWORD timeout_ms) override;
  void Wake() override;
  bool SetClipboardText(const std::string& text) override;
  std::optional<std::string> ClipboardText() override;
  bool NeedsPolling() const override { return true; }
  void SetHitTest(HitTestCallback callback) override;
  // A window takes a shape once SDL has made it a shaped window: the first
  // shape re-creates it as one. Where SDL cannot shape windows (no shape
  // support in the display), it stays rectangular and false is returned.
  bool SetWindowShape(HWND window, const std::optional<std::vector<RECT>>& shape) override;
  // True once the window is a shaped SDL window (tests).
  bool IsShaped(HWND window) const;

  // What the renderer draws at a window pixel, 0x00RRGGBB, read back from the
  // frame it has just drawn from the texture (tests).
  std::optional<uint32_t> ReadBackPixel(HWND window, int x, int y);

 private:
  struct Window;

  bool Start();
  Window* Find(HWND window);
  const Window* Find(HWND window) const;
  Window* FindById(uint32_t sdl_window_id);
  // Waits up to `timeout_ms` (-1: no limit) for X input or Wake(); true when woken.
  bool WaitForInput(int timeout_ms);
  // Whether a window manager runs (asked again now and then: one may start or end).
  bool WindowManager();
  // Without a window manager nobody keeps stay-on-top windows, the windows
  // they own and popups above the rest: after a window goes up, they follow.
  void KeepBands();
  // Stay-on-top on the desktop: the window's own setting or its owner's.
  bool WantsAbove(const Window& w) const;
  void ApplyAbove(Window& w);
  // Asks a window manager for the stay-on-top and modal states the window has.
  void RestateWmStates(Window& w);
  bool wm_known_ = false;
  bool wm_running_ = false;
  uint32_t wm_checked_ms_ = 0;
  uint64_t raise_serial_ = 0;
  // Makes the texture match the surface and uploads `dirty`; false on failure.
  bool Upload(Window& w, const std::vector<RECT>& dirty);
  void Redraw(Window& w);
  // Makes SDL's window a shaped one, keeping place, title, flags and picture.
  bool MakeShaped(Window& w);
  // Sets the kept shape at the window's current size and puts the window
  // back where the layer has it (SDL parks a window it reshapes off screen).
  bool ApplyShape(Window& w);
  void ApplyClip();
  void Translate(const SDL_Event& sdl, std::vector<Event>& out);
  void TranslateWindowEvent(const SDL_Event& sdl, Window& w, std::vector<Event>& out);
  Event PointerEvent(EventType type, Window& w, int x, int y);
  // The hit-test answer for a point of a window, in window coordinates.
  int HitTest(uint32_t sdl_window_id, int x, int y);
  friend struct SdlThunks;

  bool started_ = false;
  std::string error_;
  std::atomic<bool> video_ready_{false};
  std::atomic<bool> wake_pending_{false};
  int wake_fd_ = -1;  // an eventfd other threads write to end a wait
  std::map<HWND, std::unique_ptr<Window>> windows_;
  HWND capture_ = nullptr;
  std::optional<RECT> clip_;
  HitTestCallback hit_test_;
  std::map<CursorShape, SDL_Cursor*> system_cursors_;
  SDL_Cursor* custom_cursor_ = nullptr;
};

}  // namespace plat::backend
