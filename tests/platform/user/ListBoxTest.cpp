#include <gtest/gtest.h>

#include <string>

#include "ControlTestSupport.h"
#include "platform/user/Focus.h"
#include "platform/user/ListBox.h"
#include "platform/user/ScrollBar.h"

using namespace plat;

namespace {

class ListBox : public usertest::ControlTest {
 protected:
  void TearDown() override {
    SetKeys(false, false);
    ControlTest::TearDown();
  }
  HWND List(DWORD style, int items, int height = 100) {
    HWND list = Child(WC_LISTBOXA, "", WS_VSCROLL | LBS_NOTIFY | style, 10, 10, 120, height, 31);
    for (int i = 0; i < items; ++i) {
      const std::string text = "item " + std::to_string(i);
      SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    notices_.clear();
    return list;
  }
  static std::string TextOf(HWND list, int index) {
    char buffer[64] = {};
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }
  static void SetKeys(bool shift, bool ctrl) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  size_t SelChanges() const {
    size_t n = 0;
    for (const auto& c : Commands()) n += c.code == LBN_SELCHANGE;
    return n;
  }
  int ItemHeight(HWND list) { return static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0)); }
};

TEST_F(ListBox, ItemsKeepTextDataAndSortOrder) {
  HWND list = Child(WC_LISTBOXA, "", LBS_SORT, 0, 0, 100, 100);
  for (const char* text : {"pear", "Apple", "fig"})
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(TextOf(list, 0), "Apple");
  EXPECT_EQ(TextOf(list, 2), "pear");
  EXPECT_EQ(SendMessageA(list, LB_GETTEXTLEN, 2, 0), 4);
  EXPECT_EQ(SendMessageA(list, LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("kiwi")), 1);
  EXPECT_EQ(SendMessageA(list, LB_SETITEMDATA, 1, 77), TRUE);
  EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, 1, 0), 77);
  EXPECT_EQ(SendMessageA(list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("PE")), 3);
  EXPECT_EQ(SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("fi")),
            LB_ERR);
  EXPECT_EQ(SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("FIG")),
            2);
  SendMessageA(list, LB_SETCURSEL, 3, 0);
  EXPECT_EQ(SendMessageA(list, LB_DELETESTRING, 0, 0), 3);
  EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 2) << "the selection follows its item";
  EXPECT_EQ(SendMessageA(list, LB_GETTEXT, 9, 0), LB_ERR);
  EXPECT_TRUE(Commands().empty()) << "changes from code do not notify";
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
}

struct KeyCase {
  int vk;
  int from;
  int expected;
};

TEST_F(ListBox, KeyboardMovesTheSelectionAndNotifies) {
  HWND list = List(0, 20);
  SetFocus(list);
  const int page = 100 / ItemHeight(list);
  const KeyCase cases[] = {
      {VK_DOWN, 3, 4},
      {VK_UP, 3, 2},
      {VK_UP, 0, 0},
      {VK_HOME, 7, 0},
      {VK_END, 3, 19},
      {VK_NEXT, 0, page - 1},
      {VK_PRIOR, 19, 19 - (page - 1)},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.vk << " from " << c.from);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(c.from), 0);
    notices_.clear();
    Key(list, c.vk);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), c.expected);
    EXPECT_EQ(SelChanges(), c.from == c.expected ? 0u : 1u);
    const int top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    EXPECT_LE(top, c.expected);
    EXPECT_GT(top + page, c.expected) << "the selection is scrolled into view";
  }
  SendMessageA(list, WM_CHAR, 'i', 1);
  EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), static_cast<LRESULT>((19 - (page - 1) + 1) % 20))
      << "a letter moves to the next item that begins with it";
  EXPECT_EQ(GetScrollPos(list, SB_VERT), SendMessageA(list, LB_GETTOPINDEX, 0, 0));
}

TEST_F(ListBox, ExtendedSelectionWithShiftAndControl) {
  HWND list = List(LBS_EXTENDEDSEL, 10);
  const int h = ItemHeight(list);
  Click(list, 5, 2 * h + 1);
  SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, At(5, 5 * h + 1));
  SendMessageA(list, WM_LBUTTONUP, MK_SHIFT, At(5, 5 * h + 1));
  EXPECT_EQ(SendMessageA(list, LB_GETSELCOUNT, 0, 0), 4);
  SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, At(5, 3 * h + 1));
  SendMessageA(list, WM_LBUTTONUP, MK_CONTROL, At(5, 3 * h + 1));
  int items[10] = {};
  ASSERT_EQ(SendMessageA(list, LB_GETSELITEMS, 10, reinterpret_cast<LPARAM>(items)), 3);
  EXPECT_EQ(items[0], 2);
  EXPECT_EQ(items[1], 4);
  EXPECT_EQ(items[2], 5);
  SetKeys(true, false);
  SetFocus(list);
  Key(list, VK_DOWN);
  EXPECT_EQ(SendMessageA(list, LB_GETSELCOUNT, 0, 0), 2) << "shift+down spans from the anchor (3) to 4";
  EXPECT_EQ(SendMessageA(list, LB_GETCARETINDEX, 0, 0), 4);
  EXPECT_EQ(SendMessageA(list, LB_SETCURSEL, 1, 0), LB_ERR) << "LB_SETCURSEL is for single selection";
}

TEST_F(ListBox, MultipleSelectionTogglesWithClicksAndSpace) {
  HWND list = List(LBS_MULTIPLESEL, 5);
  const int h = ItemHeight(list);
  Click(list, 5, 1);
  Click(list, 5, h + 1);
  Click(list, 5, 1);
  EXPECT_EQ(SendMessageA(list, LB_GETSEL, 0, 0), 0);
  EXPECT_GT(SendMessageA(list, LB_GETSEL, 1, 0), 0);
  SetFocus(list);
  Key(list, VK_DOWN);
  Key(list, VK_DOWN);
  EXPECT_EQ(SendMessageA(list, LB_GETCARETINDEX, 0, 0), 2);
  EXPECT_EQ(SendMessageA(list, LB_GETSEL, 2, 0), 0) << "arrows only move the focus";
  SendMessageA(list, WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_GT(SendMessageA(list, LB_GETSEL, 2, 0), 0);
  EXPECT_EQ(SelChanges(), 4u);
  SendMessageA(list, LB_SETSEL, FALSE, -1);
  EXPECT_EQ(SendMessageA(list, LB_GETSELCOUNT, 0, 0), 0);
}

TEST_F(ListBox, MouseSelectsDragsAndDoubleClicks) {
  HWND list = List(0, 10);
  const int h = ItemHeight(list);
  SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, At(5, h + 1));
  EXPECT_EQ(GetCapture(), list);
  SendMessageA(list, WM_MOUSEMOVE, MK_LBUTTON, At(5, 3 * h + 1));
  SendMessageA(list, WM_LBUTTONUP, 0, At(5, 3 * h + 1));
  EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(SelChanges(), 2u);
  SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, At(5, 3 * h + 1));
  EXPECT_EQ(Commands().back(), (usertest::Notice{WM_COMMAND, LBN_DBLCLK, 31, list}));
}

TEST_F(ListBox, GeometryQueriesAndScrolling) {
  HWND list = List(0, 30);
  const int h = ItemHeight(list);
  SendMessageA(list, LB_SETTOPINDEX, 5, 0);
  EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 5);
  RECT r;
  ASSERT_EQ(SendMessageA(list, LB_GETITEMRECT, 7, reinterpret_cast<LPARAM>(&r)), 1);
  EXPECT_EQ(r.top, 2 * h);
  EXPECT_EQ(r.bottom, 3 * h);
  const LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, At(5, 2 * h + 2));
  EXPECT_EQ(LOWORD(static_cast<uintptr_t>(hit)), 7);
  EXPECT_EQ(HIWORD(static_cast<uintptr_t>(hit)), 0);
  SendMessageA(list, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 6);
  SendMessageA(list, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 30 - 100 / h);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(list, SB_VERT, &info);
  EXPECT_EQ(info.nMax, 29);
  EXPECT_EQ(info.nPage, static_cast<UINT>(100 / h));
}

TEST_F(ListBox, OwnerDrawAsksTheParentToMeasureAndDraw) {
  std::vector<UINT> drawn;
  on_parent_ = [&](UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
    if (message == WM_MEASUREITEM) {
      reinterpret_cast<MEASUREITEMSTRUCT*>(lparam)->itemHeight = 20;
      *result = TRUE;
      return true;
    }
    if (message == WM_DRAWITEM) {
      const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      EXPECT_EQ(dis->CtlType, ODT_LISTBOX);
      drawn.push_back(dis->itemID | (dis->itemState & ODS_SELECTED ? 0x100u : 0u));
      EXPECT_EQ(dis->rcItem.top, static_cast<LONG>(20 * dis->itemID));
      *result = TRUE;
      return true;
    }
    return false;
  };
  HWND list = Child(WC_LISTBOXA, "", LBS_OWNERDRAWFIXED, 0, 0, 100, 100);
  EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 20);
  SendMessageA(list, LB_ADDSTRING, 0, 1111);
  SendMessageA(list, LB_ADDSTRING, 0, 2222);
  EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, 1, 0), 2222)
      << "without LBS_HASSTRINGS the value is the item's data";
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  drawn.clear();
  Snapshot shot(list);
  EXPECT_EQ(drawn, (std::vector<UINT>{0u, 0x101u}));
  on_parent_ = nullptr;
}

TEST_F(ListBox, SelectedItemIsPaintedHighlighted) {
  HWND list = List(0, 3);
  const int h = ItemHeight(list);
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  Snapshot shot(list);
  EXPECT_EQ(shot.At(60, h + 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(shot.At(60, 1), GetSysColor(COLOR_WINDOW));
}

}  // namespace
