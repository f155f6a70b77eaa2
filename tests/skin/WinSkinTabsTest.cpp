// The tab control companion on a skinned test form: the tab strip's frames
// by state read back from the screen, the display area's picture, the walk
// that reaches page and tab controls, and the close marks.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/user/CommCtrl.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/TabControl.h"
#include "platform/user/UpDown.h"
#include "platform/user/Window.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Tabs.h"
#include "platform/vcl/TypInfo.h"
#include "skin/SkinBitmaps.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinBoxes.h"
#include "skin/WinSkinTabs.h"
#include "skin/WinSkinUpDown.h"
#include "skin/WinSkinWalk.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

// A page control of another kind: it takes its tab pictures as bitmaps.
class TMyAdvPage : public vcl::TCustomControl {
  VCL_DECLARE_CLASS(TMyAdvPage, vcl::TCustomControl)
 public:
  using vcl::TCustomControl::TCustomControl;
  vcl::TBitmap* TabBackGround() const { return back_.get(); }
  vcl::TBitmap* TabBackGroundActive() const { return active_.get(); }
  std::unique_ptr<vcl::TBitmap> back_ = std::make_unique<vcl::TBitmap>();
  std::unique_ptr<vcl::TBitmap> active_ = std::make_unique<vcl::TBitmap>();
};
// An up-down control of the class library's kind.
class TUpDown : public vcl::TStdWinControl {
  VCL_DECLARE_CLASS(TUpDown, vcl::TStdWinControl)
 public:
  using vcl::TStdWinControl::TStdWinControl;

 protected:
  void CreateParams(TCreateParams& params) override {
    vcl::TStdWinControl::CreateParams(params);
    CreateSubClass(params, plat::UPDOWN_CLASSA);
  }
};

}  // namespace

VCL_IMPLEMENT_CLASS(TMyAdvPage, vcl::published::ObjProp("TabBackGround", &TMyAdvPage::TabBackGround),
                    vcl::published::ObjProp("TabBackGroundActive", &TMyAdvPage::TabBackGroundActive))
VCL_IMPLEMENT_CLASS(TUpDown)

namespace {

constexpr vcl::TColor kFace = 0x604020;  // ButtonFace 32,64,96
// Tabs frames 1..5: a tab, the focused tab, then unused ones.
const std::vector<vcl::TColor> kTabFrames = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0, 0xC0C000};
constexpr vcl::TColor kPane = 0x408080;
constexpr vcl::TColor kNormalText = 0x00FFFF;  // 255,255,0
constexpr vcl::TColor kFocusText = 0xFFFF00;   // 0,255,255
constexpr vcl::TColor kShadow = 0x102030;      // ButtonShadow 48,32,16
// Up-down frames 1..8 (first half 1-4, second half 5-8) and their glyphs.
const std::vector<vcl::TColor> kUpDownVert = {0x101080, 0x102080, 0x103080, 0x104080,
                                              0x105080, 0x106080, 0x107080, 0x108080};
const std::vector<vcl::TColor> kUpDownHorz = {0x801010, 0x802010, 0x803010, 0x804010,
                                              0x805010, 0x806010, 0x807010, 0x808010};
const std::vector<vcl::TColor> kGlyphs = {0x10A010, 0x20A020, 0x30A030, 0x40A040,
                                          0x50A050, 0x60A060, 0x70A070, 0x80A080};

class WinSkinTabsTest : public SkinControlFormTest {
 protected:
  void SetUp() override {
    SkinControlFormTest::SetUp();
    // Bare tab and up-down windows are made before any class-library control.
    plat::InitCommonControls();
    TestSkinOptions o;
    o.buttons +=
        "[Tabs]\nImage=tabs.bmp\nBorder=pane.bmp\nNormalColour2=255,255,0\nMouseOverColour2=0,255,255\n"
        "[UpDown.Vert]\nImage=udv.bmp\nGlyphImage=glyphs.bmp\n[UpDown.Horz]\nImage=udh.bmp\nGlyphImage="
        "glyphs.bmp\n";
    o.extra = {{"tabs.bmp", FramesBmp(50, 10, 5, false, kTabFrames)},
               {"pane.bmp", FramesBmp(20, 20, 1, false, {kPane})},
               {"udv.bmp", FramesBmp(80, 10, 8, false, kUpDownVert)},
               {"udh.bmp", FramesBmp(80, 10, 8, false, kUpDownHorz)},
               {"glyphs.bmp", FramesBmp(32, 4, 8, false, kGlyphs)}};
    MakeTheForm(o);
  }
  vcl::TPageControl* NewPages(const std::vector<std::string>& captions) {
    auto* pages = Place(new vcl::TPageControl(form_), 10, 10, 200, 100);
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
      for (int x = r.left; x < r.right; ++x)
        n += PresentedChildPixel(form_, window, x, y) == Rgb(colour) ? 1 : 0;
    return n;
  }

  // A bare tab control of the style on the form, with tabs "A" and "B".
  plat::HWND NewBareTabs(plat::DWORD style, int x, int y) {
    plat::HWND h =
        plat::CreateWindowExA(0, plat::WC_TABCONTROLA, "", plat::WS_CHILD | plat::WS_VISIBLE | style, x, y,
                              200, 100, form_->Handle(), nullptr, nullptr, nullptr);
    for (const char* text : {"A", "B"}) {
      plat::TCITEMA item;
      item.mask = plat::TCIF_TEXT;
      item.pszText = const_cast<char*>(text);
      plat::SendMessageA(h, plat::TCM_INSERTITEMA, 9, reinterpret_cast<plat::LPARAM>(&item));
    }
    return h;
  }
  // The real pointer onto a point of a window.
  void MoveTo(plat::HWND window, int x, int y) {
    plat::RECT r{};
    plat::GetWindowRect(window, &r);
    Screen()->InjectMouseMove(plat::POINT{r.left + x, r.top + y});
    Pump();
  }
  // The first up-down child of a window.
  static plat::HWND ArrowsOf(plat::HWND window) {
    for (plat::HWND c = plat::GetWindow(window, plat::GW_CHILD); c;
         c = plat::GetWindow(c, plat::GW_HWNDNEXT)) {
      char name[64] = {};
      plat::GetClassNameA(c, name, static_cast<int>(sizeof name));
      if (std::string(name) == plat::UPDOWN_CLASSA) return c;
    }
    return nullptr;
  }
  // How many companions the form skin keeps for a window.
  int CompanionsOf(plat::HWND window) {
    int n = 0;
    TSkinControlList& list = skin_form_->SkinnedControls();
    for (int i = 0; i < list.Count(); ++i) n += list.Items(i)->Handle() == window ? 1 : 0;
    return n;
  }
};

TEST_F(WinSkinTabsTest, PageControlTabsShowTheFrameOfTheirState) {
  auto* pages = NewPages({"MMM", "WWW"});
  ShowTheForm();
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
  auto* tabs = Place(new vcl::TTabControl(form_), 10, 120, 200, 60);
  tabs->Tabs()->Add("x");
  ShowTheForm();
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
  ShowTheForm();
  EXPECT_EQ(CompanionOf<TSkinTab>(pages), nullptr);
  EXPECT_EQ(CompanionOf<TSkinTabSheet>(pages->Pages(0)), nullptr);
}

TEST_F(WinSkinTabsTest, UpDownHalvesShowTheStateOfTheMouseOverThem) {
  ShowTheForm();
  plat::HWND vert = plat::CreateWindowExA(0, plat::UPDOWN_CLASSA, "", plat::WS_CHILD | plat::WS_VISIBLE, 250,
                                          10, 16, 30, form_->Handle(), nullptr, nullptr, nullptr);
  plat::HWND horz =
      plat::CreateWindowExA(0, plat::UPDOWN_CLASSA, "", plat::WS_CHILD | plat::WS_VISIBLE | plat::UDS_HORZ,
                            250, 60, 30, 16, form_->Handle(), nullptr, nullptr, nullptr);
  for (plat::HWND h : {vert, horz}) {
    auto* skin = new TSkinUpDown();
    skin->AttachWindow(h, data_.get(), skin_form_, skin_form_->WorkCanvas());
  }
  bool down = false;
  struct Case {
    const char* state;
    plat::HWND window;
    int x, y;  // the mouse, -1: elsewhere
    bool press, disable;
    int first, second;  // frames of the halves
  } cases[] = {
      {"mouse elsewhere", vert, -1, -1, false, false, 1, 5},
      {"over the lower half", vert, 8, 20, false, false, 1, 8},
      {"over the upper half", vert, 8, 5, false, false, 4, 5},
      {"mouse gone again", vert, -1, -1, false, false, 1, 5},
      {"pressed on the lower half", vert, 8, 20, true, false, 1, 6},
      {"disabled, mouse over the lower half", vert, 8, 20, false, true, 3, 7},
      {"over the right half", horz, 20, 8, false, false, 1, 8},
      {"pressed on the left half", horz, 5, 8, true, false, 2, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    if (c.x < 0)
      Screen()->InjectMouseMove(plat::POINT{2, 2});
    else
      MoveTo(c.window, c.x, c.y);
    if (c.press) {
      Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);
      down = true;
    }
    if (c.disable) plat::EnableWindow(c.window, plat::FALSE);
    Pump();
    const std::vector<vcl::TColor>& frames = c.window == vert ? kUpDownVert : kUpDownHorz;
    // The second half starts at the middle; each glyph sits in the middle of its half.
    const int sx = c.window == horz ? 15 : 0, sy = c.window == vert ? 15 : 0;
    EXPECT_EQ(At(c.window, 1, 1), Rgb(frames[static_cast<size_t>(c.first - 1)]));
    EXPECT_EQ(At(c.window, sx + 1, sy + 1), Rgb(frames[static_cast<size_t>(c.second - 1)]));
    const int gx = c.window == horz ? 6 : 7, gy = c.window == vert ? 6 : 7;
    EXPECT_EQ(At(c.window, gx, gy), Rgb(kGlyphs[static_cast<size_t>(c.first - 1)]));
    EXPECT_EQ(At(c.window, sx + gx, sy + gy), Rgb(kGlyphs[static_cast<size_t>(c.second - 1)]));
    if (down) Screen()->InjectMouseButton(plat::backend::MouseButton::Left, false);
    down = false;
    plat::EnableWindow(c.window, plat::TRUE);
    Pump();
  }
  // Without the element: plain halves, the one under the mouse in the shadow colour.
  data_->Skin().UpDownVert.reset();
  Screen()->InjectMouseMove(plat::POINT{2, 2});
  MoveTo(vert, 8, 20);
  EXPECT_EQ(At(vert, 3, 3), Rgb(kFace));
  EXPECT_EQ(At(vert, 3, 18), Rgb(kShadow));
  EXPECT_EQ(At(vert, 0, 18), Rgb(data_->Skin().ButtonDkShadow));
  plat::DestroyWindow(vert);
  plat::DestroyWindow(horz);
}

TEST_F(WinSkinTabsTest, TabScrollArrowsAreSkinnedAndFoundByTheirWindow) {
  auto* pages = NewPages({"Page one", "Page two", "Page three", "Page four", "Page five"});
  pages->SetWidth(120);
  ShowTheForm();
  plat::HWND arrows = ArrowsOf(pages->Handle());
  ASSERT_NE(arrows, nullptr);
  ASSERT_TRUE(plat::IsWindowVisible(arrows));
  TSkinControl* skin = skin_form_->SkinnedControls().Find(arrows);
  ASSERT_TRUE(skin && typeid(*skin) == typeid(TSkinUpDown));
  // The tab strip is copied around the arrows, which show their own frames.
  for (int i = 0; i < 3; ++i) {
    plat::InvalidateRect(pages->Handle(), nullptr, plat::TRUE);
    Pump();
  }
  EXPECT_EQ(CompanionsOf(arrows), 1);
  plat::RECT a{};
  plat::GetClientRect(arrows, &a);
  EXPECT_EQ(At(arrows, 2, 2), Rgb(kUpDownHorz[0]));
  EXPECT_EQ(At(arrows, a.right - 2, 2), Rgb(kUpDownHorz[4]));
  // Its companion may go at any time: the tab control keeps no link to it
  // and gives the arrows a new one at its next paint.
  TSkinControl::Free(skin);
  EXPECT_EQ(CompanionsOf(arrows), 0);
  plat::InvalidateRect(pages->Handle(), nullptr, plat::TRUE);
  Pump();
  EXPECT_EQ(CompanionsOf(arrows), 1);
  EXPECT_EQ(At(arrows, 2, 2), Rgb(kUpDownHorz[0]));
}

TEST(SkinTabStripTest, TabsAreMappedIntoTheLyingStrip) {
  struct Case {
    const char* side;
    int position;
    vcl::TRect tab, pane;
    int strip_width;
    vcl::TRect expected;
  } cases[] = {
      {"top: one pixel down", 0, {2, 2, 60, 20}, {0, 21, 200, 100}, 200, {2, 3, 60, 21}},
      {"bottom: from the display area's bottom", 1, {2, 80, 60, 98}, {0, 0, 200, 79}, 200, {2, 0, 60, 18}},
      {"left: turned left afterwards", 2, {0, 10, 20, 50}, {21, 0, 200, 100}, 100, {50, 0, 90, 20}},
      // Turned right afterwards: the columns count from the control's right edge.
      {"right", 3, {180, 0, 200, 40}, {0, 0, 180, 100}, 100, {-1, 0, 39, 20}},
  };
  const vcl::TRect control{0, 0, 200, 100};
  for (const Case& c : cases) {
    const vcl::TRect r = TSkinTab::StripTabRect(c.position, c.tab, control, c.pane, c.strip_width);
    EXPECT_EQ(std::vector<long>({r.left, r.top, r.right, r.bottom}),
              std::vector<long>({c.expected.left, c.expected.top, c.expected.right, c.expected.bottom}))
        << c.side;
  }
  struct Style {
    plat::DWORD style;
    int side;
  } styles[] = {
      {0, 0}, {plat::TCS_BOTTOM, 1}, {plat::TCS_VERTICAL, 2}, {plat::TCS_VERTICAL | plat::TCS_RIGHT, 3}};
  for (const Style& s : styles) EXPECT_EQ(TSkinTab::TabSideOfStyle(s.style), s.side) << s.style;
}

TEST_F(WinSkinTabsTest, TabsOnEachSideAreDrawnWhereTheControlHasThem) {
  ShowTheForm();
  struct Case {
    const char* side;
    plat::DWORD style;
  } cases[] = {{"bottom", plat::TCS_BOTTOM},
               {"left", plat::TCS_VERTICAL},
               {"right", plat::TCS_VERTICAL | plat::TCS_RIGHT}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.side);
    plat::HWND h = NewBareTabs(c.style, 10, 10);
    auto* skin = SkinWindow(new TSkinTab(), h);
    EXPECT_EQ(skin->TabSide, TSkinTab::TabSideOfStyle(c.style));
    const plat::RECT r0 = TabRect(h, 0), r1 = TabRect(h, 1);
    for (auto [x, y] : {std::pair{r0.left + 3, r0.top + 3}, std::pair{r0.right - 4, r0.bottom - 4}})
      EXPECT_EQ(At(h, x, y), Rgb(kTabFrames[1])) << x << "," << y;
    for (auto [x, y] : {std::pair{r1.left + 3, r1.top + 3}, std::pair{r1.right - 4, r1.bottom - 4}})
      EXPECT_EQ(At(h, x, y), Rgb(kTabFrames[0])) << x << "," << y;
    // The display area's frame is the (turned) pane picture.
    plat::RECT pane{0, 0, 200, 100};
    plat::SendMessageA(h, plat::TCM_ADJUSTRECT, plat::FALSE, reinterpret_cast<plat::LPARAM>(&pane));
    EXPECT_EQ(At(h, pane.left - 2, (pane.top + pane.bottom) / 2), Rgb(kPane));
    EXPECT_EQ(At(h, pane.right + 1, (pane.top + pane.bottom) / 2), Rgb(kPane));
    plat::DestroyWindow(h);
  }
}

TEST_F(WinSkinTabsTest, CloseMarksOfAPageControlFreeTheirPage) {
  auto* pages = NewPages({"MMMMMM", "WWWWWW", "XXXXXX"});
  pages->SetTag(kSkinTabCloseTag);
  auto* bottom = NewPages({"A"});
  bottom->SetTag(kSkinTabCloseTag);
  bottom->SetTabPosition(vcl::tpBottom);
  bottom->SetTop(120);
  int changes = 0;
  pages->OnChange = [&](vcl::TObject*) { ++changes; };
  // The window hears of each close and keeps the page while it says so.
  int asked = 0;
  plat::LRESULT answer = 1;
  form_->AddWindowProcHook(this, [&](vcl::TMessage& m, const vcl::TWndHookNext& next) {
    if (m.Msg != SKM_TABCLOSE) return next(m);
    ++asked;
    EXPECT_EQ(m.WParam, reinterpret_cast<plat::WPARAM>(pages->Handle()));
    m.Result = answer;
  });
  ShowTheForm();
  auto* tab = CompanionOf<TSkinTab>(pages);
  ASSERT_NE(tab, nullptr);
  EXPECT_TRUE(tab->ShowCloseButtons);
  EXPECT_FALSE(CompanionOf<TSkinTab>(bottom)->ShowCloseButtons);
  plat::HWND h = pages->Handle();
  ASSERT_EQ(tab->CloseRects.size(), 3u);
  // A boxed cross at the right of each tab, in the tab strip's pen.
  const plat::RECT r1 = TabRect(h, 1);
  const vcl::TRect mark = tab->CloseRects[1];
  EXPECT_EQ(std::vector<long>({mark.left, mark.top, mark.right, mark.bottom}),
            std::vector<long>({r1.right - 8, r1.top + 3, r1.right - 2, r1.top + 9}));
  EXPECT_EQ(At(h, mark.left, mark.top), Rgb(vcl::clBlack));
  EXPECT_EQ(At(h, mark.left + 2, mark.top + 2), Rgb(vcl::clBlack));
  EXPECT_EQ(At(h, mark.left + 2, mark.top + 1), Rgb(kTabFrames[0]));
  auto click = [&](const vcl::TRect& r) {
    const plat::LPARAM at =
        plat::MAKELPARAM(static_cast<plat::WORD>(r.left + 3), static_cast<plat::WORD>(r.top + 3));
    plat::SendMessageA(h, plat::WM_LBUTTONDOWN, 0, at);
    plat::SendMessageA(h, plat::WM_LBUTTONUP, 0, at);
    Pump();
  };
  click(mark);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(pages->PageCount(), 3);
  answer = 0;
  click(mark);
  EXPECT_EQ(asked, 2);
  ASSERT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->Pages(1)->Caption(), "XXXXXX");
  // The click never reached the page control: its page stays chosen.
  EXPECT_EQ(pages->ActivePageIndex(), 0);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(tab->CloseRects.size(), 2u);
  form_->RemoveWindowProcHook(this);
}

TEST_F(WinSkinTabsTest, OlderTabSetDrawsItsTabsWhereItLaysThemOut) {
  auto* set = Place(new vcl::TTabSet(form_), 10, 10, 200, 21);
  set->Tabs()->Add("MMM");
  set->Tabs()->Add("WWW");
  set->SetTabIndex(0);
  ShowTheForm();
  auto* skin = CompanionOf<TSkinTab31>(set);
  ASSERT_NE(skin, nullptr);
  plat::HWND h = set->Handle();
  const vcl::TRect r0 = set->ItemRect(0), r1 = set->ItemRect(1);
  EXPECT_EQ(At(h, r0.left + 1, 1), Rgb(kTabFrames[1]));
  EXPECT_EQ(At(h, r1.left + 1, 1), Rgb(kTabFrames[0]));
  EXPECT_EQ(At(h, r1.right + 2, 10), Rgb(kFace));
  plat::SendMessageA(h, plat::WM_LBUTTONDOWN, 0, plat::MAKELPARAM(static_cast<plat::WORD>(r1.left + 2), 5));
  plat::SendMessageA(h, plat::WM_LBUTTONUP, 0, plat::MAKELPARAM(static_cast<plat::WORD>(r1.left + 2), 5));
  EXPECT_EQ(set->TabIndex(), 1);
  EXPECT_EQ(At(h, r0.left + 1, 1), Rgb(kTabFrames[0]));
  EXPECT_EQ(At(h, r1.left + 1, 1), Rgb(kTabFrames[1]));
}

TEST_F(WinSkinTabsTest, WalkReachesTheOtherTabKindsAndUpDowns) {
  data_->Skin3rd()->Add("TMyAdvPage=advpagecontrol");
  auto* adv = Place(new TMyAdvPage(form_), 10, 10, 200, 100);
  auto* spin = Place(new TUpDown(form_), 220, 10, 16, 30);
  auto* set = Place(new vcl::TTabSet(form_), 10, 150, 200, 21);
  ShowTheForm();
  EXPECT_NE(CompanionOf<TSkinUpDown>(spin), nullptr);
  EXPECT_NE(CompanionOf<TSkinTab31>(set), nullptr);
  auto* page = CompanionOf<TSkinAdvPage>(adv);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->PageKind, 4);
  // The control's tab pictures: frames 1 and 2 at 100 x 21.
  ASSERT_EQ(adv->TabBackGround()->Width(), 100);
  ASSERT_EQ(adv->TabBackGround()->Height(), 21);
  EXPECT_EQ(adv->TabBackGround()->Canvas()->Pixels(50, 10), kTabFrames[0]);
  EXPECT_EQ(adv->TabBackGroundActive()->Canvas()->Pixels(50, 10), kTabFrames[1]);
  // Its scroll arrows are skinned at its next paint.
  plat::HWND arrows = plat::CreateWindowExA(0, plat::UPDOWN_CLASSA, "", plat::WS_CHILD | plat::WS_VISIBLE,
                                            150, 2, 30, 16, adv->Handle(), nullptr, nullptr, nullptr);
  adv->Invalidate();
  Pump();
  EXPECT_EQ(CompanionsOf(arrows), 1);
  page->Unskin();
  EXPECT_TRUE(adv->TabBackGround()->Empty());
  EXPECT_TRUE(adv->TabBackGroundActive()->Empty());
}

TEST_F(WinSkinTabsTest, SpinInsideAnEditKeepsOffTheEditsEdges) {
  auto* edit = Place(new vcl::TEdit(form_), 10, 10, 100, 21);
  ShowTheForm();
  plat::RECT client{};
  plat::GetClientRect(edit->Handle(), &client);
  plat::HWND spin =
      plat::CreateWindowExA(0, plat::UPDOWN_CLASSA, "", plat::WS_CHILD | plat::WS_VISIBLE, client.right - 16,
                            0, 16, client.bottom, edit->Handle(), nullptr, nullptr, nullptr);
  edit->Invalidate();
  Pump();
  ASSERT_EQ(CompanionsOf(spin), 1);
  auto* skin = dynamic_cast<TSkinUpDown*>(skin_form_->SkinnedControls().Find(spin));
  ASSERT_NE(skin, nullptr);
  EXPECT_TRUE(skin->InsideEdit);
  plat::RECT own{}, outer{};
  plat::GetWindowRect(spin, &own);
  plat::GetWindowRect(edit->Handle(), &outer);
  // Three pixels from the edit's top, bottom and right edges; white outside.
  const int top = outer.top - own.top + 3, right = outer.right - own.left - 3;
  const int bottom = outer.bottom - own.top - 3;
  EXPECT_EQ(At(spin, 2, top), Rgb(kUpDownVert[0]));
  EXPECT_EQ(At(spin, right - 1, bottom - 1), Rgb(kUpDownVert[4]));
  EXPECT_EQ(At(spin, 2, bottom), Rgb(vcl::clWhite));
  EXPECT_EQ(At(spin, right, top + 2), Rgb(vcl::clWhite));
  // Another paint adds no second companion.
  edit->Invalidate();
  Pump();
  EXPECT_EQ(CompanionsOf(spin), 1);
}

TEST_F(WinSkinTabsTest, DisplayAreaFramePictureFollowsTheTabsStyle) {
  auto* pages = NewPages({"A"});
  ShowTheForm();
  auto* tab = CompanionOf<TSkinTab>(pages);
  ASSERT_NE(tab, nullptr);
  plat::HWND h = pages->Handle();
  plat::RECT pane{0, 0, 200, 100};
  plat::SendMessageA(h, plat::TCM_ADJUSTRECT, plat::FALSE, reinterpret_cast<plat::LPARAM>(&pane));
  TParsedSkin& skin = data_->Skin();
  constexpr vcl::TColor kOwnPane = 0x208060;
  skin.TabPane = std::make_unique<TDataSkinObject>("Tab.Pane");
  skin.TabPane->Bitmap.Assign(Filled(12, 12, kOwnPane).get());
  struct Case {
    const char* what;
    int style;
    bool border;
    vcl::TColor frame;
  } cases[] = {
      {"style 0: the tabs' second picture", 0, true, kPane},
      {"style 1: the pane element", 1, true, kOwnPane},
      {"style 0 without a second picture: the face", 0, false, kFace},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    skin.Tabs->Style = c.style;
    if (!c.border) skin.Tabs->Bitmap2.Assign(nullptr);
    tab->RefreshSkin();
    EXPECT_EQ(At(h, pane.left - 2, pane.top + 20), Rgb(c.frame));
    EXPECT_EQ(At(h, pane.right + 1, pane.bottom + 1), Rgb(c.frame));
  }
}

TEST_F(WinSkinTabsTest, TabsAtTheBottomHangFromTheDisplayArea) {
  // Tab frames whose upper half differs from their lower half.
  constexpr vcl::TColor kUpper = 0x3060C0, kLower = 0xC06030;
  const std::string bmp = FramesBmp(50, 10, 2, true, {kUpper, kLower});
  vcl::TMemoryStream in;
  in.WriteBuffer(bmp.data(), static_cast<int64_t>(bmp.size()));
  in.SetPosition(0);
  data_->Skin().Tabs->Bitmap.LoadFromStream(in);
  ShowTheForm();
  struct Case {
    const char* side;
    plat::DWORD style;
    vcl::TColor near_top, near_bottom;
  } cases[] = {{"top", 0, kUpper, kLower}, {"bottom: turned upside down", plat::TCS_BOTTOM, kLower, kUpper}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.side);
    plat::HWND h = NewBareTabs(c.style, 10, 10);
    SkinWindow(new TSkinTab(), h);
    const plat::RECT r = TabRect(h, 1);
    const int top = c.style ? r.top - 1 : r.top + 1;  // where the tab is drawn
    const int height = r.bottom - r.top;
    EXPECT_EQ(At(h, r.left + 2, top + 1), Rgb(c.near_top));
    EXPECT_EQ(At(h, r.left + 2, top + height - 2), Rgb(c.near_bottom));
    plat::DestroyWindow(h);
  }
}

}  // namespace
