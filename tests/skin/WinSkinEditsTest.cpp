// The edit, combo box and progress bar companions on a skinned test form:
// each family's looks read back as pixels from the screen.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/user/ComboBox.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinEdits.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

constexpr vcl::TColor kFace = 0x604020;    // ButtonFace 32,64,96
constexpr vcl::TColor kShadow = 0x102030;  // ButtonShadow 48,32,16
// Combo frames 1..4: normal, pressed, disabled, focused or hovered.
const std::vector<vcl::TColor> kSunk = {0x000070, 0x007000, 0x700000, 0x707000};
const std::vector<vcl::TColor> kComboButton = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0};
// Progress: empty, full.
const std::vector<vcl::TColor> kProgress = {0xFFFFFF, 0xFF0000};

class WinSkinEditsTest : public SkinControlFormTest {
 protected:
  void SetUp() override {
    SkinControlFormTest::SetUp();
    TestSkinOptions o;
    o.buttons +=
        "[SunkEdge]\nImage=sunk.bmp\nLeftWidth=2\nTopHeight=2\nRightWidth=2\nBottomHeight=2\n"
        "[ComboButton]\nImage=combo.bmp\n"
        "[Progress]\nBitmap=progress.bmp\nStyle=0\n";
    o.extra = {{"sunk.bmp", FramesBmp(80, 21, 4, false, kSunk)},
               {"combo.bmp", FramesBmp(72, 21, 4, false, kComboButton)},
               {"progress.bmp", FramesBmp(20, 10, 2, false, kProgress)}};
    SkinTheForm(o);
  }
};

TEST_F(WinSkinEditsTest, EditBorderCoversTheWholeWindowEdge) {
  auto* edit = Place(new vcl::TEdit(form_), 10, 10, 100, 21);
  edit->SetText("");
  auto* bare = Place(new vcl::TEdit(form_), 10, 50, 100, 21);
  bare->SetBorderStyle(vcl::bsNone);
  bare->SetText("");
  plat::RECT client{};
  plat::GetClientRect(edit->Handle(), &client);
  ASSERT_EQ(client.right, 96);
  ASSERT_EQ(client.bottom, 17);
  const uint32_t inside = At(edit, 50, 10);
  const uint32_t bare_corner = At(bare, 0, 0);
  Skin(new TSkinEdit(edit));
  Skin(new TSkinEdit(bare));
  auto other = Place(new vcl::TButton(form_), 200, 10, 40, 20);
  struct Case {
    const char* state;
    std::function<void()> step;
  } states[] = {
      {"normal", [] {}},
      {"focused", [&] { plat::SetFocus(edit->Handle()); }},
      {"disabled", [&] { plat::EnableWindow(edit->Handle(), plat::FALSE); }},
  };
  struct Probe {
    int x, y;
    uint32_t colour;
  } probes[] = {
      {0, 0, Rgb(kShadow)},        {99, 20, Rgb(kShadow)},
      {99, 0, Rgb(kShadow)},       {1, 1, Rgb(vcl::clWhite)},
      {98, 19, Rgb(vcl::clWhite)}, {2, 2, Rgb(vcl::clWhite)},
      {97, 18, Rgb(vcl::clWhite)}, {50, 10, inside},
  };
  for (const Case& s : states) {
    SCOPED_TRACE(s.state);
    plat::EnableWindow(edit->Handle(), plat::TRUE);
    plat::SetFocus(other->Handle());
    s.step();
    plat::InvalidateRect(edit->Handle(), nullptr, plat::TRUE);
    for (const Probe& p : probes) EXPECT_EQ(At(edit, p.x, p.y), p.colour) << p.x << "," << p.y;
  }
  // No border, no frame.
  EXPECT_EQ(At(bare, 0, 0), bare_corner);
  // A printed copy of the edit gets the border on the caller's DC, not on the window.
  vcl::TBitmap print;
  print.SetPixelFormat(vcl::pf24bit);
  print.SetSize(100, 21);
  print.Canvas()->Brush()->SetColor(vcl::clLime);
  print.Canvas()->FillRect(vcl::Rect(0, 0, 100, 21));
  plat::SendMessageA(edit->Handle(), plat::WM_PRINT, reinterpret_cast<plat::WPARAM>(print.Canvas()->Handle()),
                     0);
  EXPECT_EQ(print.Canvas()->Pixels(0, 0), kShadow);
  EXPECT_EQ(print.Canvas()->Pixels(99, 20), kShadow);
  EXPECT_EQ(print.Canvas()->Pixels(1, 1), vcl::clLime);  // the DC's own brush
}

TEST_F(WinSkinEditsTest, ComboShowsTheFrameOfItsState) {
  auto* list = Place(new vcl::TComboBox(form_), 10, 10, 120, 21);
  list->SetStyle(vcl::csDropDownList);
  auto* combo = Place(new vcl::TComboBox(form_), 10, 50, 120, 21);
  combo->SetStyle(vcl::csDropDown);
  auto* other = Place(new vcl::TButton(form_), 200, 10, 40, 20);
  Pump();
  auto* list_skin = Skin(new TSkinComBox(list));
  auto* combo_skin = Skin(new TSkinComBox(combo));
  // A drop-down list has no child window to follow; a drop-down combo's edit is followed.
  EXPECT_EQ(list_skin->EditHandle, nullptr);
  ASSERT_NE(combo_skin->EditHandle, nullptr);
  EXPECT_TRUE(plat::IsChild(combo->Handle(), combo_skin->EditHandle));

  plat::HWND h = list->Handle();
  auto reset = [&] {
    plat::SendMessageA(h, plat::CB_SHOWDROPDOWN, plat::FALSE, 0);
    Screen()->InjectMouseMove(plat::POINT{2, 2});
    Pump();
    list_skin->MouseState = 0;
    plat::EnableWindow(h, plat::TRUE);
    plat::SetFocus(other->Handle());
    Pump();
  };
  struct Case {
    const char* state;
    std::function<void()> step;
    int frame;
  } cases[] = {
      {"normal", [] {}, 1},
      {"focused", [&] { plat::SetFocus(h); }, 4},
      {"hovered", [&] { MoveTo(list, 50, 10); }, 4},
      {"pressed while its list is open", [&] { plat::SendMessageA(h, plat::CB_SHOWDROPDOWN, plat::TRUE, 0); },
       2},
      {"disabled", [&] { plat::EnableWindow(h, plat::FALSE); }, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    reset();
    c.step();
    Pump();
    plat::InvalidateRect(h, nullptr, plat::TRUE);
    Pump();
    EXPECT_EQ(list_skin->CurrentFrame(), c.frame);
    const auto k = static_cast<size_t>(c.frame - 1);
    // The composite's button columns unscaled at the right end, its edge at the left.
    EXPECT_EQ(At(list, 110, 10), Rgb(kComboButton[k]));
    EXPECT_EQ(At(list, 102, 10), Rgb(kComboButton[k]));
    EXPECT_EQ(At(list, 101, 10), Rgb(kSunk[k]));
    EXPECT_EQ(At(list, 0, 10), Rgb(kSunk[k]));
    EXPECT_EQ(At(list, 60, 0), Rgb(kSunk[k]));
    // The text area is the control's own.
    EXPECT_NE(At(list, 50, 10), Rgb(kSunk[k]));
  }
  reset();
  // A press on the button opens the list, whose click closes it: the press
  // ends with the list, though its release went to the list.
  plat::SendMessageA(h, plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, Point(110, 10));
  Pump();
  plat::SendMessageA(h, plat::CB_SHOWDROPDOWN, plat::FALSE, 0);
  plat::InvalidateRect(h, nullptr, plat::TRUE);
  Pump();
  EXPECT_NE(list_skin->CurrentFrame(), 2);
  EXPECT_NE(At(list, 110, 10), Rgb(kComboButton[1]));
  reset();

  // A press in the drop-down combo's edit shows the pressed frame; typing
  // still reaches the combo through the platform's own forwarding.
  plat::SendMessageA(combo_skin->EditHandle, plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, Point(5, 5));
  Pump();
  EXPECT_EQ(combo_skin->CurrentFrame(), 2);
  EXPECT_EQ(At(combo, 110, 10), Rgb(kComboButton[1]));
  plat::SendMessageA(combo_skin->EditHandle, plat::WM_LBUTTONUP, 0, Point(5, 5));
  plat::SendMessageA(combo_skin->EditHandle, plat::WM_CHAR, 'q', 0);
  Pump();
  EXPECT_EQ(combo->Text(), "q");
  EXPECT_NE(combo_skin->CurrentFrame(), 2);

  // Freed before its combo: the edit keeps working without it.
  TSkinControl::Free(combo_skin);
  plat::SendMessageA(combo->Handle(), plat::WM_CHAR, 'r', 0);
  plat::SendMessageA(plat::GetWindow(combo->Handle(), plat::GW_CHILD), plat::WM_CHAR, 'r', 0);
  Pump();
  EXPECT_EQ(combo->Text().back(), 'r');
}

TEST_F(WinSkinEditsTest, ComboWithAnInvisibleButtonIsLeftUnpainted) {
  auto* simple = Place(new vcl::TComboBox(form_), 10, 10, 120, 80);
  simple->SetStyle(vcl::csSimple);
  Pump();
  const uint32_t before = At(simple, 110, 10);
  auto* skin = Skin(new TSkinComBox(simple));
  plat::InvalidateRect(simple->Handle(), nullptr, plat::TRUE);
  EXPECT_EQ(At(simple, 110, 10), before);
  EXPECT_NE(skin->ListHandle, nullptr);
  EXPECT_EQ(skin->EditHandle, nullptr);
}

TEST_F(WinSkinEditsTest, ProgressFillsItsShareOfTheBar) {
  struct Case {
    int min, max, pos;
    bool vertical;
    // Along the bar: the last full pixel (-1 none) from the start.
    int last_full;
  } cases[] = {
      {0, 100, 0, false, -1},    {0, 100, 50, false, 99},
      {0, 100, 100, false, 199}, {50, 150, 100, false, 132},  // the low limit is not subtracted
      {0, 100, 50, true, 99},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " at " << c.pos
                                    << (c.vertical ? " vertical" : ""));
    auto* bar = new vcl::TProgressBar(form_);
    if (c.vertical) bar->SetOrientation(vcl::pbVertical);
    Place(bar, 10, 10, c.vertical ? 10 : 200, c.vertical ? 200 : 10);
    bar->SetMax(c.max);
    bar->SetMin(c.min);
    bar->SetPosition(c.pos);
    Skin(new TSkinProgress(bar));
    plat::InvalidateRect(bar->Handle(), nullptr, plat::TRUE);
    plat::RECT client{};
    plat::GetClientRect(bar->Handle(), &client);
    const int length = c.vertical ? client.bottom : client.right;
    // A pixel at `along` from the bar's start (a vertical bar fills from the bottom).
    auto at = [&](int along) { return c.vertical ? At(bar, 5, length - 1 - along) : At(bar, along, 5); };
    ASSERT_EQ(length, 200);
    if (c.last_full >= 0) {
      EXPECT_EQ(at(0), Rgb(kProgress[1]));
      EXPECT_EQ(at(c.last_full), Rgb(kProgress[1]));
    }
    if (c.last_full + 1 < length) {
      EXPECT_EQ(at(c.last_full + 1), Rgb(kProgress[0]));
    }
    EXPECT_EQ(at(length - 1), Rgb(kProgress[c.last_full == length - 1 ? 1 : 0]));
    delete bar;
    Pump();
  }
}

}  // namespace
