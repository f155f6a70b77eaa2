// Skinned scroll bars on a skinned test form: the overlay laid over a memo's
// bar, its parts by pixels in each state, its hit test and thumb drag, the
// scroll codes, visibility and the overlay's life with its parent.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/user/Edit.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "skin/ScrollSkinFixture.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinScroll.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

class WinSkinScrollTest : public SkinControlFormTest {
 protected:
  void SetUp() override {
    SkinControlFormTest::SetUp();
    TestSkinOptions o;
    AddScrollImages(o);
    SkinTheForm(o, 400, 300);
    panel_ = Place(new vcl::TPanel(form_), 10, 10, 300, 200);
    memo_ = Place(new vcl::TMemo(form_), 20, 30, 200, 100, panel_);
    memo_->SetScrollBars(vcl::ssVertical);
    for (int i = 0; i < 12; ++i) memo_->Lines()->Add("line " + std::to_string(i));
    Pump();
    skin_ = Skin(new TSkinScrollbar(memo_));
    ASSERT_NE(skin_->VScroll, nullptr);
  }
  // A pixel of the vertical overlay, in its own coordinates.
  uint32_t Bar(int x, int y) {
    skin_->VScroll->Invalidate();
    return ChildPixel(form_, skin_->VScroll->Handle(), x, y);
  }

  // A pixel of the memo's window.
  uint32_t Memo(int x, int y) {
    plat::InvalidateRect(memo_->Handle(), nullptr, plat::TRUE);
    return ChildPixel(form_, memo_->Handle(), x, y);
  }

  vcl::TPanel* panel_ = nullptr;
  vcl::TMemo* memo_ = nullptr;
  TSkinScrollbar* skin_ = nullptr;
};

TEST_F(WinSkinScrollTest, OverlayLiesOverTheBarAndShowsEachState) {
  TWScrollbar* v = skin_->VScroll;
  // The memo's bar is (182,2)-(198,98) of its window: 16 x 96 over it.
  EXPECT_TRUE(v->BarVisible);
  EXPECT_EQ(v->Left(), 20 + 182);
  EXPECT_EQ(v->Top(), 30 + 2);
  EXPECT_EQ(v->Width(), 16);
  EXPECT_EQ(v->Height(), 96);
  EXPECT_EQ(v->Parent(), panel_);
  EXPECT_EQ(plat::GetWindow(memo_->Handle(), plat::GW_HWNDPREV), v->Handle()) << "directly above the memo";
  EXPECT_FALSE(skin_->HScroll->BarVisible) << "no horizontal bar";
  EXPECT_FALSE(skin_->HScroll->Visible());
  // The memo's border in the skin's colours.
  EXPECT_EQ(Memo(0, 0), Rgb(0x102030));
  EXPECT_EQ(Memo(199, 99), Rgb(0x102030));
  EXPECT_EQ(Memo(1, 1), Rgb(0x604020));

  const int mid_thumb = (v->ThumbTop + v->ThumbBottom) / 2;
  ASSERT_GT(v->ThumbBottom - v->ThumbTop, 16 + 4) << "room for the thumb's ends beside its grip";
  struct Case {
    const char* state;
    int hot;
    bool tracking;
    int up, down, thumb, grip;
  } cases[] = {
      {"normal", kScrollNone, false, 9, 13, 1, 20},
      {"down arrow hovered", kScrollSecondArrow, false, 9, 16, 1, 20},
      {"down arrow pressed", kScrollSecondArrow, true, 9, 14, 1, 20},
      {"up arrow hovered", kScrollFirstArrow, false, 12, 13, 1, 20},
      {"thumb hovered", kScrollThumb, false, 9, 13, 3, 22},
      {"thumb pressed", kScrollThumb, true, 9, 13, 2, 21},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    v->HotPart = c.hot;
    v->Tracking = c.tracking;
    v->DragThumbTop = v->ThumbTop;
    plat::POINT cursor{};
    plat::GetCursorPos(&cursor);
    v->DragStart = cursor;
    EXPECT_EQ(Bar(8, 8), Rgb(BarFrame(c.up)));
    EXPECT_EQ(Bar(8, 88), Rgb(BarFrame(c.down)));
    // Track outside the thumb; the thumb's ends and its centred grip.
    EXPECT_EQ(Bar(1, v->ThumbBottom + 2), Rgb(kTrack[0]));
    EXPECT_EQ(Bar(8, v->ThumbTop + 1), Rgb(kThumb[static_cast<size_t>(c.thumb - 1)]));
    EXPECT_EQ(Bar(8, mid_thumb), Rgb(BarFrame(c.grip)));
  }
  v->Tracking = false;
  v->HotPart = kScrollNone;

  // The real pointer over the down arrow: hovered.
  plat::RECT r{};
  plat::GetWindowRect(v->Handle(), &r);
  Screen()->InjectMouseMove(plat::POINT{r.left + 8, r.top + 88});
  Pump();
  EXPECT_EQ(v->HotPart, kScrollSecondArrow);
  EXPECT_EQ(Bar(8, 88), Rgb(BarFrame(16)));

  // A disabled bar: the track's disabled frame and no thumb.
  plat::EnableScrollBar(memo_->Handle(), plat::SB_VERT, plat::ESB_DISABLE_BOTH);
  EXPECT_EQ(Bar(1, mid_thumb), Rgb(kTrack[2]));
}

TEST_F(WinSkinScrollTest, HitTestDragAndBreadth) {
  TWScrollbar* v = skin_->VScroll;
  v->ThumbTop = 30;
  v->ThumbBottom = 50;
  v->Length = 96;
  v->ArrowSize = 16;
  const std::pair<int, int> hits[] = {{8, 0}, {20, 2}, {30, 5}, {49, 5}, {50, 3}, {79, 3}, {80, 1}};
  for (auto [y, part] : hits) EXPECT_EQ(v->HitTest(vcl::TPoint{8, y}), part) << y;
  v->DragThumbTop = 30;
  EXPECT_EQ(v->DragPosition(100), 60);  // 96 - 16 - 20
  EXPECT_EQ(v->DragPosition(-100), 16);
  EXPECT_EQ(v->DragPosition(5), 35);
  const std::pair<int, int> breadths[] = {{16, 16}, {18, 18}, {20, 16}, {13, 16}};
  for (auto [image, breadth] : breadths) EXPECT_EQ(TWScrollbar::Breadth(image, 16), breadth) << image;
}

TEST_F(WinSkinScrollTest, ScrollCodesClicksAndVisibility) {
  TWScrollbar* v = skin_->VScroll;
  // The scroll code is the low word, whatever position the high word holds.
  plat::SendMessageA(memo_->Handle(), plat::WM_VSCROLL, plat::MAKEWPARAM(plat::SB_THUMBTRACK, 37), 0);
  EXPECT_EQ(v->HotPart, plat::SB_THUMBTRACK);
  plat::SendMessageA(memo_->Handle(), plat::WM_VSCROLL, plat::MAKEWPARAM(plat::SB_ENDSCROLL, 0), 0);

  // A press on the down arrow goes to the memo's own bar: it scrolls, and
  // the call returns once the button is up.
  const int top_before =
      static_cast<int>(plat::SendMessageA(memo_->Handle(), plat::EM_GETFIRSTVISIBLELINE, 0, 0));
  plat::RECT r{};
  plat::GetWindowRect(v->Handle(), &r);
  ClickAndHold(plat::POINT{r.left + 8, r.top + 88});
  EXPECT_FALSE(v->Tracking);
  EXPECT_GT(plat::SendMessageA(memo_->Handle(), plat::EM_GETFIRSTVISIBLELINE, 0, 0), top_before);

  // Hidden with its memo, back when the memo shows again.
  memo_->Hide();
  Pump();
  EXPECT_FALSE(v->Visible());
  memo_->Show();
  Pump();
  EXPECT_TRUE(v->Visible());
  EXPECT_TRUE(v->BarVisible);

  // A bar that appears later gets its overlay with the size change it makes.
  EXPECT_FALSE(skin_->HScroll->BarVisible);
  plat::ShowScrollBar(memo_->Handle(), plat::SB_HORZ, plat::TRUE);
  Pump();
  EXPECT_TRUE(skin_->HScroll->BarVisible);
  // The corner between the bars, taken from the memo's own edge, in the face.
  const vcl::TRect vbar = skin_->VScroll->BarRect, hbar = skin_->HScroll->BarRect;
  EXPECT_EQ(vbar.left, 180);
  EXPECT_EQ(Memo(2 + (vbar.left + vbar.right) / 2, 2 + (hbar.top + hbar.bottom) / 2), Rgb(0x604020));
}

TEST_F(WinSkinScrollTest, OverlaysGoWithTheirParentOnce) {
  // The panel holding the memo freed while the form lives: its children,
  // overlays included, go with it; the companion forgets them.
  delete panel_;
  Pump();
  skin_form_->SkinnedControls().Sweep();
  delete form_;
  form_ = nullptr;
  Pump();
}

}  // namespace
