// The media player bar: which button a point belongs to, clicks only on an
// enabled button released where it was pressed, and its glyphs.
#include <gtest/gtest.h>

#include <vector>

#include "StdControlsTestSupport.h"
#include "platform/vcl/MPlayer.h"
#include "platform/vcl/TypInfo.h"

using namespace vcl;
using vcltest::StdControlsTest;

namespace {

class MediaPlayerTest : public StdControlsTest {
 protected:
  TMediaPlayer* NewPlayer(TButtonSet visible) {
    auto* p = new TMediaPlayer(form_);
    p->SetParent(form_);
    p->SetBounds(10, 10, 100, 30);
    p->SetVisibleButtons(visible);
    p->OnClick = [this](TObject*, TMPBtnType button, bool&) { clicks_.push_back(button); };
    return p;
  }
  std::vector<TMPBtnType> clicks_;
};

TEST_F(MediaPlayerTest, ButtonsShareTheWidthAndABorderBelongsToTheFirst) {
  TMediaPlayer* p = NewPlayer(TButtonSet{btStop, btEject});
  struct Case {
    int x;
    int button;
  } cases[] = {{0, btStop}, {50, btStop}, {51, btEject}, {100, btEject}, {101, -1}, {-1, -1}};
  for (const Case& c : cases) EXPECT_EQ(p->ButtonAt(c.x), c.button) << c.x;
  p->SetVisibleButtons(TButtonSet{});
  EXPECT_EQ(p->ButtonAt(0), -1);
  EXPECT_EQ(GetPropValue(NewPlayer(TButtonSet{btPlay, btRecord}), "VisibleButtons"), "[btPlay,btRecord]");
}

TEST_F(MediaPlayerTest, ClickOnlyOnAnEnabledButtonReleasedWhereItWasPressed) {
  TMediaPlayer* p = NewPlayer(TButtonSet{btPlay, btPause, btStop, btNext});
  p->SetEnabledButtons(TButtonSet{btPlay, btPause, btNext});
  ShowForm();
  Click(p, 10, 10);  // play
  Click(p, 60, 10);  // stop: not enabled
  Click(p, 90, 10);  // next
  // Pressed on pause, released on play: nothing.
  Screen()->InjectMouseMove(p->ClientToScreen(TPoint{30, 10}));
  Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);
  Pump();
  Screen()->InjectMouseMove(p->ClientToScreen(TPoint{5, 10}));
  Screen()->InjectMouseButton(plat::backend::MouseButton::Left, false);
  Pump();
  EXPECT_EQ(clicks_, (std::vector<TMPBtnType>{btPlay, btNext}));
}

TEST(MediaGlyphTest, InkByKindOnTheOliveKey) {
  TBitmap glyph;
  DrawMediaGlyph(&glyph, btPlay, mgEnabled);
  ASSERT_EQ(glyph.Width(), kMediaGlyphWidth);
  ASSERT_EQ(glyph.Height(), kMediaGlyphHeight);
  // The play triangle's flat side at x 5, its point in the middle row.
  EXPECT_EQ(glyph.Canvas()->Pixels(5, 5), clBlack);
  EXPECT_EQ(glyph.Canvas()->Pixels(9, 5), clBlack);
  EXPECT_EQ(glyph.Canvas()->Pixels(10, 5), kMediaGlyphKey);
  EXPECT_EQ(glyph.Canvas()->Pixels(0, kMediaGlyphHeight - 1), kMediaGlyphKey);
  DrawMediaGlyph(&glyph, btPlay, mgDisabled);
  EXPECT_EQ(glyph.Canvas()->Pixels(5, 5), clGray);
  DrawMediaGlyph(&glyph, btRecord, mgColored);
  EXPECT_EQ(glyph.Canvas()->Pixels(7, 5), MediaGlyphColour(btRecord));
  // Every button has a picture of its own.
  for (int a = 0; a < kMediaButtonCount; ++a)
    for (int b = a + 1; b < kMediaButtonCount; ++b) {
      TBitmap one, two;
      DrawMediaGlyph(&one, static_cast<TMPBtnType>(a), mgEnabled);
      DrawMediaGlyph(&two, static_cast<TMPBtnType>(b), mgEnabled);
      bool differ = false;
      for (int y = 0; y < kMediaGlyphHeight && !differ; ++y)
        for (int x = 0; x < kMediaGlyphWidth && !differ; ++x)
          differ = one.Canvas()->Pixels(x, y) != two.Canvas()->Pixels(x, y);
      EXPECT_TRUE(differ) << a << " " << b;
    }
}

}  // namespace
