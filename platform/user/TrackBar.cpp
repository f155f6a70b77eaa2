#include "platform/user/TrackBar.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/user/Cursor.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"

namespace plat {

namespace {

constexpr int kMargin = 8;       // channel ends, leaving room for half a thumb
constexpr int kEdge = 2;         // gap to the client edge across the bar
constexpr int kTickRoom = 4;     // a tick of 3 pixels and a gap
constexpr int kThumbWidth = 11;  // along the bar
constexpr int kDefaultThumbLength = 20;

enum class Tracking { kNone, kThumb, kPage };

struct TrackState {
  int min = 0;
  int max = 100;
  int pos = 0;
  int line = 1;
  int page = -1;  // -1: a fifth of the range
  int freq = 1;
  int sel_start = 0;
  int sel_end = 0;
  int thumb_length = kDefaultThumbLength;
  std::vector<DWORD> tics;  // interior ticks, sorted
  bool focused = false;
  Tracking tracking = Tracking::kNone;
  int drag_offset = 0;     // from the thumb's centre to where it was taken
  int page_target = 0;     // along the bar, where a held page click points
  bool page_down = false;  // the direction a held page click pages in
  HFONT font = nullptr;
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }
bool Vertical(HWND hwnd) { return (Style(hwnd) & TBS_VERT) != 0; }

int PageSize(const TrackState* s) { return s->page >= 0 ? s->page : std::max(1, (s->max - s->min) / 5); }

// Rectangles are laid out along the bar and across it, then turned for TBS_VERT.
RECT Turned(bool vertical, int along0, int along1, int across0, int across1) {
  return vertical ? RECT{across0, along0, across1, along1} : RECT{along0, across0, along1, across1};
}

struct Layout {
  bool vertical = false;
  int length = 0;                  // client extent along the bar
  int across = 0;                  // where the thumb starts across the bar
  int thumb_length = 0;            // thumb extent across the bar
  int channel0 = 0, channel1 = 0;  // along
  int channel_across0 = 0, channel_across1 = 0;
  bool ticks_before = false, ticks_after = false;
};

Layout LayoutOf(HWND hwnd, const TrackState* s) {
  const DWORD style = Style(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  Layout l;
  l.vertical = (style & TBS_VERT) != 0;
  l.length = l.vertical ? client.bottom : client.right;
  const bool ticks = !(style & TBS_NOTICKS);
  l.ticks_before = ticks && (style & (TBS_TOP | TBS_BOTH));
  l.ticks_after = ticks && (!(style & TBS_TOP) || (style & TBS_BOTH));
  l.across = kEdge + (l.ticks_before ? kTickRoom : 0);
  l.thumb_length = s->thumb_length;
  l.channel0 = kMargin;
  l.channel1 = std::max(l.channel0 + 1, l.length - kMargin);
  const int half = (style & TBS_ENABLESELRANGE) ? 4 : 2;
  const int centre = l.across + l.thumb_length / 2;
  l.channel_across0 = centre - half;
  l.channel_across1 = centre + half;
  return l;
}

// Where a position lies along the bar.
int AlongOf(const Layout& l, const TrackState* s, int pos) {
  const int range = s->max - s->min;
  if (range <= 0) return l.channel0;
  const int64_t span = l.channel1 - l.channel0 - 1;
  return l.channel0 + static_cast<int>(span * (pos - s->min) / range);
}

// The position nearest to a point along the bar.
int PosAt(const Layout& l, const TrackState* s, int along) {
  const int span = l.channel1 - l.channel0 - 1;
  if (span <= 0) return s->min;
  const int64_t range = s->max - s->min;
  const int64_t offset = std::clamp(along - l.channel0, 0, span);
  return s->min + static_cast<int>((offset * range + span / 2) / span);
}

RECT ChannelRect(const Layout& l) {
  return Turned(l.vertical, l.channel0, l.channel1, l.channel_across0, l.channel_across1);
}

RECT ThumbRect(const Layout& l, const TrackState* s) {
  const int at = AlongOf(l, s, s->pos);
  return Turned(l.vertical, at - kThumbWidth / 2, at + kThumbWidth / 2 + 1, l.across,
                l.across + l.thumb_length);
}

void Redraw(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

void RebuildAutoTicks(HWND hwnd, TrackState* s) {
  if (!(Style(hwnd) & TBS_AUTOTICKS)) return;
  s->tics.clear();
  if (s->freq <= 0) return;
  for (int64_t v = static_cast<int64_t>(s->min) + s->freq; v < s->max; v += s->freq)
    s->tics.push_back(static_cast<DWORD>(v));
}

void Clamp(TrackState* s) {
  s->pos = std::clamp(s->pos, s->min, std::max(s->min, s->max));
  s->sel_start = std::clamp(s->sel_start, s->min, std::max(s->min, s->max));
  s->sel_end = std::clamp(s->sel_end, s->min, std::max(s->min, s->max));
}

void Notify(HWND hwnd, WORD code, int pos = 0) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  const WORD high = (code == TB_THUMBTRACK || code == TB_THUMBPOSITION) ? static_cast<WORD>(pos) : 0;
  SendMessageA(parent, Vertical(hwnd) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, high),
               reinterpret_cast<LPARAM>(hwnd));
}

// Moves the thumb for a scroll code and tells the parent.
void Step(HWND hwnd, TrackState* s, WORD code) {
  const int old = s->pos;
  switch (code) {
    case TB_LINEUP:
      s->pos -= s->line;
      break;
    case TB_LINEDOWN:
      s->pos += s->line;
      break;
    case TB_PAGEUP:
      s->pos -= PageSize(s);
      break;
    case TB_PAGEDOWN:
      s->pos += PageSize(s);
      break;
    case TB_TOP:
      s->pos = s->min;
      break;
    case TB_BOTTOM:
      s->pos = s->max;
      break;
    default:
      break;
  }
  Clamp(s);
  if (s->pos != old) Redraw(hwnd);
  Notify(hwnd, code);
}

// ---- painting ----------------------------------------------------------------

void FillSys(HDC hdc, const RECT& r, int color) { FillRect(hdc, &r, GetSysColorBrush(color)); }

void DrawChannel(HWND hwnd, const TrackState* s, HDC hdc, const Layout& l) {
  RECT r = ChannelRect(l);
  DrawEdge(hdc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  FillSys(hdc, r, COLOR_WINDOW);
  if ((Style(hwnd) & TBS_ENABLESELRANGE) && s->sel_end > s->sel_start) {
    const RECT sel = Turned(l.vertical, AlongOf(l, s, s->sel_start), AlongOf(l, s, s->sel_end) + 1,
                            l.vertical ? r.left : r.top, l.vertical ? r.right : r.bottom);
    FillSys(hdc, sel, COLOR_HIGHLIGHT);
  }
}

void DrawTics(const TrackState* s, HDC hdc, const Layout& l) {
  std::vector<int> at{AlongOf(l, s, s->min), AlongOf(l, s, s->max)};
  for (DWORD t : s->tics) at.push_back(AlongOf(l, s, static_cast<int>(t)));
  for (int a : at) {
    if (l.ticks_before)
      FillSys(hdc, Turned(l.vertical, a, a + 1, l.across - kTickRoom, l.across - 1), COLOR_BTNTEXT);
    if (l.ticks_after) {
      const int from = l.across + l.thumb_length + 1;
      FillSys(hdc, Turned(l.vertical, a, a + 1, from, from + kTickRoom - 1), COLOR_BTNTEXT);
    }
  }
}

void DrawThumb(const TrackState* s, HDC hdc, const Layout& l, bool enabled) {
  RECT r = ThumbRect(l, s);
  FillSys(hdc, r, s->tracking == Tracking::kThumb ? COLOR_3DLIGHT : COLOR_3DFACE);
  DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT);
  if (!enabled) {
    RECT inner = r;
    InflateRect(&inner, -3, -3);
    FillSys(hdc, inner, COLOR_3DLIGHT);
  }
}

void Paint(HWND hwnd, TrackState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  const DWORD style = Style(hwnd);
  const bool enabled = !(style & WS_DISABLED);
  const UINT state = (s->focused ? CDIS_FOCUS : 0) | (enabled ? 0 : CDIS_DISABLED);
  NMCUSTOMDRAW cd;
  const LRESULT pre = user::CustomDraw(hwnd, &cd, CDDS_PREPAINT, hdc, client, 0, state);
  if (pre & CDRF_SKIPDEFAULT) return;
  FillRect(hdc, &client, user::ControlColors(hwnd, hdc, WM_CTLCOLORSTATIC));
  const Layout l = LayoutOf(hwnd, s);

  struct Part {
    DWORD_PTR item;
    RECT rect;
    UINT state;
  };
  std::vector<Part> parts{{TBCD_CHANNEL, ChannelRect(l), state}};
  if (!(style & TBS_NOTICKS)) parts.push_back({TBCD_TICS, client, state});
  if (!(style & TBS_NOTHUMB))
    parts.push_back(
        {TBCD_THUMB, ThumbRect(l, s), state | (s->tracking == Tracking::kThumb ? CDIS_SELECTED : 0)});
  for (const Part& part : parts) {
    LRESULT answer = CDRF_DODEFAULT;
    if (pre & CDRF_NOTIFYITEMDRAW)
      answer = user::CustomDraw(hwnd, &cd, CDDS_ITEMPREPAINT, hdc, part.rect, part.item, part.state);
    if (!(answer & CDRF_SKIPDEFAULT)) {
      if (part.item == TBCD_CHANNEL) DrawChannel(hwnd, s, hdc, l);
      if (part.item == TBCD_TICS) DrawTics(s, hdc, l);
      if (part.item == TBCD_THUMB) DrawThumb(s, hdc, l, enabled);
    }
    if (answer & CDRF_NOTIFYPOSTPAINT)
      user::CustomDraw(hwnd, &cd, CDDS_ITEMPOSTPAINT, hdc, part.rect, part.item, part.state);
  }
  if (s->focused) DrawFocusRect(hdc, &client);
  if (pre & CDRF_NOTIFYPOSTPAINT) user::CustomDraw(hwnd, &cd, CDDS_POSTPAINT, hdc, client, 0, state);
}

// ---- input -------------------------------------------------------------------

int AlongOfPoint(const Layout& l, LPARAM lparam) {
  return l.vertical ? GET_Y_LPARAM(lparam) : GET_X_LPARAM(lparam);
}

// A held page click pages one way until the thumb reaches the point it was
// made at; it never turns back, so the thumb cannot oscillate around it.
bool PageAgain(HWND hwnd, TrackState* s) {
  const Layout l = LayoutOf(hwnd, s);
  const RECT thumb = ThumbRect(l, s);
  const int t0 = l.vertical ? thumb.top : thumb.left;
  const int t1 = l.vertical ? thumb.bottom : thumb.right;
  if (!s->page_down && s->page_target < t0 && s->pos > s->min) {
    Step(hwnd, s, TB_PAGEUP);
    return true;
  }
  if (s->page_down && s->page_target >= t1 && s->pos < s->max) {
    Step(hwnd, s, TB_PAGEDOWN);
    return true;
  }
  return false;
}

void EndTracking(HWND hwnd, TrackState* s, bool notify) {
  const Tracking was = s->tracking;
  if (was == Tracking::kNone) return;
  s->tracking = Tracking::kNone;
  KillTimer(hwnd, user::kTrackBarRepeatTimer);
  if (notify) {
    if (was == Tracking::kThumb) Notify(hwnd, TB_THUMBPOSITION, s->pos);
    Notify(hwnd, TB_ENDTRACK);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  Redraw(hwnd);
}

void ButtonDown(HWND hwnd, TrackState* s, LPARAM lparam) {
  if (GetFocus() != hwnd) SetFocus(hwnd);
  const Layout l = LayoutOf(hwnd, s);
  const RECT thumb = ThumbRect(l, s);
  const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  SetCapture(hwnd);
  if (!(Style(hwnd) & TBS_NOTHUMB) && PtInRect(&thumb, p)) {
    s->tracking = Tracking::kThumb;
    s->drag_offset = AlongOfPoint(l, lparam) - AlongOf(l, s, s->pos);
    Redraw(hwnd);
    return;
  }
  s->tracking = Tracking::kPage;
  s->page_target = AlongOfPoint(l, lparam);
  s->page_down = s->page_target >= AlongOf(l, s, s->pos);
  PageAgain(hwnd, s);
  SetTimer(hwnd, user::kTrackBarRepeatTimer, user::kTrackBarFirstDelayMs, nullptr);
}

void MouseMove(HWND hwnd, TrackState* s, LPARAM lparam) {
  const Layout l = LayoutOf(hwnd, s);
  if (s->tracking == Tracking::kPage) {
    s->page_target = AlongOfPoint(l, lparam);
    return;
  }
  if (s->tracking != Tracking::kThumb) return;
  const int pos = PosAt(l, s, AlongOfPoint(l, lparam) - s->drag_offset);
  if (pos == s->pos) return;
  s->pos = pos;
  Redraw(hwnd);
  Notify(hwnd, TB_THUMBTRACK, pos);
}

// The scroll code of a navigation key; false for other keys.
bool KeyCode(int vk, WORD* code) {
  switch (vk) {
    case VK_LEFT:
    case VK_UP:
      *code = TB_LINEUP;
      return true;
    case VK_RIGHT:
    case VK_DOWN:
      *code = TB_LINEDOWN;
      return true;
    case VK_PRIOR:
      *code = TB_PAGEUP;
      return true;
    case VK_NEXT:
      *code = TB_PAGEDOWN;
      return true;
    case VK_HOME:
      *code = TB_TOP;
      return true;
    case VK_END:
      *code = TB_BOTTOM;
      return true;
    default:
      return false;
  }
}

bool TicAt(const TrackState* s, int value) {
  return std::binary_search(s->tics.begin(), s->tics.end(), static_cast<DWORD>(value));
}

LRESULT OnTimer(HWND hwnd, TrackState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  if (wparam != user::kTrackBarRepeatTimer) return DefWindowProcA(hwnd, message, wparam, lparam);
  if (s->tracking == Tracking::kPage && PageAgain(hwnd, s))
    SetTimer(hwnd, user::kTrackBarRepeatTimer, user::kTrackBarRepeatMs, nullptr);
  else
    KillTimer(hwnd, user::kTrackBarRepeatTimer);
  return 0;
}

// The track bar's keys move the thumb when pressed and end the move when released.
LRESULT OnKey(HWND hwnd, TrackState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  WORD code = 0;
  if (!KeyCode(static_cast<int>(wparam), &code)) return DefWindowProcA(hwnd, message, wparam, lparam);
  if (message == WM_KEYDOWN)
    Step(hwnd, s, code);
  else
    Notify(hwnd, TB_ENDTRACK);
  return 0;
}

LRESULT OnSetPos(HWND hwnd, TrackState* s, bool redraw_flag, LPARAM lparam) {
  s->pos = static_cast<int>(lparam);
  Clamp(s);
  if (redraw_flag) Redraw(hwnd);
  return 0;
}

LRESULT OnSetRange(HWND hwnd, TrackState* s, bool redraw_flag, UINT message, LPARAM lparam) {
  if (message == TBM_SETRANGE) {
    s->min = LOWORD(static_cast<uintptr_t>(lparam));
    s->max = HIWORD(static_cast<uintptr_t>(lparam));
  } else if (message == TBM_SETRANGEMIN) {
    s->min = static_cast<int>(lparam);
  } else {
    s->max = static_cast<int>(lparam);
  }
  Clamp(s);
  RebuildAutoTicks(hwnd, s);
  if (redraw_flag) Redraw(hwnd);
  return 0;
}

LRESULT OnSetTicFreq(HWND hwnd, TrackState* s, WPARAM wparam) {
  s->freq = static_cast<int>(wparam);
  RebuildAutoTicks(hwnd, s);
  Redraw(hwnd);
  return 0;
}

LRESULT OnSetTic(HWND hwnd, TrackState* s, LPARAM lparam) {
  const int value = static_cast<int>(lparam);
  if (value <= s->min || value >= s->max) return value == s->min || value == s->max;
  if (!TicAt(s, value)) {
    s->tics.insert(std::lower_bound(s->tics.begin(), s->tics.end(), static_cast<DWORD>(value)),
                   static_cast<DWORD>(value));
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  return TRUE;
}

LRESULT OnSetSel(HWND hwnd, TrackState* s, bool redraw_flag, LPARAM lparam) {
  s->sel_start = LOWORD(static_cast<uintptr_t>(lparam));
  s->sel_end = HIWORD(static_cast<uintptr_t>(lparam));
  Clamp(s);
  if (redraw_flag) Redraw(hwnd);
  return 0;
}

LRESULT OnSetSelEnd(HWND hwnd, TrackState* s, bool redraw_flag, UINT message, LPARAM lparam) {
  (message == TBM_SETSELSTART ? s->sel_start : s->sel_end) = static_cast<int>(lparam);
  Clamp(s);
  if (redraw_flag) Redraw(hwnd);
  return 0;
}

LRESULT OnSetPageSize(TrackState* s, LPARAM lparam) {
  const int old = PageSize(s);
  s->page = std::max(0, static_cast<int>(lparam));
  return old;
}

LRESULT OnSetLineSize(TrackState* s, LPARAM lparam) {
  const int old = s->line;
  s->line = std::max(0, static_cast<int>(lparam));
  return old;
}

LRESULT OnSetThumbLength(HWND hwnd, TrackState* s, WPARAM wparam) {
  if (Style(hwnd) & TBS_FIXEDLENGTH) {
    s->thumb_length = std::max(1, static_cast<int>(wparam));
    Redraw(hwnd);
  }
  return 0;
}

// The track bar's own messages.
LRESULT TrackBarMessage(HWND hwnd, TrackState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  const bool redraw_flag = wparam != 0;
  switch (message) {
    case TBM_GETPOS:
      return s->pos;
    case TBM_GETRANGEMIN:
      return s->min;
    case TBM_GETRANGEMAX:
      return s->max;
    case TBM_SETPOS:
      return OnSetPos(hwnd, s, redraw_flag, lparam);
    case TBM_SETRANGE:
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX:
      return OnSetRange(hwnd, s, redraw_flag, message, lparam);
    case TBM_SETTICFREQ:
      return OnSetTicFreq(hwnd, s, wparam);
    case TBM_SETTIC:
      return OnSetTic(hwnd, s, lparam);
    case TBM_CLEARTICS:
      s->tics.clear();
      if (redraw_flag) Redraw(hwnd);
      return 0;
    case TBM_GETNUMTICS:
      return (Style(hwnd) & TBS_NOTICKS) ? 0 : static_cast<LRESULT>(s->tics.size()) + 2;
    case TBM_GETPTICS:
      return s->tics.empty() ? 0 : reinterpret_cast<LRESULT>(s->tics.data());
    case TBM_GETTIC:
      return wparam < s->tics.size() ? static_cast<LRESULT>(s->tics[wparam]) : -1;
    case TBM_GETTICPOS:
      return wparam < s->tics.size() ? AlongOf(LayoutOf(hwnd, s), s, static_cast<int>(s->tics[wparam])) : -1;
    case TBM_SETSEL:
      return OnSetSel(hwnd, s, redraw_flag, lparam);
    case TBM_SETSELSTART:
    case TBM_SETSELEND:
      return OnSetSelEnd(hwnd, s, redraw_flag, message, lparam);
    case TBM_GETSELSTART:
      return s->sel_start;
    case TBM_GETSELEND:
      return s->sel_end;
    case TBM_CLEARSEL:
      s->sel_start = s->sel_end = s->min;
      if (redraw_flag) Redraw(hwnd);
      return 0;
    case TBM_SETPAGESIZE:
      return OnSetPageSize(s, lparam);
    case TBM_GETPAGESIZE:
      return PageSize(s);
    case TBM_SETLINESIZE:
      return OnSetLineSize(s, lparam);
    case TBM_GETLINESIZE:
      return s->line;
    case TBM_GETTHUMBRECT:
      if (lparam) *reinterpret_cast<RECT*>(lparam) = ThumbRect(LayoutOf(hwnd, s), s);
      return 0;
    case TBM_GETCHANNELRECT:
      if (lparam) *reinterpret_cast<RECT*>(lparam) = ChannelRect(LayoutOf(hwnd, s));
      return 0;
    case TBM_SETTHUMBLENGTH:
      return OnSetThumbLength(hwnd, s, wparam);
    case TBM_GETTHUMBLENGTH:
      return s->thumb_length;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

LRESULT TrackBarProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateForMessage<TrackState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_CREATE:
      RebuildAutoTicks(hwnd, s);
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
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wparam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SIZE:
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->focused = message == WM_SETFOCUS;
      Redraw(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (Style(hwnd) & WS_DISABLED) return 0;
      ButtonDown(hwnd, s, lparam);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(hwnd, s, lparam);
      return 0;
    case WM_LBUTTONUP:
      EndTracking(hwnd, s, true);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != hwnd) EndTracking(hwnd, s, true);
      return 0;
    case WM_TIMER:
      return OnTimer(hwnd, s, message, wparam, lparam);
    case WM_KEYDOWN:
    case WM_KEYUP:
      return OnKey(hwnd, s, message, wparam, lparam);
    default:
      return TrackBarMessage(hwnd, s, message, wparam, lparam);
  }
}

}  // namespace

namespace user {

bool RegisterTrackBarClass() {
  return RegisterControlClass(TRACKBAR_CLASSA, TrackBarProc, CS_DBLCLKS | CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
