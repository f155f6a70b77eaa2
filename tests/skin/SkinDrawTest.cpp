// Element drawing primitives by pixels on small bitmaps: nine-part scaling,
// bands, frames, key-colour drawing, mask regions and the parent's picture,
// with the skin data that used to divide by zero, loop or read foreign pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "skin/SkinBitmaps.h"
#include "skin/SkinDraw.h"

using namespace skin;
using namespace skin_test;
using vcl::Rect;
using vcl::TColor;

namespace {

constexpr TColor Q = vcl::clNavy;    // corners
constexpr TColor E = vcl::clTeal;    // edges
constexpr TColor M = vcl::clPurple;  // marker
constexpr TColor K = kSkinKeyColour;
constexpr TColor G = vcl::clGray;  // ground
const TColor F[] = {vcl::clRed, vcl::clLime, vcl::clBlue, vcl::clYellow, vcl::clAqua};

// Five 10 x 10 button frames side by side: 2-pixel corners and edges around
// the centre colour F[k - 1]; with `marker`, M at the centre's top-left.
std::unique_ptr<vcl::TBitmap> TinyButtons(bool marker = false) {
  Rows rows(10, std::vector<TColor>(50));
  for (int k = 0; k < 5; ++k)
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        bool edge_x = x < 2 || x >= 8, edge_y = y < 2 || y >= 8;
        TColor c = edge_x && edge_y ? Q : edge_x || edge_y ? E : F[k];
        if (marker && x == 2 && y == 2) c = M;
        rows[static_cast<size_t>(y)][static_cast<size_t>(10 * k + x)] = c;
      }
  return MakeBitmap(rows);
}

// One 10-wide band frame: caps Q (columns 0-1) and E (8-9), a middle of F[0]
// whose first column (2) is the marker.
std::unique_ptr<vcl::TBitmap> TinyBand() {
  std::vector<TColor> row = {Q, Q, M, F[0], F[0], F[0], F[0], F[0], E, E};
  return MakeBitmap(Rows(4, row));
}

struct Probe {
  int x, y;
  TColor colour;
};

void ExpectPixels(vcl::TBitmap& bitmap, const std::vector<Probe>& probes) {
  for (const Probe& p : probes)
    EXPECT_EQ(Hex(bitmap.Canvas()->Pixels(p.x, p.y)), Hex(p.colour)) << "at " << p.x << "," << p.y;
}

std::vector<TColor> RowOf(vcl::TBitmap& bitmap, int y) { return ReadRows(bitmap)[static_cast<size_t>(y)]; }

}  // namespace

TEST(SkinDraw, RendersFramesNinePartScaled) {
  struct Case {
    const char* name;
    vcl::TRect target;
    vcl::TRect margins;
    bool tile;
    int frames, frame;
    std::vector<Probe> probes;
  };
  const vcl::TRect m2 = Rect(2, 2, 2, 2);
  const Case cases[] = {
      {"frame 1 into 30 x 20",
       Rect(0, 0, 30, 20),
       m2,
       false,
       5,
       1,
       {{0, 0, Q},
        {1, 1, Q},
        {15, 0, E},
        {0, 10, E},
        {29, 10, E},
        {15, 19, E},
        {2, 2, F[0]},
        {15, 10, F[0]},
        {27, 17, F[0]},
        {28, 17, E},
        {28, 18, Q},
        {29, 19, Q}}},
      {"frame 4", Rect(0, 0, 30, 20), m2, false, 5, 4, {{15, 10, F[3]}, {0, 0, Q}}},
      {"narrower than the side margins",
       Rect(0, 0, 3, 20),
       m2,
       false,
       5,
       1,
       {{1, 10, F[0]}, {1, 0, E}, {1, 19, E}}},
      {"a frame number past the count is the last", Rect(0, 0, 30, 20), m2, false, 5, 9, {{15, 10, F[4]}}},
      {"frame 0 is the first", Rect(0, 0, 30, 20), m2, false, 5, 0, {{15, 10, F[0]}}},
      // Skin files may give no frame count: the whole strip is one frame.
      {"no frame count", Rect(0, 0, 50, 10), Rect(0, 0, 0, 0), false, 0, 1, {{5, 5, F[0]}, {45, 5, F[4]}}},
      {"negative frame count", Rect(0, 0, 50, 10), Rect(0, 0, 0, 0), false, -3, 2, {{25, 5, F[2]}}},
      // Margins wider than the frame: no negative source widths, the frame scales.
      {"side margins past the frame",
       Rect(0, 0, 30, 20),
       Rect(6, 2, 6, 2),
       false,
       5,
       1,
       {{3, 10, E}, {15, 10, F[0]}}},
      {"negative margins",
       Rect(0, 0, 30, 20),
       Rect(-5, -5, -5, -5),
       false,
       5,
       1,
       {{0, 0, Q}, {15, 10, F[0]}}},
  };
  auto element = TinyButtons();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto image = SkinRenderImage(c.target, element.get(), c.margins, false, c.tile, c.frames, c.frame);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), c.target.right - c.target.left);
    EXPECT_EQ(image->Height(), c.target.bottom - c.target.top);
    ExpectPixels(*image, c.probes);
  }

  // Tiled centre: whole tiles from the centre's corner; the edges drawn
  // afterwards cover what ran past it.
  auto marked = TinyButtons(true);
  auto tiled = SkinRenderImage(Rect(0, 0, 30, 20), marked.get(), m2, false, true, 5, 1);
  ASSERT_NE(tiled, nullptr);
  for (int y : {2, 8, 14})
    for (int x : {2, 8, 14, 20, 26}) ExpectPixels(*tiled, {{x, y, M}, {x + 1, y, F[0]}});
  ExpectPixels(*tiled, {{28, 2, E}, {2, 18, E}});

  // Stacked frames: frame 2 of a 10 x 40 strip is its rows 20..39.
  Rows strip(40, std::vector<TColor>(10, F[0]));
  for (size_t y = 20; y < 40; ++y) strip[y].assign(10, F[1]);
  auto stacked = MakeBitmap(strip);
  auto second = SkinRenderImage(Rect(0, 0, 10, 20), stacked.get(), Rect(0, 0, 0, 0), true, false, 2, 2);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ReadRows(*second), Rows(20, std::vector<TColor>(10, F[1])));

  // Nothing to render: empty or inverted targets, no element, frames too thin to hold a pixel.
  EXPECT_EQ(SkinRenderImage(Rect(5, 5, 5, 10), element.get(), m2, false, false, 5, 1), nullptr);
  EXPECT_EQ(SkinRenderImage(Rect(10, 0, 0, 10), element.get(), m2, false, false, 5, 1), nullptr);
  EXPECT_EQ(SkinRenderImage(Rect(0, 0, 10, 10), nullptr, m2, false, false, 5, 1), nullptr);
  EXPECT_EQ(SkinRenderImage(Rect(0, 0, 10, 10), element.get(), m2, false, false, 51, 1), nullptr);
}

TEST(SkinDraw, DrawsElementsOpaqueOrAroundTheKeyColour) {
  // The centre of frame 2 is the key colour: drawn transparent, the ground shows.
  Rows rows = ReadRows(*TinyButtons());
  for (size_t y = 2; y < 8; ++y)
    for (size_t x = 12; x < 18; ++x) rows[y][x] = K;
  auto element = MakeBitmap(rows);
  for (bool transparent : {false, true}) {
    SCOPED_TRACE(transparent ? "transparent" : "opaque");
    auto canvas = Filled(24, 24, G);
    SkinDrawElement(canvas->Canvas()->Handle(), Rect(2, 2, 22, 22), element.get(), false, false, transparent,
                    5, 2, Rect(2, 2, 2, 2));
    ExpectPixels(*canvas, {{1, 1, G}, {2, 2, Q}, {12, 12, transparent ? G : K}, {21, 12, E}, {22, 22, G}});
  }
}

TEST(SkinDraw, BandsRepeatTheMiddleAndNeverLoopWithoutOne) {
  auto band = TinyBand();
  const std::vector<TColor> repeated = {Q,    Q,    M,    F[0], F[0], F[0], F[0], F[0], M, F[0],
                                        F[0], F[0], F[0], F[0], M,    F[0], F[0], F[0], E, E};
  // The whole frame stretched to 20 columns: each source column twice.
  const std::vector<TColor> stretched = {Q,    Q,    Q,    Q,    M,    M,    F[0], F[0], F[0], F[0],
                                         F[0], F[0], F[0], F[0], F[0], F[0], E,    E,    E,    E};
  struct Case {
    const char* name;
    int left, right;
    std::vector<TColor> expected;
  };
  const Case cases[] = {
      {"caps 2 and 2", 2, 2, repeated},
      {"caps meeting in the middle", 5, 5, stretched},
      {"caps wider than the frame", 7, 7, stretched},
      {"caps far past the frame", 1000, 1000, stretched},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto canvas = Filled(20, 6, G);
    SkinDrawBand(canvas->Canvas(), Rect(0, 1, 20, 5), band.get(), false, false, 1, 1,
                 Rect(c.left, 0, c.right, 0));
    EXPECT_EQ(RowOf(*canvas, 0), std::vector<TColor>(20, G));
    EXPECT_EQ(RowOf(*canvas, 1), c.expected);
    EXPECT_EQ(RowOf(*canvas, 4), c.expected);
    EXPECT_EQ(RowOf(*canvas, 5), std::vector<TColor>(20, G));
  }
  // Transparent: key columns leave the ground.
  Rows keyed = ReadRows(*band);
  for (auto& row : keyed) row[3] = K;
  auto keyed_band = MakeBitmap(keyed);
  auto canvas = Filled(10, 4, G);
  SkinDrawBand(canvas->Canvas(), Rect(0, 0, 10, 4), keyed_band.get(), false, true, 1, 1, Rect(2, 0, 2, 0));
  EXPECT_EQ(RowOf(*canvas, 2), (std::vector<TColor>{Q, Q, M, G, F[0], F[0], F[0], F[0], E, E}));
}

TEST(SkinDraw, StretchBandsCapsAndStretchesTheMiddle) {
  auto band = TinyBand();
  struct Case {
    const char* name;
    int width, left, right;
    std::vector<TColor> expected;
  };
  const Case cases[] = {
      {"caps and a stretched middle",
       16,
       2,
       2,
       {Q, Q, M, M, F[0], F[0], F[0], F[0], F[0], F[0], F[0], F[0], F[0], F[0], E, E}},
      {"narrower than the frame", 5, 2, 2, {Q, F[0], F[0], F[0], E}},
      {"caps without a middle", 20, 6, 6, {Q,    Q,    Q,    Q,    M,    M,    F[0], F[0], F[0], F[0],
                                           F[0], F[0], F[0], F[0], F[0], F[0], E,    E,    E,    E}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto canvas = Filled(c.width + 2, 3, G);
    SkinStretchBand(canvas->Canvas()->Handle(), Rect(1, 1, 1 + c.width, 2), band.get(), false, 1, 1,
                    Rect(c.left, 0, c.right, 0));
    std::vector<TColor> expected = {G};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    expected.push_back(G);
    EXPECT_EQ(RowOf(*canvas, 1), expected);
    EXPECT_EQ(RowOf(*canvas, 0), std::vector<TColor>(static_cast<size_t>(c.width + 2), G));
  }
}

TEST(SkinDraw, DrawsOneFrameStretchedOrCentred) {
  auto element = TinyButtons();
  auto canvas = Filled(20, 20, G);
  SkinDrawFrame(canvas->Canvas()->Handle(), Rect(0, 0, 20, 20), element.get(), false, 5, 2);
  ExpectPixels(*canvas, {{0, 0, Q}, {3, 3, Q}, {4, 4, F[1]}, {10, 10, F[1]}, {19, 10, E}});

  // Centred: a smaller frame sits in the middle; a larger one overhangs.
  canvas = Filled(20, 20, G);
  SkinDrawCentredFrame(canvas->Canvas()->Handle(), Rect(0, 0, 20, 20), element.get(), false, 5, 3);
  ExpectPixels(*canvas, {{4, 4, G}, {5, 5, Q}, {10, 10, F[2]}, {14, 14, Q}, {15, 15, G}});
  canvas = Filled(6, 6, G);
  SkinDrawCentredFrame(canvas->Canvas()->Handle(), Rect(0, 0, 6, 6), element.get(), false, 5, 1);
  EXPECT_EQ(ReadRows(*canvas), Rows(6, std::vector<TColor>(6, F[0])));  // drawn from (-2, -2)

  // Frame counts from skin files: 0 and negative counts draw the whole strip.
  for (int frames : {0, -1}) {
    canvas = Filled(50, 10, G);
    SkinDrawFrame(canvas->Canvas()->Handle(), Rect(0, 0, 50, 10), element.get(), false, frames, 1);
    ExpectPixels(*canvas, {{5, 5, F[0]}, {45, 5, F[4]}});
  }
  canvas = Filled(4, 4, G);
  SkinDrawFrame(canvas->Canvas()->Handle(), Rect(3, 3, 1, 1), element.get(), false, 5, 1);
  SkinDrawCentredFrame(canvas->Canvas()->Handle(), Rect(2, 2, 2, 8), element.get(), false, 5, 1);
  EXPECT_EQ(ReadRows(*canvas), Rows(4, std::vector<TColor>(4, G)));
}

TEST(SkinDraw, TransparentCopiesKeepTheDestinationUnderKeyPixels) {
  auto bitmap = MakeBitmap({{K, vcl::clBlue}});
  auto canvas = Filled(4, 1, vcl::clGreen);
  SkinDrawTransparent(canvas->Canvas()->Handle(), Rect(0, 0, 2, 1), bitmap.get(), K);
  EXPECT_EQ(RowOf(*canvas, 0), (std::vector<TColor>{vcl::clGreen, vcl::clBlue, vcl::clGreen, vcl::clGreen}));
  // A rectangle larger than the bitmap draws the bitmap and leaves the rest.
  canvas = Filled(4, 1, vcl::clGreen);
  SkinDrawTransparent(canvas->Canvas()->Handle(), Rect(0, 0, 4, 1), bitmap.get(), K);
  EXPECT_EQ(RowOf(*canvas, 0), (std::vector<TColor>{vcl::clGreen, vcl::clBlue, vcl::clGreen, vcl::clGreen}));
  // Near-key colours are drawn.
  bitmap = MakeBitmap({{static_cast<TColor>(plat::RGB(255, 1, 255)), K}});
  canvas = Filled(2, 1, vcl::clGreen);
  SkinDrawTransparent(canvas->Canvas()->Handle(), Rect(0, 0, 2, 1), bitmap.get(), K);
  EXPECT_EQ(RowOf(*canvas, 0),
            (std::vector<TColor>{static_cast<TColor>(plat::RGB(255, 1, 255)), vcl::clGreen}));
}

TEST(SkinDraw, RegionsCoverEveryPixelOutsideTheKeyRange) {
  const TColor O = vcl::clBlack;
  const TColor near_key = static_cast<TColor>(plat::RGB(255, 1, 255));
  const TColor off_key = static_cast<TColor>(plat::RGB(254, 0, 255));
  auto bitmap = MakeBitmap({{K, O, O, near_key}, {off_key, K, O, O}});
  plat::HRGN region = SkinRegionFromMask(bitmap.get(), 10, 20, 1, 1, 1, K);
  ASSERT_NE(region, nullptr);
  // Rows [K O O K'] / [O K O O]: K' is within the tolerance, (254, 0, 255) is not.
  const std::pair<plat::POINT, bool> points[] = {
      {{10, 20}, false}, {{11, 20}, true}, {{12, 20}, true}, {{13, 20}, false}, {{10, 21}, true},
      {{11, 21}, false}, {{12, 21}, true}, {{13, 21}, true}, {{14, 21}, false}, {{11, 22}, false},
  };
  for (auto [p, inside] : points)
    EXPECT_EQ(plat::PtInRegion(region, p.x, p.y) != 0, inside) << p.x << "," << p.y;
  plat::DeleteObject(region);
  EXPECT_EQ(bitmap->PixelFormat(), vcl::pf24bit);  // read from a copy

  // No key pixel: the bitmap's rectangle, moved.
  auto plain = Filled(5, 3, O);
  region = SkinRegionFromMask(plain.get(), 10, 20, 1, 1, 1, K);
  plat::HRGN rect = plat::CreateRectRgn(10, 20, 15, 23);
  EXPECT_TRUE(plat::EqualRgn(region, rect));
  plat::DeleteObject(rect);
  plat::DeleteObject(region);

  // All key: an empty region, not a missing one.
  auto keyed = Filled(3, 3, K);
  region = SkinRegionFromMask(keyed.get(), 0, 0, 1, 1, 1, K);
  ASSERT_NE(region, nullptr);
  plat::RECT box{};
  EXPECT_EQ(plat::GetRgnBox(region, &box), plat::NULLREGION);
  plat::DeleteObject(region);

  // 2001 runs, more than one batch: every column is where it belongs.
  Rows strip(1, std::vector<TColor>(4001));
  for (size_t x = 0; x < strip[0].size(); ++x) strip[0][x] = x % 2 == 0 ? O : K;
  auto long_mask = MakeBitmap(strip);
  region = SkinRegionFromMask(long_mask.get(), 0, 0, 1, 1, 1, K);
  int wrong = 0;
  for (int x = 0; x < 4001; ++x) wrong += (plat::PtInRegion(region, x, 0) != 0) != (x % 2 == 0);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(plat::GetRgnBox(region, &box), plat::COMPLEXREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 4001);
  plat::DeleteObject(region);

  vcl::TBitmap empty;
  EXPECT_EQ(SkinRegionFromMask(&empty, 0, 0, 1, 1, 1, K), nullptr);
  EXPECT_EQ(SkinRegionFromMask(nullptr, 0, 0, 1, 1, 1, K), nullptr);
}

namespace {

class TSquare : public vcl::TGraphicControl {
 public:
  using vcl::TGraphicControl::TGraphicControl;
  bool behind = false;  // paints its parent's picture first

 protected:
  void Paint() override {
    if (behind) SkinPaintParentBackground(this, Canvas()->Handle());
    Canvas()->Brush()->SetColor(vcl::clLime);
    Canvas()->FillRect(Rect(0, 0, Width(), Height()));
  }
};

}  // namespace

TEST(SkinDraw, PaintsTheParentsPictureBehindAControl) {
  vcl::TPanel parent(nullptr);
  parent.SetBevelOuter(vcl::bvNone);
  parent.SetColor(vcl::clRed);
  parent.SetBounds(0, 0, 40, 40);
  auto* square = new TSquare(&parent);
  square->SetBounds(12, 12, 2, 2);
  square->SetParent(&parent);
  auto* control = new vcl::TPanel(&parent);
  control->SetBounds(10, 10, 20, 20);
  control->SetParent(&parent);

  auto canvas = Filled(20, 20, G);
  plat::HDC dc = canvas->Canvas()->Handle();
  plat::POINT before{};
  plat::GetViewportOrgEx(dc, &before);
  SkinPaintParentBackground(control, dc);
  ExpectPixels(*canvas, {{0, 0, vcl::clRed},
                         {2, 2, vcl::clLime},
                         {3, 3, vcl::clLime},
                         {4, 4, vcl::clRed},
                         {19, 19, vcl::clRed}});
  plat::POINT after{};
  plat::GetViewportOrgEx(dc, &after);
  EXPECT_EQ(after.x, before.x);
  EXPECT_EQ(after.y, before.y);

  // A windowless control that asks for its parent's picture is painted by
  // that picture again: the second request comes back at once.
  square->behind = true;
  square->SetBounds(0, 0, 4, 4);
  canvas = Filled(4, 4, G);
  SkinPaintParentBackground(square, canvas->Canvas()->Handle());
  ExpectPixels(*canvas, {{0, 0, vcl::clLime}, {3, 3, vcl::clLime}});

  // No parent: nothing drawn.
  vcl::TPanel orphan(nullptr);
  canvas = Filled(2, 2, G);
  SkinPaintParentBackground(&orphan, canvas->Canvas()->Handle());
  EXPECT_EQ(ReadRows(*canvas), Rows(2, std::vector<TColor>(2, G)));
}
