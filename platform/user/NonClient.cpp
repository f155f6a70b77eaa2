#include "platform/user/NonClient.h"

#include <algorithm>
#include <mutex>

#include "platform/backend/Backend.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/Errors.h"
#include "platform/user/Geometry.h"
#include "platform/user/Icon.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

using user::LookupWindow;
using user::LookupWindowLocked;
using user::WindowLock;

// Input messages the modal loops read; the input unit gives them their meaning.
constexpr UINT kMouseMove = 0x0200;
constexpr UINT kLButtonUp = 0x0202;
constexpr UINT kCancelMode = 0x001F;
constexpr UINT kCaptureChanged = 0x0215;
constexpr WPARAM kVkReturn = 0x0D;
constexpr WPARAM kVkEscape = 0x1B;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

POINT PointFromLParam(LPARAM lparam) {
  return POINT{static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam))),
               static_cast<SHORT>(HIWORD(static_cast<uintptr_t>(lparam)))};
}
LPARAM LParamFromPoint(POINT p) {
  return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

void Fill(HDC hdc, const RECT& r, int color) {
  if (!Empty(r)) FillRect(hdc, &r, GetSysColorBrush(color));
}

void Line(HDC hdc, int x0, int y0, int x1, int y1) {
  MoveToEx(hdc, x0, y0, nullptr);
  LineTo(hdc, x1, y1);
}

// The glyph of a caption button, drawn with the current pen inside `r`.
void Glyph(HDC hdc, const RECT& r, LRESULT which, bool zoomed, int color) {
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(color));
  HGDIOBJ old = SelectObject(hdc, pen);
  const int cx = (r.left + r.right) / 2;
  const int cy = (r.top + r.bottom) / 2;
  const int half = std::max(2, std::min(Width(r), Height(r)) / 2 - 3);
  switch (which) {
    case HTCLOSE:
      for (int d = 0; d < 2; ++d) {
        Line(hdc, cx - half + d, cy - half, cx + half + d, cy + half);
        Line(hdc, cx + half - 1 + d, cy - half, cx - half - 1 + d, cy + half);
      }
      break;
    case HTMAXBUTTON:
      if (zoomed) {
        Rectangle(hdc, cx - half, cy - half + 3, cx + half - 2, cy + half + 1);
        Line(hdc, cx - half + 2, cy - half, cx + half + 1, cy - half);
        Line(hdc, cx + half, cy - half, cx + half, cy + half - 2);
      } else {
        Rectangle(hdc, cx - half, cy - half, cx + half + 1, cy + half + 1);
        Line(hdc, cx - half, cy - half + 1, cx + half + 1, cy - half + 1);
      }
      break;
    case HTMINBUTTON:
      Line(hdc, cx - half, cy + half - 1, cx + half - 1, cy + half - 1);
      Line(hdc, cx - half, cy + half, cx + half - 1, cy + half);
      break;
    default:
      break;
  }
  SelectObject(hdc, old);
  DeleteObject(pen);
}

}  // namespace

// ---- the frame ------------------------------------------------------------------

WindowFrame::WindowFrame(DWORD style, DWORD ex_style, int width, int height)
    : style_(style), ex_style_(ex_style), width_(std::max(width, 0)), height_(std::max(height, 0)) {
  const bool maximized = style & WS_MAXIMIZE;
  if (style & WS_THICKFRAME)
    border_ = GetSystemMetrics(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (ex_style & WS_EX_DLGMODALFRAME))
    border_ = GetSystemMetrics(SM_CXDLGFRAME);
  else if (style & WS_BORDER)
    border_ = GetSystemMetrics(SM_CXBORDER);
  // A maximised window fills the work area; its border would only eat into it.
  if (maximized && !(style & WS_CHILD)) border_ = 0;
  if (ex_style & WS_EX_CLIENTEDGE) edge_ += GetSystemMetrics(SM_CXEDGE);
  if (ex_style & WS_EX_STATICEDGE) edge_ += GetSystemMetrics(SM_CXBORDER);
  if ((style & WS_CAPTION) == WS_CAPTION) {
    small_caption_ = ex_style & WS_EX_TOOLWINDOW;
    caption_height_ = GetSystemMetrics(small_caption_ ? SM_CYSMCAPTION : SM_CYCAPTION) - 1;
  }
  const int caption = caption_height_ ? caption_height_ + 1 : 0;
  insets_.left = border_ + edge_;
  insets_.top = border_ + caption + edge_;
  insets_.right = border_ + edge_ + ((style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  insets_.bottom = border_ + edge_ + ((style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0);
}

WindowFrame WindowFrame::Of(HWND hwnd) {
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  if (!record) return WindowFrame(0, 0, 0, 0);
  DWORD style = record->style;
  // WM_SETREDRAW FALSE hides the window from painting, not its frame.
  return WindowFrame(style, record->ex_style, Width(record->window_rect), Height(record->window_rect));
}

RECT WindowFrame::ClientRect() const {
  if (style_ & WS_MINIMIZE) return RECT{insets_.left, insets_.top, insets_.left, insets_.top};
  RECT r{insets_.left, insets_.top, width_ - insets_.right, height_ - insets_.bottom};
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  return r;
}

RECT WindowFrame::CaptionRect() const {
  if (!caption_height_) return RECT{};
  return RECT{border_, border_, width_ - border_, border_ + caption_height_};
}

RECT WindowFrame::ButtonRect(LRESULT which) const {
  if (!caption_height_ || !(style_ & WS_SYSMENU)) return RECT{};
  const RECT caption = CaptionRect();
  const int bw = small_caption_ ? GetSystemMetrics(SM_CXSMSIZE) - 2 : GetSystemMetrics(SM_CXSIZE) - 2;
  const int bh = small_caption_ ? GetSystemMetrics(SM_CYSMSIZE) - 4 : GetSystemMetrics(SM_CYSIZE) - 4;
  const int top = caption.top + 2;
  const RECT close{caption.right - 2 - bw, top, caption.right - 2, top + bh};
  const bool boxes = !small_caption_ && (style_ & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  const RECT max{close.left - 2 - bw, top, close.left - 2, top + bh};
  const RECT min{max.left - bw, top, max.left, top + bh};
  switch (which) {
    case HTCLOSE:
      return close;
    case HTMAXBUTTON:
      return boxes ? max : RECT{};
    case HTMINBUTTON:
      return boxes ? min : RECT{};
    case HTSYSMENU: {
      if (small_caption_ || (ex_style_ & WS_EX_DLGMODALFRAME)) return RECT{};
      const int size = GetSystemMetrics(SM_CXSMICON);
      return RECT{caption.left + 1, caption.top + 1, caption.left + 1 + size, caption.top + 1 + size};
    }
    default:
      return RECT{};
  }
}

RECT WindowFrame::VScrollRect() const {
  if (!(style_ & WS_VSCROLL) || (style_ & WS_MINIMIZE)) return RECT{};
  const RECT client = ClientRect();
  return RECT{client.right, client.top, client.right + GetSystemMetrics(SM_CXVSCROLL), client.bottom};
}

RECT WindowFrame::HScrollRect() const {
  if (!(style_ & WS_HSCROLL) || (style_ & WS_MINIMIZE)) return RECT{};
  const RECT client = ClientRect();
  return RECT{client.left, client.bottom, client.right, client.bottom + GetSystemMetrics(SM_CYHSCROLL)};
}

LRESULT WindowFrame::HitTest(POINT p) const {
  if (p.x < 0 || p.y < 0 || p.x >= width_ || p.y >= height_) return HTNOWHERE;
  if (style_ & WS_MINIMIZE) return HTCAPTION;
  if (Inside(ClientRect(), p)) return HTCLIENT;
  const bool sizing = (style_ & WS_THICKFRAME) && !(style_ & WS_MAXIMIZE);
  const bool in_border =
      p.x < border_ || p.y < border_ || p.x >= width_ - border_ || p.y >= height_ - border_;
  if (in_border) {
    if (!sizing) return HTBORDER;
    // The corners reach along the edges as far as a caption button is wide.
    const int corner = GetSystemMetrics(SM_CXSIZE);
    const bool left = p.x < corner;
    const bool right = p.x >= width_ - corner;
    const bool top = p.y < corner;
    const bool bottom = p.y >= height_ - corner;
    if (p.y < border_) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (p.y >= height_ - border_) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    if (p.x < border_) return top ? HTTOPLEFT : bottom ? HTBOTTOMLEFT : HTLEFT;
    return top ? HTTOPRIGHT : bottom ? HTBOTTOMRIGHT : HTRIGHT;
  }
  if (caption_height_) {
    RECT band = CaptionRect();
    band.bottom += 1;  // the line under the caption belongs to it
    if (Inside(band, p)) {
      for (LRESULT button : {HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTSYSMENU})
        if (Inside(ButtonRect(button), p)) return button;
      return HTCAPTION;
    }
  }
  if (Inside(VScrollRect(), p)) return HTVSCROLL;
  if (Inside(HScrollRect(), p)) return HTHSCROLL;
  const RECT v = VScrollRect();
  const RECT h = HScrollRect();
  if (!Empty(v) && !Empty(h) && Inside(RECT{v.left, h.top, v.right, h.bottom}, p))
    return (style_ & WS_THICKFRAME) ? HTGROWBOX : HTBORDER;
  return HTBORDER;
}

void WindowFrame::Paint(HDC hdc, const std::string& title, bool active, LRESULT pressed, HICON icon) const {
  if (!hdc || width_ <= 0 || height_ <= 0) return;
  RECT r{0, 0, width_, height_};
  // Outer border.
  if (border_ >= 2) {
    DrawEdge(hdc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    const int rest = border_ - 2;
    const int band =
        (style_ & WS_THICKFRAME) ? (active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER) : COLOR_3DFACE;
    for (int i = 0; i < rest; ++i) {
      FrameRect(hdc, &r, GetSysColorBrush(i == rest - 1 ? COLOR_3DFACE : band));
      InflateRect(&r, -1, -1);
    }
  } else if (border_ == 1) {
    FrameRect(hdc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  // Caption bar, its title and buttons.
  if (caption_height_) {
    const RECT caption = CaptionRect();
    Fill(hdc, caption, active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    Fill(hdc, RECT{caption.left, caption.bottom, caption.right, caption.bottom + 1}, COLOR_3DFACE);
    int text_left = caption.left + 2;
    const RECT icon_rect = ButtonRect(HTSYSMENU);
    if (!Empty(icon_rect)) {
      text_left = icon_rect.right + 2;
      if (icon)
        DrawIconEx(hdc, icon_rect.left, icon_rect.top, icon, icon_rect.right - icon_rect.left,
                   icon_rect.bottom - icon_rect.top, 0, nullptr, DI_NORMAL);
    }
    int text_right = caption.right - 2;
    for (LRESULT button : {HTCLOSE, HTMAXBUTTON, HTMINBUTTON}) {
      const RECT b = ButtonRect(button);
      if (Empty(b)) continue;
      text_right = std::min<int>(text_right, b.left - 2);
      RECT face = b;
      Fill(hdc, face, COLOR_3DFACE);
      DrawEdge(hdc, &face, pressed == button ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
      const bool enabled = button == HTCLOSE || (button == HTMAXBUTTON && (style_ & WS_MAXIMIZEBOX)) ||
                           (button == HTMINBUTTON && (style_ & WS_MINIMIZEBOX));
      RECT glyph = b;
      if (pressed == button) OffsetRect(&glyph, 1, 1);
      Glyph(hdc, glyph, button, (style_ & WS_MAXIMIZE) != 0, enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    }
    if (!title.empty() && text_right > text_left) {
      LOGFONTA lf = user::CaptionLogFont(small_caption_);
      HFONT font = CreateFontIndirectA(&lf);
      HGDIOBJ old_font = SelectObject(hdc, font);
      const int old_mode = SetBkMode(hdc, TRANSPARENT);
      const COLORREF old_color =
          SetTextColor(hdc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
      RECT text{text_left, caption.top, text_right, caption.bottom};
      DrawTextA(hdc, title.c_str(), static_cast<int>(title.size()), &text,
                DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
      SetTextColor(hdc, old_color);
      SetBkMode(hdc, old_mode);
      SelectObject(hdc, old_font);
      DeleteObject(font);
    }
  }
  // Edges around the client area and the scroll-bar places.
  if (edge_ && !(style_ & WS_MINIMIZE)) {
    const RECT client = ClientRect();
    const RECT v = VScrollRect();
    const RECT h = HScrollRect();
    RECT inner{client.left - edge_, client.top - edge_,
               std::max(client.right, Empty(v) ? client.right : v.right) + edge_,
               std::max(client.bottom, Empty(h) ? client.bottom : h.bottom) + edge_};
    if (ex_style_ & WS_EX_CLIENTEDGE) DrawEdge(hdc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    if (ex_style_ & WS_EX_STATICEDGE) DrawEdge(hdc, &inner, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  }
  Fill(hdc, VScrollRect(), COLOR_3DFACE);
  Fill(hdc, HScrollRect(), COLOR_3DFACE);
  const RECT v = VScrollRect();
  const RECT h = HScrollRect();
  if (!Empty(v) && !Empty(h)) Fill(hdc, RECT{v.left, h.top, v.right, h.bottom}, COLOR_3DFACE);
}

// ---- AdjustWindowRect -------------------------------------------------------------

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD ex_style) {
  if (!rect) return FALSE;
  // Scroll bars are not part of the adjustment, as callers expect.
  const WindowFrame frame(style & ~(WS_VSCROLL | WS_HSCROLL | WS_MAXIMIZE | WS_MINIMIZE), ex_style, 0, 0);
  const RECT insets = frame.Insets();
  rect->left -= insets.left;
  rect->top -= insets.top;
  rect->right += insets.right;
  rect->bottom += insets.bottom;
  return TRUE;
}

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

namespace {

// Paints the frame of a window now, limited to `screen_limit` when given.
void PaintFrameNow(HWND hwnd, HRGN screen_limit) {
  const WindowFrame frame = WindowFrame::Of(hwnd);
  const RECT insets = frame.Insets();
  if (!insets.left && !insets.top && !insets.right && !insets.bottom) return;
  char title[512] = {};
  bool active = false;
  LRESULT pressed = 0;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return;
    const size_t count = std::min(record->text.size(), sizeof title - 1);
    std::copy_n(record->text.data(), count, title);
    active = record->nc_active;
    pressed = record->nc_hot ? record->nc_pressed : 0;
  }
  HDC hdc = GetDCEx(hwnd, screen_limit, DCX_WINDOW | (screen_limit ? DCX_INTERSECTRGN : 0));
  if (!hdc) return;
  const RECT client = frame.ClientRect();
  ExcludeClipRect(hdc, client.left, client.top, client.right, client.bottom);
  frame.Paint(hdc, title, active, pressed, user::CaptionIcon(hwnd));
  ReleaseDC(hwnd, hdc);
}

// Screen rectangle of a window and its parent's client origin.
void Placement(HWND hwnd, RECT* screen, POINT* parent_origin) {
  *screen = user::WindowRectOnScreen(hwnd);
  *parent_origin = POINT{};
  HWND parent = GetAncestor(hwnd, GA_PARENT);
  if (parent && parent != GetDesktopWindow()) ClientToScreen(parent, parent_origin);
}

// Where a mouse message points, on the screen.
bool ScreenPointOf(const MSG& msg, POINT* p) {
  if (msg.message == kMouseMove || msg.message == kLButtonUp) {
    *p = PointFromLParam(msg.lParam);
    return msg.hwnd ? ClientToScreen(msg.hwnd, p) != FALSE : true;
  }
  if (msg.message == WM_NCMOUSEMOVE || msg.message == WM_NCLBUTTONUP) {
    *p = PointFromLParam(msg.lParam);
    return true;
  }
  return false;
}

void SetNativeCapture(HWND hwnd) {
  HWND top = user::TopLevelOf(hwnd);
  if (auto record = LookupWindow(top); record && record->backend_open)
    backend::Current().SetCapture(hwnd ? top : nullptr);
}

// The modal loop of SC_MOVE and SC_SIZE: follows the mouse until the button
// goes up; Escape puts the window back.
void MoveSizeLoop(HWND hwnd, WPARAM command, POINT start) {
  const bool moving = (command & 0xFFF0) == SC_MOVE;
  const WPARAM edge = command & 0x000F;
  if (!moving && (edge < WMSZ_LEFT || edge > WMSZ_BOTTOMRIGHT)) return;
  RECT origin_rect;
  POINT parent_origin;
  Placement(hwnd, &origin_rect, &parent_origin);
  MINMAXINFO limits;
  limits.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  limits.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  SendMessageA(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  SetNativeCapture(hwnd);
  RECT current = origin_rect;
  bool done = false;
  bool cancel = false;
  while (!done && IsWindow(hwnd)) {
    MSG msg;
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // WM_QUIT belongs to the outer loop.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    POINT p;
    if (msg.message == kMouseMove || msg.message == WM_NCMOUSEMOVE) {
      if (!ScreenPointOf(msg, &p)) continue;
      const int dx = p.x - start.x;
      const int dy = p.y - start.y;
      RECT next = origin_rect;
      if (moving) {
        OffsetRect(&next, dx, dy);
        SendMessageA(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&next));
      } else {
        const bool left = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
        const bool right = edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
        const bool top = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
        const bool bottom = edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
        const auto clamp_w = [&](int w) {
          return std::clamp<int>(w, limits.ptMinTrackSize.x,
                                 std::max(limits.ptMinTrackSize.x, limits.ptMaxTrackSize.x));
        };
        const auto clamp_h = [&](int h) {
          return std::clamp<int>(h, limits.ptMinTrackSize.y,
                                 std::max(limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y));
        };
        if (left) next.left = next.right - clamp_w(Width(origin_rect) - dx);
        if (right) next.right = next.left + clamp_w(Width(origin_rect) + dx);
        if (top) next.top = next.bottom - clamp_h(Height(origin_rect) - dy);
        if (bottom) next.bottom = next.top + clamp_h(Height(origin_rect) + dy);
        SendMessageA(hwnd, WM_SIZING, edge, reinterpret_cast<LPARAM>(&next));
      }
      if (!EqualRect(&next, &current)) {
        current = next;
        SetWindowPos(hwnd, nullptr, current.left - parent_origin.x, current.top - parent_origin.y,
                     Width(current), Height(current),
                     SWP_NOZORDER | SWP_NOACTIVATE | (moving ? SWP_NOSIZE : 0));
      }
      continue;
    }
    if (msg.message == kLButtonUp || msg.message == WM_NCLBUTTONUP) {
      done = true;
      continue;
    }
    if (msg.message == WM_KEYDOWN && (msg.wParam == kVkEscape || msg.wParam == kVkReturn)) {
      cancel = msg.wParam == kVkEscape;
      done = true;
      continue;
    }
    if (msg.message == kCancelMode || msg.message == kCaptureChanged) {
      cancel = true;
      done = true;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (cancel && IsWindow(hwnd) && !EqualRect(&current, &origin_rect))
    SetWindowPos(hwnd, nullptr, origin_rect.left - parent_origin.x, origin_rect.top - parent_origin.y,
                 Width(origin_rect), Height(origin_rect), SWP_NOZORDER | SWP_NOACTIVATE);
  SetNativeCapture(nullptr);
  if (IsWindow(hwnd)) SendMessageA(hwnd, WM_EXITSIZEMOVE, 0, 0);
}

void SetPressed(HWND hwnd, LRESULT button, bool hot) {
  bool changed = false;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return;
    changed = record->nc_pressed != static_cast<int>(button) || record->nc_hot != hot;
    record->nc_pressed = static_cast<int>(button);
    record->nc_hot = hot;
  }
  if (changed) PaintFrameNow(hwnd, nullptr);
}

// A caption button follows the mouse until release; a release on it runs its command.
void TrackCaptionButton(HWND hwnd, LRESULT button) {
  const WindowFrame frame = WindowFrame::Of(hwnd);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  if ((button == HTMINBUTTON && !(style & WS_MINIMIZEBOX)) ||
      (button == HTMAXBUTTON && !(style & WS_MAXIMIZEBOX)))
    return;
  if (button == HTCLOSE) {
    auto record = LookupWindow(hwnd);
    if (record && (record->window_class->style & CS_NOCLOSE)) return;
  }
  SetPressed(hwnd, button, true);
  SetNativeCapture(hwnd);
  bool hot = true;
  while (IsWindow(hwnd)) {
    MSG msg;
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      hot = false;
      break;
    }
    POINT p;
    if (msg.message == kMouseMove || msg.message == WM_NCMOUSEMOVE) {
      if (!ScreenPointOf(msg, &p)) continue;
      const RECT screen = user::WindowRectOnScreen(hwnd);
      hot = Inside(frame.ButtonRect(button), POINT{p.x - screen.left, p.y - screen.top});
      SetPressed(hwnd, button, hot);
      continue;
    }
    if (msg.message == kLButtonUp || msg.message == WM_NCLBUTTONUP) {
      if (ScreenPointOf(msg, &p)) {
        const RECT screen = user::WindowRectOnScreen(hwnd);
        hot = Inside(frame.ButtonRect(button), POINT{p.x - screen.left, p.y - screen.top});
      }
      break;
    }
    if (msg.message == kCancelMode || msg.message == kCaptureChanged ||
        (msg.message == WM_KEYDOWN && msg.wParam == kVkEscape)) {
      hot = false;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  SetNativeCapture(nullptr);
  if (!IsWindow(hwnd)) return;
  SetPressed(hwnd, 0, false);
  if (!hot) return;
  WPARAM command = SC_CLOSE;
  if (button == HTMINBUTTON) command = SC_MINIMIZE;
  if (button == HTMAXBUTTON) command = (style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE;
  const DWORD pos = GetMessagePos();
  const POINT where{static_cast<SHORT>(LOWORD(pos)), static_cast<SHORT>(HIWORD(pos))};
  SendMessageA(hwnd, WM_SYSCOMMAND, command, LParamFromPoint(where));
}

bool DefNonClient(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  // The scroll-bar unit paints and tracks the bars in the places the frame leaves for them.
  if (user::WindowScrollBarDefault(hwnd, message, wparam, lparam, result)) return true;
  switch (message) {
    case WM_NCCALCSIZE: {
      DWORD style = 0;
      DWORD ex_style = 0;
      if (auto record = LookupWindow(hwnd)) {
        std::lock_guard lock(WindowLock());
        style = record->style;
        ex_style = record->ex_style;
      }
      RECT* window =
          wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0] : reinterpret_cast<RECT*>(lparam);
      *result = 0;
      if (!window) return true;
      const WindowFrame frame(style, ex_style, Width(*window), Height(*window));
      RECT client = frame.ClientRect();
      OffsetRect(&client, window->left, window->top);
      *window = client;
      return true;
    }
    case WM_NCHITTEST: {
      const POINT screen = PointFromLParam(lparam);
      const RECT rect = user::WindowRectOnScreen(hwnd);
      const POINT p{screen.x - rect.left, screen.y - rect.top};
      {
        std::lock_guard lock(WindowLock());
        auto record = LookupWindowLocked(hwnd);
        if (record && record->has_window_region && !record->window_region.Contains(p.x, p.y)) {
          *result = HTNOWHERE;
          return true;
        }
      }
      *result = WindowFrame::Of(hwnd).HitTest(p);
      return true;
    }
    case WM_NCPAINT: {
      HRGN limit = wparam > 1 ? reinterpret_cast<HRGN>(wparam) : nullptr;
      if (IsWindowVisible(hwnd)) PaintFrameNow(hwnd, limit);
      *result = 0;
      return true;
    }
    case WM_NCACTIVATE: {
      bool changed = false;
      {
        std::lock_guard lock(WindowLock());
        auto record = LookupWindowLocked(hwnd);
        if (record) {
          changed = record->nc_active != (wparam != 0);
          record->nc_active = wparam != 0;
        }
      }
      if (changed && IsWindowVisible(hwnd)) PaintFrameNow(hwnd, nullptr);
      *result = TRUE;
      return true;
    }
    case WM_SETTEXT: {
      bool top_level = false;
      std::string text = lparam ? reinterpret_cast<const char*>(lparam) : "";
      {
        std::lock_guard lock(WindowLock());
        auto record = LookupWindowLocked(hwnd);
        if (!record) {
          *result = FALSE;
          return true;
        }
        record->text = text;
        top_level = !record->parent && record->backend_open;
      }
      if (top_level) backend::Current().SetTitle(hwnd, text);
      if (WindowFrame::Of(hwnd).HasCaption() && IsWindowVisible(hwnd)) PaintFrameNow(hwnd, nullptr);
      *result = TRUE;
      return true;
    }
    case WM_NCLBUTTONDOWN: {
      const LRESULT hit = static_cast<LRESULT>(wparam);
      if (hit == HTCAPTION) {
        SendMessageA(hwnd, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, lparam);
      } else if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
        SendMessageA(hwnd, WM_SYSCOMMAND, SC_SIZE + static_cast<WPARAM>(hit - HTLEFT + WMSZ_LEFT), lparam);
      } else if (hit == HTCLOSE || hit == HTMINBUTTON || hit == HTMAXBUTTON) {
        TrackCaptionButton(hwnd, hit);
      }
      *result = 0;
      return true;
    }
    case WM_NCLBUTTONDBLCLK: {
      const LRESULT hit = static_cast<LRESULT>(wparam);
      const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
      if (hit == HTCAPTION && (style & WS_MAXIMIZEBOX))
        SendMessageA(hwnd, WM_SYSCOMMAND, (style & (WS_MAXIMIZE | WS_MINIMIZE)) ? SC_RESTORE : SC_MAXIMIZE,
                     lparam);
      else if (hit == HTSYSMENU)
        SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, lparam);
      *result = 0;
      return true;
    }
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
    case WM_NCMBUTTONDBLCLK:
    case WM_NCMOUSELEAVE:
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
    case WM_SIZING:
    case WM_MOVING:
      *result = 0;
      return true;
    case WM_SYSCOMMAND: {
      *result = 0;
      switch (wparam & 0xFFF0) {
        case SC_MOVE:
        case SC_SIZE:
          MoveSizeLoop(hwnd, wparam, PointFromLParam(lparam));
          return true;
        case SC_MINIMIZE:
          ShowWindow(hwnd, SW_MINIMIZE);
          return true;
        case SC_MAXIMIZE:
          ShowWindow(hwnd, SW_MAXIMIZE);
          return true;
        case SC_RESTORE:
          ShowWindow(hwnd, SW_RESTORE);
          return true;
        case SC_CLOSE: {
          auto record = LookupWindow(hwnd);
          if (!record || !(record->window_class->style & CS_NOCLOSE)) SendMessageA(hwnd, WM_CLOSE, 0, 0);
          return true;
        }
        default:
          // SC_KEYMENU and the others belong to the menu unit.
          return true;
      }
    }
    default:
      return false;
  }
}

int NativeHitTest(HWND hwnd, POINT screen) {
  auto record = LookupWindow(hwnd);
  if (!record) return static_cast<int>(HTNOWHERE);
  if (record->thread_id == GetCurrentThreadId())
    return static_cast<int>(SendMessageA(hwnd, WM_NCHITTEST, 0, LParamFromPoint(screen)));
  // Another thread's window answers from its frame, without a wait.
  const RECT rect = user::WindowRectOnScreen(hwnd);
  return static_cast<int>(WindowFrame::Of(hwnd).HitTest(POINT{screen.x - rect.left, screen.y - rect.top}));
}

}  // namespace

namespace user {

void InstallNonClient() {
  static std::once_flag once;
  std::call_once(once, [] {
    AddDefWindowProcHandler(DefNonClient);
    backend::Current().SetHitTest(NativeHitTest);
  });
}

}  // namespace user

}  // namespace plat
