// Radio groups (buttons in columns, ItemIndex from code and from clicks),
// images painted through their canvas, and image lists with their filing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StdControlsTestSupport.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Streams.h"

using namespace vcl;
using vcltest::StdControlsTest;

namespace {

TEST_F(StdControlsTest, RadioGroupLaysOutItsItemsInColumns) {
  auto* group = new TRadioGroup(form_);
  group->SetParent(form_);
  group->SetBounds(10, 10, 210, 100);
  group->Items()->SetCommaText("a,b,c,d,e");
  struct Case {
    int columns;
    std::vector<int> column_of;  // per item
    std::vector<int> row_of;
  };
  const Case cases[] = {
      {1, {0, 0, 0, 0, 0}, {0, 1, 2, 3, 4}},
      {2, {0, 0, 0, 1, 1}, {0, 1, 2, 0, 1}},
      {3, {0, 0, 1, 1, 2}, {0, 1, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.columns);
    group->SetColumns(c.columns);
    const int width = (group->Width() - 10) / c.columns;
    for (int i = 0; i < 5; ++i) {
      TRadioButton* b = group->Buttons(i);
      EXPECT_EQ(b->Left(), 8 + c.column_of[i] * width) << i;
      EXPECT_EQ(b->Width(), width);
      EXPECT_EQ(b->Caption(), std::string(1, static_cast<char>('a' + i)));
      if (c.row_of[i] > 0) {
        TRadioButton* above = group->Buttons(i - 1);
        EXPECT_EQ(b->Top(), above->Top() + above->Height()) << i;
      }
    }
    // Rows stay inside the frame, below the caption.
    TRadioButton* first = group->Buttons(0);
    EXPECT_GT(first->Top(), 0);
    int rows = c.row_of[0] + 1;
    for (int r : c.row_of) rows = std::max(rows, r + 1);
    EXPECT_LE(first->Top() + rows * first->Height(), group->Height());
  }
}

TEST_F(StdControlsTest, RadioGroupItemIndexRunsOnClickWhenItChanges) {
  auto* group = new TRadioGroup(form_);
  group->SetParent(form_);
  group->SetBounds(10, 10, 200, 120);
  group->Items()->SetCommaText("Lines,Bars,Dots");
  std::vector<int> clicks;
  group->OnClick = [&](TObject*) { clicks.push_back(group->ItemIndex()); };
  ShowForm();
  struct Step {
    const char* name;
    std::function<void()> act;
    int index;
    std::vector<int> clicks;
  };
  const Step steps[] = {
      {"from code", [&] { group->SetItemIndex(1); }, 1, {1}},
      {"same index", [&] { group->SetItemIndex(1); }, 1, {1}},
      {"past the end", [&] { group->SetItemIndex(9); }, 2, {1, 2}},
      {"user click", [&] { Click(group->Buttons(0), 4, group->Buttons(0)->Height() / 2); }, 0, {1, 2, 0}},
      {"none", [&] { group->SetItemIndex(-1); }, -1, {1, 2, 0}},
      {"items shrink", [&] { group->SetItemIndex(2), group->Items()->Delete(2); }, 1, {1, 2, 0, 2}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    s.act();
    EXPECT_EQ(group->ItemIndex(), s.index);
    EXPECT_EQ(clicks, s.clicks);
    for (int i = 0; i < group->Items()->Count(); ++i)
      EXPECT_EQ(group->Buttons(i)->Checked(), i == s.index) << i;
  }
}

TEST_F(StdControlsTest, ImagePaintsItsPictureOnTheParent) {
  auto* image = new TImage(form_);
  image->SetParent(form_);
  image->SetBounds(20, 20, 40, 30);
  // Drawing on an empty image makes a bitmap of the image's size.
  TCanvas* canvas = image->Canvas();
  ASSERT_EQ(image->Picture()->Width(), 40);
  ASSERT_EQ(image->Picture()->Height(), 30);
  canvas->Brush()->SetColor(clBlue);
  canvas->FillRect(Rect(0, 0, 40, 30));
  canvas->Brush()->SetColor(clYellow);
  canvas->FillRect(Rect(0, 0, 10, 10));
  ShowForm();
  EXPECT_EQ(Pixel(21, 21), plat::RGB(255, 255, 0));
  EXPECT_EQ(Pixel(50, 40), plat::RGB(0, 0, 255));
  EXPECT_EQ(Pixel(61, 40), plat::RGB(255, 0, 0));
  // Changes through the canvas show at once.
  canvas->Brush()->SetColor(clLime);
  canvas->FillRect(Rect(30, 20, 40, 30));
  EXPECT_EQ(Pixel(55, 45), plat::RGB(0, 255, 0));

  struct Case {
    const char* name;
    bool stretch, center;
    TPoint yellow, blue;
  };
  TBitmap small;
  small.SetSize(4, 4);
  small.Canvas()->Brush()->SetColor(clBlue);
  small.Canvas()->FillRect(Rect(0, 0, 4, 4));
  small.Canvas()->Brush()->SetColor(clYellow);
  small.Canvas()->FillRect(Rect(0, 0, 2, 2));
  image->Picture()->SetBitmap(&small);
  const Case cases[] = {
      {"top left", false, false, {20, 20}, {23, 23}},
      {"centred", false, true, {38, 33}, {41, 36}},
      {"stretched", true, false, {38, 28}, {42, 32}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    image->SetStretch(c.stretch);
    image->SetCenter(c.center);
    EXPECT_EQ(Pixel(c.yellow.x, c.yellow.y), plat::RGB(255, 255, 0));
    EXPECT_EQ(Pixel(c.blue.x, c.blue.y), plat::RGB(0, 0, 255));
  }
  image->SetAutoSize(true);
  EXPECT_EQ(image->Width(), 4);
  EXPECT_EQ(image->Height(), 4);
}

TEST_F(StdControlsTest, ImageListDrawsItsImagesAndFilesThem) {
  TImageList list(nullptr);
  list.SetWidth(4);
  list.SetHeight(4);
  // Two images side by side; white is the mask colour.
  TBitmap strip;
  strip.SetSize(8, 4);
  strip.Canvas()->Brush()->SetColor(clWhite);
  strip.Canvas()->FillRect(Rect(0, 0, 8, 4));
  strip.Canvas()->Brush()->SetColor(clBlue);
  strip.Canvas()->FillRect(Rect(0, 0, 2, 4));
  strip.Canvas()->Brush()->SetColor(clLime);
  strip.Canvas()->FillRect(Rect(6, 0, 8, 4));
  EXPECT_EQ(list.AddMasked(&strip, clWhite), 0);
  ASSERT_EQ(list.Count(), 2);

  TBitmap target;
  target.SetSize(10, 4);
  target.Canvas()->Brush()->SetColor(clRed);
  target.Canvas()->FillRect(Rect(0, 0, 10, 4));
  list.Draw(target.Canvas(), 0, 0, 0);
  list.Draw(target.Canvas(), 4, 0, 1, false);
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clBlue);
  EXPECT_EQ(target.Canvas()->Pixels(3, 1), clRed);                                // masked out
  EXPECT_EQ(ColorToRGB(target.Canvas()->Pixels(7, 1)), ColorToRGB(clBtnShadow));  // disabled
  EXPECT_EQ(target.Canvas()->Pixels(5, 1), clRed);
  EXPECT_THROW(list.Draw(target.Canvas(), 0, 0, 2), EInvalidOperation);

  // Replacing keeps the count; a bad index is refused.
  TBitmap lime;
  lime.SetSize(4, 4);
  lime.Canvas()->Brush()->SetColor(clLime);
  lime.Canvas()->FillRect(Rect(0, 0, 4, 4));
  lime.Canvas()->SetPixels(0, 0, clWhite);
  list.ReplaceMasked(0, &lime, clWhite);
  list.Draw(target.Canvas(), 0, 0, 0);
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clBlue);  // transparent in the new image
  EXPECT_EQ(target.Canvas()->Pixels(3, 1), clLime);
  list.Replace(0, &lime, nullptr);
  list.Draw(target.Canvas(), 0, 0, 0);
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clWhite);  // no mask: every pixel drawn
  EXPECT_EQ(list.Count(), 2);
  EXPECT_THROW(list.Replace(2, &lime, nullptr), EInvalidOperation);
  EXPECT_THROW(list.ReplaceMasked(-1, &lime, clWhite), EInvalidOperation);
  list.ReplaceMasked(0, &strip, clWhite);  // back to the first image of the strip

  TMemoryStream data;
  list.WriteData(data);
  TImageList copy(nullptr);
  data.SetPosition(0);
  copy.ReadData(data);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.Width(), 4);
  TBitmap one;
  copy.GetBitmap(1, &one);
  EXPECT_EQ(one.Canvas()->Pixels(3, 0), clLime);

  // Damaged blocks are refused and leave the list as it was.
  const std::pair<const char*, std::vector<uint8_t>> bad[] = {
      {"wrong magic", {'X', 'I', 'L', '1', 4, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0}},
      {"zero width", {'Q', 'I', 'L', '1', 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0}},
      {"count past the end", {'Q', 'I', 'L', '1', 1, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0, 1, 2, 3, 4}},
      {"truncated", {'Q', 'I', 'L'}},
  };
  for (const auto& [name, bytes] : bad) {
    SCOPED_TRACE(name);
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
    EXPECT_ANY_THROW(copy.ReadData(s));
    EXPECT_EQ(copy.Count(), 2);
  }
}

}  // namespace
