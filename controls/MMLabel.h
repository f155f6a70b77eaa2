#pragma once
// The caption control with a 3-D text effect: a highlight copy and a shadow
// copy drawn behind the caption, each displaced in one of eight directions by
// up to 20 pixels, once or as a solid extrusion; presets for the usual
// effects, rotation, a bitmap-filled face and a push-button mode that sinks
// while pressed. The picture is composed off screen and copied in one step.
// GUI thread only.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/MMVisual.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace controls {

enum TMMLabelDirection : uint8_t {
  ldNone,
  ldUp,
  ldUpRight,
  ldRight,
  ldDownRight,
  ldDown,
  ldDownLeft,
  ldLeft,
  ldUpLeft
};
enum TMMLabelStyle : uint8_t { lsNone, lsCustom, lsRaised, lsSunken, lsShadow, lsFlying };
enum TMMLabelOption : uint8_t { loNormal, loExtrude };

constexpr int kMaxLabelDepth = 20;
constexpr int kMaxLabelAngle = 360;
// Longest caption drawn unrotated, in characters.
constexpr int kMaxLabelText = 255;

class TMMLabel : public engine::TMMGraphicControl {
  VCL_DECLARE_CLASS(TMMLabel, engine::TMMGraphicControl)
 public:
  explicit TMMLabel(vcl::TComponent* owner);
  ~TMMLabel() override;

  using TMMGraphicControl::Bevel;
  using TMMGraphicControl::SetBevel;

  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment value);
  bool Transparent() const { return TMMGraphicControl::Transparent(); }
  void SetTransparent(bool value);
  vcl::TBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(vcl::TBitmap* value) { bitmap_->Assign(value); }

  // Clamped to 0..20; a change outside a preset makes the style lsCustom.
  int DepthHighlight() const { return depth_[0]; }
  void SetDepthHighlight(int value) { SetDepth(0, value); }
  int DepthShadow() const { return depth_[1]; }
  void SetDepthShadow(int value) { SetDepth(1, value); }
  TMMLabelDirection DirectionHighlight() const { return direction_[0]; }
  void SetDirectionHighlight(TMMLabelDirection value) { SetDirection(0, value); }
  TMMLabelDirection DirectionShadow() const { return direction_[1]; }
  void SetDirectionShadow(TMMLabelDirection value) { SetDirection(1, value); }
  vcl::TColor ColourHighlight() const { return colour_[0]; }
  void SetColourHighlight(vcl::TColor value) { SetColour(0, value); }
  vcl::TColor ColourShadow() const { return colour_[1]; }
  void SetColourShadow(vcl::TColor value) { SetColour(1, value); }
  TMMLabelOption StyleHighlight() const { return option_[0]; }
  void SetStyleHighlight(TMMLabelOption value) { SetOption(0, value); }
  TMMLabelOption StyleShadow() const { return option_[1]; }
  void SetStyleShadow(TMMLabelOption value) { SetOption(1, value); }

  TMMLabelStyle EffectStyle() const { return effect_style_; }
  void SetEffectStyle(TMMLabelStyle value);
  bool AsButton() const { return as_button_; }
  // True also raises the label.
  void SetAsButton(bool value);
  // Degrees counter-clockwise, clamped to 0..360; non-zero forces left alignment.
  int Angle() const { return angle_; }
  void SetAngle(int value);

  plat::HPALETTE GetPalette() const;
  void Dispatch(vcl::TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

 private:
  void SetDepth(int index, int value);
  void SetDirection(int index, TMMLabelDirection value);
  void SetColour(int index, vcl::TColor value);
  void SetOption(int index, TMMLabelOption value);
  bool Inside(int x, int y) const;
  // A press ended without its release: the sunk button comes back up.
  void CaptureLost();

  vcl::TAlignment alignment_ = vcl::taLeftJustify;
  double cos_angle_ = 1.0;
  double sin_angle_ = 0.0;
  std::unique_ptr<vcl::TBitmap> bitmap_;
  int depth_[2] = {1, 1};
  TMMLabelDirection direction_[2] = {ldUpLeft, ldDownRight};
  vcl::TColor colour_[2] = {0xFFFFFF, 0x808080};
  TMMLabelOption option_[2] = {loNormal, loNormal};
  TMMLabelStyle effect_style_ = lsRaised;
  bool as_button_ = false;
  int angle_ = 0;
  bool applying_style_ = false;
  bool pressed_ = false;  // sunk by a press that has not been released
};

}  // namespace controls
