#include "platform/user/Progress.h"

#include <algorithm>

#include "platform/gdi/Colors.h"
#include "platform/user/Cursor.h"
#include "platform/user/Geometry.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"

namespace plat {

namespace {

constexpr COLORREF kDefault = 0xFF000000;  // CLR_DEFAULT

struct ProgressState {
  int low = 0;
  int high = 100;
  int pos = 0;
  int step = 10;
  int state = PBST_NORMAL;
  COLORREF bar = kDefault;
  COLORREF back = kDefault;
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

void Redraw(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

void FillColor(HDC hdc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(hdc, &r, brush);
  DeleteObject(brush);
}

// The filled length of `extent` pixels for the position.
int Filled(const ProgressState* s, int extent) {
  const int64_t range = static_cast<int64_t>(s->high) - s->low;
  if (range <= 0 || extent <= 0) return 0;
  const int64_t done = std::clamp<int64_t>(static_cast<int64_t>(s->pos) - s->low, 0, range);
  return static_cast<int>(extent * done / range);
}

void Paint(HWND hwnd, ProgressState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  const bool vertical = (Style(hwnd) & PBS_VERTICAL) != 0;
  FillColor(hdc, client, s->back == kDefault ? GetSysColor(COLOR_3DFACE) : s->back);
  RECT inner = client;
  DrawEdge(hdc, &inner, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  const int extent = vertical ? inner.bottom - inner.top : inner.right - inner.left;
  const int filled = Filled(s, extent);
  if (filled <= 0) return;
  COLORREF color = s->bar == kDefault ? GetSysColor(COLOR_HIGHLIGHT) : s->bar;
  if (s->state == PBST_ERROR) color = RGB(192, 0, 0);
  if (s->state == PBST_PAUSED) color = RGB(192, 192, 0);
  // The filled part grows from the left, or from the bottom of a vertical bar.
  RECT bar = inner;
  if (vertical)
    bar.top = inner.bottom - filled;
  else
    bar.right = inner.left + filled;
  if (Style(hwnd) & PBS_SMOOTH) {
    FillColor(hdc, bar, color);
    return;
  }
  const int breadth = vertical ? inner.right - inner.left : inner.bottom - inner.top;
  const int chunk = std::max(2, breadth * 2 / 3);
  constexpr int kGap = 2;
  for (int at = 0; at < filled; at += chunk + kGap) {
    const int end = std::min(filled, at + chunk);
    RECT piece = vertical ? RECT{inner.left, inner.bottom - end, inner.right, inner.bottom - at}
                          : RECT{inner.left + at, inner.top, inner.left + end, inner.bottom};
    FillColor(hdc, piece, color);
  }
}

int SetPos(HWND hwnd, ProgressState* s, int pos) {
  const int old = s->pos;
  s->pos = std::clamp(pos, s->low, std::max(s->low, s->high));
  if (s->pos != old) Redraw(hwnd);
  return old;
}

LRESULT ProgressProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateForMessage<ProgressState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { Paint(hwnd, s, hdc); });
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      const LRESULT old =
          static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s->low), static_cast<WORD>(s->high)));
      if (message == PBM_SETRANGE) {
        s->low = LOWORD(static_cast<uintptr_t>(lparam));
        s->high = HIWORD(static_cast<uintptr_t>(lparam));
      } else {
        s->low = static_cast<int>(wparam);
        s->high = static_cast<int>(lparam);
      }
      s->pos = std::clamp(s->pos, s->low, std::max(s->low, s->high));
      Redraw(hwnd);
      return old;
    }
    case PBM_GETRANGE:
      if (lparam) *reinterpret_cast<PBRANGE*>(lparam) = {s->low, s->high};
      return wparam ? s->low : s->high;
    case PBM_SETPOS:
      return SetPos(hwnd, s, static_cast<int>(wparam));
    case PBM_DELTAPOS:
      return SetPos(hwnd, s, s->pos + static_cast<int>(wparam));
    case PBM_GETPOS:
      return s->pos;
    case PBM_SETSTEP: {
      const int old = s->step;
      s->step = static_cast<int>(wparam);
      return old;
    }
    case PBM_GETSTEP:
      return s->step;
    case PBM_STEPIT: {
      int next = s->pos + s->step;
      if (next > s->high) next = s->low + (next - s->high) % std::max(1, s->high - s->low);
      if (next < s->low) next = s->high - (s->low - next) % std::max(1, s->high - s->low);
      return SetPos(hwnd, s, next);
    }
    case PBM_SETBARCOLOR:
    case PBM_SETBKCOLOR: {
      COLORREF& slot = message == PBM_SETBARCOLOR ? s->bar : s->back;
      const COLORREF old = slot;
      slot = static_cast<COLORREF>(lparam);
      Redraw(hwnd);
      return static_cast<LRESULT>(old);
    }
    case PBM_GETBARCOLOR:
      return static_cast<LRESULT>(s->bar);
    case PBM_GETBKCOLOR:
      return static_cast<LRESULT>(s->back);
    case PBM_SETSTATE: {
      const int old = s->state;
      const int state = static_cast<int>(wparam);
      if (state < PBST_NORMAL || state > PBST_PAUSED) return 0;
      s->state = state;
      Redraw(hwnd);
      return old;
    }
    case PBM_GETSTATE:
      return s->state;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace

namespace user {

bool RegisterProgressClass() {
  return RegisterControlClass(PROGRESS_CLASSA, ProgressProc, CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
