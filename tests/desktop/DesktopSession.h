#pragma once
// The real program on a private X screen: its own Xvfb (and openbox when the
// test asks for a window manager), the program started fresh in a temporary
// home, its top-level windows found by their process id and titles, input
// through XTest at screen positions and the screen read back. Every wait
// polls against a deadline, so a loaded machine only makes a test slower.
// Include it after other headers: X defines macros such as None and Status.
#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace desktop {

using Clock = std::chrono::steady_clock;

enum class WindowManager { kNone, kOpenbox };
const char* ModeName(WindowManager mode);

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  int Right() const { return x + width; }
  int Bottom() const { return y + height; }
  int CentreX() const { return x + width / 2; }
  int CentreY() const { return y + height / 2; }
  bool Contains(int px, int py) const { return px >= x && px < Right() && py >= y && py < Bottom(); }
  bool Empty() const { return width <= 0 || height <= 0; }
};
std::string Describe(const Rect& r);

// One top-level window of the program as X shows it.
struct TopWindow {
  Window id = 0;     // the program's own window
  Window frame = 0;  // the root's child that holds it (the window manager's frame, or itself)
  int stacking = 0;  // position among the root's children, higher is above
  std::string title;
  Rect rect;  // the program's window on the screen, without a window manager's frame
  bool override_redirect = false;
};

// Rows of 0x00RRGGBB pixels of a screen rectangle.
struct Image {
  Rect area;
  std::vector<uint32_t> pixels;
  uint32_t At(int screen_x, int screen_y) const {
    return pixels[static_cast<size_t>(screen_y - area.y) * static_cast<size_t>(area.width) +
                  static_cast<size_t>(screen_x - area.x)];
  }
  // Pixels in `r` (screen coordinates, clipped to the image) that differ from `other`'s.
  int CountDifferent(const Image& other, const Rect& r) const;
  int Count(const Rect& r, const std::function<bool(uint32_t)>& match) const;
};

struct SessionOptions {
  WindowManager window_manager = WindowManager::kNone;
  // Registry text the program finds at start (empty: a first start).
  std::string registry;
};

class DesktopSession {
 public:
  explicit DesktopSession(SessionOptions options);
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  // The X server (and window manager) up; false with the reason otherwise.
  bool StartScreen(std::string* why);
  bool StartProgram(std::string* why);

  const testsupport::TempDir& Temp() const { return temp_; }
  Display* X() const { return display_; }
  pid_t ProgramPid() const { return program_; }
  bool ProgramAlive();
  std::string ProgramErrors() const;  // the program's stderr so far
  // How the program ended ("exit 1", "signal 6"), or "running".
  std::string ProgramEnd();
  // Lines of its stderr that report an X error or a sanitizer finding.
  std::string ProgramFaults() const;
  Rect Screen() const;
  // The work area the window manager gives windows (the whole screen without one).
  Rect WorkArea();

  // The program's shown top-level windows, bottom to top.
  std::vector<TopWindow> Windows();
  std::optional<TopWindow> FindWindow(const std::string& title);
  std::optional<TopWindow> WaitWindow(const std::string& title, std::chrono::milliseconds timeout = kWait);
  bool WaitGone(const std::string& title, std::chrono::milliseconds timeout = kWait);
  // Polls `done` until it holds or the deadline passes; the program's death ends the wait early.
  bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = kWait);
  // Waits until `area` differs from `before` in at least `min_pixels` pixels.
  bool WaitChange(const Image& before, int min_pixels = 20, std::chrono::milliseconds timeout = kWait);
  // Waits until `area` shows one painted picture for a quarter of a second:
  // drawing has settled.
  std::optional<Image> WaitSteady(const Rect& area, std::chrono::milliseconds timeout = kWait);
  // Drawing in `area` has settled and a person's reaction time has passed: what
  // a test does before it answers a window that just opened.
  std::optional<Image> Settle(const Rect& area);

  // Input as a person gives it.
  void MoveTo(int x, int y);
  void Click(int x, int y, int button = 1);
  void Press(KeySym key, const std::vector<KeySym>& modifiers = {});
  void Type(const std::string& text);
  // The window that has the keyboard focus, as the X server says.
  Window Focus();

  std::optional<Image> Grab(const Rect& r);
  std::optional<Image> GrabScreen() { return Grab(Screen()); }
  // Saves the screen as `name`.png in QUELLIX_SCREEN_PNG's folder, else in
  // quellix-desktop-screens in the system's temporary folder; gives the path.
  std::string SaveScreen(const std::string& name);

  // Asks a window to close as the window manager's close button does.
  void AskToClose(Window window);
  // Ends the program: a close request to its main window, then SIGTERM, then SIGKILL.
  // Gives its exit status as wait() reports it, or -1.
  int StopProgram(std::chrono::milliseconds grace = std::chrono::seconds(15));

  static constexpr std::chrono::milliseconds kWait{20000};

 private:
  pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
              const std::string& out, const std::string& err, int keep_fd = -1);
  void Reap(pid_t& pid, std::chrono::milliseconds grace);
  std::string Title(Window w);
  bool Ours(Window w);
  Window ClientOf(Window w, int depth);
  void Sync();

  SessionOptions options_;
  testsupport::TempDir temp_;
  std::string display_name_;
  pid_t xvfb_ = -1, wm_ = -1, program_ = -1;
  int program_status_ = -1;
  Display* display_ = nullptr;
  Atom net_wm_pid_ = 0, net_wm_name_ = 0, utf8_ = 0, wm_class_ = 0, wm_state_ = 0, workarea_ = 0;
  std::string stderr_path_;
};

// Milliseconds since `start`, for the times the tests print.
inline long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace desktop
