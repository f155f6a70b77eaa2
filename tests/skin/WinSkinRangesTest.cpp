// Track bars, date-time pickers and chunked progress bars on a skinned test
// form: each family's looks read back as pixels from the screen.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/user/CommCtrl.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/TrackBar.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "skin/SkinControlFixture.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinEdits.h"
#include "skin/WinSkinRanges.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

constexpr vcl::TColor kShadow = 0x102030;  // ButtonShadow 48,32,16
// Tracks in three equal parts: first cap, middle, last cap.
const std::vector<vcl::TColor> kTrack = {0x0000C0, 0x00C000, 0xC00000};
const std::vector<vcl::TColor> kThumbHorz = {0x000080, 0x008000, 0x800000, 0x008080, 0x808000};
const std::vector<vcl::TColor> kThumbVert = {0x404080, 0x408040, 0x804040, 0x408080, 0x808040};
// Combo frames 1..4: normal, pressed, disabled, hovered.
const std::vector<vcl::TColor> kComboButton = {0x0000F0, 0x00F000, 0xF00000, 0x00F0F0};
constexpr vcl::TColor kEmpty = 0xFFFFFF;
// A chunk 8 wide: 6 columns of the chunk's colour, then 2 of its gap.
constexpr vcl::TColor kChunk = 0x0080FF, kGap = 0x303030;

// A track bar that logs what reaches its own handling.
class TLoggedTrackBar : public vcl::TTrackBar {
 public:
  using vcl::TTrackBar::TTrackBar;
  std::vector<plat::UINT> seen;

 protected:
  void Dispatch(vcl::TMessage& message) override {
    seen.push_back(message.Msg);
    vcl::TTrackBar::Dispatch(message);
  }
};

class WinSkinRangesTest : public SkinControlFormTest {
 protected:
  void SetUp() override {
    SkinControlFormTest::SetUp();
    TestSkinOptions o;
    o.buttons +=
        "[Track]\nImage=track.bmp\nLeftWidth=4\nRightWidth=4\n"
        "[TRACKVERT]\nImage=trackv.bmp\nTopHeight=4\nBottomHeight=4\n"
        "[Trackbar.ThumbHorz]\nImage=thumbh.bmp\n"
        "[Trackbar.ThumbVert]\nImage=thumbv.bmp\n"
        "[ComboButton]\nImage=combo.bmp\n"
        "[Progress]\nBitmap=progress.bmp\nStyle=1\n"
        "[Progress.Chunk]\nImage=chunk.bmp\nTile=1\nLeftWidth=3\n";
    o.extra = {{"track.bmp", FramesBmp(12, 4, 3, false, kTrack)},
               {"trackv.bmp", FramesBmp(4, 12, 3, true, kTrack)},
               {"thumbh.bmp", FramesBmp(50, 20, 5, false, kThumbHorz)},
               {"thumbv.bmp", FramesBmp(100, 10, 5, false, kThumbVert)},
               {"combo.bmp", FramesBmp(72, 21, 4, false, kComboButton)},
               {"progress.bmp", FramesBmp(10, 10, 1, false, {kEmpty})},
               {"chunk.bmp", FramesBmp(8, 6, 4, false, {kChunk, kChunk, kChunk, kGap})}};
    SkinTheForm(o, 320, 300);
  }

  // A pixel of a control's client area.
  uint32_t AtClient(vcl::TWinControl* control, int x, int y) {
    plat::POINT p{x, y};
    plat::ClientToScreen(control->Handle(), &p);
    plat::RECT window{};
    plat::GetWindowRect(control->Handle(), &window);
    return At(control, p.x - window.left, p.y - window.top);
  }
  void Repaint(vcl::TWinControl* control) {
    plat::InvalidateRect(control->Handle(), nullptr, plat::TRUE);
    Pump();
  }
};

TEST_F(WinSkinRangesTest, TrackBarShowsTheSkinsChannelAndThumb) {
  struct Case {
    const char* what;
    vcl::TTrackBarOrientation orientation;
    int w, h;
    vcl::TColor thumb;
  } cases[] = {
      {"horizontal", vcl::trHorizontal, 200, 40, kThumbHorz[1]},
      {"vertical", vcl::trVertical, 40, 200, kThumbVert[1]},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* bar = new vcl::TTrackBar(form_);
    bar->SetOrientation(c.orientation);
    Place(bar, 10, 10, c.w, c.h);
    bar->SetMax(10);
    bar->SetPosition(5);
    Skin(new TSkinTrackBar(bar));
    Repaint(bar);
    plat::RECT ch{}, th{};
    plat::SendMessageA(bar->Handle(), plat::TBM_GETCHANNELRECT, 0, reinterpret_cast<plat::LPARAM>(&ch));
    plat::SendMessageA(bar->Handle(), plat::TBM_GETTHUMBRECT, 0, reinterpret_cast<plat::LPARAM>(&th));
    const bool vertical = c.orientation == vcl::trVertical;
    // Along the channel at `along` pixels from its start, across at its middle.
    auto channel = [&](int along) {
      return vertical ? AtClient(bar, (ch.left + ch.right) / 2, ch.top + along)
                      : AtClient(bar, ch.left + along, (ch.top + ch.bottom) / 2);
    };
    const int length = vertical ? ch.bottom - ch.top : ch.right - ch.left;
    ASSERT_GT(length, 40);
    EXPECT_EQ(channel(0), Rgb(kTrack[0]));
    EXPECT_EQ(channel(3), Rgb(kTrack[0]));
    EXPECT_EQ(channel(4), Rgb(kTrack[1]));
    EXPECT_EQ(channel(length / 5), Rgb(kTrack[1]));
    EXPECT_EQ(channel(length - 5), Rgb(kTrack[1]));
    EXPECT_EQ(channel(length - 4), Rgb(kTrack[2]));
    EXPECT_EQ(channel(length - 1), Rgb(kTrack[2]));
    // Frame 2 of the thumb stretched into the thumb's rectangle.
    EXPECT_EQ(AtClient(bar, (th.left + th.right) / 2, (th.top + th.bottom) / 2), Rgb(c.thumb));
    EXPECT_EQ(AtClient(bar, th.left, th.top), Rgb(c.thumb));
    EXPECT_EQ(AtClient(bar, th.right - 1, th.bottom - 1), Rgb(c.thumb));
    delete bar;
    Pump();
  }

  // Without a thumb image the thumb is outlined in the shadow colour.
  auto* bar = Place(new vcl::TTrackBar(form_), 10, 10, 200, 40);
  data_->Skin().TrackThumbHorz.reset();
  Skin(new TSkinTrackBar(bar));
  Repaint(bar);
  plat::RECT th{};
  plat::SendMessageA(bar->Handle(), plat::TBM_GETTHUMBRECT, 0, reinterpret_cast<plat::LPARAM>(&th));
  EXPECT_EQ(AtClient(bar, th.left, (th.top + th.bottom) / 2), Rgb(kShadow));
  EXPECT_EQ(AtClient(bar, th.right - 1, th.top), Rgb(kShadow));
}

TEST_F(WinSkinRangesTest, TrackBarAnswersItsOwnCustomDrawingOnly) {
  auto* bar = Place(new TLoggedTrackBar(form_), 10, 10, 200, 40);
  Skin(new TSkinTrackBar(bar));
  plat::HDC dc = plat::GetDC(bar->Handle());
  struct Case {
    plat::DWORD stage;
    plat::DWORD_PTR item;
    plat::LRESULT answer;
  } cases[] = {
      {plat::CDDS_PREPAINT, 0, plat::CDRF_NOTIFYITEMDRAW},
      {plat::CDDS_ITEMPREPAINT, plat::TBCD_TICS, plat::CDRF_DODEFAULT},
      {plat::CDDS_ITEMPREPAINT, plat::TBCD_THUMB, plat::CDRF_SKIPDEFAULT},
      {plat::CDDS_ITEMPREPAINT, plat::TBCD_CHANNEL, plat::CDRF_SKIPDEFAULT},
      {plat::CDDS_ITEMPOSTPAINT, plat::TBCD_THUMB, plat::CDRF_DODEFAULT},
      {plat::CDDS_POSTPAINT, 0, plat::CDRF_DODEFAULT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "stage " << c.stage << " item " << c.item);
    plat::NMCUSTOMDRAW draw;
    draw.hdr.hwndFrom = bar->Handle();
    draw.hdr.code = plat::NM_CUSTOMDRAW;
    draw.dwDrawStage = c.stage;
    draw.dwItemSpec = c.item;
    draw.hdc = dc;
    bar->seen.clear();
    EXPECT_EQ(bar->Perform(vcl::CN_NOTIFY, 0, reinterpret_cast<plat::LPARAM>(&draw)), c.answer);
    EXPECT_FALSE(Saw(bar->seen, vcl::CN_NOTIFY)) << "the control's own handling is not asked";
  }
  // Another window's drawing and other notifications pass on to the control.
  plat::NMCUSTOMDRAW other;
  other.hdr.hwndFrom = form_->Handle();
  other.hdr.code = plat::NM_CUSTOMDRAW;
  other.dwDrawStage = plat::CDDS_PREPAINT;
  other.hdc = dc;
  plat::NMHDR click{bar->Handle(), 0, plat::NM_CLICK};
  for (plat::NMHDR* header : {&other.hdr, &click}) {
    bar->seen.clear();
    bar->Perform(vcl::CN_NOTIFY, 0, reinterpret_cast<plat::LPARAM>(header));
    EXPECT_TRUE(Saw(bar->seen, vcl::CN_NOTIFY));
  }
  plat::ReleaseDC(bar->Handle(), dc);
}

TEST_F(WinSkinRangesTest, TrackBarRefreshRepaintsWithoutMovingTheFocus) {
  auto* edit = Place(new vcl::TEdit(form_), 10, 100, 80, 21);
  auto* bar = Place(new vcl::TTrackBar(form_), 10, 10, 200, 40);
  int exits = 0, enters = 0;
  edit->OnExit = [&](vcl::TObject*) { ++exits; };
  bar->OnEnter = [&](vcl::TObject*) { ++enters; };
  auto* skin = Skin(new TSkinTrackBar(bar));
  edit->SetFocus();
  Pump();
  // Something else drawn over the bar; the refresh paints the skin again.
  plat::HDC dc = plat::GetDC(bar->Handle());
  plat::RECT all{0, 0, 200, 40};
  plat::FillRect(dc, &all, static_cast<plat::HBRUSH>(plat::GetStockObject(plat::BLACK_BRUSH)));
  plat::ReleaseDC(bar->Handle(), dc);
  skin->RefreshSkin();
  Pump();
  plat::RECT th{};
  plat::SendMessageA(bar->Handle(), plat::TBM_GETTHUMBRECT, 0, reinterpret_cast<plat::LPARAM>(&th));
  EXPECT_EQ(AtClient(bar, (th.left + th.right) / 2, (th.top + th.bottom) / 2), Rgb(kThumbHorz[1]));
  EXPECT_EQ(plat::GetFocus(), edit->Handle());
  EXPECT_EQ(exits, 0);
  EXPECT_EQ(enters, 0);
}

TEST_F(WinSkinRangesTest, DateTimePickerGetsTheSkinsArrowOverItsButton) {
  struct Case {
    const char* what;
    bool left;
    int arrow_left;
  } cases[] = {
      {"button at the right", false, 100},
      {"button at the left", true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* picker = Place(new vcl::TDateTimePicker(form_), 10, 10, 120, 21);
    picker->SetDate(vcl::EncodeDate(2026, 5, 14));
    if (c.left) {
      const auto ex = plat::GetWindowLongA(picker->Handle(), plat::GWL_EXSTYLE);
      plat::SetWindowLongA(picker->Handle(), plat::GWL_EXSTYLE, ex | plat::WS_EX_LEFTSCROLLBAR);
    }
    auto* skin = Skin(new TSkinDateTime(picker));
    TArrowButton* arrow = skin->ArrowButton();
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->Parent(), picker);
    EXPECT_EQ(arrow->Left(), c.arrow_left);
    EXPECT_EQ(arrow->Top(), 0);
    EXPECT_EQ(arrow->Width(), 16);
    EXPECT_EQ(arrow->Height(), 17);
    EXPECT_FALSE(arrow->TabStop());
    EXPECT_TRUE(plat::GetWindowLongA(picker->Handle(), plat::GWL_STYLE) & plat::WS_CLIPCHILDREN);
    Repaint(picker);
    // The flat border: the shadow outside, one white line within.
    EXPECT_EQ(At(picker, 0, 0), Rgb(kShadow));
    EXPECT_EQ(At(picker, 119, 20), Rgb(kShadow));
    EXPECT_EQ(At(picker, 1, 1), Rgb(vcl::clWhite));
    EXPECT_EQ(At(picker, 118, 19), Rgb(vcl::clWhite));

    const int ax = c.arrow_left + 8, ay = 8;
    struct State {
      const char* state;
      std::function<void()> step;
      int frame;
    } states[] = {
        {"normal", [] {}, 1},
        {"hovered", [&] { arrow->Perform(vcl::CM_MOUSEENTER, 0, 0); }, 4},
        {"left again", [&] { arrow->Perform(vcl::CM_MOUSELEAVE, 0, 0); }, 1},
        {"hovered while disabled",
         [&] {
           picker->SetEnabled(false);
           arrow->Perform(vcl::CM_MOUSEENTER, 0, 0);
         },
         1},
    };
    for (const State& s : states) {
      SCOPED_TRACE(s.state);
      s.step();
      Pump();
      EXPECT_EQ(arrow->CurrentFrame(), s.frame);
      EXPECT_EQ(AtClient(picker, ax, ay), Rgb(kComboButton[static_cast<size_t>(s.frame - 1)]));
    }
    picker->SetEnabled(true);

    // A skin refresh repaints the arrow, which the picker's own repaint clips out.
    plat::HDC dc = plat::GetDC(arrow->Handle());
    plat::RECT all{0, 0, 16, 17};
    plat::FillRect(dc, &all, static_cast<plat::HBRUSH>(plat::GetStockObject(plat::BLACK_BRUSH)));
    plat::ReleaseDC(arrow->Handle(), dc);
    skin->RefreshSkin();
    EXPECT_EQ(AtClient(picker, ax, ay), Rgb(kComboButton[0]));

    // A press on the arrow drops the picker's calendar.
    plat::SendMessageA(arrow->Handle(), plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, plat::MAKELPARAM(8, 8));
    EXPECT_TRUE(picker->DroppedDown());
    plat::SendMessageA(picker->Handle(), plat::WM_KEYDOWN, plat::VK_ESCAPE, 0);
    EXPECT_FALSE(picker->DroppedDown());
    delete picker;
    Pump();
    // The picker took its arrow along; the companion forgot it.
    EXPECT_EQ(skin->ArrowButton(), nullptr);
    TSkinControl::Free(skin);
  }
}

TEST_F(WinSkinRangesTest, ChunkedProgressRepeatsItsChunkOverTheFilledPart) {
  struct Case {
    const char* what;
    int tile, pos;
    // Along the bar at the middle row: (x, colour).
    std::vector<std::pair<int, vcl::TColor>> along;
    // Across the bar at x 40: (y, colour).
    std::vector<std::pair<int, vcl::TColor>> across;
  } cases[] = {
      // 100 of 200 pixels: 13 chunks of 8 from x 5 (the chunk's left width
      // + 2) into a strip 100 wide, the last one cut.
      {"tiled",
       1,
       100,
       {{4, kEmpty},
        {5, kChunk},
        {10, kChunk},
        {11, kGap},
        {13, kChunk},
        {101, kChunk},
        {104, kChunk},
        {105, kEmpty}},
       {{1, kEmpty}, {2, kChunk}, {7, kChunk}, {8, kEmpty}}},
      // One chunk stretched over the filled length inside a 2-pixel edge.
      {"stretched",
       0,
       100,
       {{1, kEmpty}, {2, kChunk}, {101, kGap}, {102, kEmpty}},
       {{1, kEmpty}, {2, kChunk}, {7, kChunk}, {8, kEmpty}}},
      {"empty", 1, 0, {{5, kEmpty}, {100, kEmpty}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    data_->Skin().ProgressChunk->Tile = c.tile;
    auto* bar = Place(new vcl::TProgressBar(form_), 10, 10, 200, 10);
    bar->SetMax(200);
    bar->SetPosition(c.pos);
    Skin(new TSkinProgress(bar));
    Repaint(bar);
    for (auto [x, colour] : c.along) EXPECT_EQ(At(bar, x, 5), Rgb(colour)) << "x " << x;
    for (auto [y, colour] : c.across) EXPECT_EQ(At(bar, 40, y), Rgb(colour)) << "y " << y;
    delete bar;
    Pump();
  }
}

}  // namespace
