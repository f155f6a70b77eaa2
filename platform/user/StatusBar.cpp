#include "platform/user/StatusBar.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"
#include "platform/user/Cursor.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

namespace plat {

namespace {

constexpr int kVertBorder = 2;
constexpr int kBetween = 2;
constexpr int kTextMargin = 3;
constexpr size_t kMaxParts = 256;

struct PartText {
  std::string text;
  UINT type = 0;
  LPARAM data = 0;  // owner-drawn parts keep the caller's value
};

struct StatusState {
  std::vector<int> edges{-1};
  std::vector<PartText> parts{PartText{}};
  PartText simple_part;
  bool simple = false;
  int min_height = 0;
  HFONT font = nullptr;
  COLORREF back = 0xFF000000;  // CLR_DEFAULT
  bool aligning = false;
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

void Redraw(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

int BarHeight(const StatusState* s) {
  return std::max(s->min_height, user::FontLineHeight(s->font) + 2 * kVertBorder + 3);
}

// Keeps the bar along its parent's bottom (CCS_TOP: top) edge at full width.
void AlignToParent(HWND hwnd, StatusState* s) {
  const DWORD style = Style(hwnd);
  HWND parent = GetParent(hwnd);
  if (!parent || s->aligning) return;
  RECT client, me;
  GetClientRect(parent, &client);
  GetWindowRect(hwnd, &me);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&me), 2);
  int height = (style & CCS_NORESIZE) ? me.bottom - me.top : BarHeight(s);
  int x = me.left, y = me.top, width = me.right - me.left;
  if (!(style & CCS_NOPARENTALIGN)) {
    x = 0;
    width = client.right;
    y = (style & CCS_BOTTOM) == CCS_TOP ? 0 : client.bottom - height;
  }
  s->aligning = true;
  MoveWindow(hwnd, x, y, width, height, TRUE);
  s->aligning = false;
}

RECT PartRect(HWND hwnd, const StatusState* s, size_t index) {
  RECT client;
  GetClientRect(hwnd, &client);
  const int previous = index == 0 ? 0 : s->edges[index - 1];
  const int left = previous < 0 ? client.right : std::min<int>(previous, client.right);
  const bool to_end = s->edges[index] < 0 || s->edges[index] > client.right;
  const int right = to_end ? client.right : s->edges[index] - kBetween;
  return RECT{left, kVertBorder, std::max(left, right), client.bottom};
}

RECT SimpleRect(HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  client.top = kVertBorder;
  return client;
}

RECT GripRect(HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  const int size = GetSystemMetrics(SM_CXVSCROLL);
  return RECT{client.right - size, client.bottom - size, client.right, client.bottom};
}

// The grip only sizes a parent that can be sized and is not maximized.
bool GripActive(HWND hwnd) {
  if (!(Style(hwnd) & SBARS_SIZEGRIP)) return false;
  HWND parent = GetParent(hwnd);
  return parent && (GetWindowLongA(parent, GWL_STYLE) & WS_THICKFRAME) && !IsZoomed(parent);
}

void DrawPart(HWND hwnd, HDC hdc, const PartText& part, RECT r, UINT id) {
  if (!(part.type & SBT_NOBORDERS)) {
    RECT edge = r;
    DrawEdge(hdc, &edge, (part.type & SBT_POPOUT) ? BDR_RAISEDOUTER : BDR_SUNKENOUTER, BF_RECT);
  }
  InflateRect(&r, -1, -1);
  if (part.type & SBT_OWNERDRAW) {
    // Status bar parts carry no control type.
    user::SendDrawItem(hwnd, 0, id, 0, hdc, r, static_cast<ULONG_PTR>(part.data));
    return;
  }
  // Tabs split the text into left, centred and right-aligned pieces.
  RECT text = r;
  InflateRect(&text, -kTextMargin, 0);
  static constexpr UINT kAlign[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
  size_t start = 0;
  for (int piece = 0; piece < 3 && start <= part.text.size(); ++piece) {
    size_t end = (part.type & SBT_NOTABPARSING) ? std::string::npos : part.text.find('\t', start);
    if (piece == 2) end = std::string::npos;
    const std::string chunk =
        part.text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!chunk.empty()) {
      RECT box = text;
      DrawTextA(hdc, chunk.c_str(), static_cast<int>(chunk.size()), &box,
                kAlign[piece] | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

void DrawGrip(HDC hdc, const RECT& grip) {
  HBRUSH light = GetSysColorBrush(COLOR_3DHIGHLIGHT);
  HBRUSH dark = GetSysColorBrush(COLOR_3DSHADOW);
  // Three diagonal ridges towards the corner.
  for (int ridge = 0; ridge < 3; ++ridge) {
    const int offset = 3 + ridge * 4;
    for (int i = 0; i < offset; ++i) {
      const int x = grip.right - offset + i;
      const int y = grip.bottom - 1 - i;
      RECT d{x, y, x + 1, y + 1};
      RECT l{x - 1, y, x, y + 1};
      FillRect(hdc, &d, dark);
      FillRect(hdc, &l, light);
    }
  }
}

void Paint(HWND hwnd, StatusState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  if (s->back == 0xFF000000) {
    FillRect(hdc, &client, GetSysColorBrush(COLOR_3DFACE));
  } else {
    HBRUSH brush = CreateSolidBrush(s->back);
    FillRect(hdc, &client, brush);
    DeleteObject(brush);
  }
  HGDIOBJ old_font = SelectObject(hdc, user::ControlFont(s->font));
  const int old_mode = SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
  if (s->simple) {
    DrawPart(hwnd, hdc, s->simple_part, SimpleRect(hwnd), static_cast<UINT>(SB_SIMPLEID));
  } else {
    for (size_t i = 0; i < s->parts.size(); ++i)
      DrawPart(hwnd, hdc, s->parts[i], PartRect(hwnd, s, i), static_cast<UINT>(i));
  }
  if (Style(hwnd) & SBARS_SIZEGRIP) DrawGrip(hdc, GripRect(hwnd));
  SetBkMode(hdc, old_mode);
  SelectObject(hdc, old_font);
}

PartText* PartOf(StatusState* s, WPARAM index) {
  if (index == SB_SIMPLEID) return &s->simple_part;
  return index < s->parts.size() ? &s->parts[index] : nullptr;
}

LRESULT TextAnswer(const PartText& part) {
  if (part.type & SBT_OWNERDRAW) return part.data;
  return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(part.text.size()), static_cast<WORD>(part.type)));
}

void NotifyMouse(HWND hwnd, StatusState* s, UINT code, LPARAM lparam) {
  NMMOUSE nm;
  nm.pt = POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  nm.dwItemSpec = s->simple ? SB_SIMPLEID : static_cast<DWORD_PTR>(-1);
  if (!s->simple)
    for (size_t i = 0; i < s->parts.size(); ++i) {
      const RECT r = PartRect(hwnd, s, i);
      if (nm.pt.x >= r.left && nm.pt.x < r.right + kBetween) {
        nm.dwItemSpec = i;
        nm.dwItemData = static_cast<DWORD_PTR>(s->parts[i].data);
        break;
      }
    }
  user::SendNotify(hwnd, code, &nm.hdr);
}

LRESULT StatusProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateForMessage<StatusState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_CREATE: {
      const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
      if (cs && cs->lpszName) s->parts[0].text = cs->lpszName;
      AlignToParent(hwnd, s);
      return 0;
    }
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { Paint(hwnd, s, hdc); });
    case WM_SIZE:
      // The parent passes its WM_SIZE on; the bar then follows the parent's edge.
      AlignToParent(hwnd, s);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFONT:
    case WM_GETFONT:
      return user::FontMessage(hwnd, message, wparam, lparam, &s->font);
    case WM_SETTEXT:
      s->parts[0].text = lparam ? reinterpret_cast<const char*>(lparam) : "";
      InvalidateRect(hwnd, nullptr, FALSE);
      return DefWindowProcA(hwnd, message, wparam, lparam);
    case WM_NCHITTEST: {
      POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ScreenToClient(hwnd, &p);
      const RECT grip = GripRect(hwnd);
      if (GripActive(hwnd) && PtInRect(&grip, p)) return HTBOTTOMRIGHT;
      return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    case WM_NCLBUTTONDOWN:
      if (static_cast<LRESULT>(wparam) == HTBOTTOMRIGHT && GetParent(hwnd)) {
        // Sizing through the grip sizes the parent, not the bar.
        SendMessageA(GetParent(hwnd), WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT, lparam);
        return 0;
      }
      return DefWindowProcA(hwnd, message, wparam, lparam);
    case WM_LBUTTONUP:
      NotifyMouse(hwnd, s, NM_CLICK, lparam);
      return 0;
    case WM_LBUTTONDBLCLK:
      NotifyMouse(hwnd, s, NM_DBLCLK, lparam);
      return 0;
    case WM_RBUTTONUP:
      NotifyMouse(hwnd, s, NM_RCLICK, lparam);
      return 0;
    case SB_SETPARTS: {
      const auto* edges = reinterpret_cast<const int*>(lparam);
      if (!edges || wparam == 0 || wparam > kMaxParts) return FALSE;
      s->edges.assign(edges, edges + wparam);
      s->parts.resize(wparam);
      Redraw(hwnd);
      return TRUE;
    }
    case SB_GETPARTS: {
      auto* out = reinterpret_cast<int*>(lparam);
      if (out)
        for (size_t i = 0; i < std::min<size_t>(wparam, s->edges.size()); ++i) out[i] = s->edges[i];
      return static_cast<LRESULT>(s->edges.size());
    }
    case SB_SETTEXTA: {
      const WPARAM index = wparam & 0xFF;
      PartText* part = PartOf(s, index);
      if (!part) return FALSE;
      part->type = static_cast<UINT>(wparam & 0xFF00);
      if (part->type & SBT_OWNERDRAW) {
        part->data = lparam;
        part->text.clear();
      } else {
        part->text = lparam ? reinterpret_cast<const char*>(lparam) : "";
      }
      Redraw(hwnd);
      return TRUE;
    }
    case SB_GETTEXTA: {
      const PartText* part = PartOf(s, wparam & 0xFF);
      if (!part) return 0;
      if (!(part->type & SBT_OWNERDRAW) && lparam) {
        char* out = reinterpret_cast<char*>(lparam);
        std::copy(part->text.begin(), part->text.end(), out);
        out[part->text.size()] = '\0';
      }
      return TextAnswer(*part);
    }
    case SB_GETTEXTLENGTHA: {
      const PartText* part = PartOf(s, wparam & 0xFF);
      if (!part) return 0;
      return static_cast<LRESULT>(
          MAKELONG(static_cast<WORD>(part->text.size()), static_cast<WORD>(part->type)));
    }
    case SB_GETBORDERS: {
      auto* out = reinterpret_cast<int*>(lparam);
      if (!out) return FALSE;
      out[0] = 0;
      out[1] = kVertBorder;
      out[2] = kBetween;
      return TRUE;
    }
    case SB_SETMINHEIGHT:
      s->min_height = static_cast<int>(wparam);
      return 0;
    case SB_SIMPLE: {
      const bool simple = wparam != 0;
      if (simple == s->simple) return 0;
      s->simple = simple;
      Redraw(hwnd);
      NMHDR nm;
      user::SendNotify(hwnd, SBN_SIMPLEMODECHANGE, &nm);
      return 0;
    }
    case SB_ISSIMPLE:
      return s->simple ? TRUE : FALSE;
    case SB_GETRECT: {
      auto* out = reinterpret_cast<RECT*>(lparam);
      if (!out) return FALSE;
      if (wparam == SB_SIMPLEID) {
        *out = SimpleRect(hwnd);
        return TRUE;
      }
      if (wparam >= s->parts.size()) return FALSE;
      *out = PartRect(hwnd, s, wparam);
      return TRUE;
    }
    case SB_SETBKCOLOR: {
      const COLORREF old = s->back;
      s->back = static_cast<COLORREF>(lparam);
      Redraw(hwnd);
      return static_cast<LRESULT>(old);
    }
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace

namespace user {

bool RegisterStatusBarClass() {
  return RegisterControlClass(STATUSCLASSNAMEA, StatusProc,
                              CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
