// Bitmap cache sharing by size, the bitmap-list control's index, transparent
// colour rules and list tracking, and the panel fill's tiling, colour fill and
// stored link to its list.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ControlTestSupport.h"
#include "controls/MMBmpCtl.h"
#include "controls/MMBmpLst.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/Forms.h"
#include "support/PaintOnGround.h"

namespace controls {
namespace {

using testing::PatternBitmap;
using vcl::TColor;

class TProbeListControl : public TMMCustomBitmapListControl {
  VCL_DECLARE_CLASS(TProbeListControl, TMMCustomBitmapListControl)
 public:
  using TMMCustomBitmapListControl::TMMCustomBitmapListControl;
  int changes = 0;
  int messages = 0;

 protected:
  void BitmapChanged() override {
    ++changes;
    TMMCustomBitmapListControl::BitmapChanged();
  }
  void CMBitmapListChanged(vcl::TMessage& message) override {
    ++messages;
    TMMCustomBitmapListControl::CMBitmapListChanged(message);
  }
};

class TProbePanelFill : public TMMPanelFill {
  VCL_DECLARE_CLASS(TProbePanelFill, TMMPanelFill)
 public:
  using TMMPanelFill::Paint;
  using TMMPanelFill::TMMPanelFill;
};

}  // namespace
}  // namespace controls

VCL_IMPLEMENT_CLASS(controls::TProbeListControl)
VCL_IMPLEMENT_CLASS(controls::TProbePanelFill)

namespace controls {
namespace {

constexpr TColor kGround = 0x030201;

template <class C>
std::unique_ptr<vcl::TBitmap> PaintOnGround(C& control) {
  return testsupport::PaintOnGround(control, kGround);
}

class MMBmpCtlTest : public testing::FormsTest {
 protected:
  // Eight bitmaps, as the main window holds.
  static void FillEight(TMMBitmapList& list) {
    for (int i = 0; i < 8; ++i) list.Add(PatternBitmap(13, 7, i + 1).get());
  }
};

// ---- cache ------------------------------------------------------------------------

TEST_F(MMBmpCtlTest, CachedBitmapsAreSharedBySizeAndFreedWithTheirLastHolder) {
  vcl::TBitmap* a = GetCachedBitmap(100, 20);
  vcl::TBitmap* b = GetCachedBitmap(100, 20);
  vcl::TBitmap* other = GetCachedBitmap(20, 100);
  vcl::TBitmap* none1 = GetCachedBitmap(0, 0);
  vcl::TBitmap* none2 = GetCachedBitmap(0, 0);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, other);
  EXPECT_EQ(none1, none2);
  EXPECT_TRUE(none1->Empty());
  EXPECT_EQ(a->Width(), 100);
  EXPECT_EQ(a->Height(), 20);
  ASSERT_NE(BitmapCache(), nullptr);
  EXPECT_EQ(BitmapCache()->Count(), 3);

  vcl::TBitmap stranger;
  vcl::TBitmap* not_cached = &stranger;
  ReleaseCachedBitmap(not_cached);
  EXPECT_EQ(not_cached, &stranger);
  EXPECT_EQ(BitmapCache()->Count(), 3);

  ReleaseCachedBitmap(a);
  EXPECT_EQ(a, b);  // still held by b
  EXPECT_EQ(BitmapCache()->Count(), 3);
  ReleaseCachedBitmap(b);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(BitmapCache()->Count(), 2);
  ReleaseCachedBitmap(other);
  ReleaseCachedBitmap(none1);
  ReleaseCachedBitmap(none2);
  EXPECT_EQ(none2, nullptr);
  EXPECT_EQ(BitmapCache(), nullptr);
  vcl::TBitmap* gone = nullptr;
  ReleaseCachedBitmap(gone);  // no cache: nothing happens
}

// ---- bitmap-list control -------------------------------------------------------------

TEST_F(MMBmpCtlTest, ControlIndexClampsAndValidityFollowsTheList) {
  TMMBitmapList list(nullptr);
  FillEight(list);
  TProbeListControl control(nullptr);
  EXPECT_FALSE(control.ControlStyle().Contains(vcl::csOpaque));
  EXPECT_EQ(control.BitmapIndex(), -1);
  control.SetBitmapIndex(-5);
  EXPECT_EQ(control.BitmapIndex(), -1);
  struct Case {
    TMMBitmapList* list;
    int index;
    bool valid;
  } cases[] = {
      {nullptr, 0, false}, {&list, -1, false}, {&list, 0, true}, {&list, 7, true}, {&list, 8, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    control.SetBitmapList(c.list);
    control.SetBitmapIndex(c.index);
    EXPECT_EQ(control.BitmapValid(), c.valid);
    EXPECT_EQ(control.CurrentBitmap(), c.valid ? list.GetBitmap(c.index) : nullptr);
    if (!c.valid) {
      EXPECT_EQ(control.GetBitmapTransparentColor(), vcl::clDefault);
    }
  }
  // Setting the same list again still repaints; the list's changes repaint.
  control.changes = 0;
  control.SetBitmapList(&list);
  EXPECT_EQ(control.changes, 1);
  list.Add(PatternBitmap(2, 2, 9).get());
  EXPECT_EQ(control.changes, 2);
  list.BeginUpdate();
  list.Delete(0);
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(control.changes, 3);
}

TEST_F(MMBmpCtlTest, TransparentModeFreezesTheBottomLeftPixelAndAnyColourFixesIt) {
  TMMBitmapList list(nullptr);
  auto bitmap = PatternBitmap(10, 6, 1);
  bitmap->Canvas()->SetPixels(0, 5, vcl::clFuchsia);
  bitmap->Canvas()->SetPixels(0, 0, vcl::clLime);
  list.Add(bitmap.get());
  TProbeListControl control(nullptr);
  control.SetBitmapList(&list);
  control.SetBitmapIndex(0);
  EXPECT_EQ(control.GetBitmapTransparentColor(), vcl::clFuchsia);
  EXPECT_EQ(control.GetEffectiveTransparentColor(), vcl::clFuchsia);

  control.SetTransparentMode(vcl::tmFixed);
  EXPECT_EQ(control.TransparentColor(), vcl::clFuchsia);
  EXPECT_EQ(control.TransparentMode(), vcl::tmFixed);
  EXPECT_EQ(control.messages, 1);
  control.SetTransparentMode(vcl::tmAuto);
  EXPECT_EQ(control.TransparentColor(), vcl::clDefault);
  EXPECT_EQ(control.messages, 2);

  control.SetTransparentColor(vcl::clRed);
  EXPECT_EQ(control.TransparentMode(), vcl::tmFixed);
  EXPECT_EQ(control.GetEffectiveTransparentColor(), vcl::clRed);
  control.SetTransparentColor(vcl::clRed);
  EXPECT_EQ(control.messages, 3);
  // System colours are resolved.
  control.SetTransparentColor(vcl::clBtnFace);
  EXPECT_EQ(control.GetEffectiveTransparentColor(), static_cast<TColor>(vcl::ColorToRGB(vcl::clBtnFace)));
  control.SetTransparentColor(vcl::clDefault);
  EXPECT_EQ(control.TransparentMode(), vcl::tmAuto);
}

TEST_F(MMBmpCtlTest, DestroyingTheListFirstLeavesControlsWithoutAList) {
  auto list = std::make_unique<TMMBitmapList>(nullptr);
  FillEight(*list);
  // On a form with a window, so changes paint at once.
  vcl::TForm form(nullptr);
  form.Handle();
  TProbeListControl control(nullptr);
  control.SetParent(&form);
  TProbePanelFill panel(nullptr);
  panel.SetParent(&form);
  control.SetBitmapList(list.get());
  control.SetBitmapIndex(2);
  panel.SetBitmapList(list.get());
  control.changes = 0;
  list.reset();
  EXPECT_EQ(control.BitmapList(), nullptr);
  EXPECT_EQ(panel.BitmapList(), nullptr);
  EXPECT_FALSE(control.BitmapValid());
  // The clearing notice, then the removal.
  EXPECT_EQ(control.changes, 2);
  control.SetParent(nullptr);
  panel.SetParent(nullptr);

  // And the other way round: a control going first leaves the list alone.
  TMMBitmapList kept(nullptr);
  {
    TProbeListControl short_lived(nullptr);
    short_lived.SetBitmapList(&kept);
  }
  kept.Add(PatternBitmap(2, 2, 1).get());
  EXPECT_EQ(kept.Count(), 1);
}

// ---- panel fill ------------------------------------------------------------------------

TEST_F(MMBmpCtlTest, PanelFillTilesItsEntryOrFillsWithItsColour) {
  TMMBitmapList list(nullptr);
  FillEight(list);
  TProbePanelFill panel(nullptr);
  panel.SetBounds(0, 0, 30, 16);
  panel.Bevel()->SetBevelOuter(engine::bvNone);
  panel.SetColor(vcl::clBlue);
  panel.SetBitmapList(&list);
  EXPECT_TRUE(panel.FillBevel());

  panel.SetBitmapIndex(8);  // one past the eight
  auto filled = PaintOnGround(panel);
  for (auto [x, y] : {std::pair{0, 0}, {15, 8}, {29, 15}})
    EXPECT_EQ(filled->Canvas()->Pixels(x, y), vcl::clBlue);

  panel.SetBitmapIndex(3);
  vcl::TBitmap* entry = list.GetBitmap(3);
  entry->Canvas()->Pixels(0, 0);  // its canvas holds the bitmap now
  auto tiled = PaintOnGround(panel);
  // Copies start at the top-left corner and repeat every 13 x 7; the last
  // row and column are cut.
  for (auto [x, y] : {std::pair{0, 0}, {5, 3}, {12, 6}, {13, 0}, {20, 9}, {29, 15}})
    EXPECT_EQ(tiled->Canvas()->Pixels(x, y), entry->Canvas()->Pixels(x % 13, y % 7)) << x << "," << y;

  panel.OnFillPanel = [](vcl::TObject*, vcl::TCanvas* canvas, const vcl::TRect& r) {
    canvas->Brush()->SetColor(vcl::clYellow);
    canvas->FillRect(r);
  };
  auto custom = PaintOnGround(panel);
  EXPECT_EQ(custom->Canvas()->Pixels(20, 9), vcl::clYellow);

  panel.SetBitmapIndex(-5);
  panel.SetBitmapBackIndex(-7);
  EXPECT_EQ(panel.BitmapIndex(), -1);
  EXPECT_EQ(panel.BitmapBackIndex(), -1);
}

TEST_F(MMBmpCtlTest, PanelFillLeavesTheBevelBorderBandUnpaintedByDefault) {
  TProbePanelFill panel(nullptr);
  panel.SetBounds(0, 0, 20, 12);
  panel.Bevel()->SetBevelOuter(engine::bvNone);
  panel.Bevel()->SetBorderWidth(2);
  panel.Bevel()->SetBorderColor(vcl::clRed);
  panel.SetColor(vcl::clBlue);
  // The fill covers the whole client area; with FillBevel the border band
  // keeps it instead of the border colour.
  EXPECT_EQ(PaintOnGround(panel)->Canvas()->Pixels(1, 1), vcl::clBlue);
  panel.SetFillBevel(false);
  EXPECT_EQ(PaintOnGround(panel)->Canvas()->Pixels(1, 1), vcl::clRed);
  EXPECT_EQ(PaintOnGround(panel)->Canvas()->Pixels(10, 6), vcl::clBlue);
}

TEST_F(MMBmpCtlTest, APanelFillReadFromAFormFindsItsList) {
  vcl::RegisterClasses({TMMBitmapList::StaticClass(), TMMPanelFill::StaticClass()});
  vcl::TForm form(nullptr);
  form.SetName("Main");
  auto* list = new TMMBitmapList(&form);
  list->SetName("Glyphs");
  list->SetCompressed(true);
  FillEight(*list);
  auto* panel = new TMMPanelFill(&form);
  panel->SetName("Fill1");
  panel->SetParent(&form);
  panel->SetBitmapList(list);
  panel->SetBitmapIndex(10);
  const std::string text = vcl::WriteFormText(&form);
  EXPECT_NE(text.find("BitmapList = Glyphs"), std::string::npos);
  EXPECT_EQ(text.find("FillBevel"), std::string::npos);

  vcl::TForm read(nullptr);
  vcl::ReadFormText(&read, text);
  auto* back = dynamic_cast<TMMPanelFill*>(read.FindComponent("Fill1"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->BitmapList(), read.FindComponent("Glyphs"));
  EXPECT_EQ(back->BitmapIndex(), 10);
  EXPECT_EQ(back->BitmapList()->Count(), 8);
  EXPECT_FALSE(back->BitmapValid());
}

}  // namespace
}  // namespace controls
