#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/user/Header.h"

using namespace plat;

namespace {

struct Event {
  UINT code;
  int item;
  int width;  // -1 without a width
  bool operator==(const Event&) const = default;
};

class Header : public usertest::ControlTest {
 protected:
  // Columns of 100, 80 and 120 pixels.
  HWND Make(DWORD style = HDS_BUTTONS) {
    HWND header = Child(WC_HEADERA, "", style, 0, 0, 350, 20, 6);
    int at = 0;
    for (auto [text, width] : {std::pair{"Band", 100}, std::pair{"Level", 80}, std::pair{"Peak", 120}}) {
      HDITEMA item;
      item.mask = HDI_TEXT | HDI_WIDTH;
      item.pszText = const_cast<char*>(text);
      item.cxy = width;
      SendMessageA(header, HDM_INSERTITEMA, static_cast<WPARAM>(at++), reinterpret_cast<LPARAM>(&item));
    }
    on_parent_ = [this](UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
      if (message != WM_NOTIFY) return false;
      const auto* nm = reinterpret_cast<const NMHEADERA*>(lparam);
      const int width = nm->pitem && (nm->pitem->mask & HDI_WIDTH) ? nm->pitem->cxy : -1;
      events_.push_back({nm->hdr.code, nm->iItem, width});
      *result = nm->hdr.code == refuse_ ? TRUE : FALSE;
      return true;
    };
    return header;
  }
  static int Width(HWND header, int index) {
    HDITEMA item;
    item.mask = HDI_WIDTH;
    SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return item.cxy;
  }
  static void Drag(HWND header, int from, int to) {
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, At(from, 10));
    SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, At((from + to) / 2, 10));
    SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, At(to, 10));
    SendMessageA(header, WM_LBUTTONUP, 0, At(to, 10));
  }

  std::vector<Event> events_;
  UINT refuse_ = 0;
};

TEST_F(Header, ItemsLieSideBySideAndLayOutAtTheTop) {
  HWND header = Make();
  EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 3);
  RECT r;
  ASSERT_TRUE(SendMessageA(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right, 180);
  EXPECT_EQ(r.bottom, 20);
  EXPECT_FALSE(SendMessageA(header, HDM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r)));

  RECT area{5, 10, 305, 200};
  WINDOWPOS pos;
  HDLAYOUT layout{&area, &pos};
  ASSERT_TRUE(SendMessageA(header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout)));
  EXPECT_EQ(pos.x, 5);
  EXPECT_EQ(pos.y, 10);
  EXPECT_EQ(pos.cx, 300);
  EXPECT_GT(pos.cy, 10);
  EXPECT_EQ(area.top, 10 + pos.cy) << "the rest is left for the view under the header";

  int order[3] = {2, 0, 1};
  ASSERT_TRUE(SendMessageA(header, HDM_SETORDERARRAY, 3, reinterpret_cast<LPARAM>(order)));
  SendMessageA(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 0) << "the third item is shown first";
  EXPECT_EQ(SendMessageA(header, HDM_ORDERTOINDEX, 1, 0), 0);
  int bad[3] = {0, 0, 1};
  EXPECT_FALSE(SendMessageA(header, HDM_SETORDERARRAY, 3, reinterpret_cast<LPARAM>(bad)));
}

struct HitCase {
  int x, y;
  int item;
  UINT flags;
};

TEST_F(Header, HitTestFindsItemsAndDividers) {
  const HitCase cases[] = {
      {50, 10, 0, HHT_ONHEADER},  {97, 10, 0, HHT_ONDIVIDER}, {102, 10, 0, HHT_ONDIVIDER},
      {110, 10, 1, HHT_ONHEADER}, {330, 10, -1, HHT_NOWHERE}, {50, 30, -1, HHT_BELOW},
      {-3, 10, -1, HHT_TOLEFT},
  };
  HWND header = Make();
  for (const HitCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    HDHITTESTINFO info;
    info.pt = POINT{c.x, c.y};
    EXPECT_EQ(SendMessageA(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), c.item);
    EXPECT_EQ(info.flags, c.flags);
  }
}

TEST_F(Header, ButtonClicksAreReportedWhereTheyEnd) {
  HWND header = Make();
  Click(header, 130, 10);
  EXPECT_EQ(events_, (std::vector<Event>{{HDN_ITEMCLICK, 1, -1}}));
  events_.clear();
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, At(130, 10));
  SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, At(250, 10));
  SendMessageA(header, WM_LBUTTONUP, 0, At(250, 10));
  EXPECT_TRUE(events_.empty()) << "released off the item";
  HWND plain = Make(0);
  events_.clear();
  Click(plain, 130, 10);
  EXPECT_TRUE(events_.empty()) << "no clicks without HDS_BUTTONS";
}

TEST_F(Header, DraggingADividerTracksThenResizes) {
  HWND header = Make();
  Drag(header, 100, 140);
  EXPECT_EQ(events_, (std::vector<Event>{{HDN_BEGINTRACK, 0, 100},
                                         {HDN_TRACK, 0, 120},
                                         {HDN_TRACK, 0, 140},
                                         {HDN_ENDTRACK, 0, 140},
                                         {HDN_ITEMCHANGING, 0, 140},
                                         {HDN_ITEMCHANGED, 0, 140}}));
  EXPECT_EQ(Width(header, 0), 140);
  EXPECT_EQ(GetCapture(), nullptr);

  events_.clear();
  Drag(header, 220, 0);
  EXPECT_EQ(Width(header, 1), 0) << "a column shrinks to nothing, not below";

  events_.clear();
  refuse_ = HDN_BEGINTRACK;
  Drag(header, 140, 200);
  EXPECT_EQ(events_, (std::vector<Event>{{HDN_BEGINTRACK, 0, 140}}));
  EXPECT_EQ(Width(header, 0), 140);

  events_.clear();
  refuse_ = HDN_ITEMCHANGING;
  Drag(header, 140, 160);
  EXPECT_EQ(Width(header, 0), 140) << "the parent refused the new width";
}

TEST_F(Header, FullDragResizesWhileMovingAndEscapeRestores) {
  HWND header = Make(HDS_BUTTONS | HDS_FULLDRAG);
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, At(100, 10));
  SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, At(130, 10));
  EXPECT_EQ(Width(header, 0), 130);
  SendMessageA(header, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(Width(header, 0), 100);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(events_.back(), (Event{HDN_ITEMCHANGED, 0, 100}));
}

}  // namespace
