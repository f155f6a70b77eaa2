#include "platform/backend/X11Desktop.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace plat::backend::x11 {

namespace {

struct XTarget {
  Display* display = nullptr;
  Window window = 0;
};

XTarget TargetOf(SDL_Window* window) {
  if (!window) return {};
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
  return XTarget{info.info.x11.display, info.info.x11.window};
}

std::atomic<int> reported{0};

// Errors already reported, by error and request code: each once.
std::mutex& ReportedMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::set<std::pair<int, int>>& ReportedKinds() {
  static auto* kinds = new std::set<std::pair<int, int>>;
  return *kinds;
}

int OnError(Display* display, XErrorEvent* error) {
  // A window destroyed while requests about it were on their way (a menu
  // closed as a wake-up or a property change was sent to it) is not a fault.
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
  {
    std::lock_guard lock(ReportedMutex());
    if (!ReportedKinds().insert({error->error_code, error->request_code}).second) return 0;
  }
  char text[256] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "quellix: X error: %s (request %d.%d, resource 0x%lx)\n", text, error->request_code,
               error->minor_code, error->resourceid);
  reported.fetch_add(1);
  return 0;
}

[[noreturn]] int OnConnectionLost(Display*) {
  static const char message[] = "quellix: the connection to the X display was lost\n";
  [[maybe_unused]] auto written = write(STDERR_FILENO, message, sizeof message - 1);
  _exit(1);
}

Atom Intern(Display* display, const char* name) { return XInternAtom(display, name, False); }

std::vector<Atom> ReadAtoms(Display* display, Window window, Atom property) {
  std::vector<Atom> out;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 64, False, XA_ATOM, &type, &format, &count, &after,
                         &data) == Success &&
      data) {
    if (format == 32) {
      const auto* atoms = reinterpret_cast<const long*>(data);
      for (unsigned long i = 0; i < count; ++i) out.push_back(static_cast<Atom>(atoms[i]));
    }
    XFree(data);
  }
  return out;
}

Window ReadWindow(Display* display, Window window, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  Window out = 0;
  if (XGetWindowProperty(display, window, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                         &data) == Success &&
      data) {
    if (format == 32 && count == 1) out = static_cast<Window>(*reinterpret_cast<const long*>(data));
    XFree(data);
  }
  return out;
}

}  // namespace

void InstallErrorHandlers() {
  XSetErrorHandler(&OnError);
  XSetIOErrorHandler(&OnConnectionLost);
}

int ReportedErrors() { return reported.load(); }

int ConnectionFd(SDL_Window* any_window) {
  const XTarget t = TargetOf(any_window);
  return t.display ? ConnectionNumber(t.display) : -1;
}

bool FlushAndCheckQueued(SDL_Window* any_window) {
  const XTarget t = TargetOf(any_window);
  return t.display && XEventsQueued(t.display, QueuedAfterFlush) > 0;
}

void SetTitle(SDL_Window* window, const std::string& utf8) {
  const XTarget t = TargetOf(window);
  if (!t.display) return;
  const Atom utf8_string = Intern(t.display, "UTF8_STRING");
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
  const int length = static_cast<int>(utf8.size());
  for (const char* name : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"})
    XChangeProperty(t.display, t.window, Intern(t.display, name), utf8_string, 8, PropModeReplace, bytes,
                    length);
  // Latin-1 where every character fits, as WM_NAME's STRING type wants.
  std::string latin1;
  bool fits = true;
  for (size_t i = 0; i < utf8.size() && fits; ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      latin1 += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      latin1 += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      fits = false;
    }
  }
  const std::string& legacy = fits ? latin1 : utf8;
  for (Atom property : {XA_WM_NAME, XA_WM_ICON_NAME})
    XChangeProperty(t.display, t.window, property, fits ? XA_STRING : utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(legacy.data()), static_cast<int>(legacy.size()));
  XFlush(t.display);
}

void SetClassHint(SDL_Window* window) {
  const XTarget t = TargetOf(window);
  if (!t.display) return;
  static char name[] = "quellix";
  XClassHint hint{name, name};
  XSetClassHint(t.display, t.window, &hint);
  XFlush(t.display);
}

void SetTransientFor(SDL_Window* window, SDL_Window* owner) {
  const XTarget t = TargetOf(window);
  if (!t.display) return;
  const XTarget o = TargetOf(owner);
  if (o.display == t.display && o.window)
    XSetTransientForHint(t.display, t.window, o.window);
  else
    XDeleteProperty(t.display, t.window, XA_WM_TRANSIENT_FOR);
  XFlush(t.display);
}

void RaiseWindow(SDL_Window* window) {
  const XTarget t = TargetOf(window);
  if (!t.display) return;
  XRaiseWindow(t.display, t.window);
  XFlush(t.display);
}

bool RootPosition(SDL_Window* window, int* x, int* y) {
  const XTarget t = TargetOf(window);
  if (!t.display) return false;
  Window child = 0;
  return XTranslateCoordinates(t.display, t.window, DefaultRootWindow(t.display), 0, 0, x, y, &child);
}

bool WindowManagerRunning(SDL_Window* any_window) {
  const XTarget t = TargetOf(any_window);
  if (!t.display) return false;
  const Atom check = Intern(t.display, "_NET_SUPPORTING_WM_CHECK");
  const Window wm = ReadWindow(t.display, DefaultRootWindow(t.display), check);
  // A window manager that has gone leaves its property behind, pointing at nothing.
  return wm && ReadWindow(t.display, wm, check) == wm;
}

void SetWmState(SDL_Window* window, WmState which, bool on) {
  const XTarget t = TargetOf(window);
  if (!t.display) return;
  const Atom state = Intern(t.display, "_NET_WM_STATE");
  const Atom atom =
      Intern(t.display, which == WmState::kModal ? "_NET_WM_STATE_MODAL" : "_NET_WM_STATE_ABOVE");
  XWindowAttributes attributes{};
  const bool mapped =
      XGetWindowAttributes(t.display, t.window, &attributes) && attributes.map_state != IsUnmapped;
  if (mapped && WindowManagerRunning(window)) {
    // A shown window's state belongs to the window manager: it is asked.
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = t.window;
    e.xclient.message_type = state;
    e.xclient.format = 32;
    e.xclient.data.l[0] = on ? 1 : 0;
    e.xclient.data.l[1] = static_cast<long>(atom);
    e.xclient.data.l[3] = 1;
    XSendEvent(t.display, DefaultRootWindow(t.display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &e);
  } else {
    std::vector<Atom> atoms = ReadAtoms(t.display, t.window, state);
    std::erase(atoms, atom);
    if (on) atoms.push_back(atom);
    std::vector<long> values(atoms.begin(), atoms.end());
    XChangeProperty(t.display, t.window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
  }
  XFlush(t.display);
}

}  // namespace plat::backend::x11
