#include "displays/MMScale.h"

#include <algorithm>
#include <cmath>

#include "platform/vcl/TypInfo.h"

namespace displays {

VCL_IMPLEMENT_CLASS(TMMCustomScale)

// Visible is always stored: both owners start their painter hidden.

VCL_IMPLEMENT_CLASS(TMMScale, BoolProp("Visible", &TMMScale::Visible, &TMMScale::SetVisible).NoDefault(),
                    ColorProp("Color", &TMMScale::Color, &TMMScale::SetColor).Default(vcl::clBlack),
                    EnumProp("Style", &TMMScale::Style, &TMMScale::SetStyle,
                             {"stColor", "stLowered", "stRaised"})
                        .Default(stColor),
                    IntProp("TickCount", &TMMScale::TickCount, &TMMScale::SetTickCount).Default(11),
                    IntProp("EnlargeEvery", &TMMScale::EnlargeEvery, &TMMScale::SetEnlargeEvery).Default(5),
                    IntProp("Size", &TMMScale::Size, &TMMScale::SetSize).Default(7),
                    EnumProp("Origin", &TMMScale::Origin, &TMMScale::SetOrigin, {"soInner", "soOuter"})
                        .Default(engine::soInner),
                    BoolProp("Connect", &TMMScale::Connect, &TMMScale::SetConnect).Default(false))

VCL_IMPLEMENT_CLASS(
    TMMLevScale, BoolProp("Visible", &TMMLevScale::Visible, &TMMLevScale::SetVisible).NoDefault(),
    IntProp("TickCount", &TMMLevScale::TickCount, &TMMLevScale::SetTickCount).Default(11),
    IntProp("EnlargeEvery", &TMMLevScale::EnlargeEvery, &TMMLevScale::SetEnlargeEvery).Default(5),
    IntProp("Size", &TMMLevScale::Size, &TMMLevScale::SetSize).Default(7),
    EnumProp("Origin", &TMMLevScale::Origin, &TMMLevScale::SetOrigin, {"soInner", "soOuter"})
        .Default(engine::soInner),
    BoolProp("Connect", &TMMLevScale::Connect, &TMMLevScale::SetConnect).Default(false))

template <class T>
void TMMCustomScale::Store(T& field, T value) {
  if (field == value) return;
  field = value;
  Changed();
}

void TMMCustomScale::SetVisible(bool value) { Store(visible_, value); }
void TMMCustomScale::SetStyle(TMMScaleStyle value) { Store(style_, value); }
void TMMCustomScale::SetTickCount(int value) { Store(tick_count_, std::max(value, 2)); }
void TMMCustomScale::SetEnlargeEvery(int value) { Store(enlarge_every_, std::max(value, 1)); }
void TMMCustomScale::SetSize(int value) { Store(size_, std::max(value, 1)); }
void TMMCustomScale::SetOrigin(engine::TMMScaleOrigin value) { Store(origin_, value); }
void TMMCustomScale::SetConnect(bool value) { Store(connect_, value); }

void TMMCustomScale::SetColor(vcl::TColor value) {
  if (color1_ == value && color2_ == value && color3_ == value) return;
  color1_ = color2_ = color3_ = value;
  Changed();
}

void TMMCustomScale::SetZones(vcl::TColor color1, vcl::TColor color2, vcl::TColor color3, int point1,
                              int point2) {
  color1_ = color1;
  color2_ = color2;
  color3_ = color3;
  point1_ = point1;
  point2_ = point2;
}

void TMMCustomScale::Changed() {
  if (OnChange) OnChange(this);
}

void TMMCustomScale::Assign(const vcl::TPersistent* source) {
  const auto* other = dynamic_cast<const TMMScale*>(source);
  if (!other) {
    inherited::Assign(source);
    return;
  }
  visible_ = other->visible_;
  color1_ = other->color1_;
  style_ = other->style_;
  tick_count_ = other->tick_count_;
  enlarge_every_ = other->enlarge_every_;
  size_ = other->size_;
  origin_ = other->origin_;
  connect_ = other->connect_;
  Changed();
}

int TMMCustomScale::GetExtent() const {
  int extent = size_;
  if (connect_) {
    ++extent;
    if (style_ != stColor) ++extent;
  }
  return extent;
}

void TMMCustomScale::DrawLine(int x1, int y1, int x2, int y2, vcl::TColor color) {
  if (canvas_ == nullptr) throw EMMScaleError("Canvas needed for this operation");
  auto line = [this](int ax, int ay, int bx, int by, vcl::TColor c) {
    canvas_->Pen()->SetColor(c);
    canvas_->MoveTo(ax, ay);
    canvas_->LineTo(bx, by);
  };
  if (style_ == stColor) {
    line(x1, y1, x2, y2, color);
    return;
  }
  // The shadow or light lies one pixel below a horizontal line, right of a
  // vertical one.
  const int dx = y1 == y2 ? 0 : 1;
  const int dy = y1 == y2 ? 1 : 0;
  const vcl::TColor first = style_ == stLowered ? vcl::clBlack : vcl::clWhite;
  const vcl::TColor second = style_ == stLowered ? vcl::clWhite : vcl::clBlack;
  line(x1, y1, x2, y2, first);
  line(x1 + dx, y1 + dy, x2 + dx, y2 + dy, second);
}

void TMMCustomScale::Draw(vcl::TCanvas*, const vcl::TRect& rect, bool side) {
  const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  const bool zones = (color1_ != color2_ || color1_ != color3_) && point1_ >= 0 && point1_ <= point2_ &&
                     point1_ <= tick_count_ && point2_ <= tick_count_ && style_ == stColor;
  const bool horizontal = b - t < r - l;
  const double len = horizontal ? r - l : b - t;
  const double z1 = point1_ / static_cast<double>(tick_count_) * len;
  const double z2 = point2_ / static_cast<double>(tick_count_) * len;
  const double step = len / tick_count_;
  const bool far_edge = (side && origin_ == engine::soInner) || (!side && origin_ == engine::soOuter);
  const int e = connect_ && style_ != stColor ? 1 : 0;

  if (connect_) {
    // The line runs along one fixed coordinate from `start` to `stop`.
    const int fixed = horizontal ? (far_edge ? b - e : t - 1) : (far_edge ? r - 1 - e : l);
    const int start = horizontal ? l : t + 1;
    const int stop = horizontal ? r + 1 : b + 1;
    auto piece = [&](int from, int to, vcl::TColor color) {
      if (horizontal)
        DrawLine(from, fixed, to, fixed, color);
      else
        DrawLine(fixed, from, fixed, to, color);
    };
    if (zones) {
      const int cut1 = start + static_cast<int>(z1 + step);
      const int cut2 = start + static_cast<int>(z2 + step);
      piece(start, cut1, color1_);
      piece(cut1, cut2, color2_);
      piece(cut2, stop, color3_);
    } else {
      piece(start, stop, color1_);
    }
  }

  // Ticks are spaced over TickCount - 1 gaps, the zones over TickCount units.
  const double gap = len / (tick_count_ - 1);
  for (int i = 0; i < tick_count_; ++i) {
    const double p = gap * i;
    const int tl = i % enlarge_every_ == 0 ? size_ : size_ / 2;
    vcl::TColor color = color1_;
    if (zones) color = p <= z1 ? color1_ : p <= z2 ? color2_ : color3_;
    if (horizontal) {
      const int x = static_cast<int>(l + p);
      if (far_edge)
        DrawLine(x, b - tl, x, b, color);
      else
        DrawLine(x, t, x, t + tl, color);
    } else {
      const int y = t + static_cast<int>(std::nearbyint(p));
      if (far_edge)
        DrawLine(r - tl - e, y, r - e, y, color);
      else
        DrawLine(l + e, y, l + e + tl, y, color);
    }
  }
}

}  // namespace displays
