#pragma once
// The standard controls as window classes: their class names, the messages
// they share (fonts, colours from the parent, dialog codes, scrolling and
// clipboard messages) and the helpers every control unit uses. Each control
// keeps all of its state queryable through its messages, so that code which
// repaints a control itself can read what to draw.
#include <cstdint>

#include "platform/gdi/Gdi.h"
#include "platform/kernel/Types.h"
#include "platform/user/Cursor.h"
#include "platform/user/Menu.h"  // WM_COMMAND, WM_DRAWITEM, WM_MEASUREITEM and the owner-draw records
#include "platform/user/Paint.h"
#include "platform/user/Window.h"

namespace plat {

// ---- class names --------------------------------------------------------------

inline constexpr const char* WC_BUTTONA = "Button";
inline constexpr const char* WC_STATICA = "Static";
inline constexpr const char* WC_EDITA = "Edit";
inline constexpr const char* WC_LISTBOXA = "ListBox";
inline constexpr const char* WC_COMBOBOXA = "ComboBox";
inline constexpr const char* WC_COMBOLBOXA = "ComboLBox";
inline constexpr const char* WC_SCROLLBARA = "ScrollBar";

// ---- shared messages ----------------------------------------------------------

constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_DELETEITEM = 0x002D;
constexpr UINT WM_VKEYTOITEM = 0x002E;
constexpr UINT WM_CHARTOITEM = 0x002F;
constexpr UINT WM_COMPAREITEM = 0x0039;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_CTLCOLORMSGBOX = 0x0132;
constexpr UINT WM_CTLCOLOREDIT = 0x0133;
constexpr UINT WM_CTLCOLORLISTBOX = 0x0134;
constexpr UINT WM_CTLCOLORBTN = 0x0135;
constexpr UINT WM_CTLCOLORDLG = 0x0136;
constexpr UINT WM_CTLCOLORSCROLLBAR = 0x0137;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
constexpr UINT WM_CUT = 0x0300;
constexpr UINT WM_COPY = 0x0301;
constexpr UINT WM_PASTE = 0x0302;
constexpr UINT WM_CLEAR = 0x0303;
constexpr UINT WM_UNDO = 0x0304;

// WM_GETDLGCODE answers.
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
constexpr LRESULT DLGC_HASSETSEL = 0x0008;
constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
constexpr LRESULT DLGC_STATIC = 0x0100;
constexpr LRESULT DLGC_BUTTON = 0x2000;

// Accessible states, as GetScrollBarInfo and GetComboBoxInfo report them.
constexpr DWORD STATE_SYSTEM_UNAVAILABLE = 0x00000001;
constexpr DWORD STATE_SYSTEM_PRESSED = 0x00000008;
constexpr DWORD STATE_SYSTEM_INVISIBLE = 0x00008000;
constexpr DWORD STATE_SYSTEM_OFFSCREEN = 0x00010000;

// Image kinds of BM_SETIMAGE and STM_SETIMAGE.
constexpr WPARAM IMAGE_BITMAP = 0;
constexpr WPARAM IMAGE_ICON = 1;
constexpr WPARAM IMAGE_CURSOR = 2;

// WM_DELETEITEM: an owner-drawn item leaves a list box or combo box.
struct DELETEITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  HWND hwndItem = nullptr;
  ULONG_PTR itemData = 0;
};

// The control's identifier (GWLP_ID); 0 for a top-level window.
int GetDlgCtrlID(HWND hwnd);

// Registers every standard control class once per process; later calls do
// nothing. Units that add control classes add their registration here.
BOOL RegisterStandardControls();

}  // namespace plat

namespace plat::user {

// WM_COMMAND to the parent: the control's id in the low word and `code` in
// the high word of wParam, the control in lParam.
void NotifyParent(HWND control, WORD code);

// Asks the parent for the colours of `hdc` with a WM_CTLCOLOR* message; the
// defaults (window or face colours) when the parent does not answer.
HBRUSH ControlColors(HWND control, HDC hdc, UINT ctlcolor_message);

// The control's font (WM_SETFONT), or the GUI font when it has none.
HFONT ControlFont(HFONT set_font);

// The default procedure's answer to WM_CTLCOLOR*: text and background colours
// of the classic scheme and their system brush.
bool DefaultControlColor(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

// Control state hangs off the first extra bytes of the window.
template <typename State>
State* StateOf(HWND hwnd) {
  return reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, 0));
}

// Makes the control's state at WM_NCCREATE and hangs it off the window.
template <typename State>
State* AttachState(HWND hwnd) {
  auto* s = new State;
  SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(s));
  return s;
}

// The control's state for a message: made at WM_NCCREATE, null before it
// (the procedure hands such messages to the default one).
template <typename State>
State* StateForMessage(HWND hwnd, UINT message) {
  State* s = StateOf<State>(hwnd);
  if (!s && message == WM_NCCREATE) AttachState<State>(hwnd);
  return s;
}

// At WM_NCDESTROY: unhooks and frees the state, then lets the default procedure finish.
template <typename State>
LRESULT DetachState(HWND hwnd, State* s, UINT message, WPARAM wparam, LPARAM lparam) {
  SetWindowLongPtrA(hwnd, 0, 0);
  delete s;
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

// Height of a line of text in the font.
int FontLineHeight(HFONT font);

// Registers a control class whose window keeps a state pointer in its extra bytes.
bool RegisterControlClass(const char* name, WNDPROC proc, UINT style, const char* cursor = IDC_ARROW);

// WM_PAINT and WM_PRINTCLIENT alike: `paint(hdc)` on the BeginPaint DC, or on
// the DC that WM_PRINTCLIENT brings in wParam.
template <typename PaintFn>
LRESULT PaintMessage(HWND hwnd, UINT message, WPARAM wparam, PaintFn&& paint) {
  if (message == WM_PRINTCLIENT) {
    paint(reinterpret_cast<HDC>(wparam));
    return 0;
  }
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) paint(hdc);
  EndPaint(hwnd, &ps);
  return 0;
}

// WM_SETFONT keeps the font in `*font` and repaints at once when lParam asks;
// WM_GETFONT answers it.
LRESULT FontMessage(HWND control, UINT message, WPARAM wparam, LPARAM lparam, HFONT* font);

// WM_DRAWITEM to the parent of `control` for an owner-drawn item, drawn whole.
void SendDrawItem(HWND control, UINT ctl_type, UINT item, UINT state, HDC hdc, const RECT& rect,
                  ULONG_PTR data);

// The first line a vertical scroll request asks for: a line or a page up or
// down from `first`, the top, or the bottom (`count`, which the control clamps).
// False for the thumb, which each control reads its own way, and for requests
// that do not move.
bool LineScrollTarget(WORD request, int first, int page, int count, int* target);

// Ends a mouse operation the control held the capture for: clears `active`
// and lets the capture go if the control still has it. Nothing when inactive.
void EndCapturedOperation(HWND control, bool* active);

// An extended-style message: the bits of `mask` (all bits when it is 0) take
// those of `bits`. Returns the previous style.
DWORD SetMaskedStyle(DWORD* style, WPARAM mask, LPARAM bits);

}  // namespace plat::user
