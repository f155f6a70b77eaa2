#include "platform/user/ScrollBar.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/gdi/Colors.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Cursor.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

namespace plat {

namespace {

// Parts along a bar, numbered as SCROLLBARINFO's rgstate.
constexpr int kNone = 0;
constexpr int kArrowBefore = 1;
constexpr int kPageBefore = 2;
constexpr int kThumb = 3;
constexpr int kPageAfter = 4;
constexpr int kArrowAfter = 5;

struct BarData {
  int min = 0;
  int max = 100;
  UINT page = 0;
  int pos = 0;
  int track_pos = 0;
  UINT disabled_arrows = 0;  // ESB_* bits
  bool tracking_thumb = false;
  int pressed = kNone;  // the part held down
  bool pressed_hot = false;
};

struct WindowBars {
  BarData horz;
  BarData vert;
};

struct ControlState {
  BarData bar;
  bool focused = false;
};

// Window bars live here rather than in the window record: only this unit reads them.
std::mutex& BarsMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<HWND, WindowBars>& BarsTable() {
  static std::map<HWND, WindowBars> table;
  return table;
}

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

bool IsControl(HWND hwnd) {
  char name[16] = {};
  GetClassNameA(hwnd, name, sizeof(name));
  return std::string_view(name) == std::string_view("ScrollBar") ||
         std::string_view(name) == std::string_view("scrollbar");
}

// A copy of a bar's data; the caller writes it back with StoreBar.
bool LoadBar(HWND hwnd, int bar, BarData* out) {
  if (!IsWindow(hwnd)) return false;
  if (bar == SB_CTL) {
    auto* s = user::StateOf<ControlState>(hwnd);
    if (!s || !IsControl(hwnd)) return false;
    *out = s->bar;
    return true;
  }
  if (bar != SB_HORZ && bar != SB_VERT) return false;
  std::lock_guard lock(BarsMutex());
  auto& table = BarsTable();
  // Handles are never reused; drop the bars of windows that are gone while here.
  for (auto it = table.begin(); it != table.end();)
    it = IsWindow(it->first) ? std::next(it) : table.erase(it);
  WindowBars& bars = table[hwnd];
  *out = bar == SB_HORZ ? bars.horz : bars.vert;
  return true;
}

void StoreBar(HWND hwnd, int bar, const BarData& data) {
  if (bar == SB_CTL) {
    if (auto* s = user::StateOf<ControlState>(hwnd)) s->bar = data;
    return;
  }
  std::lock_guard lock(BarsMutex());
  WindowBars& bars = BarsTable()[hwnd];
  (bar == SB_HORZ ? bars.horz : bars.vert) = data;
}

bool IsVertical(HWND hwnd, int bar) {
  if (bar == SB_CTL) return (Style(hwnd) & SBS_VERT) != 0;
  return bar == SB_VERT;
}

// Positions the thumb can take: the last one shows the range's end in the page.
int MaxPos(const BarData& d) {
  const int64_t top = static_cast<int64_t>(d.max) - std::max<int64_t>(static_cast<int64_t>(d.page) - 1, 0);
  return static_cast<int>(std::max<int64_t>(top, d.min));
}

bool Scrollable(const BarData& d) { return MaxPos(d) > d.min; }

// Where a bar is, in window coordinates (window bars) or client coordinates (the control).
RECT BarRectLocal(HWND hwnd, int bar) {
  if (bar == SB_CTL) {
    RECT client;
    GetClientRect(hwnd, &client);
    return client;
  }
  const WindowFrame frame = WindowFrame::Of(hwnd);
  return bar == SB_VERT ? frame.VScrollRect() : frame.HScrollRect();
}

RECT BarRectOnScreen(HWND hwnd, int bar) {
  RECT r = BarRectLocal(hwnd, bar);
  POINT origin{0, 0};
  if (bar == SB_CTL) {
    ClientToScreen(hwnd, &origin);
  } else {
    RECT window;
    GetWindowRect(hwnd, &window);
    origin = POINT{window.left, window.top};
  }
  OffsetRect(&r, origin.x, origin.y);
  return r;
}

struct Layout {
  bool vertical = true;
  int length = 0;
  int arrow = 0;
  bool has_thumb = false;
  int thumb_start = 0;  // along the axis, from the bar's start
  int thumb_end = 0;
};

Layout ComputeLayout(const RECT& r, bool vertical, const BarData& d, bool enabled) {
  Layout l;
  l.vertical = vertical;
  l.length = vertical ? r.bottom - r.top : r.right - r.left;
  l.arrow = GetSystemMetrics(vertical ? SM_CYVSCROLL : SM_CXHSCROLL);
  if (2 * l.arrow > l.length) l.arrow = l.length / 2;
  const int track = l.length - 2 * l.arrow;
  if (!enabled || !Scrollable(d) || track <= 0) return l;
  const int64_t range = static_cast<int64_t>(d.max) - d.min + 1;
  int thumb = 0;
  if (d.page > 0) {
    thumb = static_cast<int>(static_cast<int64_t>(track) * d.page / range);
    thumb = std::max(thumb, 8);
  } else {
    thumb = GetSystemMetrics(vertical ? SM_CYVTHUMB : SM_CXHTHUMB);
  }
  if (thumb > track) return l;
  const int pos = d.tracking_thumb ? d.track_pos : d.pos;
  const int64_t span = static_cast<int64_t>(MaxPos(d)) - d.min;
  const int64_t offset =
      span > 0 ? (static_cast<int64_t>(track - thumb) * (pos - d.min) + span / 2) / span : 0;
  l.has_thumb = true;
  l.thumb_start = l.arrow + static_cast<int>(std::clamp<int64_t>(offset, 0, track - thumb));
  l.thumb_end = l.thumb_start + thumb;
  return l;
}

bool BarEnabled(HWND hwnd, int bar, const BarData& d) {
  if (Style(hwnd) & WS_DISABLED) return false;
  (void)bar;
  return d.disabled_arrows != ESB_DISABLE_BOTH;
}

int PartAt(const Layout& l, int along) {
  if (along < 0 || along >= l.length) return kNone;
  if (along < l.arrow) return kArrowBefore;
  if (along >= l.length - l.arrow) return kArrowAfter;
  if (!l.has_thumb) return kNone;
  if (along < l.thumb_start) return kPageBefore;
  if (along < l.thumb_end) return kThumb;
  return kPageAfter;
}

// The position a thumb start along the axis stands for.
int PosForThumb(const Layout& l, const BarData& d, int thumb_start) {
  const int track = l.length - 2 * l.arrow;
  const int thumb = l.thumb_end - l.thumb_start;
  const int room = track - thumb;
  if (room <= 0) return d.min;
  const int64_t span = static_cast<int64_t>(MaxPos(d)) - d.min;
  const int64_t offset = std::clamp(thumb_start - l.arrow, 0, room);
  return d.min + static_cast<int>((offset * span + room / 2) / room);
}

// ---- painting -------------------------------------------------------------------

void Triangle(HDC hdc, const RECT& r, int direction, COLORREF color) {
  // direction: 0 up, 1 down, 2 left, 3 right
  const int cx = (r.left + r.right) / 2;
  const int cy = (r.top + r.bottom) / 2;
  for (int i = 0; i < 4; ++i) {
    const int half = i;
    switch (direction) {
      case 0:
        for (int x = cx - half; x <= cx + half; ++x) SetPixelV(hdc, x, cy - 2 + i, color);
        break;
      case 1:
        for (int x = cx - half; x <= cx + half; ++x) SetPixelV(hdc, x, cy + 1 - i, color);
        break;
      case 2:
        for (int y = cy - half; y <= cy + half; ++y) SetPixelV(hdc, cx - 2 + i, y, color);
        break;
      default:
        for (int y = cy - half; y <= cy + half; ++y) SetPixelV(hdc, cx + 1 - i, y, color);
        break;
    }
  }
}

void PaintButtonFace(HDC hdc, RECT r, bool pushed) {
  FillRect(hdc, &r, GetSysColorBrush(COLOR_3DFACE));
  if (pushed)
    FrameRect(hdc, &r, GetSysColorBrush(COLOR_3DSHADOW));
  else
    DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT);
}

void PaintBar(HDC hdc, const RECT& r, const Layout& l, const BarData& d, bool enabled, HBRUSH track_brush) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  auto span = [&](int from, int to) {
    return l.vertical ? RECT{r.left, r.top + from, r.right, r.top + to}
                      : RECT{r.left + from, r.top, r.left + to, r.bottom};
  };
  const RECT before = span(0, l.arrow);
  const RECT after = span(l.length - l.arrow, l.length);
  const RECT track = span(l.arrow, l.length - l.arrow);
  FillRect(hdc, &track, track_brush);
  if (l.has_thumb) {
    if (d.pressed == kPageBefore && d.pressed_hot) {
      const RECT page = span(l.arrow, l.thumb_start);
      FillRect(hdc, &page, GetSysColorBrush(COLOR_3DDKSHADOW));
    }
    if (d.pressed == kPageAfter && d.pressed_hot) {
      const RECT page = span(l.thumb_end, l.length - l.arrow);
      FillRect(hdc, &page, GetSysColorBrush(COLOR_3DDKSHADOW));
    }
    PaintButtonFace(hdc, span(l.thumb_start, l.thumb_end), false);
  }
  const bool before_on = enabled && !(d.disabled_arrows & ESB_DISABLE_LTUP) && Scrollable(d);
  const bool after_on = enabled && !(d.disabled_arrows & ESB_DISABLE_RTDN) && Scrollable(d);
  for (int which = 0; which < 2; ++which) {
    const RECT& a = which == 0 ? before : after;
    const bool pushed = d.pressed == (which == 0 ? kArrowBefore : kArrowAfter) && d.pressed_hot;
    PaintButtonFace(hdc, a, pushed);
    RECT glyph = a;
    if (pushed) OffsetRect(&glyph, 1, 1);
    const int direction = l.vertical ? which : 2 + which;
    Triangle(hdc, glyph, direction,
             GetSysColor((which == 0 ? before_on : after_on) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  }
}

void PaintControl(HWND hwnd, HDC hdc) {
  auto* s = user::StateOf<ControlState>(hwnd);
  if (!s) return;
  RECT client;
  GetClientRect(hwnd, &client);
  const DWORD style = Style(hwnd);
  HBRUSH brush = user::ControlColors(hwnd, hdc, WM_CTLCOLORSCROLLBAR);
  if (style & (SBS_SIZEBOX | SBS_SIZEGRIP)) {
    FillRect(hdc, &client, GetSysColorBrush(COLOR_3DFACE));
    if (style & SBS_SIZEGRIP) {
      // Three diagonal ridges in the bottom-right corner.
      HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DHILIGHT));
      HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DSHADOW));
      for (int i = 0; i < 3; ++i) {
        const int o = 4 * i + 3;
        HGDIOBJ old = SelectObject(hdc, dark);
        MoveToEx(hdc, client.right - o, client.bottom - 1, nullptr);
        LineTo(hdc, client.right, client.bottom - 1 - o);
        SelectObject(hdc, light);
        MoveToEx(hdc, client.right - o - 1, client.bottom - 1, nullptr);
        LineTo(hdc, client.right, client.bottom - 2 - o);
        SelectObject(hdc, old);
      }
      DeleteObject(light);
      DeleteObject(dark);
    }
    return;
  }
  const bool enabled = BarEnabled(hwnd, SB_CTL, s->bar);
  const Layout l = ComputeLayout(client, IsVertical(hwnd, SB_CTL), s->bar, enabled);
  PaintBar(hdc, client, l, s->bar, enabled, brush);
  if (s->focused && l.has_thumb) {
    RECT thumb = l.vertical ? RECT{client.left, l.thumb_start, client.right, l.thumb_end}
                            : RECT{l.thumb_start, client.top, l.thumb_end, client.bottom};
    InflateRect(&thumb, -2, -2);
    DrawFocusRect(hdc, &thumb);
  }
}

void RedrawBar(HWND hwnd, int bar) {
  if (!IsWindowVisible(hwnd)) return;
  if (bar == SB_CTL) {
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    return;
  }
  HDC hdc = GetWindowDC(hwnd);
  if (!hdc) return;
  user::PaintWindowScrollBars(hwnd, hdc);
  ReleaseDC(hwnd, hdc);
}

// Shows or hides a window bar by its style bit; the frame is recalculated.
void SetBarVisible(HWND hwnd, int bar, bool show) {
  const DWORD bits = bar == SB_HORZ ? WS_HSCROLL : bar == SB_VERT ? WS_VSCROLL : (WS_HSCROLL | WS_VSCROLL);
  const DWORD style = Style(hwnd);
  const DWORD wanted = show ? (style | bits) : (style & ~bits);
  if (wanted == style) return;
  SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(wanted));
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

int ApplyInfo(HWND hwnd, int bar, const SCROLLINFO& info, BOOL redraw) {
  BarData d;
  if (!LoadBar(hwnd, bar, &d)) return 0;
  if (info.fMask & SIF_RANGE) {
    d.min = info.nMin;
    d.max = std::max(info.nMin, info.nMax);
  }
  if (info.fMask & SIF_PAGE) {
    const int64_t range = static_cast<int64_t>(d.max) - d.min + 1;
    d.page = static_cast<UINT>(std::min<int64_t>(info.nPage, range));
  } else if (info.fMask & SIF_RANGE) {
    const int64_t range = static_cast<int64_t>(d.max) - d.min + 1;
    d.page = static_cast<UINT>(std::min<int64_t>(d.page, range));
  }
  if (info.fMask & SIF_POS) d.pos = info.nPos;
  d.pos = std::clamp(d.pos, d.min, MaxPos(d));
  StoreBar(hwnd, bar, d);
  if (bar != SB_CTL && (info.fMask & (SIF_RANGE | SIF_PAGE))) {
    const bool needed = Scrollable(d);
    if (info.fMask & SIF_DISABLENOSCROLL) {
      BarData now;
      LoadBar(hwnd, bar, &now);
      now.disabled_arrows = needed ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH;
      StoreBar(hwnd, bar, now);
      SetBarVisible(hwnd, bar, true);
    } else {
      SetBarVisible(hwnd, bar, needed);
    }
  }
  if (redraw) RedrawBar(hwnd, bar);
  return d.pos;
}

void Notify(HWND hwnd, int bar, WORD code, int pos) {
  const UINT message = IsVertical(hwnd, bar) ? WM_VSCROLL : WM_HSCROLL;
  const WPARAM wparam = MAKELONG(code, static_cast<WORD>(pos));
  if (bar == SB_CTL) {
    if (HWND parent = GetParent(hwnd)) SendMessageA(parent, message, wparam, reinterpret_cast<LPARAM>(hwnd));
  } else {
    SendMessageA(hwnd, message, wparam, 0);
  }
}

WORD CodeFor(int part) {
  switch (part) {
    case kArrowBefore:
      return SB_LINEUP;
    case kArrowAfter:
      return SB_LINEDOWN;
    case kPageBefore:
      return SB_PAGEUP;
    default:
      return SB_PAGEDOWN;
  }
}

int Along(const RECT& bar_screen, bool vertical, POINT p) {
  return vertical ? p.y - bar_screen.top : p.x - bar_screen.left;
}

bool ScreenPointOf(const MSG& msg, POINT* p) {
  if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP) {
    *p = POINT{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    return msg.hwnd && ClientToScreen(msg.hwnd, p);
  }
  if (msg.message == WM_NCMOUSEMOVE || msg.message == WM_NCLBUTTONUP) {
    *p = POINT{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    return true;
  }
  return false;
}

// The modal loop of a press on a bar: runs until the left button goes up, the
// capture is taken away or Escape is pressed.
void Track(HWND hwnd, int bar, POINT start) {
  BarData d;
  if (!LoadBar(hwnd, bar, &d)) return;
  const bool vertical = IsVertical(hwnd, bar);
  const bool enabled = BarEnabled(hwnd, bar, d);
  if (!enabled) return;
  const RECT screen = BarRectOnScreen(hwnd, bar);
  Layout l = ComputeLayout(screen, vertical, d, enabled);
  const int part = PartAt(l, Along(screen, vertical, start));
  if (part == kNone) return;
  if ((part == kArrowBefore && (d.disabled_arrows & ESB_DISABLE_LTUP)) ||
      (part == kArrowAfter && (d.disabled_arrows & ESB_DISABLE_RTDN)) || !Scrollable(d))
    return;
  const int grab = Along(screen, vertical, start) - l.thumb_start;
  const int start_pos = d.pos;
  d.pressed = part;
  d.pressed_hot = true;
  if (part == kThumb) {
    d.tracking_thumb = true;
    d.track_pos = d.pos;
  }
  StoreBar(hwnd, bar, d);
  RedrawBar(hwnd, bar);
  SetCapture(hwnd);
  bool timer = false;
  DWORD due = 0;
  if (part != kThumb) {
    Notify(hwnd, bar, CodeFor(part), 0);
    SetTimer(hwnd, user::kScrollRepeatTimer, user::kScrollFirstDelayMs, nullptr);
    timer = true;
    due = GetTickCount() + user::kScrollFirstDelayMs;
  }
  POINT pointer = start;
  bool cancelled = false;
  while (IsWindow(hwnd) && GetCapture() == hwnd) {
    user::PumpBackendEvents(0);
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // Wait for input, or for the repeat timer.
      DWORD wait = 50;
      if (timer) {
        const int32_t left = static_cast<int32_t>(due - GetTickCount());
        wait = static_cast<DWORD>(std::clamp<int32_t>(left, 1, 50));
      }
      user::PumpBackendEvents(wait);
      continue;
    }
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (CallMsgFilterA(&msg, MSGF_SCROLLBAR)) continue;
    if (msg.message == WM_TIMER && msg.hwnd == hwnd && msg.wParam == user::kScrollRepeatTimer) {
      LoadBar(hwnd, bar, &d);
      l = ComputeLayout(BarRectOnScreen(hwnd, bar), vertical, d, true);
      const int under = PartAt(l, Along(BarRectOnScreen(hwnd, bar), vertical, pointer));
      // A page area repeats until the thumb reaches the pointer.
      if (under == part) Notify(hwnd, bar, CodeFor(part), 0);
      SetTimer(hwnd, user::kScrollRepeatTimer, user::kScrollRepeatMs, nullptr);
      due = GetTickCount() + user::kScrollRepeatMs;
      continue;
    }
    POINT p;
    if ((msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) && ScreenPointOf(msg, &p)) {
      pointer = p;
      LoadBar(hwnd, bar, &d);
      const RECT now_screen = BarRectOnScreen(hwnd, bar);
      if (part == kThumb) {
        d.tracking_thumb = false;
        const Layout base = ComputeLayout(now_screen, vertical, d, true);
        const int new_pos = PosForThumb(base, d, Along(now_screen, vertical, p) - grab);
        d.tracking_thumb = true;
        if (new_pos != d.track_pos) {
          d.track_pos = new_pos;
          StoreBar(hwnd, bar, d);
          RedrawBar(hwnd, bar);
          Notify(hwnd, bar, SB_THUMBTRACK, new_pos);
        }
      } else {
        l = ComputeLayout(now_screen, vertical, d, true);
        const bool hot = PartAt(l, Along(now_screen, vertical, p)) == part;
        if (hot != d.pressed_hot) {
          d.pressed_hot = hot;
          StoreBar(hwnd, bar, d);
          RedrawBar(hwnd, bar);
        }
      }
      continue;
    }
    if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP) break;
    if (msg.message == WM_KEYDOWN && msg.wParam == static_cast<WPARAM>(VK_ESCAPE)) {
      cancelled = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (timer) KillTimer(hwnd, user::kScrollRepeatTimer);
  if (GetCapture() == hwnd) ReleaseCapture();
  if (!IsWindow(hwnd)) return;
  LoadBar(hwnd, bar, &d);
  const int final_pos = cancelled ? start_pos : d.track_pos;
  const bool was_thumb = d.tracking_thumb;
  d.pressed = kNone;
  d.pressed_hot = false;
  d.tracking_thumb = false;
  StoreBar(hwnd, bar, d);
  RedrawBar(hwnd, bar);
  if (was_thumb) Notify(hwnd, bar, SB_THUMBPOSITION, final_pos);
  Notify(hwnd, bar, SB_ENDSCROLL, 0);
}

void FillInfo(HWND hwnd, int bar, const BarData& d, const RECT& screen, bool visible, SCROLLBARINFO* info) {
  const bool enabled = BarEnabled(hwnd, bar, d);
  const Layout l = ComputeLayout(screen, IsVertical(hwnd, bar), d, enabled);
  info->rcScrollBar = screen;
  info->dxyLineButton = l.arrow;
  info->xyThumbTop = l.has_thumb ? l.thumb_start : 0;
  info->xyThumbBottom = l.has_thumb ? l.thumb_end : 0;
  info->reserved = 0;
  for (DWORD& state : info->rgstate) state = 0;
  if (!visible) info->rgstate[0] |= STATE_SYSTEM_INVISIBLE;
  if (!enabled || !Scrollable(d)) info->rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
  if ((d.disabled_arrows & ESB_DISABLE_LTUP) || !enabled)
    info->rgstate[kArrowBefore] |= STATE_SYSTEM_UNAVAILABLE;
  if ((d.disabled_arrows & ESB_DISABLE_RTDN) || !enabled)
    info->rgstate[kArrowAfter] |= STATE_SYSTEM_UNAVAILABLE;
  if (!l.has_thumb) {
    info->rgstate[kPageBefore] |= STATE_SYSTEM_INVISIBLE;
    info->rgstate[kThumb] |= STATE_SYSTEM_INVISIBLE;
    info->rgstate[kPageAfter] |= STATE_SYSTEM_INVISIBLE;
  }
  if (d.pressed != kNone && d.pressed_hot) info->rgstate[d.pressed] |= STATE_SYSTEM_PRESSED;
}

// ---- the control ----------------------------------------------------------------

LRESULT ScrollBarProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateForMessage<ControlState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_CREATE:
      s->bar.min = 0;
      s->bar.max = 100;
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { PaintControl(hwnd, hdc); });
    case WM_ENABLE:
      RedrawBar(hwnd, SB_CTL);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->focused = message == WM_SETFOCUS;
      RedrawBar(hwnd, SB_CTL);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const DWORD style = Style(hwnd);
      if (style & (SBS_SIZEBOX | SBS_SIZEGRIP)) {
        // The grip sizes the top-level window it sits in.
        HWND top = GetAncestor(hwnd, GA_ROOT);
        POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        ClientToScreen(hwnd, &p);
        if (top)
          SendMessageA(top, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT,
                       MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
        return 0;
      }
      if (style & WS_TABSTOP) SetFocus(hwnd);
      POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ClientToScreen(hwnd, &p);
      Track(hwnd, SB_CTL, p);
      return 0;
    }
    case WM_KEYDOWN: {
      WORD code = 0xFFFF;
      const bool vertical = IsVertical(hwnd, SB_CTL);
      switch (static_cast<int>(wparam)) {
        case VK_UP:
        case VK_LEFT:
          code = SB_LINEUP;
          break;
        case VK_DOWN:
        case VK_RIGHT:
          code = SB_LINEDOWN;
          break;
        case VK_PRIOR:
          code = SB_PAGEUP;
          break;
        case VK_NEXT:
          code = SB_PAGEDOWN;
          break;
        case VK_HOME:
          code = SB_TOP;
          break;
        case VK_END:
          code = SB_BOTTOM;
          break;
        default:
          break;
      }
      (void)vertical;
      if (code == 0xFFFF) return DefWindowProcA(hwnd, message, wparam, lparam);
      Notify(hwnd, SB_CTL, code, 0);
      Notify(hwnd, SB_CTL, SB_ENDSCROLL, 0);
      return 0;
    }
    case SBM_SETPOS: {
      const int old = s->bar.pos;
      SCROLLINFO info;
      info.fMask = SIF_POS;
      info.nPos = static_cast<int>(wparam);
      ApplyInfo(hwnd, SB_CTL, info, static_cast<BOOL>(lparam));
      return old;
    }
    case SBM_GETPOS:
      return s->bar.pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      SCROLLINFO info;
      info.fMask = SIF_RANGE;
      info.nMin = static_cast<int>(wparam);
      info.nMax = static_cast<int>(lparam);
      const int old = s->bar.pos;
      ApplyInfo(hwnd, SB_CTL, info, message == SBM_SETRANGEREDRAW);
      return old;
    }
    case SBM_GETRANGE:
      if (wparam) *reinterpret_cast<int*>(wparam) = s->bar.min;
      if (lparam) *reinterpret_cast<int*>(lparam) = s->bar.max;
      return 0;
    case SBM_ENABLE_ARROWS: {
      const UINT arrows = static_cast<UINT>(wparam) & ESB_DISABLE_BOTH;
      if (s->bar.disabled_arrows == arrows) return FALSE;
      s->bar.disabled_arrows = arrows;
      RedrawBar(hwnd, SB_CTL);
      return TRUE;
    }
    case SBM_SETSCROLLINFO: {
      const auto* info = reinterpret_cast<const SCROLLINFO*>(lparam);
      if (!info) return 0;
      return ApplyInfo(hwnd, SB_CTL, *info, static_cast<BOOL>(wparam));
    }
    case SBM_GETSCROLLINFO: {
      auto* info = reinterpret_cast<SCROLLINFO*>(lparam);
      if (!info) return FALSE;
      if (info->fMask & SIF_RANGE) {
        info->nMin = s->bar.min;
        info->nMax = s->bar.max;
      }
      if (info->fMask & SIF_PAGE) info->nPage = s->bar.page;
      if (info->fMask & SIF_POS) info->nPos = s->bar.pos;
      if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s->bar.tracking_thumb ? s->bar.track_pos : s->bar.pos;
      return TRUE;
    }
    case SBM_GETSCROLLBARINFO: {
      auto* info = reinterpret_cast<SCROLLBARINFO*>(lparam);
      if (!info) return FALSE;
      FillInfo(hwnd, SB_CTL, s->bar, BarRectOnScreen(hwnd, SB_CTL), IsWindowVisible(hwnd) != FALSE, info);
      return TRUE;
    }
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace

// ---- the operations ------------------------------------------------------------

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  if (!info) return 0;
  if (bar == SB_CTL)
    return static_cast<int>(SendMessageA(hwnd, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
  return ApplyInfo(hwnd, bar, *info, redraw);
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  if (!info) return FALSE;
  if (bar == SB_CTL)
    return static_cast<BOOL>(SendMessageA(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)));
  BarData d;
  if (!LoadBar(hwnd, bar, &d)) return FALSE;
  if (info->fMask & SIF_RANGE) {
    info->nMin = d.min;
    info->nMax = d.max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = d.page;
  if (info->fMask & SIF_POS) info->nPos = d.pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = d.tracking_thumb ? d.track_pos : d.pos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  const int old = GetScrollPos(hwnd, bar);
  SCROLLINFO info;
  info.fMask = SIF_POS;
  info.nPos = pos;
  SetScrollInfo(hwnd, bar, &info, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  SCROLLINFO info;
  info.fMask = SIF_POS;
  return GetScrollInfo(hwnd, bar, &info) ? info.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw) {
  if (!IsWindow(hwnd)) return FALSE;
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  info.nMin = min;
  info.nMax = max;
  SetScrollInfo(hwnd, bar, &info, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max) {
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  if (!GetScrollInfo(hwnd, bar, &info)) return FALSE;
  if (min) *min = info.nMin;
  if (max) *max = info.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (!IsWindow(hwnd)) return FALSE;
  if (bar == SB_CTL) {
    ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE);
    return TRUE;
  }
  if (bar != SB_HORZ && bar != SB_VERT && bar != SB_BOTH) return FALSE;
  SetBarVisible(hwnd, bar, show != FALSE);
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  if (static_cast<int>(bar) == SB_CTL)
    return static_cast<BOOL>(SendMessageA(hwnd, SBM_ENABLE_ARROWS, arrows, 0));
  bool changed = false;
  for (int which : {SB_HORZ, SB_VERT}) {
    if (static_cast<int>(bar) != which && static_cast<int>(bar) != SB_BOTH) continue;
    BarData d;
    if (!LoadBar(hwnd, which, &d)) return FALSE;
    const UINT wanted = arrows & ESB_DISABLE_BOTH;
    if (d.disabled_arrows == wanted) continue;
    d.disabled_arrows = wanted;
    StoreBar(hwnd, which, d);
    RedrawBar(hwnd, which);
    changed = true;
  }
  return changed ? TRUE : FALSE;
}

BOOL GetScrollBarInfo(HWND hwnd, LONG object, SCROLLBARINFO* info) {
  if (!info || !IsWindow(hwnd)) return FALSE;
  if (object == OBJID_CLIENT) {
    if (!IsControl(hwnd)) return FALSE;
    return static_cast<BOOL>(SendMessageA(hwnd, SBM_GETSCROLLBARINFO, 0, reinterpret_cast<LPARAM>(info)));
  }
  if (object != OBJID_HSCROLL && object != OBJID_VSCROLL) return FALSE;
  const int bar = object == OBJID_VSCROLL ? SB_VERT : SB_HORZ;
  BarData d;
  if (!LoadBar(hwnd, bar, &d)) return FALSE;
  const DWORD style = Style(hwnd);
  const bool visible = (style & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) && IsWindowVisible(hwnd);
  FillInfo(hwnd, bar, d, BarRectOnScreen(hwnd, bar), visible, info);
  return TRUE;
}

namespace user {

void PaintWindowScrollBars(HWND hwnd, HDC hdc) {
  const DWORD style = Style(hwnd);
  for (int bar : {SB_HORZ, SB_VERT}) {
    if (!(style & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL))) continue;
    BarData d;
    if (!LoadBar(hwnd, bar, &d)) continue;
    const RECT r = BarRectLocal(hwnd, bar);
    const bool enabled = BarEnabled(hwnd, bar, d);
    PaintBar(hdc, r, ComputeLayout(r, bar == SB_VERT, d, enabled), d, enabled,
             GetSysColorBrush(COLOR_SCROLLBAR));
  }
}

bool WindowScrollBarDefault(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  // WM_NCPAINT runs the rest of the default procedure first, then draws the
  // bars over the places the frame left for them.
  static thread_local bool in_nc_paint = false;
  switch (message) {
    case WM_NCPAINT: {
      if (in_nc_paint || !(Style(hwnd) & (WS_HSCROLL | WS_VSCROLL))) return false;
      in_nc_paint = true;
      *result = DefWindowProcA(hwnd, message, wparam, lparam);
      in_nc_paint = false;
      if (IsWindowVisible(hwnd)) {
        HDC hdc = GetWindowDC(hwnd);
        if (hdc) {
          PaintWindowScrollBars(hwnd, hdc);
          ReleaseDC(hwnd, hdc);
        }
      }
      return true;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (wparam != static_cast<WPARAM>(HTVSCROLL) && wparam != static_cast<WPARAM>(HTHSCROLL)) return false;
      Track(hwnd, wparam == static_cast<WPARAM>(HTVSCROLL) ? SB_VERT : SB_HORZ,
            POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      *result = 0;
      return true;
    case WM_SYSCOMMAND: {
      const WPARAM command = wparam & 0xFFF0;
      if (command != SC_VSCROLL && command != SC_HSCROLL) return false;
      Track(hwnd, command == SC_VSCROLL ? SB_VERT : SB_HORZ,
            POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      *result = 0;
      return true;
    }
    default:
      return false;
  }
}

bool RegisterScrollBarClass() {
  return RegisterControlClass(WC_SCROLLBARA, ScrollBarProc,
                              CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
