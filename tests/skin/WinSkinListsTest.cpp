// Skinned headers, list views, bare windows with scroll bars, simple combo
// boxes and scroll bar controls on a skinned test form, read back as pixels:
// header items by frame and hot item, the overlays over the bars, the scroll
// bar control's thumb from its range, clicks handed on, and the companions'
// lives with their windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/user/Geometry.h"
#include "platform/user/Header.h"
#include "platform/user/Input.h"
#include "platform/user/ListBox.h"
#include "platform/user/ListView.h"
#include "platform/user/Messages.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "skin/ScrollSkinFixture.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinEdits.h"
#include "skin/WinSkinHeader.h"
#include "skin/WinSkinScroll.h"
#include "skin/WinSkinWalk.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

constexpr vcl::TColor kFace = 0x604020;  // ButtonFace 32,64,96
// Headerbar: normal, hot.
const std::vector<vcl::TColor> kHeader = {0x0000C8, 0x00C8C8};

class WinSkinListsTest : public SkinControlFormTest {
 protected:
  void SetUp() override {
    SkinControlFormTest::SetUp();
    TestSkinOptions o;
    AddScrollImages(o);
    o.buttons +=
        "[Headerbar]\nImage=header.bmp\nFrame=2\nNormalColour2=255,255,255\nMouseOverColour2=255,255,255\n";
    o.extra.push_back({"header.bmp", FramesBmp(80, 20, 2, false, kHeader)});
    SkinTheForm(o, 400, 300);
  }

  // A pixel of a window on the form, in its own coordinates, repainted first.
  uint32_t At(plat::HWND window, int x, int y) {
    plat::InvalidateRect(window, nullptr, plat::TRUE);
    return ChildPixel(form_, window, x, y);
  }
  // The x of every pixel of row y in [from, to) of a window that is not `colour`.
  std::vector<int> Other(plat::HWND window, int y, int from, int to, uint32_t colour) {
    plat::InvalidateRect(window, nullptr, plat::TRUE);
    Pump();
    std::vector<int> found;
    for (int x = from; x < to; ++x)
      if (PresentedChildPixel(form_, window, x, y) != colour) found.push_back(x);
    return found;
  }
};

TEST_F(WinSkinListsTest, HeaderItemsShowTheirFrameAndTheHotItem) {
  auto* header = Place(new vcl::THeaderControl(form_), 10, 10, 200, 20);
  header->SetAlign(vcl::alNone);
  header->SetBounds(10, 10, 200, 20);
  header->AddSection("", 80);
  header->AddSection("", 70);
  Pump();
  auto* skin = Skin(new TSkinHeader(header));
  const plat::HWND h = header->Handle();
  const uint32_t normal = Rgb(kHeader[0]), hot = Rgb(kHeader[1]);
  // Items without text show only their frame; the rest of the bar frame 1.
  EXPECT_TRUE(Other(h, 10, 0, 200, normal).empty());
  ASSERT_EQ(skin->ItemRects.size(), 2u);
  const vcl::TRect items[] = {vcl::Rect(3, 0, 77, 20), vcl::Rect(83, 0, 147, 20)};
  for (size_t i = 0; i < 2; ++i) {
    const vcl::TRect& r = skin->ItemRects[i];
    EXPECT_TRUE(r.left == items[i].left && r.top == items[i].top && r.right == items[i].right &&
                r.bottom == items[i].bottom)
        << i << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }

  // The item under the real pointer is hot until the pointer leaves the header.
  plat::RECT r{};
  plat::GetWindowRect(h, &r);
  struct Step {
    int x;
    int hot;
  } steps[] = {{40, 0}, {80, 0}, {100, 1}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.x);
    Screen()->InjectMouseMove(plat::POINT{r.left + s.x, r.top + 10});
    Pump();
    EXPECT_EQ(skin->HotIndex, s.hot);
  }
  EXPECT_EQ(At(h, 115, 10), hot);
  EXPECT_EQ(At(h, 40, 10), normal);
  EXPECT_EQ(At(h, 175, 10), normal);
  Screen()->InjectMouseMove(plat::POINT{r.left + 100, r.bottom + 40});
  Pump();
  EXPECT_EQ(skin->HotIndex, -1);
  EXPECT_EQ(At(h, 115, 10), normal);

  // Text by the item's alignment, in the element's text colour.
  struct Align {
    int format, alignment;
  } aligns[] = {{plat::HDF_LEFT, 0}, {plat::HDF_CENTER, 1}, {plat::HDF_RIGHT, 2}};
  for (const Align& a : aligns) {
    SCOPED_TRACE(a.format);
    EXPECT_EQ(TSkinHeader::Alignment(a.format | plat::HDF_STRING), a.alignment);
    char text[] = "Hz";
    plat::HDITEMA item;
    item.mask = plat::HDI_TEXT | plat::HDI_FORMAT;
    item.pszText = text;
    item.fmt = a.format | plat::HDF_STRING;
    plat::SendMessageA(h, plat::HDM_SETITEMA, 0, reinterpret_cast<plat::LPARAM>(&item));
    int lo = 80, hi = -1;
    for (int y = 2; y < 18; ++y)
      for (int x : Other(h, y, 0, 80, normal)) {
        lo = std::min(lo, x);
        hi = std::max(hi, x);
      }
    ASSERT_LE(lo, hi);
    switch (a.alignment) {
      case 0:
        EXPECT_LT(hi, 40);
        break;
      case 1:
        EXPECT_NEAR((lo + hi) / 2, 40, 3);
        break;
      default:
        EXPECT_GT(lo, 40);
        EXPECT_LT(hi, 80);
        break;
    }
  }
  bool white = false;
  for (int y = 2; y < 18 && !white; ++y) white = Other(h, y, 0, 80, Rgb(vcl::clWhite)).size() < 80;
  EXPECT_TRUE(white) << "the letters in the element's colour";

  // A skin without the element leaves the header its own painting.
  data_->Skin().Headerbar.reset();
  EXPECT_NE(At(h, 115, 10), normal);
}

TEST_F(WinSkinListsTest, ListViewGetsOverlaysAndItsHeaderIsSkinned) {
  auto* list = Place(new vcl::TListView(form_), 20, 20, 200, 100);
  list->AddColumn("", 80);
  list->AddColumn("", 70);
  for (int i = 0; i < 20; ++i) list->AddItem("row " + std::to_string(i));
  Pump();
  auto* skin = Skin(new TSkinListView(list));
  ASSERT_NE(skin->VScroll, nullptr);
  EXPECT_TRUE(skin->VScroll->BarVisible);
  EXPECT_EQ(skin->VScroll->Width(), 16);
  EXPECT_EQ(skin->VScroll->Left(), 20 + 200 - 2 - 16);
  EXPECT_EQ(At(skin->VScroll->Handle(), 8, 8), Rgb(BarFrame(9)));

  // The header is a companion of the form skin, found by its window.
  const auto header =
      reinterpret_cast<plat::HWND>(plat::SendMessageA(list->Handle(), plat::LVM_GETHEADER, 0, 0));
  TSkinControl* header_skin = skin->Header();
  ASSERT_NE(header_skin, nullptr);
  EXPECT_EQ(typeid(*header_skin), typeid(TSkinHeader));
  EXPECT_EQ(header_skin->Handle(), header);
  EXPECT_EQ(skin_form_->SkinnedControls().Find(header), header_skin);
  EXPECT_EQ(At(header, 40, 5), Rgb(kHeader[0]));
  // Once it is freed the list view does not reach for it.
  TSkinControl::Free(header_skin);
  EXPECT_EQ(skin->Header(), nullptr);

  // The list view and its companion go with its window.
  delete list;
  Pump();
  skin_form_->SkinnedControls().Sweep();
  EXPECT_EQ(skin_form_->SkinnedControls().Find(header), nullptr);
}

TEST_F(WinSkinListsTest, BareWindowBarsFollowTheWindow) {
  auto* panel = Place(new vcl::TPanel(form_), 10, 10, 300, 200);
  Pump();
  plat::HWND box = plat::CreateWindowExA(
      0, "listbox", "",
      plat::WS_CHILD | plat::WS_VISIBLE | plat::WS_BORDER | plat::WS_VSCROLL | plat::LBS_NOINTEGRALHEIGHT, 20,
      30, 150, 100, panel->Handle(), nullptr, nullptr, nullptr);
  for (int i = 0; i < 30; ++i)
    plat::SendMessageA(box, plat::LB_ADDSTRING, 0, reinterpret_cast<plat::LPARAM>("line"));
  Pump();
  auto* skin = SkinWindow(new TSkinScrollbarH(), box);
  TWScrollbar* v = skin->VScroll;
  ASSERT_NE(v, nullptr);
  ASSERT_TRUE(v->BarVisible);
  // Over the bar, inside the 1-pixel border, in the panel's coordinates.
  EXPECT_EQ(v->Left(), 20 + 150 - 1 - 16);
  EXPECT_EQ(v->Top(), 30 + 1);
  EXPECT_EQ(v->Height(), 98);
  EXPECT_FALSE(skin->HScroll->BarVisible);
  EXPECT_EQ(At(v->Handle(), 8, 8), Rgb(BarFrame(9)));
  EXPECT_EQ(At(v->Handle(), 8, 90), Rgb(BarFrame(13)));

  // The scroll code is the low word.
  plat::SendMessageA(box, plat::WM_VSCROLL, plat::MAKEWPARAM(plat::SB_THUMBTRACK, 37), 0);
  EXPECT_EQ(v->HotPart, plat::SB_THUMBTRACK);
  plat::SendMessageA(box, plat::WM_VSCROLL, plat::MAKEWPARAM(plat::SB_ENDSCROLL, 0), 0);

  // A press on the down arrow scrolls the window through its own bar.
  plat::SendMessageA(box, plat::LB_SETTOPINDEX, 0, 0);
  const int top_before = static_cast<int>(plat::SendMessageA(box, plat::LB_GETTOPINDEX, 0, 0));
  plat::RECT r{};
  plat::GetWindowRect(v->Handle(), &r);
  ClickAndHold(plat::POINT{r.left + 8, r.bottom - 8});
  EXPECT_FALSE(v->Tracking);
  EXPECT_GT(plat::SendMessageA(box, plat::LB_GETTOPINDEX, 0, 0), top_before);

  // Hidden with the window, back when it shows.
  plat::ShowWindow(box, plat::SW_HIDE);
  Pump();
  EXPECT_FALSE(v->Visible());
  plat::ShowWindow(box, plat::SW_SHOW);
  Pump();
  EXPECT_TRUE(v->Visible());

  // With both bars the square between them is the face, placed by the
  // window's own 1-pixel border.
  plat::ShowScrollBar(box, plat::SB_HORZ, plat::TRUE);
  Pump();
  ASSERT_TRUE(skin->HScroll->BarVisible);
  const vcl::TRect vbar = skin->VScroll->BarRect, hbar = skin->HScroll->BarRect;
  EXPECT_EQ(At(box, 1 + vbar.left, 1 + hbar.top), Rgb(kFace));
  EXPECT_EQ(At(box, 1 + vbar.right - 1, 1 + hbar.bottom - 1), Rgb(kFace));

  // The window goes first: its companion is swept with the overlays.
  plat::DestroyWindow(box);
  Pump();
  skin_form_->SkinnedControls().Sweep();
  EXPECT_EQ(skin_form_->SkinnedControls().Find(box), nullptr);
}

TEST_F(WinSkinListsTest, SimpleComboListGetsSkinnedBars) {
  auto* combo = Place(new vcl::TComboBox(form_), 10, 10, 150, 120);
  combo->SetStyle(vcl::csSimple);
  for (int i = 0; i < 30; ++i) combo->Items()->Add("item " + std::to_string(i));
  Pump();
  auto* skin = Skin(new TSkinComBox(combo));
  ASSERT_NE(skin->ListHandle, nullptr);
  auto* bars = dynamic_cast<TSkinScrollbarH*>(skin->ListScrollbars());
  ASSERT_NE(bars, nullptr);
  EXPECT_EQ(bars->Handle(), skin->ListHandle);
  ASSERT_NE(bars->VScroll, nullptr);
  EXPECT_TRUE(bars->VScroll->BarVisible);
  EXPECT_EQ(At(bars->VScroll->Handle(), 8, 8), Rgb(BarFrame(9)));
  // Taking the skin off the combo takes it off its list.
  const plat::HWND list = skin->ListHandle;
  skin->Unskin();
  EXPECT_EQ(skin_form_->SkinnedControls().Find(list), nullptr);
  EXPECT_EQ(skin->ListScrollbars(), nullptr);
}

TEST_F(WinSkinListsTest, ScrollBarControlThumbFollowsItsRange) {
  // Vertical, 100 long, arrows of 16: a track of 68.
  struct Case {
    int min, max, page, position, start, end;
  } cases[] = {
      {0, 100, 10, 50, 50, 56}, {0, 100, 0, 50, 42, 58},
      {0, 100, 10, 0, 16, 22},  {20, 20, 0, 20, 16, 32},                  // nothing to scroll: no division
      {20, 20, 10, 20, 16, 84}, {-2000000000, 2000000000, 0, 0, 42, 58},  // a range wider than an int
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " page " << c.page << " at " << c.position);
    const auto [start, end] = TWScrollbar::ControlThumb(100, 16, c.min, c.max, c.page, c.position);
    EXPECT_EQ(start, c.start);
    EXPECT_EQ(end, c.end);
  }
}

TEST_F(WinSkinListsTest, ScrollBarControlIsDrawnAndClickedThroughItsOverlay) {
  auto* bar = Place(new vcl::TScrollBar(form_), 20, 20, 32, 100);
  bar->SetKind(vcl::sbVertical);
  bar->SetBounds(20, 20, 32, 100);
  bar->SetPageSize(10);
  bar->SetParams(50, 0, 100);
  auto* across = Place(new vcl::TScrollBar(form_), 100, 20, 120, 16);
  Pump();
  auto* skin = Skin(new TSkinScControl(bar));
  auto* across_skin = Skin(new TSkinScControl(across));
  TWScrollbar* panel = skin->Panel;
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->Kind, 2);
  EXPECT_EQ(panel->Orientation, 1);
  EXPECT_EQ(across_skin->Panel->Orientation, 0);
  // Over the whole control, directly above it.
  EXPECT_EQ(panel->Left(), 20);
  EXPECT_EQ(panel->Top(), 20);
  EXPECT_EQ(panel->Width(), 32);
  EXPECT_EQ(panel->Height(), 100);
  EXPECT_EQ(plat::GetWindow(bar->Handle(), plat::GW_HWNDPREV), panel->Handle());

  // Drawn 16 broad and stretched over the 32-pixel control.
  const plat::HWND p = panel->Handle();
  struct Probe {
    int x, y;
    vcl::TColor colour;
  } probes[] = {
      {8, 8, BarFrame(9)}, {30, 8, BarFrame(9)}, {8, 92, BarFrame(13)},
      {8, 30, kTrack[0]},  {8, 53, kThumb[0]},   {30, 53, kThumb[0]},
  };
  for (const Probe& probe : probes)
    EXPECT_EQ(At(p, probe.x, probe.y), Rgb(probe.colour)) << probe.x << "," << probe.y;
  EXPECT_EQ(At(across_skin->Panel->Handle(), 8, 8), Rgb(BarFrame(1)));

  // A position set from code moves the drawn thumb.
  bar->SetPosition(0);
  EXPECT_EQ(At(p, 8, 18), Rgb(kThumb[0]));
  EXPECT_EQ(At(p, 8, 53), Rgb(kTrack[0]));

  // A press on the down arrow is the control's own: it scrolls.
  plat::RECT r{};
  plat::GetWindowRect(p, &r);
  ClickAndHold(plat::POINT{r.left + 8, r.bottom - 8});
  EXPECT_FALSE(panel->Tracking);
  EXPECT_GT(bar->Position(), 0);

  // Hidden and shown with the control.
  bar->Hide();
  Pump();
  EXPECT_FALSE(panel->Visible());
  bar->Show();
  Pump();
  EXPECT_TRUE(panel->Visible());

  // The control freed first: the companion and its overlay forget it.
  delete bar;
  Pump();
  skin_form_->SkinnedControls().Sweep();
  EXPECT_EQ(skin_form_->SkinnedControls().Find(p), nullptr);
}

TEST_F(WinSkinListsTest, EveryListCompanionHasAWalkRow) {
  struct Row {
    const char* name;
    const std::type_info& type;
  } rows[] = {
      {"TSkinHeader", typeid(TSkinHeader)},
      {"TSkinListView", typeid(TSkinListView)},
      {"TSkinScrollbarH", typeid(TSkinScrollbarH)},
      {"TSkinScControl", typeid(TSkinScControl)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const TSkinClassRow* row = FindSkinClassRow(r.name);
    ASSERT_NE(row, nullptr);
    TSkinControl* made = row->make(nullptr);
    EXPECT_EQ(typeid(*made), r.type);
    TSkinControl::Free(made);
  }
}

}  // namespace
