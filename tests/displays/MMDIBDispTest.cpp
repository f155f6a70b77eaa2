// The DIB display base: DrawNow on the parent's window (moved, clipped, or not
// at all), the background picture switched at run time, at design time and
// from a description, and the canvas following the control.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "displays/MMDIBDisp.h"
#include "displays/ScreenTestSupport.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"

using namespace displays;
using displaytest::Rgb;
using vcl::TColor;

namespace {

// A display that draws one frame: its background, copied to the canvas.
class TTestDisplay : public TMMDIBGraphicControl {
  VCL_DECLARE_CLASS(TTestDisplay, TMMDIBGraphicControl)
 public:
  using TMMDIBGraphicControl::BackGroundDIB;
  using TMMDIBGraphicControl::DrawBackGround;
  using TMMDIBGraphicControl::PaletteMapped;
  using TMMDIBGraphicControl::PaletteRealize;
  using TMMDIBGraphicControl::SetBackGroundDIB;
  using TMMDIBGraphicControl::SetBitsPerPixel;
  using TMMDIBGraphicControl::SetPaletteMapped;
  using TMMDIBGraphicControl::SetUseBackGroundDIB;
  using TMMDIBGraphicControl::TMMDIBGraphicControl;
  using TMMDIBGraphicControl::UseBackGroundDIB;

  void DrawFrame(void*) {
    TDIBDrawingPass pass(*DIBCanvas());
    DrawBackGround();
    DIBCanvas()->DrawToDC(Canvas()->Handle(), vcl::Rect(0, 0, Width(), Height()), 0, 0);
  }

  // The background with a lime row (none for -1), copied as changes.
  void DrawRow(int row) { DrawSpan(row, 0, Width()); }
  // The same with the lime only from column left to right - 1.
  void DrawSpan(int row, int left, int right) {
    DrawNow(
        [this, row, left, right](void*) {
          TDIBDrawingPass pass(*DIBCanvas());
          DrawBackGround();
          if (row >= 0) {
            DIBCanvas()->DIB_SetTColor(vcl::clLime);
            TMMDIBCanvas::DIB_FillRect(vcl::Rect(left, row, right, row + 1));
          }
          DIBCanvas()->DrawChangesToDC(Canvas()->Handle(), vcl::Rect(0, 0, Width(), Height()), 0, 0);
        },
        nullptr);
  }

 protected:
  void Paint() override { DrawFrame(nullptr); }
};

}  // namespace

// UseBackGroundDIB comes first, so a description sets it before the picture.
VCL_IMPLEMENT_CLASS(TTestDisplay,
                    BoolProp("UseBackGroundDIB", &TTestDisplay::UseBackGroundDIB,
                             &TTestDisplay::SetUseBackGroundDIB)
                        .Default(false),
                    ObjProp("BackGroundDIB", &TTestDisplay::BackGroundDIB, &TTestDisplay::SetBackGroundDIB),
                    ColorProp("Color", &TTestDisplay::Color, &TTestDisplay::SetColor))

namespace {

std::unique_ptr<vcl::TBitmap> Picture(TColor color) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(8, 8);
  bitmap->Canvas()->Brush()->SetColor(color);
  bitmap->Canvas()->FillRect(vcl::Rect(0, 0, 8, 8));
  return bitmap;
}

// The colour DrawBackGround leaves at (x, y) of a 24-bit display.
TColor BackGroundPixel(TTestDisplay& display, int x, int y) {
  TDIBDrawingPass pass(*display.DIBCanvas());
  display.DrawBackGround();
  return static_cast<TColor>(TMMDIBCanvas::DIB_GetPixel(x, y));
}

class MMDIBDispTest : public displaytest::ScreenTest {
 protected:
  static void SetUpTestSuite() { vcl::RegisterClasses({TTestDisplay::StaticClass()}); }

  // A white 200 x 120 form on screen with a red 40 x 30 display at (20, 20).
  TTestDisplay* ShowDisplay() {
    NewForm();
    auto* display = new TTestDisplay(form_);
    display->SetParent(form_);
    display->SetBounds(20, 20, 40, 30);
    display->SetColor(vcl::clRed);
    display->SetBitsPerPixel(24);
    ShowForm();
    return display;
  }
};

// ---- DrawNow -----------------------------------------------------------------

TEST_F(MMDIBDispTest, DrawNowPaintsAtTheControlsPlaceClippedToIt) {
  ASSERT_NE(Screen(), nullptr);
  TTestDisplay* display = ShowDisplay();
  ASSERT_EQ(At(30, 30), Rgb(vcl::clRed));  // its own paint cycle
  // Everything the callback draws is moved to the control and stops at it.
  TColor blue = vcl::clBlue;
  display->DrawNow(
      [display](void* arg) {
        display->Canvas()->Brush()->SetColor(*static_cast<TColor*>(arg));
        display->Canvas()->FillRect(vcl::Rect(-20, -20, 80, 70));
      },
      &blue);
  EXPECT_EQ(At(20, 20), Rgb(vcl::clBlue));
  EXPECT_EQ(At(59, 49), Rgb(vcl::clBlue));
  for (plat::POINT outside :
       {plat::POINT{19, 20}, plat::POINT{60, 49}, plat::POINT{20, 19}, plat::POINT{59, 50}})
    EXPECT_EQ(At(outside.x, outside.y), Rgb(vcl::clWhite)) << outside.x << "," << outside.y;

  // The displays' own frame, drawn through the DIB canvas.
  display->DrawNow([display](void* arg) { display->DrawFrame(arg); }, nullptr);
  EXPECT_EQ(At(20, 20), Rgb(vcl::clRed));
  EXPECT_EQ(display->Canvas()->LockCount(), 0);
  EXPECT_FALSE(display->Canvas()->HandleAllocated());
}

struct NothingCase {
  const char* name;
  std::function<void(vcl::TForm* form, TTestDisplay* display)> setup;
};

TEST_F(MMDIBDispTest, DrawNowDrawsNothingWhereTheControlCannotBeSeen) {
  const NothingCase cases[] = {
      {"outside the parent's client area",
       [](vcl::TForm*, TTestDisplay* d) { d->SetBounds(220, 20, 40, 30); }},
      {"below the parent's client area", [](vcl::TForm*, TTestDisplay* d) { d->SetBounds(20, 130, 40, 30); }},
      {"covered by a window",
       [](vcl::TForm* form, TTestDisplay*) {
         auto* cover = new vcl::TPanel(form);
         cover->SetParent(form);
         cover->SetBounds(10, 10, 100, 60);
       }},
      {"hidden", [](vcl::TForm*, TTestDisplay* d) { d->SetVisible(false); }},
      {"without a parent", [](vcl::TForm*, TTestDisplay* d) { d->SetParent(nullptr); }},
      {"parent without a window",
       [](vcl::TForm* form, TTestDisplay* d) { d->SetParent(new vcl::TPanel(form)); }},
  };
  ASSERT_NE(Screen(), nullptr);
  for (const NothingCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTestDisplay* display = ShowDisplay();
    c.setup(form_, display);
    Pump();
    int calls = 0;
    display->DrawNow([&](void*) { ++calls; }, nullptr);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(display->Canvas()->LockCount(), 0);
    delete form_;
    Pump();
  }
}

TEST_F(MMDIBDispTest, DrawNowReleasesDcAndLockWhenThePaintRaises) {
  ASSERT_NE(Screen(), nullptr);
  TTestDisplay* display = ShowDisplay();
  EXPECT_THROW(display->DrawNow([](void*) { throw std::runtime_error("paint failed"); }, nullptr),
               std::runtime_error);
  EXPECT_EQ(display->Canvas()->LockCount(), 0);
  EXPECT_FALSE(display->Canvas()->HandleAllocated());
  // The next delivery paints as usual.
  display->SetColor(vcl::clLime);
  display->DrawNow([display](void* arg) { display->DrawFrame(arg); }, nullptr);
  EXPECT_EQ(At(30, 30), Rgb(vcl::clLime));
}

TEST_F(MMDIBDispTest, DrawNowWorksFromADeliveringThread) {
  ASSERT_NE(Screen(), nullptr);
  TTestDisplay* display = ShowDisplay();
  display->SetColor(vcl::clYellow);
  std::thread delivery(
      [display] { display->DrawNow([display](void* arg) { display->DrawFrame(arg); }, nullptr); });
  delivery.join();
  // The window's own thread puts what was drawn on screen.
  Pump();
  EXPECT_EQ(At(30, 30), Rgb(vcl::clYellow));
}

// While the main thread draws with a DC the canvas fetched for itself, a
// delivery's DrawNow waits for the canvas instead of releasing that DC.
TEST_F(MMDIBDispTest, DrawNowWaitsForTheCanvasBeforeLettingGoOfItsOwnDc) {
  ASSERT_NE(Screen(), nullptr);
  TTestDisplay* display = ShowDisplay();
  vcl::TCanvas* canvas = display->Canvas();
  canvas->Lock();
  const plat::HDC own = canvas->Handle();
  ASSERT_NE(own, nullptr);
  std::atomic<bool> drawn{false};
  std::thread delivery([&] { display->DrawNow([&](void*) { drawn = true; }, nullptr); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(drawn);
  EXPECT_TRUE(canvas->HandleAllocated());
  if (canvas->HandleAllocated()) {
    EXPECT_EQ(canvas->Handle(), own);
  }
  canvas->Unlock();
  delivery.join();
  EXPECT_TRUE(drawn);
  EXPECT_EQ(canvas->LockCount(), 0);
}

// ---- background picture --------------------------------------------------------

struct BackGroundCase {
  const char* name;
  std::function<void(TTestDisplay&)> steps;
  bool in_use;
  bool realize;
  TColor pixel;  // what DrawBackGround leaves
};

TEST_F(MMDIBDispTest, BackGroundPictureFollowsItsSwitchAtRunAndDesignTime) {
  const auto green = Picture(vcl::clLime);
  const BackGroundCase cases[] = {
      {"off by default", [](TTestDisplay&) {}, false, false, vcl::clRed},
      {"switched on",
       [&](TTestDisplay& d) {
         d.SetBackGroundDIB(green.get());
         d.SetUseBackGroundDIB(true);
       },
       true, true, vcl::clLime},
      {"switched on without a picture", [](TTestDisplay& d) { d.SetUseBackGroundDIB(true); }, false, false,
       vcl::clRed},
      {"picture removed while on",
       [&](TTestDisplay& d) {
         d.SetBackGroundDIB(green.get());
         d.SetUseBackGroundDIB(true);
         d.SetBackGroundDIB(nullptr);
       },
       true, true, vcl::clRed},
      {"switched off again",
       [&](TTestDisplay& d) {
         d.SetBackGroundDIB(green.get());
         d.SetUseBackGroundDIB(true);
         d.SetUseBackGroundDIB(false);
       },
       false, false, vcl::clRed},
      {"a picture at run time waits for the switch",
       [&](TTestDisplay& d) { d.SetBackGroundDIB(green.get()); }, false, false, vcl::clRed},
      {"a picture in the designer switches itself on",
       [&](TTestDisplay& d) {
         d.SetDesignMode(true);
         d.SetBackGroundDIB(green.get());
       },
       true, true, vcl::clLime},
      {"an empty picture in the designer switches off",
       [&](TTestDisplay& d) {
         d.SetDesignMode(true);
         d.SetBackGroundDIB(green.get());
         d.SetPaletteMapped(true);
         d.SetBackGroundDIB(nullptr);
         EXPECT_FALSE(d.PaletteMapped());
       },
       false, false, vcl::clRed},
  };
  for (const BackGroundCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTestDisplay display(nullptr);
    display.SetBounds(0, 0, 16, 8);
    display.SetColor(vcl::clRed);
    display.SetBitsPerPixel(24);
    c.steps(display);
    EXPECT_EQ(display.UseBackGroundDIB(), c.in_use);
    EXPECT_EQ(display.PaletteRealize(), c.realize);
    EXPECT_EQ(display.GetPalette() != nullptr, c.realize);
    EXPECT_EQ(BackGroundPixel(display, 12, 5), static_cast<TColor>(vcl::ColorToRGB(c.pixel)));
  }
}

TEST_F(MMDIBDispTest, BackGroundSwitchReadBeforeThePictureStillTurnsItOn) {
  TTestDisplay display(nullptr);
  display.SetName("Display1");
  display.SetBounds(0, 0, 16, 8);
  display.SetColor(vcl::clRed);
  const auto blue = Picture(vcl::clBlue);
  display.SetBackGroundDIB(blue.get());
  display.SetUseBackGroundDIB(true);
  const std::string text = vcl::WriteFormText(&display);
  ASSERT_NE(text.find("BackGroundDIB.Data"), std::string::npos) << text;
  ASSERT_LT(text.find("UseBackGroundDIB = True"), text.find("BackGroundDIB.Data")) << text;

  TTestDisplay read(nullptr);
  vcl::ReadFormText(&read, text);
  EXPECT_TRUE(read.UseBackGroundDIB());
  EXPECT_TRUE(read.PaletteRealize());
  read.SetBitsPerPixel(24);
  EXPECT_EQ(BackGroundPixel(read, 3, 3), static_cast<TColor>(vcl::ColorToRGB(vcl::clBlue)));
}

// ---- copies of changes ------------------------------------------------------------

namespace {

using Box = std::array<int, 4>;

// Paints the form's backing surface yellow behind everyone's back, runs
// `pass`, and gives the box (left, top, right, bottom) around the pixels the
// pass copied there; zeros when it copied none.
Box CopiedBy(vcl::TForm* form, const std::function<void()>& pass) {
  plat::Surface* surface = plat::backend::Current().WindowSurface(form->Handle());
  const uint32_t yellow = surface->FromColor(plat::RGB(255, 255, 0));
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 200; ++x) surface->Put(x, y, yellow);
  pass();
  Box box{};
  bool any = false;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 200; ++x) {
      if (surface->Get(x, y) == yellow) continue;
      box = any ? Box{std::min(box[0], x), std::min(box[1], y), std::max(box[2], x + 1),
                      std::max(box[3], y + 1)}
                : Box{x, y, x + 1, y + 1};
      any = true;
    }
  return box;
}

}  // namespace

TEST_F(MMDIBDispTest, APassCopiesOnlyTheRowsThatChangedSinceTheLast) {
  ASSERT_NE(Screen(), nullptr);
  TTestDisplay* display = ShowDisplay();
  // The first pass copies the whole display, the same picture again nothing.
  EXPECT_EQ(CopiedBy(form_, [display] { display->DrawRow(5); }), (Box{20, 20, 60, 50}));
  EXPECT_EQ(CopiedBy(form_, [display] { display->DrawRow(5); }), Box{});
  EXPECT_EQ(CopiedBy(form_, [display] { display->DrawRow(7); }), (Box{20, 25, 60, 28}));
  EXPECT_EQ(At(30, 25), Rgb(vcl::clRed));
  EXPECT_EQ(At(30, 27), Rgb(vcl::clLime));
}

// A change anywhere in a row, at its ends too, is copied to exactly its
// columns; the 24-bit rows are 120 bytes.
TEST_F(MMDIBDispTest, AChangeInARowIsCopiedToItsOwnColumns) {
  ASSERT_NE(Screen(), nullptr);
  TTestDisplay* display = ShowDisplay();
  display->DrawRow(-1);
  const std::array<int, 2> spans[] = {{0, 1}, {2, 3}, {3, 6}, {13, 21}, {39, 40}, {5, 35}, {0, 40}};
  for (const auto& [left, right] : spans) {
    SCOPED_TRACE(testing::Message() << left << ".." << right);
    EXPECT_EQ(CopiedBy(form_, [&] { display->DrawSpan(9, left, right); }),
              (Box{20 + left, 29, 20 + right, 30}));
    EXPECT_EQ(CopiedBy(form_, [&] { display->DrawRow(-1); }), (Box{20 + left, 29, 20 + right, 30}));
  }
}

struct BetweenPassesCase {
  const char* name;
  std::function<void(vcl::TForm* form, TTestDisplay* display)> between;
  Box copied;  // by the next pass of the same picture, on the form
};

TEST_F(MMDIBDispTest, WhatElseReachesTheScreenBetweenPassesIsCopiedOver) {
  ASSERT_NE(Screen(), nullptr);
  const BetweenPassesCase cases[] = {
      {"a repaint",
       [](vcl::TForm* form, TTestDisplay*) {
         form->Invalidate();
         plat::UpdateWindow(form->Handle());
       },
       {20, 20, 60, 50}},
      {"a move before the repaint",
       [](vcl::TForm*, TTestDisplay* d) { d->SetBounds(70, 20, 40, 30); },
       {70, 20, 110, 50}},
      {"a whole copy",
       [](vcl::TForm*, TTestDisplay* d) { d->DrawNow([d](void*) { d->DrawFrame(nullptr); }, nullptr); },
       {20, 20, 60, 50}},
      {"a drawing over the picture that says so",
       [](vcl::TForm*, TTestDisplay* d) { d->DIBCanvas()->ScreenDrawnOver(vcl::Rect(2, 3, 10, 6)); },
       {22, 23, 30, 26}},
  };
  for (const BetweenPassesCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTestDisplay* display = ShowDisplay();
    display->DrawRow(5);
    display->DrawRow(5);
    c.between(form_, display);
    EXPECT_EQ(CopiedBy(form_, [display] { display->DrawRow(5); }), c.copied);
    delete form_;
    form_ = nullptr;
  }
}

// ---- canvas and depth ------------------------------------------------------------

TEST_F(MMDIBDispTest, CanvasFollowsTheControlAndRefusesOtherDepths) {
  TTestDisplay display(nullptr);
  EXPECT_EQ(display.BitsPerPixel(), 8);
  EXPECT_EQ(display.DIBCanvas()->Width(), display.Width());
  EXPECT_EQ(display.DIBCanvas()->Height(), display.Height());
  display.SetBounds(5, 7, 33, 21);
  EXPECT_EQ(display.DIBCanvas()->Width(), 33);
  EXPECT_EQ(display.DIBCanvas()->Height(), 21);
  EXPECT_EQ(display.DIBCanvas()->Owner(), &display);
  for (int bits : {0, 16, 32}) {
    SCOPED_TRACE(bits);
    EXPECT_THROW(display.SetBitsPerPixel(bits), EMMDIBError);
    EXPECT_EQ(display.BitsPerPixel(), 8);
  }
  display.SetBitsPerPixel(24);
  EXPECT_EQ(display.BitsPerPixel(), 24);
  EXPECT_EQ(vcl::GetOrdProp(&display, "Tag2"), 0);
  vcl::SetOrdProp(&display, "Tag2", 42);
  EXPECT_EQ(display.Tag2(), 42);
}

}  // namespace
