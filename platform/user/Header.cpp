#include "platform/user/Header.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"
#include "platform/user/Cursor.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"

namespace plat {

namespace {

struct Column {
  std::string text;
  int width = 0;
  int fmt = HDF_LEFT | HDF_STRING;
  LPARAM param = 0;
  int image = 0;
  HBITMAP bitmap = nullptr;
};

struct HeaderState {
  std::vector<Column> items;
  std::vector<int> order;  // display position -> item index
  HIMAGELIST images = nullptr;
  HFONT font = nullptr;
  int tracking = -1;  // item whose divider is dragged
  int track_origin = 0;
  int track_start_width = 0;
  int track_width = 0;
  int pressed = -1;  // item pressed as a button
  bool pressed_inside = false;
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

void Redraw(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

RECT ItemRect(HWND hwnd, const HeaderState* s, int index) {
  RECT client;
  GetClientRect(hwnd, &client);
  int x = 0;
  for (int item : s->order) {
    const int width = s->items[static_cast<size_t>(item)].width;
    if (item == index) return RECT{x, 0, x + width, client.bottom};
    x += width;
  }
  return RECT{};
}

// Item under a point and what part of it; the divider belongs to the item on its left.
int HitTest(HWND hwnd, const HeaderState* s, POINT p, UINT* flags) {
  RECT client;
  GetClientRect(hwnd, &client);
  *flags = 0;
  if (p.y < 0) *flags |= HHT_ABOVE;
  if (p.y >= client.bottom) *flags |= HHT_BELOW;
  if (p.x < 0) *flags |= HHT_TOLEFT;
  if (p.x >= client.right) *flags |= HHT_TORIGHT;
  if (*flags) return -1;
  int x = 0;
  for (int item : s->order) {
    const int right = x + s->items[static_cast<size_t>(item)].width;
    // The first pixels of the next item still grab this divider.
    if (p.x >= right - user::kHeaderDividerSlop && p.x < right + user::kHeaderDividerSlop) {
      *flags = HHT_ONDIVIDER;
      return item;
    }
    if (p.x >= x && p.x < right) {
      *flags = HHT_ONHEADER;
      return item;
    }
    x = right;
  }
  *flags = HHT_NOWHERE;
  return -1;
}

LRESULT Notify(HWND hwnd, UINT code, int item, HDITEMA* pitem = nullptr) {
  NMHEADERA nm;
  nm.iItem = item;
  nm.pitem = pitem;
  return user::SendNotify(hwnd, code, &nm.hdr);
}

// Applies a change the parent may refuse; true when it took effect.
bool Change(HWND hwnd, HeaderState* s, int index, const HDITEMA& change) {
  HDITEMA copy = change;
  if (Notify(hwnd, HDN_ITEMCHANGING, index, &copy)) return false;
  Column& c = s->items[static_cast<size_t>(index)];
  if (change.mask & HDI_WIDTH) c.width = std::max(0, change.cxy);
  if (change.mask & HDI_TEXT) c.text = change.pszText ? change.pszText : "";
  if (change.mask & HDI_FORMAT) c.fmt = change.fmt;
  if (change.mask & HDI_LPARAM) c.param = change.lParam;
  if (change.mask & HDI_IMAGE) c.image = change.iImage;
  if (change.mask & HDI_BITMAP) c.bitmap = change.hbm;
  if (change.mask & HDI_ORDER) {
    auto at = std::find(s->order.begin(), s->order.end(), index);
    s->order.erase(at);
    const int pos = std::clamp(change.iOrder, 0, static_cast<int>(s->order.size()));
    s->order.insert(s->order.begin() + pos, index);
  }
  Redraw(hwnd);
  Notify(hwnd, HDN_ITEMCHANGED, index, &copy);
  return true;
}

bool SetWidth(HWND hwnd, HeaderState* s, int index, int width) {
  HDITEMA change;
  change.mask = HDI_WIDTH;
  change.cxy = width;
  return Change(hwnd, s, index, change);
}

void EndTrack(HWND hwnd, HeaderState* s, bool apply) {
  const int item = s->tracking;
  if (item < 0) return;
  s->tracking = -1;
  if (GetCapture() == hwnd) ReleaseCapture();
  HDITEMA info;
  info.mask = HDI_WIDTH;
  info.cxy = apply ? s->track_width : s->track_start_width;
  Notify(hwnd, HDN_ENDTRACK, item, &info);
  if (s->items[static_cast<size_t>(item)].width != info.cxy) SetWidth(hwnd, s, item, info.cxy);
}

// ---- painting ----------------------------------------------------------------

void DrawItem(HWND hwnd, HeaderState* s, HDC hdc, int index, const RECT& r) {
  const Column& c = s->items[static_cast<size_t>(index)];
  const bool pressed = index == s->pressed && s->pressed_inside;
  if (c.fmt & HDF_OWNERDRAW) {
    user::SendDrawItem(hwnd, ODT_HEADER, static_cast<UINT>(index), pressed ? ODS_SELECTED : 0, hdc, r,
                       static_cast<ULONG_PTR>(c.param));
    return;
  }
  RECT face = r;
  FillRect(hdc, &face, GetSysColorBrush(COLOR_3DFACE));
  DrawEdge(hdc, &face, pressed ? BDR_SUNKENOUTER : EDGE_RAISED, BF_RECT | BF_ADJUST);
  RECT text = face;
  InflateRect(&text, -4, 0);
  if (pressed) OffsetRect(&text, 1, 1);
  if (c.fmt & (HDF_SORTUP | HDF_SORTDOWN)) {
    // A small triangle at the right, pointing up or down.
    const int cx = text.right - 5, cy = (text.top + text.bottom) / 2;
    for (int i = 0; i < 4; ++i) {
      const int row = (c.fmt & HDF_SORTUP) ? cy - 2 + i : cy + 1 - i;
      RECT line{cx - i, row, cx + i + 1, row + 1};
      FillRect(hdc, &line, GetSysColorBrush(COLOR_3DSHADOW));
    }
    text.right -= 12;
  }
  static constexpr UINT kAlign[3] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  DrawTextA(hdc, c.text.c_str(), static_cast<int>(c.text.size()), &text,
            kAlign[c.fmt & HDF_JUSTIFYMASK] | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void Paint(HWND hwnd, HeaderState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  HGDIOBJ old_font = SelectObject(hdc, user::ControlFont(s->font));
  const int old_mode = SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  int x = 0;
  for (int item : s->order) {
    const RECT r = ItemRect(hwnd, s, item);
    DrawItem(hwnd, s, hdc, item, r);
    x = r.right;
  }
  RECT rest{x, 0, client.right, client.bottom};
  if (rest.right > rest.left) {
    FillRect(hdc, &rest, GetSysColorBrush(COLOR_3DFACE));
    DrawEdge(hdc, &rest, EDGE_RAISED, BF_RECT);
  }
  SetBkMode(hdc, old_mode);
  SelectObject(hdc, old_font);
}

LRESULT OnSetCursor(HWND hwnd, HeaderState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  POINT p;
  GetCursorPos(&p);
  ScreenToClient(hwnd, &p);
  UINT flags = 0;
  if (s->tracking >= 0 || (HitTest(hwnd, s, p, &flags) >= 0 && flags == HHT_ONDIVIDER)) {
    SetCursor(LoadCursorA(nullptr, IDC_SIZEWE));
    return TRUE;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT OnLButtonDown(HWND hwnd, HeaderState* s, LPARAM lparam) {
  UINT flags = 0;
  const int hit = HitTest(hwnd, s, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}, &flags);
  if (hit < 0) return 0;
  if (flags == HHT_ONDIVIDER) {
    HDITEMA info;
    info.mask = HDI_WIDTH;
    info.cxy = s->items[static_cast<size_t>(hit)].width;
    if (Notify(hwnd, HDN_BEGINTRACK, hit, &info)) return 0;
    s->tracking = hit;
    s->track_origin = GET_X_LPARAM(lparam);
    s->track_start_width = s->track_width = info.cxy;
    SetCapture(hwnd);
    return 0;
  }
  if (Style(hwnd) & HDS_BUTTONS) {
    s->pressed = hit;
    s->pressed_inside = true;
    SetCapture(hwnd);
    Redraw(hwnd);
  }
  return 0;
}

LRESULT OnMouseMove(HWND hwnd, HeaderState* s, LPARAM lparam) {
  const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  if (s->tracking >= 0) {
    const int width = std::max(0, s->track_start_width + p.x - s->track_origin);
    if (width == s->track_width) return 0;
    HDITEMA info;
    info.mask = HDI_WIDTH;
    info.cxy = width;
    if (Notify(hwnd, HDN_TRACK, s->tracking, &info)) {
      EndTrack(hwnd, s, true);
      return 0;
    }
    s->track_width = width;
    if (Style(hwnd) & HDS_FULLDRAG) SetWidth(hwnd, s, s->tracking, width);
    return 0;
  }
  if (s->pressed >= 0) {
    const RECT r = ItemRect(hwnd, s, s->pressed);
    const bool inside = PtInRect(&r, p) != FALSE;
    if (inside != s->pressed_inside) {
      s->pressed_inside = inside;
      Redraw(hwnd);
    }
  }
  return 0;
}

LRESULT OnLButtonUp(HWND hwnd, HeaderState* s) {
  if (s->tracking >= 0) {
    EndTrack(hwnd, s, true);
  } else if (s->pressed >= 0) {
    const int item = s->pressed;
    const bool inside = s->pressed_inside;
    s->pressed = -1;
    if (GetCapture() == hwnd) ReleaseCapture();
    Redraw(hwnd);
    if (inside) Notify(hwnd, HDN_ITEMCLICK, item);
  }
  return 0;
}

LRESULT OnDoubleClick(HWND hwnd, HeaderState* s, LPARAM lparam) {
  UINT flags = 0;
  const int hit = HitTest(hwnd, s, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}, &flags);
  if (hit >= 0) Notify(hwnd, flags == HHT_ONDIVIDER ? HDN_DIVIDERDBLCLICK : HDN_ITEMDBLCLICK, hit);
  return 0;
}

LRESULT OnCaptureChanged(HWND hwnd, HeaderState* s, LPARAM lparam) {
  if (reinterpret_cast<HWND>(lparam) != hwnd) {
    EndTrack(hwnd, s, false);
    s->pressed = -1;
  }
  return 0;
}

LRESULT OnKeyDown(HWND hwnd, HeaderState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  if (wparam == static_cast<WPARAM>(VK_ESCAPE) && s->tracking >= 0) {
    EndTrack(hwnd, s, false);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT OnInsertItem(HWND hwnd, HeaderState* s, int index, int count, LPARAM lparam) {
  const auto* item = reinterpret_cast<const HDITEMA*>(lparam);
  if (!item || index < 0) return -1;
  const int at = std::min(index, count);
  Column c;
  if (item->mask & HDI_WIDTH) c.width = std::max(0, item->cxy);
  if (item->mask & HDI_TEXT) c.text = item->pszText ? item->pszText : "";
  if (item->mask & HDI_FORMAT) c.fmt = item->fmt;
  if (item->mask & HDI_LPARAM) c.param = item->lParam;
  if (item->mask & HDI_IMAGE) c.image = item->iImage;
  if (item->mask & HDI_BITMAP) c.bitmap = item->hbm;
  s->items.insert(s->items.begin() + at, c);
  for (int& o : s->order)
    if (o >= at) ++o;
  const int pos = (item->mask & HDI_ORDER) ? std::clamp(item->iOrder, 0, count) : at;
  s->order.insert(s->order.begin() + std::min(pos, static_cast<int>(s->order.size())), at);
  Redraw(hwnd);
  return at;
}

LRESULT OnDeleteItem(HWND hwnd, HeaderState* s, int index, int count) {
  if (index < 0 || index >= count) return FALSE;
  s->items.erase(s->items.begin() + index);
  s->order.erase(std::find(s->order.begin(), s->order.end(), index));
  for (int& o : s->order)
    if (o > index) --o;
  Redraw(hwnd);
  return TRUE;
}

LRESULT OnGetItem(HeaderState* s, int index, int count, LPARAM lparam) {
  auto* item = reinterpret_cast<HDITEMA*>(lparam);
  if (!item || index < 0 || index >= count) return FALSE;
  const Column& c = s->items[static_cast<size_t>(index)];
  if (item->mask & HDI_WIDTH) item->cxy = c.width;
  if (item->mask & HDI_TEXT) user::CopyText(c.text, item->pszText, item->cchTextMax);
  if (item->mask & HDI_FORMAT) item->fmt = c.fmt;
  if (item->mask & HDI_LPARAM) item->lParam = c.param;
  if (item->mask & HDI_IMAGE) item->iImage = c.image;
  if (item->mask & HDI_BITMAP) item->hbm = c.bitmap;
  if (item->mask & HDI_ORDER)
    item->iOrder = static_cast<int>(std::find(s->order.begin(), s->order.end(), index) - s->order.begin());
  return TRUE;
}

LRESULT OnSetItem(HWND hwnd, HeaderState* s, int index, int count, LPARAM lparam) {
  const auto* item = reinterpret_cast<const HDITEMA*>(lparam);
  if (!item || index < 0 || index >= count) return FALSE;
  return Change(hwnd, s, index, *item) ? TRUE : FALSE;
}

LRESULT OnLayout(HWND hwnd, HeaderState* s, LPARAM lparam) {
  auto* layout = reinterpret_cast<HDLAYOUT*>(lparam);
  if (!layout || !layout->prc || !layout->pwpos) return FALSE;
  const int height = (Style(hwnd) & HDS_HIDDEN) ? 0 : user::FontLineHeight(s->font) + 6;
  *layout->pwpos = WINDOWPOS{
      hwnd, nullptr, layout->prc->left, layout->prc->top, layout->prc->right - layout->prc->left, height, 0};
  layout->prc->top += height;
  return TRUE;
}

LRESULT OnHitTest(HWND hwnd, HeaderState* s, LPARAM lparam) {
  auto* info = reinterpret_cast<HDHITTESTINFO*>(lparam);
  if (!info) return -1;
  info->iItem = HitTest(hwnd, s, info->pt, &info->flags);
  return info->iItem;
}

LRESULT OnGetItemRect(HWND hwnd, HeaderState* s, int index, int count, LPARAM lparam) {
  auto* out = reinterpret_cast<RECT*>(lparam);
  if (!out || index < 0 || index >= count) return FALSE;
  *out = ItemRect(hwnd, s, index);
  return TRUE;
}

LRESULT OnSetImageList(HeaderState* s, LPARAM lparam) {
  HIMAGELIST old = s->images;
  s->images = reinterpret_cast<HIMAGELIST>(lparam);
  return reinterpret_cast<LRESULT>(old);
}

LRESULT OnGetOrderArray(HeaderState* s, int index, int count, LPARAM lparam) {
  auto* out = reinterpret_cast<int*>(lparam);
  if (!out || index != count) return FALSE;
  std::copy(s->order.begin(), s->order.end(), out);
  return TRUE;
}

LRESULT OnSetOrderArray(HWND hwnd, HeaderState* s, int index, int count, LPARAM lparam) {
  const auto* in = reinterpret_cast<const int*>(lparam);
  if (!in || index != count) return FALSE;
  std::vector<int> order(in, in + count);
  std::vector<int> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < count; ++i)
    if (sorted[static_cast<size_t>(i)] != i) return FALSE;
  s->order = order;
  Redraw(hwnd);
  return TRUE;
}

// The header's own messages.
LRESULT HeaderMessage(HWND hwnd, HeaderState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  const int count = static_cast<int>(s->items.size());
  const int index = static_cast<int>(wparam);
  switch (message) {
    case HDM_GETITEMCOUNT:
      return count;
    case HDM_INSERTITEMA:
      return OnInsertItem(hwnd, s, index, count, lparam);
    case HDM_DELETEITEM:
      return OnDeleteItem(hwnd, s, index, count);
    case HDM_GETITEMA:
      return OnGetItem(s, index, count, lparam);
    case HDM_SETITEMA:
      return OnSetItem(hwnd, s, index, count, lparam);
    case HDM_LAYOUT:
      return OnLayout(hwnd, s, lparam);
    case HDM_HITTEST:
      return OnHitTest(hwnd, s, lparam);
    case HDM_GETITEMRECT:
      return OnGetItemRect(hwnd, s, index, count, lparam);
    case HDM_SETIMAGELIST:
      return OnSetImageList(s, lparam);
    case HDM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(s->images);
    case HDM_ORDERTOINDEX:
      return index >= 0 && index < count ? s->order[static_cast<size_t>(index)] : index;
    case HDM_GETORDERARRAY:
      return OnGetOrderArray(s, index, count, lparam);
    case HDM_SETORDERARRAY:
      return OnSetOrderArray(hwnd, s, index, count, lparam);
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

LRESULT HeaderProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateForMessage<HeaderState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { Paint(hwnd, s, hdc); });
    case WM_SETFONT:
    case WM_GETFONT:
      return user::FontMessage(hwnd, message, wparam, lparam, &s->font);
    case WM_SETCURSOR:
      return OnSetCursor(hwnd, s, message, wparam, lparam);
    case WM_LBUTTONDOWN:
      return OnLButtonDown(hwnd, s, lparam);
    case WM_MOUSEMOVE:
      return OnMouseMove(hwnd, s, lparam);
    case WM_LBUTTONUP:
      return OnLButtonUp(hwnd, s);
    case WM_LBUTTONDBLCLK:
      return OnDoubleClick(hwnd, s, lparam);
    case WM_CAPTURECHANGED:
      return OnCaptureChanged(hwnd, s, lparam);
    case WM_KEYDOWN:
      return OnKeyDown(hwnd, s, message, wparam, lparam);
    default:
      return HeaderMessage(hwnd, s, message, wparam, lparam);
  }
}

}  // namespace

namespace user {

bool RegisterHeaderClass() {
  return RegisterControlClass(WC_HEADERA, HeaderProc, CS_DBLCLKS | CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
