#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/user/Focus.h"
#include "platform/user/Header.h"
#include "platform/user/ListView.h"
#include "platform/user/ScrollBar.h"

using namespace plat;

namespace {

struct Change {
  UINT code;
  int item;
  UINT old_state, new_state;
  bool operator==(const Change&) const = default;
};

class ListView : public usertest::ControlTest {
 protected:
  // Report view 300 x 200 with columns of 100 and 80 and five rows.
  HWND Make(DWORD style = 0) {
    HWND list = Child(WC_LISTVIEWA, "", LVS_REPORT | style, 0, 0, 300, 200, 8);
    AddColumn(list, 0, "Band", 100);
    AddColumn(list, 1, "Level", 80);
    for (int i = 0; i < 5; ++i) {
      const std::string band = std::to_string(125 << i) + " Hz";
      LVITEMA item;
      item.mask = LVIF_TEXT | LVIF_PARAM;
      item.iItem = i;
      item.pszText = const_cast<char*>(band.c_str());
      item.lParam = 100 + i;
      SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      const std::string level = std::to_string(-i * 6) + " dB";
      item.iSubItem = 1;
      item.pszText = const_cast<char*>(level.c_str());
      SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    on_parent_ = [this](UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
      if (message != WM_NOTIFY) return false;
      const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lparam);
      if (nm->hdr.code == LVN_ITEMCHANGING || nm->hdr.code == LVN_ITEMCHANGED) {
        changes_.push_back({nm->hdr.code, nm->iItem, nm->uOldState, nm->uNewState});
        *result = nm->hdr.code == LVN_ITEMCHANGING && refuse_ ? TRUE : FALSE;
        return true;
      }
      codes_.push_back(nm->hdr.code);
      return false;
    };
    return list;
  }
  static void AddColumn(HWND list, int index, const char* text, int width) {
    LVCOLUMNA col;
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<char*>(text);
    col.cx = width;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col));
  }
  static RECT ItemRect(HWND list, int i, int code = LVIR_BOUNDS) {
    RECT r{};
    r.left = code;
    EXPECT_TRUE(SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)));
    return r;
  }
  static void ClickItem(HWND list, int i, int x = 20) {
    const RECT r = ItemRect(list, i);
    Click(list, x, (r.top + r.bottom) / 2);
  }
  static std::vector<int> Selected(HWND list) {
    std::vector<int> out;
    for (int i = -1; (i = static_cast<int>(
                          SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;)
      out.push_back(i);
    return out;
  }
  static int Focused(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  }
  static std::string Text(HWND list, int i, int sub) {
    char buffer[64] = {};
    LVITEMA item;
    item.iSubItem = sub;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    return buffer;
  }
  static void SetKeys(bool shift, bool ctrl) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  void TearDown() override {
    SetKeys(false, false);
    ControlTest::TearDown();
  }

  std::vector<Change> changes_;
  std::vector<UINT> codes_;
  bool refuse_ = false;
};

TEST_F(ListView, ColumnsLiveInTheHeaderAndItemsKeepSubitems) {
  HWND list = Make();
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 80);
  char name[16] = {};
  LVCOLUMNA col;
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.pszText = name;
  col.cchTextMax = sizeof name;
  ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&col)));
  EXPECT_STREQ(name, "Level");

  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 5);
  EXPECT_EQ(Text(list, 2, 0), "500 Hz");
  EXPECT_EQ(Text(list, 2, 1), "-12 dB");
  LVITEMA item;
  item.mask = LVIF_PARAM;
  item.iItem = 3;
  ASSERT_TRUE(SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(item.lParam, 103);

  LVFINDINFOA find;
  find.flags = LVFI_PARAM;
  find.lParam = 104;
  EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), 4);
  find.flags = LVFI_STRING | LVFI_PARTIAL;
  find.psz = "25";
  EXPECT_EQ(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)), 1);

  SendMessageA(list, LVM_DELETEITEM, 0, 0);
  EXPECT_EQ(Text(list, 0, 0), "250 Hz");
  EXPECT_EQ(std::count(codes_.begin(), codes_.end(), LVN_DELETEITEM), 1);
}

TEST_F(ListView, RowsLieUnderTheHeaderAndHitTestsFindThem) {
  HWND list = Make();
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  RECT head;
  GetWindowRect(header, &head);
  const int header_height = head.bottom - head.top;
  const RECT first = ItemRect(list, 0), second = ItemRect(list, 1);
  EXPECT_EQ(first.top, header_height);
  EXPECT_EQ(second.top, first.bottom);
  EXPECT_EQ(first.right, 180) << "a row spans the columns";
  const RECT label = ItemRect(list, 1, LVIR_LABEL);
  EXPECT_EQ(label.right, 100);
  RECT sub{};
  sub.top = 1;
  sub.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageA(list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&sub)));
  EXPECT_EQ(sub.left, 100);
  EXPECT_EQ(sub.right, 180);
  EXPECT_EQ(sub.top, second.top);
  RECT none{};
  EXPECT_FALSE(SendMessageA(list, LVM_GETITEMRECT, 5, reinterpret_cast<LPARAM>(&none)));

  struct HitCase {
    int x, y, item;
    UINT flags;
  };
  const int mid = (second.top + second.bottom) / 2;
  const HitCase cases[] = {
      {20, mid, 1, LVHT_ONITEMLABEL},
      {150, mid, -1, LVHT_NOWHERE},  // beside the label, without full-row
                                     // selection
      {250, mid, -1, LVHT_NOWHERE},
      {20, 190, -1, LVHT_NOWHERE},
      {20, 2, -1, LVHT_ABOVE},
  };
  for (const HitCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    LVHITTESTINFO info;
    info.pt = POINT{c.x, c.y};
    EXPECT_EQ(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), c.item);
    EXPECT_EQ(info.flags, c.flags);
  }
  LVHITTESTINFO info;
  info.pt = POINT{150, mid};
  EXPECT_EQ(SendMessageA(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&info)), 1);
  EXPECT_EQ(info.iSubItem, 1);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  info.pt = POINT{150, mid};
  EXPECT_EQ(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), 1);
}

TEST_F(ListView, ClicksSelectAndEveryChangeIsNotified) {
  HWND list = Make();
  ClickItem(list, 1);
  EXPECT_EQ(changes_, (std::vector<Change>{{LVN_ITEMCHANGING, 1, 0, LVIS_SELECTED | LVIS_FOCUSED},
                                           {LVN_ITEMCHANGED, 1, 0, LVIS_SELECTED | LVIS_FOCUSED}}));
  EXPECT_NE(std::find(codes_.begin(), codes_.end(), NM_CLICK), codes_.end());
  changes_.clear();
  ClickItem(list, 3);
  EXPECT_EQ(Selected(list), (std::vector<int>{3}));
  EXPECT_EQ(Focused(list), 3);
  EXPECT_EQ(changes_.front(), (Change{LVN_ITEMCHANGING, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_FOCUSED}))
      << "the old selection goes first";

  SetKeys(false, true);
  ClickItem(list, 0);
  EXPECT_EQ(Selected(list), (std::vector<int>{0, 3}));
  SetKeys(true, false);
  ClickItem(list, 2);
  EXPECT_EQ(Selected(list), (std::vector<int>{0, 1, 2})) << "Shift extends from the last plain or Ctrl click";
  SetKeys(false, false);
  Click(list, 20, 190);
  EXPECT_TRUE(Selected(list).empty()) << "a click on empty space clears the selection";
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
}

TEST_F(ListView, SingleSelectionAndRefusedChanges) {
  HWND list = Make(LVS_SINGLESEL);
  ClickItem(list, 1);
  SetKeys(false, true);
  ClickItem(list, 2);
  EXPECT_EQ(Selected(list), (std::vector<int>{2})) << "Ctrl cannot add to a single selection";
  SetKeys(false, false);
  LVITEMA state;
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  SendMessageA(list, LVM_SETITEMSTATE, 4, reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(Selected(list), (std::vector<int>{4}));

  refuse_ = true;
  changes_.clear();
  ClickItem(list, 0);
  EXPECT_EQ(Selected(list), (std::vector<int>{4}));
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 0, LVIS_SELECTED), 0);
  for (const Change& c : changes_) EXPECT_EQ(c.code, LVN_ITEMCHANGING) << "nothing changed";
}

struct KeyCase {
  int vk;
  bool shift;
  std::vector<int> selected;
  int focused;
};

TEST_F(ListView, KeysMoveTheFocusAndSelection) {
  const KeyCase cases[] = {
      {VK_DOWN, false, {2}, 2}, {VK_UP, false, {0}, 0},     {VK_END, false, {4}, 4},
      {VK_HOME, false, {0}, 0}, {VK_DOWN, true, {1, 2}, 2}, {VK_NEXT, false, {4}, 4},
  };
  HWND list = Make();
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.vk);
    SetKeys(false, false);
    ClickItem(list, 1);
    SetKeys(c.shift, false);
    Key(list, c.vk);
    EXPECT_EQ(Selected(list), c.selected);
    EXPECT_EQ(Focused(list), c.focused);
  }
  SetKeys(false, true);
  ClickItem(list, 0);  // adds 0 to the selection and takes the focus
  Key(list, VK_DOWN);
  EXPECT_EQ(Focused(list), 1);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 1, LVIS_SELECTED), 0) << "Ctrl moves only the focus";
  Key(list, VK_SPACE);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 1, LVIS_SELECTED), static_cast<LRESULT>(LVIS_SELECTED));
  EXPECT_NE(std::find(codes_.begin(), codes_.end(), LVN_KEYDOWN), codes_.end());
}

TEST_F(ListView, ScrollsToShowTheFocusedItem) {
  HWND list = Child(WC_LISTVIEWA, "", LVS_REPORT, 0, 0, 300, 100, 8);
  AddColumn(list, 0, "Band", 100);
  for (int i = 0; i < 30; ++i) {
    LVITEMA item;
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<char*>("x");
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
  const int per_page = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
  ASSERT_GT(per_page, 0);
  ASSERT_LT(per_page, 30);
  EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL);
  SendMessageA(list, WM_SETFOCUS, 0, 0);
  Key(list, VK_END);
  EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 30 - per_page);
  const RECT last = ItemRect(list, 29);
  RECT client;
  GetClientRect(list, &client);
  EXPECT_LE(last.bottom, client.bottom);
  SendMessageA(list, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 0);
}

TEST_F(ListView, ColumnClicksAndHeaderNoticesReachTheParent) {
  HWND list = Make();
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  int column = -1;
  std::vector<UINT> from_header;
  on_parent_ = [&](UINT message, WPARAM, LPARAM lparam, LRESULT*) {
    if (message != WM_NOTIFY) return false;
    const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lparam);
    if (nm->hdr.code == LVN_COLUMNCLICK) column = nm->iSubItem;
    if (nm->hdr.hwndFrom == header) from_header.push_back(nm->hdr.code);
    return false;
  };
  Click(header, 130, 5);
  EXPECT_EQ(column, 1);
  SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(60, 0));
  EXPECT_EQ(ItemRect(list, 0, LVIR_LABEL).right, 60);
  EXPECT_NE(std::find(from_header.begin(), from_header.end(), HDN_ITEMCHANGED), from_header.end());
}

TEST_F(ListView, SelectedRowsAreHighlightedWhileFocused) {
  HWND list = Make(LVS_SHOWSELALWAYS);
  ClickItem(list, 1);
  const RECT r = ItemRect(list, 1);
  {
    Snapshot shot(list);
    EXPECT_EQ(shot.At(95, r.top + 1), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(shot.At(150, r.top + 1), GetSysColor(COLOR_WINDOW))
        << "only the label without full-row selection";
  }
  SendMessageA(list, WM_KILLFOCUS, 0, 0);
  Snapshot shot(list);
  EXPECT_EQ(shot.At(95, r.top + 1), GetSysColor(COLOR_3DFACE)) << "kept, dimmed, with LVS_SHOWSELALWAYS";
}

}  // namespace
