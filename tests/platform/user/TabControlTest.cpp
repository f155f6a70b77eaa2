#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/user/TabControl.h"
#include "platform/user/UpDown.h"

using namespace plat;

namespace {

class TabControl : public usertest::ControlTest {
 protected:
  HWND Make(DWORD style = 0, int width = 300) {
    HWND tabs = Child(WC_TABCONTROLA, "", style, 10, 10, width, 150, 4);
    for (const char* name : {"Spectrum", "Scope", "Meters"}) Insert(tabs, name);
    notices_.clear();
    on_parent_ = [this](UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
      if (message != WM_NOTIFY) return false;
      const auto* nm = reinterpret_cast<const NMHDR*>(lparam);
      if (nm->code != TCN_SELCHANGING && nm->code != TCN_SELCHANGE) return false;
      events_.push_back(nm->code == TCN_SELCHANGING ? "changing" : "change");
      *result = nm->code == TCN_SELCHANGING && veto_ ? TRUE : FALSE;
      return true;
    };
    return tabs;
  }
  static int Insert(HWND tabs, const char* text, LPARAM param = 0) {
    TCITEMA item;
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<char*>(text);
    item.lParam = param;
    return static_cast<int>(SendMessageA(tabs, TCM_INSERTITEMA, 1000, reinterpret_cast<LPARAM>(&item)));
  }
  static RECT ItemRect(HWND tabs, int index) {
    RECT r{};
    EXPECT_TRUE(
        SendMessageA(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)));
    return r;
  }
  static int Sel(HWND tabs) { return static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0)); }
  static void ClickTab(HWND tabs, int index) {
    const RECT r = ItemRect(tabs, index);
    Click(tabs, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
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

  std::vector<std::string> events_;
  bool veto_ = false;
};

TEST_F(TabControl, ItemsKeepTextAndDataAndTheFirstIsSelected) {
  HWND tabs = Make();
  EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(Sel(tabs), 0);
  EXPECT_EQ(SendMessageA(tabs, TCM_GETCURFOCUS, 0, 0), 0);
  char buffer[5];
  TCITEMA item;
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = buffer;
  item.cchTextMax = sizeof buffer;
  ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_STREQ(buffer, "Spec") << "cut to the caller's buffer";
  EXPECT_FALSE(SendMessageA(tabs, TCM_GETITEMA, 3, reinterpret_cast<LPARAM>(&item)));

  SendMessageA(tabs, TCM_SETCURSEL, 2, 0);
  TCITEMA first;
  first.mask = TCIF_TEXT;
  first.pszText = const_cast<char*>("Files");
  SendMessageA(tabs, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&first));
  EXPECT_EQ(Sel(tabs), 3) << "the selection stays on its tab";
  SendMessageA(tabs, TCM_DELETEITEM, 3, 0);
  EXPECT_EQ(Sel(tabs), -1);
  EXPECT_TRUE(events_.empty()) << "changes made by messages are not notified";
}

TEST_F(TabControl, TabsLieSideBySideOnTheirEdge) {
  for (DWORD style : {TCS_TABS, TCS_BOTTOM}) {
    SCOPED_TRACE(style);
    HWND tabs = Make(style);
    const RECT a = ItemRect(tabs, 0), b = ItemRect(tabs, 1), c = ItemRect(tabs, 2);
    EXPECT_EQ(a.right, b.left);
    EXPECT_EQ(b.right, c.left);
    EXPECT_GT(a.right - a.left, b.right - b.left) << "a longer text makes a wider tab";
    EXPECT_EQ(a.top, b.top);
    RECT display{0, 0, 300, 150};
    SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    if (style == TCS_BOTTOM) {
      EXPECT_EQ(a.bottom, 148);
      EXPECT_LT(display.bottom, a.top);
    } else {
      EXPECT_EQ(a.top, 2);
      EXPECT_GT(display.top, a.bottom);
    }
    RECT back = display;
    SendMessageA(tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&back));
    const RECT whole{0, 0, 300, 150};
    EXPECT_TRUE(EqualRect(&back, &whole)) << "the two directions are inverse";
    TCHITTESTINFO hit;
    hit.pt = POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    EXPECT_EQ(SendMessageA(tabs, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
    EXPECT_EQ(hit.flags, TCHT_ONITEM);
    hit.pt = POINT{150, 75};
    EXPECT_EQ(SendMessageA(tabs, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
    DestroyWindow(tabs);
  }
}

TEST_F(TabControl, ClickSelectsUnlessTheParentVetoes) {
  HWND tabs = Make();
  ClickTab(tabs, 2);
  EXPECT_EQ(Sel(tabs), 2);
  EXPECT_EQ(events_, (std::vector<std::string>{"changing", "change"}));
  events_.clear();
  veto_ = true;
  ClickTab(tabs, 1);
  EXPECT_EQ(Sel(tabs), 2);
  EXPECT_EQ(events_, (std::vector<std::string>{"changing"}));
  events_.clear();
  ClickTab(tabs, 2);
  EXPECT_TRUE(events_.empty()) << "the selected tab is not selected again";
}

struct KeyCase {
  int vk;
  bool shift, ctrl;
  int from, expected;
};

TEST_F(TabControl, KeysAndCtrlTabMoveTheSelection) {
  const KeyCase cases[] = {
      {VK_RIGHT, false, false, 0, 1}, {VK_LEFT, false, false, 1, 0}, {VK_LEFT, false, false, 0, 0},
      {VK_END, false, false, 0, 2},   {VK_TAB, false, true, 1, 2},   {VK_TAB, false, true, 2, 0},
      {VK_TAB, true, true, 0, 2},     {VK_TAB, false, false, 0, 0},
  };
  HWND tabs = Make();
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.vk << " from " << c.from);
    SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(c.from), 0);
    SetKeys(c.shift, c.ctrl);
    Key(tabs, c.vk);
    EXPECT_EQ(Sel(tabs), c.expected);
  }
  SetKeys(false, true);
  MSG msg{};
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_TAB;
  EXPECT_TRUE(SendMessageA(tabs, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&msg)) & DLGC_WANTMESSAGE);
  veto_ = true;
  SendMessageA(tabs, TCM_SETCURSEL, 0, 0);
  Key(tabs, VK_TAB);
  EXPECT_EQ(Sel(tabs), 0) << "keys are vetoed like clicks";
}

TEST_F(TabControl, TabsThatDoNotFitScrollWithArrows) {
  HWND tabs = Make(0, 150);
  for (const char* name : {"Generator", "Recorder", "Player"}) Insert(tabs, name);
  HWND arrows = nullptr;
  for (HWND child = GetWindow(tabs, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[64];
    GetClassNameA(child, name, sizeof name);
    if (std::string(name) == UPDOWN_CLASSA) arrows = child;
  }
  ASSERT_NE(arrows, nullptr);
  EXPECT_TRUE(IsWindowVisible(arrows));
  const RECT before = ItemRect(tabs, 1);
  RECT box;
  GetClientRect(arrows, &box);
  Click(arrows, box.right - 2, box.bottom / 2);
  const RECT after = ItemRect(tabs, 1);
  EXPECT_EQ(after.left, 2) << "the second tab now comes first";
  EXPECT_LT(after.left, before.left);

  SendMessageA(tabs, TCM_DELETEALLITEMS, 0, 0);
  EXPECT_FALSE(IsWindowVisible(arrows));
}

}  // namespace
