#include <gtest/gtest.h>

#include <string>

#include "ControlTestSupport.h"
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

}  // namespace
