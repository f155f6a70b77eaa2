#include "platform/user/MenuPopup.h"

#include <algorithm>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Text.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/MenuTracking.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/WindowRecord.h"

namespace plat::menu {

namespace {

constexpr int kSeparatorHeight = 8;
constexpr int kCheckColumn = 18;
constexpr int kArrowColumn = 14;

}  // namespace

HFONT MenuFont(bool bold) {
  static HFONT normal = nullptr;
  static HFONT heavy = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    NONCLIENTMETRICSA metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    normal = CreateFontIndirectA(&metrics.lfMenuFont);
    LOGFONTA lf = metrics.lfMenuFont;
    lf.lfWeight = FW_BOLD;
    heavy = CreateFontIndirectA(&lf);
  });
  return bold ? heavy : normal;
}

void SplitText(const std::string& text, std::string* caption, std::string* accel) {
  const size_t tab = text.find('\t');
  *caption = text.substr(0, tab);
  *accel = tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

SIZE TextSize(HDC dc, const std::string& text) {
  RECT r{0, 0, 0, 0};
  DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &r, DT_SINGLELINE | DT_CALCRECT);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

SIZE LayoutPopup(HMENU menu, HWND owner) {
  auto data = Find(menu);
  if (!data) return SIZE{};
  HDC dc = GetDC(nullptr);
  HGDIOBJ old_font = SelectObject(dc, MenuFont(false));
  int width = 80;
  int text_width = 0;
  int accel_width = 0;
  std::vector<int> heights;
  for (Item& item : data->items) {
    int h = GetSystemMetrics(SM_CYMENU);
    if (item.type & MFT_SEPARATOR) {
      h = kSeparatorHeight;
    } else if (item.type & MFT_OWNERDRAW) {
      MEASUREITEMSTRUCT mis;
      mis.CtlType = ODT_MENU;
      mis.itemID = item.sub ? 0 : item.id;
      mis.itemData = item.data;
      mis.itemHeight = static_cast<UINT>(h);
      if (IsWindow(owner)) SendMessageA(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
      h = static_cast<int>(mis.itemHeight);
      width = std::max(width, static_cast<int>(mis.itemWidth) + kCheckColumn + kArrowColumn);
    } else {
      std::string caption, accel;
      SplitText(item.text, &caption, &accel);
      SelectObject(dc, MenuFont((item.state & MFS_DEFAULT) != 0));
      text_width = std::max(text_width, static_cast<int>(TextSize(dc, caption).cx));
      if (!accel.empty()) accel_width = std::max(accel_width, static_cast<int>(TextSize(dc, accel).cx));
    }
    heights.push_back(h);
  }
  SelectObject(dc, old_font);
  ReleaseDC(nullptr, dc);
  width = std::max(width, kCheckColumn + text_width + (accel_width ? accel_width + 16 : 0) + kArrowColumn);
  // Items are in client coordinates; the frame is the window's non-client area.
  int y = 0;
  for (size_t i = 0; i < data->items.size(); ++i) {
    data->items[i].rect = RECT{0, y, width, y + heights[i]};
    y += heights[i];
  }
  return SIZE{width + 2 * kPopupBorder, y + 2 * kPopupBorder};
}

namespace {

void DrawCheck(HDC dc, const RECT& box, bool radio, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  const int cx = (box.left + box.right) / 2;
  const int cy = (box.top + box.bottom) / 2;
  if (radio) {
    Ellipse(dc, cx - 3, cy - 3, cx + 4, cy + 4);
  } else {
    for (int d = 0; d < 3; ++d) {
      MoveToEx(dc, cx - 4, cy - 1 + d, nullptr);
      LineTo(dc, cx - 2, cy + 1 + d);
      LineTo(dc, cx + 4, cy - 5 + d);
    }
  }
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(brush);
  DeleteObject(pen);
}

// The submenu arrow at the right end of an item.
void DrawSubmenuArrow(HDC dc, const RECT& r, COLORREF color) {
  const int cx = r.right - kArrowColumn / 2 - 2;
  const int cy = (r.top + r.bottom) / 2;
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  for (int d = 0; d < 4; ++d) {
    MoveToEx(dc, cx + d, cy - 3 + d, nullptr);
    LineTo(dc, cx + d, cy + 4 - d);
  }
  SelectObject(dc, old_pen);
  DeleteObject(pen);
}

}  // namespace

void DrawItem(HDC dc, HMENU menu, const Item& item, bool selected, HWND owner, bool bar) {
  RECT r = item.rect;
  if (item.type & MFT_OWNERDRAW) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_MENU;
    dis.itemID = item.sub ? 0 : item.id;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (selected ? ODS_SELECTED : 0) | ((item.state & MF_GRAYED) ? ODS_GRAYED : 0) |
                    ((item.state & MF_DISABLED) ? ODS_DISABLED : 0) |
                    ((item.state & MF_CHECKED) ? ODS_CHECKED : 0) |
                    ((item.state & MFS_DEFAULT) ? ODS_DEFAULT : 0);
    dis.hwndItem = reinterpret_cast<HWND>(menu);
    dis.hDC = dc;
    dis.rcItem = r;
    dis.itemData = item.data;
    if (IsWindow(owner)) SendMessageA(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    // The owner draws the item; the arrow of a submenu is still the menu's.
    if (item.sub && !bar)
      DrawSubmenuArrow(dc, r,
                       GetSysColor(!Enabled(item) ? COLOR_GRAYTEXT
                                   : selected     ? COLOR_HIGHLIGHTTEXT
                                                  : COLOR_MENUTEXT));
    return;
  }
  FillRect(
      dc, &r,
      GetSysColorBrush(selected && Enabled(item) ? COLOR_HIGHLIGHT : (bar ? COLOR_MENUBAR : COLOR_MENU)));
  if (selected && !Enabled(item)) {
    HBRUSH frame = GetSysColorBrush(COLOR_HIGHLIGHT);
    FrameRect(dc, &r, frame);
  }
  if (item.type & MFT_SEPARATOR) {
    RECT line{r.left + 1, (r.top + r.bottom) / 2 - 1, r.right - 1, (r.top + r.bottom) / 2 + 1};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  const COLORREF text_color = !Enabled(item) ? GetSysColor(COLOR_GRAYTEXT)
                              : selected     ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                             : GetSysColor(COLOR_MENUTEXT);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, text_color);
  HGDIOBJ old_font = SelectObject(dc, MenuFont((item.state & MFS_DEFAULT) != 0));
  std::string caption, accel;
  SplitText(item.text, &caption, &accel);
  if (bar) {
    DrawTextA(dc, caption.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  } else {
    if (item.state & MF_CHECKED)
      DrawCheck(dc, RECT{r.left, r.top, r.left + kCheckColumn, r.bottom}, (item.type & MFT_RADIOCHECK) != 0,
                text_color);
    RECT text_rect{r.left + kCheckColumn, r.top, r.right - kArrowColumn, r.bottom};
    DrawTextA(dc, caption.c_str(), -1, &text_rect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (!accel.empty())
      DrawTextA(dc, accel.c_str(), -1, &text_rect, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    if (item.sub) DrawSubmenuArrow(dc, r, text_color);
  }
  SelectObject(dc, old_font);
}

namespace {

void PaintItems(HWND hwnd, HDC dc) {
  HMENU menu = reinterpret_cast<HMENU>(SendMessageA(hwnd, MN_GETHMENU, 0, 0));
  auto data = Find(menu);
  if (!data) return;
  const std::vector<Item> items = data->items;
  const int selected = SelectedIn(menu);
  for (size_t i = 0; i < items.size(); ++i)
    DrawItem(dc, menu, items[i], static_cast<int>(i) == selected, OwnerOfTracking(), false);
}

LRESULT PopupProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
      SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    case MN_GETHMENU:
      return GetWindowLongPtrA(hwnd, 0);
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCCALCSIZE: {
      // A 3-pixel frame all round; the first rectangle is the window's, then the client's.
      auto* r = reinterpret_cast<RECT*>(lparam);
      r->left += kPopupBorder;
      r->top += kPopupBorder;
      r->right = std::max(r->left, r->right - kPopupBorder);
      r->bottom = std::max(r->top, r->bottom - kPopupBorder);
      return 0;
    }
    case WM_NCPAINT: {
      HDC dc = GetWindowDC(hwnd);
      RECT window;
      GetWindowRect(hwnd, &window);
      RECT frame{0, 0, window.right - window.left, window.bottom - window.top};
      ExcludeClipRect(dc, kPopupBorder, kPopupBorder, frame.right - kPopupBorder,
                      frame.bottom - kPopupBorder);
      DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT | BF_ADJUST);
      FrameRect(dc, &frame, GetSysColorBrush(COLOR_MENU));
      ReleaseDC(hwnd, dc);
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, GetSysColorBrush(COLOR_MENU));
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintItems(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, GetSysColorBrush(COLOR_MENU));
      PaintItems(hwnd, reinterpret_cast<HDC>(wparam));
      return 0;
    }
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace

void RegisterPopupClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSA wc;
    wc.style = CS_SAVEBITS | CS_DBLCLKS;
    wc.lpfnWndProc = PopupProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.lpszClassName = user::kPopupMenuClass;
    RegisterClassA(&wc);
  });
}

}  // namespace plat::menu
