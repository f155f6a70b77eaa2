// The slider: its range rules in 64 bits, the logarithmic axis offset by
// MinValue, the thumb's place by pixels, keys with their track events, a
// track no longer than the thumb, and mouse tracking through the window
// system that ends on release, on a lost capture and on a lost focus.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "controls/MMBmpCtl.h"
#include "controls/MMSlider.h"
#include "displays/ScreenTestSupport.h"
#include "platform/user/Focus.h"
#include "support/PaintOnGround.h"

namespace controls {
namespace {

class TProbeSlider : public TMMSlider {
  VCL_DECLARE_CLASS(TProbeSlider, TMMSlider)
 public:
  using TMMSlider::KeyDown;
  using TMMSlider::KeyUp;
  using TMMSlider::MouseDown;
  using TMMSlider::MouseMove;
  using TMMSlider::MouseUp;
  using TMMSlider::Paint;
  using TMMSlider::TMMSlider;
};

}  // namespace
}  // namespace controls

VCL_IMPLEMENT_CLASS(controls::TProbeSlider)

namespace controls {
namespace {

class MMSliderTest : public testing::FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    slider_ = std::make_unique<TProbeSlider>(nullptr);
    slider_->OnChange = [this](vcl::TObject*) { log_.push_back("change"); };
    slider_->OnTrack = [this](vcl::TObject*) { log_.push_back("track"); };
    slider_->OnTrackEnd = [this](vcl::TObject*) { log_.push_back("end"); };
  }
  void TearDown() override {
    slider_.reset();
    EXPECT_EQ(BitmapCache(), nullptr);  // the buffer went back
    FormsTest::TearDown();
  }
  std::unique_ptr<TProbeSlider> slider_;
  std::vector<std::string> log_;
};

TEST_F(MMSliderTest, RangeIsNeverEmptyAndWideRangesDoNotOverflow) {
  TMMSlider& s = *slider_;
  s.SetMaxValue(0);
  EXPECT_EQ(s.MaxValue(), 1);
  // The same out-of-range position twice changes twice.
  log_.clear();
  s.SetPosition(7);
  s.SetPosition(7);
  EXPECT_EQ(s.Position(), 1);
  EXPECT_EQ(log_, (std::vector<std::string>{"change", "change"}));

  s.SetRange(INT_MAX, INT_MAX);
  EXPECT_EQ(s.MinValue(), INT_MAX - 1);
  EXPECT_EQ(s.MaxValue(), INT_MAX);
  s.SetRange(INT_MIN, INT_MAX);
  s.SetPosition(INT_MAX);
  const vcl::TRect track = s.TrackRect();
  EXPECT_EQ(s.CalcThumbRect(track).right, track.right);
  s.SetPosition(0);
  const vcl::TRect mid = s.CalcThumbRect(track);
  EXPECT_NEAR(mid.left - track.left, (track.right - track.left - s.ThumbWidth()) / 2, 1);
  EXPECT_EQ(s.PosFromPoint(track.right + 50, 0), INT_MAX);
  EXPECT_EQ(s.PosFromPoint(track.left - 50, 0), INT_MIN);
}

TEST_F(MMSliderTest, LogarithmicAxisCoversTheTopDecibelsFromMinValue) {
  TMMSlider& s = *slider_;
  s.SetMaxValue(100);
  s.SetLogarithmic(true);
  struct Case {
    int min, max, write, stored, read;
  } cases[] = {
      {0, 100, 50, 75, 50},  {0, 100, 10, 17, 10},  {0, 100, 6, 0, 0},        {0, 100, 100, 100, 100},
      {0, 100, -5, 0, 0},    {0, 100, 0, 0, 0},     {50, 150, 150, 150, 150}, {50, 150, 100, 125, 100},
      {50, 150, 56, 50, 50}, {50, 150, 20, 50, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.min << ".." << c.max << " write " << c.write);
    s.SetRange(c.min, c.max);
    s.SetPosition(c.write);
    EXPECT_EQ(s.CurrentPosition(), c.stored);
    EXPECT_EQ(s.Position(), c.read);
  }
  s.SetRange(0, 100);
  s.SetPosition(50);
  struct Sense {
    int in, stored;
  } senses[] = {{-200, -96}, {-10, -20}, {-24, -24}};
  for (const Sense& c : senses) {
    s.SetSensitivity(c.in);
    EXPECT_EQ(s.Sensitivity(), c.stored);
    EXPECT_NEAR(s.Position(), 50, 2) << c.in;  // the value is kept, to the axis's rounding
  }
  const int kept = s.Position();
  s.SetLogarithmic(false);
  EXPECT_EQ(s.Position(), kept);
  EXPECT_EQ(s.CurrentPosition(), kept);
}

TEST_F(MMSliderTest, ThumbIsPaintedWhereItsPositionPutsIt) {
  TMMSlider& s = *slider_;
  s.SetThumbColor(0x00C000);
  s.SetGrooveColor(0xC00000);
  // 200 x 40, bevel 5 + 1: track 188 wide, 177 of travel for an 11-pixel thumb.
  struct Case {
    int position, left;
  } cases[] = {{0, 6}, {5, 6 + 88}, {6, 6 + 106}, {10, 6 + 177}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    s.SetPosition(c.position);
    auto shot = testsupport::PaintOnGround(*slider_, 0x123456);
    const vcl::TRect thumb = s.ThumbRect();
    EXPECT_EQ(thumb.left, c.left);
    EXPECT_EQ(thumb.right - thumb.left, 11);
    EXPECT_EQ(shot->Canvas()->Pixels(c.left + 5, 20), 0x00C000);
    EXPECT_EQ(shot->Canvas()->Pixels(c.left, 20), vcl::ColorToRGB(vcl::clWindowFrame));
    // The groove's inside shows beside the thumb.
    const int beside = c.left > 100 ? c.left - 20 : c.left + 30;
    EXPECT_EQ(shot->Canvas()->Pixels(beside, 20), 0xC00000);
  }
  // Vertical: the maximum is at the top.
  s.SetBounds(0, 0, 40, 200);
  EXPECT_EQ(s.Orientation(), orVertical);
  s.SetThumbWidth(23);
  s.SetThumbHeight(11);
  s.SetPosition(10);
  EXPECT_EQ(s.CalcThumbRect(s.TrackRect()).top, 6);
  s.SetPosition(0);
  EXPECT_EQ(s.CalcThumbRect(s.TrackRect()).bottom, 194);
}

TEST_F(MMSliderTest, KeysStepTrackAndEndOnKeyUp) {
  TProbeSlider& s = *slider_;
  s.SetMaxValue(100);
  s.SetPageSize(30);
  s.SetLineSize(2);
  struct Case {
    TMMOrientation orientation;
    int start;
    uint16_t key;
    int expected;
  } cases[] = {
      {orHorizontal, 50, plat::VK_HOME, 0},
      {orVertical, 50, plat::VK_HOME, 100},
      {orHorizontal, 50, plat::VK_END, 100},
      {orVertical, 50, plat::VK_END, 0},
      {orHorizontal, 80, plat::VK_PRIOR, 100},
      {orHorizontal, 20, plat::VK_NEXT, 0},
      {orHorizontal, 50, plat::VK_LEFT, 48},
      {orHorizontal, 50, plat::VK_DOWN, 48},
      {orHorizontal, 50, plat::VK_RIGHT, 52},
      {orHorizontal, 50, plat::VK_UP, 52},
      {orHorizontal, 100, plat::VK_UP, 100},
      {orHorizontal, 0, plat::VK_LEFT, 0},
      {orHorizontal, 50, 'A', 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "key " << c.key << " from " << c.start);
    s.SetOrientation(c.orientation);
    s.SetPosition(c.start);
    log_.clear();
    uint16_t key = c.key;
    s.KeyDown(key, {});
    EXPECT_EQ(s.Position(), c.expected);
    const bool moved = c.expected != c.start;
    EXPECT_EQ(log_, moved ? (std::vector<std::string>{"change", "track"}) : std::vector<std::string>{});
    s.KeyUp(key, {});
    s.KeyUp(key, {});
    EXPECT_EQ(std::count(log_.begin(), log_.end(), "end"), moved ? 1 : 0);
  }
}

TEST_F(MMSliderTest, TrackNoLongerThanTheThumbHasOnePlace) {
  TProbeSlider& s = *slider_;
  s.SetMaxValue(100);
  s.SetBounds(0, 0, 11 + 2 * 6, 20);  // horizontal, the thumb fills the track
  ASSERT_EQ(s.Orientation(), orHorizontal);
  EXPECT_EQ(s.PosFromPoint(15, 10), 0);
  s.MouseDown(vcl::mbLeft, {vcl::ssLeft}, 8, 10);
  s.MouseMove({vcl::ssLeft}, 30, 10);
  s.MouseUp(vcl::mbLeft, {}, 30, 10);
  EXPECT_EQ(s.Position(), 0);
  s.SetBounds(0, 0, 5, 5);  // smaller than the thumb
  s.MouseDown(vcl::mbLeft, {vcl::ssLeft}, 2, 2);
  s.MouseUp(vcl::mbLeft, {}, 2, 2);
  EXPECT_NO_THROW(testsupport::PaintOnGround(s, 0));
}

// ---- mouse through the window system ----

class MMSliderScreenTest : public displaytest::ScreenTest {
 protected:
  TMMSlider* ShowSlider() {
    NewForm();
    auto* s = new TMMSlider(form_);
    s->SetParent(form_);
    s->SetBounds(0, 0, 200, 40);
    s->OnChange = [this](vcl::TObject*) { log_.push_back("change"); };
    s->OnTrack = [this](vcl::TObject*) { log_.push_back("track"); };
    s->OnTrackEnd = [this](vcl::TObject*) { log_.push_back("end"); };
    ShowForm();
    return s;
  }
  void MoveTo(int x, int y) {
    Screen()->InjectMouseMove(plat::POINT{100 + x, 100 + y});
    Pump();
  }
  void Button(bool down) {
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, down);
    Pump();
  }
  std::vector<std::string> log_;
};

TEST_F(MMSliderScreenTest, ClickJumpsDragMovesByTheTravelAndReleaseEndsTracking) {
  ASSERT_NE(Screen(), nullptr);
  TMMSlider* s = ShowSlider();
  // Click on the track at 6 + 5 + 0.7 * 177: position 7, no drag.
  MoveTo(6 + 5 + 124, 20);
  Button(true);
  EXPECT_EQ(s->Position(), 7);
  EXPECT_FALSE(s->Dragging());
  EXPECT_TRUE(s->Focused());
  Button(false);
  EXPECT_EQ(log_, (std::vector<std::string>{"change", "track", "end"}));

  // Press on the thumb (now at 6 + 124) and drag: 36 pixels are 2 steps of 17.7.
  log_.clear();
  MoveTo(6 + 124 + 5, 20);
  Button(true);
  EXPECT_TRUE(s->Dragging());
  MoveTo(6 + 124 + 5 - 36, 20);
  EXPECT_EQ(s->Position(), 5);
  MoveTo(6 + 124 + 5 - 37, 30);
  EXPECT_EQ(s->Position(), 5);
  Button(false);
  EXPECT_FALSE(s->Dragging());
  EXPECT_EQ(log_, (std::vector<std::string>{"track", "change", "track", "end"}));
}

TEST_F(MMSliderScreenTest, LostCaptureOrFocusEndsTheMovement) {
  ASSERT_NE(Screen(), nullptr);
  TMMSlider* s = ShowSlider();
  auto* edit = new vcl::TForm(vcl::Application);
  edit->SetBounds(500, 500, 40, 40);
  edit->Show();
  Pump();
  const std::function<void()> losses[] = {[] { plat::ReleaseCapture(); },
                                          [&] { plat::SetCapture(edit->Handle()); },
                                          [&] { plat::SetFocus(edit->Handle()); }};
  for (const auto& lose : losses) {
    MoveTo(11, 20);  // on the thumb at 0
    s->SetPosition(0);
    Button(true);
    ASSERT_TRUE(s->Tracking());
    ASSERT_TRUE(s->Dragging());
    log_.clear();
    lose();
    Pump();
    EXPECT_FALSE(s->Tracking());
    EXPECT_FALSE(s->Dragging());
    EXPECT_EQ(log_, std::vector<std::string>{"end"});
    // Moving on with the button still held drags nothing.
    MoveTo(80, 20);
    EXPECT_EQ(s->Position(), 0);
    plat::ReleaseCapture();
    Button(false);
    EXPECT_EQ(log_, std::vector<std::string>{"end"});
  }
}

}  // namespace
}  // namespace controls
