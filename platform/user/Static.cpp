#include "platform/user/Static.h"

#include <string>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"
#include "platform/user/Cursor.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"

namespace plat {

namespace {

struct StaticState {
  HFONT font = nullptr;
  HANDLE image = nullptr;  // bitmap or icon, by the style
  HICON icon = nullptr;
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

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

UINT TextFormat(DWORD style) {
  UINT format = DT_EXPANDTABS;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER:
      format |= DT_CENTER | DT_WORDBREAK;
      break;
    case SS_RIGHT:
      format |= DT_RIGHT | DT_WORDBREAK;
      break;
    case SS_SIMPLE:
      format |= DT_LEFT | DT_SINGLELINE;
      break;
    case SS_LEFTNOWORDWRAP:
      format |= DT_LEFT;
      break;
    default:
      format |= DT_LEFT | DT_WORDBREAK;
      break;
  }
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
  switch (style & SS_ELLIPSISMASK) {
    case SS_ENDELLIPSIS:
      format |= DT_END_ELLIPSIS;
      break;
    case SS_PATHELLIPSIS:
      format |= DT_PATH_ELLIPSIS;
      break;
    case SS_WORDELLIPSIS:
      format |= DT_WORD_ELLIPSIS;
      break;
    default:
      break;
  }
  return format;
}

void PaintBitmap(HDC hdc, HBITMAP bitmap, const RECT& client, bool centre) {
  BITMAP bm;
  if (!bitmap || !GetObject(bitmap, sizeof(bm), &bm)) return;
  HDC mem = CreateCompatibleDC(hdc);
  HGDIOBJ old = SelectObject(mem, bitmap);
  int x = client.left;
  int y = client.top;
  if (centre) {
    x = (client.left + client.right - bm.bmWidth) / 2;
    y = (client.top + client.bottom - bm.bmHeight) / 2;
  }
  BitBlt(hdc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
}

void Paint(HWND hwnd, StaticState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  const DWORD style = Style(hwnd);
  const DWORD type = style & SS_TYPEMASK;
  HGDIOBJ old_font = SelectObject(hdc, user::ControlFont(s->font));
  auto fill_sys = [&](int color) { FillRect(hdc, &client, GetSysColorBrush(color)); };
  auto frame_sys = [&](int color) { FrameRect(hdc, &client, GetSysColorBrush(color)); };
  switch (type) {
    case SS_BLACKRECT:
      fill_sys(COLOR_WINDOWFRAME);
      break;
    case SS_GRAYRECT:
      fill_sys(COLOR_3DSHADOW);
      break;
    case SS_WHITERECT:
      fill_sys(COLOR_3DHILIGHT);
      break;
    case SS_BLACKFRAME:
      frame_sys(COLOR_WINDOWFRAME);
      break;
    case SS_GRAYFRAME:
      frame_sys(COLOR_3DSHADOW);
      break;
    case SS_WHITEFRAME:
      frame_sys(COLOR_3DHILIGHT);
      break;
    case SS_ETCHEDHORZ:
    case SS_ETCHEDVERT:
    case SS_ETCHEDFRAME: {
      RECT r = client;
      const UINT sides = type == SS_ETCHEDHORZ ? BF_TOP : type == SS_ETCHEDVERT ? BF_LEFT : BF_RECT;
      DrawEdge(hdc, &r, EDGE_ETCHED, sides);
      break;
    }
    case SS_OWNERDRAW: {
      user::SendDrawItem(hwnd, ODT_STATIC, 0, (style & WS_DISABLED) ? ODS_DISABLED : 0, hdc, client, 0);
      break;
    }
    case SS_BITMAP:
    case SS_ICON:
    case SS_ENHMETAFILE: {
      FillRect(hdc, &client, user::ControlColors(hwnd, hdc, WM_CTLCOLORSTATIC));
      // Icons have no drawing in this layer yet; the handle is kept for STM_GETICON.
      if (type == SS_BITMAP)
        PaintBitmap(hdc, static_cast<HBITMAP>(static_cast<HGDIOBJ>(s->image)), client,
                    (style & SS_CENTERIMAGE) != 0);
      break;
    }
    default: {
      HBRUSH back = user::ControlColors(hwnd, hdc, WM_CTLCOLORSTATIC);
      if (type != SS_SIMPLE || back) FillRect(hdc, &client, back);
      const std::string text = TextOf(hwnd);
      if (!text.empty()) {
        const int old_mode = SetBkMode(hdc, TRANSPARENT);
        COLORREF old_color = 0;
        const bool disabled = (style & WS_DISABLED) != 0;
        if (disabled) old_color = SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
        RECT r = client;
        DrawTextA(hdc, text.c_str(), static_cast<int>(text.size()), &r, TextFormat(style));
        if (disabled) SetTextColor(hdc, old_color);
        SetBkMode(hdc, old_mode);
      }
      break;
    }
  }
  if (style & SS_SUNKEN) {
    RECT r = client;
    DrawEdge(hdc, &r, BDR_SUNKENOUTER, BF_RECT);
  }
  SelectObject(hdc, old_font);
}

// A bitmap static takes the bitmap's size unless told to keep its own.
void FitToImage(HWND hwnd) {
  auto* s = user::StateOf<StaticState>(hwnd);
  const DWORD style = Style(hwnd);
  if ((style & SS_TYPEMASK) != SS_BITMAP || (style & (SS_CENTERIMAGE | SS_REALSIZECONTROL)) || !s->image)
    return;
  BITMAP bm;
  if (!GetObject(static_cast<HGDIOBJ>(s->image), sizeof(bm), &bm)) return;
  SetWindowPos(hwnd, nullptr, 0, 0, bm.bmWidth, bm.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateForMessage<StaticState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wparam, lparam);
  const DWORD style = Style(hwnd);
  switch (message) {
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_NCHITTEST:
      return (style & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
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
      if (style & SS_NOTIFY) user::NotifyParent(hwnd, wparam ? STN_ENABLE : STN_DISABLE);
      Redraw(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
      if (style & SS_NOTIFY) user::NotifyParent(hwnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (style & SS_NOTIFY) user::NotifyParent(hwnd, STN_DBLCLK);
      return 0;
    case STM_SETIMAGE: {
      const DWORD type = style & SS_TYPEMASK;
      const bool fits = (wparam == IMAGE_BITMAP && type == SS_BITMAP) ||
                        ((wparam == IMAGE_ICON || wparam == IMAGE_CURSOR) && type == SS_ICON);
      if (!fits) return 0;
      HANDLE old = s->image;
      s->image = reinterpret_cast<HANDLE>(lparam);
      FitToImage(hwnd);
      Redraw(hwnd);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE:
      return reinterpret_cast<LRESULT>(s->image);
    case STM_SETICON: {
      if ((style & SS_TYPEMASK) != SS_ICON) return 0;
      HANDLE old = s->image;
      s->image = reinterpret_cast<HANDLE>(wparam);
      Redraw(hwnd);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
      return (style & SS_TYPEMASK) == SS_ICON ? reinterpret_cast<LRESULT>(s->image) : 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace

namespace user {

bool RegisterStaticClass() {
  return RegisterControlClass(WC_STATICA, StaticProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
