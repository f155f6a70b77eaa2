// Before the X headers: they define macros such as None and Status.
#include "platform/gdi/PngWriter.h"
// Then the session, which brings Xlib.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "desktop/DesktopSession.h"

#ifndef QUELLIX_PROGRAM
#error "the build names the program under test in QUELLIX_PROGRAM"
#endif
#ifndef QUELLIX_SOURCE_DIR
#error "the build names the source folder in QUELLIX_SOURCE_DIR"
#endif

namespace desktop {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(15);

// Windows of the program come and go between two requests: a request about
// one that is gone fails with its result, and the test goes on.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : fallback;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

const char* ModeName(WindowManager mode) { return mode == WindowManager::kOpenbox ? "openbox" : "none"; }

std::string Describe(const Rect& r) {
  return std::to_string(r.width) + "x" + std::to_string(r.height) + "+" + std::to_string(r.x) + "+" +
         std::to_string(r.y);
}

int Image::CountDifferent(const Image& other, const Rect& r) const {
  int count = 0;
  for (int y = std::max(r.y, area.y); y < std::min(r.Bottom(), area.Bottom()); ++y)
    for (int x = std::max(r.x, area.x); x < std::min(r.Right(), area.Right()); ++x)
      if (other.area.Contains(x, y) && At(x, y) != other.At(x, y)) ++count;
  return count;
}

int Image::Count(const Rect& r, const std::function<bool(uint32_t)>& match) const {
  int count = 0;
  for (int y = std::max(r.y, area.y); y < std::min(r.Bottom(), area.Bottom()); ++y)
    for (int x = std::max(r.x, area.x); x < std::min(r.Right(), area.Right()); ++x)
      if (match(At(x, y))) ++count;
  return count;
}

DesktopSession::DesktopSession(SessionOptions options) : options_(std::move(options)) {
  XSetErrorHandler(&IgnoreErrors);
}

DesktopSession::~DesktopSession() {
  if (program_ > 0) StopProgram(std::chrono::seconds(5));
  if (display_) XCloseDisplay(display_);
  Reap(wm_, std::chrono::seconds(2));
  Reap(xvfb_, std::chrono::seconds(5));
}

pid_t DesktopSession::Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                            const std::string& out, const std::string& err, int keep_fd) {
  std::vector<std::string> args = argv, vars = env;
  std::vector<char*> arg_ptrs, env_ptrs;
  for (auto& a : args) arg_ptrs.push_back(a.data());
  arg_ptrs.push_back(nullptr);
  for (auto& e : vars) env_ptrs.push_back(e.data());
  env_ptrs.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // The child ends with the test program, however that ends: killed by the
  // runner's timeout it would otherwise keep a screen and the runner's pipe.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  const int null_fd = open("/dev/null", O_RDONLY);
  if (out_fd < 0 || err_fd < 0 || null_fd < 0) _exit(127);
  dup2(null_fd, 0);
  dup2(out_fd, 1);
  dup2(err_fd, 2);
  if (keep_fd >= 0) {
    dup2(keep_fd, 3);
    close_range(4, ~0u, 0);
  } else {
    close_range(3, ~0u, 0);
  }
  execvpe(arg_ptrs[0], arg_ptrs.data(), env_ptrs.data());
  _exit(127);
}

void DesktopSession::Reap(pid_t& pid, std::chrono::milliseconds grace) {
  if (pid <= 0) return;
  const auto wait_for = [&](std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    int status = 0;
    while (Clock::now() < end) {
      if (waitpid(pid, &status, WNOHANG) == pid) return true;
      std::this_thread::sleep_for(kPoll);
    }
    return false;
  };
  kill(pid, SIGTERM);
  if (!wait_for(grace)) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid = -1;
}

bool DesktopSession::StartScreen(std::string* why) {
  int fds[2];
  if (pipe(fds) != 0) {
    *why = "no pipe";
    return false;
  }
  // Xvfb picks a free display number and writes it to the pipe: parallel
  // tests never meet on one screen, and the caller's DISPLAY is never used.
  xvfb_ = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"},
                {"PATH=" + EnvOr("PATH", "/usr/bin:/bin")}, temp_.File("xvfb.log"), temp_.File("xvfb.log"),
                fds[1]);
  close(fds[1]);
  std::string number;
  const auto end = Clock::now() + kWait;
  while (Clock::now() < end && number.find('\n') == std::string::npos) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 50) > 0) {
      char buffer[32];
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, static_cast<size_t>(n));
    }
  }
  close(fds[0]);
  if (number.empty() || number.find('\n') == std::string::npos) {
    *why = "Xvfb gave no display number: " + ReadFile(temp_.File("xvfb.log"));
    return false;
  }
  display_name_ = ":" + number.substr(0, number.find('\n'));
  while (Clock::now() < end && !(display_ = XOpenDisplay(display_name_.c_str())))
    std::this_thread::sleep_for(kPoll);
  if (!display_) {
    *why = "cannot open " + display_name_;
    return false;
  }
  net_wm_pid_ = XInternAtom(display_, "_NET_WM_PID", False);
  net_wm_name_ = XInternAtom(display_, "_NET_WM_NAME", False);
  utf8_ = XInternAtom(display_, "UTF8_STRING", False);
  wm_class_ = XA_WM_CLASS;
  wm_state_ = XInternAtom(display_, "WM_STATE", False);
  workarea_ = XInternAtom(display_, "_NET_WORKAREA", False);
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
    *why = "the X server has no XTEST";
    return false;
  }
  if (options_.window_manager == WindowManager::kNone) return true;

  wm_ = Spawn({"openbox", "--sm-disable"},
              {"DISPLAY=" + display_name_, "HOME=" + temp_.path().string(),
               "XDG_CONFIG_HOME=" + temp_.File("wm-config"), "PATH=" + EnvOr("PATH", "/usr/bin:/bin")},
              temp_.File("openbox.log"), temp_.File("openbox.log"));
  // The window manager has the screen once the root names its check window
  // and that window names itself.
  const Atom check = XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False);
  const auto check_window = [&](Window w) -> Window {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    Window found = 0;
    if (XGetWindowProperty(display_, w, check, 0, 1, False, XA_WINDOW, &type, &format, &items, &after,
                           &data) == Success &&
        data && items == 1)
      found = *reinterpret_cast<Window*>(data);
    if (data) XFree(data);
    return found;
  };
  const bool ready = WaitUntil([&] {
    const Window w = check_window(DefaultRootWindow(display_));
    return w != 0 && check_window(w) == w;
  });
  if (!ready) *why = "openbox did not take the screen: " + ReadFile(temp_.File("openbox.log"));
  return ready;
}

bool DesktopSession::StartProgram(std::string* why) {
  const std::string registry = temp_.File("registry.reg");
  if (!options_.registry.empty()) std::ofstream(registry, std::ios::binary) << options_.registry;
  const std::string home = temp_.path().string();
  const std::string source = QUELLIX_SOURCE_DIR;
  std::vector<std::string> env = {
      "DISPLAY=" + display_name_,
      "QUELLIX_BACKEND=sdl",
      "QUELLIX_AUDIO=virtual",
      "QUELLIX_REGISTRY=" + registry,
      "QUELLIX_PROFILE=" + temp_.File("profile.ini"),
      "HOME=" + home,
      "XDG_CONFIG_HOME=" + temp_.File("config"),
      "XDG_DATA_HOME=" + temp_.File("data"),
      "XDG_RUNTIME_DIR=" + home,
      "SDL_AUDIODRIVER=dummy",
      "PATH=" + EnvOr("PATH", "/usr/bin:/bin"),
      "ASAN_OPTIONS=" + EnvOr("ASAN_OPTIONS", "detect_leaks=1:abort_on_error=1"),
      "UBSAN_OPTIONS=" + EnvOr("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1"),
      "LSAN_OPTIONS=" +
          EnvOr("LSAN_OPTIONS", "suppressions=" + source + "/tests/lsan.supp:print_suppressions=0"),
  };
  stderr_path_ = temp_.File("program.err");
  program_ = Spawn({QUELLIX_PROGRAM}, env, temp_.File("program.out"), stderr_path_);
  if (program_ <= 0) {
    *why = "cannot start " + std::string(QUELLIX_PROGRAM);
    return false;
  }
  return true;
}

bool DesktopSession::ProgramAlive() {
  if (program_ <= 0) return false;
  int status = 0;
  if (waitpid(program_, &status, WNOHANG) == program_) {
    program_status_ = status;
    program_ = -1;
    return false;
  }
  return true;
}

std::string DesktopSession::ProgramEnd() {
  if (ProgramAlive()) return "running";
  if (program_status_ < 0) return "not started";
  if (WIFEXITED(program_status_)) return "exit " + std::to_string(WEXITSTATUS(program_status_));
  if (WIFSIGNALED(program_status_)) return "signal " + std::to_string(WTERMSIG(program_status_));
  return "status " + std::to_string(program_status_);
}

std::string DesktopSession::ProgramErrors() const {
  return stderr_path_.empty() ? "" : ReadFile(stderr_path_);
}

std::string DesktopSession::ProgramFaults() const {
  static const char* const kMarks[] = {"X Error",          "BadWindow",     "BadMatch",       "BadDrawable",
                                       "AddressSanitizer", "LeakSanitizer", "runtime error:", "XIO:"};
  std::istringstream lines(ProgramErrors());
  std::string faults;
  for (std::string line; std::getline(lines, line);)
    for (const char* mark : kMarks)
      if (line.find(mark) != std::string::npos) {
        faults += line + "\n";
        break;
      }
  return faults;
}

Rect DesktopSession::Screen() const {
  if (!display_) return {};
  return {0, 0, DisplayWidth(display_, DefaultScreen(display_)),
          DisplayHeight(display_, DefaultScreen(display_))};
}

Rect DesktopSession::WorkArea() {
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  Rect area = Screen();
  if (options_.window_manager != WindowManager::kNone &&
      XGetWindowProperty(display_, DefaultRootWindow(display_), workarea_, 0, 4, False, XA_CARDINAL, &type,
                         &format, &items, &after, &data) == Success &&
      data && items >= 4) {
    const long* v = reinterpret_cast<long*>(data);
    area = {static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]), static_cast<int>(v[3])};
  }
  if (data) XFree(data);
  return area;
}

std::string DesktopSession::Title(Window w) {
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display_, w, net_wm_name_, 0, 1024, False, utf8_, &type, &format, &items, &after,
                         &data) == Success &&
      data && format == 8)
    title.assign(reinterpret_cast<char*>(data), items);
  if (data) XFree(data);
  if (!title.empty()) return title;
  char* name = nullptr;
  if (XFetchName(display_, w, &name) && name) title = name;
  if (name) XFree(name);
  return title;
}

bool DesktopSession::Ours(Window w) {
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  bool ours = false;
  if (XGetWindowProperty(display_, w, net_wm_pid_, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                         &data) == Success &&
      data && format == 32 && items == 1)
    ours = *reinterpret_cast<long*>(data) == program_;
  if (data) XFree(data);
  if (ours) return true;
  XClassHint hint{};
  if (XGetClassHint(display_, w, &hint)) {
    ours = (hint.res_class && std::strcmp(hint.res_class, "quellix") == 0) ||
           (hint.res_name && std::strcmp(hint.res_name, "quellix") == 0);
    if (hint.res_class) XFree(hint.res_class);
    if (hint.res_name) XFree(hint.res_name);
  }
  return ours;
}

// The program's window inside a root child: itself, or a window a few levels
// down in a window manager's frame.
Window DesktopSession::ClientOf(Window w, int depth) {
  if (Ours(w)) return w;
  if (depth == 0) return 0;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display_, w, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && !found; ++i) found = ClientOf(children[i], depth - 1);
  if (children) XFree(children);
  return found;
}

std::vector<TopWindow> DesktopSession::Windows() {
  std::vector<TopWindow> windows;
  if (!display_ || program_ <= 0) return windows;
  const Window root_window = DefaultRootWindow(display_);
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display_, root_window, &root, &parent, &children, &count)) return windows;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes frame{};
    if (!XGetWindowAttributes(display_, children[i], &frame) || frame.map_state != IsViewable) continue;
    const Window client = ClientOf(children[i], 3);
    XWindowAttributes a{};
    if (!client || !XGetWindowAttributes(display_, client, &a) || a.map_state != IsViewable) continue;
    int x = 0, y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display_, client, root_window, 0, 0, &x, &y, &child)) continue;
    TopWindow w;
    w.id = client;
    w.frame = children[i];
    w.stacking = static_cast<int>(i);
    w.title = Title(client);
    w.rect = {x, y, a.width, a.height};
    w.override_redirect = frame.override_redirect;
    windows.push_back(std::move(w));
  }
  if (children) XFree(children);
  return windows;
}

std::optional<TopWindow> DesktopSession::FindWindow(const std::string& title) {
  std::optional<TopWindow> found;
  for (auto& w : Windows())
    if (w.title == title) found = w;  // the topmost of that title
  return found;
}

bool DesktopSession::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  while (true) {
    if (done()) return true;
    if (Clock::now() >= end) return false;
    if (program_ > 0 && !ProgramAlive()) return done();
    std::this_thread::sleep_for(kPoll);
  }
}

std::optional<TopWindow> DesktopSession::WaitWindow(const std::string& title,
                                                    std::chrono::milliseconds timeout) {
  std::optional<TopWindow> found;
  WaitUntil([&] { return (found = FindWindow(title)).has_value(); }, timeout);
  return found;
}

bool DesktopSession::WaitGone(const std::string& title, std::chrono::milliseconds timeout) {
  // Gone twice some frames apart: a window the program restacks or remaps is
  // missing from the tree for a moment.
  std::optional<Clock::time_point> missing_since;
  return WaitUntil(
      [&] {
        if (FindWindow(title)) {
          missing_since.reset();
          return false;
        }
        if (!missing_since) missing_since = Clock::now();
        return Clock::now() - *missing_since >= std::chrono::milliseconds(60);
      },
      timeout);
}

bool DesktopSession::WaitChange(const Image& before, int min_pixels, std::chrono::milliseconds timeout) {
  return WaitUntil(
      [&] {
        const auto now = Grab(before.area);
        return now && now->CountDifferent(before, before.area) >= min_pixels;
      },
      timeout);
}

std::optional<Image> DesktopSession::WaitSteady(const Rect& area, std::chrono::milliseconds timeout) {
  // The same picture for a quarter of a second: a program slowed down by a
  // busy machine shows a half-painted window for longer than a frame or two.
  std::optional<Image> last = Grab(area), steady;
  auto same_since = Clock::now();
  WaitUntil(
      [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        auto now = Grab(area);
        // A window the program has not painted yet is one colour, and steady too.
        const bool painted = now && std::any_of(now->pixels.begin(), now->pixels.end(),
                                                [&](uint32_t p) { return p != now->pixels.front(); });
        if (!painted || !last || now->pixels != last->pixels) same_since = Clock::now();
        last = std::move(now);
        if (Clock::now() - same_since >= std::chrono::milliseconds(250)) steady = last;
        return steady.has_value();
      },
      timeout);
  return steady;
}

std::optional<Image> DesktopSession::Settle(const Rect& area) {
  auto steady = WaitSteady(area);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return steady;
}

void DesktopSession::Sync() { XSync(display_, False); }

void DesktopSession::MoveTo(int x, int y) {
  XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
  Sync();
}

void DesktopSession::Click(int x, int y, int button) {
  if (std::getenv("QUELLIX_DESKTOP_TRACE")) std::printf("click %d,%d\n", x, y);
  MoveTo(x, y);
  XTestFakeButtonEvent(display_, static_cast<unsigned>(button), True, CurrentTime);
  Sync();
  XTestFakeButtonEvent(display_, static_cast<unsigned>(button), False, CurrentTime);
  Sync();
}

void DesktopSession::Press(KeySym key, const std::vector<KeySym>& modifiers) {
  for (KeySym m : modifiers) XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, m), True, CurrentTime);
  const KeyCode code = XKeysymToKeycode(display_, key);
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, *m), False, CurrentTime);
  Sync();
}

void DesktopSession::Type(const std::string& text) {
  for (const char c : text) {
    if (c == '\n') {
      Press(XK_Return);
      continue;
    }
    // Latin-1 characters are their own key symbols; those on a key's second
    // level need Shift on the server's US layout.
    const KeySym key = static_cast<unsigned char>(c);
    const KeyCode code = XKeysymToKeycode(display_, key);
    const bool shifted = code && XkbKeycodeToKeysym(display_, code, 0, 0) != key;
    Press(key, shifted ? std::vector<KeySym>{XK_Shift_L} : std::vector<KeySym>{});
  }
}

Window DesktopSession::Focus() {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  return focus;
}

std::optional<Image> DesktopSession::Grab(const Rect& wanted) {
  const Rect screen = Screen();
  Rect r;
  r.x = std::max(wanted.x, 0);
  r.y = std::max(wanted.y, 0);
  r.width = std::min(wanted.Right(), screen.width) - r.x;
  r.height = std::min(wanted.Bottom(), screen.height) - r.y;
  if (!display_ || r.Empty()) return std::nullopt;
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), r.x, r.y, static_cast<unsigned>(r.width),
                            static_cast<unsigned>(r.height), AllPlanes, ZPixmap);
  if (!image) return std::nullopt;
  Image out;
  out.area = r;
  out.pixels.resize(static_cast<size_t>(r.width) * static_cast<size_t>(r.height));
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x)
      out.pixels[static_cast<size_t>(y) * static_cast<size_t>(r.width) + static_cast<size_t>(x)] =
          static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu;
  XDestroyImage(image);
  return out;
}

std::string DesktopSession::SaveScreen(const std::string& name) {
  auto image = GrabScreen();
  if (!image) return "(the screen could not be read)";
  // The test's own folder goes with it: a person looks at the screens afterwards.
  const std::string folder = EnvOr(
      "QUELLIX_SCREEN_PNG", (std::filesystem::temp_directory_path() / "quellix-desktop-screens").string());
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const std::string path = folder + "/" + name + ".png";
  plat::Surface surface;
  surface.width = image->area.width;
  surface.height = image->area.height;
  surface.stride = surface.width * 4;
  surface.bits = reinterpret_cast<uint8_t*>(image->pixels.data());
  std::string error;
  if (!plat::SaveSurfacePng(surface, path, &error)) return path + " (not written: " + error + ")";
  return path;
}

void DesktopSession::AskToClose(Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, window, False, NoEventMask, &event);
  Sync();
}

int DesktopSession::StopProgram(std::chrono::milliseconds grace) {
  if (program_ <= 0) return program_status_;
  // The main window is the largest one; closing it ends the program.
  std::optional<TopWindow> main;
  for (auto& w : Windows())
    if (!w.override_redirect &&
        (!main || w.rect.width * w.rect.height > main->rect.width * main->rect.height))
      main = w;
  if (main) AskToClose(main->id);
  if (!WaitUntil([&] { return !ProgramAlive(); }, grace)) {
    kill(program_, SIGTERM);
    if (!WaitUntil([&] { return !ProgramAlive(); }, std::chrono::seconds(5))) {
      kill(program_, SIGKILL);
      int status = 0;
      waitpid(program_, &status, 0);
      program_status_ = status;
      program_ = -1;
    }
  }
  return program_status_;
}

}  // namespace desktop
