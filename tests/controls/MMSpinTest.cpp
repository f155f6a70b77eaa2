// Spin buttons: the arrow bitmaps the build draws, the value rules, the
// minimum size of the layout, auto-repeat on the manual clock, the keys of the
// control and of a bound edit through its subclass chain, grip scrubbing over
// wide ranges, and presses and drags that end cleanly when capture is lost.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "controls/MMSpin.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Input.h"
#include "platform/user/Subclass.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "resources/ProgramResources.h"

namespace controls {
namespace {

using vcl::TColor;

std::string Bounds(const vcl::TControl* c) {
  return std::to_string(c->Left()) + "," + std::to_string(c->Top()) + " " + std::to_string(c->Width()) + "x" +
         std::to_string(c->Height());
}

plat::LPARAM Point(int x, int y) {
  return plat::MAKELPARAM(static_cast<plat::WORD>(x), static_cast<plat::WORD>(y));
}

class MMSpinTest : public testing::FormsTest {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
  void SetUp() override {
    FormsTest::SetUp();
    vcl::SetMessageBoxSink([this](const std::string& text, const std::string&, unsigned) {
      boxes_.push_back(text);
      return vcl::IDOK;
    });
    form_ = std::make_unique<vcl::TForm>(nullptr);
    form_->SetBounds(0, 0, 300, 200);
    form_->HandleNeeded();
    spin_ = new TMMSpinButton(form_.get());
    spin_->SetParent(form_.get());
    spin_->HandleNeeded();  // the arrows hold capture through its window
    spin_->OnChange = [this](vcl::TObject*) { log_.push_back("change " + std::to_string(spin_->Value())); };
    spin_->OnUpClick = [this](vcl::TObject*) { log_.push_back("up"); };
    spin_->OnDownClick = [this](vcl::TObject*) { log_.push_back("down"); };
  }
  void TearDown() override {
    plat::ReleaseCapture();
    form_.reset();
    vcl::SetMessageBoxSink(nullptr);
    FormsTest::TearDown();
  }

  static void Press(vcl::TControl* c, int x = 3, int y = 3) {
    c->Perform(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, Point(x, y));
  }
  static void Move(vcl::TControl* c, int x, int y) {
    c->Perform(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, Point(x, y));
  }
  static void Release(vcl::TControl* c, int x = 3, int y = 3) {
    c->Perform(plat::WM_LBUTTONUP, 0, Point(x, y));
  }
  // Advances the clock in 10 ms steps, pumping after each.
  static void Run(int ms) {
    for (int t = 0; t < ms; t += 10) {
      plat::clock::AdvanceMs(10);
      vcl::Application->ProcessMessages();
    }
  }

  plat::ScopedManualClock clock_;
  std::unique_ptr<vcl::TForm> form_;
  TMMSpinButton* spin_ = nullptr;
  std::vector<std::string> log_;
  std::vector<std::string> boxes_;
};

// ---- resources ------------------------------------------------------------------

TEST_F(MMSpinTest, TheArrowStripsHaveThreeCellsOnSilver) {
  struct Case {
    const char* name;
    int width, height;
  };
  const Case cases[] = {
      {"MMSPINUPV", 57, 13}, {"MMSPINDOWNV", 57, 13}, {"MMSPINUPH", 39, 19}, {"MMSPINDOWNH", 39, 19}};
  std::vector<std::vector<plat::COLORREF>> normal_cells;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vcl::TBitmap strip;
    strip.LoadFromResourceName(nullptr, c.name);
    ASSERT_EQ(strip.Width(), c.width);
    ASSERT_EQ(strip.Height(), c.height);
    EXPECT_EQ(strip.PixelFormat(), vcl::pf4bit);
    EXPECT_EQ(vcl::ColorToRGB(strip.TransparentColor()), plat::RGB(192, 192, 192));
    const int cell = c.width / 3;
    auto count = [&](int k, plat::COLORREF color) {
      int n = 0;
      for (int y = 0; y < c.height; ++y)
        for (int x = k * cell; x < (k + 1) * cell; ++x)
          n += vcl::ColorToRGB(strip.Canvas()->Pixels(x, y)) == color;
      return n;
    };
    const plat::COLORREF green = plat::RGB(0, 128, 0), lime = plat::RGB(0, 255, 0),
                         grey = plat::RGB(128, 128, 128);
    EXPECT_GT(count(0, green), 10);
    EXPECT_EQ(count(1, green) + count(1, lime), 0);
    EXPECT_GT(count(1, grey), count(0, grey));  // the outlined arrow
    EXPECT_GT(count(2, lime), 10);
    std::vector<plat::COLORREF> pixels;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < cell; ++x) pixels.push_back(vcl::ColorToRGB(strip.Canvas()->Pixels(x, y)));
    normal_cells.push_back(pixels);
  }
  EXPECT_NE(normal_cells[0], normal_cells[1]);  // up and down differ
  EXPECT_NE(normal_cells[2], normal_cells[3]);
}

// ---- value ----------------------------------------------------------------------

TEST_F(MMSpinTest, ValueRulesAndArrowStates) {
  EXPECT_FALSE(spin_->DownButton()->Enabled());
  EXPECT_TRUE(spin_->UpButton()->Enabled());
  EXPECT_EQ(spin_->UpButton()->NumGlyphs(), 3);
  spin_->SetValue(100);
  EXPECT_FALSE(spin_->UpButton()->Enabled());
  EXPECT_TRUE(spin_->DownButton()->Enabled());
  spin_->SetValue(100);
  spin_->UpClick();  // at the maximum: the event, no change
  EXPECT_EQ(log_, (std::vector<std::string>{"change 100", "up"}));
  log_.clear();
  spin_->SetValue(10);
  log_.clear();
  spin_->SetMinValue(50);
  EXPECT_EQ(log_, (std::vector<std::string>{"change 50"}));
  spin_->SetMinValue(10);
  spin_->SetMaxValue(0);
  spin_->SetValue(5);
  EXPECT_EQ(spin_->Value(), 10);  // the lower bound wins
  spin_->SetEnabled(false);
  EXPECT_FALSE(spin_->UpButton()->Enabled());
  EXPECT_FALSE(spin_->DownButton()->Enabled());
  spin_->SetMaxValue(100);
  spin_->SetEnabled(true);
  EXPECT_TRUE(spin_->UpButton()->Enabled());
  EXPECT_FALSE(spin_->DownButton()->Enabled());
}

TEST_F(MMSpinTest, TheLayoutKeepsItsMinimumSize) {
  engine::TMMBevel bevel;
  bevel.SetBevelInner(engine::bvNone);
  bevel.SetBevelOuter(engine::bvRaised);
  bevel.SetBevelOuterWidth(1);
  bevel.SetBorderWidth(0);
  bevel.SetBorderSpace(0);
  bevel.SetBorderStyle(engine::bsNone);
  ASSERT_EQ(bevel.BevelExtent(), 1);
  spin_->SetBevel(&bevel);
  spin_->SetOrientation(orHorizontal);
  spin_->SetUpGlyph(nullptr);  // the horizontal arrows, 13 x 19 cells
  spin_->SetDownGlyph(nullptr);
  spin_->SetMiddleButton(true);
  struct Case {
    int width, height;
    int expected_width, expected_height;
  };
  const Case cases[] = {{30, 20, 34, 21}, {34, 22, 34, 22}, {1, 1, 34, 21}, {60, 30, 60, 30}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    spin_->SetBounds(0, 0, c.width, c.height);
    EXPECT_EQ(spin_->Width(), c.expected_width);
    EXPECT_EQ(spin_->Height(), c.expected_height);
  }
  // 60 x 30: down (1, 1, 26, 28), grip (28, 2, 4, 26), up (33, 1, 26, 28).
  EXPECT_EQ(Bounds(spin_->DownButton()), "1,1 26x28");
  EXPECT_EQ(Bounds(spin_->GripButton()), "28,2 4x26");
  EXPECT_EQ(Bounds(spin_->UpButton()), "33,1 26x28");
}

TEST_F(MMSpinTest, ArrowFacesAndTheSeparatorByTheirPixels) {
  spin_->SetButtonFace(true);
  spin_->SetBounds(0, 0, 25, 40);
  const int b = spin_->BevelExtent();
  TMMTimerSpeedButton* up = spin_->UpButton();
  TMMTimerSpeedButton* down = spin_->DownButton();
  spin_->SetValue(50);
  Press(down);
  vcl::TBitmap image;
  image.SetPixelFormat(vcl::pf24bit);
  image.SetSize(spin_->Width(), spin_->Height());
  spin_->PaintTo(image.Canvas()->Handle(), 0, 0);
  Release(down);
  auto at = [&](int x, int y) { return vcl::ColorToRGB(image.Canvas()->Pixels(x, y)); };
  const plat::COLORREF hi = vcl::ColorToRGB(vcl::clBtnHighlight), sh = vcl::ColorToRGB(vcl::clBtnShadow);
  const int uh = up->Height();
  EXPECT_EQ(down->Top(), b + uh + 1);
  // The raised up arrow, the separator line below it, the pressed down arrow.
  EXPECT_EQ(at(b, b + 5), hi);
  EXPECT_EQ(at(b + up->Width() - 1, b + 5), sh);
  for (int x : {b, b + 10, spin_->Width() - b - 1}) EXPECT_EQ(at(x, uh + b), plat::RGB(0, 0, 0)) << x;
  EXPECT_EQ(at(b, down->Top() + 5), sh);
  EXPECT_EQ(at(b + 5, down->Top()), sh);
  EXPECT_EQ(at(b + down->Width() - 1, down->Top()), sh);  // the corner pixel of a pressed face
}

// ---- auto-repeat ----------------------------------------------------------------

TEST_F(MMSpinTest, AHeldArrowRepeatsAfter400MsThenEvery50Ms) {
  TMMTimerSpeedButton* up = spin_->UpButton();
  std::vector<plat::DWORD> at;
  const plat::DWORD start = plat::GetTickCount();
  spin_->OnUpClick = [&](vcl::TObject*) { at.push_back(plat::GetTickCount() - start); };
  Press(up);
  Run(520);
  EXPECT_EQ(at, (std::vector<plat::DWORD>{400, 450, 500}));
  Release(up);  // over the arrow: one more
  EXPECT_EQ(at.size(), 4u);
  EXPECT_EQ(spin_->Value(), 4);
  EXPECT_FALSE(up->Repeating());
  Run(200);
  EXPECT_EQ(spin_->Value(), 4);

  // A short click steps once, on release.
  Press(up);
  EXPECT_EQ(spin_->Value(), 4);
  Run(100);
  Release(up);
  EXPECT_EQ(spin_->Value(), 5);
}

TEST_F(MMSpinTest, HoldingAnArrowToTheLimitEndsThePressAndReleasesCapture) {
  spin_->SetMaxValue(3);
  TMMTimerSpeedButton* up = spin_->UpButton();
  Press(up);
  Run(600);
  EXPECT_EQ(spin_->Value(), 3);
  EXPECT_FALSE(up->Enabled());
  EXPECT_EQ(vcl::GetCaptureControl(), nullptr);
  EXPECT_FALSE(up->Tracking());
  EXPECT_FALSE(up->Repeating());
  EXPECT_EQ(up->State(), vcl::bsUp);
  Release(up);
  EXPECT_EQ(spin_->Value(), 3);
}

TEST_F(MMSpinTest, ALostCaptureStopsTheRepeatAndLeavesNoArrowPressed) {
  TMMTimerSpeedButton* down = spin_->DownButton();
  spin_->SetValue(50);
  Press(down);
  Run(420);
  EXPECT_EQ(spin_->Value(), 49);
  plat::ReleaseCapture();  // taken away, as by another window
  EXPECT_FALSE(down->Repeating());
  EXPECT_EQ(down->State(), vcl::bsUp);
  Run(300);
  Release(down);
  EXPECT_EQ(spin_->Value(), 49);
}

// ---- grip -----------------------------------------------------------------------

TEST_F(MMSpinTest, GripScrubbingCoversWideRangesWithoutOverflow) {
  spin_->SetOrientation(orHorizontal);
  spin_->SetMiddleButton(true);
  TMMTimerSpeedButton* grip = spin_->GripButton();
  struct Case {
    int min, max, start;
    int moved_left;  // pixels
    int expected;
  };
  const Case cases[] = {
      {0, 16384, 0, 10, 1638},
      {0, 16384, 8000, -3, 7509},
      {-2000000000, 2000000000, 0, 1, 40000000},
      {-2000000000, 2000000000, 0, -7, -280000000},
      {-2000000000, 2000000000, 0, 60, 2000000000},
      {-2147483647, 2147483647, 0, -100, -2147483647},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.max) + " by " + std::to_string(c.moved_left));
    spin_->SetMinValue(c.min);
    spin_->SetMaxValue(c.max);
    spin_->SetValue(c.start);
    Press(grip, 2, 5);
    EXPECT_TRUE(grip->TimerFlags().Contains(tfDragging));
    Move(grip, 2 - c.moved_left, 5);
    EXPECT_EQ(spin_->Value(), c.expected);
    Release(grip, 2 - c.moved_left, 5);
    EXPECT_FALSE(grip->TimerFlags().Contains(tfDragging));
  }
  // A lost capture ends the drag: later moves scrub nothing.
  spin_->SetValue(0);
  Press(grip, 2, 5);
  plat::ReleaseCapture();
  EXPECT_FALSE(grip->TimerFlags().Contains(tfDragging));
  Move(grip, -10, 5);
  EXPECT_EQ(spin_->Value(), 0);
}

// ---- keys and the bound edit ----------------------------------------------------

TEST_F(MMSpinTest, ArrowKeysStepTheControlAndABoundEditThroughItsSubclassChain) {
  spin_->SetValue(10);
  spin_->Perform(plat::WM_KEYDOWN, plat::VK_UP);
  spin_->Perform(plat::WM_KEYUP, plat::VK_UP);
  spin_->Perform(plat::WM_KEYDOWN, plat::VK_RIGHT);  // not an arrow of a vertical control
  EXPECT_EQ(spin_->Value(), 11);

  auto* edit = new vcl::TEdit(form_.get());
  edit->SetParent(form_.get());
  edit->SetTop(50);
  // Another subclasser before and after the binding keeps its place.
  static int foreign_seen;
  foreign_seen = 0;
  auto foreign = [](plat::HWND hwnd, plat::UINT msg, plat::WPARAM wp, plat::LPARAM lp, plat::UINT_PTR,
                    plat::DWORD_PTR) -> plat::LRESULT {
    if (msg == plat::WM_KEYDOWN) ++foreign_seen;
    return plat::DefSubclassProc(hwnd, msg, wp, lp);
  };
  spin_->SetFocusControl(edit);
  ASSERT_EQ(spin_->HookedWindow(), edit->Handle());
  plat::SetWindowSubclass(edit->Handle(), foreign, 1, 0);
  int edit_keys = 0;
  edit->OnKeyDown = [&](vcl::TObject*, uint16_t&, vcl::TShiftState) { ++edit_keys; };

  plat::SendMessageA(edit->Handle(), plat::WM_KEYDOWN, plat::VK_DOWN, 0);
  plat::SendMessageA(edit->Handle(), plat::WM_KEYUP, plat::VK_DOWN, 0);
  EXPECT_EQ(spin_->Value(), 10);
  EXPECT_EQ(edit_keys, 0);  // consumed
  plat::SendMessageA(edit->Handle(), plat::WM_KEYDOWN, plat::VK_HOME, 0);
  EXPECT_EQ(edit_keys, 1);  // passed on
  spin_->SetEnabled(false);
  plat::SendMessageA(edit->Handle(), plat::WM_KEYDOWN, plat::VK_UP, 0);
  EXPECT_EQ(spin_->Value(), 11);  // a bound edit steps a disabled control
  spin_->SetEnabled(true);

  // One edit, one spin button.
  auto* second = new TMMSpinButton(form_.get());
  second->SetParent(form_.get());
  second->SetFocusControl(edit);
  EXPECT_EQ(second->FocusControl(), nullptr);
  EXPECT_EQ(boxes_, (std::vector<std::string>{"Control is already Hooked"}));

  // Unbinding leaves the foreign subclasser in the chain.
  spin_->SetFocusControl(nullptr);
  const int before = foreign_seen;
  plat::SendMessageA(edit->Handle(), plat::WM_KEYDOWN, plat::VK_UP, 0);
  EXPECT_EQ(foreign_seen, before + 1);
  EXPECT_EQ(spin_->Value(), 11);
  EXPECT_EQ(edit_keys, 2);
  plat::RemoveWindowSubclass(edit->Handle(), foreign, 1);
  second->SetFocusControl(edit);  // free again
  EXPECT_EQ(second->HookedWindow(), edit->Handle());
}

TEST_F(MMSpinTest, TheHookGoesWithTheEditsWindowAndAComboBoxIsNotHooked) {
  auto* combo = new vcl::TComboBox(form_.get());
  combo->SetParent(form_.get());
  spin_->SetFocusControl(combo);
  EXPECT_EQ(spin_->FocusControl(), combo);
  EXPECT_EQ(spin_->HookedWindow(), nullptr);

  auto* edit = new vcl::TEdit(form_.get());
  edit->SetParent(form_.get());
  spin_->SetFocusControl(edit);
  ASSERT_NE(spin_->HookedWindow(), nullptr);
  edit->DestroyHandle();
  EXPECT_EQ(spin_->HookedWindow(), nullptr);
  EXPECT_EQ(spin_->FocusControl(), edit);
  delete edit;  // the binding goes with the control
  EXPECT_EQ(spin_->FocusControl(), nullptr);
  auto* other = new vcl::TEdit(form_.get());
  other->SetParent(form_.get());
  spin_->SetFocusControl(other);
  EXPECT_NE(spin_->HookedWindow(), nullptr);
  delete spin_;  // unhooks
  plat::SendMessageA(other->Handle(), plat::WM_KEYDOWN, plat::VK_UP, 0);
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
}  // namespace controls
