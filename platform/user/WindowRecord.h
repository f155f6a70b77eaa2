#pragma once
// The record behind one window handle, for the units of the window layer.
// Fields are grouped by the unit that gives them meaning; geometry, painting
// and the non-client area fill in their sections.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel/Types.h"
#include "platform/user/Window.h"

namespace plat::user {

// One registered window class.
struct WindowClass {
  std::string name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int wnd_extra = 0;
  std::vector<BYTE> class_extra;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON icon_small = nullptr;
  HCURSOR cursor = nullptr;
  HGDIOBJ_ background = nullptr;
  std::string menu_name;
  bool registered = true;  // false once unregistered; live windows keep the record
};

struct SubclassEntry;  // Subclass.h

struct WindowProp {
  HANDLE value = nullptr;
  bool owns_atom = false;  // the property added its name to the atom table
};

struct WindowRecord {
  // Identity and ownership.
  HWND hwnd = nullptr;
  DWORD thread_id = 0;
  std::shared_ptr<WindowClass> window_class;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;  // child windows
  HWND owner = nullptr;   // top-level windows
  bool message_only = false;
  std::vector<HWND> children;  // in creation order

  // Per-window data.
  WNDPROC proc = nullptr;
  LONG_PTR id = 0;
  LONG_PTR user_data = 0;
  std::vector<BYTE> extra;
  std::string text;
  std::map<ATOM, WindowProp> props;

  // Life cycle: set when destruction starts, so re-entrant calls do nothing.
  bool destroying = false;

  // Subclassing and input (Subclass, Input, Focus and Cursor units).
  // Subclass handlers, newest first; cleared after WM_NCDESTROY.
  std::vector<std::shared_ptr<SubclassEntry>> subclasses;

  // Styles (recorded here; the units that act on them read them).
  DWORD style = 0;
  DWORD ex_style = 0;

  // Geometry: as created, in the parent's client coordinates (the geometry
  // unit owns these and adds the client rectangle).
  RECT window_rect;

  // Painting: update region and paint state (painting unit).

  // Non-client area: frame metrics and hit-test state (non-client unit).
};

// Guards the window table and every record. Lock order: the wait core's lock
// may be held when taking this one, never the other way round; window
// procedures are never called with it held.
std::mutex& WindowLock();
// The live record of a window, or null. Caller holds WindowLock().
std::shared_ptr<WindowRecord> LookupWindowLocked(HWND hwnd);
// Takes the lock itself.
std::shared_ptr<WindowRecord> LookupWindow(HWND hwnd);
// True when `hwnd` is `ancestor` or one of its descendants. Caller holds WindowLock().
bool IsSelfOrDescendantLocked(HWND ancestor, HWND hwnd);
// Every live top-level window that is not message-only, in creation order.
std::vector<HWND> TopLevelWindows();

}  // namespace plat::user

namespace plat::user {

// Messaging hooks the window core calls (implemented in Messages.cpp).
// Installs the delivery of cross-thread sends; called before the first window exists.
void InstallSentMessageDelivery();
// Drops the queued messages and timers of a window that is gone.
void PurgeWindowMessages(HWND hwnd, DWORD thread_id);

}  // namespace plat::user
