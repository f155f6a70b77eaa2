#pragma once
// The tick-mark painter of the level scale and the slider: a row of evenly
// spaced ticks along one edge of a rectangle, every EnlargeEvery-th one long,
// optionally joined by a line, in one colour, in three colour zones, or in a
// lowered or raised two-tone style. It is not a control: its owner sets
// Canvas, shrinks its own drawing rectangle by GetExtent and calls Draw.
#include <cstdint>

#include "engine/MMTypes.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/SysUtils.h"

namespace displays {

class EMMScaleError : public vcl::Exception {
 public:
  using Exception::Exception;
};

enum TMMScaleStyle : uint8_t { stColor, stLowered, stRaised };

class TMMCustomScale : public vcl::TPersistent {
  VCL_DECLARE_CLASS(TMMCustomScale, vcl::TPersistent)
 public:
  TMMCustomScale() = default;

  // Takes Visible, the first colour, Style, TickCount, EnlargeEvery, Size,
  // Origin and Connect from a TMMScale; any other source cannot be assigned.
  void Assign(const vcl::TPersistent* source) override;

  // Pixels the ticks take across their edge (Size, one more for the joining
  // line, one more again for its two-tone shadow).
  int GetExtent() const;
  // Paints into `rect` on Canvas (the first argument is not drawn on: the
  // owners set Canvas just before). The ticks hang from the far edge (bottom
  // or right) when side is true with soInner or false with soOuter, else from
  // the near edge. A rectangle at least as high as wide is vertical.
  // EMMScaleError when Canvas is not set.
  void Draw(vcl::TCanvas* unused, const vcl::TRect& rect, bool side);

  vcl::TCanvas* Canvas() const { return canvas_; }
  void SetCanvas(vcl::TCanvas* value) { canvas_ = value; }

  // The owner's three zone colours and limits in tick units, set while it
  // paints, so they change nothing else. Limits that are negative, reversed
  // or beyond TickCount switch the zones off.
  void SetZones(vcl::TColor color1, vcl::TColor color2, vcl::TColor color3, int point1, int point2);
  vcl::TColor Color1() const { return color1_; }
  vcl::TColor Color2() const { return color2_; }
  vcl::TColor Color3() const { return color3_; }
  int Point1() const { return point1_; }
  int Point2() const { return point2_; }

  // Whether the owner draws the scale; Draw itself does not look at it.
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  // Reads the first colour; writing sets all three.
  vcl::TColor Color() const { return color1_; }
  void SetColor(vcl::TColor value);
  TMMScaleStyle Style() const { return style_; }
  void SetStyle(TMMScaleStyle value);
  // At least 2.
  int TickCount() const { return tick_count_; }
  void SetTickCount(int value);
  // At least 1.
  int EnlargeEvery() const { return enlarge_every_; }
  void SetEnlargeEvery(int value);
  // Length of a long tick, at least 1; short ticks are half as long.
  int Size() const { return size_; }
  void SetSize(int value);
  engine::TMMScaleOrigin Origin() const { return origin_; }
  void SetOrigin(engine::TMMScaleOrigin value);
  bool Connect() const { return connect_; }
  void SetConnect(bool value);

  vcl::TNotifyEvent OnChange;

 protected:
  // Fires OnChange; owners' repaints hang on it.
  virtual void Changed();

 private:
  template <class T>
  void Store(T& field, T value);
  // One line, end point left out, in `color` or in the two-tone style.
  void DrawLine(int x1, int y1, int x2, int y2, vcl::TColor color);

  bool visible_ = true;
  vcl::TColor color1_ = vcl::clBlack;
  vcl::TColor color2_ = vcl::clBlack;
  vcl::TColor color3_ = vcl::clBlack;
  int point1_ = 0;
  int point2_ = 0;
  vcl::TCanvas* canvas_ = nullptr;
  TMMScaleStyle style_ = stColor;
  int tick_count_ = 11;
  int enlarge_every_ = 5;
  int size_ = 7;
  engine::TMMScaleOrigin origin_ = engine::soInner;
  bool connect_ = false;
};

// The painter as the slider publishes it: every property.
class TMMScale : public TMMCustomScale {
  VCL_DECLARE_CLASS(TMMScale, TMMCustomScale)
 public:
  TMMScale() = default;
};

// The painter as the level scale publishes it: colours and style come from
// the level scale.
class TMMLevScale : public TMMCustomScale {
  VCL_DECLARE_CLASS(TMMLevScale, TMMCustomScale)
 public:
  TMMLevScale() = default;
};

}  // namespace displays
