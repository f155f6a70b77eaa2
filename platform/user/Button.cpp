#include "platform/user/Button.h"

#include <string>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"
#include "platform/user/Cursor.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"

namespace plat {

namespace {

struct ButtonState {
  LRESULT check = BST_UNCHECKED;
  bool pushed = false;
  bool focused = false;
  bool mouse_tracking = false;  // the left button went down on us and we hold the capture
  bool space_down = false;
  HFONT font = nullptr;
  HANDLE image = nullptr;
  WPARAM image_type = IMAGE_BITMAP;
};

constexpr int kBoxSize = 13;
constexpr int kRadioSize = 12;

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }
DWORD Kind(HWND hwnd) { return Style(hwnd) & BS_TYPEMASK; }

bool IsCheckKind(DWORD kind) {
  return kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE || kind == BS_AUTO3STATE;
}
bool IsRadioKind(DWORD kind) { return kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON; }
bool IsPushKind(DWORD kind) {
  return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || kind == BS_USERBUTTON || kind == BS_PUSHBOX ||
         kind == BS_OWNERDRAW;
}

std::string TextOf(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

void Redraw(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

// The three-pixel-thick tick of a checked box, in a 7 x 7 cell.
void DrawCheckMark(HDC hdc, int x, int y, COLORREF color) {
  static constexpr int kTop[7] = {2, 3, 4, 3, 2, 1, 0};
  for (int i = 0; i < 7; ++i)
    for (int j = 0; j < 3; ++j) SetPixelV(hdc, x + i, y + kTop[i] + j, color);
}

void FillSys(HDC hdc, const RECT& r, int color) { FillRect(hdc, &r, GetSysColorBrush(color)); }

void DrawLabel(HDC hdc, HWND hwnd, const std::string& text, RECT r, UINT format, bool enabled) {
  if (text.empty()) return;
  const int old_mode = SetBkMode(hdc, TRANSPARENT);
  COLORREF old_color = 0;
  if (!enabled) old_color = SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
  DrawTextA(hdc, text.c_str(), static_cast<int>(text.size()), &r, format);
  if (!enabled) SetTextColor(hdc, old_color);
  SetBkMode(hdc, old_mode);
  (void)hwnd;
}

UINT HorizontalFormat(DWORD style, UINT fallback) {
  switch (style & BS_CENTER) {
    case BS_LEFT:
      return DT_LEFT;
    case BS_RIGHT:
      return DT_RIGHT;
    case BS_CENTER:
      return DT_CENTER;
    default:
      return fallback;
  }
}

void PaintPush(HWND hwnd, ButtonState* s, HDC hdc, const RECT& client) {
  const DWORD style = Style(hwnd);
  const bool enabled = !(style & WS_DISABLED);
  HBRUSH back = user::ControlColors(hwnd, hdc, WM_CTLCOLORBTN);
  FillRect(hdc, &client, back);
  RECT r = client;
  const bool is_default = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  if (is_default) {
    FrameRect(hdc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  if (s->pushed) {
    FrameRect(hdc, &r, GetSysColorBrush(COLOR_3DSHADOW));
    RECT face = r;
    InflateRect(&face, -1, -1);
    FillSys(hdc, face, COLOR_3DFACE);
  } else {
    FillSys(hdc, r, COLOR_3DFACE);
    RECT edge = r;
    DrawEdge(hdc, &edge, EDGE_RAISED, BF_RECT);
  }
  RECT text = client;
  InflateRect(&text, -4, -3);
  if (s->pushed) OffsetRect(&text, 1, 1);
  UINT format = HorizontalFormat(style, DT_CENTER);
  format |= (style & BS_MULTILINE) ? DT_WORDBREAK : (DT_SINGLELINE | DT_VCENTER);
  if ((style & BS_BITMAP) && s->image && s->image_type == IMAGE_BITMAP) {
    BITMAP bm;
    if (GetObject(static_cast<HGDIOBJ>(s->image), sizeof(bm), &bm)) {
      HDC mem = CreateCompatibleDC(hdc);
      HGDIOBJ old = SelectObject(mem, static_cast<HGDIOBJ>(s->image));
      const int x = (text.left + text.right - bm.bmWidth) / 2;
      const int y = (text.top + text.bottom - bm.bmHeight) / 2;
      BitBlt(hdc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
    }
  } else {
    DrawLabel(hdc, hwnd, TextOf(hwnd), text, format, enabled);
  }
  if (s->focused) {
    RECT focus = client;
    InflateRect(&focus, -4, -4);
    DrawFocusRect(hdc, &focus);
  }
}

void PaintCheckOrRadio(HWND hwnd, ButtonState* s, HDC hdc, const RECT& client, bool radio) {
  const DWORD style = Style(hwnd);
  const bool enabled = !(style & WS_DISABLED);
  HBRUSH back = user::ControlColors(hwnd, hdc, WM_CTLCOLORSTATIC);
  FillRect(hdc, &client, back);
  const int size = radio ? kRadioSize : kBoxSize;
  const bool left_text = (style & BS_LEFTTEXT) != 0;
  const int top = client.top + (client.bottom - client.top - size) / 2;
  const int left = left_text ? client.right - size : client.left;
  RECT box{left, top, left + size, top + size};
  const bool light = s->pushed || !enabled;
  if (radio) {
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DSHADOW));
    HGDIOBJ old_pen = SelectObject(hdc, shadow);
    HGDIOBJ old_brush = SelectObject(hdc, GetSysColorBrush(light ? COLOR_3DFACE : COLOR_WINDOW));
    Ellipse(hdc, box.left, box.top, box.right, box.bottom);
    if (s->check == BST_CHECKED) {
      HPEN dot_pen = CreatePen(PS_SOLID, 1, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
      SelectObject(hdc, dot_pen);
      SelectObject(hdc, GetSysColorBrush(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
      const int cx = box.left + size / 2;
      const int cy = box.top + size / 2;
      Ellipse(hdc, cx - 2, cy - 2, cx + 2, cy + 2);
      SelectObject(hdc, shadow);
      DeleteObject(dot_pen);
    }
    SelectObject(hdc, old_brush);
    SelectObject(hdc, old_pen);
    DeleteObject(shadow);
  } else {
    RECT inner = box;
    DrawEdge(hdc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    const bool mixed = s->check == BST_INDETERMINATE;
    FillSys(hdc, inner, light || mixed ? COLOR_3DFACE : COLOR_WINDOW);
    if (s->check != BST_UNCHECKED)
      DrawCheckMark(hdc, inner.left + 1, inner.top + 1,
                    GetSysColor(mixed || !enabled ? COLOR_3DSHADOW : COLOR_WINDOWTEXT));
  }
  RECT text = client;
  if (left_text)
    text.right = box.left - 4;
  else
    text.left = box.right + 4;
  const UINT format = HorizontalFormat(style, left_text ? DT_RIGHT : DT_LEFT) |
                      ((style & BS_MULTILINE) ? DT_WORDBREAK : (DT_SINGLELINE | DT_VCENTER));
  const std::string label = TextOf(hwnd);
  DrawLabel(hdc, hwnd, label, text, format, enabled);
  if (s->focused && !label.empty()) {
    RECT measure = text;
    DrawTextA(hdc, label.c_str(), static_cast<int>(label.size()), &measure, format | DT_CALCRECT);
    // DT_CALCRECT keeps left and top; place the box where the text really is.
    const int height = measure.bottom - measure.top;
    const int width = measure.right - measure.left;
    RECT focus{text.left, text.top + (text.bottom - text.top - height) / 2, 0, 0};
    if (format & DT_RIGHT) focus.left = text.right - width;
    focus.right = focus.left + width;
    focus.bottom = focus.top + height;
    InflateRect(&focus, 1, 1);
    DrawFocusRect(hdc, &focus);
  }
}

void PaintGroupBox(HWND hwnd, HDC hdc, const RECT& client) {
  const bool enabled = !(Style(hwnd) & WS_DISABLED);
  HBRUSH back = user::ControlColors(hwnd, hdc, WM_CTLCOLORSTATIC);
  FillRect(hdc, &client, back);
  TEXTMETRICA tm;
  GetTextMetricsA(hdc, &tm);
  RECT frame = client;
  frame.top += tm.tmHeight / 2;
  DrawEdge(hdc, &frame, EDGE_ETCHED, BF_RECT);
  const std::string label = TextOf(hwnd);
  if (label.empty()) return;
  RECT text{client.left + 8, client.top, client.right - 8, client.top + tm.tmHeight};
  RECT measure = text;
  DrawTextA(hdc, label.c_str(), static_cast<int>(label.size()), &measure, DT_SINGLELINE | DT_CALCRECT);
  RECT gap{text.left - 2, text.top, std::min<LONG>(measure.right + 2, client.right), text.bottom};
  FillRect(hdc, &gap, back);
  DrawLabel(hdc, hwnd, label, text, DT_SINGLELINE | DT_LEFT | DT_TOP, enabled);
}

void PaintOwnerDraw(HWND hwnd, ButtonState* s, HDC hdc, const RECT& client) {
  const UINT state = (s->pushed ? ODS_SELECTED : 0) | (s->focused ? ODS_FOCUS : 0) |
                     ((Style(hwnd) & WS_DISABLED) ? ODS_DISABLED : 0);
  user::SendDrawItem(hwnd, ODT_BUTTON, 0, state, hdc, client, 0);
}

void Paint(HWND hwnd, ButtonState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  HGDIOBJ old_font = SelectObject(hdc, user::ControlFont(s->font));
  const DWORD kind = Kind(hwnd);
  if (kind == BS_OWNERDRAW)
    PaintOwnerDraw(hwnd, s, hdc, client);
  else if (kind == BS_GROUPBOX)
    PaintGroupBox(hwnd, hdc, client);
  else if ((IsCheckKind(kind) || IsRadioKind(kind)) && !(Style(hwnd) & BS_PUSHLIKE))
    PaintCheckOrRadio(hwnd, s, hdc, client, IsRadioKind(kind));
  else {
    // Push-like check boxes and radio buttons look pushed while checked.
    const bool was = s->pushed;
    if (!IsPushKind(kind) && s->check != BST_UNCHECKED) s->pushed = true;
    PaintPush(hwnd, s, hdc, client);
    s->pushed = was;
  }
  SelectObject(hdc, old_font);
}

void SetPushed(HWND hwnd, ButtonState* s, bool pushed) {
  if (s->pushed == pushed) return;
  s->pushed = pushed;
  if (Style(hwnd) & BS_NOTIFY) user::NotifyParent(hwnd, pushed ? BN_HILITE : BN_UNHILITE);
  Redraw(hwnd);
}

void SetCheck(HWND hwnd, ButtonState* s, LRESULT check) {
  const DWORD kind = Kind(hwnd);
  if (!IsCheckKind(kind) && !IsRadioKind(kind)) return;
  if (check == BST_INDETERMINATE && kind != BS_3STATE && kind != BS_AUTO3STATE) check = BST_CHECKED;
  if (check != BST_UNCHECKED && check != BST_CHECKED && check != BST_INDETERMINATE) check = BST_CHECKED;
  if (s->check == check) return;
  s->check = check;
  // A checked radio button is the group's tab stop.
  if (IsRadioKind(kind)) {
    const DWORD style = Style(hwnd);
    const DWORD wanted = check == BST_CHECKED ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
    if (wanted != style) SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(wanted));
  }
  Redraw(hwnd);
}

// Siblings in window order, split into groups where WS_GROUP starts one.
std::vector<HWND> GroupOf(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  std::vector<HWND> group;
  if (!parent) return {hwnd};
  bool found = false;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetWindowLongA(child, GWL_STYLE) & WS_GROUP) {
      if (found) break;
      group.clear();
    }
    group.push_back(child);
    if (child == hwnd) found = true;
  }
  return found ? group : std::vector<HWND>{hwnd};
}

void Click(HWND hwnd, ButtonState* s) {
  switch (Kind(hwnd)) {
    case BS_AUTOCHECKBOX:
      SetCheck(hwnd, s, s->check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED);
      break;
    case BS_AUTO3STATE:
      SetCheck(hwnd, s, (s->check + 1) % 3);
      break;
    case BS_AUTORADIOBUTTON:
      for (HWND other : GroupOf(hwnd)) {
        if (other == hwnd) continue;
        if (SendMessageA(other, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
          SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
      }
      SetCheck(hwnd, s, BST_CHECKED);
      break;
    default:
      break;
  }
  user::NotifyParent(hwnd, BN_CLICKED);
}

bool Inside(HWND hwnd, LPARAM lparam) {
  RECT client;
  GetClientRect(hwnd, &client);
  return PtInRect(&client, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}) != FALSE;
}

LRESULT ButtonProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateForMessage<ButtonState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wparam, lparam);
  const DWORD kind = Kind(hwnd);
  switch (message) {
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_GETDLGCODE:
      if (kind == BS_GROUPBOX) return DLGC_STATIC;
      if (IsRadioKind(kind)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (kind == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (kind == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      return DLGC_BUTTON;
    case WM_NCHITTEST:
      // A group box lets clicks through to what lies under it.
      if (kind == BS_GROUPBOX) return HTTRANSPARENT;
      return DefWindowProcA(hwnd, message, wparam, lparam);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { Paint(hwnd, s, hdc); });
    case WM_SETFONT:
    case WM_GETFONT:
      return user::FontMessage(hwnd, message, wparam, lparam, &s->font);
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcA(hwnd, message, wparam, lparam);
      Redraw(hwnd);
      return result;
    }
    case WM_ENABLE:
      Redraw(hwnd);
      return 0;
    case BM_GETCHECK:
      return s->check;
    case BM_SETCHECK:
      SetCheck(hwnd, s, static_cast<LRESULT>(wparam));
      return 0;
    case BM_GETSTATE:
      return s->check | (s->pushed ? BST_PUSHED : 0) | (s->focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
      SetPushed(hwnd, s, wparam != 0);
      return 0;
    case BM_SETSTYLE: {
      const DWORD style = Style(hwnd);
      SetWindowLongA(hwnd, GWL_STYLE,
                     static_cast<LONG>((style & 0xFFFF0000u) | (static_cast<DWORD>(wparam) & 0xFFFF)));
      if (LOWORD(lparam)) Redraw(hwnd);
      return 0;
    }
    case BM_CLICK:
      if (Style(hwnd) & WS_DISABLED) return 0;
      SetPushed(hwnd, s, true);
      SetPushed(hwnd, s, false);
      Click(hwnd, s);
      return 0;
    case BM_GETIMAGE:
      return wparam == s->image_type ? reinterpret_cast<LRESULT>(s->image) : 0;
    case BM_SETIMAGE: {
      HANDLE old = s->image;
      s->image = reinterpret_cast<HANDLE>(lparam);
      s->image_type = wparam;
      Redraw(hwnd);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_SETFOCUS:
      s->focused = true;
      if (Style(hwnd) & BS_NOTIFY) user::NotifyParent(hwnd, BN_SETFOCUS);
      Redraw(hwnd);
      return 0;
    case WM_KILLFOCUS:
      s->focused = false;
      if (s->space_down) {
        s->space_down = false;
        SetPushed(hwnd, s, false);
      }
      if (Style(hwnd) & BS_NOTIFY) user::NotifyParent(hwnd, BN_KILLFOCUS);
      Redraw(hwnd);
      return 0;
    case WM_LBUTTONDBLCLK:
      // Radio buttons and owner-drawn buttons report double clicks; the rest take them as a press.
      if (IsRadioKind(kind) || kind == BS_OWNERDRAW || (Style(hwnd) & BS_NOTIFY)) {
        user::NotifyParent(hwnd, BN_DOUBLECLICKED);
        if (IsRadioKind(kind)) return 0;
      }
      [[fallthrough]];
    case WM_LBUTTONDOWN:
      if (kind == BS_GROUPBOX) return 0;
      if (GetFocus() != hwnd) SetFocus(hwnd);
      SetCapture(hwnd);
      s->mouse_tracking = true;
      SetPushed(hwnd, s, true);
      return 0;
    case WM_MOUSEMOVE:
      if (s->mouse_tracking) SetPushed(hwnd, s, Inside(hwnd, lparam));
      return 0;
    case WM_LBUTTONUP: {
      if (!s->mouse_tracking) return 0;
      const bool inside = Inside(hwnd, lparam);
      s->mouse_tracking = false;
      ReleaseCapture();
      SetPushed(hwnd, s, false);
      if (inside) Click(hwnd, s);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (s->mouse_tracking && reinterpret_cast<HWND>(lparam) != hwnd) {
        s->mouse_tracking = false;
        SetPushed(hwnd, s, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (wparam == static_cast<WPARAM>(VK_SPACE) && kind != BS_GROUPBOX && !(lparam & KF_REPEAT_BIT)) {
        s->space_down = true;
        SetPushed(hwnd, s, true);
        return 0;
      }
      return DefWindowProcA(hwnd, message, wparam, lparam);
    case WM_KEYUP:
      if (wparam == static_cast<WPARAM>(VK_SPACE) && s->space_down) {
        s->space_down = false;
        const bool was = s->pushed;
        SetPushed(hwnd, s, false);
        if (was) Click(hwnd, s);
        return 0;
      }
      return DefWindowProcA(hwnd, message, wparam, lparam);
    case WM_CHAR:
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND button = user::ChildById(dialog, id);
  if (!button) return FALSE;
  SendMessageA(button, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND button = user::ChildById(dialog, id);
  return button ? static_cast<UINT>(SendMessageA(button, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int first_id, int last_id, int check_id) {
  bool any = false;
  for (int id = first_id; id <= last_id; ++id) {
    HWND button = user::ChildById(dialog, id);
    if (!button) continue;
    any = true;
    SendMessageA(button, BM_SETCHECK, id == check_id ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return any ? TRUE : FALSE;
}

namespace user {

HWND ChildById(HWND parent, int id) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetDlgCtrlID(child) == id) return child;
  return nullptr;
}

bool RegisterButtonClass() {
  return RegisterControlClass(WC_BUTTONA, ButtonProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
