#pragma once
// The analogue needle meter: a graphic control that shows the level of PCM
// data as a needle over an arc scale, with a second needle for the held peak
// and a caption under the scale. It composes each frame in ordinary bitmaps:
// background, scale and caption are drawn by Paint and cached, a refresh only
// copies that cache and draws the needles over it.
//
// Threads: the connector's pass (RefreshPCMData, ShowNeedle) may run on a
// thread other than the main one and draws there at once; the held peak falls
// on the shared 25 ms timer's thread. Needles, peak and decay state, the
// layout and both bitmaps are under the display lock, which the pass, the
// timer procedure, Paint, layout changes and every writer of a setting the
// pass reads take. WM_PAINT takes it before the control canvas's lock, so
// the order is display lock, canvas lock on every thread.
#include <array>
#include <cstdint>
#include <memory>

#include "displays/MMDisplay.h"
#include "engine/MMTimer.h"
#include "engine/MMTypes.h"
#include "engine/MMVisual.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace displays {

class EMMMeterError : public vcl::Exception {
 public:
  using Exception::Exception;
};

class TMMCustomMeter : public engine::TMMGraphicControl, public TMMDisplayProtocol {
  VCL_DECLARE_CLASS(TMMCustomMeter, engine::TMMGraphicControl)
 public:
  static constexpr int32_t FullScale = 32767;

  explicit TMMCustomMeter(vcl::TComponent* owner);
  ~TMMCustomMeter() override;

  // ---- display protocol ----
  void SetWaveFormat(const plat::WAVEFORMATEX* format) override;
  int32_t BytesPerRefresh() const override;
  void RefreshPCMData(const void* data) override;
  void ResetData() override;
  engine::TMMBits BitLength() const override { return bits_; }
  engine::TMMMode Mode() const override { return mode_; }

  // Sets the needle from a level in sample units (the sign is ignored),
  // through decay, gain and the scale; draws at once when a needle moved.
  void ShowNeedle(int32_t level);
  // The point at `radius` from the pivot in the direction of `position`.
  void NeedlePoint(vcl::TPoint& p, int32_t position, int32_t radius) const;
  // Draws the current needles over the cached scale, straight onto the
  // parent's window.
  void DrawMeterNow();

  // Percent of full scale; writes are clamped to 0..100.
  int32_t Value() const;
  void SetValue(int32_t value);

  int32_t NeedlePos() const;
  int32_t PeakPos() const;
  int32_t MeterWidth() const;
  int32_t MeterHeight() const;
  // Held ticks left before the peak needle moves.
  int32_t PeakCounter() const;

  // The meter's own switch; the control itself stays enabled for the mouse.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) override;
  vcl::TColor Scale1Color() const { return colors_[0]; }
  void SetScale1Color(vcl::TColor value) { SetColorAt(0, value); }
  vcl::TColor Scale2Color() const { return colors_[1]; }
  void SetScale2Color(vcl::TColor value) { SetColorAt(1, value); }
  vcl::TColor Scale3Color() const { return colors_[2]; }
  void SetScale3Color(vcl::TColor value) { SetColorAt(2, value); }
  vcl::TColor NeedleColor() const { return colors_[3]; }
  void SetNeedleColor(vcl::TColor value) { SetColorAt(3, value); }
  vcl::TColor PeakColor() const { return colors_[4]; }
  void SetPeakColor(vcl::TColor value) { SetColorAt(4, value); }
  // Pixels by which the needles' pivot lies below the drawing area; >= 0.
  int32_t NeedleOffset() const { return needle_offset_; }
  void SetNeedleOffset(int32_t value);
  int32_t NeedleWidth() const { return needle_width_; }
  void SetNeedleWidth(int32_t value);
  engine::TMMScaleOrigin ScaleOrigin() const { return scale_origin_; }
  void SetScaleOrigin(engine::TMMScaleOrigin value);
  // Short and long tick lengths; >= 0.
  int32_t ScaleHeight1() const { return scale_height_[0]; }
  void SetScaleHeight1(int32_t value) { SetScaleHeightAt(0, value); }
  int32_t ScaleHeight2() const { return scale_height_[1]; }
  void SetScaleHeight2(int32_t value) { SetScaleHeightAt(1, value); }
  // Degrees of arc, 45..180.
  int32_t ScaleAngle() const { return scale_angle_; }
  void SetScaleAngle(int32_t value);
  int32_t ScaleTicks() const { return scale_ticks_; }
  void SetScaleTicks(int32_t value);
  int32_t ScaleTicksEnlargeEvery() const { return enlarge_every_; }
  void SetScaleTicksEnlargeEvery(int32_t value);
  int32_t ScaleTicksTextEvery() const { return text_every_; }
  void SetScaleTicksTextEvery(int32_t value);
  bool DrawScale() const { return draw_scale_; }
  void SetDrawScale(bool value);
  int32_t TopSpace() const { return top_space_; }
  void SetTopSpace(int32_t value);
  // Zone limits in percent of full scale, 1..100.
  int32_t Point1() const { return points_[0]; }
  void SetPoint1(int32_t value) { SetPointAt(0, value); }
  int32_t Point2() const { return points_[1]; }
  void SetPoint2(int32_t value) { SetPointAt(1, value); }
  void SetBitLength(engine::TMMBits value);
  engine::TMMChannel Channel() const { return channel_; }
  void SetChannel(engine::TMMChannel value);
  void SetMode(engine::TMMMode value);
  // -8..32; other values are ignored. Levels are multiplied by (Gain + 8) / 8.
  int32_t Gain() const { return gain_factor_ - 8; }
  void SetGain(int32_t value);
  int32_t Samples() const { return samples_; }
  void SetSamples(int32_t value);
  // dB at the left end of the scale, -90..-9.
  int32_t Sensitivy() const { return sensitivity_; }
  void SetSensitivy(int32_t value);
  bool LogAmp() const { return log_amp_; }
  void SetLogAmp(bool value);
  TMMDecayMode DecayMode() const { return decay_mode_; }
  void SetDecayMode(TMMDecayMode value);
  // 1..16: the decay factor and the length of the uniform average.
  int32_t Decay() const { return decay_; }
  void SetDecay(int32_t value);
  bool ShowPeak() const { return show_peak_; }
  void SetShowPeak(bool value);
  int32_t PeakSpeed() const { return peak_speed_; }
  void SetPeakSpeed(int32_t value);
  int32_t PeakDelay() const { return peak_delay_; }
  void SetPeakDelay(int32_t value);
  vcl::TBitmap* BackGroundDIB() const { return background_.get(); }
  void SetBackGroundDIB(vcl::TBitmap* value);
  // Subtracted from each sample of that channel.
  int32_t DCOffsetL() const { return static_cast<int32_t>(-offset_left_); }
  void SetDCOffsetL(int32_t value);
  int32_t DCOffsetR() const { return static_cast<int32_t>(-offset_right_); }
  void SetDCOffsetR(int32_t value);
  // The background picture's palette when there is one.
  plat::HPALETTE GetPalette() const;

  void SetBounds(int left, int top, int width, int height) override;
  void ChangeDesignMode(bool value) override;

  vcl::TNotifyEvent OnGainOverflow;
  vcl::TNotifyEvent OnPcmOverflow;
  vcl::TNotifyEvent OnPostPaint;

 protected:
  virtual void GainOverflow();
  virtual void PcmOverflow();
  // Composes a frame in the frame bitmap and copies it to the canvas; Fast
  // starts from the cached scale. Callers hold the display lock.
  void DrawMeter(bool fast);
  // Where each frame is composed.
  vcl::TBitmap* FrameBitmap() const { return frame_bitmap_.get(); }
  void Paint() override;
  void Changed() override;
  void Dispatch(vcl::TMessage& message) override;

 private:
  using Lock = std::lock_guard<std::recursive_mutex>;

  void AddPeakClient();
  // Suspended exactly while the meter is disabled or shows no peak.
  void UpdatePeakClient();
  void PeakTick();
  void ShowNeedleLocked(int64_t level);
  int64_t Decayed(int64_t level);
  int32_t Position(int64_t level) const;
  int32_t BlockPeak(const uint8_t* data) const;
  float LinearFloor() const;
  void ClearDecay();
  void ResetLocked();
  void DrawMeterScale(vcl::TCanvas* canvas);
  void DrawCaption(vcl::TCanvas* canvas);
  void DrawNeedles(vcl::TCanvas* canvas);
  void SetColorAt(int index, vcl::TColor value);
  void SetScaleHeightAt(int index, int32_t value);
  void SetPointAt(int index, int32_t value);
  // Stores a changed value under the display lock and invalidates.
  template <class T>
  void Store(T& field, T value);

  engine::TMMTimerClient* timer_client_ = nullptr;
  bool client_suspended_ = false;
  bool enabled_ = true;
  std::array<vcl::TColor, 5> colors_;
  int32_t needle_offset_ = 30;
  int32_t needle_width_ = 1;
  bool draw_scale_ = true;
  engine::TMMScaleOrigin scale_origin_ = engine::soInner;
  std::array<int32_t, 2> scale_height_{4, 8};
  int32_t scale_angle_ = 90;
  int32_t scale_ticks_ = 41;
  int32_t enlarge_every_ = 4;
  int32_t text_every_ = 8;
  int32_t top_space_ = 14;
  std::array<int32_t, 2> points_{60, 80};
  engine::TMMBits bits_ = engine::b8Bit;
  engine::TMMChannel channel_ = engine::chBoth;
  engine::TMMMode mode_ = engine::mMono;
  int32_t gain_factor_ = 8;
  int32_t samples_ = 50;
  int32_t sensitivity_ = -50;
  bool log_amp_ = true;
  int32_t needle_pos_ = 0;
  std::array<int32_t, 32> uniform_ring_{};
  int32_t decay_ = 1;
  TMMDecayMode decay_mode_ = dmNone;
  float decay_factor_ = 0.0001f;
  int32_t uniform_length_ = 1;
  int32_t uniform_fill_ = 0;
  int32_t uniform_index_ = 0;
  float hold_ = 0.0f;
  int64_t uniform_sum_ = 0;
  bool show_peak_ = true;
  int32_t peak_pos_ = 0;
  int32_t peak_delay_ = 20;
  int32_t peak_speed_ = 0;
  int32_t peak_counter_ = 0;
  vcl::TRect meter_rect_{};
  int32_t meter_width_ = 0;
  int32_t meter_height_ = 0;
  bool peak_changed_ = false;
  // Negated: 64 bits hold the negation of every Integer.
  int64_t offset_left_ = 0;
  int64_t offset_right_ = 0;
  std::unique_ptr<vcl::TBitmap> frame_bitmap_;
  std::unique_ptr<vcl::TBitmap> scale_bitmap_;
  std::unique_ptr<vcl::TBitmap> background_;
};

class TMMMeter : public TMMCustomMeter {
  VCL_DECLARE_CLASS(TMMMeter, TMMCustomMeter)
 public:
  explicit TMMMeter(vcl::TComponent* owner) : TMMCustomMeter(owner) {}

  using TMMCustomMeter::Bevel;
  using TMMCustomMeter::SetBevel;

  // Kept so descriptions read and write them; the class library has no
  // drag and drop yet.
  engine::TDragDropEvent OnDragDrop;
  engine::TDragOverEvent OnDragOver;
  engine::TEndDragEvent OnEndDrag;
  engine::TStartDragEvent OnStartDrag;
};

}  // namespace displays
