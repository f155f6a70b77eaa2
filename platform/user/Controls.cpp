#include "platform/user/Controls.h"

#include <mutex>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"
#include "platform/user/Button.h"
#include "platform/user/ComboBox.h"
#include "platform/user/CommCtrl.h"
#include "platform/user/Edit.h"
#include "platform/user/Input.h"
#include "platform/user/ListBox.h"
#include "platform/user/Messages.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/Static.h"

namespace plat {

int GetDlgCtrlID(HWND hwnd) { return static_cast<int>(GetWindowLongPtrA(hwnd, GWLP_ID)); }

BOOL RegisterStandardControls() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] {
    AddDefWindowProcHandler(user::DefaultControlColor);
    // One line per control unit; each registers its classes.
    ok = user::RegisterButtonClass() && user::RegisterStaticClass() && user::RegisterScrollBarClass() &&
         user::RegisterEditClass() && user::RegisterListBoxClasses() && user::RegisterComboBoxClass();
    ok = ok && user::RegisterTrackBarClass();
    ok = ok && user::RegisterUpDownClass();
    ok = ok && user::RegisterProgressClass();
    ok = ok && user::RegisterStatusBarClass();
    ok = ok && user::RegisterTabControlClass();
    ok = ok && user::RegisterHeaderClass();
    ok = ok && user::RegisterListViewClass();
    ok = ok && user::RegisterDateTimePickClass();
  });
  return ok ? TRUE : FALSE;
}

}  // namespace plat

namespace plat::user {

void NotifyParent(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (!parent) return;
  const WORD id = static_cast<WORD>(GetDlgCtrlID(control));
  SendMessageA(parent, WM_COMMAND, MAKELONG(id, code), reinterpret_cast<LPARAM>(control));
}

HBRUSH ControlColors(HWND control, HDC hdc, UINT message) {
  HWND parent = GetParent(control);
  LRESULT brush = 0;
  if (parent)
    brush = SendMessageA(parent, message, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(control));
  if (!brush) DefaultControlColor(control, message, reinterpret_cast<WPARAM>(hdc), 0, &brush);
  return reinterpret_cast<HBRUSH>(brush);
}

bool DefaultControlColor(HWND, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  if (message < WM_CTLCOLORMSGBOX || message > WM_CTLCOLORSTATIC) return false;
  HDC hdc = reinterpret_cast<HDC>(wparam);
  // Text-entry controls sit on the window colour, the rest on the face colour.
  const bool window = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
  const int back = message == WM_CTLCOLORSCROLLBAR ? COLOR_SCROLLBAR : window ? COLOR_WINDOW : COLOR_3DFACE;
  if (hdc) {
    SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(hdc, GetSysColor(back));
  }
  *result = reinterpret_cast<LRESULT>(GetSysColorBrush(back));
  return true;
}

HFONT ControlFont(HFONT set_font) {
  return set_font ? set_font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

int FontLineHeight(HFONT font) {
  HDC hdc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(hdc, ControlFont(font));
  TEXTMETRICA tm;
  GetTextMetricsA(hdc, &tm);
  SelectObject(hdc, old);
  DeleteDC(hdc);
  return tm.tmHeight > 0 ? static_cast<int>(tm.tmHeight) : 13;
}

bool RegisterControlClass(const char* name, WNDPROC proc, UINT style, const char* cursor) {
  WNDCLASSA wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursorA(nullptr, cursor);
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0;
}

LRESULT FontMessage(HWND control, UINT message, WPARAM wparam, LPARAM lparam, HFONT* font) {
  if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(*font);
  *font = reinterpret_cast<HFONT>(wparam);
  if (LOWORD(lparam)) {
    InvalidateRect(control, nullptr, FALSE);
    UpdateWindow(control);
  }
  return 0;
}

void SendDrawItem(HWND control, UINT ctl_type, UINT item, UINT state, HDC hdc, const RECT& rect,
                  ULONG_PTR data) {
  DRAWITEMSTRUCT dis;
  dis.CtlType = ctl_type;
  dis.CtlID = static_cast<UINT>(GetDlgCtrlID(control));
  dis.itemID = item;
  dis.itemAction = ODA_DRAWENTIRE;
  dis.itemState = state;
  dis.hwndItem = control;
  dis.hDC = hdc;
  dis.rcItem = rect;
  dis.itemData = data;
  if (HWND parent = GetParent(control))
    SendMessageA(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

bool LineScrollTarget(WORD request, int first, int page, int count, int* target) {
  switch (request) {
    case SB_LINEUP:
      *target = first - 1;
      return true;
    case SB_LINEDOWN:
      *target = first + 1;
      return true;
    case SB_PAGEUP:
      *target = first - page;
      return true;
    case SB_PAGEDOWN:
      *target = first + page;
      return true;
    case SB_TOP:
      *target = 0;
      return true;
    case SB_BOTTOM:
      *target = count;
      return true;
    default:
      return false;
  }
}

void EndCapturedOperation(HWND control, bool* active) {
  if (!*active) return;
  *active = false;
  if (GetCapture() == control) ReleaseCapture();
}

DWORD SetMaskedStyle(DWORD* style, WPARAM mask, LPARAM bits) {
  const DWORD old = *style;
  const DWORD m = mask ? static_cast<DWORD>(mask) : 0xFFFFFFFFu;
  *style = (*style & ~m) | (static_cast<DWORD>(bits) & m);
  return old;
}

}  // namespace plat::user
