#pragma once
// The track bar: a thumb moving along a bevelled groove between MinValue and
// MaxValue by mouse (click to jump, drag to track), by keys or through
// Position, with an optional tick scale, pictures at both ends, owner-drawn
// groove and thumb and three kinds of focus indication. With Logarithmic the
// program talks in linear values while the thumb moves on a decibel axis
// covering the top |Sensitivity| dB of the range. It paints into an
// off-screen bitmap shared by all sliders of its size. Ranges and positions
// are figured in 64 bits, so any pair of 32-bit bounds works; a user movement
// (OnTrack ... OnTrackEnd) also ends when the slider loses capture or focus.
// GUI thread only.
#include <cstdint>
#include <functional>
#include <memory>

#include "displays/MMScale.h"
#include "engine/MMObj.h"
#include "engine/MMTypes.h"
#include "engine/MMVisual.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace controls {

using engine::orHorizontal;
using engine::orVertical;
using engine::TMMOrientation;
enum TMMThumbStyle : uint8_t { tsRect, tsOwnerDraw };
enum TMMGrooveStyle : uint8_t { gsRect, gsOwnerDraw };
enum TMMFocusAction : uint8_t { faNone, faFocusThumb, faFocusRect, faFocusColor, faAll };

using TMMThumbDrawEvent = std::function<void(vcl::TObject* sender, vcl::TCanvas* canvas,
                                             const vcl::TRect& rect, bool dragged, bool focused)>;
using TMMGrooveDrawEvent = std::function<void(vcl::TObject* sender, vcl::TCanvas* canvas, vcl::TRect& rect)>;

// The library cursor over the thumb with HandCursor.
constexpr vcl::TCursor kSliderHandCursor = 2005;
constexpr unsigned kSliderBlinkInterval = 500;

class TMMCustomSlider : public engine::TMMCustomControl {
  VCL_DECLARE_CLASS(TMMCustomSlider, engine::TMMCustomControl)
 public:
  explicit TMMCustomSlider(vcl::TComponent* owner);
  ~TMMCustomSlider() override;

  using TMMCustomControl::Bevel;
  using TMMCustomControl::SetBevel;

  engine::TMMBevel* Groove() const { return groove_.get(); }
  void SetGroove(engine::TMMBevel* value) { groove_->Assign(value); }
  TMMFocusAction FocusAction() const { return focus_action_; }
  void SetFocusAction(TMMFocusAction value);
  vcl::TColor FocusColor() const { return colors_[0]; }
  void SetFocusColor(vcl::TColor value) { SetColorIndex(0, value); }
  vcl::TColor GrooveColor() const { return colors_[1]; }
  void SetGrooveColor(vcl::TColor value) { SetColorIndex(1, value); }
  vcl::TColor ThumbColor() const { return colors_[2]; }
  void SetThumbColor(vcl::TColor value) { SetColorIndex(2, value); }
  vcl::TColor DisabledColor() const { return colors_[3]; }
  void SetDisabledColor(vcl::TColor value) { SetColorIndex(3, value); }
  bool ThumbBorder() const { return thumb_border_; }
  void SetThumbBorder(bool value);
  bool HandCursor() const { return hand_cursor_; }
  void SetHandCursor(bool value) { hand_cursor_ = value; }
  vcl::TCursor ThumbCursor() const { return thumb_cursor_; }
  void SetThumbCursor(vcl::TCursor value) { thumb_cursor_ = value; }

  int32_t MinValue() const { return min_value_; }
  void SetMinValue(int32_t value) { SetRange(value, max_value_); }
  int32_t MaxValue() const { return max_value_; }
  void SetMaxValue(int32_t value) { SetRange(min_value_, value); }
  // Outside loading MaxValue ends above MinValue; Position is clamped into the range.
  void SetRange(int32_t min, int32_t max);
  int32_t LineSize() const { return line_size_; }
  void SetLineSize(int32_t value) { line_size_ = value; }
  int32_t PageSize() const { return page_size_; }
  void SetPageSize(int32_t value) { page_size_ = value; }
  TMMOrientation Orientation() const { return orientation_; }
  void SetOrientation(TMMOrientation value);
  // The value: the thumb's position, or through the decibel axis with Logarithmic.
  int32_t Position() const;
  void SetPosition(int32_t value);
  // The thumb's place on the track, always within the range.
  int32_t CurrentPosition() const { return current_position_; }
  int GrooveSize() const { return groove_size_; }
  void SetGrooveSize(int value);
  int ThumbWidth() const { return thumb_size_[0]; }
  void SetThumbWidth(int value) { SetThumbSize(0, value); }
  int ThumbHeight() const { return thumb_size_[1]; }
  void SetThumbHeight(int value) { SetThumbSize(1, value); }
  TMMThumbStyle ThumbStyle() const { return thumb_style_; }
  void SetThumbStyle(TMMThumbStyle value);
  TMMGrooveStyle GrooveStyle() const { return groove_style_; }
  void SetGrooveStyle(TMMGrooveStyle value);
  int ScaleDistance() const { return scale_distance_; }
  void SetScaleDistance(int value);
  engine::TMMScalePos ScalePosition() const { return scale_position_; }
  void SetScalePosition(engine::TMMScalePos value);
  displays::TMMScale* Scale() const { return scale_.get(); }
  void SetScale(displays::TMMScale* value) { scale_->Assign(value); }
  vcl::TBitmap* PicLeft() const { return pic_left_.get(); }
  void SetPicLeft(vcl::TBitmap* value) { pic_left_->Assign(value); }
  vcl::TBitmap* PicRight() const { return pic_right_.get(); }
  void SetPicRight(vcl::TBitmap* value) { pic_right_->Assign(value); }
  bool Logarithmic() const { return logarithmic_; }
  void SetLogarithmic(bool value);
  // Clamped to -96..-20; the value Position reads is kept.
  int32_t Sensitivity() const { return sensitivity_; }
  void SetSensitivity(int32_t value);

  bool Tracking() const { return tracking_; }
  bool Dragging() const { return dragging_; }
  bool BlinkOn() const { return blink_on_; }
  // The thumb rectangle of the last paint, used for hit testing.
  vcl::TRect ThumbRect() const { return thumb_rect_; }
  vcl::TBitmap* Buffer() const { return buffer_; }
  // The client rectangle inside the bevel and the end pictures.
  vcl::TRect TrackRect() const;
  vcl::TRect CalcThumbRect(const vcl::TRect& track) const;
  int32_t PosFromPoint(int x, int y) const;

  void SetBounds(int left, int top, int width, int height) override;
  void Dispatch(vcl::TMessage& message) override;

  vcl::TNotifyEvent OnChange;
  vcl::TNotifyEvent OnTrack;
  vcl::TNotifyEvent OnTrackEnd;
  TMMThumbDrawEvent OnDrawThumb;
  TMMGrooveDrawEvent OnDrawGroove;
  vcl::TNotifyEvent OnGetFocus;
  vcl::TNotifyEvent OnLostFocus;

 protected:
  void Loaded() override;
  void Paint() override;
  void Resize() override;
  void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
  void KeyUp(uint16_t& key, vcl::TShiftState shift) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

  virtual void Change();
  virtual void Track();
  virtual void TrackEnd();
  virtual void DoDrawThumb(vcl::TCanvas* canvas, const vcl::TRect& rect, bool dragged, bool focused);
  virtual void DoDrawGroove(vcl::TCanvas* canvas, vcl::TRect& rect);

  bool UpdatePosition(int64_t value);

 private:
  friend void BlinkTick(TMMCustomSlider* slider);
  bool Loading() const;
  int64_t Range() const;
  void SetColorIndex(int index, vcl::TColor value);
  void SetThumbSize(int index, int value);
  void ResizeBuffer(int width, int height);
  void UpdateCursor(bool over_thumb);
  void StartFocusBlink(bool active);
  // Ends a drag and the user movement without a release: capture or focus went.
  void MovementLost();
  bool OnThumb(int x, int y) const;
  vcl::TRect DrawPictures(vcl::TCanvas* canvas, vcl::TRect inner);
  void DrawGroove(vcl::TCanvas* canvas, const vcl::TRect& track);
  void DrawScale(vcl::TCanvas* canvas, vcl::TRect groove);
  void DrawThumb(vcl::TCanvas* canvas, vcl::TRect rect);
  bool ScaleShown(engine::TMMScalePos side) const;
  // The thumb's edge across the track: at a scale's side or centred.
  int ThumbAcross(int start, int extent, int thumb) const;

  bool dragging_ = false;
  std::unique_ptr<engine::TMMBevel> groove_;
  bool hand_cursor_ = false;
  vcl::TCursor thumb_cursor_ = 0;
  int32_t max_value_ = 10;
  int32_t min_value_ = 0;
  int32_t current_position_ = 0;
  int32_t line_size_ = 1;
  int32_t page_size_ = 5;
  TMMOrientation orientation_ = orHorizontal;
  TMMFocusAction focus_action_ = faFocusRect;
  bool thumb_border_ = true;
  // FocusColor, GrooveColor, ThumbColor, DisabledColor.
  vcl::TColor colors_[4] = {vcl::clActiveCaption, vcl::clBtnFace, vcl::clBtnFace, 0xFFFFFF};
  bool blink_on_ = false;
  int scale_distance_ = 10;
  engine::TMMScalePos scale_position_ = engine::spBelowOrRight;
  std::unique_ptr<displays::TMMScale> scale_;
  int groove_size_ = 3;
  TMMThumbStyle thumb_style_ = tsRect;
  TMMGrooveStyle groove_style_ = gsRect;
  vcl::TBitmap* buffer_ = nullptr;
  bool force_update_ = false;
  int drag_start_coord_ = 0;
  int32_t drag_start_pos_ = 0;
  int thumb_size_[2] = {11, 23};
  vcl::TRect thumb_rect_{};
  std::unique_ptr<vcl::TBitmap> pic_left_;
  std::unique_ptr<vcl::TBitmap> pic_right_;
  int32_t sensitivity_ = -24;
  bool logarithmic_ = false;
  bool tracking_ = false;
};

class TMMSlider : public TMMCustomSlider {
  VCL_DECLARE_CLASS(TMMSlider, TMMCustomSlider)
 public:
  explicit TMMSlider(vcl::TComponent* owner) : TMMCustomSlider(owner) {}
};

}  // namespace controls
