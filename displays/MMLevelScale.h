#pragma once
// The dB labels beside or under a level meter, coloured by the meter's three
// zones, with optional ticks along one or both long edges. Its settings mirror
// those of the meter it accompanies; the application keeps them in step. It
// is painted with GDI on the main thread and fed by no connector, so unlike
// the displays it needs no display lock.
#include <memory>

#include "displays/MMDisplay.h"
#include "displays/MMScale.h"
#include "engine/MMTypes.h"
#include "engine/MMVisual.h"

namespace displays {

class TMMLevelScale : public engine::TMMGraphicControl {
  VCL_DECLARE_CLASS(TMMLevelScale, engine::TMMGraphicControl)
 public:
  explicit TMMLevelScale(vcl::TComponent* owner);
  ~TMMLevelScale() override;

  // Label positions along the scale, at least 2.
  int ScaleTicks() const { return scale_ticks_; }
  void SetScaleTicks(int value);
  // Zone limits in percent, 1..100.
  int Point1() const { return point1_; }
  void SetPoint1(int value);
  int Point2() const { return point2_; }
  void SetPoint2(int value);
  vcl::TColor Scale1Color() const { return scale1_color_; }
  void SetScale1Color(vcl::TColor value);
  vcl::TColor Scale2Color() const { return scale2_color_; }
  void SetScale2Color(vcl::TColor value);
  vcl::TColor Scale3Color() const { return scale3_color_; }
  void SetScale3Color(vcl::TColor value);
  // Swaps Width and Height when the shape does not fit the kind.
  TMMLevelKind Kind() const { return kind_; }
  void SetKind(TMMLevelKind value);
  TMMLevelDirection Direction() const { return direction_; }
  void SetDirection(TMMLevelDirection value);
  // dB at the scale's low end, -90..-9.
  int Sensitivy() const { return sensitivy_; }
  void SetSensitivy(int value);
  // Labels evenly spaced in dB (true) or in amplitude.
  bool LogAmp() const { return log_amp_; }
  void SetLogAmp(bool value);
  // The owned tick painter; writing copies into it.
  TMMLevScale* Scale() const { return scale_.get(); }
  void SetScale(TMMLevScale* value) { scale_->Assign(value); }
  engine::TMMScalePos ScalePos() const { return scale_pos_; }
  void SetScalePos(engine::TMMScalePos value);

 protected:
  void Paint() override;

 private:
  template <class T>
  void Store(T& field, T value);
  // Draws the tick strips and returns the rectangle left for the labels.
  vcl::TRect PaintTicks(vcl::TRect r, int half);
  void PaintLabels(const vcl::TRect& r);

  int scale_ticks_ = 8;
  int point1_ = 50;
  int point2_ = 85;
  vcl::TColor scale1_color_ = vcl::clWhite;
  vcl::TColor scale2_color_ = vcl::clWhite;
  vcl::TColor scale3_color_ = vcl::clRed;
  TMMLevelKind kind_ = lkHorizontal;
  TMMLevelDirection direction_ = dirNormal;
  int sensitivy_ = -35;
  bool log_amp_ = true;
  std::unique_ptr<TMMLevScale> scale_;
  engine::TMMScalePos scale_pos_ = engine::spBoth;
};

}  // namespace displays
