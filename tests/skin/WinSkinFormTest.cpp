// Skinned frames on the headless screen: borders, the client area they keep,
// caption text and caption-button placement, which buttons show, the pixels
// painted, the window region cut along key-coloured border pixels, and a
// form's life from skinning to destruction.
#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"
#include "platform/user/Geometry.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/vcl/Menus.h"
#include "skin/SkinFormFixture.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

class WinSkinFormTest : public SkinScreenTest {
 protected:
  void SetUp() override {
    SkinScreenTest::SetUp();
    data_ = NewSkinData(TestSkinPackage(options_));
  }
  TestSkinOptions options_;
};

plat::RECT ClientOf(vcl::TForm* form) {
  plat::RECT r{};
  plat::GetClientRect(form->Handle(), &r);
  return r;
}

TEST_F(WinSkinFormTest, BordersReplaceTheFrameAndKeepTheClientArea) {
  vcl::TForm* form = NewSizeableForm();
  auto* menu = new vcl::TMainMenu(form);
  auto* file = new vcl::TMenuItem(menu);
  file->SetCaption("&File");
  menu->Items()->Add(file);
  form->SetMenu(menu);
  form->HandleNeeded();
  const plat::RECT before = ClientOf(form);
  ShowAndSkin(form);
  TWinSkinForm* s = SkinOf(form);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Phase(), 1);
  EXPECT_EQ(
      (std::array{s->BorderLeft(), s->BorderTop(), s->BorderRight(), s->BorderBottom(), s->MenuBarHeight()}),
      (std::array{4, 22, 4, 4, plat::GetSystemMetrics(plat::SM_CYMENU)}));
  const plat::RECT after = ClientOf(form);
  EXPECT_EQ(after.right, before.right);
  EXPECT_EQ(after.bottom, before.bottom);
  EXPECT_EQ(form->Width(), before.right + 8);
  EXPECT_EQ(form->Height(), before.bottom + 22 + 4 + s->MenuBarHeight());

  // The skin's WM_NCCALCSIZE for a proposed place and size.
  plat::WINDOWPOS pos{};
  pos.x = 100, pos.y = 50, pos.cx = 640, pos.cy = 480;
  plat::NCCALCSIZE_PARAMS params{};
  params.rgrc[0] = {100, 50, 740, 530};
  params.lppos = &pos;
  EXPECT_EQ(plat::SendMessageA(form->Handle(), plat::WM_NCCALCSIZE, plat::TRUE,
                               reinterpret_cast<plat::LPARAM>(&params)),
            plat::WVR_VALIDRECTS);
  const int mb = s->MenuBarHeight();
  for (int i : {0, 1}) {
    EXPECT_EQ(params.rgrc[i].left, 104);
    EXPECT_EQ(params.rgrc[i].top, 50 + 22 + mb);
    EXPECT_EQ(params.rgrc[i].right, 736);
    EXPECT_EQ(params.rgrc[i].bottom, 526);
  }
  plat::RECT plain{100, 50, 740, 530};
  EXPECT_EQ(plat::SendMessageA(form->Handle(), plat::WM_NCCALCSIZE, plat::FALSE,
                               reinterpret_cast<plat::LPARAM>(&plain)),
            0);

  // Unskinned again: the platform's frame, the same client area.
  SkinManager()->ScheduleAction(2, 250);
  SkinManager()->SetCurrentSkinData(data_.get());
  SkinManager()->Tick();
  Pump();
  EXPECT_EQ(SkinOf(form), nullptr);
  const plat::RECT restored = ClientOf(form);
  EXPECT_EQ(restored.right, before.right);
  EXPECT_EQ(restored.bottom, before.bottom);
}

TEST_F(WinSkinFormTest, PaintsBordersCaptionAndButtonsByActivation) {
  vcl::TForm* form = NewSizeableForm();
  ShowAndSkin(form);
  TWinSkinForm* s = SkinOf(form);
  ASSERT_NE(s, nullptr);
  plat::SendMessageA(form->Handle(), SKM_REPAINTFRAME, 0, 0);
  Pump();
  const int w = form->Width(), h = form->Height();
  struct Probe {
    int x, y;
    vcl::TColor colour;
  };
  // Close, maximise and minimise at 640 - 22, - 40, - 58, 4 down.
  for (const Probe& p :
       {Probe{1, h / 2, kLeftActive}, Probe{w - 2, h / 2, kRightActive}, Probe{w / 2, h - 2, kBottomActive},
        Probe{300, 2, kTopActive}, Probe{w - 22 + 8, 10, kButtonFrames[0]},
        Probe{w - 40 + 8, 10, kButtonFrames[0]}, Probe{w - 58 + 8, 10, kButtonFrames[0]}})
    EXPECT_EQ(WindowPixel(form, p.x, p.y), Rgb(p.colour)) << p.x << "," << p.y;

  plat::SendMessageA(form->Handle(), plat::WM_NCACTIVATE, plat::FALSE, 0);
  Pump();
  EXPECT_FALSE(s->IsActive());
  for (const Probe& p :
       {Probe{1, h / 2, kLeftInactive}, Probe{300, 2, kTopInactive}, Probe{w - 22 + 8, 10, kButtonFrames[3]}})
    EXPECT_EQ(WindowPixel(form, p.x, p.y), Rgb(p.colour)) << p.x << "," << p.y;

  // A button's own repaint draws the state it is given (hover: frame 3).
  TWinSysButton& close = *s->NCObjects()[0];
  s->PaintButton(close, 3);
  Pump();
  EXPECT_EQ(WindowPixel(form, w - 22 + 8, 10), Rgb(kButtonFrames[2]));
}

TEST_F(WinSkinFormTest, CaptionButtonsAreLaidOutFromTheirAlignment) {
  vcl::TForm* form = NewSizeableForm();
  ShowAndSkin(form);
  TWinSkinForm* s = SkinOf(form);
  ASSERT_NE(s, nullptr);
  s->PaintFrame();
  const auto& b = s->NCObjects();
  ASSERT_EQ(b.size(), 6u);  // three of the skin, three child-window buttons
  struct Case {
    size_t index;
    vcl::TRect rect;
  };
  for (const Case& c : {Case{0, vcl::Rect(618, 4, 634, 18)}, Case{1, vcl::Rect(600, 4, 616, 18)},
                        Case{2, vcl::Rect(582, 4, 598, 18)}}) {
    EXPECT_TRUE(b[c.index]->Visible);
    const vcl::TRect& r = b[c.index]->Rect;
    EXPECT_EQ((std::array{r.left, r.top, r.right, r.bottom}),
              (std::array{c.rect.left, c.rect.top, c.rect.right, c.rect.bottom}))
        << c.index;
  }
  EXPECT_FALSE(b[3]->Visible);  // child-window buttons never show here
}

TEST_F(WinSkinFormTest, CaptionTextIsPlacedByAlignment) {
  vcl::TForm* form = NewSizeableForm();
  ShowAndSkin(form);
  TWinSkinForm* s = SkinOf(form);
  ASSERT_NE(s, nullptr);
  TDataSkinTitle& title = *data_->Skin().Title;
  const vcl::TRect area = vcl::Rect(4, 0, 636, 22);
  struct Case {
    int alignment, shift_vert, text_width, text_height;
    int left, top;
  };
  // Width 632; a 100 x 13 text; the right clip is 60.
  for (const Case& c : {Case{0, 0, 100, 13, 4 + 8, 4}, Case{1, 0, 100, 13, 4 + (632 - 100) / 2, 4},
                        Case{2, 0, 100, 13, 4 + 632 - 60 - 100, 4}, Case{0, -3, 100, 16, 12, 3 - 1},
                        Case{7, 0, 100, 13, 4, 4}}) {
    title.TextAlignment = c.alignment;
    title.TopHeight = c.shift_vert;
    vcl::TRect r = s->PlaceCaptionText(area, c.text_width, c.text_height);
    EXPECT_EQ(r.left, c.left) << c.alignment;
    EXPECT_EQ(r.top, c.top) << c.alignment;
    EXPECT_LE(r.right, 636 - 60);
  }
}

// Which caption buttons show, for one button of each rule on a sizeable,
// active, normal window with every caption box.
TEST_F(WinSkinFormTest, ButtonVisibilityFollowsTheRules) {
  vcl::TForm* form = NewSizeableForm();
  ShowAndSkin(form);
  TWinSkinForm* s = SkinOf(form);
  ASSERT_NE(s, nullptr);
  TDataSkinSysButton& e = *data_->Skin().SysButtons[0];
  e.Action = 5;  // no box needed
  struct Case {
    int v, v1;
    bool active;
    bool shown;
  };
  const Case cases[] = {
      {0, 0, true, true},    {1, 0, true, false},    {2, 0, true, true},    {3, 0, true, true},
      {3, 0, false, false},  {4, 0, true, false},    {6, 0, true, true},    {7, 0, true, false},
      {8, 0, true, true},    {9, 0, true, false},    {100, 0, true, false}, {200, 0, true, false},
      {500, 0, true, true},  {1000, 0, true, false}, {5, 0, true, false},   {50, 0, true, false},
      {150, 0, true, false}, {2500, 0, true, false}, {-1, 0, true, false},  {0, -1, true, false},
      {0, 100, true, true},  {0, 4, false, true},
  };
  for (const Case& c : cases) {
    e.Visibility = c.v;
    e.Visibility1 = c.v1;
    plat::SendMessageA(form->Handle(), plat::WM_NCACTIVATE, c.active, 0);
    EXPECT_EQ(s->ButtonVisible(0), c.shown) << c.v << "/" << c.v1 << (c.active ? " active" : " inactive");
  }
  // A maximise button on a form without a maximise box stays hidden.
  vcl::TForm* fixed = NewSizeableForm();
  fixed->SetBorderIcons(vcl::TBorderIcons{vcl::biSystemMenu, vcl::biMinimize});
  ShowAndSkin(fixed);
  TWinSkinForm* fs = SkinOf(fixed);
  ASSERT_NE(fs, nullptr);
  EXPECT_TRUE(fs->ButtonVisible(2));
  EXPECT_FALSE(fs->ButtonVisible(1));
}

TEST_F(WinSkinFormTest, SizeButtonVisibilityAsksTheWindow) {
  vcl::TForm* form = NewSizeableForm();
  ShowAndSkin(form);
  TWinSkinForm* s = SkinOf(form);
  ASSERT_NE(s, nullptr);
  TDataSkinSysButton& e = *data_->Skin().SysButtons[0];
  e.Visibility = 1500;
  EXPECT_FALSE(s->ButtonVisible(0));  // the default procedure answers 0
  plat::WPARAM asked = 0;
  plat::SetWindowSubclass(
      form->Handle(),
      [](plat::HWND hwnd, plat::UINT m, plat::WPARAM w, plat::LPARAM l, plat::UINT_PTR, plat::DWORD_PTR ref) {
        if (m == SKM_BUTTONVISIBLE) {
          *reinterpret_cast<plat::WPARAM*>(ref) = w;
          return plat::LRESULT{1};
        }
        return plat::DefSubclassProc(hwnd, m, w, l);
      },
      7, reinterpret_cast<plat::DWORD_PTR>(&asked));
  EXPECT_TRUE(s->ButtonVisible(0));
  EXPECT_EQ(asked, 1500u);
}

class WinSkinRegionTest : public WinSkinFormTest {
 protected:
  void SetUp() override {
    options_.personality = "LeftTrans=1\nLeftTopHeight=22\n";
    options_.left_dots = {{0, 0, kSkinKeyColour}, {1, 0, kSkinKeyColour}, {0, 1, kSkinKeyColour}};
    WinSkinFormTest::SetUp();
  }
};

TEST_F(WinSkinRegionTest, KeyPixelsOfABorderAreCutFromTheWindow) {
  vcl::TForm* form = NewSizeableForm(100, 50);
  ShowAndSkin(form);
  TWinSkinForm* s = SkinOf(form);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(s->RegionOwned());
  plat::HRGN region = plat::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(plat::GetWindowRgn(form->Handle(), region), plat::ERROR);
  struct Case {
    int x, y;
    bool inside;
  };
  const int w = form->Width(), h = form->Height();
  for (const Case& c : {Case{0, 0, false}, Case{1, 0, false}, Case{0, 1, false}, Case{2, 0, true},
                        Case{1, 1, true}, Case{0, 2, true}, Case{w - 1, 0, true}, Case{w - 1, h - 1, true}})
    EXPECT_EQ(plat::PtInRegion(region, c.x, c.y) != 0, c.inside) << c.x << "," << c.y;
  plat::DeleteObject(region);
  // The cut corner shows and hits what lies below.
  plat::RECT r{};
  plat::GetWindowRect(form->Handle(), &r);
  EXPECT_NE(Screen()->WindowAt({r.left, r.top}), form->Handle());
  EXPECT_EQ(Screen()->WindowAt({r.left + 2, r.top}), form->Handle());

  // The same size again sets no new region; a new size does.
  const int builds = s->RegionBuilds();
  form->SetBounds(form->Left(), form->Top(), w, h);
  Pump();
  EXPECT_EQ(s->RegionBuilds(), builds);
  form->SetBounds(form->Left(), form->Top(), w + 20, h);
  Pump();
  EXPECT_EQ(s->RegionBuilds(), builds + 1);
}

TEST_F(WinSkinFormTest, AFormLivesThroughResizeMaximiseRestoreAndDestruction) {
  vcl::TForm* form = NewSizeableForm();
  ShowAndSkin(form);
  TWinSkinForm* s = SkinOf(form);
  ASSERT_NE(s, nullptr);
  form->SetBounds(120, 60, 500, 300);
  Pump();
  const plat::RECT client = ClientOf(form);
  EXPECT_EQ(client.right, 500 - 8);
  EXPECT_EQ(client.bottom, 300 - 26);
  form->SetWindowState(vcl::wsMaximized);
  Pump();
  EXPECT_EQ(s->WindowState(), 1);
  form->SetWindowState(vcl::wsNormal);
  Pump();
  EXPECT_EQ(s->WindowState(), 0);
  EXPECT_EQ(form->Width(), 500);
  delete form;
  Pump();
  EXPECT_EQ(SkinManager()->FormCount(), 0);
}

}  // namespace
