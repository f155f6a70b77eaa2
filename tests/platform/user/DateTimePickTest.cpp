#include <gtest/gtest.h>

#include <vector>

#include "ControlTestSupport.h"
#include "platform/user/DateTimePick.h"
#include "platform/user/Focus.h"
#include "platform/user/Screen.h"

using namespace plat;

namespace {

SYSTEMTIME Day(int year, int month, int day) {
  SYSTEMTIME t;
  t.wYear = static_cast<WORD>(year);
  t.wMonth = static_cast<WORD>(month);
  t.wDay = static_cast<WORD>(day);
  return t;
}

class DateTimePick : public usertest::ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    on_parent_ = [this](UINT message, WPARAM, LPARAM lparam, LRESULT*) {
      if (message != WM_NOTIFY) return false;
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      codes_.push_back(header->code);
      if (header->code == DTN_DATETIMECHANGE)
        changed_ = reinterpret_cast<const NMDATETIMECHANGE*>(lparam)->st;
      return false;
    };
  }
  // 120 x 21 with a 2-pixel edge: client 116 x 17, the button at x 100..115.
  HWND Make(DWORD ex_style = 0) {
    HWND hwnd = CreateWindowExA(WS_EX_CLIENTEDGE | ex_style, DATETIMEPICK_CLASSA, "", WS_CHILD | WS_VISIBLE,
                                10, 10, 120, 21, parent_, nullptr, nullptr, nullptr);
    EXPECT_NE(hwnd, nullptr);
    const SYSTEMTIME may = Day(2026, 5, 14);
    SendMessageA(hwnd, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&may));
    return hwnd;
  }
  static SYSTEMTIME Date(HWND picker) {
    SYSTEMTIME t;
    EXPECT_EQ(SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t)), GDT_VALID);
    return t;
  }
  static HWND Calendar(HWND picker) {
    return reinterpret_cast<HWND>(SendMessageA(picker, DTM_GETMONTHCAL, 0, 0));
  }
  // The calendar cell of a day of May 2026 (the 1st is a Friday).
  static LPARAM CellOfMay(int day) {
    const int index = day - 1 + 5;
    return At((index % 7) * user::kCalendarCellWidth + 5, (index / 7 + 1) * user::kCalendarCellHeight + 5);
  }

  std::vector<UINT> codes_;
  SYSTEMTIME changed_;
};

TEST_F(DateTimePick, KeepsOnlyDatesThatExist) {
  HWND picker = Make();
  struct Case {
    SYSTEMTIME date;
    bool taken;
  } cases[] = {
      {Day(2024, 2, 29), true},  {Day(2026, 2, 29), false}, {Day(2026, 13, 1), false},
      {Day(2026, 4, 31), false}, {Day(1500, 1, 1), false},  {Day(2026, 12, 31), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.date.wYear << "-" << c.date.wMonth << "-" << c.date.wDay);
    const SYSTEMTIME before = Date(picker);
    EXPECT_EQ(SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&c.date)),
              c.taken ? TRUE : FALSE);
    const SYSTEMTIME now = Date(picker);
    const SYSTEMTIME& expected = c.taken ? c.date : before;
    EXPECT_EQ(now.wYear, expected.wYear);
    EXPECT_EQ(now.wMonth, expected.wMonth);
    EXPECT_EQ(now.wDay, expected.wDay);
  }
  EXPECT_EQ(Date(picker).wDayOfWeek, 4) << "31 December 2026 is a Thursday";
  EXPECT_TRUE(codes_.empty()) << "setting from code tells the parent nothing";
}

TEST_F(DateTimePick, ButtonDropsTheCalendarAndADayClickedThereIsTaken) {
  struct Case {
    const char* what;
    DWORD ex_style;
    int button_x, text_x;
  } cases[] = {
      {"button at the right", 0, 108, 10},
      {"button at the left", WS_EX_LEFTSCROLLBAR, 8, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    codes_.clear();
    HWND picker = Make(c.ex_style);
    Click(picker, c.text_x, 8);
    EXPECT_EQ(Calendar(picker), nullptr) << "the text does not drop it";
    SendMessageA(picker, WM_LBUTTONDOWN, MK_LBUTTON, At(c.button_x, 8));
    HWND calendar = Calendar(picker);
    ASSERT_NE(calendar, nullptr);
    EXPECT_TRUE(IsWindowVisible(calendar));
    EXPECT_EQ(GetCapture(), calendar);
    RECT window, below;
    GetWindowRect(picker, &window);
    GetWindowRect(calendar, &below);
    EXPECT_EQ(below.top, window.bottom);
    EXPECT_EQ(below.left, window.left);
    EXPECT_EQ(codes_, std::vector<UINT>{DTN_DROPDOWN});

    SendMessageA(calendar, WM_LBUTTONDOWN, MK_LBUTTON, CellOfMay(20));
    EXPECT_EQ(Calendar(picker), nullptr);
    EXPECT_FALSE(IsWindowVisible(calendar));
    EXPECT_NE(GetCapture(), calendar);
    EXPECT_EQ(Date(picker).wDay, 20);
    EXPECT_EQ(changed_.wDay, 20);
    EXPECT_EQ(codes_, (std::vector<UINT>{DTN_DROPDOWN, DTN_CLOSEUP, DTN_DATETIMECHANGE}));
    DestroyWindow(picker);
  }
}

TEST_F(DateTimePick, ClosingWithoutADayKeepsTheDate) {
  HWND picker = Make();
  struct Case {
    const char* what;
    void (*close)(HWND picker, HWND calendar);
  } cases[] = {
      {"a click outside", [](HWND, HWND calendar) { Click(calendar, -20, -20); }},
      {"escape", [](HWND picker, HWND) { Key(picker, VK_ESCAPE); }},
      {"the focus elsewhere", [](HWND, HWND) { SetFocus(nullptr); }},
      {"capture taken", [](HWND, HWND) { ReleaseCapture(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetFocus(picker);
    codes_.clear();
    Key(picker, VK_F4);
    HWND calendar = Calendar(picker);
    ASSERT_NE(calendar, nullptr);
    // A month on: the title's arrow moves the shown month, not the date.
    Click(calendar, 3 * user::kCalendarCellWidth * 7 / 4, 5);
    c.close(picker, calendar);
    EXPECT_EQ(Calendar(picker), nullptr);
    EXPECT_EQ(Date(picker).wMonth, 5);
    EXPECT_EQ(Date(picker).wDay, 14);
    EXPECT_EQ(codes_, (std::vector<UINT>{DTN_DROPDOWN, DTN_CLOSEUP}));
  }
  // Freed while dropped: the calendar goes with it.
  Key(picker, VK_F4);
  HWND calendar = Calendar(picker);
  ASSERT_NE(calendar, nullptr);
  DestroyWindow(picker);
  EXPECT_FALSE(IsWindow(calendar));
}

TEST_F(DateTimePick, PaintsTheButtonWhereItIsPressed) {
  HWND right = Make();
  Snapshot shot(right);
  const COLORREF face = GetSysColor(COLOR_3DFACE);
  EXPECT_EQ(shot.At(102, 3), face);
  EXPECT_NE(shot.At(50, 3), face);
}

}  // namespace
