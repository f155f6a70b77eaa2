#pragma once
// Window handles, window classes and window procedures: creation and
// destruction, per-window data (long values, extra bytes, text, properties)
// and the default window procedure. Queues and timers are in Messages.h.
#include <cstdint>

#include "platform/kernel/Types.h"
#include "platform/user/WindowMessages.h"

namespace plat {

using LONG_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using HCURSOR = HCURSOR_;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// Class styles are recorded for the units that act on them.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_OWNDC = 0x0020;
constexpr UINT CS_PARENTDC = 0x0080;
constexpr UINT CS_NOCLOSE = 0x0200;
constexpr UINT CS_SAVEBITS = 0x0800;
constexpr UINT CS_GLOBALCLASS = 0x4000;

constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// Parent of hidden windows that only receive messages.
inline HWND const HWND_MESSAGE = reinterpret_cast<HWND>(static_cast<intptr_t>(-3));
// PostMessageA to every top-level window.
inline HWND const HWND_BROADCAST = reinterpret_cast<HWND>(static_cast<intptr_t>(0xFFFF));

constexpr int GWLP_WNDPROC = -4;
constexpr int GWLP_HINSTANCE = -6;
constexpr int GWLP_HWNDPARENT = -8;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWLP_USERDATA = -21;
constexpr int GWLP_ID = -12;

constexpr LONG ERROR_INVALID_INDEX = 1413;
constexpr LONG ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr LONG ERROR_CLASS_DOES_NOT_EXIST = 1411;
constexpr LONG ERROR_CLASS_HAS_WINDOWS = 1412;
constexpr LONG ERROR_CANNOT_FIND_WND_CLASS = 1407;

struct WNDCLASSA {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HGDIOBJ_ hbrBackground = nullptr;  // a brush of the drawing layer
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
};

struct WNDCLASSEXA {
  UINT cbSize = sizeof(WNDCLASSEXA);
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HGDIOBJ_ hbrBackground = nullptr;
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
  HICON hIconSm = nullptr;
};

struct CREATESTRUCTA {
  void* lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  const char* lpszName = nullptr;
  const char* lpszClass = nullptr;
  DWORD dwExStyle = 0;
};

// An atom passed where a name is expected.
inline const char* MAKEINTATOM(ATOM atom) {
  return reinterpret_cast<const char*>(static_cast<uintptr_t>(atom));
}
inline bool IS_INTRESOURCE(const void* name) { return (reinterpret_cast<uintptr_t>(name) >> 16) == 0; }

// Classes. Names are compared without letter case; a name may also be the
// class atom (MAKEINTATOM).
ATOM RegisterClassA(const WNDCLASSA* window_class);
ATOM RegisterClassExA(const WNDCLASSEXA* window_class);
BOOL UnregisterClassA(const char* class_name, HINSTANCE instance);
BOOL GetClassInfoA(HINSTANCE instance, const char* class_name, WNDCLASSA* window_class);
BOOL GetClassInfoExA(HINSTANCE instance, const char* class_name, WNDCLASSEXA* window_class);
int GetClassNameA(HWND hwnd, char* buffer, int max_count);

// A window belongs to the thread that creates it. With WS_CHILD the parent
// is the parent and hMenu the control id; otherwise hWndParent is the owner.
HWND CreateWindowExA(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
inline HWND CreateWindowA(const char* class_name, const char* window_name, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
  return CreateWindowExA(0, class_name, window_name, style, x, y, width, height, parent, menu, instance,
                         param);
}
// Destroys owned windows, then the window and its children: WM_DESTROY goes
// to the window before its children, WM_NCDESTROY to the children first. Only
// the owner thread may destroy a window.
BOOL DestroyWindow(HWND hwnd);

BOOL IsWindow(HWND hwnd);
// The parent of a child window, the owner of a top-level window.
HWND GetParent(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* process_id);

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
LONG GetWindowLongA(HWND hwnd, int index);
LONG SetWindowLongA(HWND hwnd, int index, LONG value);

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// Units that give the default procedure more meaning (painting, the
// non-client area) add a handler; it returns true when it handled the message.
using DefWindowProcHandler = bool (*)(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
void AddDefWindowProcHandler(DefWindowProcHandler handler);

BOOL SetWindowTextA(HWND hwnd, const char* text);
int GetWindowTextA(HWND hwnd, char* buffer, int max_count);
int GetWindowTextLengthA(HWND hwnd);

// Properties are keyed by global atom; a string name adds it to the table.
BOOL SetPropA(HWND hwnd, const char* name, HANDLE data);
HANDLE GetPropA(HWND hwnd, const char* name);
HANDLE RemovePropA(HWND hwnd, const char* name);

}  // namespace plat
