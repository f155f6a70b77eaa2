#include "controls/MMGauge.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/MMUtils.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

int64_t GaugePercentDone(int64_t value, int64_t total) { return total == 0 ? 0 : value * 100 / total; }

// In integers: the floating form loses a pixel where percent / 100 has no
// exact binary value (29 % of 100 pixels came out as 28).
int GaugePercentOf(int percent, int total) { return static_cast<int>(int64_t{total} * percent / 100); }

namespace {
constexpr int32_t kLowestMin = -2147483647;

int Nearest(double x) { return static_cast<int>(std::nearbyint(x)); }

vcl::TColor Inverse(vcl::TColor color) { return static_cast<vcl::TColor>(vcl::ColorToRGB(color) ^ 0xFFFFFF); }
}  // namespace

VCL_IMPLEMENT_CLASS(TMMCustomGauge)

TMMCustomGauge::TMMCustomGauge(vcl::TComponent* owner) : TMMGraphicControl(owner) {
  SetBounds(Left(), Top(), 150, 18);
}

void TMMCustomGauge::SetKind(TMMGaugeKind value) {
  if (kind_ == value) return;
  kind_ = value;
  Invalidate();
}

void TMMCustomGauge::SetShowText(bool value) {
  if (show_text_ == value) return;
  show_text_ = value;
  Invalidate();
}

void TMMCustomGauge::SetForeColor(vcl::TColor value) {
  if (fore_color_ == value) return;
  fore_color_ = value;
  Invalidate();
}

void TMMCustomGauge::SetBackColor(vcl::TColor value) {
  if (back_color_ == value) return;
  back_color_ = value;
  Invalidate();
}

void TMMCustomGauge::SetBWText(bool value) {
  if (bw_text_ == value) return;
  bw_text_ = value;
  Invalidate();
}

void TMMCustomGauge::SetCaption(const std::string& value) {
  if (caption_ == value) return;
  caption_ = value;
  Invalidate();
}

bool TMMCustomGauge::Loading() const { return ComponentState().Contains(vcl::csLoading); }

// A stored form writes MinValue before MaxValue: clamped on the way in, a
// MinValue above the default MaxValue would be lost. Loaded applies the rules.
void TMMCustomGauge::Loaded() {
  TMMGraphicControl::Loaded();
  min_value_ = engine::IntClamp(min_value_, kLowestMin, max_value_);
  progress_ = engine::IntClamp(progress_, min_value_, max_value_);
}

void TMMCustomGauge::SetMinValue(int32_t value) {
  if (!Loading()) value = engine::IntClamp(value, kLowestMin, max_value_);
  if (min_value_ == value) return;
  min_value_ = value;
  Invalidate();
}

void TMMCustomGauge::SetMaxValue(int32_t value) {
  if (!Loading()) value = engine::IntClamp(value, min_value_, INT32_MAX);
  if (max_value_ == value) return;
  max_value_ = value;
  Invalidate();
}

void TMMCustomGauge::SetProgress(int32_t value) {
  if (!Loading()) value = engine::IntClamp(value, min_value_, max_value_);
  if (progress_ == value) return;
  const int shown = PercentDone();
  progress_ = value;
  if (PercentDone() != shown) Repaint();
}

int TMMCustomGauge::PercentDone() const {
  const int64_t percent = GaugePercentDone(int64_t{progress_} - min_value_, int64_t{max_value_} - min_value_);
  return static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
}

std::string TMMCustomGauge::PercentText() const {
  const std::string percent = vcl::IntToStr(PercentDone()) + "%";
  return caption_.empty() ? percent : caption_ + " " + percent;
}

void TMMCustomGauge::Paint() {
  const vcl::TRect r = PaintBevel(true);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return;
  // Drawn off screen and copied in one step, so no half-drawn gauge shows.
  vcl::TBitmap image;
  image.SetPixelFormat(vcl::pf24bit);
  image.SetSize(width, height);
  vcl::TCanvas* canvas = image.Canvas();
  canvas->SetFont(Font());
  const vcl::TRect inner = vcl::Rect(0, 0, width, height);
  PaintGauge(canvas, inner);
  if (show_text_) PaintText(canvas, inner);
  Canvas()->Draw(r.left, r.top, &image);
}

void TMMCustomGauge::PaintGauge(vcl::TCanvas* canvas, const vcl::TRect& rect) {
  switch (kind_) {
    case gkHorizontalBar:
      return PaintBar(canvas, rect, true);
    case gkVerticalBar:
      return PaintBar(canvas, rect, false);
    case gkPie:
      return PaintPie(canvas, rect);
    case gkNeedle:
      return PaintNeedle(canvas, rect);
    case gkText:
      return PaintBackground(canvas, rect);
  }
}

void TMMCustomGauge::PaintBackground(vcl::TCanvas* canvas, const vcl::TRect& rect) {
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(back_color_);
  canvas->FillRect(rect);
}

void TMMCustomGauge::PaintBar(vcl::TCanvas* canvas, const vcl::TRect& rect, bool horizontal) {
  PaintBackground(canvas, rect);
  const int p = PercentDone();
  const int filled = GaugePercentOf(p, horizontal ? rect.right - rect.left : rect.bottom - rect.top);
  if (filled <= 0) return;
  canvas->Brush()->SetColor(fore_color_);
  canvas->FillRect(horizontal ? vcl::Rect(rect.left, rect.top, rect.left + filled, rect.bottom)
                              : vcl::Rect(rect.left, rect.bottom - filled, rect.right, rect.bottom));
}

// The control's colour, then pen and brush set for the dial's outline and face.
void TMMCustomGauge::PaintDialGround(vcl::TCanvas* canvas, const vcl::TRect& rect) {
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(rect);
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetColor(fore_color_);
  canvas->Brush()->SetColor(back_color_);
}

void TMMCustomGauge::PaintPie(vcl::TCanvas* canvas, const vcl::TRect& rect) {
  PaintDialGround(canvas, rect);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  canvas->Ellipse(rect);
  const int p = PercentDone();
  if (p <= 0) return;
  // Pies run counter-clockwise, so the slice starts where p percent
  // clockwise from the top ends.
  const double a = (p / 50.0 + 0.5) * std::numbers::pi;
  canvas->Brush()->SetColor(fore_color_);
  canvas->Pie(rect.left, rect.top, rect.right, rect.bottom, rect.left + Nearest(w / 2.0 * (1 - std::cos(a))),
              rect.top + Nearest(h / 2.0 * (1 - std::sin(a))), rect.left + w / 2, rect.top);
}

void TMMCustomGauge::PaintNeedle(vcl::TCanvas* canvas, const vcl::TRect& rect) {
  PaintDialGround(canvas, rect);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  canvas->Pie(rect.left, rect.top, rect.right, rect.top + 2 * h, rect.right, rect.bottom, rect.left,
              rect.bottom);
  canvas->MoveTo(rect.left, rect.bottom - 1);
  canvas->LineTo(rect.right, rect.bottom - 1);
  const int p = PercentDone();
  if (p <= 0) return;
  const double a = p / 100.0 * std::numbers::pi;
  const int cx = w / 2, bottom = h - 1;
  canvas->MoveTo(rect.left + cx, rect.top + bottom);
  canvas->LineTo(rect.left + Nearest(cx * (1 - std::cos(a))), rect.top + Nearest(bottom * (1 - std::sin(a))));
}

void TMMCustomGauge::PaintText(vcl::TCanvas* canvas, const vcl::TRect& rect) {
  const std::string text = PercentText();
  const vcl::TSize size = canvas->TextExtent(text);
  const int x = (rect.left + rect.right - size.cx) / 2, y = (rect.top + rect.bottom - size.cy) / 2;
  const int p = PercentDone();
  if (bw_text_ && (kind_ == gkHorizontalBar || kind_ == gkVerticalBar)) {
    // Twice, each clipped to its part: the font colour over the empty part,
    // its inverse over the filled one.
    vcl::TRect empty = rect, filled = rect;
    if (kind_ == gkHorizontalBar)
      filled.right = empty.left = rect.left + GaugePercentOf(p, rect.right - rect.left);
    else
      filled.top = empty.bottom = rect.bottom - GaugePercentOf(p, rect.bottom - rect.top);
    canvas->Brush()->SetStyle(vcl::bsClear);
    const vcl::TColor font_color = canvas->Font()->Color();
    canvas->TextRect(empty, x, y, text);
    canvas->Font()->SetColor(Inverse(font_color));
    canvas->TextRect(filled, x, y, text);
    canvas->Font()->SetColor(font_color);
    return;
  }
  // White on black, combined by exclusive-or: the text inverts what lies below.
  vcl::TBitmap mask;
  mask.SetPixelFormat(vcl::pf24bit);
  mask.SetSize(rect.right - rect.left, rect.bottom - rect.top);
  vcl::TCanvas* m = mask.Canvas();
  m->Brush()->SetColor(vcl::clBlack);
  m->FillRect(vcl::Rect(0, 0, mask.Width(), mask.Height()));
  m->SetFont(canvas->Font());
  m->Font()->SetColor(vcl::clWhite);
  m->Brush()->SetStyle(vcl::bsClear);
  m->TextOut(x - rect.left, y - rect.top, text);
  const vcl::TCopyMode mode = canvas->CopyMode();
  plat::ScopeExit restore([canvas, mode] { canvas->SetCopyMode(mode); });
  canvas->SetCopyMode(vcl::cmSrcInvert);
  canvas->CopyRect(rect, m, vcl::Rect(0, 0, mask.Width(), mask.Height()));
}

VCL_IMPLEMENT_CLASS(
    TMMGauge,
    EnumProp("Align", &TMMGauge::Align, &TMMGauge::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    ObjProp("Bevel", &TMMGauge::Bevel, &TMMGauge::SetBevel),
    BoolProp("Enabled", &TMMGauge::Enabled, &TMMGauge::SetEnabled).Default(true),
    ObjProp("Font", &TMMGauge::Font, &TMMGauge::SetFont).Stored(&TMMGauge::IsFontStored),
    BoolProp("ParentFont", &TMMGauge::ParentFont, &TMMGauge::SetParentFont).Default(true),
    BoolProp("ParentShowHint", &TMMGauge::ParentShowHint, &TMMGauge::SetParentShowHint).Default(true),
    RefProp("PopupMenu", &TMMGauge::PopupMenu, &TMMGauge::SetPopupMenu),
    BoolProp("ShowHint", &TMMGauge::ShowHint, &TMMGauge::SetShowHint)
        .Default(false)
        .Stored(&TMMGauge::IsShowHintStored),
    BoolProp("Visible", &TMMGauge::Visible, &TMMGauge::SetVisible).Default(true),
    IntProp("Height", &TMMGauge::Height, &TMMGauge::SetHeight).Default(18),
    IntProp("Width", &TMMGauge::Width, &TMMGauge::SetWidth).Default(150),
    EnumProp("Kind", &TMMGauge::Kind, &TMMGauge::SetKind,
             {"gkText", "gkHorizontalBar", "gkVerticalBar", "gkPie", "gkNeedle"})
        .Default(gkHorizontalBar),
    BoolProp("ShowText", &TMMGauge::ShowText, &TMMGauge::SetShowText).Default(true),
    ColorProp("ForeColor", &TMMGauge::ForeColor, &TMMGauge::SetForeColor).Default(vcl::clActiveCaption),
    ColorProp("BackColor", &TMMGauge::BackColor, &TMMGauge::SetBackColor).Default(vcl::clWhite),
    IntProp("MinValue", &TMMGauge::MinValue, &TMMGauge::SetMinValue).Default(0),
    IntProp("MaxValue", &TMMGauge::MaxValue, &TMMGauge::SetMaxValue).Default(100),
    IntProp("Progress", &TMMGauge::Progress, &TMMGauge::SetProgress).Default(0),
    StrProp("Caption", &TMMGauge::Caption, &TMMGauge::SetCaption).Default(""),
    BoolProp("BWText", &TMMGauge::BWText, &TMMGauge::SetBWText).Default(false))

}  // namespace controls
