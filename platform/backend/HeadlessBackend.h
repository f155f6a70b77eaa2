#pragma once
// The memory screen for tests: windows are surfaces stacked on a screen of
// fixed size, input is injected, and anything on screen can be saved as PNG.
// It stands in for the window manager too: a left press on an answer of the
// hit test moves or sizes the window, and a click focuses and raises.
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/BackingSurface.h"

namespace plat::backend {

class HeadlessBackend : public Backend {
 public:
  explicit HeadlessBackend(int screen_width = 1280, int screen_height = 800);
  ~HeadlessBackend() override;

  std::string_view Name() const override { return "headless"; }
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
  void SetHitTest(HitTestCallback callback) override;
  // Pixels outside the shape show what is below, and the pointer there reaches it.
  bool SetWindowShape(HWND window, const std::optional<std::vector<RECT>>& shape) override;
  // Kept, not played: tests read them back.
  void Beep(UINT type) override;
  bool SetClipboardText(const std::string& text) override;
  std::optional<std::string> ClipboardText() override;

  // Input, queued in order. Pointer input is aimed when it is delivered: at
  // the capture window, else the topmost shown window under the pointer. Keys
  // and text go to the focused window. The pointer moves on delivery.
  void InjectMouseMove(POINT screen_point);
  void InjectMouseButton(MouseButton button, bool down);
  void InjectClick(POINT screen_point, MouseButton button = MouseButton::Left);
  void InjectMouseWheel(int delta, bool horizontal = false);
  // scan 0: the usual scan code of the key.
  void InjectKey(UINT vk, bool down, UINT scan = 0);
  void InjectText(const std::string& utf8);
  // What the window manager would say: CloseRequested, FocusGained, Exposed ...
  void InjectWindowEvent(HWND window, EventType type);

  void SetWorkArea(const RECT& rect);

  // Shown windows as last presented, composed back to front on the desktop colour.
  std::unique_ptr<BackingSurface> ScreenSnapshot() const;
  bool SaveScreenPng(const std::string& path, std::string* error = nullptr) const;
  // The window's pixels as last presented.
  bool SaveWindowPng(HWND window, const std::string& path, std::string* error = nullptr) const;
  uint32_t PresentedPixel(HWND window, int x, int y) const;

  // Shown, not minimised windows, topmost first.
  std::vector<HWND> ZOrder() const;
  HWND WindowAt(POINT screen_point) const;
  HWND Focus() const;
  HWND Capture() const;
  bool IsShown(HWND window) const;
  bool IsMinimized(HWND window) const;
  bool IsMaximized(HWND window) const;
  bool IsTopmost(HWND window) const;
  std::string Title(HWND window) const;
  std::optional<std::vector<RECT>> WindowShape(HWND window) const;
  CursorShape Cursor() const;
  std::optional<CursorImage> CustomCursor() const;
  std::optional<RECT> CursorClip() const;
  // The rectangles of the last Present (clipped) and how many Presents there were.
  std::vector<RECT> LastPresented(HWND window) const;
  int PresentCount(HWND window) const;
  // The MessageBeep types sounded so far, oldest first.
  std::vector<UINT> Beeps() const;

  static constexpr uint32_t kDesktopColor = 0x00336699;

 private:
  struct Window;
  struct Drag;

  Window* Find(HWND window);
  const Window* Find(HWND window) const;
  // A point in window coordinates lies in the window's shape (any point of an unshaped one).
  static bool InShape(const Window& w, int x, int y);
  // Band order: normal windows, then topmost ones, then popups.
  int Band(const Window& w) const;
  void PlaceOnTop(HWND window);
  HWND WindowAtLocked(POINT screen_point) const;
  void ApplyRect(Window& w, const RECT& rect);
  void SetFocusLocked(HWND window);
  void Queue(Event event);
  void QueueRectChange(HWND window, const RECT& old_rect, const RECT& new_rect, EventType state_event);
  // Aims one queued event and hands it to the sink; the sink may call back in.
  int Deliver(Event event, EventSink& sink);
  void Emit(std::vector<Event>& out, EventType type, HWND window, const RECT& rect);

  mutable std::mutex mutex_;
  int screen_width_;
  int screen_height_;
  RECT work_area_;
  std::map<HWND, std::unique_ptr<Window>> windows_;
  std::vector<HWND> stack_;  // back to front, every open window
  HWND focus_ = nullptr;
  HWND capture_ = nullptr;
  HWND pointer_window_ = nullptr;  // under the pointer at the last pointer event
  POINT cursor_{};
  std::optional<RECT> clip_;
  CursorShape cursor_shape_ = CursorShape::Arrow;
  std::optional<CursorImage> custom_cursor_;
  UINT buttons_ = 0;  // kMk*Button flags held
  bool shift_ = false;
  bool control_ = false;
  bool alt_ = false;
  std::set<UINT> keys_down_;
  HitTestCallback hit_test_;
  std::unique_ptr<Drag> drag_;
  std::vector<UINT> beeps_;
  std::optional<std::string> clipboard_;

  // Guarded by the layer's wait mutex, so PollEvents waits on the layer clock.
  std::deque<Event> queue_;
  bool wake_ = false;
};

}  // namespace plat::backend
