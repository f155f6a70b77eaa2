// The routines the skinned controls share: drawn by a companion's painter
// on a panel of a skinned test form and read back from the screen; caption
// and image-and-text placement; published properties by name; the mouse,
// paint and erase messages; popup windows.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>
#include <utility>

#include "platform/gdi/Font.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/CommCtrl.h"
#include "platform/user/Controls.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Paint.h"
#include "platform/user/Static.h"
#include "platform/user/Window.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/StdCtrls.h"
#include "skin/SkinControlFixture.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSubClassPaint.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

std::array<int, 4> Sides(const vcl::TRect& r) { return {r.left, r.top, r.right, r.bottom}; }

constexpr vcl::TColor kFace = 0x604020;  // ButtonFace 32,64,96
constexpr vcl::TColor kKey = 0xFF00FF;
// Buttons frames 1..5, each 10 x 10; frame 3 has a key-coloured pixel at (4, 4).
constexpr vcl::TColor kFrames[] = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0, 0xC0C000};

class WinSubClassPaintTest : public SkinScreenTest {
 protected:
  void SetUp() override {
    SkinScreenTest::SetUp();
    TestSkinOptions o;
    o.buttons += "[Colours]\nButtonFace=32,64,96\n[Buttons]\nBitmap=btn.bmp\nTrans=1\n";
    o.extra = {
        {"btn.bmp", FramesBmp(50, 10, 5, false, {std::begin(kFrames), std::end(kFrames)}, {{24, 4, kKey}})}};
    data_ = NewSkinData(TestSkinPackage(o));
    form_ = NewSizeableForm(320, 240);
    ShowAndSkin(form_);
    panel_ = new vcl::TPanel(form_);
    panel_->SetParent(form_);
    panel_->SetBounds(10, 10, 120, 60);
    companion_ = new TProbeCompanion(panel_, &log_);
    TWinSkinForm* skin_form = SkinOf(form_);
    ASSERT_NE(skin_form, nullptr);
    companion_->AttachControl(skin_form, data_.get(), true, skin_form->WorkCanvas());
    Pump();
  }
  void TearDown() override {
    delete form_;
    SkinScreenTest::TearDown();
  }

  // Paints the panel with `draw` and reads its pixels from the screen.
  void Paint(std::function<void(plat::HDC, vcl::TCanvas*)> draw) {
    companion_->Draw = [this, draw](plat::HDC dc, const vcl::TRect& rect) {
      vcl::TCanvas canvas;
      canvas.SetHandle(dc);
      FillFace(companion_, dc, rect);
      draw(dc, &canvas);
      canvas.SetHandle(nullptr);
    };
    companion_->RepaintWindow();
    Pump();
  }
  uint32_t At(int x, int y) {
    plat::RECT form{}, panel{};
    plat::GetWindowRect(form_->Handle(), &form);
    plat::GetWindowRect(panel_->Handle(), &panel);
    return Screen()->PresentedPixel(form_->Handle(), panel.left - form.left + x, panel.top - form.top + y);
  }
  TDataSkinObject* Buttons() { return data_->Skin().Buttons.get(); }

  vcl::TForm* form_ = nullptr;
  vcl::TPanel* panel_ = nullptr;
  TProbeCompanion* companion_ = nullptr;
  CompanionLog log_;
};

TEST_F(WinSubClassPaintTest, FillsFramesAndGlyphCellsByPixels) {
  EXPECT_EQ(data_->Skin().ButtonFace, kFace);
  EXPECT_EQ(panel_->Color(), kFace);
  form_->SetColor(0x102030);
  Paint([&](plat::HDC dc, vcl::TCanvas*) {
    FillParentColour(companion_, dc, vcl::Rect(100, 0, 120, 20));
    // An element's frame 3 over 40 x 20, its key pixel left; frames past
    // the last and counts below 1 stay within the strip.
    DrawElementState(companion_, dc, vcl::Rect(0, 0, 40, 20), 5, 3, Buttons());
    DrawStripFrame(dc, vcl::Rect(40, 0, 50, 10), 5, 9, &Buttons()->Bitmap);
    DrawStripFrame(dc, vcl::Rect(50, 0, 60, 10), 0, 2, &Buttons()->Bitmap);
    DrawElementState(companion_, dc, vcl::Rect(60, 0, 60, 10), 5, 1, Buttons());
  });
  EXPECT_EQ(At(2, 2), Rgb(kFrames[2]));
  EXPECT_EQ(At(39, 19), Rgb(kFrames[2]));
  EXPECT_EQ(At(17, 9), Rgb(kFace));  // the key pixel, stretched by 4 x 2
  EXPECT_EQ(At(45, 5), Rgb(kFrames[4]));
  EXPECT_EQ(At(50, 5), Rgb(kFrames[0]));  // one frame: the whole strip
  EXPECT_EQ(At(59, 5), Rgb(kFrames[4]));
  EXPECT_EQ(At(65, 5), Rgb(kFace));
  EXPECT_EQ(At(110, 10), Rgb(0x102030));
  EXPECT_EQ(At(110, 30), Rgb(kFace));

  // Glyph cells of a 48 x 16 strip of three; the bottom-left pixel of each
  // cell is its transparent colour.
  vcl::TBitmap glyphs;
  glyphs.SetPixelFormat(vcl::pf24bit);
  glyphs.SetSize(48, 16);
  const vcl::TColor cells[] = {0x0000FF, 0x30C090, 0xFF0000};
  for (int k = 0; k < 3; ++k) {
    glyphs.Canvas()->Brush()->SetColor(cells[k]);
    glyphs.Canvas()->FillRect(vcl::Rect(k * 16, 0, k * 16 + 16, 16));
    glyphs.Canvas()->SetPixels(k * 16, 15, 0x00FF00);
    glyphs.Canvas()->SetPixels(k * 16 + 1, 15, 0x00FF00);
  }
  Paint([&](plat::HDC, vcl::TCanvas* canvas) {
    DrawGlyphCell(companion_, canvas, {0, 30}, 3, 1, &glyphs);
    DrawGlyphCell(companion_, canvas, {20, 30}, 3, 2, &glyphs);
    DrawGlyphCell(companion_, canvas, {40, 30}, 3, 5, &glyphs);
    DrawGlyphCell(companion_, canvas, {60, 30}, 0, 1, &glyphs);
  });
  const int grey = (0x90 + 0xC0 + 0x30) / 3;
  EXPECT_EQ(At(8, 38), Rgb(cells[0]));
  EXPECT_EQ(At(1, 45), Rgb(kFace));
  EXPECT_EQ(At(28, 38), Rgb(vcl::TColor(grey | grey << 8 | grey << 16)));
  EXPECT_EQ(At(48, 38), Rgb(cells[0]));
  EXPECT_EQ(At(100, 38), Rgb(cells[2]));  // one cell: the whole strip
}

TEST_F(WinSubClassPaintTest, UpArrowIsTheListedPixels) {
  // Its two steeper strokes are whatever the canvas's own lines give; drawn
  // once more beside it to compare.
  Paint([&](plat::HDC, vcl::TCanvas* canvas) {
    canvas->Pen()->SetColor(vcl::clBlack);
    DrawArrow(canvas, 10, 10, 0);
    canvas->MoveTo(70, 12);
    canvas->LineTo(67, 14);
    canvas->MoveTo(70, 11);
    canvas->LineTo(68, 14);
  });
  std::set<std::pair<int, int>> expected = {{10, 10}, {11, 11}, {12, 12}, {13, 13}, {10, 11}, {11, 12},
                                            {12, 13}, {10, 12}, {11, 13}, {9, 11},  {8, 12},  {7, 13}};
  for (int y = 5; y < 18; ++y)
    for (int x = 63; x < 78; ++x)
      if (At(x, y) == 0) expected.insert({x - 60, y});
  std::set<std::pair<int, int>> drawn;
  for (int y = 5; y < 18; ++y)
    for (int x = 3; x < 18; ++x)
      if (At(x, y) == 0) drawn.insert({x, y});
  EXPECT_EQ(drawn, expected);

  // The other three: each stroke as the canvas's own lines draw it.
  for (int direction : {1, 2, 3}) {
    SCOPED_TRACE(direction);
    Paint([&](plat::HDC, vcl::TCanvas* canvas) {
      canvas->Pen()->SetColor(vcl::clBlack);
      DrawArrow(canvas, 10, 10, direction);
      canvas->Pen()->SetColor(vcl::clWhite);
      DrawArrow(canvas, 40, 10, direction);
    });
    int dark = 0;
    for (int y = 5; y < 16; ++y)
      for (int x = 4; x < 16; ++x) {
        dark += At(x, y) == 0;
        EXPECT_EQ(At(x, y) == 0, At(x + 30, y) == 0xFFFFFF);
      }
    EXPECT_GT(dark, 4);
  }
}

TEST_F(WinSubClassPaintTest, CaptionAndImageTextPlaces) {
  const vcl::TRect r = vcl::Rect(0, 0, 80, 30);
  EXPECT_EQ(Sides(ButtonCaptionRect(r, plat::DT_CENTER, 20, 13)), (std::array{30, 7, 50, 20}));
  EXPECT_EQ(Sides(ButtonCaptionRect(r, plat::DT_LEFT, 20, 13)), (std::array{0, 7, 80, 20}));
  EXPECT_EQ(Sides(ButtonCaptionRect(vcl::Rect(10, 5, 90, 35), plat::DT_CENTER, 20, 13)),
            (std::array{40, 12, 60, 25}));
  struct Row {
    int alignment, text, expected;
  };
  for (Row row : {Row{0, 40, 3}, Row{1, 40, 22}, Row{2, 40, 42}, Row{1, 90, 1}, Row{2, 100, 1}})
    EXPECT_EQ(ImageTextLeft(100, 16, row.text, row.alignment), row.expected)
        << row.alignment << " " << row.text;

  // "||" breaks the line once; the second stays.
  Paint([&](plat::HDC, vcl::TCanvas* canvas) {
    DrawButtonCaption(companion_, canvas, vcl::Rect(0, 0, 120, 60), plat::DT_CENTER, "A||B||C");
  });
  EXPECT_EQ(companion_->CaptionText, "A\r\nB||C");

  // An image as wide as the rectangle is left out; a narrower one is drawn
  // at the left offset.
  vcl::TImageList images(nullptr);
  images.SetWidth(16);
  images.SetHeight(16);
  vcl::TBitmap red;
  red.SetPixelFormat(vcl::pf24bit);
  red.SetSize(16, 16);
  red.Canvas()->Brush()->SetColor(0x0000FF);
  red.Canvas()->FillRect(vcl::Rect(0, 0, 16, 16));
  images.Add(&red, nullptr);
  companion_->IsEnabled = true;
  Paint([&](plat::HDC, vcl::TCanvas* canvas) {
    DrawImageText(companion_, canvas, vcl::Rect(0, 0, 100, 20), 0, "", 0, &images);
    DrawImageText(companion_, canvas, vcl::Rect(0, 30, 16, 50), 0, "", 0, &images);
  });
  EXPECT_EQ(At(3, 2), Rgb(0x0000FF));
  EXPECT_EQ(At(2, 2), Rgb(kFace));
  EXPECT_EQ(At(8, 40), Rgb(kFace));
}

TEST_F(WinSubClassPaintTest, PaintAndEraseMessages) {
  // A paint without a DC validates what it painted.
  plat::InvalidateRect(panel_->Handle(), nullptr, plat::FALSE);
  const int draws = log_.draws;
  vcl::TMessage paint{plat::WM_PAINT, 0, 0, 0};
  PaintMessage(companion_, paint);
  EXPECT_EQ(log_.draws, draws + 1);
  plat::RECT update{};
  EXPECT_FALSE(plat::GetUpdateRect(panel_->Handle(), &update, plat::FALSE));
  EXPECT_EQ(companion_->WindowRect.right - companion_->WindowRect.left, 120);

  // Erasing behind a control paints its parent's picture; without a control,
  // the parent's colour falls back to the face.
  form_->SetColor(0x102030);
  Paint([&](plat::HDC dc, vcl::TCanvas*) {
    vcl::TMessage erase{plat::WM_ERASEBKGND, reinterpret_cast<plat::WPARAM>(dc), 0, 0};
    EraseMessage(companion_, erase);
    EXPECT_EQ(erase.Result, 1);
  });
  EXPECT_EQ(At(60, 30), Rgb(0x102030));
  CompanionLog bare_log;
  TProbeCompanion bare(nullptr, &bare_log);
  bare.AttachWindow(panel_->Handle(), data_.get(), nullptr, nullptr);
  Paint([&](plat::HDC dc, vcl::TCanvas*) {
    FillParentColour(companion_, dc, vcl::Rect(0, 0, 120, 60));
    vcl::TMessage erase{plat::WM_ERASEBKGND, reinterpret_cast<plat::WPARAM>(dc), 0, 0};
    EraseMessage(&bare, erase);
  });
  EXPECT_EQ(At(60, 30), Rgb(kFace));
}

TEST_F(WinSubClassPaintTest, MouseDownReachesTheControl) {
  vcl::TMouseButton button = vcl::mbRight;
  vcl::TShiftState shift;
  int x = 0, y = 0;
  panel_->OnMouseDown = [&](vcl::TObject*, vcl::TMouseButton b, vcl::TShiftState s, int px, int py) {
    button = b;
    shift = s;
    x = px;
    y = py;
  };
  FireMouseDown(companion_, {plat::WM_LBUTTONDOWN, plat::MK_SHIFT | plat::MK_CONTROL, (7 << 16) | 5, 0});
  EXPECT_EQ(button, vcl::mbLeft);
  EXPECT_TRUE(shift.Contains(vcl::ssShift));
  EXPECT_TRUE(shift.Contains(vcl::ssCtrl));
  EXPECT_EQ(x, 5);
  EXPECT_EQ(y, 7);
}

TEST_F(WinSubClassPaintTest, PropertiesByName) {
  auto* button = new vcl::TButton(form_);
  button->SetCaption("OK");
  auto* speed = new vcl::TSpeedButton(form_);
  EXPECT_EQ(GetIntProp(button, "NumGlyphs"), -1);
  EXPECT_EQ(GetIntProp(speed, "NumGlyphs"), 1);
  EXPECT_EQ(GetIntProp(nullptr, "NumGlyphs"), -1);
  EXPECT_EQ(GetIntProp(speed, "Layout"), -1);
  EXPECT_EQ(GetPropText(speed, "Layout"), "blGlyphLeft");
  EXPECT_EQ(GetPropText(speed, "Flat"), "False");
  EXPECT_EQ(GetPropText(speed, "Missing"), "");
  EXPECT_EQ(GetTextProp(button, "Caption"), "OK");
  EXPECT_EQ(GetTextProp(speed, "Margin"), "");

  struct Row {
    vcl::TObject* object;
    const char* name;
    const char* text;
    const char* after;  // GetPropText afterwards
  };
  const Row rows[] = {
      {speed, "Transparent", "False", "False"},
      {speed, "Flat", "True", "True"},
      {speed, "Margin", "7", "7"},
      {speed, "Margin", "seven", "7"},
      {speed, "Layout", "blGlyphTop", "blGlyphTop"},
      {speed, "Layout", "sideways", "blGlyphTop"},
      {button, "Caption", "x", "OK"},
      {form_, "NoSuchProperty", "False", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + "=" + row.text);
    EXPECT_NO_THROW(SetPropByName(row.object, row.name, row.text));
    EXPECT_EQ(GetPropText(row.object, row.name), row.after);
  }
}

TEST_F(WinSubClassPaintTest, PopupWindows) {
  plat::user::RegisterStaticClass();
  plat::HWND popup = plat::CreateWindowExA(0, "Static", "", plat::WS_POPUP, 0, 0, 10, 10, form_->Handle(),
                                           nullptr, nullptr, nullptr);
  plat::HWND child = plat::CreateWindowExA(0, "Static", "", plat::WS_CHILD, 0, 0, 10, 10, form_->Handle(),
                                           nullptr, nullptr, nullptr);
  ASSERT_NE(popup, nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_TRUE(IsPopupWindow(popup));
  EXPECT_FALSE(IsPopupWindow(child));
  EXPECT_FALSE(IsPopupWindow(panel_->Handle()));
  plat::DestroyWindow(popup);
  plat::DestroyWindow(child);
}

TEST_F(WinSubClassPaintTest, DisabledTextAndFocusRectangles) {
  // Pixels of the panel in a colour, and pixels that are not the face.
  auto count = [&](uint32_t colour, bool other_than_face) {
    int n = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 120; ++x) {
        const uint32_t p = At(x, y);
        n += other_than_face ? p != Rgb(kFace) : p == colour;
      }
    return n;
  };
  const uint32_t shadow = Rgb(vcl::clBtnShadow);
  struct Row {
    const char* name;
    std::function<void(vcl::TCanvas*, bool enabled)> draw;
  };
  const vcl::TRect r = vcl::Rect(0, 0, 120, 60);
  const Row rows[] = {
      {"label",
       [&](vcl::TCanvas* c, bool e) { DrawLabelText(companion_, c, r, plat::DT_CENTER, e, "HHHH"); }},
      {"centred label", [&](vcl::TCanvas* c, bool e) { DrawCentredLabel(c, r, "HHHH", 2, e); }},
      {"image text",
       [&](vcl::TCanvas* c, bool e) {
         companion_->IsEnabled = e;
         DrawImageText(companion_, c, r, 1, "HHHH", -1, nullptr);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Paint([&](plat::HDC, vcl::TCanvas* canvas) {
      canvas->Font()->SetColor(vcl::clBlack);
      row.draw(canvas, true);
    });
    EXPECT_GT(count(0, false), 0);
    EXPECT_EQ(count(shadow, false), 0);
    Paint([&](plat::HDC, vcl::TCanvas* canvas) {
      canvas->Font()->SetColor(vcl::clBlack);
      row.draw(canvas, false);
    });
    EXPECT_GT(count(shadow, false), 0);
    EXPECT_EQ(count(0, false), 0);
  }

  // A focused caption gets a focus rectangle, unless the skin's options
  // say no.
  auto caption_pixels = [&](bool focused, bool no_focus_rect) {
    companion_->IsFocused = focused;
    TSkinOptions options = data_->Options();
    if (no_focus_rect)
      options.Include(xoNoFocusRect);
    else
      options.Exclude(xoNoFocusRect);
    data_->SetOptions(options);
    Paint([&](plat::HDC, vcl::TCanvas* canvas) {
      DrawButtonCaption(companion_, canvas, r, plat::DT_CENTER, "OK");
    });
    return count(0, true);
  };
  const int plain = caption_pixels(false, false);
  EXPECT_GT(plain, 0);
  EXPECT_GT(caption_pixels(true, false), plain);
  EXPECT_EQ(caption_pixels(true, true), plain);
}

TEST_F(WinSubClassPaintTest, CanvasTakesTheFaceHeightAndStyleOfTheWindowsFont) {
  plat::InitCommonControls();
  plat::HWND window = plat::CreateWindowExA(0, plat::WC_STATICA, "", plat::WS_CHILD | plat::WS_VISIBLE, 0, 0,
                                            40, 20, form_->Handle(), nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  struct Case {
    int weight;
    bool italic, underline;
    vcl::TFontStyles style;
  } cases[] = {{plat::FW_NORMAL, false, false, {}},
               {plat::FW_BOLD, true, false, {vcl::fsBold, vcl::fsItalic}},
               {plat::FW_NORMAL, false, true, {vcl::fsUnderline}}};
  for (const Case& c : cases) {
    plat::LOGFONTA lf{};
    lf.lfHeight = -13;
    lf.lfWeight = c.weight;
    lf.lfItalic = c.italic ? 1 : 0;
    lf.lfUnderline = c.underline ? 1 : 0;
    std::strcpy(lf.lfFaceName, "Sans");
    plat::HFONT font = plat::CreateFontIndirectA(&lf);
    plat::SendMessageA(window, plat::WM_SETFONT, reinterpret_cast<plat::WPARAM>(font), 0);
    vcl::TBitmap bitmap;
    TakeWindowFont(bitmap.Canvas(), window);
    EXPECT_EQ(bitmap.Canvas()->Font()->Name(), "Sans");
    EXPECT_EQ(bitmap.Canvas()->Font()->Height(), -13);
    EXPECT_EQ(bitmap.Canvas()->Font()->Style(), c.style) << c.weight << c.italic << c.underline;
    plat::SendMessageA(window, plat::WM_SETFONT, 0, 0);
    plat::DeleteObject(font);
  }
  plat::DestroyWindow(window);
}

}  // namespace
