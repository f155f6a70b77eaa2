#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/user/NonClient.h"
#include "platform/user/Screen.h"
#include "platform/user/StatusBar.h"

using namespace plat;

namespace {

class StatusBar : public usertest::ControlTest {
 protected:
  HWND Make(DWORD style = 0) { return Child(STATUSCLASSNAMEA, "ready", style, 0, 0, 0, 0, 9); }
  static RECT PartRect(HWND bar, WPARAM part) {
    RECT r{};
    EXPECT_TRUE(SendMessageA(bar, SB_GETRECT, part, reinterpret_cast<LPARAM>(&r)));
    return r;
  }
  static std::string Text(HWND bar, WPARAM part) {
    char buffer[128] = {};
    SendMessageA(bar, SB_GETTEXT, part, reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }
  LRESULT HitAt(HWND bar, int x, int y) {
    POINT p{x, y};
    ClientToScreen(bar, &p);
    return SendMessageA(bar, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
  }
};

TEST_F(StatusBar, LiesAlongTheParentsBottomAndFollowsItsSize) {
  HWND bar = Make();
  RECT parent_client, r;
  GetClientRect(parent_, &parent_client);
  GetWindowRect(bar, &r);
  MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, parent_client.right);
  EXPECT_EQ(r.bottom, parent_client.bottom);
  EXPECT_GT(r.bottom - r.top, 12);
  EXPECT_EQ(Text(bar, 0), "ready") << "the window text is the first part's";

  SetWindowPos(parent_, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  SendMessageA(bar, WM_SIZE, 0, 0);
  GetClientRect(parent_, &parent_client);
  GetWindowRect(bar, &r);
  MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.right, parent_client.right);
  EXPECT_EQ(r.bottom, parent_client.bottom);

  HWND top = Make(CCS_TOP);
  GetWindowRect(top, &r);
  MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.top, 0);
}

TEST_F(StatusBar, PartsHaveTheirOwnRectanglesAndTexts) {
  HWND bar = Make();
  const int edges[] = {100, 250, -1};
  ASSERT_TRUE(SendMessageA(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges)));
  RECT client;
  GetClientRect(bar, &client);
  const RECT expected[] = {
      {0, 2, 98, client.bottom}, {100, 2, 248, client.bottom}, {250, 2, client.right, client.bottom}};
  for (WPARAM i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const RECT r = PartRect(bar, i);
    EXPECT_TRUE(EqualRect(&r, &expected[i])) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
  RECT none;
  EXPECT_FALSE(SendMessageA(bar, SB_GETRECT, 3, reinterpret_cast<LPARAM>(&none)));
  int read[4] = {};
  EXPECT_EQ(SendMessageA(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(read)), 3);
  EXPECT_EQ(read[1], 250);
  int borders[3];
  ASSERT_TRUE(SendMessageA(bar, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders)));
  EXPECT_EQ(borders[2], 2);

  SendMessageA(bar, SB_SETTEXT, 1 | SBT_POPOUT, reinterpret_cast<LPARAM>("44.1 kHz"));
  EXPECT_EQ(Text(bar, 1), "44.1 kHz");
  EXPECT_EQ(SendMessageA(bar, SB_GETTEXTLENGTH, 1, 0), static_cast<LRESULT>(MAKELONG(8, SBT_POPOUT)));
  EXPECT_EQ(Text(bar, 0), "ready");
  EXPECT_FALSE(SendMessageA(bar, SB_SETTEXT, 7, reinterpret_cast<LPARAM>("x")));
}

TEST_F(StatusBar, SimpleModeKeepsItsOwnTextAndTellsTheParent) {
  HWND bar = Make();
  const int edges[] = {100, -1};
  SendMessageA(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
  SendMessageA(bar, SB_SETTEXT, 1, reinterpret_cast<LPARAM>("part"));
  int changes = 0;
  on_parent_ = [&](UINT message, WPARAM, LPARAM lparam, LRESULT*) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lparam)->code == SBN_SIMPLEMODECHANGE) ++changes;
    return false;
  };
  SendMessageA(bar, SB_SIMPLE, TRUE, 0);
  EXPECT_TRUE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
  SendMessageA(bar, SB_SETTEXT, SB_SIMPLEID, reinterpret_cast<LPARAM>("Scanning..."));
  EXPECT_EQ(Text(bar, SB_SIMPLEID), "Scanning...");
  RECT client;
  GetClientRect(bar, &client);
  const RECT simple = PartRect(bar, SB_SIMPLEID);
  EXPECT_EQ(simple.right, client.right);
  EXPECT_EQ(simple.left, 0);
  SendMessageA(bar, SB_SIMPLE, FALSE, 0);
  EXPECT_FALSE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(Text(bar, 1), "part") << "the parts keep their texts";
  EXPECT_EQ(changes, 2);
}

TEST_F(StatusBar, SizeGripSizesTheParent) {
  SetWindowLongA(parent_, GWL_STYLE, GetWindowLongA(parent_, GWL_STYLE) | WS_THICKFRAME);
  HWND bar = Make(SBARS_SIZEGRIP);
  HWND plain = Make();
  RECT client;
  GetClientRect(bar, &client);
  const int grip = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(HitAt(bar, client.right - 2, client.bottom - 2), HTBOTTOMRIGHT);
  EXPECT_EQ(HitAt(bar, client.right - grip + 1, client.bottom - 2), HTBOTTOMRIGHT);
  EXPECT_EQ(HitAt(bar, client.right - grip - 1, client.bottom - 2), HTCLIENT);
  EXPECT_EQ(HitAt(bar, 10, client.bottom - 2), HTCLIENT);
  EXPECT_EQ(HitAt(plain, client.right - 2, client.bottom - 2), HTCLIENT) << "no grip without SBARS_SIZEGRIP";

  std::vector<WPARAM> commands;
  on_parent_ = [&](UINT message, WPARAM wparam, LPARAM, LRESULT*) {
    if (message != WM_SYSCOMMAND) return false;
    commands.push_back(wparam);
    return true;
  };
  SendMessageA(bar, WM_NCLBUTTONDOWN, static_cast<WPARAM>(HTBOTTOMRIGHT), 0);
  EXPECT_EQ(commands, (std::vector<WPARAM>{SC_SIZE + WMSZ_BOTTOMRIGHT}));

  SetWindowLongA(parent_, GWL_STYLE, GetWindowLongA(parent_, GWL_STYLE) & ~WS_THICKFRAME);
  EXPECT_EQ(HitAt(bar, client.right - 2, client.bottom - 2), HTCLIENT)
      << "a parent of fixed size has no grip";
}

TEST_F(StatusBar, OwnerDrawnPartsAndClicksReachTheParent) {
  HWND bar = Make();
  const int edges[] = {100, -1};
  SendMessageA(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges));
  SendMessageA(bar, SB_SETTEXT, 1 | SBT_OWNERDRAW, 0x1234);
  EXPECT_EQ(SendMessageA(bar, SB_GETTEXT, 1, 0), 0x1234);
  std::vector<std::pair<UINT, ULONG_PTR>> drawn;
  std::vector<DWORD_PTR> clicked;
  on_parent_ = [&](UINT message, WPARAM, LPARAM lparam, LRESULT*) {
    if (message == WM_DRAWITEM) {
      const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      drawn.emplace_back(dis->itemID, dis->itemData);
    }
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lparam)->code == NM_CLICK)
      clicked.push_back(reinterpret_cast<NMMOUSE*>(lparam)->dwItemSpec);
    return false;
  };
  Snapshot shot(bar);
  EXPECT_EQ(drawn, (std::vector<std::pair<UINT, ULONG_PTR>>{{1u, 0x1234u}}));
  Click(bar, 50, 5);
  Click(bar, 150, 5);
  EXPECT_EQ(clicked, (std::vector<DWORD_PTR>{0, 1}));
}

}  // namespace
