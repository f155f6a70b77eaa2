#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "platform/user/Progress.h"

using namespace plat;

namespace {

class Progress : public usertest::ControlTest {
 protected:
  // 200 x 20 with a one-pixel border: 198 pixels to fill.
  HWND Make(DWORD style = PBS_SMOOTH) { return Child(PROGRESS_CLASSA, "", style, 10, 10, 200, 20, 5); }
  static int Pos(HWND bar) { return static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)); }
};

struct FillCase {
  int low, high, pos;
  int filled;  // pixels from the left inner edge
};

TEST_F(Progress, FillsInProportionToThePosition) {
  const FillCase cases[] = {
      {0, 100, 0, 0}, {0, 100, 50, 99}, {20, 120, 70, 99}, {0, 100, 100, 198}, {0, 3, 1, 66},
  };
  HWND bar = Make();
  const COLORREF bar_color = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF back = GetSysColor(COLOR_3DFACE);
  for (const FillCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.low << ".." << c.high << " at " << c.pos);
    SendMessageA(bar, PBM_SETRANGE32, static_cast<WPARAM>(c.low), c.high);
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(c.pos), 0);
    Snapshot shot(bar);
    if (c.filled > 0) {
      EXPECT_EQ(shot.At(1 + c.filled - 1, 10), bar_color);
    }
    if (c.filled < 198) {
      EXPECT_EQ(shot.At(1 + c.filled, 10), back);
    }
  }
}

TEST_F(Progress, VerticalBarsFillFromTheBottomAndColoursCanBeSet) {
  HWND bar = Child(PROGRESS_CLASSA, "", PBS_SMOOTH | PBS_VERTICAL, 10, 10, 20, 102, 5);
  SendMessageA(bar, PBM_SETPOS, 25, 0);
  SendMessageA(bar, PBM_SETBARCOLOR, 0, RGB(0, 128, 0));
  SendMessageA(bar, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
  Snapshot shot(bar);
  EXPECT_EQ(shot.At(10, 100), RGB(0, 128, 0));
  EXPECT_EQ(shot.At(10, 76), RGB(0, 128, 0));
  EXPECT_EQ(shot.At(10, 75), RGB(255, 255, 255));
  EXPECT_EQ(SendMessageA(bar, PBM_GETBARCOLOR, 0, 0), static_cast<LRESULT>(RGB(0, 128, 0)));
}

TEST_F(Progress, ChunksStopAtTheFilledLength) {
  HWND bar = Make(0);
  SendMessageA(bar, PBM_SETPOS, 50, 0);
  Snapshot shot(bar);
  EXPECT_EQ(shot.At(2, 10), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(shot.At(120, 10), GetSysColor(COLOR_3DFACE));
}

TEST_F(Progress, RangePositionAndStepMessages) {
  HWND bar = Make();
  EXPECT_EQ(SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(10, 60)), static_cast<LRESULT>(MAKELONG(0, 100)));
  PBRANGE range;
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 10);
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 60);
  EXPECT_EQ(range.iHigh, 60);
  EXPECT_EQ(Pos(bar), 10) << "the position moves into the new range";
  EXPECT_EQ(SendMessageA(bar, PBM_SETPOS, 500, 0), 10);
  EXPECT_EQ(Pos(bar), 60);
  EXPECT_EQ(SendMessageA(bar, PBM_DELTAPOS, static_cast<WPARAM>(-15), 0), 60);
  EXPECT_EQ(Pos(bar), 45);
  EXPECT_EQ(SendMessageA(bar, PBM_SETSTEP, 10, 0), 10);
  SendMessageA(bar, PBM_STEPIT, 0, 0);
  EXPECT_EQ(Pos(bar), 55);
  SendMessageA(bar, PBM_STEPIT, 0, 0);
  EXPECT_EQ(Pos(bar), 15) << "past the end it starts again from the beginning";
  EXPECT_EQ(SendMessageA(bar, PBM_SETSTATE, PBST_ERROR, 0), PBST_NORMAL);
  EXPECT_EQ(SendMessageA(bar, PBM_GETSTATE, 0, 0), PBST_ERROR);
}

}  // namespace
