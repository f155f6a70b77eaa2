#pragma once
// The date-time picker ("SysDateTimePick32"): a date shown as text with a
// drop-down button at the right end of the client (at the left under
// WS_EX_LEFTSCROLLBAR). A press on the button, or F4, drops a month
// calendar down; a day clicked there becomes the date, a click elsewhere or
// Escape closes it unchanged. The parent hears of it through WM_NOTIFY:
// DTN_DROPDOWN, DTN_DATETIMECHANGE (a NMDATETIMECHANGE) and DTN_CLOSEUP.
#include "platform/kernel/LocalTime.h"
#include "platform/kernel/Types.h"
#include "platform/user/CommCtrl.h"

namespace plat {

inline constexpr const char* DATETIMEPICK_CLASSA = "SysDateTimePick32";

constexpr DWORD DTS_SHORTDATEFORMAT = 0x0000;
constexpr DWORD DTS_LONGDATEFORMAT = 0x0004;

constexpr UINT DTM_FIRST = 0x1000;
// lParam SYSTEMTIME*; answers GDT_VALID.
constexpr UINT DTM_GETSYSTEMTIME = DTM_FIRST + 1;
// wParam GDT_VALID, lParam SYSTEMTIME*; FALSE for a date that does not exist.
constexpr UINT DTM_SETSYSTEMTIME = DTM_FIRST + 2;
// The calendar window while it is dropped down, else 0.
constexpr UINT DTM_GETMONTHCAL = DTM_FIRST + 8;

constexpr LRESULT GDT_ERROR = -1;
constexpr LRESULT GDT_VALID = 0;

constexpr UINT DTN_FIRST2 = 0U - 753U;
constexpr UINT DTN_CLOSEUP = DTN_FIRST2;
constexpr UINT DTN_DROPDOWN = DTN_FIRST2 - 1;
constexpr UINT DTN_DATETIMECHANGE = DTN_FIRST2 - 6;

struct NMDATETIMECHANGE {
  NMHDR nmhdr;
  DWORD dwFlags = 0;  // GDT_VALID
  SYSTEMTIME st;
};

}  // namespace plat

namespace plat::user {

// The calendar's geometry in its client: a title row with the month and the
// arrows to the months before and after, then six rows of seven days from
// Sunday.
constexpr int kCalendarCellWidth = 20;
constexpr int kCalendarCellHeight = 16;

bool RegisterDateTimePickClass();

}  // namespace plat::user
