// The tab control companion on a skinned test form: the tab strip's frames
// by state read back from the screen, the display area's picture, the walk
// that reaches page and tab controls, and the close marks.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/user/Geometry.h"
#include "platform/user/Messages.h"
#include "platform/user/TabControl.h"
#include "platform/user/Window.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinBoxes.h"
#include "skin/WinSkinTabs.h"
#include "skin/WinSkinWalk.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

constexpr vcl::TColor kFace = 0x604020;  // ButtonFace 32,64,96
// Tabs frames 1..5: a tab, the focused tab, then unused ones.
const std::vector<vcl::TColor> kTabFrames = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0, 0xC0C000};
constexpr vcl::TColor kPane = 0x408080;
constexpr vcl::TColor kNormalText = 0x00FFFF;  // 255,255,0
constexpr vcl::TColor kFocusText = 0xFFFF00;   // 0,255,255

class WinSkinTabsTest : public SkinScreenTest {
 protected:
  void SetUp() override {
    SkinScreenTest::SetUp();
    TestSkinOptions o;
    o.buttons +=
        "[Colours]\nButtonFace=32,64,96\nButtonShadow=48,32,16\n"
        "[Tabs]\nImage=tabs.bmp\nBorder=pane.bmp\nNormalColour2=255,255,0\nMouseOverColour2=0,255,255\n";
    o.extra = {{"tabs.bmp", FramesBmp(50, 10, 5, false, kTabFrames)},
               {"pane.bmp", FramesBmp(20, 20, 1, false, {kPane})}};
    data_ = NewSkinData(TestSkinPackage(o));
    form_ = NewSizeableForm(320, 240);
  }
  void TearDown() override {
    delete form_;
    SkinScreenTest::TearDown();
  }
  void Skin() {
    ShowAndSkin(form_);
    skin_form_ = SkinOf(form_);
    ASSERT_NE(skin_form_, nullptr);
  }
  vcl::TPageControl* NewPages(const std::vector<std::string>& captions) {
    auto* pages = new vcl::TPageControl(form_);
    pages->SetParent(form_);
    pages->SetBounds(10, 10, 200, 100);
    for (const std::string& caption : captions) {
      auto* sheet = new vcl::TTabSheet(form_);
      sheet->SetPageControl(pages);
      sheet->SetCaption(caption);
    }
    return pages;
  }
  // The companion of a control, of class T.
  template <class T>
  T* CompanionOf(vcl::TControl* control) {
    TSkinControlList& list = skin_form_->SkinnedControls();
    for (int i = 0; i < list.Count(); ++i)
      if (list.Items(i)->Control() == control) return dynamic_cast<T*>(list.Items(i));
    return nullptr;
  }
  // A pixel of a window on the form, in its own coordinates.
  uint32_t At(plat::HWND window, int x, int y) { return ChildPixel(form_, window, x, y); }
  static plat::RECT TabRect(plat::HWND window, int index) {
    plat::RECT r{};
    plat::SendMessageA(window, plat::TCM_GETITEMRECT, static_cast<plat::WPARAM>(index),
                       reinterpret_cast<plat::LPARAM>(&r));
    return r;
  }
  // How many pixels of the rectangle have the colour.
  int Count(plat::HWND window, const plat::RECT& r, vcl::TColor colour) {
    Pump();
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(window, x, y) == Rgb(colour) ? 1 : 0;
    return n;
  }

  vcl::TForm* form_ = nullptr;
  TWinSkinForm* skin_form_ = nullptr;
};

TEST_F(WinSkinTabsTest, PageControlTabsShowTheFrameOfTheirState) {
  auto* pages = NewPages({"MMM", "WWW"});
  Skin();
  auto* tab = CompanionOf<TSkinTab>(pages);
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->Mode, 2);
  EXPECT_FALSE(tab->ShowCloseButtons);
  plat::HWND h = pages->Handle();
  const plat::RECT r0 = TabRect(h, 0), r1 = TabRect(h, 1);
  // A tab is drawn one pixel below its own place, down to the display area.
  auto tab_colour = [&](const plat::RECT& r) { return At(h, r.left + 2, r.top + 2); };
  struct Case {
    const char* state;
    std::function<void()> step;
    int frame0, frame1;
  } cases[] = {
      {"first page active", [] {}, 2, 1},
      {"second page chosen by a click",
       [&] {
         plat::SendMessageA(h, plat::WM_LBUTTONDOWN, 0, plat::MAKELPARAM(r1.left + 5, r1.top + 5));
         plat::SendMessageA(h, plat::WM_LBUTTONUP, 0, plat::MAKELPARAM(r1.left + 5, r1.top + 5));
       },
       1, 2},
      {"first page chosen by the program", [&] { pages->SetActivePageIndex(0); }, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    c.step();
    Pump();
    EXPECT_EQ(tab_colour(r0), Rgb(kTabFrames[static_cast<size_t>(c.frame0 - 1)]));
    EXPECT_EQ(tab_colour(r1), Rgb(kTabFrames[static_cast<size_t>(c.frame1 - 1)]));
    EXPECT_EQ(At(h, r0.left + 2, r0.bottom), Rgb(kTabFrames[static_cast<size_t>(c.frame0 - 1)]));
  }
  EXPECT_EQ(pages->ActivePageIndex(), 0);
  // The strip beside the tabs is the face; the display area's frame is the
  // pane picture; the active sheet takes the face.
  EXPECT_EQ(At(h, 190, 4), Rgb(kFace));
  plat::RECT pane{0, 0, 200, 100};
  plat::SendMessageA(h, plat::TCM_ADJUSTRECT, plat::FALSE, reinterpret_cast<plat::LPARAM>(&pane));
  EXPECT_EQ(At(h, pane.left - 2, pane.top + 20), Rgb(kPane));
  EXPECT_EQ(At(h, pane.right + 1, pane.bottom + 1), Rgb(kPane));
  EXPECT_EQ(At(h, pane.left + 20, pane.top + 20), Rgb(kFace));
  // Texts: the focused tab's colour on it, the normal colour on the other;
  // the shadow colour on both while disabled.
  EXPECT_GT(Count(h, r0, kFocusText), 5);
  EXPECT_EQ(Count(h, r0, kNormalText), 0);
  EXPECT_GT(Count(h, r1, kNormalText), 5);
  pages->SetEnabled(false);
  EXPECT_GT(Count(h, r0, vcl::clBtnShadow) + Count(h, r1, vcl::clBtnShadow), 10);
  EXPECT_EQ(Count(h, r0, kFocusText) + Count(h, r1, kNormalText), 0);
  EXPECT_EQ(tab_colour(r0), Rgb(kTabFrames[1]));
}

TEST_F(WinSkinTabsTest, WalkGivesTabControlsTheirCompanionWhenTheSkinHasTabs) {
  auto* pages = NewPages({"A"});
  auto* tabs = new vcl::TTabControl(form_);
  tabs->SetParent(form_);
  tabs->SetBounds(10, 120, 200, 60);
  tabs->Tabs()->Add("x");
  Skin();
  EXPECT_NE(CompanionOf<TSkinTab>(pages), nullptr);
  EXPECT_NE(CompanionOf<TSkinTab>(tabs), nullptr);
  EXPECT_NE(CompanionOf<TSkinTabSheet>(pages->Pages(0)), nullptr);

  // A bare tab control of a foreign window is reached by its class.
  plat::HWND bare = plat::CreateWindowExA(0, plat::WC_TABCONTROLA, "", plat::WS_CHILD | plat::WS_VISIBLE, 220,
                                          10, 80, 60, form_->Handle(), nullptr, nullptr, nullptr);
  plat::HWND drawn = plat::CreateWindowExA(0, plat::WC_TABCONTROLA, "",
                                           plat::WS_CHILD | plat::WS_VISIBLE | plat::TCS_OWNERDRAWFIXED, 220,
                                           80, 80, 60, form_->Handle(), nullptr, nullptr, nullptr);
  TSkinWalk walk(skin_form_);
  walk.SkinWindowByClass(bare);
  walk.SkinWindowByClass(drawn);
  TSkinControl* bare_skin = walk.FindSkinOfWindow(bare);
  EXPECT_TRUE(bare_skin && typeid(*bare_skin) == typeid(TSkinTab));
  EXPECT_EQ(walk.FindSkinOfWindow(drawn), nullptr);
  plat::DestroyWindow(bare);
  plat::DestroyWindow(drawn);
}

TEST_F(WinSkinTabsTest, WithoutTabsInTheSkinTabControlsKeepTheirOwnLook) {
  data_->Skin().Tabs.reset();
  auto* pages = NewPages({"A"});
  Skin();
  EXPECT_EQ(CompanionOf<TSkinTab>(pages), nullptr);
  EXPECT_EQ(CompanionOf<TSkinTabSheet>(pages->Pages(0)), nullptr);
}

}  // namespace
