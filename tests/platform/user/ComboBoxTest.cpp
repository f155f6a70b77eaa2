#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "ControlTestSupport.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/user/ComboBox.h"
#include "platform/user/Edit.h"
#include "platform/user/Focus.h"
#include "platform/user/ListBox.h"
#include "platform/user/NonClient.h"
#include "platform/user/Screen.h"

using namespace plat;

namespace {

class ComboBox : public usertest::ControlTest {
 protected:
  HWND Combo(DWORD kind, int items = 5) {
    HWND combo = Child(WC_COMBOBOXA, "", kind | WS_VSCROLL, 20, 20, 150, 200, 41);
    for (int i = 0; i < items; ++i) {
      const std::string text = "choice " + std::to_string(i);
      SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    notices_.clear();
    return combo;
  }
  std::vector<WORD> Codes() const {
    std::vector<WORD> codes;
    for (const auto& n : Commands()) codes.push_back(n.code);
    return codes;
  }
  static COMBOBOXINFO Info(HWND combo) {
    COMBOBOXINFO info;
    EXPECT_TRUE(GetComboBoxInfo(combo, &info));
    return info;
  }
  static std::string Text(HWND hwnd) {
    char buffer[64] = {};
    GetWindowTextA(hwnd, buffer, sizeof(buffer));
    return buffer;
  }
};

TEST_F(ComboBox, DropDownListPicksWithTheMouseAndNotifiesInOrder) {
  HWND combo = Combo(CBS_DROPDOWNLIST);
  SendMessageA(combo, CB_SETCURSEL, 1, 0);
  EXPECT_TRUE(Commands().empty());
  RECT window;
  GetWindowRect(combo, &window);
  EXPECT_LT(window.bottom - window.top, 40) << "the combo box keeps only its field's height";
  SendMessageA(combo, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 5));
  ASSERT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  const COMBOBOXINFO info = Info(combo);
  EXPECT_TRUE(IsWindowVisible(info.hwndList));
  EXPECT_EQ(GetCapture(), info.hwndList);
  RECT list;
  GetWindowRect(info.hwndList, &list);
  EXPECT_EQ(list.top, window.bottom) << "the list opens below the field";
  // The release of the press that dropped the list, outside it, leaves it open.
  SendMessageA(combo, WM_LBUTTONUP, 0, At(10, 5));
  SendMessageA(info.hwndList, WM_LBUTTONUP, 0, At(10, -10));
  EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  const int h = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
  SendMessageA(info.hwndList, WM_MOUSEMOVE, 0, At(10, 3 * h + 2));
  EXPECT_EQ(SendMessageA(info.hwndList, LB_GETCURSEL, 0, 0), 3) << "the list follows the mouse";
  SendMessageA(info.hwndList, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 3 * h + 2));
  SendMessageA(info.hwndList, WM_LBUTTONUP, 0, At(10, 3 * h + 2));
  EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_FALSE(IsWindowVisible(info.hwndList));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(Text(combo), "choice 3");
  EXPECT_EQ(Codes(),
            (std::vector<WORD>{CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE, CBN_CLOSEUP, CBN_SELENDOK}));
}

TEST_F(ComboBox, ClickOutsideOrEscapeCancelsTheDrop) {
  HWND combo = Combo(CBS_DROPDOWNLIST);
  SendMessageA(combo, CB_SETCURSEL, 2, 0);
  SetFocus(combo);
  notices_.clear();
  SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
  const COMBOBOXINFO info = Info(combo);
  EXPECT_EQ(info.stateButton, STATE_SYSTEM_PRESSED);
  SendMessageA(info.hwndList, WM_MOUSEMOVE, 0, At(10, 2));
  SendMessageA(info.hwndList, WM_LBUTTONDOWN, MK_LBUTTON, At(10, -50));
  EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2) << "a cancelled drop keeps the old choice";
  EXPECT_EQ(Codes(), (std::vector<WORD>{CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELENDCANCEL}));

  notices_.clear();
  SendMessageA(combo, WM_KEYDOWN, VK_F4, 1);
  EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  SendMessageA(combo, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(Codes(), (std::vector<WORD>{CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELENDCANCEL}));
}

TEST_F(ComboBox, ArrowKeysChangeTheChoiceWhileClosed) {
  HWND combo = Combo(CBS_DROPDOWNLIST);
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
  SetFocus(combo);
  notices_.clear();
  Key(combo, VK_DOWN);
  Key(combo, VK_DOWN);
  Key(combo, VK_UP);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Codes(), (std::vector<WORD>{CBN_SELCHANGE, CBN_SELCHANGE, CBN_SELCHANGE}));
  SendMessageA(combo, WM_CHAR, 'c', 1);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2) << "a letter picks the next item beginning with it";
}

TEST_F(ComboBox, DropDownHasAnEditThatReportsEditChanges) {
  HWND combo = Combo(CBS_DROPDOWN);
  const COMBOBOXINFO info = Info(combo);
  ASSERT_NE(info.hwndItem, combo);
  EXPECT_EQ(GetParent(info.hwndItem), combo);
  EXPECT_EQ(info.stateButton, 0u);
  EXPECT_GT(info.rcButton.right - info.rcButton.left, 0);
  EXPECT_LE(info.rcItem.right, info.rcButton.left);
  SendMessageA(combo, CB_SETCURSEL, 4, 0);
  EXPECT_EQ(Text(info.hwndItem), "choice 4");
  EXPECT_TRUE(Commands().empty()) << "the combo box's own text changes are no edit changes";
  SetFocus(combo);
  EXPECT_EQ(GetFocus(), info.hwndItem);
  notices_.clear();
  Type(info.hwndItem, "x");
  EXPECT_EQ(Codes(), (std::vector<WORD>{CBN_EDITUPDATE, CBN_EDITCHANGE}));
  // The dropped list is reached with the keys from the edit as well.
  notices_.clear();
  SendMessageA(info.hwndItem, WM_KEYDOWN, VK_F4, 1);
  EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  SendMessageA(info.hwndItem, WM_KEYDOWN, VK_UP, 1);
  SendMessageA(info.hwndItem, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(Text(combo), "choice 3");
  EXPECT_EQ(Codes(), (std::vector<WORD>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_CLOSEUP, CBN_SELENDOK}));
}

TEST_F(ComboBox, SimpleComboShowsItsListAsAChild) {
  HWND combo = Combo(CBS_SIMPLE);
  const COMBOBOXINFO info = Info(combo);
  EXPECT_EQ(info.stateButton, STATE_SYSTEM_INVISIBLE);
  EXPECT_EQ(GetParent(info.hwndList), combo);
  EXPECT_TRUE(GetWindowLongA(info.hwndList, GWL_STYLE) & WS_CHILD);
  EXPECT_TRUE(IsWindowVisible(info.hwndList));
  RECT r;
  GetWindowRect(combo, &r);
  EXPECT_EQ(r.bottom - r.top, 200) << "a simple combo box keeps its full height";
  const int h = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
  Click(info.hwndList, 5, 2 * h + 1);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(Text(info.hwndItem), "choice 2");
  EXPECT_EQ(Codes().back(), CBN_SELCHANGE);
}

TEST_F(ComboBox, EditAndShownListFollowTheComboBoxSize) {
  for (DWORD kind : {DWORD{CBS_DROPDOWN}, DWORD{CBS_SIMPLE}}) {
    SCOPED_TRACE(kind);
    HWND combo = Combo(kind);
    MoveWindow(combo, 20, 20, 120, 120, TRUE);
    const COMBOBOXINFO info = Info(combo);
    RECT c, edit;
    GetWindowRect(combo, &c);
    GetWindowRect(info.hwndItem, &edit);
    EXPECT_EQ(c.right - c.left, 120);
    if (kind == CBS_SIMPLE) {
      EXPECT_EQ(edit.right, c.right);
      RECT list;
      GetWindowRect(info.hwndList, &list);
      EXPECT_EQ(list.right - list.left, 120);
      EXPECT_EQ(list.bottom, c.bottom);
    } else {
      // The edit ends before the button, which stays visible.
      EXPECT_EQ(edit.right, c.right - 3 - GetSystemMetrics(SM_CXVSCROLL));
      EXPECT_LE(edit.right, c.left + info.rcButton.left);
    }
    DestroyWindow(combo);
  }
}

TEST_F(ComboBox, ListMessagesMirrorTheListBox) {
  HWND combo = Combo(CBS_DROPDOWNLIST | CBS_SORT, 0);
  for (const char* text : {"b", "c", "a"})
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  char text[8] = {};
  SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "a");
  EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXTLEN, 2, 0), 1);
  EXPECT_EQ(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("c")),
            2);
  EXPECT_EQ(SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("b")), 1);
  EXPECT_EQ(Text(combo), "b");
  SendMessageA(combo, CB_SETITEMDATA, 1, 42);
  EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 1, 0), 42);
  EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 9, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SetWindowTextA(combo, "c"), TRUE);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2) << "a drop-down list's text picks the matching item";
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
  COMBOBOXINFO wrong;
  wrong.cbSize = 12;
  EXPECT_FALSE(GetComboBoxInfo(combo, &wrong));
  COMBOBOXINFO info;
  EXPECT_FALSE(GetComboBoxInfo(parent_, &info));
}

TEST_F(ComboBox, DroppedButtonIsPaintedPushed) {
  HWND combo = Combo(CBS_DROPDOWNLIST);
  const COMBOBOXINFO info = Info(combo);
  const int x = info.rcButton.left + 1;
  const int y = info.rcButton.top + 1;
  EXPECT_EQ(Snapshot(combo).At(x, y), GetSysColor(COLOR_3DHILIGHT));
  SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_EQ(Snapshot(combo).At(info.rcButton.left, info.rcButton.top), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(Snapshot(combo).At(x, y), GetSysColor(COLOR_3DFACE));
  SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

// The class library asks every combo box for WS_VSCROLL: that bar is the
// list's, so the field keeps the whole width with its button inside the frame.
TEST_F(ComboBox, ScrollBarStylesGoToTheListNotTheField) {
  for (DWORD kind : {CBS_DROPDOWN, CBS_DROPDOWNLIST})
    for (DWORD bars : {WS_VSCROLL, WS_HSCROLL, WS_VSCROLL | WS_HSCROLL}) {
      SCOPED_TRACE(testing::Message() << "kind " << kind << ", bars " << std::hex << bars);
      HWND combo = Child(WC_COMBOBOXA, "", kind | bars, 20, 20, 120, 150);
      RECT window, client;
      GetWindowRect(combo, &window);
      GetClientRect(combo, &client);
      EXPECT_EQ(client.right, window.right - window.left);
      EXPECT_EQ(client.bottom, window.bottom - window.top);
      EXPECT_EQ(GetWindowLongA(combo, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), 0);
      const COMBOBOXINFO info = Info(combo);
      EXPECT_EQ(info.rcButton.right, client.right - 2) << "the button sits inside the field's frame";
      const POINT button{window.left + (info.rcButton.left + info.rcButton.right) / 2,
                         window.top + (info.rcButton.top + info.rcButton.bottom) / 2};
      EXPECT_EQ(SendMessageA(combo, WM_NCHITTEST, 0, MAKELPARAM(button.x, button.y)), HTCLIENT);
      // Its frame's shadow runs the full width along the top.
      Snapshot shot(combo);
      EXPECT_EQ(shot.At(client.right - 2, 0), GetSysColor(COLOR_3DSHADOW));
      DestroyWindow(combo);
    }
}

// A drop-down list on the headless screen, pressed with injected input and
// read back from the screen's pixels. Its items begin with different letters;
// "Bravo" is chosen and the combo box has the focus at the start.
class ComboOnScreen : public ComboBox {
 protected:
  static constexpr const char* kItems[] = {"Alpha", "Bravo", "Charlie", "Delta", "Echo"};

  void SetUp() override {
    ComboBox::SetUp();
    screen_ = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
    if (!screen_) GTEST_SKIP() << "needs the headless backend";
    combo_ = Child(WC_COMBOBOXA, "", CBS_DROPDOWNLIST | WS_VSCROLL, 20, 20, 150, 200, 41);
    for (const char* text : kItems) SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendMessageA(combo_, CB_SETCURSEL, 1, 0);
    item_ = static_cast<int>(SendMessageA(combo_, CB_GETITEMHEIGHT, 0, 0));
    screen_->InjectWindowEvent(parent_, backend::EventType::FocusGained);
    Pump();
    SetFocus(combo_);
    Pump();
    notices_.clear();
  }

  void Pump() {
    user::PumpBackendEvents(0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  RECT Field() const {
    RECT r;
    GetWindowRect(combo_, &r);
    return r;
  }
  void ClickArrow() {
    const RECT r = Field();
    screen_->InjectClick(POINT{r.right - 8, (r.top + r.bottom) / 2});
    Pump();
  }
  // Where item `index` of a list whose top edge is at `top` shows, right of its text.
  POINT Row(LONG top, int index) const {
    return POINT{Field().left + 110, top + 1 + index * item_ + item_ / 2};
  }
  POINT RowBelow(int index) const { return Row(Field().bottom, index); }
  COLORREF OnScreen(POINT p) const {
    const uint32_t v = screen_->ScreenSnapshot()->Pixel(p.x, p.y);
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  // The row's colour says whether the list shows there and whether the row is marked.
  enum class Shows { Nothing, Item, Marked };
  Shows RowShows(POINT p) const {
    const COLORREF c = OnScreen(p);
    return c == GetSysColor(COLOR_HIGHLIGHT) ? Shows::Marked
           : c == GetSysColor(COLOR_WINDOW)  ? Shows::Item
                                             : Shows::Nothing;
  }
  int Changes() const {
    int n = 0;
    for (const auto& notice : Commands()) n += notice.code == CBN_SELCHANGE;
    return n;
  }

  backend::HeadlessBackend* screen_ = nullptr;
  HWND combo_ = nullptr;
  int item_ = 0;
};

TEST_F(ComboOnScreen, ArrowOpensTheListUnderTheFieldOrAboveItAtTheBottom) {
  struct Case {
    const char* name;
    int parent_top;
    bool above;
  };
  const RECT area = user::WorkArea();
  for (const Case& c : {Case{"room below", 100, false}, Case{"at the bottom", area.bottom - 40, true}}) {
    SCOPED_TRACE(c.name);
    SetWindowPos(parent_, nullptr, 100, c.parent_top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
    const RECT field = Field();
    const LONG top = c.above ? field.top - (5 * item_ + 2) : field.bottom;
    EXPECT_EQ(RowShows(Row(top, 1)), Shows::Nothing);
    ClickArrow();
    EXPECT_EQ(RowShows(Row(top, 1)), Shows::Marked) << "the chosen item is marked in the open list";
    EXPECT_EQ(RowShows(Row(top, 0)), Shows::Item);
    EXPECT_EQ(RowShows(Row(top, 4)), Shows::Item);
    EXPECT_EQ(RowShows(Row(c.above ? field.bottom : field.top - 5 * item_, 1)), Shows::Nothing);
    // The pointer marks the item it is over; only a click takes it.
    screen_->InjectMouseMove(Row(top, 3));
    Pump();
    EXPECT_EQ(RowShows(Row(top, 3)), Shows::Marked);
    EXPECT_EQ(RowShows(Row(top, 1)), Shows::Item);
    EXPECT_EQ(Changes(), 0);
    screen_->InjectClick(Row(top, 2));
    Pump();
    EXPECT_EQ(RowShows(Row(top, 2)), Shows::Nothing) << "the list closed";
    EXPECT_EQ(Text(combo_), "Charlie");
    EXPECT_EQ(Changes(), 1);
    EXPECT_EQ(Codes().back(), CBN_SELENDOK);
    SendMessageA(combo_, CB_SETCURSEL, 1, 0);
    notices_.clear();
  }
}

TEST_F(ComboOnScreen, KeysMoveTakeAndCancelLikeAUserExpects) {
  struct Step {
    UINT vk = 0;
    const char* text = nullptr;
    bool alt = false;
  };
  const auto key = [](UINT vk) { return Step{vk, nullptr, false}; };
  const auto alt = [](UINT vk) { return Step{vk, nullptr, true}; };
  const auto type = [](const char* text) { return Step{0, text, false}; };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    const char* shown;  // in the field
    int marked;         // the marked row of the open list; -1: the list is closed
    int changes;
  };
  const std::vector<Case> cases = {
      {"Down and Enter take the next item", {key(VK_F4), key(VK_DOWN), key(VK_RETURN)}, "Charlie", -1, 1},
      {"Escape keeps the old item", {key(VK_F4), key(VK_DOWN), key(VK_DOWN), key(VK_ESCAPE)}, "Bravo", -1, 0},
      {"a letter marks the next item beginning with it",
       {key(VK_F4), type("d"), key(VK_RETURN)},
       "Delta",
       -1,
       1},
      {"F4 closes and takes the marked item", {key(VK_F4), key(VK_UP), key(VK_F4)}, "Alpha", -1, 1},
      {"Alt+Down opens and Alt+Up closes", {alt(VK_DOWN), key(VK_DOWN), alt(VK_UP)}, "Charlie", -1, 1},
      {"the open list follows the keys", {key(VK_F4), key(VK_DOWN), key(VK_DOWN)}, "Bravo", 3, 0},
      {"closed, Down chooses at once", {key(VK_DOWN), key(VK_DOWN)}, "Delta", -1, 2},
      {"closed, a letter chooses at once", {type("e")}, "Echo", -1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const Step& step : c.steps) {
      if (step.alt) screen_->InjectKey(VK_MENU, true);
      if (step.text) {
        screen_->InjectText(step.text);
      } else {
        screen_->InjectKey(step.vk, true);
        screen_->InjectKey(step.vk, false);
      }
      if (step.alt) screen_->InjectKey(VK_MENU, false);
      Pump();
    }
    EXPECT_EQ(Text(combo_), c.shown);
    for (int row = 0; row < 5; ++row)
      EXPECT_EQ(RowShows(RowBelow(row)), c.marked < 0      ? Shows::Nothing
                                         : row == c.marked ? Shows::Marked
                                                           : Shows::Item)
          << "row " << row;
    EXPECT_EQ(Changes(), c.changes);
    SendMessageA(combo_, CB_SHOWDROPDOWN, FALSE, 0);
    SendMessageA(combo_, CB_SETCURSEL, 1, 0);
    Pump();
    notices_.clear();
  }
}

TEST_F(ComboOnScreen, LeavingTheComboBoxClosesTheListWithoutAChange) {
  HWND other = CreateWindowExA(0, kClass, "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 100, 200, 150,
                               nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  struct Case {
    const char* name;
    std::function<void()> leave;
  };
  const std::vector<Case> cases = {
      {"a click on another window",
       [&] {
         screen_->InjectClick(POINT{800, 175});
       }},
      {"another window activated",
       [&] { screen_->InjectWindowEvent(other, backend::EventType::FocusGained); }},
      {"another program activated",
       [&] { screen_->InjectWindowEvent(parent_, backend::EventType::FocusLost); }},
      {"the window moved", [&] { MoveWindow(parent_, 120, 110, 400, 300, TRUE); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MoveWindow(parent_, 100, 100, 400, 300, TRUE);
    screen_->InjectWindowEvent(parent_, backend::EventType::FocusGained);
    Pump();
    SetFocus(combo_);
    ClickArrow();
    const POINT marked = RowBelow(3);
    screen_->InjectMouseMove(marked);
    Pump();
    ASSERT_EQ(RowShows(marked), Shows::Marked);
    notices_.clear();
    c.leave();
    Pump();
    EXPECT_EQ(RowShows(marked), Shows::Nothing);
    EXPECT_FALSE(SendMessageA(combo_, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(Text(combo_), "Bravo");
    EXPECT_EQ(Changes(), 0);
    const std::vector<WORD> codes = Codes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), CBN_SELENDCANCEL), codes.end());
  }
  DestroyWindow(other);
}

TEST_F(ComboOnScreen, ALongListScrollsByItsBarAndTheWheelAndStaysOpen) {
  DestroyWindow(combo_);
  combo_ = Child(WC_COMBOBOXA, "", CBS_DROPDOWNLIST | WS_VSCROLL, 20, 20, 150, 100, 42);
  for (int i = 0; i < 20; ++i) {
    const std::string text = "Item " + std::to_string(i);
    SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SendMessageA(combo_, CB_SETCURSEL, 0, 0);
  SetFocus(combo_);
  ClickArrow();
  ASSERT_EQ(RowShows(RowBelow(0)), Shows::Marked);
  RECT list;
  SendMessageA(combo_, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list));
  const int visible = (list.bottom - list.top - 2) / item_;
  ASSERT_LT(visible, 20) << "the list is longer than its window";
  // The bar's lower arrow, twice.
  for (int i = 0; i < 2; ++i) {
    screen_->InjectClick(POINT{list.right - 1 - GetSystemMetrics(SM_CXVSCROLL) / 2, list.bottom - 4});
    Pump();
  }
  EXPECT_TRUE(SendMessageA(combo_, CB_GETDROPPEDSTATE, 0, 0)) << "scrolling keeps the list open";
  EXPECT_EQ(RowShows(RowBelow(0)), Shows::Item) << "the marked first item scrolled away";
  // A notch of the wheel goes three items further.
  screen_->InjectMouseWheel(-WHEEL_DELTA);
  Pump();
  notices_.clear();
  screen_->InjectClick(RowBelow(0));
  Pump();
  EXPECT_EQ(Text(combo_), "Item 5");
  EXPECT_EQ(Changes(), 1);
}

}  // namespace
