#pragma once
// The record behind one window handle, for the units of the window layer.
// Fields are grouped by the unit that gives them meaning; geometry, painting
// and the non-client area fill in their sections.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/Region.h"
#include "platform/gdi/Surface.h"
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
  HICON icon_big = nullptr;  // WM_SETICON (Icon.cpp); the window does not own them
  HICON icon_small = nullptr;

  // Life cycle: set when destruction starts, so re-entrant calls do nothing.
  bool destroying = false;

  // Subclassing and input (Subclass, Input, Focus and Cursor units).
  // Subclass handlers, newest first; cleared after WM_NCDESTROY.
  std::vector<std::shared_ptr<SubclassEntry>> subclasses;

  // Styles (recorded here; the units that act on them read them).
  DWORD style = 0;
  DWORD ex_style = 0;

  // Geometry (Geometry.cpp). The window rectangle is in the parent's client
  // coordinates (screen coordinates for top-level windows); the client
  // rectangle is relative to the window's top-left corner. Visibility,
  // minimised and maximised state are the WS_VISIBLE, WS_MINIMIZE and
  // WS_MAXIMIZE bits of `style`.
  RECT window_rect;
  RECT client_rect;
  RECT normal_rect;  // where SW_RESTORE puts a minimised or maximised window
  bool normal_rect_set = false;
  bool restore_to_maximized = false;  // minimised from the maximised state
  // Stacking of top-level windows: larger is nearer the top within a band
  // (WS_EX_TOPMOST windows form the upper band). Children stack in the order
  // of the parent's `children`, topmost first.
  int64_t z = 0;
  // Top-level windows: the backend's window is open (its backing surface is
  // asked from the backend when drawing starts).
  bool backend_open = false;

  // Painting (Paint.cpp). Regions are in window coordinates and may cover
  // the non-client area.
  Region update;
  bool erase_pending = false;   // WM_ERASEBKGND owed by the next BeginPaint
  bool frame_pending = false;   // WM_NCPAINT owed
  bool internal_paint = false;  // WM_PAINT owed without an update region
  bool in_paint = false;        // between BeginPaint and EndPaint
  bool redraw_off = false;      // WM_SETREDRAW FALSE
  bool has_window_region = false;
  Region window_region;
  // Surface rectangles drawn from another thread, presented by the owner thread.
  std::vector<RECT> present_pending;

  // Non-client area (NonClient.cpp).
  bool nc_active = false;  // caption drawn in the active colours
  int nc_pressed = 0;      // hit-test code of the caption button held down, 0 for none
  bool nc_hot = false;     // the pressed button is under the pointer
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
