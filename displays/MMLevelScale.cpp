#include "displays/MMLevelScale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "engine/MMMulDiv.h"
#include "platform/kernel/MulDiv.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

namespace displays {

VCL_IMPLEMENT_CLASS(
    TMMLevelScale,
    EnumProp("Align", &TMMLevelScale::Align, &TMMLevelScale::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    IntProp("Width", &TMMLevelScale::Width, &TMMLevelScale::SetWidth).Default(200),
    IntProp("Height", &TMMLevelScale::Height, &TMMLevelScale::SetHeight).Default(7),
    BoolProp("Visible", &TMMLevelScale::Visible, &TMMLevelScale::SetVisible).Default(true),
    BoolProp("Enabled", &TMMLevelScale::Enabled, &TMMLevelScale::SetEnabled).Default(true),
    RefProp("PopupMenu", &TMMLevelScale::PopupMenu, &TMMLevelScale::SetPopupMenu),
    BoolProp("ParentShowHint", &TMMLevelScale::ParentShowHint, &TMMLevelScale::SetParentShowHint)
        .Default(true),
    BoolProp("ParentFont", &TMMLevelScale::ParentFont, &TMMLevelScale::SetParentFont).Default(false),
    ObjProp("Font", &TMMLevelScale::Font, &TMMLevelScale::SetFont).Stored(&TMMLevelScale::IsFontStored),
    ColorProp("Color", &TMMLevelScale::Color, &TMMLevelScale::SetColor)
        .Default(vcl::clBlack)
        .Stored(&TMMLevelScale::IsColorStored),
    IntProp("ScaleTicks", &TMMLevelScale::ScaleTicks, &TMMLevelScale::SetScaleTicks).Default(8),
    IntProp("Point1", &TMMLevelScale::Point1, &TMMLevelScale::SetPoint1).Default(50),
    IntProp("Point2", &TMMLevelScale::Point2, &TMMLevelScale::SetPoint2).Default(85),
    ColorProp("Scale1Color", &TMMLevelScale::Scale1Color, &TMMLevelScale::SetScale1Color)
        .Default(vcl::clWhite),
    ColorProp("Scale2Color", &TMMLevelScale::Scale2Color, &TMMLevelScale::SetScale2Color)
        .Default(vcl::clWhite),
    ColorProp("Scale3Color", &TMMLevelScale::Scale3Color, &TMMLevelScale::SetScale3Color).Default(vcl::clRed),
    EnumProp("Kind", &TMMLevelScale::Kind, &TMMLevelScale::SetKind, {"lkHorizontal", "lkVertical"})
        .Default(lkHorizontal),
    EnumProp("Direction", &TMMLevelScale::Direction, &TMMLevelScale::SetDirection,
             {"dirNormal", "dirReversed", "dirSymetric"})
        .Default(dirNormal),
    IntProp("Sensitivy", &TMMLevelScale::Sensitivy, &TMMLevelScale::SetSensitivy).Default(-35),
    BoolProp("LogAmp", &TMMLevelScale::LogAmp, &TMMLevelScale::SetLogAmp).Default(true),
    ObjProp("Scale", &TMMLevelScale::Scale, &TMMLevelScale::SetScale),
    EnumProp("ScalePos", &TMMLevelScale::ScalePos, &TMMLevelScale::SetScalePos,
             {"spAboveOrLeft", "spBelowOrRight", "spBoth"})
        .Default(engine::spBoth),
    EventProp("OnClick", &TMMLevelScale::OnClick), EventProp("OnDblClick", &TMMLevelScale::OnDblClick),
    EventProp("OnMouseDown", &TMMLevelScale::OnMouseDown),
    EventProp("OnMouseMove", &TMMLevelScale::OnMouseMove), EventProp("OnMouseUp", &TMMLevelScale::OnMouseUp))

TMMLevelScale::TMMLevelScale(vcl::TComponent* owner)
    : TMMGraphicControl(owner), scale_(std::make_unique<TMMLevScale>()) {
  SetParentFont(false);
  Font()->SetName("Small Fonts");
  Font()->SetSize(6);
  SetColor(vcl::clBlack);
  SetBounds(Left(), Top(), 200, 7);
  scale_->SetVisible(false);
  scale_->OnChange = [this](vcl::TObject*) { Invalidate(); };
}

TMMLevelScale::~TMMLevelScale() {
  scale_->OnChange = nullptr;
  scale_.reset();
}

template <class T>
void TMMLevelScale::Store(T& field, T value) {
  if (field == value) return;
  field = value;
  Invalidate();
}

void TMMLevelScale::SetScaleTicks(int value) { Store(scale_ticks_, std::max(value, 2)); }
void TMMLevelScale::SetPoint1(int value) { Store(point1_, std::clamp(value, 1, 100)); }
void TMMLevelScale::SetPoint2(int value) { Store(point2_, std::clamp(value, 1, 100)); }
void TMMLevelScale::SetScale1Color(vcl::TColor value) { Store(scale1_color_, value); }
void TMMLevelScale::SetScale2Color(vcl::TColor value) { Store(scale2_color_, value); }
void TMMLevelScale::SetScale3Color(vcl::TColor value) { Store(scale3_color_, value); }
void TMMLevelScale::SetDirection(TMMLevelDirection value) { Store(direction_, value); }
void TMMLevelScale::SetSensitivy(int value) { Store(sensitivy_, std::clamp(value, -90, -9)); }
void TMMLevelScale::SetLogAmp(bool value) { Store(log_amp_, value); }
void TMMLevelScale::SetScalePos(engine::TMMScalePos value) { Store(scale_pos_, value); }

void TMMLevelScale::SetKind(TMMLevelKind value) {
  if (kind_ == value) return;
  kind_ = value;
  const bool taller = Height() > Width();
  if ((kind_ == lkHorizontal && taller) || (kind_ == lkVertical && Width() > Height()))
    SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}

void TMMLevelScale::Paint() {
  vcl::TCanvas* canvas = Canvas();
  const vcl::TRect client = ClientRect();
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(client);
  canvas->SetFont(Font());
  const int half = kind_ == lkHorizontal ? canvas->TextWidth("0") / 2 : canvas->TextHeight("0") / 2;
  vcl::TRect r = client;
  if (scale_->Visible()) r = PaintTicks(r, half);
  if (r.top <= r.bottom && r.left <= r.right) PaintLabels(r);
}

vcl::TRect TMMLevelScale::PaintTicks(vcl::TRect r, int half) {
  scale_->SetCanvas(Canvas());
  // The painter counts its zones from the near edge; a vertical scale and a
  // reversed one grow the other way.
  const bool flipped = (kind_ == lkVertical) != (direction_ == dirReversed);
  const int ticks = scale_->TickCount();
  const int point_a = flipped ? 100 - point2_ : point1_;
  const int point_b = flipped ? 100 - point1_ : point2_;
  if (flipped)
    scale_->SetZones(scale3_color_, scale2_color_, scale1_color_, plat::MulDiv(point_a - 1, ticks, 100),
                     plat::MulDiv(point_b - 1, ticks, 100));
  else
    scale_->SetZones(scale1_color_, scale2_color_, scale3_color_, plat::MulDiv(point_a - 1, ticks, 100),
                     plat::MulDiv(point_b - 1, ticks, 100));

  // The strips reach half a label past each end so the ticks sit under the
  // labels' centres.
  const int e = scale_->GetExtent();
  const bool horizontal = kind_ == lkHorizontal;
  const bool reversed = direction_ == dirReversed;
  auto strip_along = [&](int from, int to) {
    // `from`/`to` bound the strip across the scale.
    if (horizontal)
      return reversed ? vcl::Rect(r.left + half, from, r.right + half - 1, to)
                      : vcl::Rect(r.left - half - 1, from, r.right - half - 1, to);
    return reversed ? vcl::Rect(from, r.top - half, to, r.bottom - half - 1)
                    : vcl::Rect(from, r.top + half, to, r.bottom + half - 1);
  };
  if (scale_pos_ == engine::spAboveOrLeft || scale_pos_ == engine::spBoth) {
    if (horizontal) {
      scale_->Draw(Canvas(), strip_along(r.top, r.top + e), true);
      r.top += e;
    } else {
      scale_->Draw(Canvas(), strip_along(r.left, r.left + e), true);
      r.left += e;
    }
  }
  if (scale_pos_ == engine::spBelowOrRight || scale_pos_ == engine::spBoth) {
    if (horizontal) {
      scale_->Draw(Canvas(), strip_along(r.bottom - e, r.bottom), false);
      r.bottom -= e;
    } else {
      scale_->Draw(Canvas(), strip_along(r.right - e, r.right), false);
      r.right -= e;
    }
  }
  return r;
}

void TMMLevelScale::PaintLabels(const vcl::TRect& r) {
  vcl::TCanvas* canvas = Canvas();
  const bool horizontal = kind_ == lkHorizontal;
  const bool reversed = direction_ == dirReversed;
  const bool symmetric = direction_ == dirSymetric;
  const int last = scale_ticks_ - 1;
  const int th = canvas->TextHeight("W");
  const int tw = canvas->TextWidth(vcl::IntToStr(sensitivy_));  // the widest label

  // Every k-th position gets a label, k as small as lets the labels fit. When
  // not even one fits (k would pass the last position) there are none.
  int room = horizontal ? Width() : Height();
  if (symmetric) room /= 2;
  const int label_size = horizontal ? tw : th;
  int k = 1;
  while (k <= last && (last / k) * label_size > room) ++k;
  if (k > last) return;

  int span = horizontal ? r.right - r.left - 1 : r.bottom - r.top - 1;
  if (symmetric) span /= 2;
  if (span < 0) return;

  // Horizontal scales are walked from the right end, vertical ones from the
  // top; reversing turns both round.
  const bool downward = horizontal != reversed;
  // Positions count up from the left or the bottom, where the level is low.
  const bool mirrored = horizontal ? reversed : !reversed;
  const double floor_level = 32767.0 / std::pow(10.0, -sensitivy_ / 20.0);
  const int text_y = r.top + (r.bottom - r.top - th) / 2;

  for (int count = 0; count <= last; ++count) {
    if (count % k != 0) continue;
    const int i = downward ? last - count : count;

    int level = plat::MulDiv(32767, i, last);
    if (mirrored) level = 32767 - level;
    vcl::TColor color = scale1_color_;
    if (level > point2_ * 32767.0 / 100)
      color = scale3_color_;
    else if (level > point1_ * 32767.0 / 100)
      color = scale2_color_;
    canvas->Font()->SetColor(color);

    int v;
    if (log_amp_) {
      const int j = horizontal != reversed ? last - i : i;
      v = plat::MulDiv(j, sensitivy_, last);
    } else {
      const int j = mirrored ? last - i : i;
      const double amplitude = ((32767.0 - floor_level) * j / last + floor_level) / 32767.0;
      v = static_cast<int>(std::nearbyint(20.0 * std::log10(amplitude)));
    }
    const std::string text = vcl::IntToStr(v);
    const int w = canvas->TextWidth(text);
    int p = static_cast<int>(engine::MulDivRoundU(i, span, last));
    // The column of the vertical labels: right-aligned in a column of the
    // widest label's width, centred across the control.
    const int column_x = r.right - (r.right - r.left) / 2 - tw / 2 + (tw - w) - 1;

    if (!symmetric) {
      if (horizontal) {
        if (downward) p -= w;
        if (p >= 0 && p + w <= Width()) canvas->TextOut(r.left + p, text_y, text);
      } else {
        if (downward) p -= th;
        if (p >= 0 && p + th <= Height()) canvas->TextOut(column_x, r.top + p, text);
      }
      continue;
    }
    // Symmetric: the unsigned labels fall from the middle one way, their "+"
    // twins the other way.
    const std::string twin = "+" + vcl::IntToStr(std::abs(v));
    if (horizontal) {
      const int m = (r.right - r.left) / 2;
      if (p < 0 || w > p) continue;
      canvas->TextOut(r.left + p - w / 2, text_y, text);
      if (i != last) canvas->TextOut(2 * m + r.left - p - 1 - w / 2, text_y, twin);
    } else {
      const int m = (r.bottom - r.top) / 2;
      if (p < 0 || p + th > m) continue;
      canvas->TextOut(column_x, r.top + m + 1 + p - th / 2, text);
      if (i != 0) canvas->TextOut(column_x, r.top + m + 1 - p - th / 2, twin);
    }
  }
}

}  // namespace displays
