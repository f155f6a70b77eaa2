#include "platform/user/DateTimePick.h"

#include <cstdio>
#include <string>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

namespace plat {

namespace {

constexpr const char* kCalendarClass = "SysDateTimePickCalendar";
constexpr int kColumns = 7, kRows = 6;

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

bool Leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysIn(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && Leap(year) ? 29 : days[month - 1];
}

// 0 = Sunday.
int DayOfWeek(int year, int month, int day) {
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  return (year + year / 4 - year / 100 + year / 400 + t[month - 1] + day) % 7;
}

bool Valid(const SYSTEMTIME& t) {
  return t.wYear >= 1601 && t.wYear <= 9999 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
         t.wDay <= DaysIn(t.wYear, t.wMonth);
}

struct PickerState {
  SYSTEMTIME date;
  HFONT font = nullptr;
  bool focused = false;
  // Kept while the picker lives; shown while dropped down.
  HWND calendar = nullptr;
  bool dropped = false;
};

struct CalendarState {
  HWND picker = nullptr;
  int year = 0, month = 0;  // the month shown
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

void Redraw(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

RECT ButtonRect(HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  const int a = GetSystemMetrics(SM_CXVSCROLL);
  if (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) return RECT{0, 0, a, client.bottom};
  return RECT{client.right - a, 0, client.right, client.bottom};
}

std::string DateText(HWND hwnd, const SYSTEMTIME& t) {
  char text[64];
  if (Style(hwnd) & DTS_LONGDATEFORMAT)
    std::snprintf(text, sizeof text, "%d %s %d", t.wDay, kMonths[t.wMonth - 1], t.wYear);
  else
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
  return text;
}

void PaintPicker(HWND hwnd, PickerState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  const bool disabled = (Style(hwnd) & WS_DISABLED) != 0;
  FillRect(hdc, &client, user::ControlColors(hwnd, hdc, disabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT));
  RECT button = ButtonRect(hwnd);
  RECT text = client;
  if (button.left == 0)
    text.left = button.right + 2;
  else
    text.right = button.left - 2;
  text.left += 2;
  HGDIOBJ old_font = SelectObject(hdc, user::ControlFont(s->font));
  const int old_mode = SetBkMode(hdc, TRANSPARENT);
  const COLORREF old_colour = SetTextColor(hdc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
  const std::string label = DateText(hwnd, s->date);
  DrawTextA(hdc, label.c_str(), static_cast<int>(label.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SetTextColor(hdc, old_colour);
  SetBkMode(hdc, old_mode);
  SelectObject(hdc, old_font);
  if (s->focused && !s->dropped) DrawFocusRect(hdc, &text);
  FillRect(hdc, &button, GetSysColorBrush(COLOR_3DFACE));
  RECT edge = button;
  if (s->dropped)
    FrameRect(hdc, &edge, GetSysColorBrush(COLOR_3DSHADOW));
  else
    DrawEdge(hdc, &edge, EDGE_RAISED, BF_RECT);
  const int cx = (button.left + button.right) / 2, cy = (button.top + button.bottom) / 2 - 1;
  const COLORREF arrow = GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
  for (int i = 0; i < 4; ++i)
    for (int x = cx - 3 + i; x <= cx + 3 - i; ++x) SetPixelV(hdc, x, cy + i, arrow);
}

void Notify(HWND hwnd, UINT code) {
  NMHDR header{};
  user::SendNotify(hwnd, code, &header);
}

void CloseUp(HWND hwnd, PickerState* s) {
  if (!s->dropped) return;
  s->dropped = false;
  if (GetCapture() == s->calendar) ReleaseCapture();
  ShowWindow(s->calendar, SW_HIDE);
  Notify(hwnd, DTN_CLOSEUP);
  if (IsWindow(hwnd)) Redraw(hwnd);
}

void SetDate(HWND hwnd, PickerState* s, const SYSTEMTIME& t, bool notify) {
  const bool same = t.wYear == s->date.wYear && t.wMonth == s->date.wMonth && t.wDay == s->date.wDay;
  s->date = t;
  s->date.wDayOfWeek = static_cast<WORD>(DayOfWeek(t.wYear, t.wMonth, t.wDay));
  Redraw(hwnd);
  if (same || !notify) return;
  NMDATETIMECHANGE change{};
  change.dwFlags = static_cast<DWORD>(GDT_VALID);
  change.st = s->date;
  user::SendNotify(hwnd, DTN_DATETIMECHANGE, &change.nmhdr);
}

SIZE CalendarSize() {
  return SIZE{kColumns * user::kCalendarCellWidth + 2, (kRows + 1) * user::kCalendarCellHeight + 2};
}

void DropDown(HWND hwnd, PickerState* s) {
  if (s->dropped || !s->calendar) return;
  Notify(hwnd, DTN_DROPDOWN);
  if (!IsWindow(hwnd)) return;
  auto* c = user::StateOf<CalendarState>(s->calendar);
  c->year = s->date.wYear;
  c->month = s->date.wMonth;
  RECT window;
  GetWindowRect(hwnd, &window);
  const SIZE size = CalendarSize();
  SetWindowPos(s->calendar, HWND_TOPMOST, window.left, window.bottom, size.cx, size.cy,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  s->dropped = true;
  SetCapture(s->calendar);
  Redraw(hwnd);
}

LRESULT PickerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateForMessage<PickerState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_CREATE: {
      GetLocalTime(&s->date);
      s->calendar =
          CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kCalendarClass, "", WS_POPUP | WS_BORDER, 0, 0,
                          CalendarSize().cx, CalendarSize().cy, hwnd, nullptr, nullptr, nullptr);
      if (s->calendar) user::StateOf<CalendarState>(s->calendar)->picker = hwnd;
      return s->calendar ? 0 : -1;
    }
    case WM_NCDESTROY: {
      HWND calendar = s->calendar;
      s->calendar = nullptr;
      if (calendar) DestroyWindow(calendar);
      return user::DetachState(hwnd, s, message, wparam, lparam);
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { PaintPicker(hwnd, s, hdc); });
    case WM_SETFONT:
    case WM_GETFONT:
      return user::FontMessage(hwnd, message, wparam, lparam, &s->font);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->focused = message == WM_SETFOCUS;
      if (!s->focused) CloseUp(hwnd, s);
      Redraw(hwnd);
      return 0;
    case WM_ENABLE:
      if (!wparam) CloseUp(hwnd, s);
      Redraw(hwnd);
      return 0;
    case WM_LBUTTONDOWN: {
      SetFocus(hwnd);
      const RECT button = ButtonRect(hwnd);
      if (s->dropped)
        CloseUp(hwnd, s);
      else if (PtInRect(&button, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}))
        DropDown(hwnd, s);
      return 0;
    }
    case WM_KEYDOWN:
      if (wparam == VK_F4) {
        if (s->dropped)
          CloseUp(hwnd, s);
        else
          DropDown(hwnd, s);
      } else if (wparam == VK_ESCAPE || wparam == VK_RETURN) {
        CloseUp(hwnd, s);
      }
      return 0;
    case DTM_GETSYSTEMTIME:
      if (!lparam) return GDT_ERROR;
      *reinterpret_cast<SYSTEMTIME*>(lparam) = s->date;
      return GDT_VALID;
    case DTM_SETSYSTEMTIME: {
      const auto* t = reinterpret_cast<const SYSTEMTIME*>(lparam);
      if (static_cast<LRESULT>(wparam) != GDT_VALID || !t || !Valid(*t)) return FALSE;
      SetDate(hwnd, s, *t, false);
      return TRUE;
    }
    case DTM_GETMONTHCAL:
      return s->dropped ? reinterpret_cast<LRESULT>(s->calendar) : 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

// ---- the dropped calendar ------------------------------------------------------

RECT CellRect(int row, int column) {
  const int w = user::kCalendarCellWidth, h = user::kCalendarCellHeight;
  return RECT{column * w, (row + 1) * h, (column + 1) * w, (row + 2) * h};
}

// The day of the shown month in a cell, or 0.
int DayAt(const CalendarState* c, int row, int column) {
  const int day = row * kColumns + column - DayOfWeek(c->year, c->month, 1) + 1;
  return day >= 1 && day <= DaysIn(c->year, c->month) ? day : 0;
}

void PaintCalendar(HWND hwnd, CalendarState* c, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(hdc, &client, GetSysColorBrush(COLOR_WINDOW));
  auto* picker = user::StateOf<PickerState>(c->picker);
  HGDIOBJ old_font = SelectObject(hdc, user::ControlFont(picker ? picker->font : nullptr));
  const int old_mode = SetBkMode(hdc, TRANSPARENT);
  const int h = user::kCalendarCellHeight;
  char title[48];
  std::snprintf(title, sizeof title, "<   %s %d   >", kMonths[c->month - 1], c->year);
  RECT top{0, 0, client.right, h};
  FillRect(hdc, &top, GetSysColorBrush(COLOR_3DFACE));
  DrawTextA(hdc, title, -1, &top, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      const int day = DayAt(c, row, column);
      if (!day) continue;
      RECT cell = CellRect(row, column);
      const bool chosen = picker && picker->date.wYear == c->year && picker->date.wMonth == c->month &&
                          picker->date.wDay == day;
      if (chosen) FillRect(hdc, &cell, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(hdc, GetSysColor(chosen ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      const std::string number = std::to_string(day);
      DrawTextA(hdc, number.c_str(), -1, &cell, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
    }
  }
  SetBkMode(hdc, old_mode);
  SelectObject(hdc, old_font);
}

void StepMonth(CalendarState* c, int by) {
  int index = c->year * 12 + (c->month - 1) + by;
  if (index < 1601 * 12 || index > 9999 * 12 + 11) return;
  c->year = index / 12;
  c->month = index % 12 + 1;
}

void CalendarClick(HWND hwnd, CalendarState* c, POINT p) {
  HWND picker = c->picker;
  auto* s = user::StateOf<PickerState>(picker);
  if (!s) return;
  RECT client;
  GetClientRect(hwnd, &client);
  if (!PtInRect(&client, p)) {
    CloseUp(picker, s);
    return;
  }
  if (p.y < user::kCalendarCellHeight) {
    if (p.x < client.right / 3) StepMonth(c, -1);
    if (p.x >= client.right * 2 / 3) StepMonth(c, 1);
    Redraw(hwnd);
    return;
  }
  const int row = p.y / user::kCalendarCellHeight - 1, column = p.x / user::kCalendarCellWidth;
  const int day = row < kRows && column < kColumns ? DayAt(c, row, column) : 0;
  if (!day) return;
  SYSTEMTIME t = s->date;
  t.wYear = static_cast<WORD>(c->year);
  t.wMonth = static_cast<WORD>(c->month);
  t.wDay = static_cast<WORD>(day);
  CloseUp(picker, s);
  if (IsWindow(picker)) SetDate(picker, s, t, true);
}

LRESULT CalendarProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* c = user::StateForMessage<CalendarState>(hwnd, message);
  if (!c) return DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_NCDESTROY:
      return user::DetachState(hwnd, c, message, wparam, lparam);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { PaintCalendar(hwnd, c, hdc); });
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
      CalendarClick(hwnd, c, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return 0;
    case WM_CAPTURECHANGED:
      // Capture taken elsewhere ends the drop.
      if (reinterpret_cast<HWND>(lparam) != hwnd)
        if (auto* s = user::StateOf<PickerState>(c->picker)) CloseUp(c->picker, s);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace

namespace user {

bool RegisterDateTimePickClass() {
  return RegisterControlClass(DATETIMEPICK_CLASSA, PickerProc, CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS) &&
         RegisterControlClass(kCalendarClass, CalendarProc, CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
