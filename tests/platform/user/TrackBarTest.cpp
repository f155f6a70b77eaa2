#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Focus.h"
#include "platform/user/TrackBar.h"

using namespace plat;

namespace {

class TrackBar : public usertest::ControlTest {
 protected:
  // 0..100, 210 pixels long: the channel runs 8..202, about two pixels a step.
  HWND Make(DWORD style = 0) {
    HWND bar = style & TBS_VERT ? Child(TRACKBAR_CLASSA, "", style, 10, 10, 40, 210, 7)
                                : Child(TRACKBAR_CLASSA, "", style, 10, 10, 210, 40, 7);
    notices_.clear();
    return bar;
  }
  static int Pos(HWND bar) { return static_cast<int>(SendMessageA(bar, TBM_GETPOS, 0, 0)); }
  static RECT Thumb(HWND bar) {
    RECT r;
    SendMessageA(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
  }
  static void PumpTimers() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageA(&msg);
  }
  // (code, position word) of every scroll notice.
  std::vector<std::pair<WORD, WORD>> Scrolls() const {
    std::vector<std::pair<WORD, WORD>> out;
    for (const auto& n : notices_)
      if (n.message == WM_HSCROLL || n.message == WM_VSCROLL) out.emplace_back(n.code, n.extra);
    return out;
  }
};

struct KeyCase {
  int vk;
  WORD code;
  int expected_pos;
};

TEST_F(TrackBar, KeysMoveByLineAndPageAndReportTheirCodes) {
  const KeyCase cases[] = {
      {VK_RIGHT, TB_LINEDOWN, 51}, {VK_DOWN, TB_LINEDOWN, 51}, {VK_LEFT, TB_LINEUP, 49},
      {VK_UP, TB_LINEUP, 49},      {VK_NEXT, TB_PAGEDOWN, 70}, {VK_PRIOR, TB_PAGEUP, 30},
      {VK_HOME, TB_TOP, 0},        {VK_END, TB_BOTTOM, 100},
  };
  for (DWORD style : {TBS_HORZ, TBS_VERT}) {
    HWND bar = Make(style);
    SendMessageA(bar, TBM_SETPAGESIZE, 0, 20);
    for (const KeyCase& c : cases) {
      SCOPED_TRACE(testing::Message() << "style " << style << " key " << c.vk);
      SendMessageA(bar, TBM_SETPOS, TRUE, 50);
      notices_.clear();
      Key(bar, c.vk);
      EXPECT_EQ(Pos(bar), c.expected_pos);
      EXPECT_EQ(Scrolls(), (std::vector<std::pair<WORD, WORD>>{{c.code, 0}, {TB_ENDTRACK, 0}}));
      ASSERT_FALSE(notices_.empty());
      EXPECT_EQ(notices_[0].message, style == TBS_VERT ? WM_VSCROLL : WM_HSCROLL);
      EXPECT_EQ(notices_[0].from, bar);
    }
    DestroyWindow(bar);
  }
}

TEST_F(TrackBar, PositionsStayInsideTheRange) {
  HWND bar = Make();
  SendMessageA(bar, TBM_SETPOS, TRUE, 500);
  EXPECT_EQ(Pos(bar), 100);
  SendMessageA(bar, TBM_SETRANGE, TRUE, MAKELPARAM(10, 40));
  EXPECT_EQ(Pos(bar), 40);
  EXPECT_EQ(SendMessageA(bar, TBM_GETRANGEMIN, 0, 0), 10);
  EXPECT_EQ(SendMessageA(bar, TBM_GETRANGEMAX, 0, 0), 40);
  SendMessageA(bar, TBM_SETRANGEMIN, TRUE, -20);
  SendMessageA(bar, TBM_SETPOS, TRUE, -30);
  EXPECT_EQ(Pos(bar), -20);
  Key(bar, VK_LEFT);
  EXPECT_EQ(Pos(bar), -20) << "no step below the minimum";
  EXPECT_EQ(Scrolls().front().first, TB_LINEUP) << "the parent still hears the key";
  SendMessageA(bar, TBM_SETSEL, FALSE, MAKELPARAM(5, 99));
  EXPECT_EQ(SendMessageA(bar, TBM_GETSELSTART, 0, 0), 5);
  EXPECT_EQ(SendMessageA(bar, TBM_GETSELEND, 0, 0), 40);
}

TEST_F(TrackBar, TicksAreCountedWithBothEnds) {
  HWND bar = Make(TBS_AUTOTICKS);
  SendMessageA(bar, TBM_SETTICFREQ, 25, 0);
  EXPECT_EQ(SendMessageA(bar, TBM_GETNUMTICS, 0, 0), 5);
  EXPECT_EQ(SendMessageA(bar, TBM_GETTIC, 1, 0), 50);
  EXPECT_EQ(SendMessageA(bar, TBM_GETTIC, 3, 0), -1);
  SendMessageA(bar, TBM_CLEARTICS, TRUE, 0);
  EXPECT_TRUE(SendMessageA(bar, TBM_SETTIC, 0, 30));
  EXPECT_FALSE(SendMessageA(bar, TBM_SETTIC, 0, 130));
  EXPECT_EQ(SendMessageA(bar, TBM_GETNUMTICS, 0, 0), 3);
  const auto* tics = reinterpret_cast<const DWORD*>(SendMessageA(bar, TBM_GETPTICS, 0, 0));
  ASSERT_NE(tics, nullptr);
  EXPECT_EQ(tics[0], 30u);
  EXPECT_EQ(SendMessageA(Make(TBS_NOTICKS), TBM_GETNUMTICS, 0, 0), 0);
}

TEST_F(TrackBar, ThumbAndChannelRectanglesFollowThePosition) {
  for (DWORD style : {TBS_HORZ, TBS_VERT}) {
    SCOPED_TRACE(style);
    HWND bar = Make(style);
    const bool vertical = style == TBS_VERT;
    RECT channel;
    SendMessageA(bar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    EXPECT_GT(vertical ? channel.bottom - channel.top : channel.right - channel.left, 150)
        << "a vertical channel is reported standing up";
    const RECT at0 = Thumb(bar);
    SendMessageA(bar, TBM_SETPOS, TRUE, 100);
    const RECT at100 = Thumb(bar);
    const int centre0 = vertical ? (at0.top + at0.bottom) / 2 : (at0.left + at0.right) / 2;
    const int centre100 = vertical ? (at100.top + at100.bottom) / 2 : (at100.left + at100.right) / 2;
    EXPECT_NEAR(centre0, vertical ? channel.top : channel.left, 1);
    EXPECT_NEAR(centre100, (vertical ? channel.bottom : channel.right) - 1, 1);
    DestroyWindow(bar);
  }
}

TEST_F(TrackBar, ThumbDragTracksThenReportsTheDropPosition) {
  HWND bar = Make();
  const RECT thumb = Thumb(bar);
  const int y = (thumb.top + thumb.bottom) / 2;
  const int x = (thumb.left + thumb.right) / 2;
  SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
  EXPECT_EQ(GetCapture(), bar);
  EXPECT_EQ(GetFocus(), bar);
  SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, At(x + 97, y));
  SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, At(x + 97, y + 30));  // across the bar: no change
  SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, At(x + 500, y));
  SendMessageA(bar, WM_LBUTTONUP, 0, At(x + 500, y));
  EXPECT_EQ(Scrolls(),
            (std::vector<std::pair<WORD, WORD>>{
                {TB_THUMBTRACK, 50}, {TB_THUMBTRACK, 100}, {TB_THUMBPOSITION, 100}, {TB_ENDTRACK, 0}}));
  EXPECT_EQ(Pos(bar), 100);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TrackBar, HeldPageClickRepeatsUntilTheThumbReachesThePoint) {
  ScopedManualClock manual;
  HWND bar = Make();
  SendMessageA(bar, TBM_SETPAGESIZE, 0, 10);
  // A point between positions 40 and 50.
  const int x = 8 + 194 * 45 / 100;
  SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(x, 20));
  EXPECT_EQ(Pos(bar), 10) << "the press pages at once";
  clock::AdvanceMs(user::kTrackBarFirstDelayMs - 1);
  PumpTimers();
  EXPECT_EQ(Pos(bar), 10);
  clock::AdvanceMs(1);
  PumpTimers();
  EXPECT_EQ(Pos(bar), 20);
  for (int i = 0; i < 10; ++i) {
    clock::AdvanceMs(user::kTrackBarRepeatMs);
    PumpTimers();
  }
  EXPECT_EQ(Pos(bar), 50) << "paging stops once the thumb has reached the mouse";
  SendMessageA(bar, WM_LBUTTONUP, 0, At(x, 20));
  EXPECT_EQ(Scrolls(), (std::vector<std::pair<WORD, WORD>>{{TB_PAGEDOWN, 0},
                                                           {TB_PAGEDOWN, 0},
                                                           {TB_PAGEDOWN, 0},
                                                           {TB_PAGEDOWN, 0},
                                                           {TB_PAGEDOWN, 0},
                                                           {TB_ENDTRACK, 0}}));

  notices_.clear();
  SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(9, 20));
  SendMessageA(bar, WM_LBUTTONUP, 0, At(9, 20));
  EXPECT_EQ(Scrolls(), (std::vector<std::pair<WORD, WORD>>{{TB_PAGEUP, 0}, {TB_ENDTRACK, 0}}));
  EXPECT_EQ(Pos(bar), 40);
}

struct Stage {
  DWORD stage;
  DWORD_PTR item;
  bool operator==(const Stage&) const = default;
};

class TrackBarDraw : public TrackBar {
 protected:
  // Records every custom-draw stage and answers with `answer` for it.
  void Answer(std::function<LRESULT(const NMCUSTOMDRAW&)> answer) {
    on_parent_ = [this, answer](UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
      if (message != WM_NOTIFY) return false;
      const auto* cd = reinterpret_cast<const NMCUSTOMDRAW*>(lparam);
      if (cd->hdr.code != NM_CUSTOMDRAW) return false;
      stages_.push_back({cd->dwDrawStage, cd->dwDrawStage & CDDS_ITEM ? cd->dwItemSpec : 0});
      *result = answer(*cd);
      return true;
    };
  }
  std::vector<Stage> stages_;
};

TEST_F(TrackBarDraw, StagesComeInOrderAsTheAnswersAsk) {
  HWND bar = Make();
  Answer([](const NMCUSTOMDRAW& cd) -> LRESULT {
    if (cd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    if (cd.dwDrawStage == CDDS_ITEMPREPAINT && cd.dwItemSpec == TBCD_THUMB) return CDRF_NOTIFYPOSTPAINT;
    return CDRF_DODEFAULT;
  });
  Snapshot shot(bar);
  EXPECT_EQ(stages_, (std::vector<Stage>{{CDDS_PREPAINT, 0},
                                         {CDDS_ITEMPREPAINT, TBCD_CHANNEL},
                                         {CDDS_ITEMPREPAINT, TBCD_TICS},
                                         {CDDS_ITEMPREPAINT, TBCD_THUMB},
                                         {CDDS_ITEMPOSTPAINT, TBCD_THUMB},
                                         {CDDS_POSTPAINT, 0}}));

  stages_.clear();
  Answer([](const NMCUSTOMDRAW&) { return CDRF_DODEFAULT; });
  Snapshot plain(bar);
  EXPECT_EQ(stages_, (std::vector<Stage>{{CDDS_PREPAINT, 0}})) << "no item stages unless asked for";
}

TEST_F(TrackBarDraw, ItemRectanglesAreTheOnesTheMessagesReport) {
  HWND bar = Make();
  SendMessageA(bar, TBM_SETPOS, TRUE, 30);
  RECT thumb{}, channel{};
  Answer([&](const NMCUSTOMDRAW& cd) -> LRESULT {
    if (cd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd.dwItemSpec == TBCD_THUMB) thumb = cd.rc;
    if (cd.dwItemSpec == TBCD_CHANNEL) channel = cd.rc;
    return CDRF_DODEFAULT;
  });
  Snapshot shot(bar);
  const RECT expected_thumb = Thumb(bar);
  RECT expected_channel;
  SendMessageA(bar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&expected_channel));
  EXPECT_TRUE(EqualRect(&thumb, &expected_thumb));
  EXPECT_TRUE(EqualRect(&channel, &expected_channel));
}

TEST_F(TrackBarDraw, SkipDefaultLeavesTheThumbToTheParent) {
  HWND bar = Make();
  SendMessageA(bar, TBM_SETPOS, TRUE, 50);
  const RECT thumb = Thumb(bar);
  const int x = thumb.left + 3, y = thumb.top + 3;
  const COLORREF red = RGB(255, 0, 0);
  for (LRESULT thumb_answer : {CDRF_SKIPDEFAULT, CDRF_DODEFAULT}) {
    SCOPED_TRACE(thumb_answer);
    Answer([&](const NMCUSTOMDRAW& cd) -> LRESULT {
      if (cd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (cd.dwDrawStage == CDDS_ITEMPREPAINT && cd.dwItemSpec == TBCD_THUMB) {
        HBRUSH brush = CreateSolidBrush(red);
        FillRect(cd.hdc, &cd.rc, brush);
        DeleteObject(brush);
        return thumb_answer;
      }
      return CDRF_DODEFAULT;
    });
    Snapshot shot(bar);
    if (thumb_answer == CDRF_SKIPDEFAULT)
      EXPECT_EQ(shot.At(x, y), red);
    else
      EXPECT_EQ(shot.At(x, y), GetSysColor(COLOR_3DFACE)) << "the default thumb covers the parent's";
  }

  // Skipping at the first stage leaves the whole control to the parent.
  Answer([](const NMCUSTOMDRAW&) { return CDRF_SKIPDEFAULT; });
  stages_.clear();
  Snapshot none(bar);
  EXPECT_EQ(stages_.size(), 1u);
}

}  // namespace
