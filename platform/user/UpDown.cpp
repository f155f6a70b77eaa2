#include "platform/user/UpDown.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Locale.h"
#include "platform/user/Cursor.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/Subclass.h"

namespace plat {

namespace {

enum Part { kNoPart = 0, kIncrement = 1, kDecrement = 2 };

struct UpDownState {
  int low = 0;
  int high = 100;
  int pos = 0;
  int base = 10;
  HWND buddy = nullptr;
  std::vector<UDACCEL> accels{{0, 1}, {2, 5}, {5, 20}};
  Part pressed = kNoPart;
  Part under_mouse = kNoPart;
  DWORD press_tick = 0;
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

void Redraw(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

char ThousandsSeparator() { return GetLocaleSeparators().decimal == ',' ? '.' : ','; }

std::string Format(HWND hwnd, const UpDownState* s, int value) {
  char buffer[32];
  if (s->base == 16) {
    std::snprintf(buffer, sizeof buffer, "0x%04X", static_cast<unsigned>(value));
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%d", value < 0 ? -value : value);
  std::string digits = buffer;
  if (!(Style(hwnd) & UDS_NOTHOUSANDS))
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
      digits.insert(static_cast<size_t>(at), 1, ThousandsSeparator());
  return value < 0 ? "-" + digits : digits;
}

bool Parse(const UpDownState* s, const std::string& text, int* value) {
  std::string clean;
  for (char c : text)
    if (c != ' ' && c != ThousandsSeparator()) clean.push_back(c);
  if (clean.empty()) return false;
  char* end = nullptr;
  const long parsed = std::strtol(clean.c_str(), &end, s->base == 16 ? 16 : 10);
  if (*end) return false;
  *value = static_cast<int>(parsed);
  return true;
}

int Lowest(const UpDownState* s) { return std::min(s->low, s->high); }
int Highest(const UpDownState* s) { return std::max(s->low, s->high); }

void ShowInBuddy(HWND hwnd, const UpDownState* s) {
  if (s->buddy && IsWindow(s->buddy) && (Style(hwnd) & UDS_SETBUDDYINT))
    SetWindowTextA(s->buddy, Format(hwnd, s, s->pos).c_str());
}

// Takes what the user typed into the buddy as the position; false when the
// text is no number.
bool ReadBuddy(HWND hwnd, UpDownState* s) {
  if (!s->buddy || !IsWindow(s->buddy) || !(Style(hwnd) & UDS_SETBUDDYINT)) return true;
  int value = 0;
  if (!Parse(s, user::WindowText(s->buddy), &value)) return false;
  s->pos = std::clamp(value, Lowest(s), Highest(s));
  return true;
}

int Increment(const UpDownState* s, bool held) {
  UINT inc = s->accels.empty() ? 1 : s->accels.front().nInc;
  if (held) {
    const DWORD seconds = (GetTickCount() - s->press_tick) / 1000;
    for (const UDACCEL& a : s->accels)
      if (a.nSec <= seconds) inc = a.nInc;
  }
  return static_cast<int>(inc);
}

void Notify(HWND hwnd, WORD code, int pos) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  SendMessageA(parent, (Style(hwnd) & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL,
               MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(hwnd));
}

// One step towards the upper limit (kIncrement) or the lower one.
void Step(HWND hwnd, UpDownState* s, Part part, bool held) {
  ReadBuddy(hwnd, s);
  int delta = Increment(s, held);
  // "Up" always moves towards the upper limit, also when it is the smaller number.
  if ((part == kIncrement) != (s->high >= s->low)) delta = -delta;
  NMUPDOWN nm;
  nm.iPos = s->pos;
  nm.iDelta = delta;
  if (user::SendNotify(hwnd, UDN_DELTAPOS, &nm.hdr)) return;
  int next = s->pos + nm.iDelta;
  const bool wrap = (Style(hwnd) & UDS_WRAP) != 0;
  if (next > Highest(s)) next = wrap ? Lowest(s) : Highest(s);
  if (next < Lowest(s)) next = wrap ? Highest(s) : Lowest(s);
  if (next == s->pos) return;
  s->pos = next;
  ShowInBuddy(hwnd, s);
  Notify(hwnd, SB_THUMBPOSITION, s->pos);
}

Part PartAt(HWND hwnd, LPARAM lparam) {
  RECT client;
  GetClientRect(hwnd, &client);
  const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  if (!PtInRect(&client, p)) return kNoPart;
  if (Style(hwnd) & UDS_HORZ) return p.x >= client.right / 2 ? kIncrement : kDecrement;
  return p.y < client.bottom / 2 ? kIncrement : kDecrement;
}

RECT PartRect(HWND hwnd, Part part) {
  RECT r;
  GetClientRect(hwnd, &r);
  if (Style(hwnd) & UDS_HORZ) {
    (part == kIncrement ? r.left : r.right) = r.right / 2;
  } else {
    (part == kIncrement ? r.bottom : r.top) = r.bottom / 2;
  }
  return r;
}

void EndPress(HWND hwnd, UpDownState* s) {
  if (s->pressed == kNoPart) return;
  s->pressed = kNoPart;
  KillTimer(hwnd, user::kUpDownRepeatTimer);
  if (GetCapture() == hwnd) ReleaseCapture();
  Notify(hwnd, SB_ENDSCROLL, s->pos);
  Redraw(hwnd);
}

// ---- painting ----------------------------------------------------------------

// A filled triangle of rows narrowing towards the point, centred in `r`.
void DrawArrow(HDC hdc, const RECT& r, int direction, COLORREF color) {
  const int size = std::max(1, std::min((r.right - r.left) / 3, (r.bottom - r.top) / 3));
  const int cx = (r.left + r.right) / 2;
  const int cy = (r.top + r.bottom) / 2;
  HBRUSH brush = CreateSolidBrush(color);
  for (int i = 0; i < size; ++i) {
    RECT row;
    const int half = size - 1 - i;  // i counts from the base towards the point
    switch (direction) {
      case VK_UP:
        row = {cx - half, cy + size / 2 - i, cx + half + 1, cy + size / 2 - i + 1};
        break;
      case VK_DOWN:
        row = {cx - half, cy - size / 2 + i, cx + half + 1, cy - size / 2 + i + 1};
        break;
      case VK_LEFT:
        row = {cx + size / 2 - i, cy - half, cx + size / 2 - i + 1, cy + half + 1};
        break;
      default:
        row = {cx - size / 2 + i, cy - half, cx - size / 2 + i + 1, cy + half + 1};
        break;
    }
    FillRect(hdc, &row, brush);
  }
  DeleteObject(brush);
}

void Paint(HWND hwnd, UpDownState* s, HDC hdc) {
  const bool horizontal = (Style(hwnd) & UDS_HORZ) != 0;
  const bool enabled = !(Style(hwnd) & WS_DISABLED);
  for (Part part : {kIncrement, kDecrement}) {
    RECT r = PartRect(hwnd, part);
    FillRect(hdc, &r, GetSysColorBrush(COLOR_3DFACE));
    const bool down = s->pressed == part && s->under_mouse == part;
    RECT edge = r;
    DrawEdge(hdc, &edge, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
    if (down) OffsetRect(&edge, 1, 1);
    const int direction =
        horizontal ? (part == kIncrement ? VK_RIGHT : VK_LEFT) : (part == kIncrement ? VK_UP : VK_DOWN);
    DrawArrow(hdc, edge, direction, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  }
}

// ---- the buddy -----------------------------------------------------------------

// The buddy's arrow keys step the up-down that owns it.
LRESULT BuddyKeys(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR ref) {
  HWND updown = reinterpret_cast<HWND>(ref);
  if ((message == WM_KEYDOWN || message == WM_KEYUP) && (wparam == VK_UP || wparam == VK_DOWN) &&
      IsWindow(updown) && IsWindowEnabled(updown))
    return SendMessageA(updown, message, wparam, lparam);
  if (message == WM_GETDLGCODE) return DefSubclassProc(hwnd, message, wparam, lparam) | DLGC_WANTARROWS;
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

void Detach(HWND hwnd, UpDownState* s) {
  if (s->buddy && IsWindow(s->buddy))
    RemoveWindowSubclass(s->buddy, BuddyKeys, reinterpret_cast<UINT_PTR>(hwnd));
  s->buddy = nullptr;
}

// Lays the up-down against the buddy's edge inside the buddy's old place.
void Align(HWND hwnd, HWND buddy) {
  const DWORD style = Style(hwnd);
  if (!(style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) return;
  HWND parent = GetParent(hwnd);
  RECT b, me;
  GetWindowRect(buddy, &b);
  GetWindowRect(hwnd, &me);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&b), 2);
  int width = me.right - me.left;
  if (width <= 0) width = GetSystemMetrics(SM_CXVSCROLL);
  width = std::min<int>(width, b.right - b.left);
  const int height = b.bottom - b.top;
  if (style & UDS_ALIGNRIGHT) {
    MoveWindow(buddy, b.left, b.top, b.right - b.left - width, height, TRUE);
    MoveWindow(hwnd, b.right - width, b.top, width, height, TRUE);
  } else {
    MoveWindow(buddy, b.left + width, b.top, b.right - b.left - width, height, TRUE);
    MoveWindow(hwnd, b.left, b.top, width, height, TRUE);
  }
}

HWND Attach(HWND hwnd, UpDownState* s, HWND buddy) {
  HWND old = s->buddy;
  Detach(hwnd, s);
  if (!buddy || !IsWindow(buddy)) return old;
  s->buddy = buddy;
  if (Style(hwnd) & UDS_ARROWKEYS)
    SetWindowSubclass(buddy, BuddyKeys, reinterpret_cast<UINT_PTR>(hwnd), reinterpret_cast<DWORD_PTR>(hwnd));
  Align(hwnd, buddy);
  ShowInBuddy(hwnd, s);
  return old;
}

void SetPos(HWND hwnd, UpDownState* s, int pos) {
  s->pos = std::clamp(pos, Lowest(s), Highest(s));
  ShowInBuddy(hwnd, s);
}

LRESULT UpDownProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateForMessage<UpDownState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_CREATE:
      if (Style(hwnd) & UDS_AUTOBUDDY) Attach(hwnd, s, GetWindow(hwnd, GW_HWNDPREV));
      return 0;
    case WM_DESTROY:
      Detach(hwnd, s);
      return 0;
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { Paint(hwnd, s, hdc); });
    case WM_ENABLE:
      if (!wparam) EndPress(hwnd, s);
      Redraw(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (Style(hwnd) & WS_DISABLED) return 0;
      const Part part = PartAt(hwnd, lparam);
      if (part == kNoPart) return 0;
      SetCapture(hwnd);
      s->pressed = s->under_mouse = part;
      s->press_tick = GetTickCount();
      Redraw(hwnd);
      Step(hwnd, s, part, true);
      SetTimer(hwnd, user::kUpDownRepeatTimer, user::kUpDownFirstDelayMs, nullptr);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (s->pressed == kNoPart) return 0;
      const Part part = PartAt(hwnd, lparam);
      if (part != s->under_mouse) {
        s->under_mouse = part;
        Redraw(hwnd);
      }
      return 0;
    }
    case WM_LBUTTONUP:
      EndPress(hwnd, s);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != hwnd) EndPress(hwnd, s);
      return 0;
    case WM_TIMER:
      if (wparam != user::kUpDownRepeatTimer) return DefWindowProcA(hwnd, message, wparam, lparam);
      if (s->pressed == kNoPart) {
        KillTimer(hwnd, user::kUpDownRepeatTimer);
        return 0;
      }
      // The button repeats only while the mouse is on it, as a held push button would.
      if (s->under_mouse == s->pressed) Step(hwnd, s, s->pressed, true);
      SetTimer(hwnd, user::kUpDownRepeatTimer, user::kUpDownRepeatMs, nullptr);
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP: {
      const bool horizontal = (Style(hwnd) & UDS_HORZ) != 0;
      Part part = kNoPart;
      if (wparam == VK_UP || (horizontal && wparam == VK_RIGHT)) part = kIncrement;
      if (wparam == VK_DOWN || (horizontal && wparam == VK_LEFT)) part = kDecrement;
      if (part == kNoPart || (Style(hwnd) & WS_DISABLED))
        return DefWindowProcA(hwnd, message, wparam, lparam);
      if (message == WM_KEYDOWN)
        Step(hwnd, s, part, false);
      else
        Notify(hwnd, SB_ENDSCROLL, s->pos);
      return 0;
    }
    case UDM_SETRANGE:
      s->high = static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam)));
      s->low = static_cast<SHORT>(HIWORD(static_cast<uintptr_t>(lparam)));
      s->pos = std::clamp(s->pos, Lowest(s), Highest(s));
      return 0;
    case UDM_GETRANGE:
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s->high), static_cast<WORD>(s->low)));
    case UDM_SETRANGE32:
      s->low = static_cast<int>(wparam);
      s->high = static_cast<int>(lparam);
      s->pos = std::clamp(s->pos, Lowest(s), Highest(s));
      return 0;
    case UDM_GETRANGE32:
      if (wparam) *reinterpret_cast<int*>(wparam) = s->low;
      if (lparam) *reinterpret_cast<int*>(lparam) = s->high;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      const int old = s->pos;
      SetPos(hwnd, s,
             message == UDM_SETPOS ? static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam)))
                                   : static_cast<int>(lparam));
      return old;
    }
    case UDM_GETPOS: {
      const bool ok = ReadBuddy(hwnd, s);
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s->pos), ok ? 0 : 1));
    }
    case UDM_GETPOS32: {
      const bool ok = ReadBuddy(hwnd, s);
      if (lparam) *reinterpret_cast<BOOL*>(lparam) = ok ? FALSE : TRUE;
      return s->pos;
    }
    case UDM_SETBUDDY:
      return reinterpret_cast<LRESULT>(Attach(hwnd, s, reinterpret_cast<HWND>(wparam)));
    case UDM_GETBUDDY:
      return reinterpret_cast<LRESULT>(s->buddy);
    case UDM_SETBASE: {
      if (wparam != 10 && wparam != 16) return 0;
      const int old = s->base;
      s->base = static_cast<int>(wparam);
      ShowInBuddy(hwnd, s);
      return old;
    }
    case UDM_GETBASE:
      return s->base;
    case UDM_SETACCEL: {
      const auto* accels = reinterpret_cast<const UDACCEL*>(lparam);
      if (!accels || wparam == 0) return FALSE;
      s->accels.assign(accels, accels + wparam);
      return TRUE;
    }
    case UDM_GETACCEL: {
      auto* out = reinterpret_cast<UDACCEL*>(lparam);
      if (out)
        for (size_t i = 0; i < std::min<size_t>(wparam, s->accels.size()); ++i) out[i] = s->accels[i];
      return static_cast<LRESULT>(s->accels.size());
    }
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace

namespace user {

bool RegisterUpDownClass() {
  return RegisterControlClass(UPDOWN_CLASSA, UpDownProc,
                              CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
