#pragma once
// The one interface through which the window system reaches the screen and the
// input devices. `sdl` puts top-level windows on the desktop; `headless` keeps
// them in memory for tests. Nothing above platform/backend knows which runs.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend/Events.h"
#include "platform/gdi/Surface.h"
#include "platform/kernel/Types.h"

namespace plat::backend {

// Answers of the hit-test callback that the window manager acts on; every
// other answer (HTCLIENT, caption buttons, ...) leaves the click to the layer.
constexpr int HTCLIENT = 1;
constexpr int HTCAPTION = 2;
constexpr int HTLEFT = 10;
constexpr int HTRIGHT = 11;
constexpr int HTTOP = 12;
constexpr int HTTOPLEFT = 13;
constexpr int HTTOPRIGHT = 14;
constexpr int HTBOTTOM = 15;
constexpr int HTBOTTOMLEFT = 16;
constexpr int HTBOTTOMRIGHT = 17;

// Native windows are kept between these sizes; the backing surface follows.
constexpr int kMinWindowSize = 1;
constexpr int kMaxWindowSize = 16384;

struct WindowParams {
  RECT rect{0, 0, 100, 100};  // screen coordinates of the whole window
  std::string title;
  bool visible = false;
  bool topmost = false;
  bool tool_window = false;  // no taskbar entry
  bool popup = false;        // menus and tips: no taskbar entry, placed above normal windows
};

enum class CursorShape {
  Arrow,
  IBeam,
  Wait,
  AppStarting,
  Cross,
  SizeNWSE,
  SizeNESW,
  SizeWE,
  SizeNS,
  SizeAll,
  No,
  Hand
};

// A cursor drawn by the program: 0xAARRGGBB pixels, top row first.
struct CursorImage {
  int width = 0;
  int height = 0;
  POINT hot_spot;
  std::vector<uint32_t> pixels;
};

// Receives what PollEvents delivers, on the thread that called PollEvents.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void OnEvent(const Event& event) = 0;
};

// Given a top-level window and a point in screen coordinates, answers with a
// hit-test code as WM_NCHITTEST would.
using HitTestCallback = std::function<int(HWND window, POINT screen_point)>;

// Windows are named by the HWND of the top-level window they show. Calls for a
// window that is not open do nothing and report failure. The `sdl` backend
// must be driven from the main thread; only Wake() may be called from others.
class Backend {
 public:
  virtual ~Backend() = default;

  virtual std::string_view Name() const = 0;
  // Starts the backend if it has not started; false with a reason when it cannot
  // (no display). Every other call starts it on first use as well.
  virtual bool Ready(std::string* error = nullptr) = 0;

  virtual bool OpenWindow(HWND window, const WindowParams& params) = 0;
  virtual void CloseWindow(HWND window) = 0;
  virtual bool IsOpen(HWND window) const = 0;

  // The whole window rectangle in screen coordinates. A new size resizes the
  // backing surface: what fits is kept, the rest is black.
  virtual bool SetWindowRect(HWND window, const RECT& rect) = 0;
  virtual std::optional<RECT> WindowRect(HWND window) const = 0;
  virtual bool Show(HWND window, bool visible) = 0;
  // To the top of its band, with keyboard focus.
  virtual bool Raise(HWND window) = 0;
  virtual bool Minimize(HWND window) = 0;
  virtual bool Maximize(HWND window) = 0;
  virtual bool Restore(HWND window) = 0;
  virtual bool SetTitle(HWND window, const std::string& title) = 0;
  virtual bool SetTopmost(HWND window, bool topmost) = 0;
  // The window that owns this one (it stays above its owner, and a window
  // manager keeps it with it) and whether it is modal for it. Set before the
  // window is shown; a backend without a desktop ignores it.
  virtual bool SetOwner(HWND /*window*/, HWND /*owner*/, bool /*modal*/) { return false; }
  // Whether a window manager of the desktop moves the focus and raises the
  // windows itself, so that focus changes it reports are not to be asked back.
  virtual bool WindowManagerRuns() { return false; }

  // The 32-bit backing surface of the window, top-down, 0x00RRGGBB. The object
  // lives as long as the window; its bits move when the window is resized.
  virtual Surface* WindowSurface(HWND window) = 0;
  // Puts the given rectangles (window coordinates) of the surface on screen;
  // none means the whole window.
  virtual bool Present(HWND window, const std::vector<RECT>& dirty) = 0;

  virtual SIZE ScreenSize() = 0;
  // The screen without panels and docks, where maximised windows go.
  virtual RECT WorkArea() = 0;

  // Mouse input goes to `window` wherever the pointer is; nullptr releases.
  virtual void SetCapture(HWND window) = 0;
  virtual void SetCursor(CursorShape shape) = 0;
  virtual bool SetCursorImage(const CursorImage& image) = 0;
  // Keeps the pointer inside a screen rectangle; nullopt frees it.
  virtual void ClipCursor(const std::optional<RECT>& screen_rect) = 0;
  virtual POINT CursorPos() = 0;
  virtual void SetCursorPos(POINT screen_point) = 0;

  // Delivers every pending event to `sink`. With nothing pending it waits up to
  // `timeout_ms` (INFINITE: no limit) for an event or Wake(). Returns the
  // number of events delivered.
  virtual int PollEvents(EventSink& sink, DWORD timeout_ms) = 0;
  // Ends a wait in PollEvents early; callable from any thread.
  virtual void Wake() = 0;
  // True when events only arrive by asking (the caller's waits must be short
  // and poll); false when the backend signals the driving thread's queue.
  virtual bool NeedsPolling() const { return false; }

  virtual void SetHitTest(HitTestCallback callback) = 0;

  // The window's shape: rectangles in window coordinates, outside which the
  // window is neither drawn nor hit; nullopt makes it a plain rectangle again.
  // False where the backend cannot shape windows: they stay rectangular.
  virtual bool SetWindowShape(HWND /*window*/, const std::optional<std::vector<RECT>>& /*shape*/) {
    return false;
  }

  // The system's sound for a MessageBeep type; a backend without sounds stays silent.
  virtual void Beep(UINT /*type*/) {}

  // The desktop's clipboard as UTF-8 text, shared with other programs.
  // Setting takes ownership of the clipboard; nullopt when it holds no text.
  virtual bool SetClipboardText(const std::string& text) = 0;
  virtual std::optional<std::string> ClipboardText() = 0;
};

// The backend of the process, made on first use from QUELLIX_BACKEND ("sdl",
// the default, or "headless").
Backend& Current();
// True once a backend has been chosen or installed (nothing is created).
bool HasCurrent();
// Replaces the backend (tests); nullptr makes the next Current() choose again.
// Install before the window system opens any window.
void Install(std::unique_ptr<Backend> backend);

// The rectangle with its size brought into kMinWindowSize..kMaxWindowSize.
RECT FitWindowRect(const RECT& rect);

// Maps a hit-test answer to the window-manager action it stands for.
enum class DragAction { None, Move, Left, Right, Top, TopLeft, TopRight, Bottom, BottomLeft, BottomRight };
DragAction DragActionForHit(int hit_test);
// The window rectangle after dragging `start` by (dx, dy) with `action`,
// keeping it at least kMinWindowSize on each side.
RECT ApplyDrag(DragAction action, const RECT& start, int dx, int dy);

}  // namespace plat::backend
