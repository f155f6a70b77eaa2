#pragma once
// Mouse and keyboard input: the backend's events become queued mouse and key
// messages for the window under the pointer, the capture window or the focus
// window; hit testing, double clicks, mouse-leave tracking, capture and the
// key state tables.
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Types.h"
#include "platform/user/NonClient.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"

namespace plat {

// ---- messages ---------------------------------------------------------------
// The non-client mouse messages and hit-test codes are in NonClient.h.

constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_MOUSEACTIVATE = 0x0021;
constexpr UINT WM_DEADCHAR = 0x0103;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_SYSDEADCHAR = 0x0107;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_MOUSEHWHEEL = 0x020E;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_MOUSEHOVER = 0x02A1;
constexpr UINT WM_MOUSELEAVE = 0x02A3;

// Mouse message wParam: buttons and modifier keys held.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr WPARAM MK_XBUTTON1 = 0x0020;
constexpr WPARAM MK_XBUTTON2 = 0x0040;

constexpr int WHEEL_DELTA = 120;

// WM_MOUSEACTIVATE answers.
constexpr LRESULT MA_ACTIVATE = 1;
constexpr LRESULT MA_ACTIVATEANDEAT = 2;
constexpr LRESULT MA_NOACTIVATE = 3;
constexpr LRESULT MA_NOACTIVATEANDEAT = 4;

// ---- virtual keys -----------------------------------------------------------

constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_CANCEL = 0x03;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_XBUTTON1 = 0x05;
constexpr int VK_XBUTTON2 = 0x06;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_CLEAR = 0x0C;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_SELECT = 0x29;
constexpr int VK_PRINT = 0x2A;
constexpr int VK_EXECUTE = 0x2B;
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_HELP = 0x2F;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_RWIN = 0x5C;
constexpr int VK_APPS = 0x5D;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_NUMPAD1 = 0x61;
constexpr int VK_NUMPAD2 = 0x62;
constexpr int VK_NUMPAD3 = 0x63;
constexpr int VK_NUMPAD4 = 0x64;
constexpr int VK_NUMPAD5 = 0x65;
constexpr int VK_NUMPAD6 = 0x66;
constexpr int VK_NUMPAD7 = 0x67;
constexpr int VK_NUMPAD8 = 0x68;
constexpr int VK_NUMPAD9 = 0x69;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SEPARATOR = 0x6C;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;
constexpr int VK_F2 = 0x71;
constexpr int VK_F3 = 0x72;
constexpr int VK_F4 = 0x73;
constexpr int VK_F5 = 0x74;
constexpr int VK_F6 = 0x75;
constexpr int VK_F7 = 0x76;
constexpr int VK_F8 = 0x77;
constexpr int VK_F9 = 0x78;
constexpr int VK_F10 = 0x79;
constexpr int VK_F11 = 0x7A;
constexpr int VK_F12 = 0x7B;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;
constexpr int VK_OEM_1 = 0xBA;
constexpr int VK_OEM_PLUS = 0xBB;
constexpr int VK_OEM_COMMA = 0xBC;
constexpr int VK_OEM_MINUS = 0xBD;
constexpr int VK_OEM_PERIOD = 0xBE;
constexpr int VK_OEM_2 = 0xBF;
constexpr int VK_OEM_3 = 0xC0;
constexpr int VK_OEM_4 = 0xDB;
constexpr int VK_OEM_5 = 0xDC;
constexpr int VK_OEM_6 = 0xDD;
constexpr int VK_OEM_7 = 0xDE;

// Key message lParam bits above the repeat count (bits 0-15) and scan code (16-23).
constexpr LPARAM KF_EXTENDED_BIT = 1 << 24;
constexpr LPARAM KF_ALTDOWN_BIT = 1 << 29;
constexpr LPARAM KF_REPEAT_BIT = 1 << 30;
constexpr LPARAM KF_UP_BIT = static_cast<LPARAM>(1u << 31);

// ---- mouse tracking ---------------------------------------------------------

constexpr DWORD TME_HOVER = 0x00000001;
constexpr DWORD TME_LEAVE = 0x00000002;
constexpr DWORD TME_NONCLIENT = 0x00000010;
constexpr DWORD TME_QUERY = 0x40000000;
constexpr DWORD TME_CANCEL = 0x80000000;
constexpr DWORD HOVER_DEFAULT = 0xFFFFFFFF;

struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = 0;
};

// Coordinates packed in a mouse message's lParam, signed.
inline int GET_X_LPARAM(LPARAM lparam) { return static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam))); }
inline int GET_Y_LPARAM(LPARAM lparam) { return static_cast<SHORT>(HIWORD(static_cast<uintptr_t>(lparam))); }
constexpr LPARAM MAKELPARAM(WORD low, WORD high) { return static_cast<LPARAM>(MAKELONG(low, high)); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) { return static_cast<WPARAM>(MAKELONG(low, high)); }
inline SHORT GET_WHEEL_DELTA_WPARAM(WPARAM wparam) { return static_cast<SHORT>(HIWORD(wparam)); }

// ---- operations -------------------------------------------------------------

// Mouse input goes to the capture window wherever the pointer is. Capture
// belongs to the calling thread's windows; WM_CAPTURECHANGED tells the window
// that loses it. Returns the previous capture window.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

// TME_LEAVE: one WM_MOUSELEAVE (WM_NCMOUSELEAVE with TME_NONCLIENT) when the
// pointer leaves the window, then tracking ends. TME_HOVER: one
// WM_MOUSEHOVER after the pointer rested for the hover time.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);

// Bit 15 set: the key is down; bit 0: it is toggled (Caps Lock and the like).
// GetKeyState is the state as of the last key message retrieved by this
// thread; GetAsyncKeyState the state right now, bit 0 meaning pressed since
// the last asynchronous query.
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
BOOL GetKeyboardState(BYTE* state);  // 256 entries
BOOL SetKeyboardState(const BYTE* state);

// Double clicks: a second press of the same button within this time (layer
// clock) and SM_CXDOUBLECLK x SM_CYDOUBLECLK of the first, on a window of a
// CS_DBLCLKS class.
UINT GetDoubleClickTime();
BOOL SetDoubleClickTime(UINT milliseconds);

}  // namespace plat

namespace plat::backend {
struct Event;
}

namespace plat::user {

// The message loop's input entry: takes the backend's pending events (waiting
// up to `timeout_ms` for one) and turns them into queued input messages.
// Runs on the thread that drives the backend; returns the events handled.
int PumpBackendEvents(DWORD timeout_ms);

// The hit-test code of `hwnd` for a screen point: WM_NCHITTEST sent to it.
LRESULT HitTest(HWND hwnd, POINT screen_point);

// Window events of the backend that are not input (moves, sizes, close
// requests, exposure) go to this handler of the geometry unit.
void SetWindowEventHandler(void (*handler)(const backend::Event& event));

// The window core's calls: the default procedure's input handling is added
// when the first window is made; a retrieved input message updates the
// thread's key states; a window that goes loses capture, tracking and focus.
void InstallInputDefaults();
void NoteRetrievedInput(const MSG& msg);
void ForgetInputWindow(HWND hwnd);

}  // namespace plat::user
